// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/MainWindow.h"
#include "directory/DirectoryView.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

// The search field over the list and the free short numbers, as the main window runs them off line.
class FilterCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app.Window()));
        app.directory.AddOrReplace(5, "Niccol\xF2 Rossi", "02 765 43210", 0x7FFF);
        app.directory.AddOrReplace(12, "Bianchi", "0276543299", 0x7FFF);
        app.directory.AddOrReplace(30, "Verdi", "031 22", 0x7FFF);
    }

    DirectoryView& View() { return *app.View(); }
    QLineEdit& Search() { return *app.Window()->findChild<QLineEdit*>(QStringLiteral("searchLineEdit")); }
    std::vector<uint16_t> ShownNumbers()
    {
        std::vector<uint16_t> shown;
        for (const Entry* entry : View().Model().Rows())
            shown.push_back(entry->shortNumber);
        return shown;
    }

    FakePlatform fake;
    Application app{fake.platform};
};

TEST_F(FilterCommandsTest, TypingFiltersTheListAndTheStatusBarCountsWhatItShows)
{
    EXPECT_EQ(Search().placeholderText(), QStringLiteral("Cerca"));
    EXPECT_EQ(app.Window()->FilterCountText(), QString());

    QTest::keyClicks(&Search(), QStringLiteral("nicolo"));
    EXPECT_TRUE(Search().isClearButtonEnabled());
    EXPECT_EQ(ShownNumbers(), std::vector<uint16_t>{5});
    EXPECT_EQ(app.Window()->FilterCountText(), QStringLiteral("1 di 3 voci"));

    Search().clear();
    QTest::keyClicks(&Search(), QStringLiteral("02 765"));
    EXPECT_EQ(ShownNumbers(), (std::vector<uint16_t>{5, 12}));
    EXPECT_EQ(app.Window()->FilterCountText(), QStringLiteral("2 di 3 voci"));
    // The count follows the directory while the filter stays.
    app.directory.AddOrReplace(40, "Neri", "02765", 0x7FFF);
    EXPECT_EQ(app.Window()->FilterCountText(), QStringLiteral("3 di 4 voci"));

    Search().setFocus();
    QTest::keyClick(&Search(), Qt::Key_Escape);
    EXPECT_TRUE(Search().text().isEmpty());
    EXPECT_EQ(ShownNumbers(), (std::vector<uint16_t>{5, 12, 30, 40}));
    EXPECT_EQ(app.Window()->FilterCountText(), QString());
}

TEST_F(FilterCommandsTest, ShortcutPutsTheFocusInTheSearchFieldAndCtrlFStillExports)
{
    View().setFocus();
    QTest::keyClick(app.Window(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(Search().hasFocus());

    fake.fileDialogs.Choose(std::nullopt);
    QTest::keyClick(app.Window(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(fake.fileDialogs.Requests().size(), 1u);
    EXPECT_EQ(fake.fileDialogs.Requests()[0].title, QStringLiteral("Esporta agenda su file .csv"));
}

TEST_F(FilterCommandsTest, DeleteUnderAFilterTakesOnlyTheShownSelectedRows)
{
    View().SelectShortNumbers({5, 12, 30});
    QTest::keyClicks(&Search(), QStringLiteral("verdi"));
    EXPECT_TRUE(app.IsCommandEnabled(ID_ENTRY_MODIFY)) << "one row is shown and selected";

    fake.messages.Answer(MsgAnswer::Yes);
    app.OnCommand(ID_ENTRY_DELETE);
    EXPECT_EQ(app.directory.Count(), 2);
    EXPECT_FALSE(app.directory.Contains(30));
}

TEST_F(FilterCommandsTest, FewerDigitsUnderAFilterRemoveHiddenEntriesToo)
{
    app.directory.SetShortNumberDigits(4);
    app.directory.AddOrReplace(1234, "Lungo", "04", 0x7FFF);
    QTest::keyClicks(&Search(), QStringLiteral("verdi"));

    fake.messages.Answer(MsgAnswer::Yes);
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_DIGITS); },
                         [](QWidget* dialog) {
                             auto* digits = dialog->findChild<QLineEdit*>(QStringLiteral("digitsEdit"));
                             digits->clear();
                             QTest::keyClicks(digits, QStringLiteral("3"));
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                                               Qt::LeftButton);
                         }));
    ASSERT_EQ(fake.messages.Texts().size(), 1);
    EXPECT_TRUE(fake.messages.Texts()[0].contains(QStringLiteral("\n51234-Lungo\n")));
    EXPECT_FALSE(app.directory.Contains(1234));
    EXPECT_EQ(app.directory.Count(), 3);
}

TEST_F(FilterCommandsTest, FreeShortNumbersShowsTheRangesAndAddsWithThePickedNumber)
{
    QAction* command = app.Window()->Action(ID_VIEW_FREE_SHORT_NUMBERS);
    ASSERT_NE(command, nullptr);

    QString count;
    QString ranges;
    QString offered;
    QString entryNumber;
    EXPECT_TRUE(RunModals(
        [&] { command->trigger(); },
        {[&](QWidget* dialog) {
             count = dialog->findChild<QLabel*>(QStringLiteral("freeCountLabel"))->text();
             ranges = dialog->findChild<QPlainTextEdit*>(QStringLiteral("freeRangesText"))->toPlainText();
             auto* number = dialog->findChild<QLineEdit*>(QStringLiteral("freeNumberLineEdit"));
             offered = number->text();
             auto* add = dialog->findChild<QPushButton*>(QStringLiteral("addButton"));
             number->setText(QStringLiteral("12"));
             EXPECT_FALSE(add->isEnabled()) << "12 is taken";
             number->setText(QStringLiteral("013"));
             QTest::mouseClick(add, Qt::LeftButton);
         },
         [&](QWidget* dialog) {
             entryNumber = dialog->findChild<QLineEdit*>(QStringLiteral("shortNumberEdit"))->text();
             QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit")), QStringLiteral("Neri"));
             QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("phoneEdit")), QStringLiteral("024"));
             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
         }}));
    EXPECT_EQ(count, QStringLiteral("Numeri brevi liberi: 997"));
    EXPECT_EQ(ranges, QStringLiteral("5000\u20135004, 5006\u20135011, 5013\u20135029, 5031\u20135999"));
    EXPECT_EQ(offered, QStringLiteral("000"));
    EXPECT_EQ(entryNumber, QStringLiteral("013"));
    ASSERT_NE(app.directory.Find(13), nullptr);
    EXPECT_EQ(app.directory.Find(13)->name, "Neri");
    EXPECT_EQ(View().SelectedShortNumbers(), std::vector<uint16_t>{13});
    // An add from here is a step of the history like any other.
    EXPECT_EQ(app.Window()->Action(ID_EDIT_UNDO)->text(), QStringLiteral("Annulla aggiunta di 5013"));
    app.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(app.directory.Find(13), nullptr);
}

} // namespace
