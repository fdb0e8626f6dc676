// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OnlineProgram.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <utility>

using namespace tobrisk;

// Processor time of the whole process so far, every thread counted.
double ProcessCpuSeconds();

// What a piece of work cost: the whole process's processor time (the simulator's threads included) and
// the wall time.
struct Cost {
    double cpuSeconds = 0;
    double wallSeconds = 0;

    Cost& operator+=(const Cost& more)
    {
        cpuSeconds += more.cpuSeconds;
        wallSeconds += more.wallSeconds;
        return *this;
    }
};

template <typename Work> Cost MeasureCost(Work&& work)
{
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    std::forward<Work>(work)();
    return {ProcessCpuSeconds() - cpuBefore,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count()};
}

// The cost as counters: milliseconds of processor and wall time, and the share of one core.
void ReportCost(benchmark::State& state, const Cost& cost);
