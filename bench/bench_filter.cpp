// SPDX-License-Identifier: GPL-3.0-or-later
// The filter over the list against a plain scan of 2000 entries. The plain scan looks for the same words in
// the same texts (the short number as shown, the name, the telephone number, the line-seizure text) as they
// are stored, with no folding of case, accents or punctuation; the goal is the filter at most 2 times it.
// A keystroke in the search field as the list takes it, rows and view updated, is measured beside them.

#include "directory/DirectoryView.h"
#include "directory/EntryFilter.h"
#include "directory/LineSeizure.h"
#include "platform/WaitCursor.h"

#include "BenchMain.h"
#include "BenchSeams.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

using namespace tobrisk;

namespace {

// Most entries miss the first word, as most do while the user types a name.
constexpr const char* kTyped = "rossi 02";

void Fill(Directory& directory)
{
    const Directory::BulkChange filling(directory);
    directory.SetShortNumberDigits(4);
    for (int i = 0; i < 2000; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "%s Nicol\xF2 %05d", i % 50 == 0 ? "Rossi" : "Caff\xE8 Bianchi", i);
        directory.AddOrReplace(uint16_t(i), name, "+39 02-" + std::to_string(i * 7919 % 100000000),
                               uint16_t(i % 3 == 0 ? 0x7FFF : 0x4080 + i % 16));
    }
}

std::vector<std::string> Words(std::string_view text)
{
    std::vector<std::string> words;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start)
            words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

void BM_FilterOf2000Entries(benchmark::State& state)
{
    Directory directory;
    Fill(directory);
    const std::vector<const Entry*> entries = directory.Entries();
    for (auto _ : state) {
        const EntryFilter filter(kTyped);
        int shown = 0;
        for (const Entry* entry : entries)
            shown += filter.Matches(*entry, directory.Settings());
        benchmark::DoNotOptimize(shown);
    }
}

void BM_PlainScanOf2000Entries(benchmark::State& state)
{
    Directory directory;
    Fill(directory);
    const std::vector<const Entry*> entries = directory.Entries();
    for (auto _ : state) {
        const std::vector<std::string> words = Words(kTyped);
        int shown = 0;
        for (const Entry* entry : entries) {
            const std::string shortNumber = ShortNumberText(directory.Settings(), entry->shortNumber);
            const std::string seizure = LineSeizureText(entry->lineSeizure);
            bool all = true;
            for (const std::string& word : words) {
                if (entry->name.find(word) == std::string::npos && entry->phoneNumber.find(word) == std::string::npos &&
                    shortNumber.find(word) == std::string::npos && seizure.find(word) == std::string::npos) {
                    all = false;
                    break;
                }
            }
            shown += all;
        }
        benchmark::DoNotOptimize(shown);
    }
}

// Two keystrokes each time round, so every one changes the rows shown.
void BM_KeystrokeInTheListOf2000Entries(benchmark::State& state)
{
    Directory directory;
    Fill(directory);
    QtWaitCursor cursor;
    DirectoryTableModel model(directory, &cursor);
    DirectoryView view(model, cursor);
    for (auto _ : state) {
        model.SetFilter("rossi");
        model.SetFilter("rossi 0");
    }
    state.SetItemsProcessed(state.iterations() * 2);
}

BENCHMARK(BM_FilterOf2000Entries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainScanOf2000Entries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeystrokeInTheListOf2000Entries)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, [](const KeptRunsReporter& runs) {
        const auto* filter = runs.Find("BM_FilterOf2000Entries");
        const auto* plain = runs.Find("BM_PlainScanOf2000Entries");
        if (filter && plain && plain->GetAdjustedRealTime() > 0)
            std::printf("2000 entries: filter %.1f us, plain scan %.1f us, ratio %.2f (at most 2 wanted)\n",
                        filter->GetAdjustedRealTime(), plain->GetAdjustedRealTime(),
                        filter->GetAdjustedRealTime() / plain->GetAdjustedRealTime());
        if (const auto* keystroke = runs.Find("BM_KeystrokeInTheListOf2000Entries"))
            std::printf("One keystroke in the list of 2000 entries: %.1f us\n", keystroke->GetAdjustedRealTime() / 2);
    });
}
