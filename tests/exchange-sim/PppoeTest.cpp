// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimFixture.h"

using namespace simtest;
using exsim::Port;

namespace {

// CMD_DIAL for 0212345678: the number and its NUL, length 11.
const char* const DIAL = "02 00 0B 00 00 FF 31 00 00 00 00 30 32 31 32 33 34 35 36 37 38 00";
const char* const RELEASE = "02 00 0B 00 00 FF 32 00 00 00 00";

TEST_F(SimTest, DialIsAnsweredWithTheResultLowByteFirst)
{
    const struct {
        std::uint16_t result;
        const char* reply;
    } cases[] = {
        {0, "02 00 00 00 00 FF 4B"},
        {5, "02 00 00 05 00 FF 4B"},
        {0x1234, "02 00 00 34 12 FF 4B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        exsim::Faults faults;
        faults.dialResult = c.result;
        faults.dialDelayMs = 0;
        sim.SetFaults(faults);
        auto device = Connect(Port::Pppoe);
        device->Send(Hex(DIAL));
        EXPECT_EQ(ToHex(device->ReadFrame()), c.reply);
    }
    const std::vector<exsim::Request> received = sim.Received(Port::Pppoe);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].command, 0xFF31);
    EXPECT_EQ(received[0].payload, "0212345678\0"s);
    EXPECT_EQ(ToHex(received[0].raw), ToHex(Hex(DIAL)));
    EXPECT_TRUE(sim.Received(Port::Programming).empty());
}

TEST_F(SimTest, DialAnswerComesAfterTheDialDelay)
{
    exsim::Faults faults;
    faults.dialDelayMs = 600;
    sim.SetFaults(faults);
    auto device = Connect(Port::Pppoe);
    device->Send(Hex(DIAL));
    EXPECT_TRUE(device->QuietFor(200));
    EXPECT_EQ(ToHex(device->ReadFrame()), "02 00 00 00 00 FF 4B");
}

TEST_F(SimTest, DeviceThatDoesNotAnswerStillTakesTheRelease)
{
    exsim::Faults faults;
    faults.dialAnswer = false;
    faults.dialDelayMs = 0;
    sim.SetFaults(faults);
    auto device = Connect(Port::Pppoe);
    device->Send(Concat({Hex(DIAL), Hex(RELEASE)}));
    Bytes extra;
    EXPECT_TRUE(device->WaitClosed(extra)) << "the release ends the device's session";
    EXPECT_EQ(ToHex(extra), "");
    ASSERT_TRUE(sim.WaitForRequests(2, 3000, Port::Pppoe));
    EXPECT_EQ(sim.Received(Port::Pppoe)[1].command, 0xFF32);
    EXPECT_EQ(sim.ConnectionsClosed(Port::Pppoe), 1u);
}

TEST_F(SimTest, TransportFaultsReachTheDevicePortToo)
{
    exsim::Faults faults;
    faults.dialDelayMs = 0;
    faults.noise = true;
    faults.closeAfter = 1;
    sim.SetFaults(faults);
    auto device = Connect(Port::Pppoe);
    device->Send(Hex(DIAL));
    Bytes received;
    EXPECT_TRUE(device->WaitClosed(received));
    const Bytes noise(std::begin(exsim::NOISE_BYTES), std::end(exsim::NOISE_BYTES));
    EXPECT_EQ(ToHex(received), ToHex(Concat({noise, Hex("02 00 00 00 00 FF 4B")})));
}

} // namespace
