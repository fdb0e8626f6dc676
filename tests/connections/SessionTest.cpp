// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/Session.h"

#include "LoopbackSim.h"
#include "exchange-sim/ExchangeSim.h"
#include "support/FakePlatform.h"

#include <QStringList>
#include <gtest/gtest.h>

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

} // namespace
