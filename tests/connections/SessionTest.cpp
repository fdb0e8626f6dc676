// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/Session.h"

#include "LoopbackSim.h"
#include "exchange-sim/ExchangeSim.h"
#include "link/Protocol.h"
#include "support/FakePlatform.h"

#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

using namespace tobrisk;

namespace {

constexpr uint32_t LOOPBACK = 0x7F000001;

// Nobody handles the report here, so the link stays up after a drop and the supervision could find
// the same drop again: the session must tell it only once per link.
TEST(SessionTest, ReportsADropOnceForEachLink)
{
    exsim::ExchangeSim sim;
    ASSERT_NO_FATAL_FAILURE(StartSimAt(sim));
    exsim::Faults faults;
    faults.dropPolls = 1;
    sim.SetFaults(faults);

    FakePlatform fake;
    Session session(fake.platform, SupervisionTimes{60'000, 200});
    QStringList reported;
    QObject::connect(&session, &Session::dropped, [&](const QString& text) { reported << text; });
    ASSERT_TRUE(session.Link()
                    .ConnectEthernet(LOOPBACK, uint16_t(sim.ProgrammingPort() - 8), 1, session.ProgrammingLinkParams())
                    .empty());
    const QString drop =
        QStringLiteral("Connessione a centralino caduta!\nPing fallito verso indirizzo 127.000.000.001");

    const struct {
        const char* what;
        bool newLink;
        QStringList reported;
    } steps[] = {
        {"first drop", true, {drop}},
        {"the same drop found again", false, {drop}},
        {"a link supervised anew", true, {drop, drop}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.newLink)
            session.Supervise();
        session.Supervisor().OnTimer();
        EXPECT_EQ(reported, step.reported);
        EXPECT_FALSE(session.Supervisor().IsActive());
    }
    session.Close();
    EXPECT_TRUE(fake.messages.Shown().empty());
}

// As a command-line tool runs them: one session per thread, each thread's own event loop serving its
// socket, and no event loop at all on the main thread, which only waits for the threads to end.
TEST(SessionTest, SessionsRunEachOnAThreadOfItsOwn)
{
    exsim::ExchangeSim answering;
    ASSERT_NO_FATAL_FAILURE(StartSimAt(answering));
    exsim::ExchangeSim silent;
    ASSERT_NO_FATAL_FAILURE(StartSimAt(silent));
    exsim::Faults faults;
    faults.dropPolls = 1;
    silent.SetFaults(faults);

    struct Outcome {
        bool connected = false;
        bool read = false;
        size_t records = 0;
        int framesElsewhere = 0;
        ExchangeProtocol::WaitEnd poll = ExchangeProtocol::WaitEnd::Aborted;
    };
    const auto runSession = [](uint16_t programmingPort, Outcome& outcome) {
        return QThread::create([programmingPort, &outcome] {
            FakePlatform fake;
            Session session(fake.platform);
            const FrameObserverScope observer(session.Receiver(), [&](std::span<const uint8_t>) {
                if (QThread::currentThread() != session.thread())
                    ++outcome.framesElsewhere;
            });
            outcome.connected =
                session.Link()
                    .ConnectEthernet(LOOPBACK, uint16_t(programmingPort - 8), 1, session.ProgrammingLinkParams())
                    .empty();
            if (!outcome.connected)
                return;
            outcome.read = session.Protocol().RequestAccess() && session.Protocol().ReadTable(TBL_DIRECTORY);
            outcome.records = session.Memory().Count();
            outcome.poll = session.Protocol().Poll(200);
            session.Close();
        });
    };
    Outcome fromAnswering;
    Outcome fromSilent;
    const std::unique_ptr<QThread> first(runSession(answering.ProgrammingPort(), fromAnswering));
    const std::unique_ptr<QThread> second(runSession(silent.ProgrammingPort(), fromSilent));
    first->start();
    second->start();
    ASSERT_TRUE(first->wait(20'000));
    ASSERT_TRUE(second->wait(20'000));

    const size_t directory = answering.GetTables()[TBL_DIRECTORY].size();
    ASSERT_GT(directory, 0u);
    for (const Outcome* outcome : {&fromAnswering, &fromSilent}) {
        EXPECT_TRUE(outcome->connected);
        EXPECT_TRUE(outcome->read);
        EXPECT_EQ(outcome->records, directory);
        EXPECT_EQ(outcome->framesElsewhere, 0);
    }
    EXPECT_EQ(fromAnswering.poll, ExchangeProtocol::WaitEnd::Finished);
    // The socket's reply timeout runs on the session's thread too.
    EXPECT_EQ(fromSilent.poll, ExchangeProtocol::WaitEnd::TimedOut);
}

} // namespace
