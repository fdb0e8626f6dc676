// SPDX-License-Identifier: GPL-3.0-or-later
// The program on line: filling the list with a whole directory read from the exchange against the
// least such a fill can cost, and what the processor spends while the program waits on the link: an
// unanswered poll (the longest wait of a check) and one whole supervision cycle.

#include "connections/Supervision.h"
#include "core/Application.h"
#include "core/ConnectCommand.h"
#include "core/MainWindow.h"
#include "directory/DirectoryTableModel.h"
#include "directory/DirectoryView.h"
#include "directory/Entry.h"
#include "link/RecordFormats.h"
#include "platform/WaitCursor.h"

#include "exchange-sim/ExchangeSim.h"

#include "BenchMain.h"
#include "BenchSeams.h"

#include <QEventLoop>
#include <QTimer>
#include <QTreeView>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace tobrisk;

namespace {

constexpr unsigned DIRECTORY_SIZE = 2000;
const char* const PRODUCT_FILL = "BM_FillTheListAsAReadDoes";
const char* const PLAIN_FILL = "BM_FillAVectorAndResetTheModel";

// The fields of a full directory as a read parses them, in the order of the walk.
const std::vector<DirectoryFields>& ReadFields()
{
    static const std::vector<DirectoryFields> fields = [] {
        std::vector<DirectoryFields> all;
        for (unsigned shortNumber = 0; shortNumber < DIRECTORY_SIZE; ++shortNumber) {
            char name[40];
            char number[16];
            std::snprintf(name, sizeof name, "Caff\xE8 Nome Cognome %04u", shortNumber);
            std::snprintf(number, sizeof number, "02%08u", shortNumber * 7919u);
            all.push_back({0x7FFF, number, name});
        }
        return all;
    }();
    return fields;
}

void BM_FillTheListAsAReadDoes(benchmark::State& state)
{
    Directory directory;
    QtWaitCursor waitCursor;
    DirectoryTableModel model(directory, &waitCursor);
    DirectoryView view(model, waitCursor);
    view.resize(900, 600);
    view.show();
    const std::vector<DirectoryFields>& fields = ReadFields();
    for (auto _ : state) {
        const Directory::BulkChange filling(directory);
        directory.Clear();
        for (size_t i = 0; i < fields.size(); ++i)
            directory.AddOrReplace(uint16_t(i), fields[i].name, fields[i].phoneNumber, fields[i].lineSeizure);
    }
    if (model.rowCount() != int(DIRECTORY_SIZE))
        state.SkipWithError("entries missing");
    state.SetItemsProcessed(state.iterations() * DIRECTORY_SIZE);
}
BENCHMARK(BM_FillTheListAsAReadDoes)->Unit(benchmark::kMicrosecond);

// The same records shown through one reset of the same model in a plain tree view, without the list's
// selection, the view then laid out with the last row in view, as the list ends after a read.
void BM_FillAVectorAndResetTheModel(benchmark::State& state)
{
    Directory directory;
    QTreeView view;
    auto* model = new DirectoryTableModel(directory, nullptr, &view);
    view.setModel(model);
    view.setUniformRowHeights(true);
    view.resize(900, 600);
    view.show();
    const std::vector<DirectoryFields>& fields = ReadFields();
    for (auto _ : state) {
        {
            const Directory::BulkChange filling(directory);
            directory.Clear();
            for (size_t i = 0; i < fields.size(); ++i)
                directory.AddOrReplace(uint16_t(i), fields[i].name, fields[i].phoneNumber, fields[i].lineSeizure);
        }
        // Shown as a read leaves the list: laid out, its last row in view.
        view.scrollTo(model->index(int(DIRECTORY_SIZE) - 1, 0));
    }
    state.SetItemsProcessed(state.iterations() * DIRECTORY_SIZE);
}
BENCHMARK(BM_FillAVectorAndResetTheModel)->Unit(benchmark::kMicrosecond);

// The whole program connected to the simulated exchange with the real supervision times.
bool Connect(exsim::ExchangeSim& sim, OnlineProgram& program, benchmark::State& state)
{
    std::string error;
    if (!StartLoopbackSim(sim, error) || !program.Start()) {
        state.SkipWithError(error.empty() ? "the program did not start" : error.c_str());
        return false;
    }
    if (program.Connect(sim.ProgrammingPort()) != ConnectOutcome::Connected) {
        state.SkipWithError("the exchange was not read");
        return false;
    }
    return true;
}

// The exchange leaves the poll unanswered: the check waits the whole 10 s poll timeout. The whole
// process is measured, the simulator's idle threads included.
void BM_UnansweredPollCpu(benchmark::State& state)
{
    exsim::ExchangeSim sim;
    OnlineProgram program;
    if (!Connect(sim, program, state))
        return;
    exsim::Faults faults;
    faults.dropPolls = 1;
    sim.SetFaults(faults);
    Cost cost;
    for (auto _ : state) {
        bool answered = false;
        cost = MeasureCost([&] { answered = program.App().session.Supervisor().CheckConnection(false); });
        if (answered)
            state.SkipWithError("the silent exchange answered");
    }
    ReportCost(state, cost);
}
BENCHMARK(BM_UnansweredPollCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// One period of the supervision as the program runs it: a minute of idle connection, then the tick
// and its answered poll.
void BM_SupervisionCycleCpu(benchmark::State& state)
{
    exsim::ExchangeSim sim;
    OnlineProgram program;
    if (!Connect(sim, program, state))
        return;
    Supervision& supervision = program.App().session.Supervisor();
    Cost cost;
    for (auto _ : state) {
        const size_t polls = sim.Received().size();
        cost = MeasureCost([&] {
            supervision.Start();
            QEventLoop cycle;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, &cycle, [&] {
                if (sim.Received().size() > polls)
                    cycle.quit();
            });
            // The tick's poll is answered within milliseconds; looking twice a second costs next to nothing.
            watch.start(500);
            cycle.exec();
        });
        if (!program.App().IsConnected())
            state.SkipWithError("the supervision dropped a healthy link");
    }
    ReportCost(state, cost);
}
BENCHMARK(BM_SupervisionCycleCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, [](const KeptRunsReporter& runs) {
        const auto* product = runs.Find(PRODUCT_FILL);
        const auto* plain = runs.Find(PLAIN_FILL);
        if (!product || !plain)
            return;
        const double productUs = product->GetAdjustedCPUTime();
        const double plainUs = plain->GetAdjustedCPUTime();
        std::printf("List of %u entries: filled as a read does %.0f us, plain fill and model reset %.0f us, ratio "
                    "%.2f (at most 2 wanted)\n",
                    DIRECTORY_SIZE, productUs, plainUs, productUs / plainUs);
    });
}
