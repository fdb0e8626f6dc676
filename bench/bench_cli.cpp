// SPDX-License-Identifier: GPL-3.0-or-later
// tobrisk-cli's reads at scale: 50 simulated exchanges of 2000 entries read with 1, 2, 4 and 8 jobs, each
// against the time of one read times the rounds it needs; and one read of an exchange against the same
// requests on a plain blocking socket.

#include "cli/ExchangeRuns.h"
#include "link/Protocol.h"
#include "link/RecordFormats.h"

#include "exchange-sim/ExchangeSim.h"

#include "BenchMain.h"
#include "BenchSeams.h"
#include "PlainReader.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace tobrisk;

namespace {

constexpr int EXCHANGES = 50;

ReadJob JobFor(const exsim::ExchangeSim& sim, const QTemporaryDir& folder, int number)
{
    ConnectionEntry entry;
    entry.name = "Centralino " + std::to_string(number);
    entry.lanAddress = 0x7F000001;
    entry.lanBasePort = uint16_t(sim.ProgrammingPort() - 8);
    entry.preferredMode = MODE_ETHERNET_LAN;
    return ReadJob{entry, folder.filePath(QStringLiteral("%1.csv").arg(number))};
}

// What the command sends for one exchange, on a plain socket that keeps nothing: access, version, digits,
// prefix, the three tables, the release.
bool PlainReadOfAnExchange(uint16_t port)
{
    PlainReader plain;
    const auto ask = [&](const std::vector<uint8_t>& request, uint16_t last) {
        return plain.Send(request) && plain.FramesUntil(last) > 0;
    };
    return plain.Connect(port) && ask(BuildRequest(CMD_REQUEST_ACCESS), ST_GRANTED) &&
           ask(BuildRequest(CMD_READ_RECORD, VERSION_INDEX, TBL_VERSION), ST_DONE) &&
           ask(BuildRequest(CMD_READ_RECORD, 0, TBL_DIGITS), ST_DONE) &&
           ask(BuildRequest(CMD_READ_RECORD, PREFIX_INDEX, TBL_PREFIX), ST_DONE) &&
           ask(BuildRequest(CMD_READ_TABLE, ALL_RECORDS, TBL_DIRECTORY), ST_DONE) &&
           ask(BuildRequest(CMD_READ_TABLE, ALL_RECORDS, TBL_ROUTING), ST_DONE) &&
           ask(BuildRequest(CMD_READ_TABLE, ALL_RECORDS, TBL_URBAN_LINE), ST_DONE) &&
           plain.Send(BuildRequest(CMD_RELEASE));
}

// One exchange through the command's read (CSV file included) and on the plain socket, in alternation.
void BM_SingleRead(benchmark::State& state)
{
    exsim::ExchangeSim sim(FullExchange());
    std::string error;
    QTemporaryDir folder;
    if (!StartLoopbackSim(sim, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const ReadJob job = JobFor(sim, folder, 0);
    const std::atomic<bool> interrupted{false};
    Cost command;
    Cost plain;
    for (auto _ : state) {
        bool ok = false;
        command += MeasureCost([&] { ok = ReadOneExchange(job, interrupted).entries == int(FULL_DIRECTORY_SIZE); });
        plain += MeasureCost([&] { ok = PlainReadOfAnExchange(sim.ProgrammingPort()) && ok; });
        if (!ok) {
            state.SkipWithError("a read did not end with the whole directory");
            break;
        }
    }
    const auto perRead = [](double sum) { return benchmark::Counter(sum, benchmark::Counter::kAvgIterations); };
    state.counters["command_ms"] = perRead(command.wallSeconds * 1e3);
    state.counters["plain_ms"] = perRead(plain.wallSeconds * 1e3);
    state.counters["ratio"] = plain.wallSeconds > 0 ? command.wallSeconds / plain.wallSeconds : 0;
    state.counters["command_cpu_ms"] = perRead(command.cpuSeconds * 1e3);
    state.counters["plain_cpu_ms"] = perRead(plain.cpuSeconds * 1e3);
}
BENCHMARK(BM_SingleRead)->UseRealTime()->Unit(benchmark::kMillisecond);

// Every one of the 50 exchanges read by ReadExchanges with state.range(0) jobs; the ideal is one read, timed
// alone on the same simulators first, times the rounds the jobs need. The processor is the limit once the
// jobs outnumber the cores: cpu_ms against wall_ms shows when.
void BM_ReadManyExchanges(benchmark::State& state)
{
    std::vector<std::unique_ptr<exsim::ExchangeSim>> sims;
    std::vector<ReadJob> jobs;
    QTemporaryDir folder;
    for (int number = 0; number < EXCHANGES; ++number) {
        sims.push_back(std::make_unique<exsim::ExchangeSim>(FullExchange()));
        std::string error;
        if (!StartLoopbackSim(*sims.back(), error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        jobs.push_back(JobFor(*sims.back(), folder, number));
    }
    const std::atomic<bool> interrupted{false};
    // After one read to warm up, the mean of a few, so one slow moment does not set the ideal.
    constexpr int SINGLE_READS = 5;
    ReadOneExchange(jobs.front(), interrupted);
    Cost single;
    for (int read = 0; read < SINGLE_READS; ++read)
        single += MeasureCost([&] { ReadOneExchange(jobs[size_t(read)], interrupted); });
    single.wallSeconds /= SINGLE_READS;
    const int parallel = int(state.range(0));
    const double rounds = std::ceil(double(EXCHANGES) / parallel);
    Cost all;
    for (auto _ : state) {
        bool ok = true;
        all += MeasureCost([&] {
            for (const ReadRun& run : ReadExchanges(jobs, parallel, interrupted, {}))
                ok = ok && run.ok;
        });
        if (!ok) {
            state.SkipWithError("an exchange was not read");
            break;
        }
    }
    const auto perRun = [](double sum) { return benchmark::Counter(sum, benchmark::Counter::kAvgIterations); };
    state.counters["wall_ms"] = perRun(all.wallSeconds * 1e3);
    state.counters["cpu_ms"] = perRun(all.cpuSeconds * 1e3);
    state.counters["ideal_ms"] = single.wallSeconds * rounds * 1e3;
    state.counters["vs_ideal"] =
        benchmark::Counter(all.wallSeconds / (single.wallSeconds * rounds), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReadManyExchanges)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, [](const KeptRunsReporter& runs) {
        if (const auto* run = runs.Find("BM_SingleRead"))
            std::printf(
                "One exchange of %u entries: command %.3f ms, plain socket %.3f ms, ratio %.3f (goal <= 1.10)\n",
                FULL_DIRECTORY_SIZE, double(run->counters.at("command_ms")), double(run->counters.at("plain_ms")),
                double(run->counters.at("ratio")));
        for (const char* jobs : {"1", "2", "4", "8"}) {
            const std::vector<const benchmark::BenchmarkReporter::Run*> found =
                runs.FindAll("BM_ReadManyExchanges", jobs);
            if (const auto* run = found.empty() ? nullptr : found.front())
                std::printf("%d exchanges, --jobs %s: wall %.1f ms, cpu %.1f ms, ideal %.1f ms, %.2f x ideal%s\n",
                            EXCHANGES, jobs, double(run->counters.at("wall_ms")), double(run->counters.at("cpu_ms")),
                            double(run->counters.at("ideal_ms")), double(run->counters.at("vs_ideal")),
                            std::string(jobs) == "8" ? " (goal <= 1.5 where the processor is not the limit)" : "");
        }
    });
}
