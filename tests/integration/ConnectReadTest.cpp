// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnlineFixture.h"
#include "core/CommandIds.h"

#include "support/ModalDriver.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

using namespace tobrisk;

namespace {

const QString NOT_ENABLED = QStringLiteral("Opzione non abilitata sul sistema!");

// Every byte known to the tests: records out of the order they are shown in, a record with only three
// fields and one with five, routings and urban lines stored out of ascending order of their numbers.
exsim::Tables ReadTables()
{
    exsim::Tables tables;
    tables[TBL_VERSION][0x0500] = "5\0"s;
    tables[TBL_DIGITS][0] = "4\0"s;
    tables[TBL_PREFIX][15] = "77\0"s;
    for (uint16_t routing : std::initializer_list<uint16_t>{0x0305, 0x0301, 0x0303})
        tables[TBL_ROUTING][routing] = "";
    for (uint16_t line : std::initializer_list<uint16_t>{0x4081, 0x4001})
        tables[TBL_URBAN_LINE][line] = "x\0"s;
    tables[TBL_DIRECTORY][3] = exsim::DirectoryRecord(0x0301, "01 23", "Caff\xE8");
    tables[TBL_DIRECTORY][12] = exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi");
    tables[TBL_DIRECTORY][20] = "7fff\0"
                                "0\0"
                                "0611\0"s;
    tables[TBL_DIRECTORY][456] = "4081\0"
                                 "0\0"
                                 "3471234567\0"
                                 "Ufficio tecnico\0"
                                 "in più\0"s;
    tables[TBL_DIRECTORY][9999] = exsim::DirectoryRecord(0x0000, "", "Bianchi Niccol\xF2");
    return tables;
}

class ConnectReadTest : public OnlineFixture {
protected:
    ConnectReadTest() : OnlineFixture(ReadTables()) {}

    bool Enabled(int id) { return app.Window()->Action(id)->isEnabled(); }

    // Runs the action once, from inside the running wait, as soon as the exchange has taken a request of
    // that command and table: with the exchange's replies delayed, the wait for it is still running then.
    std::unique_ptr<QTimer> WhenTaken(uint16_t command, uint16_t table, std::function<void()> action)
    {
        auto watch = std::make_unique<QTimer>();
        QObject::connect(watch.get(), &QTimer::timeout, [this, timer = watch.get(), command, table, action] {
            const std::vector<exsim::Request> received = sim.Received();
            if (!received.empty() && received.back().command == command && received.back().table == table) {
                timer->stop();
                action();
            }
        });
        watch->start(5);
        return watch;
    }
};

TEST_F(ConnectReadTest, FillsTheListSettingsAndNumberLists)
{
    Prepare({{1, "Offline", "1", 0}}, 2);

    EXPECT_EQ(Connect(), ConnectOutcome::Connected);

    EXPECT_TRUE(app.IsConnected());
    EXPECT_TRUE(fake.messages.Shown().empty()) << fake.messages.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(app.directory.Settings().shortNumberDigits, 4);
    EXPECT_EQ(app.directory.Settings().directoryPrefix, "77");
    const std::map<uint16_t, std::string> listed = {
        {3, exsim::DirectoryRecord(0x0301, "01 23", "Caff\xE8")},
        {12, exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi")},
        {456, exsim::DirectoryRecord(0x4081, "3471234567", "Ufficio tecnico")},
        {9999, exsim::DirectoryRecord(0x0000, "", "Bianchi Niccol\xF2")},
    };
    EXPECT_EQ(Listed(), listed) << "the three-field record 20 is skipped, the fifth field ignored";
    EXPECT_EQ(app.directoryNumbers, (std::vector<uint16_t>{3, 12, 456, 9999}));
    EXPECT_EQ(app.directory.RoutingNumbers(), (std::vector<uint16_t>{0x0301, 0x0303, 0x0305}));
    EXPECT_EQ(app.directory.UrbanLineNumbers(), (std::vector<uint16_t>{0x4001, 0x4081}));

    // The bulk refresh selects the last row.
    EXPECT_EQ(View().SelectedRows(), std::vector<int>{3});
    EXPECT_TRUE(app.session.Supervisor().IsActive());
    EXPECT_EQ(app.Window()->LinePaneText(), QStringLiteral("In linea: 127.000.000.001"));
    EXPECT_FALSE(Enabled(ID_CONNECT));
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_TO_EXCHANGE));
    EXPECT_TRUE(Enabled(ID_DISCONNECT));

    // The status bar counted the records as they came, then gave the line back.
    ASSERT_GE(statusMessages.size(), 2);
    EXPECT_EQ(statusMessages.first(), QStringLiteral("Lettura agenda dal centralino, voci lette: 1"));
    EXPECT_TRUE(statusMessages.contains(QStringLiteral("Lettura agenda dal centralino, voci lette: 5")));
    EXPECT_EQ(statusMessages.last(), QString());
    EXPECT_EQ(app.Window()->statusBar()->currentMessage(), QString());
}

TEST_F(ConnectReadTest, ConnettiReadsTheExchangeChosenInTheConnectionDialog)
{
    ASSERT_NO_FATAL_FAILURE(UseBookNaming(sim));
    guard.Start();

    EXPECT_TRUE(RunModal([this] { app.OnCommand(ID_CONNECT); },
                         [](QWidget* dialog) {
                             QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("connectButton")),
                                               Qt::LeftButton);
                         }));

    EXPECT_TRUE(app.IsConnected());
    EXPECT_TRUE(fake.messages.Shown().empty());
    EXPECT_EQ(app.directory.Count(), 4);
    EXPECT_EQ(app.directory.Settings().directoryPrefix, "77");
    EXPECT_EQ(app.directory.RoutingNumbers().size(), 3u);
    EXPECT_TRUE(app.session.Supervisor().IsActive());
    EXPECT_FALSE(Enabled(ID_CONNECT));
}

TEST_F(ConnectReadTest, RefusalOrIncompatibleVersionDisconnectsWithItsMessage)
{
    const struct {
        const char* what;
        std::optional<uint16_t> refusal;
        std::optional<std::string> version;
        std::optional<QString> message;
    } cases[] = {
        {"access refused", 0xFE31, std::nullopt, NOT_ENABLED},
        {"version 6", std::nullopt, "6", IncompatibleVersionText(6)},
        {"version 0", std::nullopt, "0", IncompatibleVersionText(0)},
        {"unreadable version", std::nullopt, "v?", IncompatibleVersionText(0)},
        {"version 105 is 5 in its low bits", std::nullopt, "105", std::nullopt},
        {"version 5", std::nullopt, "5", std::nullopt},
    };
    unsigned connections = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        exsim::Faults faults;
        faults.refuseAccess = c.refusal;
        faults.versionText = c.version;
        sim.SetFaults(faults);
        Prepare({{1, "Offline", "1", 0}}, 3);
        const size_t shownBefore = fake.messages.Shown().size();

        const ConnectOutcome outcome = Connect();
        ++connections;

        const QStringList shown = fake.messages.Texts().mid(qsizetype(shownBefore));
        if (c.message) {
            EXPECT_EQ(outcome, ConnectOutcome::Failed);
            EXPECT_EQ(shown, QStringList{*c.message});
            EXPECT_FALSE(app.IsConnected());
            EXPECT_EQ(app.directory.Count(), 0);
            EXPECT_TRUE(Enabled(ID_CONNECT));
            EXPECT_FALSE(Enabled(ID_DISCONNECT));
            // The release reached the exchange, which then closes the connection.
            EXPECT_TRUE(sim.WaitForConnectionsClosed(connections, 5000));
            EXPECT_FALSE(app.session.Supervisor().IsActive());
        } else {
            EXPECT_EQ(outcome, ConnectOutcome::Connected);
            EXPECT_TRUE(shown.isEmpty());
            EXPECT_TRUE(app.IsConnected());
            EXPECT_EQ(app.directory.Count(), 4);
            app.Disconnect();
        }
    }
}

// "Disconnetti" is offered while the reads wait. Each case disconnects once the exchange has taken the
// request of one step and delays its reply: the reads stop there, say nothing, and leave what the
// disconnect set.
TEST_F(ConnectReadTest, DisconnectWhileAStepWaitsEndsTheReadsSilently)
{
    const struct {
        const char* what;
        uint16_t command;
        uint16_t table;
    } cases[] = {
        {"access", CMD_REQUEST_ACCESS, 0},
        {"version", CMD_READ_RECORD, TBL_VERSION},
        {"settings", CMD_READ_RECORD, TBL_DIGITS},
        {"directory", CMD_READ_TABLE, TBL_DIRECTORY},
    };
    exsim::Faults slow;
    slow.replyDelayMs = 500;
    sim.SetFaults(slow);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim.ClearReceived();
        const size_t shownBefore = fake.messages.Shown().size();
        const auto watch = WhenTaken(c.command, c.table, [this] { app.OnCommand(ID_DISCONNECT); });

        EXPECT_EQ(Connect(), ConnectOutcome::Failed);

        EXPECT_FALSE(watch->isActive()) << "the step was never reached";
        EXPECT_EQ(fake.messages.Texts().mid(qsizetype(shownBefore)), QStringList());
        EXPECT_FALSE(app.IsConnected());
        EXPECT_EQ(app.directory.Settings().directoryPrefix, "5");
        EXPECT_EQ(app.directory.Settings().shortNumberDigits, DirectorySettings{}.shortNumberDigits);
        EXPECT_EQ(app.directory.Count(), 0);
        EXPECT_TRUE(app.directoryNumbers.empty());
        EXPECT_TRUE(Enabled(ID_CONNECT));
    }
}

// Connecting again is offered once disconnected, so the new connection's reads can run inside the old
// wait; the old reads, when they get back, must leave the new connection alone.
TEST_F(ConnectReadTest, ConnectingAgainWhileTheFirstReadsWaitLeavesTheNewConnectionAlone)
{
    exsim::Faults slow;
    slow.replyDelayMs = 300;
    sim.SetFaults(slow);
    std::optional<ConnectOutcome> again;
    const auto watch = WhenTaken(CMD_READ_TABLE, TBL_DIRECTORY, [&] {
        app.OnCommand(ID_DISCONNECT);
        again = Connect();
    });

    EXPECT_EQ(Connect(), ConnectOutcome::Failed);

    EXPECT_EQ(again, ConnectOutcome::Connected);
    EXPECT_TRUE(fake.messages.Shown().empty()) << fake.messages.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(app.IsConnected());
    EXPECT_EQ(app.directory.Settings().directoryPrefix, "77");
    EXPECT_EQ(app.directory.Count(), 4);
    EXPECT_EQ(app.directory.RoutingNumbers().size(), 3u);
}

// Each case waits out the 10 s read timeout of the table that stops answering.
TEST_F(ConnectReadTest, TableReadErrorKeepsTheLinkAndWhatWasRead)
{
    const auto tables = [](size_t directory, size_t routings, size_t urbanLines) {
        exsim::Tables t;
        t[TBL_VERSION][0x0500] = "5\0"s;
        for (uint16_t i = 1; i <= directory; ++i)
            t[TBL_DIRECTORY][i] = exsim::DirectoryRecord(0x7FFF, "02", "Nome " + std::to_string(i));
        for (uint16_t i = 1; i <= routings; ++i)
            t[TBL_ROUTING][uint16_t(0x0300 + i)] = "";
        for (uint16_t i = 1; i <= urbanLines; ++i)
            t[TBL_URBAN_LINE][uint16_t(0x4000 + i)] = "";
        return t;
    };
    // A table read with at least two records goes silent after two of them.
    const struct {
        const char* what;
        exsim::Tables tables;
        const char* message;
        ConnectOutcome outcome;
        int listed;
        size_t routings;
        size_t urbanLines;
    } cases[] = {
        {"directory", tables(3, 1, 1), "Errore in lettura agenda dal centralino!", ConnectOutcome::DirectoryUnread, 0,
         0, 0},
        {"routings", tables(1, 3, 1), "Errore in lettura instradamenti dal centralino!", ConnectOutcome::Connected, 1,
         0, 0},
        {"urban lines", tables(1, 1, 3), "Errore in lettura linee urbane dal centralino!", ConnectOutcome::Connected, 1,
         1, 0},
    };
    exsim::Faults faults;
    faults.silenceAfter = 2;
    sim.SetFaults(faults);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim.SetTables(c.tables);
        const size_t shownBefore = fake.messages.Shown().size();

        EXPECT_EQ(Connect(), c.outcome);

        EXPECT_EQ(fake.messages.Texts().mid(qsizetype(shownBefore)), QStringList{QString::fromUtf8(c.message)});
        EXPECT_TRUE(app.IsConnected());
        EXPECT_TRUE(app.session.Supervisor().IsActive());
        EXPECT_EQ(app.directory.Count(), c.listed);
        EXPECT_EQ(View().Model().rowCount(), c.listed);
        EXPECT_EQ(app.directory.RoutingNumbers().size(), c.routings);
        EXPECT_EQ(app.directory.UrbanLineNumbers().size(), c.urbanLines);
        app.Disconnect();
    }
}

} // namespace
