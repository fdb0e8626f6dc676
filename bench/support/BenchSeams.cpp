// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSeams.h"

#include <ctime>

using namespace tobrisk;

double ProcessCpuSeconds()
{
    // Every thread counted, ended ones too, to the nanosecond.
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void ReportCost(benchmark::State& state, const Cost& cost)
{
    state.counters["cpu_ms"] = cost.cpuSeconds * 1e3;
    state.counters["wall_ms"] = cost.wallSeconds * 1e3;
    state.counters["cpu_pct_of_core"] = cost.wallSeconds > 0 ? 100 * cost.cpuSeconds / cost.wallSeconds : 0;
}
