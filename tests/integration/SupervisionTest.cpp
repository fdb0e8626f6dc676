// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnlineFixture.h"

#include <QTimer>
#include <chrono>
#include <thread>

using namespace tobrisk;

namespace {

const std::string START = "Plimset: INIZIO CHECK CONNESSIONE\n";
const std::string EXPIRED = "Plimset: POLL TIMER SCADUTO 10 SEC\n";
const std::string OK = "Plimset: FINE CHECK CONNESSIONE: ESITO OK\n";
const std::string DROP = "Plimset: FINE CHECK CONNESSIONE: DEVO BUTTARE GIU'\n";
const QString ETHERNET_DROP =
    QStringLiteral("Connessione a centralino caduta!\nPing fallito verso indirizzo 127.000.000.001");
const QString LINK_DROP = QStringLiteral("Connessione a centralino caduta!");

exsim::Tables SmallExchange()
{
    exsim::Tables tables;
    tables[TBL_VERSION][0x0500] = "5\0"s;
    for (uint16_t i = 1; i <= 4; ++i)
        tables[TBL_DIRECTORY][i] = exsim::DirectoryRecord(0x7FFF, "0212345678", "Nome Cognome " + std::to_string(i));
    return tables;
}

// Polls time out after 300 ms here instead of 10 s.
class SupervisionTest : public OnlineFixture {
protected:
    SupervisionTest() : OnlineFixture(SmallExchange()) {}

    Supervision& Supervisor() { return app.session.Supervisor(); }

    std::vector<std::string> TracesSince(size_t first) const
    {
        const std::vector<std::string>& lines = fake.debug.Lines();
        return std::vector<std::string>(lines.begin() + long(first), lines.end());
    }

    void DropPolls(unsigned everyN)
    {
        exsim::Faults faults;
        faults.dropPolls = everyN;
        sim.SetFaults(faults);
    }
};

TEST_F(SupervisionTest, EthernetPollIsRetriedOnceThenTheLinkIsDropped)
{
    const struct {
        const char* what;
        unsigned dropPolls;
        std::vector<std::string> traces;
        bool stays;
    } cases[] = {
        {"answered", 0, {START, OK}, true},
        {"first missed, retry answered", 2, {START, EXPIRED, START, OK, OK}, true},
        {"both missed", 1, {START, EXPIRED, START, EXPIRED, DROP, DROP}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DropPolls(c.dropPolls);
        ASSERT_EQ(Connect(), ConnectOutcome::Connected);
        ASSERT_TRUE(Supervisor().IsActive());
        const size_t tracesBefore = fake.debug.Lines().size();

        Supervisor().OnTimer();

        EXPECT_EQ(TracesSince(tracesBefore), c.traces);
        EXPECT_EQ(app.IsConnected(), c.stays);
        EXPECT_EQ(Supervisor().IsActive(), c.stays);
        if (c.stays) {
            EXPECT_TRUE(fake.messages.Shown().empty());
            EXPECT_EQ(app.Window()->LinePaneText(), QStringLiteral("In linea: 127.000.000.001"));
            EXPECT_EQ(app.directory.Count(), 4);
            app.Disconnect();
        } else {
            EXPECT_EQ(fake.messages.Texts(), QStringList{ETHERNET_DROP});
            EXPECT_EQ(app.directory.Count(), 0);
            EXPECT_EQ(app.Window()->LinePaneText(), QStringLiteral("Fuori linea"));
        }
    }
}

TEST_F(SupervisionTest, PointToPointLinkIsNeverPolledOnlyItsSocketErrorDropsIt)
{
    for (uint8_t mode : std::initializer_list<uint8_t>{3, 4, 5}) {
        SCOPED_TRACE(int(mode));
        ASSERT_NO_FATAL_FAILURE(OpenLink(mode));
        Supervisor().Start();

        Supervisor().OnTimer();

        EXPECT_TRUE(fake.debug.Lines().empty());
        EXPECT_TRUE(app.IsConnected());
        app.Disconnect();
    }

    ASSERT_NO_FATAL_FAILURE(OpenLink(4));
    ASSERT_EQ(ReadAfterConnect(app.ExchangeContext()), ConnectOutcome::Connected);
    // The exchange goes away; the next sends fail and the socket records it.
    sim.Stop();
    const std::vector<uint8_t> poll = BuildRequest(CMD_POLL);
    for (int attempt = 0; attempt < 100 && app.session.Link().programmingSocket->LastError() == 0; ++attempt) {
        app.session.Link().programmingSocket->Send(poll.data(), int(poll.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(app.session.Link().programmingSocket->LastError(), 0);

    Supervisor().OnTimer();

    EXPECT_TRUE(fake.debug.Lines().empty());
    EXPECT_EQ(fake.messages.Texts(), QStringList{LINK_DROP});
    EXPECT_FALSE(app.IsConnected());
    EXPECT_FALSE(Supervisor().IsActive());
    EXPECT_EQ(app.directory.Count(), 0);
}

TEST_F(SupervisionTest, CheckDuringATableReadLetsTheReadFinish)
{
    ASSERT_EQ(Connect(), ConnectOutcome::Connected);
    // Slow enough that the check starts while the directory is still coming in.
    exsim::Faults faults;
    faults.splitBytes = true;
    sim.SetFaults(faults);
    const size_t tracesBefore = fake.debug.Lines().size();
    app.session.Memory().Clear();
    QTimer::singleShot(50, app.Window(), [this] { Supervisor().OnTimer(); });

    EXPECT_TRUE(app.session.Protocol().ReadTable(TBL_DIRECTORY));

    EXPECT_EQ(TracesSince(tracesBefore), (std::vector<std::string>{START, OK}));
    EXPECT_TRUE(app.IsConnected());
    size_t records = 0;
    ConfigurationMemory::Position position = app.session.Memory().FirstPosition();
    while (app.session.Memory().NextOfTable(position, TBL_DIRECTORY))
        ++records;
    EXPECT_EQ(records, 4u);
}

// The frames of the read disarm the socket's reply timeout, so only the check's own bound ends the
// unanswered poll.
TEST_F(SupervisionTest, UnansweredCheckDuringATableReadStillEnds)
{
    ASSERT_EQ(Connect(), ConnectOutcome::Connected);
    exsim::Faults faults;
    faults.splitBytes = true;
    faults.dropPolls = 1;
    sim.SetFaults(faults);
    const size_t tracesBefore = fake.debug.Lines().size();
    QTimer::singleShot(50, app.Window(), [this] { Supervisor().OnTimer(); });

    app.session.Protocol().ReadTable(TBL_DIRECTORY);

    EXPECT_EQ(TracesSince(tracesBefore), (std::vector<std::string>{START, EXPIRED, START, EXPIRED, DROP, DROP}));
    EXPECT_EQ(fake.messages.Texts(), QStringList{ETHERNET_DROP});
    EXPECT_FALSE(app.IsConnected());
}

TEST_F(SupervisionTest, WindowKeepsRepaintingDuringACheck)
{
    DropPolls(1);
    ASSERT_EQ(Connect(), ConnectOutcome::Connected);
    QStatusBar* bar = app.Window()->statusBar();
    int paints = 0;
    class PaintCounter : public QObject {
    public:
        explicit PaintCounter(int& count) : count_(count) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++count_;
            return false;
        }

    private:
        int& count_;
    } counter(paints);
    bar->installEventFilter(&counter);
    QTimer::singleShot(100, bar, [bar] { bar->showMessage(QStringLiteral("ridisegna")); });

    EXPECT_FALSE(Supervisor().CheckConnection(false));

    EXPECT_GT(paints, 0);
    bar->removeEventFilter(&counter);
}

} // namespace
