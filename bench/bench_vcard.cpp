// SPDX-License-Identifier: GPL-3.0-or-later
// The vCard reader on files of 8 and 64 times the size of the smallest, in the shapes that would show time
// growing faster than the file: many ordinary cards, one card with very many numbers, one name folded over
// very many lines, one quoted-printable name over very many soft breaks. The goal is the same time per byte
// at every size: the summary gives the ratio of the largest file's time per byte to the smallest's.

#include "files/VCardReader.h"

#include "BenchMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

using namespace tobrisk;

namespace {

constexpr int64_t kSmallest = 1000;

std::string OrdinaryCards(int64_t count)
{
    std::string file;
    for (int64_t i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 3) {
        case 0:
            file += "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Caf=E8 " + n +
                    ";Nicol=\r\n=F2;;;\r\nTEL;WORK;VOICE:+39 02 " + n + "\r\nTEL;CELL:333 " + n + "\r\nEND:VCARD\r\n";
            break;
        case 1:
            file += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Rossi\\, Bianchi " + n +
                    "\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ\r\n AAAQABAAD/2wBDAAgGBgcGBQg\r\n"
                    "item1.TEL;type=pref:+39 06 " +
                    n + "\r\nitem1.X-ABLabel:Ufficio\r\nEND:VCARD\r\n";
            break;
        default:
            file += "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Anna Verdi " + n + "\r\nTEL;VALUE=uri;PREF=1:tel:+39-333-" + n +
                    ";ext=12\r\nEND:VCARD\r\n";
        }
    }
    return file;
}

std::string ManyNumbers(int64_t count)
{
    std::string file = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Centralino\r\n";
    for (int64_t i = 0; i < count; ++i)
        file += "TEL;TYPE=" + std::string(i % 2 ? "CELL" : "FAX") + ":02 " + std::to_string(i) + "\r\n";
    return file + "END:VCARD\r\n";
}

std::string ManyFolds(int64_t count)
{
    std::string file = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Nome";
    for (int64_t i = 0; i < count; ++i)
        file += "\r\n  lungo";
    return file + "\r\nTEL:1\r\nEND:VCARD\r\n";
}

std::string ManySoftBreaks(int64_t count)
{
    std::string file = "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;QUOTED-PRINTABLE:Nome";
    for (int64_t i = 0; i < count; ++i)
        file += "=\r\n=C3=A8 lungo";
    return file + "\r\nTEL:1\r\nEND:VCARD\r\n";
}

void Measure(benchmark::State& state, const std::string& file)
{
    for (auto _ : state) {
        const VCardContents read = ReadVCards(QByteArrayView(file.data(), qsizetype(file.size())));
        benchmark::DoNotOptimize(read.contacts.data());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(file.size()));
    state.counters["bytes"] = double(file.size());
}

void BM_OrdinaryCards(benchmark::State& state)
{
    Measure(state, OrdinaryCards(state.range(0)));
}

void BM_OneCardWithManyNumbers(benchmark::State& state)
{
    Measure(state, ManyNumbers(state.range(0)));
}

void BM_OneNameFoldedManyTimes(benchmark::State& state)
{
    Measure(state, ManyFolds(state.range(0)));
}

void BM_OneNameWithManySoftBreaks(benchmark::State& state)
{
    Measure(state, ManySoftBreaks(state.range(0)));
}

const char* const kShapes[] = {"BM_OrdinaryCards", "BM_OneCardWithManyNumbers", "BM_OneNameFoldedManyTimes",
                               "BM_OneNameWithManySoftBreaks"};

BENCHMARK(BM_OrdinaryCards)->Arg(kSmallest)->Arg(kSmallest * 8)->Arg(kSmallest * 64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneCardWithManyNumbers)
    ->Arg(kSmallest)
    ->Arg(kSmallest * 8)
    ->Arg(kSmallest * 64)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneNameFoldedManyTimes)
    ->Arg(kSmallest)
    ->Arg(kSmallest * 8)
    ->Arg(kSmallest * 64)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneNameWithManySoftBreaks)
    ->Arg(kSmallest)
    ->Arg(kSmallest * 8)
    ->Arg(kSmallest * 64)
    ->Unit(benchmark::kMicrosecond);

double NanosecondsPerByte(const benchmark::BenchmarkReporter::Run& run)
{
    // Adjusted times are in the run's unit, microseconds here.
    return run.GetAdjustedRealTime() * 1000.0 / run.counters.at("bytes").value;
}

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, [](const KeptRunsReporter& runs) {
        for (const char* shape : kShapes) {
            const auto smallest = runs.FindAll(shape, std::to_string(kSmallest));
            const auto largest = runs.FindAll(shape, std::to_string(kSmallest * 64));
            if (smallest.empty() || largest.empty())
                continue;
            const double small = NanosecondsPerByte(*smallest.front());
            const double large = NanosecondsPerByte(*largest.front());
            std::printf("%s: %.2f ns per byte at 1x, %.2f at 64x, ratio %.2f (near 1 wanted)\n", shape, small, large,
                        large / small);
        }
    });
}
