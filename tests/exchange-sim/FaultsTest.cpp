// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimFixture.h"

using namespace simtest;

namespace {

const char* const GRANTED = "02 00 00 00 00 FE 03";
const char* const DONE = "02 00 00 00 00 FE 01";
const char* const POLL = "02 00 00 00 00 FE 15 00 00 00 00";
const char* const POLL_ANSWER = "02 00 00 00 00 FE 02";
const char* const READ_DIRECTORY = "02 00 00 00 00 FE 10 FF FF 2D 20";

Bytes CaffeFrame()
{
    return exsim::BuildReply(3, TBL_DIRECTORY, CAFFE);
}

Bytes RossiFrame()
{
    return exsim::BuildReply(12, TBL_DIRECTORY, ROSSI);
}

TEST_F(SimTest, RefusalAnswersTheChosenCodeAndLeavesTheSessionWithoutAccess)
{
    for (std::uint16_t code = 0xFE30; code <= 0xFE33; ++code) {
        SCOPED_TRACE(code);
        exsim::Faults faults;
        faults.refuseAccess = code;
        sim.SetFaults(faults);
        auto client = Connect();
        client->Send(Hex("02 00 00 00 00 FE 29 00 00 00 00"));
        EXPECT_EQ(ToHex(client->ReadFrame()), ToHex(exsim::BuildReply(0, code)));
        client->Send(Hex(READ_DIRECTORY));
        EXPECT_EQ(ToHex(client->ReadFrame()), "02 00 00 00 00 FE 05");

        // Switched off at run time, the same session may ask again.
        sim.SetFaults({});
        client->Send(Hex("02 00 00 00 00 FE 29 00 00 00 00"));
        EXPECT_EQ(ToHex(client->ReadFrame()), GRANTED);
    }
}

TEST_F(SimTest, VersionTextIsServedInsteadOfTheStoredVersion)
{
    exsim::Faults faults;
    faults.versionText = "105";
    sim.SetFaults(faults);
    auto client = ConnectWithAccess();
    const Bytes version = Hex("02 00 04 05 00 27 18 31 30 35 00");
    client->Send(Hex("02 00 00 00 00 FE 11 05 00 27 18"));
    EXPECT_EQ(ToHex(client->Read(version.size() + 7)), ToHex(Concat({version, Hex(DONE)})));
    client->Send(RequestFrame(0xFE10, 0xFFFF, TBL_VERSION));
    EXPECT_EQ(ToHex(client->Read(version.size() + 7)), ToHex(Concat({version, Hex(DONE)})));
    EXPECT_EQ(sim.Record(TBL_VERSION, 0x0500), "3\0"s) << "the stored record is not touched";
}

TEST_F(SimTest, DroppedPollsFollowTheirCycle)
{
    // 'a' an answered poll, '-' one left unanswered.
    const struct {
        unsigned every;
        const char* pattern;
    } cases[] = {{0, "aaaaaa"}, {1, "------"}, {2, "-a-a-a"}, {3, "-aa-aa"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.every);
        exsim::Faults faults;
        faults.dropPolls = c.every;
        sim.SetFaults(faults);
        auto client = ConnectWithAccess();
        std::string pattern;
        for (int poll = 0; poll < 6; ++poll) {
            // A read of an absent record follows each poll: its ST_DONE marks where the poll's answer would be.
            client->Send(Concat({Hex(POLL), RequestFrame(0xFE11, 0, TBL_DIGITS)}));
            const Bytes first = client->ReadFrame();
            if (ToHex(first) == POLL_ANSWER) {
                pattern += 'a';
                EXPECT_EQ(ToHex(client->ReadFrame()), DONE);
            } else {
                pattern += '-';
                EXPECT_EQ(ToHex(first), DONE);
            }
        }
        EXPECT_EQ(pattern, c.pattern);
    }
}

TEST_F(SimTest, DelayHoldsBackEveryReply)
{
    auto client = ConnectWithAccess();
    exsim::Faults faults;
    faults.replyDelayMs = 600;
    sim.SetFaults(faults);
    client->Send(Hex(POLL));
    EXPECT_TRUE(client->QuietFor(200));
    EXPECT_EQ(ToHex(client->ReadFrame()), POLL_ANSWER);
}

TEST_F(SimTest, SplitBytesSendsEveryByteOnItsOwn)
{
    exsim::Faults faults;
    faults.splitBytes = true;
    faults.splitPauseMs = 20;
    sim.SetFaults(faults);
    auto client = Connect();
    client->Send(Hex("02 00 00 00 00 FE 29 00 00 00 00"));
    const std::vector<Bytes> chunks = client->ReadChunks(7);
    Bytes all;
    for (const Bytes& chunk : chunks) {
        EXPECT_EQ(chunk.size(), 1u);
        all.insert(all.end(), chunk.begin(), chunk.end());
    }
    EXPECT_EQ(ToHex(all), GRANTED);
}

TEST_F(SimTest, NoisePrecedesEveryFrame)
{
    auto client = ConnectWithAccess();
    exsim::Faults faults;
    faults.noise = true;
    sim.SetFaults(faults);
    const Bytes noise(std::begin(exsim::NOISE_BYTES), std::end(exsim::NOISE_BYTES));
    ASSERT_EQ(std::count(noise.begin(), noise.end(), 0x02), 0);
    const Bytes expected = Concat({noise, CaffeFrame(), noise, RossiFrame(), noise, Hex(DONE)});
    client->Send(Hex(READ_DIRECTORY));
    EXPECT_EQ(ToHex(client->Read(expected.size())), ToHex(expected));
    EXPECT_TRUE(client->QuietFor(50));
}

TEST_F(SimTest, OversizeFramePrecedesTheNextTableReadOnly)
{
    exsim::Faults faults;
    faults.oversize = true;
    sim.SetFaults(faults);
    auto client = ConnectWithAccess();
    client->Send(Hex(READ_DIRECTORY));
    const Bytes oversize = client->ReadFrame();
    ASSERT_EQ(oversize.size(), 7u + 5000u);
    EXPECT_EQ(ToHex(Bytes(oversize.begin(), oversize.begin() + 7)), "02 13 88 FF FE 2D 20");
    EXPECT_EQ(std::count(oversize.begin() + 7, oversize.end(), 0x02), 0) << "no false start byte inside";
    const Bytes rest = Concat({CaffeFrame(), RossiFrame(), Hex(DONE)});
    EXPECT_EQ(ToHex(client->Read(rest.size())), ToHex(rest));

    EXPECT_FALSE(sim.GetFaults().oversize);
    client->Send(Hex(READ_DIRECTORY));
    EXPECT_EQ(ToHex(client->Read(rest.size())), ToHex(rest));
}

TEST_F(SimTest, SilenceStopsATableReadAfterKDataFrames)
{
    // The fixture directory has two records; a poll after the read shows where the read stopped.
    const struct {
        unsigned after;
        Bytes reply;
    } cases[] = {
        {0, {}},
        {1, CaffeFrame()},
        {2, Concat({CaffeFrame(), RossiFrame()})},
        {3, Concat({CaffeFrame(), RossiFrame(), Hex(DONE)})},
    };
    auto client = ConnectWithAccess();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        exsim::Faults faults;
        faults.silenceAfter = c.after;
        sim.SetFaults(faults);
        client->Send(Concat({Hex(READ_DIRECTORY), Hex(POLL)}));
        const Bytes expected = Concat({c.reply, Hex(POLL_ANSWER)});
        EXPECT_EQ(ToHex(client->Read(expected.size())), ToHex(expected));
    }
}

TEST_F(SimTest, CutFrameStopsEveryReplyInsideItsFirstFrame)
{
    const auto cut = [](const Bytes& frame, std::size_t size) {
        return Bytes(frame.begin(), frame.begin() + std::ptrdiff_t(std::min(size, frame.size())));
    };
    const Bytes noise = Hex("00 FF 55 13 7E");
    const struct {
        unsigned after;
        bool noise;
    } cases[] = {{0, false}, {2, false}, {8, false}, {1000, false}, {1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        sim.SetFaults({});
        auto client = ConnectWithAccess();
        exsim::Faults faults;
        faults.cutFirstFrameAfter = c.after;
        faults.noise = c.noise;
        sim.SetFaults(faults);
        const Bytes before = c.noise ? noise : Bytes{};

        // Of the whole directory only part of its first record comes, not even the end of that record.
        client->Send(Hex(READ_DIRECTORY));
        EXPECT_EQ(ToHex(client->Read(1000, 300)), ToHex(Concat({before, cut(CaffeFrame(), c.after)})));
        // The session goes on, and the next reply is cut the same way.
        client->Send(Hex(POLL));
        EXPECT_EQ(ToHex(client->Read(1000, 300)), ToHex(Concat({before, cut(Hex(POLL_ANSWER), c.after)})));
    }
}

TEST_F(SimTest, CloseAfterEndsTheConnectionOnceNFramesWereSent)
{
    const struct {
        unsigned after;
        Bytes replyBeforeClose;
    } cases[] = {
        {0, {}},
        {1, Hex(GRANTED)},
        {3, Concat({Hex(GRANTED), CaffeFrame(), RossiFrame()})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        exsim::Faults faults;
        faults.closeAfter = c.after;
        sim.SetFaults(faults);
        auto client = Connect();
        client->Send(Concat({Hex("02 00 00 00 00 FE 29 00 00 00 00"), Hex(READ_DIRECTORY)}));
        Bytes received;
        EXPECT_TRUE(client->WaitClosed(received));
        EXPECT_EQ(ToHex(received), ToHex(c.replyBeforeClose));
    }
}

TEST_F(SimTest, CloseAfterRequestsEndsTheConnectionOnItsNthRequestUnanswered)
{
    // Sent in one batch: access, a write of short number 20, the directory read, a poll.
    const Bytes frames[] = {Hex("02 00 00 00 00 FE 29 00 00 00 00"), RequestFrame(0xFE12, 20, TBL_DIRECTORY, ROSSI),
                            Hex(READ_DIRECTORY), Hex(POLL)};
    const Bytes batch = Concat({frames[0], frames[1], frames[2], frames[3]});
    const struct {
        unsigned after;
        Bytes replyBeforeClose;
        bool written;
    } cases[] = {
        {1, {}, false},
        {2, Hex(GRANTED), false},
        {3, Hex(GRANTED), true},
        {4, Concat({Hex(GRANTED), CaffeFrame(), RossiFrame(), exsim::BuildReply(20, TBL_DIRECTORY, ROSSI), Hex(DONE)}),
         true},
    };
    // Each case on a connection of its own, after the earlier ones: the count starts again on each.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        sim.SetTables(FixtureTables());
        sim.ClearReceived();
        exsim::Faults faults;
        faults.closeAfterRequests = c.after;
        sim.SetFaults(faults);
        auto client = Connect();
        client->Send(batch);
        Bytes received;
        EXPECT_TRUE(client->WaitClosed(received));
        EXPECT_EQ(ToHex(received), ToHex(c.replyBeforeClose));
        // The Nth request is listed, though it had no effect; those behind it in the batch are not.
        const std::vector<exsim::Request> requests = sim.Received();
        ASSERT_EQ(requests.size(), c.after);
        EXPECT_EQ(ToHex(requests.back().raw), ToHex(frames[c.after - 1]));
        EXPECT_EQ(sim.Record(TBL_DIRECTORY, 20).has_value(), c.written);
    }
}

} // namespace
