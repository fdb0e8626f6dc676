// SPDX-License-Identifier: GPL-3.0-or-later
// The exchange link under load: a directory read of 500, 1000 and 2000 records through the product's link
// core against the same read on a plain blocking socket, in alternation, and what one unanswered read costs
// the processor while it waits. Both readers run on the main thread and read at most 4096 bytes at a time,
// the product's receive buffer, so the thread's processor time is each reader's whole cost. Two sources:
// the simulator, as fast as it sends, and a paced replay that sends each frame as a segment of its own
// and waits between frames, so that both readers meet the same segments and the same reads.

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
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <linux/tcp.h>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tobrisk;

namespace {

constexpr uint32_t LOOPBACK = 0x7F000001;
// Between two frames of the paced replay: longer than either reader takes over one frame.
constexpr auto FRAME_PACE = std::chrono::microseconds(25);

double ThreadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The full exchange with only the first `records` entries of its directory.
exsim::Tables ExchangeWith(unsigned records)
{
    exsim::Tables tables = FullExchange();
    auto& directory = tables[TBL_DIRECTORY];
    directory.erase(directory.lower_bound(uint16_t(records)), directory.end());
    return tables;
}

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

// An exchange that replays the simulator's frames for access and for the directory, each frame in a send
// of its own with no delay (TCP_NODELAY) and a fixed pause before the next, spent spinning so that the
// pause is exact: every frame then reaches either reader as a segment of its own, read on its own.
class PacedExchange {
public:
    explicit PacedExchange(const exsim::Tables& tables)
    {
        for (const auto& [index, data] : tables.at(TBL_DIRECTORY))
            directoryReply_.push_back(exsim::BuildReply(index, TBL_DIRECTORY, data));
        directoryReply_.push_back(exsim::BuildReply(0, ST_DONE));
    }
    ~PacedExchange()
    {
        stopping_ = true;
        if (listenFd_ >= 0)
            ::shutdown(listenFd_, SHUT_RDWR);
        if (acceptor_.joinable())
            acceptor_.join();
        for (std::thread& server : servers_)
            server.join();
        if (listenFd_ >= 0)
            ::close(listenFd_);
    }
    PacedExchange(const PacedExchange&) = delete;
    PacedExchange& operator=(const PacedExchange&) = delete;

    bool Start()
    {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(LOOPBACK);
        socklen_t size = sizeof address;
        if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listenFd_, 4) != 0 || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return false;
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { Accept(); });
        return true;
    }
    uint16_t Port() const { return port_; }

private:
    // Two connections, the product's and the plain reader's, each served by a thread of its own.
    void Accept()
    {
        for (int accepted = 0; accepted < 2 && !stopping_; ++accepted) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            servers_.emplace_back([this, fd] { Serve(fd); });
        }
    }

    // Ends when the reader closes its connection.
    void Serve(int fd)
    {
        uint8_t request[REQUEST_HEADER_SIZE];
        while (ReceiveAll(fd, request, sizeof request)) {
            if (GetBigEndian16(&request[1]) != 0)
                break;
            const uint16_t command = GetBigEndian16(&request[5]);
            if (command == CMD_REQUEST_ACCESS) {
                const std::vector<uint8_t> granted = exsim::BuildReply(0, ST_GRANTED);
                ::send(fd, granted.data(), granted.size(), MSG_NOSIGNAL);
            } else if (command == CMD_READ_TABLE) {
                auto next = std::chrono::steady_clock::now();
                for (const std::vector<uint8_t>& frame : directoryReply_) {
                    while (std::chrono::steady_clock::now() < next) {
                    }
                    if (::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL) != ssize_t(frame.size()))
                        break;
                    next = std::chrono::steady_clock::now() + FRAME_PACE;
                }
            }
        }
        ::close(fd);
    }

    static bool ReceiveAll(int fd, uint8_t* bytes, size_t size)
    {
        while (size > 0) {
            const ssize_t got = ::recv(fd, bytes, size, 0);
            if (got <= 0 && !(got < 0 && errno == EINTR))
                return false;
            if (got > 0) {
                bytes += got;
                size -= size_t(got);
            }
        }
        return true;
    }

    std::vector<std::vector<uint8_t>> directoryReply_;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_ = false;
    std::thread acceptor_;
    std::vector<std::thread> servers_;
};

// The product keeps its socket to itself; the benchmark finds it as the one socket of the process
// connected to the exchange's port that is not the plain reader's.
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

// Sums over the reads of one reader: the wall time, the processor time of the reading thread, that of the
// whole process (the exchange's threads included), and the segments the reads met.
struct ReadTotals {
    Cost cost;
    double threadCpuSeconds = 0;
    double segments = 0;

    template <typename Read> bool Measure(int fd, const Read& read)
    {
        const double segmentsBefore = DataSegmentsIn(fd);
        const double threadBefore = ThreadCpuSeconds();
        bool ok = false;
        cost += MeasureCost([&] { ok = read(); });
        threadCpuSeconds += ThreadCpuSeconds() - threadBefore;
        segments += DataSegmentsIn(fd) - segmentsBefore;
        return ok;
    }
};

// The directory read through the product's link core and on a plain blocking socket, in alternation
// against one exchange, each reader on a connection of its own opened the same way (connect, then
// access), so that both meet the same moments of the machine and the network.
void ReadDirectory(benchmark::State& state, uint16_t port, unsigned records)
{
    ProductSession session;
    std::string error;
    if (!session.Open(port, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    PlainReader plain;
    if (!plain.Connect(port) || !plain.Send(BuildRequest(CMD_REQUEST_ACCESS)) || plain.FramesUntil(ST_GRANTED) != 1) {
        state.SkipWithError("no programming access for the plain reader");
        return;
    }
    const int productFd = SocketConnectedTo(port, plain.Fd());
    const std::vector<uint8_t> request = BuildRequest(CMD_READ_TABLE, ALL_RECORDS, TBL_DIRECTORY);

    const auto throughTheProduct = [&] {
        session.Memory().Clear();
        return session.Protocol().ReadTable(TBL_DIRECTORY) && session.Memory().Count() == records;
    };
    const auto onThePlainSocket = [&] {
        return plain.Send(request) && plain.FramesUntil(ST_DONE) == long(records) + 1;
    };
    // How often the main thread came back from waiting for events during the product's reads.
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
    const auto ratio = [](double numerator, double denominator) {
        return denominator > 0 ? numerator / denominator : 0;
    };
    state.counters["product_ms"] = perRead(product.cost.wallSeconds * 1e3);
    state.counters["plain_ms"] = perRead(raw.cost.wallSeconds * 1e3);
    state.counters["ratio"] = ratio(product.cost.wallSeconds, raw.cost.wallSeconds);
    state.counters["product_cpu_ms"] = perRead(product.threadCpuSeconds * 1e3);
    state.counters["plain_cpu_ms"] = perRead(raw.threadCpuSeconds * 1e3);
    state.counters["cpu_ratio"] = ratio(product.threadCpuSeconds, raw.threadCpuSeconds);
    state.counters["process_cpu_ratio"] = ratio(product.cost.cpuSeconds, raw.cost.cpuSeconds);
    state.counters["product_segs"] = perRead(product.segments);
    state.counters["plain_segs"] = perRead(raw.segments);
    state.counters["product_wakeups"] = perRead(wakeUps);
}

void BM_ReadDirectory(benchmark::State& state)
{
    const auto records = unsigned(state.range(0));
    exsim::ExchangeSim sim(ExchangeWith(records));
    std::string error;
    if (!StartLoopbackSim(sim, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    ReadDirectory(state, sim.ProgrammingPort(), records);
}
BENCHMARK(BM_ReadDirectory)->Arg(500)->Arg(1000)->Arg(2000)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ReadDirectoryPaced(benchmark::State& state)
{
    const auto records = unsigned(state.range(0));
    PacedExchange exchange(ExchangeWith(records));
    if (!exchange.Start()) {
        state.SkipWithError("cannot listen on the loopback");
        return;
    }
    ReadDirectory(state, exchange.Port(), records);
}
BENCHMARK(BM_ReadDirectoryPaced)->Arg(500)->Arg(1000)->Arg(2000)->UseRealTime()->Unit(benchmark::kMillisecond);

// The whole process is measured: the waiting main thread, which also serves the socket, and the
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

// The median of a counter over the repetitions of one benchmark and argument; 0 when none ran.
double Median(const KeptRunsReporter& runs, const char* function, unsigned records, const char* counter)
{
    std::vector<double> values;
    for (const auto* run : runs.FindAll(function, std::to_string(records)))
        values.push_back(double(run->counters.at(counter)));
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv, [](const KeptRunsReporter& runs) {
        for (const char* function : {"BM_ReadDirectory", "BM_ReadDirectoryPaced"}) {
            for (const unsigned records : {500u, 1000u, 2000u}) {
                const auto median = [&](const char* counter) { return Median(runs, function, records, counter); };
                if (median("plain_ms") == 0)
                    continue;
                std::printf("%s, %u records (medians): wall %.3f / %.3f ms, ratio %.3f; thread cpu %.3f / %.3f ms, "
                            "ratio %.3f (process %.3f); %.2f / %.2f us of cpu per record; segments %.0f / %.0f "
                            "per read; %.0f wake-ups of the product's thread per read\n",
                            function, records, median("product_ms"), median("plain_ms"), median("ratio"),
                            median("product_cpu_ms"), median("plain_cpu_ms"), median("cpu_ratio"),
                            median("process_cpu_ratio"), 1e3 * median("product_cpu_ms") / records,
                            1e3 * median("plain_cpu_ms") / records, median("product_segs"), median("plain_segs"),
                            median("product_wakeups"));
            }
        }
    });
}
