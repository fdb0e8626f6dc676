// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ExportDialog.h"

#include "widgets/OkCancelRow.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace tobrisk {

ExportDialog::ExportDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("exportDialog"));
    setWindowTitle(QStringLiteral("Esporta agenda su file .csv"));

    headingBox_ = new QCheckBox(QStringLiteral("Salva intestazione sulla prima riga del file"), this);
    headingBox_->setObjectName(QStringLiteral("headingCheckBox"));
    headingBox_->setChecked(writeHeading_);
    connect(headingBox_, &QCheckBox::clicked, this, [this](bool checked) { writeHeading_ = checked; });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headingBox_);
    layout->addWidget(NewOkCancelRow(*this));
}

void ExportDialog::accept()
{
    writeHeading_ = headingBox_->isChecked();
    QDialog::accept();
}

} // namespace tobrisk
