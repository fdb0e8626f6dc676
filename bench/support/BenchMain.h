// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

// Prints as usual and keeps every finished iteration run, so a program can end with its own summary:
// the ratios its goals are stated in.
class KeptRunsReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so a saved report stays plain text.
    KeptRunsReporter();

    void ReportRuns(const std::vector<Run>& runs) override;

    // The run of this benchmark function, or null when it was filtered out or failed.
    const Run* Find(const std::string& functionName) const;
    // Every run of this benchmark function with this argument, one per repetition.
    std::vector<const Run*> FindAll(const std::string& functionName, const std::string& args) const;

private:
    std::vector<Run> runs_;
};

// The benchmarks of one program under an offscreen application (the list and the dialogs are widgets), then
// `summary` with what they measured. Returns the process's exit status.
int RunBenchmarks(int argc, char** argv, const std::function<void(const KeptRunsReporter&)>& summary);
