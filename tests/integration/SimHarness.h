// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/ExchangeProtocol.h"

#include "exchange-sim/ExchangeSim.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <string>

using namespace tobrisk;

inline constexpr uint32_t LOOPBACK = 0x7F000001;

// The simulated exchange on 127.0.0.1 with ephemeral ports, without the PPPoE device.
inline void StartLoopbackSim(exsim::ExchangeSim& sim)
{
    std::string error;
    exsim::StartOptions options;
    options.pppoeDevice = false;
    ASSERT_TRUE(sim.Start(options, error)) << error;
}

// A wait that never ends fails the test instead of blocking the suite.
class WaitGuard {
public:
    explicit WaitGuard(ExchangeProtocol& protocol)
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this, &protocol] {
            fired_ = true;
            protocol.AbortWaits();
        });
    }

    void Start() { timer_.start(30000); }
    bool Fired() const { return fired_; }

private:
    QTimer timer_;
    bool fired_ = false;
};
