// SPDX-License-Identifier: GPL-3.0-or-later
// Whole sessions of the program, one after another in one process, against the simulated exchange in the
// same process: connect and read a full directory, add, modify and delete an entry on line, disconnect,
// then save the list as read in both modes, each save connecting and disconnecting again. Every few
// sessions it prints the process's open descriptors, threads and resident memory; at the end it fails
// when descriptors or threads grew, or memory grew beyond a small allowance, after the first report
// (memory only without the address sanitizer). With --cli-reads each session is instead one read of
// the command-line program: a session of its own on a worker thread, the directory written to a CSV file.

#include "cli/ExchangeRuns.h"
#include "core/Application.h"
#include "core/ConnectCommand.h"
#include "core/DeleteEntriesCommand.h"
#include "core/EditEntryCommand.h"
#include "core/SaveCommand.h"
#include "core/SaveToExchangeDialog.h"
#include "directory/Directory.h"
#include "directory/Entry.h"
#include "link/Protocol.h"

#include "exchange-sim/ExchangeSim.h"
#include "exchange-sim/Protocol.h"

#include "OnlineProgram.h"

#include <QApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace tobrisk;

namespace {

// Numbers of the entry each session adds and then deletes, and of the one it modifies.
constexpr uint16_t ADDED = 5000;
constexpr uint16_t MODIFIED = 10;
constexpr long MEMORY_ALLOWANCE_KB = 8 * 1024;
#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's allocator holds freed blocks in quarantine and keeps caches of its own, so the
// resident memory creeps up whatever the program does; its leak check at exit stands in for the figure.
constexpr bool CHECK_MEMORY = false;
#else
constexpr bool CHECK_MEMORY = true;
#endif

struct Options {
    unsigned sessions = 500;
    unsigned every = 50;
    bool cliReads = false;
};

std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--cli-reads") {
            options.cliReads = true;
            continue;
        }
        unsigned* target = name == "--sessions" ? &options.sessions : name == "--every" ? &options.every : nullptr;
        char* end = nullptr;
        const unsigned long value = target && i + 1 < argc ? std::strtoul(argv[++i], &end, 10) : 0;
        if (!target || !end || *end != '\0' || value == 0 || value > 1000000)
            return std::nullopt;
        *target = unsigned(value);
    }
    return options;
}

struct Resources {
    long descriptors = 0;
    long threads = 0;
    long residentKb = 0;
};

long StatusField(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

long OpenDescriptors()
{
    long count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// A simulator thread that has just served its last request ends a moment later; what persists is the
// least of a few readings.
Resources Measure()
{
    Resources least{OpenDescriptors(), StatusField("Threads"), 0};
    for (int reading = 0; reading < 5; ++reading) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        least.descriptors = std::min(least.descriptors, OpenDescriptors());
        least.threads = std::min(least.threads, StatusField("Threads"));
    }
    least.residentKb = StatusField("VmRSS");
    return least;
}

// The delete command's question, answered as the user would.
class Confirm : public MessageBoxes {
public:
    MsgAnswer Show(const QString&, MsgButtons, MsgAnswer, MsgIcon) override { return MsgAnswer::Yes; }
};

class Soak {
public:
    Soak() : sim_(FullExchange()) {}

    bool Start(std::string& error)
    {
        if (!StartLoopbackSim(sim_, error))
            return false;
        if (!program_.Start()) {
            error = "the program did not start";
            return false;
        }
        return true;
    }

    // One session; false with `failure`.
    bool RunSession(unsigned session, std::string& failure)
    {
        Application& app = program_.App();
        Directory& directory = app.directory;
        if (program_.Connect(sim_.ProgrammingPort()) != ConnectOutcome::Connected ||
            directory.Count() != int(FULL_DIRECTORY_SIZE)) {
            failure = "connecting did not read the whole directory";
            return false;
        }

        const std::string modifiedName = "Modificato " + std::to_string(session);
        ApplyEntryEdit({std::nullopt, ADDED, "Aggiunto", "0299", 0x7FFF}, directory, &app.session.Protocol());
        ApplyEntryEdit({MODIFIED, MODIFIED, modifiedName, "0298", 0x7FFF}, directory, &app.session.Protocol());
        if (!directory.Contains(ADDED) || !RunDeleteEntries(directory, {ADDED}, confirm_, &app.session.Protocol())) {
            failure = "the added entry could not be deleted";
            return false;
        }
        std::vector<Entry> prepared;
        for (const Entry* entry : app.ListedEntries())
            prepared.push_back(*entry);
        if (!Disconnect(failure))
            return false;

        for (const SaveToExchangeDialog::Mode mode : {SaveToExchangeDialog::Overwrite, SaveToExchangeDialog::Update}) {
            for (const Entry& entry : prepared)
                directory.AddOrReplace(entry.shortNumber, entry.name, entry.phoneNumber, entry.lineSeizure);
            SaveToExchange(app.ExchangeContext(), mode, [this] { return program_.Connect(sim_.ProgrammingPort()); });
            if (!app.IsConnected() || directory.Count() != int(FULL_DIRECTORY_SIZE)) {
                failure = mode == SaveToExchangeDialog::Overwrite ? "the overwrite failed" : "the update failed";
                return false;
            }
            if (!Disconnect(failure))
                return false;
        }

        const exsim::Tables tables = sim_.GetTables();
        const auto& saved = tables.at(TBL_DIRECTORY);
        if (saved.size() != FULL_DIRECTORY_SIZE ||
            saved.at(MODIFIED) != exsim::DirectoryRecord(0x7FFF, "0298", modifiedName)) {
            failure = "the exchange does not hold what was saved";
            return false;
        }
        if (program_.MessagesShown() != 0) {
            failure = "a message was shown";
            return false;
        }
        // The simulator lists every request for tests to inspect, about a megabyte a session here; that is
        // not the program's memory.
        sim_.ClearReceived();
        return true;
    }

private:
    // Off line, once the exchange has taken every request of the connection: the next connection must
    // not read a directory that the last one is still writing.
    bool Disconnect(std::string& failure)
    {
        program_.App().Disconnect();
        if (!sim_.WaitForConnectionsClosed(sim_.ConnectionsAccepted(), 10000)) {
            failure = "the exchange did not see the connection close";
            return false;
        }
        return true;
    }

    exsim::ExchangeSim sim_;
    OnlineProgram program_;
    Confirm confirm_;
};

// The command-line program's read of one exchange, over and over, as `read NAME` runs it.
class CliSoak {
public:
    CliSoak() : sim_(FullExchange()) {}

    bool Start(std::string& error)
    {
        if (!StartLoopbackSim(sim_, error))
            return false;
        job_.entry.name = "Demo";
        job_.entry.lanAddress = 0x7F000001;
        job_.entry.lanBasePort = uint16_t(sim_.ProgrammingPort() - 8);
        job_.entry.preferredMode = MODE_ETHERNET_LAN;
        job_.csvPath = folder_.filePath(QStringLiteral("Demo.csv"));
        return true;
    }

    bool RunSession(unsigned, std::string& failure)
    {
        const std::vector<ReadRun> runs = ReadExchanges({job_}, 1, interrupted_, {});
        if (!runs.front().ok || runs.front().entries != int(FULL_DIRECTORY_SIZE)) {
            failure = "the read did not write the whole directory";
            return false;
        }
        if (!sim_.WaitForConnectionsClosed(sim_.ConnectionsAccepted(), 10000)) {
            failure = "the exchange did not see the connection close";
            return false;
        }
        sim_.ClearReceived();
        return true;
    }

private:
    exsim::ExchangeSim sim_;
    QTemporaryDir folder_;
    ReadJob job_;
    const std::atomic<bool> interrupted_{false};
};

void Print(unsigned session, const Resources& now)
{
    std::printf("after %4u sessions: %3ld descriptors, %3ld threads, %7ld kB resident\n", session, now.descriptors,
                now.threads, now.residentKb);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: soak_sessions [--sessions N] [--every K] [--cli-reads]\n"
                             "  N sessions (default 500), the resources printed after every K (default 50);\n"
                             "  --cli-reads: each session is one read of tobrisk-cli\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The saves keep copies of the directory among the data of the program: not among the user's.
    QTemporaryDir dataFolder;
    qputenv("XDG_DATA_HOME", dataFolder.path().toLocal8Bit());
    QApplication application(argc, argv);

    Soak soak;
    CliSoak cliSoak;
    std::string failure;
    if (options->cliReads ? !cliSoak.Start(failure) : !soak.Start(failure)) {
        std::fprintf(stderr, "soak_sessions: %s\n", failure.c_str());
        return 1;
    }
    const auto started = std::chrono::steady_clock::now();
    std::optional<Resources> warm;
    Resources last;
    for (unsigned session = 1; session <= options->sessions; ++session) {
        if (options->cliReads ? !cliSoak.RunSession(session, failure) : !soak.RunSession(session, failure)) {
            std::fprintf(stderr, "soak_sessions: session %u: %s\n", session, failure.c_str());
            return 1;
        }
        if (session % options->every == 0 || session == options->sessions) {
            last = Measure();
            Print(session, last);
            // The first report closes the warm-up: caches and pools have reached their size.
            if (!warm)
                warm = last;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%u sessions in %.1f s, %.0f ms each\n", options->sessions, seconds, 1e3 * seconds / options->sessions);

    bool flat = true;
    if (last.descriptors > warm->descriptors) {
        std::printf("descriptors grew from %ld to %ld\n", warm->descriptors, last.descriptors);
        flat = false;
    }
    if (last.threads > warm->threads) {
        std::printf("threads grew from %ld to %ld\n", warm->threads, last.threads);
        flat = false;
    }
    if (!CHECK_MEMORY) {
        std::printf("resident memory not checked under the address sanitizer\n");
    } else if (last.residentKb > warm->residentKb + MEMORY_ALLOWANCE_KB) {
        std::printf("resident memory grew from %ld kB to %ld kB, more than the %ld kB allowed\n", warm->residentKb,
                    last.residentKb, MEMORY_ALLOWANCE_KB);
        flat = false;
    }
    if (flat)
        std::printf(CHECK_MEMORY ? "descriptors, threads and memory stayed flat\n"
                                 : "descriptors and threads stayed flat\n");
    else
        std::printf("the soak failed\n");
    return flat ? 0 : 1;
}
