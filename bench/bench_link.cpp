// SPDX-License-Identifier: GPL-3.0-or-later
// The exchange link under load: a full directory read through the product's link core against the same
// read on a plain blocking socket, in alternation, and what one unanswered read costs the processor while
// it waits.

#include "link/ConfigurationMemory.h"
#include "link/ExchangeProtocol.h"
#include "link/ExchangeSocket.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"
#include "platform/WaitCursor.h"

#include "exchange-sim/ExchangeSim.h"

#include "BenchMain.h"
#include "BenchSeams.h"
#include "PlainReader.h"

#include <QAbstractEventDispatcher>
#include <QObject>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <linux/tcp.h>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace tobrisk;

namespace {

constexpr uint32_t LOOPBACK = 0x7F000001;

// Stands for the main window, which hands the socket's events to the protocol.
class ProtocolOwner : public QObject {
public:
    explicit ProtocolOwner(ExchangeProtocol& protocol) : protocol_(protocol) {}
    bool event(QEvent* event) override { return protocol_.HandleEvent(event) || QObject::event(event); }

private:
    ExchangeProtocol& protocol_;
};

// The product's side of a programming session with access granted, as a connection leaves it.
class ProductSession {
public:
    bool Open(uint16_t port, std::string& error)
    {
        socket_ = std::make_unique<ExchangeSocket>();
        if (socket_->Open(&owner_, LOOPBACK, port, kFrameEvent, kTimeoutEvent) != 0) {
            error = "cannot connect to the simulator";
            return false;
        }
        if (!protocol_.RequestAccess()) {
            error = "access refused";
            return false;
        }
        return true;
    }

    ExchangeProtocol& Protocol() { return protocol_; }
    ConfigurationMemory& Memory() { return memory_; }

private:
    ConfigurationMemory memory_;
    QtWaitCursor waitCursor_;
    std::unique_ptr<ExchangeSocket> socket_;
    ExchangeProtocol protocol_{socket_, memory_, waitCursor_};
    ProtocolOwner owner_{protocol_};
};

bool StartSession(exsim::ExchangeSim& sim, ProductSession& session, benchmark::State& state)
{
    std::string error;
    if (!StartLoopbackSim(sim, error) || !session.Open(sim.ProgrammingPort(), error)) {
        state.SkipWithError(error.c_str());
        return false;
    }
    return true;
}

// The product keeps its socket to itself; the benchmark finds it as the one socket of the process
// connected to the simulator's port that is not the plain reader's.
int SocketConnectedTo(uint16_t port, int except)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        if (fd != except && ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0 &&
            peer.sin_family == AF_INET && ntohs(peer.sin_port) == port)
            return fd;
    }
    return -1;
}

// Data segments received on a connection so far. Two runs whose reads met a different chunking of the
// same bytes on the way tell themselves apart by it.
double DataSegmentsIn(int fd)
{
    tcp_info info{};
    socklen_t size = sizeof info;
    if (fd < 0 || ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return 0;
    return info.tcpi_data_segs_in;
}

// Sums over the reads of one reader.
struct ReadTotals {
    Cost cost;
    double segments = 0;

    template <typename Read> bool Measure(int fd, const Read& read)
    {
        const double segmentsBefore = DataSegmentsIn(fd);
        bool ok = false;
        cost += MeasureCost([&] { ok = read(); });
        segments += DataSegmentsIn(fd) - segmentsBefore;
        return ok;
    }
};

// The directory read through the product's link core and on a plain blocking socket, in alternation
// against one simulator, each reader on a connection of its own opened the same way (connect, then
// access), so that both meet the same moments of the machine and the network.
void BM_ReadDirectory(benchmark::State& state)
{
    exsim::ExchangeSim sim(FullExchange());
    ProductSession session;
    if (!StartSession(sim, session, state))
        return;
    PlainReader plain;
    if (!plain.Connect(sim.ProgrammingPort()) || !plain.Send(BuildRequest(CMD_REQUEST_ACCESS)) ||
        plain.FramesUntil(ST_GRANTED) != 1) {
        state.SkipWithError("no programming access for the plain reader");
        return;
    }
    const int productFd = SocketConnectedTo(sim.ProgrammingPort(), plain.Fd());
    const std::vector<uint8_t> request = BuildRequest(CMD_READ_TABLE, ALL_RECORDS, TBL_DIRECTORY);

    const auto throughTheProduct = [&] {
        session.Memory().Clear();
        return session.Protocol().ReadTable(TBL_DIRECTORY) && session.Memory().Count() == FULL_DIRECTORY_SIZE;
    };
    const auto onThePlainSocket = [&] {
        return plain.Send(request) && plain.FramesUntil(ST_DONE) == long(FULL_DIRECTORY_SIZE) + 1;
    };
    // How often the user-interface thread came back from waiting for events during the product's reads.
    double wakeUps = 0;
    bool countWakeUps = false;
    // The dispatcher outlives this function; the connection must end with the locals it writes to, or the
    // next benchmark's wake-ups land in whatever reuses their stack slots.
    QObject wakeUpCounter;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &wakeUpCounter, [&] {
        if (countWakeUps)
            ++wakeUps;
    });
    const auto countedThroughTheProduct = [&] {
        countWakeUps = true;
        const bool ok = throughTheProduct();
        countWakeUps = false;
        return ok;
    };
    ReadTotals product;
    ReadTotals raw;
    bool productFirst = true;
    for (auto _ : state) {
        const bool ok =
            productFirst
                ? product.Measure(productFd, countedThroughTheProduct) && raw.Measure(plain.Fd(), onThePlainSocket)
                : raw.Measure(plain.Fd(), onThePlainSocket) && product.Measure(productFd, countedThroughTheProduct);
        if (!ok) {
            state.SkipWithError("a read did not end with the whole directory");
            break;
        }
        productFirst = !productFirst;
    }
    const auto perRead = [](double sum) { return benchmark::Counter(sum, benchmark::Counter::kAvgIterations); };
    state.counters["product_ms"] = perRead(product.cost.wallSeconds * 1e3);
    state.counters["plain_ms"] = perRead(raw.cost.wallSeconds * 1e3);
    state.counters["ratio"] = raw.cost.wallSeconds > 0 ? product.cost.wallSeconds / raw.cost.wallSeconds : 0;
    state.counters["product_cpu_ms"] = perRead(product.cost.cpuSeconds * 1e3);
    state.counters["plain_cpu_ms"] = perRead(raw.cost.cpuSeconds * 1e3);
    state.counters["product_segs"] = perRead(product.segments);
    state.counters["plain_segs"] = perRead(raw.segments);
    state.counters["product_wakeups"] = perRead(wakeUps);
}
BENCHMARK(BM_ReadDirectory)->UseRealTime()->Unit(benchmark::kMillisecond);

// The whole process is measured: the waiting user-interface thread, the socket's receive thread, and the
// simulator's threads, which sit idle because the exchange never answers.
void BM_UnansweredReadCpu(benchmark::State& state)
{
    exsim::ExchangeSim sim(FullExchange());
    ProductSession session;
    if (!StartSession(sim, session, state))
        return;
    exsim::Faults faults;
    faults.silenceAfter = 0;
    sim.SetFaults(faults);

    Cost cost;
    for (auto _ : state) {
        bool ended = false;
        cost = MeasureCost([&] { ended = session.Protocol().ReadTable(TBL_DIRECTORY); });
        if (ended)
            state.SkipWithError("the silent exchange answered");
    }
    ReportCost(state, cost);
}
BENCHMARK(BM_UnansweredReadCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, [](const KeptRunsReporter& runs) {
        const auto* run = runs.Find("BM_ReadDirectory");
        if (!run)
            return;
        const auto value = [run](const char* name) { return double(run->counters.at(name)); };
        std::printf("Directory of %u records: product %.3f ms, plain socket %.3f ms, ratio %.3f; "
                    "process cpu %.3f / %.3f ms; data segments %.0f / %.0f per read; "
                    "%.0f wake-ups of the product's user-interface thread per read\n",
                    FULL_DIRECTORY_SIZE, value("product_ms"), value("plain_ms"), value("ratio"),
                    value("product_cpu_ms"), value("plain_cpu_ms"), value("product_segs"), value("plain_segs"),
                    value("product_wakeups"));
    });
}
