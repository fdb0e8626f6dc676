// SPDX-License-Identifier: GPL-3.0-or-later
// A click on a column's header of the list of 2000 entries, as the view takes it (entries sorted, rows
// refreshed, selection made again), against std::sort of the same entry pointers in the same order: names and
// numbers as unsigned bytes, the line seizure as its raw value. The goal is the click at most 1.2 times it.
// Each time round both go through every column once, each from the order the column before left. The
// model's sort alone is shown beside it: the rest of a click is the view selecting the entries again.

#include "directory/DirectoryView.h"
#include "platform/WaitCursor.h"

#include "BenchMain.h"
#include "BenchSeams.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

using namespace tobrisk;

namespace {

// Each click goes to another column, so every one sorts ascending.
constexpr std::array<int, kDirectoryColumnCount> kClicks = {kColumnName, kColumnPhoneNumber, kColumnLineSeizure,
                                                            kColumnShortNumber};

// Names share long prefixes and some carry accented letters; many entries share a line seizure.
void Fill(Directory& directory)
{
    static const char* const kSurnames[] = {"Rossi",    "Caff\xE8", "Bianchi",  "\xC8rcole", "Russo",    "Ferrari",
                                            "Esposito", "Romano",   "Colombo",  "Ricci",     "Marino",   "Greco",
                                            "Bruno",    "Gallo",    "Conti",    "De Luca",   "Mancini",  "Costa",
                                            "Giordano", "Rizzo",    "Lombardi", "Moretti",   "Nicol\xF2"};
    const Directory::BulkChange filling(directory);
    directory.SetShortNumberDigits(4);
    for (int i = 0; i < 2000; ++i) {
        const int mixed = i * 7919 % 2000;
        char name[40];
        std::snprintf(name, sizeof name, "%s %s %d", kSurnames[size_t(mixed) % std::size(kSurnames)],
                      mixed % 3 == 0 ? "Anna" : "Luca", mixed / 7);
        directory.AddOrReplace(uint16_t(i), name, "+39 0" + std::to_string(mixed * 104729 % 100000000),
                               uint16_t(mixed % 3 == 0 ? 0x7FFF : 0x4080 + mixed % 16));
    }
}

bool ColumnLess(int column, const Entry* a, const Entry* b)
{
    switch (column) {
    case kColumnName:
        return a->name < b->name;
    case kColumnPhoneNumber:
        return a->phoneNumber < b->phoneNumber;
    case kColumnLineSeizure:
        return a->lineSeizure < b->lineSeizure;
    default:
        return a->shortNumber < b->shortNumber;
    }
}

void BM_HeaderClickOn2000Entries(benchmark::State& state)
{
    Directory directory;
    Fill(directory);
    QtWaitCursor cursor;
    DirectoryTableModel model(directory, &cursor);
    DirectoryView view(model, cursor);
    view.SelectShortNumbers({17, 1200});
    for (auto _ : state)
        for (int column : kClicks)
            view.SortByColumn(column);
    state.SetItemsProcessed(state.iterations() * int64_t(kClicks.size()));
}

// The model's share of a click: the same sorts with no view to lay out and no selection to keep.
void BM_ModelSortOf2000Entries(benchmark::State& state)
{
    Directory directory;
    Fill(directory);
    DirectoryTableModel model(directory, nullptr);
    for (auto _ : state)
        for (int column : kClicks)
            model.SortByColumn(column);
    state.SetItemsProcessed(state.iterations() * int64_t(kClicks.size()));
}

// std::sort is given one comparison per column, chosen before it runs; std::string compares as unsigned
// bytes.
void BM_StdSortOf2000Entries(benchmark::State& state)
{
    Directory directory;
    Fill(directory);
    std::vector<const Entry*> entries = directory.Entries();
    for (auto _ : state) {
        for (int column : kClicks) {
            switch (column) {
            case kColumnName:
                std::sort(entries.begin(), entries.end(), [](auto a, auto b) { return ColumnLess(kColumnName, a, b); });
                break;
            case kColumnPhoneNumber:
                std::sort(entries.begin(), entries.end(),
                          [](auto a, auto b) { return ColumnLess(kColumnPhoneNumber, a, b); });
                break;
            case kColumnLineSeizure:
                std::sort(entries.begin(), entries.end(),
                          [](auto a, auto b) { return ColumnLess(kColumnLineSeizure, a, b); });
                break;
            default:
                std::sort(entries.begin(), entries.end(),
                          [](auto a, auto b) { return ColumnLess(kColumnShortNumber, a, b); });
            }
        }
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kClicks.size()));
}

BENCHMARK(BM_HeaderClickOn2000Entries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ModelSortOf2000Entries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StdSortOf2000Entries)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, [](const KeptRunsReporter& runs) {
        const auto* click = runs.Find("BM_HeaderClickOn2000Entries");
        const auto* model = runs.Find("BM_ModelSortOf2000Entries");
        const auto* sort = runs.Find("BM_StdSortOf2000Entries");
        if (click && model && sort && sort->GetAdjustedRealTime() > 0) {
            const auto perColumn = [](const auto* run) { return run->GetAdjustedRealTime() / double(kClicks.size()); };
            std::printf("2000 entries: header click %.1f us (the model's sort %.1f us), std::sort %.1f us, ratio %.2f "
                        "(at most 1.2 wanted), model alone %.2f\n",
                        perColumn(click), perColumn(model), perColumn(sort), perColumn(click) / perColumn(sort),
                        perColumn(model) / perColumn(sort));
        }
    });
}
