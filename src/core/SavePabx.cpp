#include "core/SavePabx.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CSavePabx::CSavePabx(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("savePabxDialog"));
    setWindowTitle(QStringLiteral("Salvataggio agenda su centralino"));

    auto* overwrite = new QRadioButton(QStringLiteral("Sovrascrivi agenda"), this);
    overwrite->setObjectName(QStringLiteral("overwriteRadioButton"));
    auto* update = new QRadioButton(QStringLiteral("Aggiorna agenda"), this);
    update->setObjectName(QStringLiteral("updateRadioButton"));
    modeGroup_ = new QButtonGroup(this);
    modeGroup_->addButton(overwrite, Overwrite);
    modeGroup_->addButton(update, Update);
    // Updating keeps what the exchange has; replacing it must be chosen.
    update->setChecked(true);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(overwrite);
    layout->addWidget(update);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CSavePabx::Mode CSavePabx::SaveMode() const
{
    return modeGroup_->checkedId() == Overwrite ? Overwrite : Update;
}
