// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exchange-sim/ExchangeSim.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

// A loopback address of its own for each simulator that must listen on the fixed port 40008, so that
// neither the tests of one program nor programs running side by side meet.
inline std::string OwnLoopbackAddress()
{
    static int next = 0;
    next = next % 254 + 1;
    return "127." + std::to_string(1 + ::getpid() % 250) + "." + std::to_string(next) + ".1";
}

// The simulated exchange on this address; port 0 takes an ephemeral port.
inline void StartSimAt(exsim::ExchangeSim& sim, uint16_t programmingPort = 0, const std::string& address = "127.0.0.1")
{
    exsim::StartOptions options;
    options.bindAddress = address;
    options.programmingPort = programmingPort;
    std::string error;
    ASSERT_TRUE(sim.Start(options, error)) << error;
}
