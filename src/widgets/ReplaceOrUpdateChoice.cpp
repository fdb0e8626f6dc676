// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ReplaceOrUpdateChoice.h"

#include <QDialog>
#include <QRadioButton>

namespace tobrisk {

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

} // namespace tobrisk
