// SPDX-License-Identifier: GPL-3.0-or-later
// The directory import against a plain loop that reads the same file line by line. Two files: 2000 records,
// all taken, and 100 000 lines of which the directory takes the first 2000 and ignores the rest.
//
// The plain loop is Qt's own line loop, each line taken as a byte array of its own; the goal (at most 3
// times) is stated against it. A bare read of every line into one fixed buffer is printed beside it as the
// floor of any reading. Against that floor a file whose every line becomes an entry cannot come near 3
// times: adding 2000 entries to the list and refreshing it, without reading anything, costs more than twice
// the floor on its own, and is measured here too.
//
// The import with its report, on the same files, may cost at most 1.2 times the import without it: every
// record of these files is told (its number loses "+", " " and "-"), and in the long one every line past
// the limit too.

#include "directory/DirectoryView.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "platform/WaitCursor.h"

#include "BenchMain.h"
#include "BenchSeams.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using namespace tobrisk;

namespace {

QTemporaryDir& Folder()
{
    static QTemporaryDir folder;
    return folder;
}

QString WriteFile(const QString& name, int lines)
{
    const QString path = Folder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("Numero breve;Nome;Numero di telefono;Impegno linea\r\n");
    for (int i = 0; i < lines; ++i) {
        char line[128];
        const int length = std::snprintf(line, sizeof line, "%d;Caff\xE8 Nome Cognome %05d;+39 02-%08d;L%d\r\n",
                                         i % 10000, i, i * 7919 % 100000000, 128 + i % 200);
        file.write(line, length);
    }
    return path;
}

const QString& RecordsFile()
{
    static const QString path = WriteFile(QStringLiteral("records.csv"), 2000);
    return path;
}

const QString& LongFile()
{
    static const QString path = WriteFile(QStringLiteral("long.csv"), 100000);
    return path;
}

void Import(benchmark::State& state, const QString& path, bool withReport = false)
{
    Directory directory;
    directory.SetShortNumberDigits(4);
    QtWaitCursor cursor;
    PrintedMessages messages;
    DirectoryTableModel model(directory, &cursor);
    DirectoryView view(model, cursor);
    ImportOptions options;
    options.lineSeizureChoice = 4;
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        CsvLineReader reader(file);
        const std::string first(reader.NextLine().value_or(std::string_view()));
        ImportReport report;
        ImportRecords(reader, first, options, {directory, messages, false, withReport ? &report : nullptr});
        benchmark::DoNotOptimize(report.rows.data());
    }
    if (directory.Count() != 2000)
        state.SkipWithError("the directory did not take 2000 records");
}

void QtLineLoop(benchmark::State& state, const QString& path)
{
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly | QIODevice::Text);
        qint64 total = 0;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine(CsvLineReader::kMaxPiece + 1);
            total += line.size();
        }
        benchmark::DoNotOptimize(total);
    }
}

void BareRead(benchmark::State& state, const QString& path)
{
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly | QIODevice::Text);
        char line[CsvLineReader::kMaxPiece + 1];
        qint64 total = 0;
        qint64 length = 0;
        while ((length = file.readLine(line, sizeof line)) > 0)
            total += length;
        benchmark::DoNotOptimize(total);
    }
}

// What the list alone costs for the 2000 records: emptied and filled entry by entry in one bulk change.
void BM_ListOf2000Entries(benchmark::State& state)
{
    Directory directory;
    directory.SetShortNumberDigits(4);
    QtWaitCursor cursor;
    DirectoryTableModel model(directory, &cursor);
    DirectoryView view(model, cursor);
    std::vector<std::pair<std::string, std::string>> records;
    for (int i = 0; i < 2000; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "Caff\xE8 Nome Cognome %05d", i);
        records.emplace_back(name, "3902" + std::to_string(i * 7919 % 100000000));
    }
    for (auto _ : state) {
        const Directory::BulkChange filling(directory);
        directory.Clear();
        for (size_t i = 0; i < records.size(); ++i)
            directory.AddOrReplace(uint16_t(i), records[i].first, records[i].second, 0x4080);
    }
}

void BM_Import2000Records(benchmark::State& state)
{
    Import(state, RecordsFile());
}
void BM_ImportWithReport2000Records(benchmark::State& state)
{
    Import(state, RecordsFile(), true);
}
void BM_QtLineLoop2000Records(benchmark::State& state)
{
    QtLineLoop(state, RecordsFile());
}
void BM_BareRead2000Records(benchmark::State& state)
{
    BareRead(state, RecordsFile());
}
void BM_Import100000Lines(benchmark::State& state)
{
    Import(state, LongFile());
}
void BM_ImportWithReport100000Lines(benchmark::State& state)
{
    Import(state, LongFile(), true);
}
void BM_QtLineLoop100000Lines(benchmark::State& state)
{
    QtLineLoop(state, LongFile());
}
void BM_BareRead100000Lines(benchmark::State& state)
{
    BareRead(state, LongFile());
}

BENCHMARK(BM_Import2000Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportWithReport2000Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtLineLoop2000Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareRead2000Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListOf2000Entries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import100000Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportWithReport100000Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtLineLoop100000Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareRead100000Lines)->Unit(benchmark::kMillisecond);

void PrintRatios(const KeptRunsReporter& runs, const char* what, const char* file)
{
    const auto time = [&runs](const std::string& name) {
        const auto* run = runs.Find(name);
        return run ? run->GetAdjustedRealTime() : 0.0;
    };
    const double import = time(std::string("BM_Import") + file);
    const double lineLoop = time(std::string("BM_QtLineLoop") + file);
    const double bare = time(std::string("BM_BareRead") + file);
    if (import <= 0 || lineLoop <= 0 || bare <= 0)
        return;
    std::printf("%s: import %.3f ms, Qt line loop %.3f ms, ratio %.2f (at most 3 wanted); bare read %.3f ms, "
                "ratio %.2f\n",
                what, import, lineLoop, import / lineLoop, bare, import / bare);
    const double reported = time(std::string("BM_ImportWithReport") + file);
    if (reported > 0)
        std::printf("%s: import with its report %.3f ms, ratio %.2f to the import without (at most 1.2 wanted)\n", what,
                    reported, reported / import);
}

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, [](const KeptRunsReporter& runs) {
        PrintRatios(runs, "2000 records", "2000Records");
        PrintRatios(runs, "100000 lines, 2000 taken", "100000Lines");
        if (const auto* list = runs.Find("BM_ListOf2000Entries"))
            std::printf("The list alone, 2000 entries added in one bulk change: %.3f ms\n",
                        list->GetAdjustedRealTime());
    });
}
