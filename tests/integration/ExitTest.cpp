// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/MainWindow.h"
#include "directory/DirectoryView.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"
#include "support/FakePlatform.h"

#include "OnlineFixture.h"

#include <QAction>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

using namespace tobrisk;

namespace {

struct LeaveCase {
    const char* what;
    std::function<void(Application&)> leave;
    // Exit runs after the main window has gone; the Disconnetti command leaves it open.
    bool windowStays;
};

void PrintTo(const LeaveCase& leaveCase, std::ostream* out)
{
    *out << leaveCase.what;
}

// The whole program connected to the simulated exchange, the programming socket owned by the main
// frame as a connection leaves it.
class ExitTest : public OnlineFixture, public ::testing::WithParamInterface<LeaveCase> {
protected:
    ExitTest() : OnlineFixture(exsim::DefaultTables()) {}

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(OnlineFixture::SetUp());
        ASSERT_NO_FATAL_FAILURE(OpenLink());
        app.UpdateCommandUi();
        // Only the frame hands the replies on to the protocol.
        ASSERT_TRUE(app.session.Protocol().RequestAccess());
        ASSERT_TRUE(app.session.Protocol().ReadTable(TBL_DIRECTORY));
        ASSERT_GT(app.session.Memory().Count(), 0u);
        app.directory.AddOrReplace(1, "Rossi Mario", "0212345678", 0x7FFF);
        app.directory.AddOrReplace(42, "Caff\xE8 Centrale", "0456789012", 0x0000);
        app.View()->SelectLastRow();
    }
};

TEST_P(ExitTest, ReleaseIsTheLastRequestTheExchangeReceives)
{
    GetParam().leave(app);

    // The exchange ends the session on the release; the program sends nothing after it.
    ASSERT_TRUE(sim.WaitForConnectionsClosed(1, 5000));
    const std::vector<exsim::Request> received = sim.Received();
    std::vector<uint16_t> commands;
    for (const exsim::Request& request : received)
        commands.push_back(request.command);
    EXPECT_EQ(commands, (std::vector<uint16_t>{CMD_REQUEST_ACCESS, CMD_READ_TABLE, CMD_RELEASE}));
    EXPECT_EQ(received.back().raw, exsim::Bytes({0x02, 0x00, 0x0B, 0x00, 0x00, 0xFF, 0x32, 0x00, 0x00, 0x00, 0x00}));

    EXPECT_FALSE(app.IsConnected());
    EXPECT_FALSE(app.session.Link().programmingSocket);
    EXPECT_EQ(app.session.Memory().Count(), 0u);
    if (GetParam().windowStays) {
        ASSERT_NE(app.View(), nullptr);
        EXPECT_EQ(app.directory.Count(), 0);
        EXPECT_EQ(app.View()->Model().rowCount(), 0);
        EXPECT_TRUE(app.Window()->Action(ID_CONNECT)->isEnabled());
        EXPECT_FALSE(app.Window()->Action(ID_DISCONNECT)->isEnabled());
    } else {
        EXPECT_EQ(app.Window(), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    LeaveBy, ExitTest,
    ::testing::Values(LeaveCase{"Esci", [](Application& app) { app.Exit(); }, false},
                      LeaveCase{"Disconnetti", [](Application& app) { app.OnCommand(ID_DISCONNECT); }, true}),
    [](const ::testing::TestParamInfo<LeaveCase>& param) { return std::string(param.param.what); });

} // namespace
