// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange-sim/CommandLine.h"

#include <functional>
#include <gtest/gtest.h>

using exsim::CommandLine;

namespace {

CommandLine Defaults()
{
    CommandLine options;
    options.start.programmingPort = exsim::DEFAULT_PROGRAMMING_PORT;
    options.start.pppoeDevice = false;
    return options;
}

TEST(CommandLine, EveryOptionSetsItsField)
{
    const struct {
        std::vector<std::string> args;
        std::function<void(CommandLine&)> expect;
    } cases[] = {
        {{}, [](CommandLine&) {}},
        {{"--port", "0"}, [](CommandLine& o) { o.start.programmingPort = 0; }},
        {{"--pppoe-port=40001"},
         [](CommandLine& o) {
             o.start.pppoeDevice = true;
             o.start.pppoePort = 40001;
         }},
        {{"--bind", "0.0.0.0"}, [](CommandLine& o) { o.start.bindAddress = "0.0.0.0"; }},
        {{"--seed", "a.seed", "--save", "b.seed"},
         [](CommandLine& o) {
             o.seedFile = "a.seed";
             o.saveFile = "b.seed";
         }},
        {{"--refuse-access", "FE31"}, [](CommandLine& o) { o.faults.refuseAccess = 0xFE31; }},
        {{"--refuse-access=0xfe33"}, [](CommandLine& o) { o.faults.refuseAccess = 0xFE33; }},
        {{"--version-text", "6"}, [](CommandLine& o) { o.faults.versionText = "6"; }},
        {{"--drop-polls", "2"}, [](CommandLine& o) { o.faults.dropPolls = 2; }},
        {{"--delay", "1500"}, [](CommandLine& o) { o.faults.replyDelayMs = 1500; }},
        {{"--split-bytes", "--split-pause", "7"},
         [](CommandLine& o) {
             o.faults.splitBytes = true;
             o.faults.splitPauseMs = 7;
         }},
        {{"--noise"}, [](CommandLine& o) { o.faults.noise = true; }},
        {{"--oversize"}, [](CommandLine& o) { o.faults.oversize = true; }},
        {{"--silence-after", "0"}, [](CommandLine& o) { o.faults.silenceAfter = 0; }},
        {{"--close-after", "4"}, [](CommandLine& o) { o.faults.closeAfter = 4; }},
        {{"--close-after-requests", "9"}, [](CommandLine& o) { o.faults.closeAfterRequests = 9; }},
        {{"--cut-frame", "2"}, [](CommandLine& o) { o.faults.cutFirstFrameAfter = 2; }},
        {{"--dial-result", "0x4002"}, [](CommandLine& o) { o.faults.dialResult = 0x4002; }},
        {{"--dial-delay", "0"}, [](CommandLine& o) { o.faults.dialDelayMs = 0; }},
        {{"--no-dial-answer"}, [](CommandLine& o) { o.faults.dialAnswer = false; }},
        {{"-h"}, [](CommandLine& o) { o.help = true; }},
        {{"--stop-with-parent"}, [](CommandLine& o) { o.stopWithParent = true; }},
    };
    for (const auto& c : cases) {
        CommandLine expected = Defaults();
        c.expect(expected);
        CommandLine parsed;
        std::string error;
        EXPECT_TRUE(exsim::ParseCommandLine(c.args, parsed, error)) << error;
        EXPECT_TRUE(parsed == expected) << (c.args.empty() ? "(none)" : c.args[0]);
    }
}

TEST(CommandLine, BadArgumentsAreRefused)
{
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--colour"}, "unknown option --colour"},
        {{"--port"}, "--port needs a value"},
        {{"--port", "65536"}, "--port: not a number from 0 to 65535: 65536"},
        {{"--delay", "-1"}, "--delay: not a number from 0 to 600000: -1"},
        {{"--refuse-access", "FE34"}, "--refuse-access: a refusal code from FE30 to FE33: FE34"},
        {{"--refuse-access", "FE05"}, "--refuse-access: a refusal code from FE30 to FE33: FE05"},
        {{"--drop-polls", "0"}, "--drop-polls: N must be at least 1"},
        {{"--close-after-requests", "0"}, "--close-after-requests: N must be at least 1"},
        {{"--noise=1"}, "--noise takes no value"},
    };
    for (const auto& c : cases) {
        CommandLine parsed;
        std::string error;
        EXPECT_FALSE(exsim::ParseCommandLine(c.args, parsed, error)) << c.args[0];
        EXPECT_EQ(error, c.error);
    }
}

} // namespace
