#include "files/ExportDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

CExport::CExport(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("exportDialog"));
    setWindowTitle(QStringLiteral("Esporta agenda su file .csv"));

    headingBox_ = new QCheckBox(QStringLiteral("Salva intestazione sulla prima riga del file"), this);
    headingBox_->setObjectName(QStringLiteral("headingCheckBox"));
    headingBox_->setChecked(writeHeading_);
    connect(headingBox_, &QCheckBox::clicked, this, [this](bool checked) { writeHeading_ = checked; });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CExport::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CExport::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headingBox_);
    layout->addWidget(buttons);
}

void CExport::accept()
{
    writeHeading_ = headingBox_->isChecked();
    QDialog::accept();
}
