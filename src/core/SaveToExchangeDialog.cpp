// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SaveToExchangeDialog.h"

#include "widgets/OkCancelRow.h"
#include "widgets/ReplaceOrUpdateChoice.h"

#include <QAbstractButton>
#include <QVBoxLayout>

namespace tobrisk {

SaveToExchangeDialog::SaveToExchangeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("saveToExchangeDialog"));
    setWindowTitle(QStringLiteral("Salvataggio agenda su centralino"));

    modeGroup_ = NewReplaceOrUpdateChoice(*this);
    // Updating keeps what the exchange has; replacing it must be chosen.
    modeGroup_->button(Update)->setChecked(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(modeGroup_->button(Overwrite));
    layout->addWidget(modeGroup_->button(Update));
    layout->addWidget(NewOkCancelRow(*this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

SaveToExchangeDialog::Mode SaveToExchangeDialog::SaveMode() const
{
    return modeGroup_->checkedId() == Overwrite ? Overwrite : Update;
}

} // namespace tobrisk
