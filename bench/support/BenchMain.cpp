// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchMain.h"

#include <QApplication>
#include <unistd.h>

KeptRunsReporter::KeptRunsReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

void KeptRunsReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
        if (run.run_type == Run::RT_Iteration && !run.error_occurred)
            runs_.push_back(run);
}

const benchmark::BenchmarkReporter::Run* KeptRunsReporter::Find(const std::string& functionName) const
{
    for (const Run& run : runs_)
        if (run.run_name.function_name == functionName)
            return &run;
    return nullptr;
}

std::vector<const benchmark::BenchmarkReporter::Run*> KeptRunsReporter::FindAll(const std::string& functionName,
                                                                                const std::string& args) const
{
    std::vector<const Run*> found;
    for (const Run& run : runs_)
        if (run.run_name.function_name == functionName && run.run_name.args == args)
            found.push_back(&run);
    return found;
}

int RunBenchmarks(int argc, char** argv, const std::function<void(const KeptRunsReporter&)>& summary)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    KeptRunsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    summary(reporter);
    benchmark::Shutdown();
    return 0;
}
