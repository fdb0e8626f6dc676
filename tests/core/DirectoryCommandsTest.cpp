// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/MainWindow.h"
#include "directory/DirectoryView.h"
#include "support/FakePlatform.h"
#include "support/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

// The directory commands as the main window runs them, without a connection.
class DirectoryCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app.Window()));
        app.directory.AddOrReplace(5, "Rossi", "021", 0x7FFF);
        app.directory.AddOrReplace(12, "Bianchi", "022", 0x7FFF);
        app.directory.AddOrReplace(30, "Verdi", "023", 0x7FFF);
        View().SelectLastRow();
    }

    DirectoryView& View() { return *app.View(); }
    QPoint RowPoint(int row) { return View().visualRect(View().model()->index(row, 1)).center(); }

    // The name the editor opened with, or nothing when the trigger opened no dialog. Any dialog is
    // cancelled, so nothing changes.
    std::optional<QString> EditedName(const std::function<void()>& trigger)
    {
        std::optional<QString> name;
        QTimer::singleShot(50, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                name = dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit"))->text();
                dialog->reject();
            }
        });
        trigger();
        QTest::qWait(100);
        return name;
    }

    FakePlatform fake;
    Application app{fake.platform};
};

TEST_F(DirectoryCommandsTest, DoubleClickEditsTheFirstSelectedRowWhateverTheSelection)
{
    EXPECT_EQ(EditedName([&] { QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, RowPoint(1)); }),
              QStringLiteral("Bianchi"));

    // A shift double click leaves three rows selected; the command's one-row rule does not apply here.
    QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, RowPoint(0));
    EXPECT_EQ(
        EditedName([&] { QTest::mouseDClick(View().viewport(), Qt::LeftButton, Qt::ShiftModifier, RowPoint(2)); }),
        QStringLiteral("Rossi"));
    EXPECT_EQ(View().SelectedRows(), (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(app.IsCommandEnabled(ID_ENTRY_MODIFY));
}

TEST_F(DirectoryCommandsTest, DoubleClickOutsideTheRowsEditsNothing)
{
    const QPoint belowTheRows(RowPoint(2).x(), View().viewport()->height() - 5);
    ASSERT_FALSE(View().indexAt(belowTheRows).isValid());
    View().selectionModel()->select(View().model()->index(1, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(EditedName([&] { QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, belowTheRows); }),
              std::nullopt);

    View().clearSelection();
    EXPECT_EQ(EditedName([&] { QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, belowTheRows); }),
              std::nullopt);
    EXPECT_EQ(app.directory.Count(), 3);
}

TEST_F(DirectoryCommandsTest, AddCommandStoresTheEntryAndSelectsIt)
{
    EXPECT_TRUE(RunModal(
        [&] { app.OnCommand(ID_ENTRY_ADD); },
        [&](QWidget* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit")), QStringLiteral("Neri"));
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("phoneEdit")), QStringLiteral("024"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        }));
    ASSERT_EQ(app.directory.Count(), 4);
    ASSERT_EQ(View().SelectedRows(), std::vector<int>{3});
    EXPECT_EQ(View().Model().EntryAt(3).shortNumber, 31);
    EXPECT_EQ(View().Model().EntryAt(3).name, "Neri");
    EXPECT_TRUE(app.IsCommandEnabled(ID_ENTRY_MODIFY)) << "the enable rules follow the new selection";
}

} // namespace
