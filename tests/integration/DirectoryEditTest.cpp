// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/MainWindow.h"
#include "directory/DirectoryView.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"
#include "support/FakePlatform.h"
#include "support/ListRows.h"
#include "support/ModalDriver.h"

#include "OnlineFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tobrisk;

using namespace std::string_literals;

namespace {

exsim::Tables FixtureTables()
{
    exsim::Tables tables;
    tables[TBL_VERSION][0x0500] = "5\0"s;
    tables[TBL_DIGITS][0] = "3\0"s;
    tables[TBL_PREFIX][15] = "5\0"s;
    tables[TBL_DIRECTORY][7] = exsim::DirectoryRecord(0x7FFF, "021", "Zeta");
    tables[TBL_DIRECTORY][12] = exsim::DirectoryRecord(0x0301, "022", "Caff\xE8");
    tables[TBL_DIRECTORY][30] = exsim::DirectoryRecord(0x0000, "023", "Alfa");
    tables[TBL_DIRECTORY][41] = exsim::DirectoryRecord(0x4081, "024", "Beta");
    tables[TBL_DIRECTORY][123] = exsim::DirectoryRecord(0x0000, "025", "Delta");
    return tables;
}

struct Sent {
    uint16_t command;
    uint16_t table;
    uint16_t index;
    std::string payload;
    bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& sent, std::ostream* out)
{
    *out << std::hex << sent.command << "/" << sent.table << "/" << std::dec << sent.index;
}

// The program connected to the simulated exchange, its list filled as a read leaves it: the editing
// commands must reach the exchange at once and in order.
class DirectoryEditTest : public OnlineFixture {
protected:
    DirectoryEditTest() : OnlineFixture(FixtureTables()) {}

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(OnlineFixture::SetUp());
        ASSERT_NO_FATAL_FAILURE(OpenLink());
        ASSERT_TRUE(app.session.Protocol().RequestAccess());
        ASSERT_TRUE(app.session.Protocol().ReadTable(TBL_DIRECTORY));
        app.directory.SetRoutingNumbers({0x0301, 0x0302});
        app.directory.SetUrbanLineNumbers({0x4081});
        app.directory.AddOrReplace(7, "Zeta", "021", 0x7FFF);
        app.directory.AddOrReplace(12, "Caff\xE8", "022", 0x0301);
        app.directory.AddOrReplace(30, "Alfa", "023", 0x0000);
        app.directory.AddOrReplace(41, "Beta", "024", 0x4081);
        app.directory.AddOrReplace(123, "Delta", "025", 0x0000);
        View().SelectLastRow();
        app.UpdateCommandUi();
        requestsBefore = sim.Received().size();
    }

    void Select(std::initializer_list<uint16_t> shortNumbers)
    {
        View().clearSelection();
        for (uint16_t shortNumber : shortNumbers)
            View().selectionModel()->select(View().model()->index(RowOfShortNumber(View(), shortNumber), 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        app.UpdateCommandUi();
    }

    // Runs the command and types into the dialog it opens, then presses OK.
    void RunDialog(int command, const QString& field, const QString& text)
    {
        EXPECT_TRUE(RunModal([&] { app.OnCommand(command); },
                             [&](QWidget* dialog) {
                                 auto* edit = dialog->findChild<QLineEdit*>(field);
                                 ASSERT_NE(edit, nullptr);
                                 edit->clear();
                                 QTest::keyClicks(edit, text);
                                 QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                                                   Qt::LeftButton);
                             }));
    }

    // What the exchange received after the set-up, once `count` requests have arrived.
    std::vector<Sent> Arrived(size_t count)
    {
        EXPECT_TRUE(sim.WaitForRequests(requestsBefore + count, 5000));
        std::vector<Sent> sent;
        const std::vector<exsim::Request> received = sim.Received();
        for (size_t i = requestsBefore; i < received.size(); ++i)
            sent.push_back({received[i].command, received[i].table, received[i].index, received[i].payload});
        return sent;
    }

    static std::string Record(uint16_t seizure, const std::string& phone, const std::string& name)
    {
        return exsim::DirectoryRecord(seizure, phone, name);
    }

    size_t requestsBefore = 0;
};

TEST_F(DirectoryEditTest, ModifyingSendsTheDeleteOfTheOldNumberBeforeTheWrite)
{
    Select({12});
    RunDialog(ID_ENTRY_MODIFY, QStringLiteral("shortNumberEdit"), QStringLiteral("15"));

    EXPECT_EQ(Arrived(2),
              (std::vector<Sent>{{CMD_DELETE_RECORD, TBL_DIRECTORY, 12, ""},
                                 {CMD_WRITE_RECORD, TBL_DIRECTORY, 15, Record(0x0301, "022", "Caff\xE8")}}));
    EXPECT_FALSE(sim.Record(TBL_DIRECTORY, 12));
    EXPECT_EQ(sim.Record(TBL_DIRECTORY, 15), Record(0x0301, "022", "Caff\xE8"));
    ASSERT_EQ(View().SelectedRows().size(), 1u);
    EXPECT_EQ(View().Model().EntryAt(View().SelectedRows()[0]).shortNumber, 15);

    // An unchanged number is deleted and written all the same.
    RunDialog(ID_ENTRY_MODIFY, QStringLiteral("nameEdit"), QStringLiteral("Gamma"));
    const std::vector<Sent> sent = Arrived(4);
    EXPECT_EQ(std::vector<Sent>(sent.begin() + 2, sent.end()),
              (std::vector<Sent>{{CMD_DELETE_RECORD, TBL_DIRECTORY, 15, ""},
                                 {CMD_WRITE_RECORD, TBL_DIRECTORY, 15, Record(0x0301, "022", "Gamma")}}));
}

TEST_F(DirectoryEditTest, AddingWritesOnlyTheNewRecord)
{
    EXPECT_TRUE(RunModal(
        [&] { app.OnCommand(ID_ENTRY_ADD); },
        [&](QWidget* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit")), QStringLiteral("Nuovo"));
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("phoneEdit")), QStringLiteral("0611P2#"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        }));
    EXPECT_EQ(Arrived(1),
              (std::vector<Sent>{{CMD_WRITE_RECORD, TBL_DIRECTORY, 124, Record(0x7FFF, "0611P2#", "Nuovo")}}));
    EXPECT_EQ(app.directory.Count(), 6);
}

TEST_F(DirectoryEditTest, DeletingSendsOneDeletePerRowInRowOrder)
{
    // Sorted by name the rows are Alfa 30, Beta 41, Caffè 12, Delta 123, Zeta 7.
    View().SortByColumn(1);
    Select({12, 30, 7});
    fake.messages.Answer(MsgAnswer::Yes);
    app.OnCommand(ID_ENTRY_DELETE);

    EXPECT_EQ(Arrived(3), (std::vector<Sent>{{CMD_DELETE_RECORD, TBL_DIRECTORY, 30, ""},
                                             {CMD_DELETE_RECORD, TBL_DIRECTORY, 12, ""},
                                             {CMD_DELETE_RECORD, TBL_DIRECTORY, 7, ""}}));
    EXPECT_EQ(sim.GetTables()[TBL_DIRECTORY].size(), 2u);
    ASSERT_EQ(View().Model().rowCount(), 2);
    EXPECT_EQ(View().Model().EntryAt(1).shortNumber, 123);
    EXPECT_EQ(View().SelectedRows(), std::vector<int>{1}) << "the last row of the list";
}

TEST_F(DirectoryEditTest, DigitsChangeWritesTheDigitsRecordOnly)
{
    fake.messages.Answer(MsgAnswer::Yes);
    RunDialog(ID_DIGITS, QStringLiteral("digitsEdit"), QStringLiteral("2"));

    EXPECT_EQ(Arrived(1), (std::vector<Sent>{{CMD_WRITE_RECORD, TBL_DIGITS, 0, "2\0"s}}));
    EXPECT_EQ(sim.Record(TBL_DIGITS, 0), "2\0"s);
    EXPECT_EQ(app.directory.Settings().shortNumberDigits, 2);
    EXPECT_EQ(fake.messages.Texts().back(), QStringLiteral("Il salvataggio di questa impostazione comporta\nla "
                                                           "cancellazione dei seguenti numeri brevi:\n5123-Delta\n"
                                                           "Vuoi continuare?"));
    EXPECT_EQ(app.directory.Count(), 4);
    // The exchange drops what no longer fits by itself; no delete is sent for it.
    EXPECT_TRUE(sim.Record(TBL_DIRECTORY, 123));
}

} // namespace

namespace {

TEST_F(DirectoryEditTest, ConnectionLostWhileEditingSendsNothing)
{
    Select({12});
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_ENTRY_MODIFY); },
                         [&](QWidget* dialog) {
                             // As the supervision does when the exchange stops answering.
                             app.Disconnect();
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                                               Qt::LeftButton);
                         }));
    ASSERT_TRUE(sim.WaitForConnectionsClosed(1, 5000));
    const std::vector<Sent> sent = Arrived(1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, CMD_RELEASE);
    EXPECT_TRUE(sim.Record(TBL_DIRECTORY, 12));
    ASSERT_EQ(app.directory.Count(), 1) << "the edit stays in the list, to be saved later";
    EXPECT_EQ(View().Model().EntryAt(0).name, "Caff\xE8");
}

} // namespace

namespace {

// Undo and redo on line: after each, the exchange holds what the list shows.
class UndoOnLineTest : public DirectoryEditTest {
protected:
    QString UndoText() { return app.Window()->Action(ID_EDIT_UNDO)->text(); }
    QString RedoText() { return app.Window()->Action(ID_EDIT_REDO)->text(); }

    // Once the exchange has answered a poll it has taken every request sent before it.
    void ExpectExchangeHoldsTheList()
    {
        ASSERT_EQ(app.session.Protocol().Poll(POLL_TIMEOUT_MS), ExchangeProtocol::WaitEnd::Finished);
        const uint8_t digits = app.directory.Settings().shortNumberDigits;
        EXPECT_EQ(sim.Record(TBL_DIGITS, 0), std::to_string(digits) + '\0');
        std::map<uint16_t, std::string> held = OnExchange(TBL_DIRECTORY);
        // What the number of digits no longer admits the exchange drops by itself.
        std::erase_if(held, [&](const auto& record) { return std::to_string(record.first).size() > digits; });
        EXPECT_EQ(held, Listed());
    }

    // The requests other than polls that the exchange received from `from` on.
    std::vector<Sent> SentSince(size_t from)
    {
        std::vector<Sent> sent;
        const std::vector<exsim::Request> received = sim.Received();
        for (size_t i = from; i < received.size(); ++i)
            if (received[i].command != CMD_POLL)
                sent.push_back({received[i].command, received[i].table, received[i].index, received[i].payload});
        return sent;
    }
};

struct OnLineStep {
    const char* label;
    std::function<void()> run;
};

TEST_F(UndoOnLineTest, EveryKindOfStepIsUndoneAndRedoneOnTheExchange)
{
    const OnLineStep steps[] = {
        {"aggiunta di 5124",
         [this] {
             EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_ENTRY_ADD); },
                                  [&](QWidget* dialog) {
                                      QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("nameEdit")),
                                                       QStringLiteral("Nuovo"));
                                      QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("phoneEdit")),
                                                       QStringLiteral("0611"));
                                      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                                                        Qt::LeftButton);
                                  }));
         }},
        {"modifica di 5015",
         [this] {
             Select({12});
             RunDialog(ID_ENTRY_MODIFY, QStringLiteral("shortNumberEdit"), QStringLiteral("15"));
         }},
        {"modifica di 5030",
         [this] {
             Select({30});
             RunDialog(ID_ENTRY_MODIFY, QStringLiteral("nameEdit"), QStringLiteral("Gamma"));
         }},
        {"eliminazione di 2 voci",
         [this] {
             Select({7, 41});
             fake.messages.Answer(MsgAnswer::Yes);
             app.OnCommand(ID_ENTRY_DELETE);
         }},
        {"numero cifre",
         [this] {
             fake.messages.Answer(MsgAnswer::Yes);
             RunDialog(ID_DIGITS, QStringLiteral("digitsEdit"), QStringLiteral("2"));
         }},
    };
    const auto start = Listed();
    for (const OnLineStep& step : steps) {
        SCOPED_TRACE(step.label);
        step.run();
        const auto done = Listed();
        ASSERT_NO_FATAL_FAILURE(ExpectExchangeHoldsTheList());
        EXPECT_EQ(UndoText(), QStringLiteral("Annulla ") + step.label);
        EXPECT_EQ(RedoText(), QStringLiteral("Ripeti"));
        EXPECT_FALSE(app.Window()->Action(ID_EDIT_REDO)->isEnabled());

        app.OnCommand(ID_EDIT_UNDO);
        EXPECT_NE(Listed(), done);
        ASSERT_NO_FATAL_FAILURE(ExpectExchangeHoldsTheList());
        EXPECT_EQ(RedoText(), QStringLiteral("Ripeti ") + step.label);

        app.OnCommand(ID_EDIT_REDO);
        EXPECT_EQ(Listed(), done);
        ASSERT_NO_FATAL_FAILURE(ExpectExchangeHoldsTheList());
    }
    EXPECT_TRUE(sim.Record(TBL_DIRECTORY, 123)) << "the digits change, redone, deletes nothing on the exchange";
    for (size_t i = 0; i < std::size(steps); ++i)
        app.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(Listed(), start);
    ASSERT_NO_FATAL_FAILURE(ExpectExchangeHoldsTheList());
    EXPECT_FALSE(app.Window()->Action(ID_EDIT_UNDO)->isEnabled());
    EXPECT_EQ(UndoText(), QStringLiteral("Annulla"));
}

TEST_F(UndoOnLineTest, UndoingAModifyDeletesTheNewNumberBeforeWritingTheOldOne)
{
    Select({12});
    RunDialog(ID_ENTRY_MODIFY, QStringLiteral("nameEdit"), QStringLiteral("Gamma"));
    ASSERT_NO_FATAL_FAILURE(ExpectExchangeHoldsTheList());
    const size_t before = sim.Received().size();
    statusMessages.clear();

    app.OnCommand(ID_EDIT_UNDO);
    ASSERT_NO_FATAL_FAILURE(ExpectExchangeHoldsTheList());
    EXPECT_EQ(SentSince(before),
              (std::vector<Sent>{{CMD_DELETE_RECORD, TBL_DIRECTORY, 12, ""},
                                 {CMD_WRITE_RECORD, TBL_DIRECTORY, 12, Record(0x0301, "022", "Caff\xE8")}}));
    EXPECT_TRUE(statusMessages.contains(QStringLiteral("Annullamento sul centralino: voce 2 di 2")))
        << statusMessages.join(QLatin1Char('|')).toStdString();
}

TEST_F(UndoOnLineTest, HistoryEndsOnDisconnectAndOnConnect)
{
    const auto deleteTwelve = [this] {
        Select({12});
        fake.messages.Answer(MsgAnswer::Yes);
        app.OnCommand(ID_ENTRY_DELETE);
        ASSERT_EQ(UndoText(), QStringLiteral("Annulla eliminazione di 1 voce"));
    };
    ASSERT_NO_FATAL_FAILURE(deleteTwelve());
    app.OnCommand(ID_DISCONNECT);
    EXPECT_FALSE(app.Window()->Action(ID_EDIT_UNDO)->isEnabled());
    EXPECT_EQ(UndoText(), QStringLiteral("Annulla"));

    Prepare({{7, "Zeta", "021", 0x7FFF}, {12, "Caff\xE8", "022", 0x0301}}, 3);
    ASSERT_NO_FATAL_FAILURE(deleteTwelve());
    ASSERT_NO_FATAL_FAILURE(UseBookNaming(sim));
    // The changed prepared list gives way to the exchange's.
    fake.messages.Answer(MsgAnswer::Yes);
    EXPECT_TRUE(RunModal([&] { app.OnCommand(ID_CONNECT); },
                         [](QWidget* dialog) {
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("connectButton")),
                                               Qt::LeftButton);
                         }));
    ASSERT_TRUE(app.IsConnected());
    EXPECT_FALSE(app.Window()->Action(ID_EDIT_UNDO)->isEnabled());
    EXPECT_FALSE(app.Window()->Action(ID_EDIT_REDO)->isEnabled());
}

// The exchange closes the link before an undo. A write into the closed link may still go out unnoticed, as
// any write on line may; the first that fails stops the undo, and what it did not undo stays to be undone.
TEST_F(UndoOnLineTest, AFailedReverseWriteLeavesTheRestToBeUndone)
{
    const auto start = Listed();
    Select({12, 30});
    fake.messages.Answer(MsgAnswer::Yes);
    app.OnCommand(ID_ENTRY_DELETE);
    ASSERT_NO_FATAL_FAILURE(ExpectExchangeHoldsTheList());

    exsim::Faults faults;
    faults.closeAfterRequests = unsigned(sim.Received().size()) + 1;
    sim.SetFaults(faults);
    EXPECT_NE(app.session.Protocol().Poll(POLL_TIMEOUT_MS), ExchangeProtocol::WaitEnd::Finished);
    ASSERT_TRUE(sim.WaitForConnectionsClosed(1, 5000));

    app.OnCommand(ID_EDIT_UNDO);
    EXPECT_FALSE(app.session.Protocol().LinkUp());
    EXPECT_FALSE(Listed().contains(30)) << "the entry whose write failed is not back in the list";
    EXPECT_EQ(UndoText(), QStringLiteral("Annulla eliminazione di 2 voci"));
    EXPECT_FALSE(app.Window()->Action(ID_EDIT_REDO)->isEnabled());

    // A link again, without the read that would end the history: the undo goes on where it stopped.
    sim.SetFaults({});
    ASSERT_NO_FATAL_FAILURE(OpenLink());
    ASSERT_TRUE(app.session.Protocol().RequestAccess());
    app.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(Listed(), start);
    ASSERT_EQ(app.session.Protocol().Poll(POLL_TIMEOUT_MS), ExchangeProtocol::WaitEnd::Finished);
    EXPECT_EQ(sim.Record(TBL_DIRECTORY, 30), Record(0x0000, "023", "Alfa"));
    EXPECT_EQ(RedoText(), QStringLiteral("Ripeti eliminazione di 2 voci"));
}

} // namespace
