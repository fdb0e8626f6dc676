// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"
#include "ExchangeSim.h"
#include "SeedFile.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

std::mutex outputMutex;

void PrintLine(const std::string& line)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);

    std::lock_guard lock(outputMutex);
    std::printf("%s.%03d %s\n", stamp, static_cast<int>(millis), line.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    // Blocked before any thread starts, so every thread inherits the mask and only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    exsim::CommandLine options;
    std::string error;
    if (!exsim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "exchange-sim: %s\nTry exchange-sim --help\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(exsim::HelpText().c_str(), stdout);
        return 0;
    }

    if (options.stopWithParent) {
        // The parent's end arrives as SIGTERM, which the wait below takes like any other stop; a parent
        // that ended before this was set up is noticed by its changed process id.
        const pid_t parent = getppid();
        if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent)
            raise(SIGTERM);
    }

    exsim::Tables tables = exsim::DefaultTables();
    if (!options.seedFile.empty()) {
        auto loaded = exsim::LoadSeedFile(options.seedFile, error);
        if (!loaded) {
            std::fprintf(stderr, "exchange-sim: %s\n", error.c_str());
            return 1;
        }
        tables = std::move(*loaded);
    }

    exsim::ExchangeSim sim(std::move(tables));
    sim.SetLogger(PrintLine);
    sim.SetSaveFile(options.saveFile);
    sim.SetFaults(options.faults);
    if (!sim.Start(options.start, error)) {
        std::fprintf(stderr, "exchange-sim: %s\n", error.c_str());
        return 1;
    }

    std::string listening = "exchange-sim listening on " + options.start.bindAddress + " programming port " +
                            std::to_string(sim.ProgrammingPort());
    if (options.start.pppoeDevice)
        listening += " pppoe port " + std::to_string(sim.PppoePort());
    {
        std::lock_guard lock(outputMutex);
        std::printf("%s\n", listening.c_str());
        std::fflush(stdout);
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    PrintLine(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
    sim.Stop();
    return 0;
}
