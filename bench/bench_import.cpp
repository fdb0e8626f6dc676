// The directory import against the cheapest possible pass over the same file: a plain loop that reads it line
// by line and does nothing else. Two files: 2000 records, all taken, and 100 000 lines of which the directory
// takes the first 2000 and ignores the rest. The ratio of the two times is printed for each file.

#include "directory/DirectorySettings.h"
#include "directory/PlimsetView.h"
#include "files/CsvFile.h"
#include "files/DirectoryImport.h"
#include "platform/MessageBoxes.h"
#include "platform/WaitCursor.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>

namespace {

class CNoCursor : public IWaitCursor {
public:
    void Show() override {}
    void Restore() override {}
};

// No record of these files is refused, so a box would mean a broken benchmark: it is printed instead.
class CPrintedMessages : public IMessageBoxes {
public:
    MsgAnswer Show(const QString& text, MsgButtons, MsgAnswer, MsgIcon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgAnswer::No;
    }
};

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

void Import(benchmark::State& state, const QString& path)
{
    CDirectorySettings settings;
    settings.shortNumberDigits = 4;
    CNoCursor cursor;
    CPrintedMessages messages;
    CPlimsetView view(settings, cursor);
    std::vector<uint16_t> routings;
    std::vector<uint16_t> urbanLines;
    ImportOptions options;
    options.lineSeizureChoice = 4;
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        CCsvLineReader reader(file);
        const std::string first = reader.NextLine().value_or(std::string());
        ImportRecords(reader, first, options, {view, settings, routings, urbanLines, messages, false});
    }
    if (view.EntryCount() != 2000)
        state.SkipWithError("the directory did not take 2000 records");
}

void PlainLines(benchmark::State& state, const QString& path)
{
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        char line[500];
        qint64 total = 0;
        qint64 length = 0;
        while ((length = file.readLine(line, sizeof line)) > 0)
            total += length;
        benchmark::DoNotOptimize(total);
    }
}

void BM_Import2000Records(benchmark::State& state)
{
    Import(state, RecordsFile());
}
void BM_Plain2000Records(benchmark::State& state)
{
    PlainLines(state, RecordsFile());
}
void BM_Import100000Lines(benchmark::State& state)
{
    Import(state, LongFile());
}
void BM_Plain100000Lines(benchmark::State& state)
{
    PlainLines(state, LongFile());
}

BENCHMARK(BM_Import2000Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plain2000Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import100000Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plain100000Lines)->Unit(benchmark::kMillisecond);

// Prints as usual and keeps each benchmark's time per iteration, for the ratios at the end.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
    CRatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times_[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const char* what, const std::string& import, const std::string& plain) const
    {
        const auto a = times_.find(import);
        const auto b = times_.find(plain);
        if (a == times_.end() || b == times_.end())
            return;
        std::printf("%s: import %.3f ms, plain read %.3f ms, ratio %.2f (at most 3 expected)\n", what, a->second,
                    b->second, a->second / b->second);
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("2000 records", "BM_Import2000Records", "BM_Plain2000Records");
    reporter.PrintRatio("100000 lines, 2000 taken", "BM_Import100000Lines", "BM_Plain100000Lines");
    benchmark::Shutdown();
    return 0;
}
