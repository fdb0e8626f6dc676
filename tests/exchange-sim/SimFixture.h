// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SimClient.h"
#include "exchange-sim/ExchangeSim.h"

#include <gtest/gtest.h>
#include <memory>

namespace simtest {

using namespace std::string_literals;

inline constexpr std::uint16_t TBL_DIRECTORY = 0x2D20;
inline constexpr std::uint16_t TBL_ROUTING = 0x2301;
inline constexpr std::uint16_t TBL_DIGITS = 0x2D10;
inline constexpr std::uint16_t TBL_VERSION = 0x2718;

// Texts each followed by its NUL, as records and payloads carry them.
inline std::string Fields(std::initializer_list<std::string_view> fields)
{
    std::string data;
    for (std::string_view field : fields)
        (data += field) += '\0';
    return data;
}

// The protocol's own example record: seizure 7fff, number 0212345678, name Rossi (24 bytes).
inline const std::string ROSSI = Fields({"7fff", "0", "0212345678", "Rossi"});
inline const std::string CAFFE = Fields({"301", "0", "01 23", "Caff\xE8"});

// A tiny exchange whose every byte the tests know.
inline exsim::Tables FixtureTables()
{
    exsim::Tables tables;
    tables[TBL_VERSION][0x0500] = "3\0"s;
    tables[TBL_DIRECTORY][3] = CAFFE;
    tables[TBL_DIRECTORY][12] = ROSSI;
    return tables;
}

// A simulator on ephemeral ports, started for each test and stopped with it.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(sim.Start({}, error)) << error;
    }

    std::unique_ptr<SimClient> Connect(exsim::Port port = exsim::Port::Programming)
    {
        auto client =
            std::make_unique<SimClient>(port == exsim::Port::Programming ? sim.ProgrammingPort() : sim.PppoePort());
        EXPECT_TRUE(client->Connected());
        return client;
    }

    // Connects and obtains programming access.
    std::unique_ptr<SimClient> ConnectWithAccess()
    {
        auto client = Connect();
        client->Send(Hex("02 00 00 00 00 FE 29 00 00 00 00"));
        EXPECT_EQ(ToHex(client->ReadFrame()), "02 00 00 00 00 FE 03");
        return client;
    }

    exsim::ExchangeSim sim{FixtureTables()};
};

} // namespace simtest
