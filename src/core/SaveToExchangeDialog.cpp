// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SaveToExchangeDialog.h"

#include "platform/SettingsStore.h"
#include "widgets/OkCancelRow.h"
#include "widgets/ReplaceOrUpdateChoice.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QVBoxLayout>

namespace tobrisk {

SaveToExchangeDialog::SaveToExchangeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("saveToExchangeDialog"));
    setWindowTitle(QStringLiteral("Salvataggio agenda su centralino"));

    modeGroup_ = NewReplaceOrUpdateChoice(*this);
    // Updating keeps what the exchange has; replacing it must be chosen.
    modeGroup_->button(Update)->setChecked(true);

    showChanges_ = new QCheckBox(QStringLiteral("Mostra le modifiche prima di scrivere"), this);
    showChanges_->setObjectName(QStringLiteral("showChangesCheckBox"));
    showChanges_->setChecked(SettingsStore(SettingsFile::Program).Value(SettingsKeys::ShowSaveChanges) ==
                             QStringLiteral("1"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(modeGroup_->button(Overwrite));
    layout->addWidget(modeGroup_->button(Update));
    layout->addWidget(showChanges_);
    layout->addWidget(NewOkCancelRow(*this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

SaveToExchangeDialog::Mode SaveToExchangeDialog::SaveMode() const
{
    return modeGroup_->checkedId() == Overwrite ? Overwrite : Update;
}

bool SaveToExchangeDialog::ShowChanges() const
{
    return showChanges_->isChecked();
}

void SaveToExchangeDialog::accept()
{
    // Written when the store goes; a choice that cannot be remembered is no reason to stop the save.
    SettingsStore(SettingsFile::Program)
        .SetValue(SettingsKeys::ShowSaveChanges, ShowChanges() ? QStringLiteral("1") : QStringLiteral("0"));
    QDialog::accept();
}

} // namespace tobrisk
