// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimFixture.h"

#include <thread>

using namespace simtest;
using exsim::Port;

namespace {

struct Step {
    const char* what;
    const char* request;
    const char* reply; // every byte that must come back, in order; nothing else may
};

// The example frames of the protocol, played against the fixture exchange in one session.
const Step exampleSession[] = {
    {"request access", "02 00 00 00 00 FE 29 00 00 00 00", "02 00 00 00 00 FE 03"},
    {"read the version", "02 00 00 00 00 FE 11 05 00 27 18", "02 00 02 05 00 27 18 33 00  02 00 00 00 00 FE 01"},
    {"read the directory", "02 00 00 00 00 FE 10 FF FF 2D 20",
     "02 00 12 00 03 2D 20 33 30 31 00 30 00 30 31 20 32 33 00 43 61 66 66 E8 00 "
     "02 00 18 00 0C 2D 20 37 66 66 66 00 30 00 30 32 31 32 33 34 35 36 37 38 00 52 6F 73 73 69 00 "
     "02 00 00 00 00 FE 01"},
    {"write the number of digits 3", "02 00 02 00 00 FE 12 00 00 2D 10 33 00", ""},
    {"read it back", "02 00 00 00 00 FE 11 00 00 2D 10", "02 00 02 00 00 2D 10 33 00  02 00 00 00 00 FE 01"},
    {"delete short number 12", "02 00 00 00 00 FE 13 00 0C 2D 20", ""},
    {"read the deleted record", "02 00 00 00 00 FE 11 00 0C 2D 20", "02 00 00 00 00 FE 01"},
    {"read a table without records", "02 00 00 00 00 FE 10 FF FF 23 01", "02 00 00 00 00 FE 01"},
    {"poll", "02 00 00 00 00 FE 15 00 00 00 00", "02 00 00 00 00 FE 02"},
    {"release", "02 00 0B 00 00 FF 32 00 00 00 00", ""},
};

TEST_F(SimTest, ExampleFramesGetByteExactAnswersAndChangeTheTables)
{
    auto client = Connect();
    for (const Step& step : exampleSession) {
        SCOPED_TRACE(step.what);
        client->Send(Hex(step.request));
        const Bytes expected = Hex(step.reply);
        EXPECT_EQ(ToHex(client->Read(expected.size())), ToHex(expected));
    }
    Bytes extra;
    EXPECT_TRUE(client->WaitClosed(extra)) << "the release ends the session";
    EXPECT_EQ(ToHex(extra), "") << "writes, deletes and the release are not answered";

    EXPECT_EQ(sim.Record(TBL_DIGITS, 0), "3\0"s);
    EXPECT_EQ(sim.Record(TBL_DIRECTORY, 12), std::nullopt);
    EXPECT_EQ(sim.Record(TBL_DIRECTORY, 3), CAFFE);

    const std::vector<exsim::Request> received = sim.Received();
    ASSERT_EQ(received.size(), std::size(exampleSession));
    for (std::size_t i = 0; i < received.size(); ++i)
        EXPECT_EQ(ToHex(received[i].raw), ToHex(Hex(exampleSession[i].request))) << exampleSession[i].what;
    const exsim::Request& write = received[3];
    EXPECT_EQ(write.command, 0xFE12);
    EXPECT_EQ(write.index, 0);
    EXPECT_EQ(write.table, TBL_DIGITS);
    EXPECT_EQ(write.payload, "3\0"s);
    EXPECT_EQ(received[2].index, 0xFFFF);
    EXPECT_EQ(received[9].command, 0xFF32);
    EXPECT_EQ(received[9].payload, "") << "the release's length field is not a payload length";
}

TEST_F(SimTest, WithoutAccessOnlyPollsAreServed)
{
    auto client = Connect();
    const Bytes ignored = Hex("02 00 00 00 00 FE 05");
    const Bytes requests[] = {
        RequestFrame(0xFE10, 0xFFFF, TBL_DIRECTORY),
        RequestFrame(0xFE11, 12, TBL_DIRECTORY),
        RequestFrame(0xFE12, 40, TBL_DIRECTORY, Fields({"0", "0", "1", "X"})),
        RequestFrame(0xFE13, 12, TBL_DIRECTORY),
    };
    for (const Bytes& request : requests) {
        client->Send(request);
        EXPECT_EQ(ToHex(client->ReadFrame()), ToHex(ignored));
    }
    client->Send(Hex("02 00 00 00 00 FE 15 00 00 00 00"));
    EXPECT_EQ(ToHex(client->ReadFrame()), "02 00 00 00 00 FE 02");
    EXPECT_EQ(sim.GetTables(), FixtureTables());

    // Access belongs to one connection: a new session starts without it.
    client = ConnectWithAccess();
    client = Connect();
    client->Send(requests[0]);
    EXPECT_EQ(ToHex(client->ReadFrame()), ToHex(ignored));
}

TEST_F(SimTest, UnknownCommandsAreAnsweredIgnored)
{
    auto client = ConnectWithAccess();
    client->Send(RequestFrame(0xFE20, 1, 2));
    EXPECT_EQ(ToHex(client->ReadFrame()), "02 00 00 00 00 FE 05");
    EXPECT_EQ(sim.Received().back().command, 0xFE20);
}

TEST_F(SimTest, RequestsArrivingSplitOrGluedAreAllAnswered)
{
    auto client = ConnectWithAccess();
    // A write, a read and a poll in one send.
    client->Send(Concat({RequestFrame(0xFE12, 7, TBL_DIRECTORY, ROSSI), RequestFrame(0xFE11, 7, TBL_DIRECTORY),
                         Hex("02 00 00 00 00 FE 15 00 00 00 00")}));
    EXPECT_EQ(ToHex(client->Read(7 + ROSSI.size() + 7 + 7)),
              ToHex(Concat({exsim::BuildReply(7, TBL_DIRECTORY, ROSSI), Hex("02 00 00 00 00 FE 01"),
                            Hex("02 00 00 00 00 FE 02")})));

    // A write sent one byte at a time.
    for (std::uint8_t byte : RequestFrame(0xFE12, 8, TBL_DIRECTORY, CAFFE)) {
        client->Send({byte});
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(sim.WaitForRequests(5, 3000));
    EXPECT_EQ(sim.Record(TBL_DIRECTORY, 8), CAFFE);
}

TEST_F(SimTest, MalformedBytesAreSkippedAndTheSessionGoesOn)
{
    auto client = ConnectWithAccess();
    // Noise, a header whose bytes 3-4 are not zero, and a length no request has: none is a request.
    client->Send(Hex("FF 00 13  02 00 00 12 34 FE 15 00 00 00 00  02 FF FF 00 00 FE 12 00 01 2D 20"));
    client->Send(Hex("02 00 00 00 00 FE 15 00 00 00 00"));
    EXPECT_EQ(ToHex(client->ReadFrame()), "02 00 00 00 00 FE 02");
    ASSERT_EQ(sim.Received().size(), 2u);
    EXPECT_EQ(sim.Received().back().command, 0xFE15);

    // A request cut short by the client's close is dropped; the next connection is served.
    client->Send(Hex("02 00 04 00 00 FE 12 00 05 2D 20 37"));
    client.reset();
    ASSERT_TRUE(sim.WaitForConnectionsClosed(1, 3000));
    client = Connect();
    client->Send(Hex("02 00 00 00 00 FE 15 00 00 00 00"));
    EXPECT_EQ(ToHex(client->ReadFrame()), "02 00 00 00 00 FE 02");
    EXPECT_EQ(sim.Record(TBL_DIRECTORY, 5), std::nullopt);
}

TEST_F(SimTest, SessionsFollowOneAnotherAndAreCounted)
{
    for (int session = 0; session < 3; ++session) {
        auto client = ConnectWithAccess();
        client->Send(Hex("02 00 0B 00 00 FF 32 00 00 00 00"));
        Bytes extra;
        EXPECT_TRUE(client->WaitClosed(extra));
    }
    // A client that just goes away ends its session too.
    Connect().reset();
    EXPECT_TRUE(sim.WaitForConnectionsClosed(4, 3000));
    EXPECT_EQ(sim.ConnectionsAccepted(), 4u);
    EXPECT_EQ(sim.ConnectionsClosed(), 4u);
    EXPECT_EQ(sim.ConnectionsAccepted(Port::Pppoe), 0u);
}

TEST_F(SimTest, TwoConnectionsAtOnceAreBothServed)
{
    auto first = ConnectWithAccess();
    auto second = ConnectWithAccess();
    second->Send(Hex("02 00 00 00 00 FE 15 00 00 00 00"));
    first->Send(Hex("02 00 00 00 00 FE 15 00 00 00 00"));
    EXPECT_EQ(ToHex(first->ReadFrame()), "02 00 00 00 00 FE 02");
    EXPECT_EQ(ToHex(second->ReadFrame()), "02 00 00 00 00 FE 02");
}

TEST_F(SimTest, StopClosesClientsAndKeepsWhatWasReceived)
{
    auto client = ConnectWithAccess();
    auto device = Connect(Port::Pppoe);
    sim.Stop();
    Bytes extra;
    EXPECT_TRUE(client->WaitClosed(extra));
    EXPECT_TRUE(device->WaitClosed(extra));
    EXPECT_EQ(sim.Received().size(), 1u);
    EXPECT_EQ(sim.ConnectionsClosed(), 1u);
}

TEST_F(SimTest, RecordsCanBeSetAndClearedThroughTheApi)
{
    EXPECT_TRUE(sim.SetRecord(0x1234, 0xFFFE, "any\0data"s));
    EXPECT_TRUE(sim.ClearRecord(TBL_DIRECTORY, 3));
    EXPECT_FALSE(sim.ClearRecord(TBL_DIRECTORY, 3));
    EXPECT_FALSE(sim.SetRecord(0x1234, 1, std::string(0x10000, 'x'))) << "longer than a reply's length field";

    auto client = ConnectWithAccess();
    client->Send(RequestFrame(0xFE10, 0xFFFF, 0x1234));
    EXPECT_EQ(ToHex(client->ReadFrame()), "02 00 08 FF FE 12 34 61 6E 79 00 64 61 74 61");
    EXPECT_EQ(ToHex(client->ReadFrame()), "02 00 00 00 00 FE 01");
    client->Send(RequestFrame(0xFE10, 0xFFFF, TBL_DIRECTORY));
    EXPECT_EQ(ToHex(client->ReadFrame()), ToHex(exsim::BuildReply(12, TBL_DIRECTORY, ROSSI)));

    sim.ClearTable(TBL_DIRECTORY);
    EXPECT_EQ(sim.GetTables().count(TBL_DIRECTORY), 0u);
}

} // namespace
