// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DigitsCommand.h"
#include "core/DeleteEntriesCommand.h"
#include "core/EditEntryCommand.h"
#include "directory/DigitsDialog.h"
#include "directory/DirectoryView.h"
#include "directory/LineSeizure.h"
#include "support/FakePlatform.h"
#include "support/ListRows.h"
#include "support/ModalDriver.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

// The number-of-digits dialog and the deletes of the list, without an exchange.
class DigitsDialogTest : public ::testing::Test {
protected:
    void Load(uint8_t digits, std::initializer_list<std::pair<uint16_t, const char*>> entries)
    {
        directory.SetShortNumberDigits(digits);
        const Directory::BulkChange filling(directory);
        directory.Clear();
        for (const auto& [shortNumber, name] : entries)
            directory.AddOrReplace(shortNumber, name, "021", 0x7FFF);
    }

    // Types the text and presses OK; the dialog is closed afterwards if it stayed open. True on OK.
    bool Run(const QString& typed, const std::function<void(DigitsDialog&)>& after = nullptr)
    {
        dialog = std::make_unique<DigitsDialog>(directory.Settings(), model.Rows(), fake.messages);
        int result = -1;
        EXPECT_TRUE(RunModal([&] { result = dialog->exec(); },
                             [&](QWidget*) {
                                 QLineEdit* edit = dialog->findChild<QLineEdit*>(QStringLiteral("digitsEdit"));
                                 initialText = edit->text();
                                 edit->clear();
                                 QTest::keyClicks(edit, typed);
                                 QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                                                   Qt::LeftButton);
                                 if (after)
                                     after(*dialog);
                                 if (dialog->isVisible())
                                     dialog->reject();
                             }));
        return result == QDialog::Accepted;
    }

    QStringList Shown() const
    {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row)
            texts << QString::fromStdString(ShortNumberText(directory.Settings(), model.EntryAt(row).shortNumber));
        return texts;
    }

    // As the application applies the choice: the entries still there stay selected.
    void Apply()
    {
        std::vector<uint16_t> leaving;
        for (int row : dialog->EntriesToDelete())
            leaving.push_back(model.EntryAt(row).shortNumber);
        const std::vector<uint16_t> selected = view.SelectedShortNumbers();
        ApplyDigits(dialog->Digits(), leaving, directory, nullptr);
        view.SelectShortNumbers(selected);
    }

    Directory directory;
    FakePlatform fake;
    DirectoryTableModel model{directory};
    DirectoryView view{model, fake.waitCursor};
    std::unique_ptr<DigitsDialog> dialog;
    QString initialText;
};

TEST_F(DigitsDialogTest, OnlyTwoToFourDigitsAreTaken)
{
    Load(3, {{7, "A"}});
    const struct {
        const char* typed;
        bool accepted;
    } cases[] = {{"1", false}, {"5", false}, {"", false}, {"0", false}, {"x", false},
                 {"2", true},  {"3", true},  {"4", true}, {"42", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const qsizetype before = fake.messages.Texts().size();
        QWidget* focused = nullptr;
        EXPECT_EQ(Run(QString::fromLatin1(c.typed), [&](DigitsDialog& d) { focused = d.focusWidget(); }), c.accepted);
        EXPECT_EQ(initialText, QStringLiteral("3"));
        if (c.accepted) {
            EXPECT_EQ(fake.messages.Texts().size(), before);
        } else {
            ASSERT_EQ(fake.messages.Texts().size(), before + 1);
            EXPECT_EQ(fake.messages.Texts().back(), QStringLiteral("Numero di cifre non valido!"));
            ASSERT_NE(focused, nullptr);
            EXPECT_EQ(focused->objectName(), QStringLiteral("digitsEdit"));
        }
    }
    EXPECT_EQ(dialog->Digits(), 4) << "the field takes one character";
}

TEST_F(DigitsDialogTest, FewerDigitsListTheEntriesTheyRemove)
{
    Load(4, {{7, "A"}, {123, "B"}, {1234, "C"}});
    fake.messages.Answer(MsgAnswer::Yes);
    ASSERT_TRUE(Run(QStringLiteral("3")));
    ASSERT_EQ(fake.messages.Shown().size(), 1u);
    const ShownBox& box = fake.messages.Shown()[0];
    EXPECT_EQ(box.text, QStringLiteral("Il salvataggio di questa impostazione comporta\nla cancellazione dei seguenti "
                                       "numeri brevi:\n51234-C\nVuoi continuare?"));
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MsgAnswer::Yes);
    Apply();
    EXPECT_EQ(directory.Settings().shortNumberDigits, 3);
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("5007"), QStringLiteral("5123")}));
    EXPECT_EQ(directory.Count(), 2);
}

TEST_F(DigitsDialogTest, NoKeepsTheDialogOpenAndAnotherNumberDeletesNothing)
{
    Load(3, {{7, "A"}, {12, "B"}, {123, "C"}});
    fake.messages.Answer(MsgAnswer::No);
    bool open = false;
    ASSERT_TRUE(Run(QStringLiteral("2"), [&](DigitsDialog& d) {
        open = d.isVisible();
        QLineEdit* edit = d.findChild<QLineEdit*>(QStringLiteral("digitsEdit"));
        EXPECT_EQ(edit->selectedText(), QStringLiteral("2"));
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("4"));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    }));
    EXPECT_TRUE(open);
    EXPECT_EQ(fake.messages.Texts(), QStringList{QStringLiteral("Il salvataggio di questa impostazione comporta\nla "
                                                                "cancellazione dei seguenti numeri brevi:\n5123-C\n"
                                                                "Vuoi continuare?")});
    EXPECT_TRUE(dialog->EntriesToDelete().empty());
    Apply();
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("50007"), QStringLiteral("50012"), QStringLiteral("50123")}));

    // 3 to 2 after Yes: 7 and 12 stay.
    directory.SetShortNumberDigits(3);
    fake.messages.Answer(MsgAnswer::Yes);
    ASSERT_TRUE(Run(QStringLiteral("2")));
    Apply();
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("507"), QStringLiteral("512")}));

    // Lower again with nothing too long: no question.
    const qsizetype asked = fake.messages.Texts().size();
    directory.SetShortNumberDigits(4);
    ASSERT_TRUE(Run(QStringLiteral("2")));
    EXPECT_EQ(fake.messages.Texts().size(), asked);
    EXPECT_TRUE(dialog->EntriesToDelete().empty());
}

TEST_F(DigitsDialogTest, DigitsChangeKeepsTheSelection)
{
    Load(3, {{7, "A"}, {12, "B"}, {123, "C"}, {200, "D"}});
    view.selectionModel()->select(view.model()->index(0, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view.selectionModel()->select(view.model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    fake.messages.Answer(MsgAnswer::Yes);
    ASSERT_TRUE(Run(QStringLiteral("2")));
    Apply();
    ASSERT_EQ(view.SelectedRows(), std::vector<int>{0}) << "123 is gone, 7 stays selected";
    EXPECT_EQ(model.EntryAt(0).shortNumber, 7);
}

TEST_F(DigitsDialogTest, LabelIsTheBuddyOfTheField)
{
    Load(3, {});
    Run(QStringLiteral("3"), [&](DigitsDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Numero cifre agenda"));
        const QLabel* label = d.findChild<QLabel*>();
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QStringLiteral("&Numero cifre:"));
        EXPECT_EQ(label->buddy(), d.findChild<QLineEdit*>(QStringLiteral("digitsEdit")));
    });
}

// Deleting and storing edits in the list alone, as while not connected.
class DigitsCommandTest : public DigitsDialogTest {
protected:
    void Select(std::initializer_list<int> rows)
    {
        view.clearSelection();
        for (int row : rows)
            view.selectionModel()->select(view.model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // As the application runs "Elimina" and stores an edit, choosing what is selected afterwards.
    bool Delete()
    {
        const bool deleted = RunDeleteEntries(directory, view.SelectedShortNumbers(), fake.messages, nullptr);
        if (deleted)
            view.SelectLastRow();
        return deleted;
    }
    void Store(const EntryEdit& edit)
    {
        ApplyEntryEdit(edit, directory, nullptr);
        view.SelectShortNumbers({edit.shortNumber});
    }
};

TEST_F(DigitsCommandTest, DeleteAsksWithYesAsDefaultAndLeavesTheLastRowSelected)
{
    Load(3, {{1, "A"}, {2, "B"}, {3, "C"}, {4, "D"}, {5, "E"}});
    Select({0, 2, 3});
    fake.messages.Answer(MsgAnswer::No);
    EXPECT_FALSE(Delete());
    EXPECT_EQ(directory.Count(), 5);
    EXPECT_EQ(SelectedShortNumbers(view), (std::vector<uint16_t>{1, 3, 4}));

    fake.messages.Answer(MsgAnswer::Yes);
    EXPECT_TRUE(Delete());
    EXPECT_EQ(ShownShortNumbers(view), (std::vector<uint16_t>{2, 5}));
    EXPECT_EQ(SelectedShortNumbers(view), std::vector<uint16_t>{5});
    for (const ShownBox& box : fake.messages.Shown()) {
        EXPECT_EQ(box.text, QStringLiteral("Confermi la cancellazione dei numeri di agenda selezionati?"));
        EXPECT_EQ(box.buttons, MsgButtons::YesNo);
        EXPECT_EQ(box.defaultButton, MsgAnswer::Yes);
    }
}

TEST_F(DigitsCommandTest, StoredEditsSelectTheNewOrModifiedEntry)
{
    Load(3, {{5, "A"}, {12, "B"}, {30, "C"}});
    Select({0});
    Store({std::nullopt, 20, "Nuovo", "021", 0x7FFF});
    EXPECT_EQ(ShownShortNumbers(view), (std::vector<uint16_t>{5, 12, 20, 30}));
    EXPECT_EQ(SelectedShortNumbers(view), std::vector<uint16_t>{20}) << "after an add only the new entry";

    Select({1});
    Store({12, 15, "B2", "022", 0x0301});
    EXPECT_EQ(ShownShortNumbers(view), (std::vector<uint16_t>{5, 15, 20, 30}));
    EXPECT_EQ(SelectedShortNumbers(view), std::vector<uint16_t>{15}) << "the modified entry under its new number";
    EXPECT_EQ(model.EntryAt(1).name, "B2");
    EXPECT_EQ(model.EntryAt(1).lineSeizure, 0x0301);
    EXPECT_EQ(directory.Count(), 4);
}

} // namespace
