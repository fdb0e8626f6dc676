// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SaveToExchangeDialog.h"
#include "support/ModalDriver.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

TEST(SaveToExchangeDialogTest, OffersBothModesWithUpdateSelected)
{
    SaveToExchangeDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Salvataggio agenda su centralino"));
    auto* overwrite = dialog.findChild<QRadioButton*>(QStringLiteral("overwriteRadioButton"));
    auto* update = dialog.findChild<QRadioButton*>(QStringLiteral("updateRadioButton"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("okButton"));
    auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"));
    ASSERT_TRUE(overwrite && update && ok && cancel);
    EXPECT_EQ(overwrite->text(), QStringLiteral("Sovrascrivi agenda"));
    EXPECT_EQ(update->text(), QStringLiteral("Aggiorna agenda"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(cancel->text(), QStringLiteral("Annulla"));
    EXPECT_TRUE(update->isChecked());
    EXPECT_EQ(dialog.SaveMode(), SaveToExchangeDialog::Update);
}

TEST(SaveToExchangeDialogTest, GivesTheModeChosenWithOkAndNothingOnCancel)
{
    const struct {
        const char* what;
        const char* radio;
        const char* button;
        int result;
        SaveToExchangeDialog::Mode mode;
    } cases[] = {
        {"overwrite", "overwriteRadioButton", "okButton", QDialog::Accepted, SaveToExchangeDialog::Overwrite},
        {"update", "updateRadioButton", "okButton", QDialog::Accepted, SaveToExchangeDialog::Update},
        {"cancel", "overwriteRadioButton", "cancelButton", QDialog::Rejected, SaveToExchangeDialog::Overwrite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SaveToExchangeDialog dialog;
        int result = -1;
        EXPECT_TRUE(
            RunModal([&] { result = dialog.exec(); },
                     [&](QWidget* shown) {
                         QTest::mouseClick(shown->findChild<QRadioButton*>(QLatin1String(c.radio)), Qt::LeftButton);
                         QTest::mouseClick(shown->findChild<QPushButton*>(QLatin1String(c.button)), Qt::LeftButton);
                     }));
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(dialog.SaveMode(), c.mode);
    }
}

// Unticked the first time; the choice made with OK is the next dialog's, one dropped with Annulla is not.
TEST(SaveToExchangeDialogTest, RemembersWhetherToShowTheChanges)
{
    const auto showChanges = [](QWidget* dialog) {
        return dialog->findChild<QCheckBox*>(QStringLiteral("showChangesCheckBox"));
    };
    const auto runTicking = [&](const char* button) {
        SaveToExchangeDialog dialog;
        EXPECT_TRUE(RunModal([&] { dialog.exec(); },
                             [&](QWidget* shown) {
                                 showChanges(shown)->setChecked(!showChanges(shown)->isChecked());
                                 QTest::mouseClick(shown->findChild<QPushButton*>(QLatin1String(button)),
                                                   Qt::LeftButton);
                             }));
        return dialog.ShowChanges();
    };
    {
        SaveToExchangeDialog first;
        ASSERT_TRUE(showChanges(&first));
        EXPECT_EQ(showChanges(&first)->text(), QStringLiteral("Mostra le modifiche prima di scrivere"));
        EXPECT_FALSE(first.ShowChanges());
    }
    EXPECT_TRUE(runTicking("okButton"));
    EXPECT_TRUE(SaveToExchangeDialog().ShowChanges());
    EXPECT_FALSE(runTicking("cancelButton"));
    EXPECT_TRUE(SaveToExchangeDialog().ShowChanges());
    EXPECT_FALSE(runTicking("okButton"));
    EXPECT_FALSE(SaveToExchangeDialog().ShowChanges());
}

} // namespace
