// SPDX-License-Identifier: GPL-3.0-or-later
// What a save will change, for 2000 entries on each side, against a plain comparison of two arrays of the
// same entries already sorted by short number: one walk through both, counting what was added, changed and
// deleted. The prepared entries come in the order of a list sorted by name, as a save takes them; the goal
// is the changes at most 2 times the plain comparison.

#include "directory/DirectoryChanges.h"

#include "BenchMain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace tobrisk;

namespace {

// The exchange in the order it is read; the prepared list with one entry in 10 changed, 100 deleted and 100
// added, in the order of its names.
struct Sides {
    std::vector<Entry> exchange;
    std::vector<Entry> prepared;
};

Sides MakeSides()
{
    Sides sides;
    for (int i = 0; i < 2000; ++i) {
        const auto shortNumber = uint16_t(i * 3);
        Entry entry{"Caff\xE8 Bianchi " + std::to_string(i * 7919 % 2000), "+39 02-" + std::to_string(i * 7919),
                    uint16_t(i % 3 == 0 ? 0x7FFF : 0x4080 + i % 16), shortNumber};
        sides.exchange.push_back(entry);
        if (i < 100)
            entry.shortNumber = uint16_t(6001 + i); // one deleted, one added
        else if (i % 10 == 0)
            entry.phoneNumber += "1";
        sides.prepared.push_back(entry);
    }
    std::sort(sides.prepared.begin(), sides.prepared.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return sides;
}

void BM_ChangesOf2000Entries(benchmark::State& state)
{
    const Sides sides = MakeSides();
    for (auto _ : state) {
        const DirectoryChanges changes = ChangesOfSave(sides.exchange, sides.prepared, SaveWay::Overwrite);
        benchmark::DoNotOptimize(changes.rows.data());
    }
}

void BM_PlainComparisonOf2000SortedEntries(benchmark::State& state)
{
    Sides sides = MakeSides();
    const auto byNumber = [](const Entry& a, const Entry& b) { return a.shortNumber < b.shortNumber; };
    std::sort(sides.exchange.begin(), sides.exchange.end(), byNumber);
    std::sort(sides.prepared.begin(), sides.prepared.end(), byNumber);
    for (auto _ : state) {
        int added = 0;
        int changed = 0;
        int deleted = 0;
        size_t o = 0;
        size_t n = 0;
        const std::vector<Entry>& old = sides.exchange;
        const std::vector<Entry>& next = sides.prepared;
        while (o < old.size() || n < next.size()) {
            if (n == next.size() || (o < old.size() && old[o].shortNumber < next[n].shortNumber)) {
                ++deleted;
                ++o;
            } else if (o == old.size() || next[n].shortNumber < old[o].shortNumber) {
                ++added;
                ++n;
            } else {
                changed += !(old[o] == next[n]);
                ++o;
                ++n;
            }
        }
        benchmark::DoNotOptimize(added + changed + deleted);
    }
}

BENCHMARK(BM_ChangesOf2000Entries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainComparisonOf2000SortedEntries)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, [](const KeptRunsReporter& runs) {
        const auto* changes = runs.Find("BM_ChangesOf2000Entries");
        const auto* plain = runs.Find("BM_PlainComparisonOf2000SortedEntries");
        if (changes && plain && plain->GetAdjustedRealTime() > 0)
            std::printf("2000 entries: changes %.1f us, plain comparison %.1f us, ratio %.2f (at most 2 wanted)\n",
                        changes->GetAdjustedRealTime(), plain->GetAdjustedRealTime(),
                        changes->GetAdjustedRealTime() / plain->GetAdjustedRealTime());
    });
}
