// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DialogParts.h"

#include <QDialog>
#include <QPushButton>
#include <QRadioButton>

QDialogButtonBox* NewOkCancelButtons(QDialog& dialog)
{
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

QButtonGroup* NewReplaceOrUpdateChoice(QDialog& dialog)
{
    auto* overwrite = new QRadioButton(QStringLiteral("Sovrascrivi agenda"), &dialog);
    overwrite->setObjectName(QStringLiteral("overwriteRadioButton"));
    auto* update = new QRadioButton(QStringLiteral("Aggiorna agenda"), &dialog);
    update->setObjectName(QStringLiteral("updateRadioButton"));
    auto* group = new QButtonGroup(&dialog);
    group->addButton(overwrite, 0);
    group->addButton(update, 1);
    return group;
}
