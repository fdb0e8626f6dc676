// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/OkCancelRow.h"

#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

TEST(OkCancelRowTest, OkIsTheDefaultAndEachButtonEndsTheDialogItsWay)
{
    for (const auto& [name, result] : {std::pair{"okButton", QDialog::Accepted}, {"cancelButton", QDialog::Rejected}}) {
        SCOPED_TRACE(name);
        QDialog dialog;
        NewOkCancelRow(dialog);
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("okButton"));
        auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"));
        ASSERT_TRUE(ok && cancel);
        EXPECT_EQ(ok->text(), QStringLiteral("OK"));
        EXPECT_EQ(cancel->text(), QStringLiteral("Annulla"));
        EXPECT_TRUE(ok->isDefault());
        EXPECT_FALSE(cancel->isDefault());

        QTimer::singleShot(0, dialog.findChild<QPushButton*>(QLatin1String(name)), &QPushButton::click);
        EXPECT_EQ(dialog.exec(), result);
    }
}

} // namespace
