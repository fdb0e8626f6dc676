// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ExchangeSocket.h"

#include "link/FrameAssembler.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"

#include "LoopbackPeer.h"
#include "TestBytes.h"
#include "TestOwner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

using namespace tobrisk;

namespace {

// Long enough for a frame or a timeout to arrive on a loaded machine; only a failing test waits it out.
constexpr int ARRIVAL_MS = 5000;

// A connected socket under test, its peer and its owner.
struct Connection {
    LoopbackPeer peer;
    TestOwner owner;
    ExchangeSocket socket;

    Connection()
    {
        EXPECT_EQ(socket.Open(&owner, LoopbackPeer::ADDRESS, peer.Port(), kFrameEvent, kTimeoutEvent), 0);
        EXPECT_TRUE(peer.Accept());
    }

    bool AwaitFrames(size_t count)
    {
        return QTest::qWaitFor([&] { return owner.frames.size() >= count; }, ARRIVAL_MS);
    }
    bool AwaitTimeouts(int count)
    {
        return QTest::qWaitFor([&] { return owner.timeouts >= count; }, ARRIVAL_MS);
    }
};

void PauseBetweenChunks()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

struct AssemblyCase {
    const char* name;
    std::vector<Bytes> chunks;
    std::vector<Bytes> expected;
};

void PrintTo(const AssemblyCase& assemblyCase, std::ostream* out)
{
    *out << assemblyCase.name;
}

const Bytes DONE = Reply(0, ST_DONE);
const Bytes VERSION = Hex("02 00 02 05 00 27 18 33 00");
// Sent after every case: once it is there, everything before it has been assembled.
const Bytes SENTINEL = Reply(99, ST_IGNORED, Text("end"));

Bytes Slice(const Bytes& bytes, size_t from, size_t to)
{
    return Bytes(bytes.begin() + long(from), bytes.begin() + long(to));
}

// A body full of what looks like complete frames: skipping it by scanning for 0x02 would deliver them.
Bytes FakeFrames(size_t size)
{
    Bytes body;
    while (body.size() < size)
        body = body + DONE;
    body.resize(size);
    return body;
}

const Bytes LARGEST = Reply(1, TBL_DIRECTORY, Bytes(FrameAssembler::MAX_FRAME_SIZE - REPLY_HEADER_SIZE, 'L'));
const Bytes ONE_TOO_LONG = Reply(1, TBL_DIRECTORY, FakeFrames(FrameAssembler::MAX_FRAME_SIZE - REPLY_HEADER_SIZE + 1));
const Bytes LONGEST_DECLARABLE = Reply(2, TBL_DIRECTORY, FakeFrames(0xFFFF));

class FrameAssembly : public ::testing::TestWithParam<AssemblyCase> {};

} // namespace

TEST_P(FrameAssembly, PostsEachCompleteFrameOnceInOrder)
{
    Connection connection;
    for (const Bytes& chunk : GetParam().chunks) {
        connection.peer.Write(chunk);
        PauseBetweenChunks();
    }
    connection.peer.Write(SENTINEL);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !connection.owner.frames.empty() && connection.owner.frames.back() == SENTINEL; }, ARRIVAL_MS));
    std::vector<Bytes> expected = GetParam().expected;
    expected.push_back(SENTINEL);
    EXPECT_EQ(connection.owner.frames, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameAssembly,
    ::testing::Values(
        AssemblyCase{"NoiseBeforeStartSkipped", {Hex("55 AA FF 00") + VERSION}, {VERSION}},
        AssemblyCase{"SplitInData", {Slice(VERSION, 0, 8), Slice(VERSION, 8, 9)}, {VERSION}},
        AssemblyCase{"SplitInLength", {Slice(VERSION, 0, 1), Slice(VERSION, 1, 2), Slice(VERSION, 2, 9)}, {VERSION}},
        AssemblyCase{"TwoFramesInOneRead", {VERSION + DONE}, {VERSION, DONE}},
        AssemblyCase{"ZeroLengthCompleteAfterSevenBytes", {DONE}, {DONE}},
        AssemblyCase{"NoiseBetweenFrames", {DONE + Hex("00 13 7F") + VERSION + Hex("FE")}, {DONE, VERSION}},
        AssemblyCase{"LargestFrameWhole", {LARGEST}, {LARGEST}},
        AssemblyCase{"OversizeDiscardedWholeThenResynchronised", {ONE_TOO_LONG + VERSION}, {VERSION}},
        AssemblyCase{"LongestDeclarableDiscardedAcrossReads",
                     {Slice(LONGEST_DECLARABLE, 0, 5), Slice(LONGEST_DECLARABLE, 5, LONGEST_DECLARABLE.size()) + DONE},
                     {DONE}}),
    [](const ::testing::TestParamInfo<AssemblyCase>& param) { return std::string(param.param.name); });

// Whatever arrives short of a whole frame, the wait for the reply ends with the timeout armed when the
// request was sent.
TEST(ExchangeSocket, ReplyTimeoutRunsUntilAWholeFrameArrives)
{
    const Bytes record = Reply(1, TBL_DIRECTORY, Text("ABCD"));
    const struct {
        const char* what;
        Bytes bytes;
        void (LoopbackPeer::*thenPeer)();
    } cases[] = {
        {"nothing", {}, nullptr},
        {"start byte only", Hex("02"), nullptr},
        {"stops inside the header", Hex("02 00"), nullptr},
        {"noise alone", Hex("55 AA FF 00 13 7E"), nullptr},
        {"header declares more than follows", Slice(record, 0, record.size() - 1), nullptr},
        {"reset inside the first frame", Hex("02 00 04 00"), &LoopbackPeer::ResetConnection},
        {"close inside the first frame", Hex("02 00 04 00"), &LoopbackPeer::CloseConnection},
    };
    const Bytes poll = BuildRequest(CMD_POLL);
    for (const bool stream : {false, true})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (stream ? ", stream expected" : ""));
            Connection connection;
            connection.socket.ExpectStream(stream);
            connection.socket.SendWithTimeout(poll.data(), int(poll.size()), 300);
            // Read first, so the bytes surely come after the arming.
            ASSERT_EQ(connection.peer.Read(poll.size()), poll);
            if (!c.bytes.empty())
                connection.peer.Write(c.bytes);
            if (c.thenPeer)
                (connection.peer.*c.thenPeer)();

            EXPECT_TRUE(connection.AwaitTimeouts(1));
            QTest::qWait(100);
            EXPECT_EQ(connection.owner.timeouts, 1);
            EXPECT_TRUE(connection.owner.frames.empty());
        }
}

TEST(ExchangeSocket, WholeFrameDisarmsTheReplyTimeout)
{
    Connection connection;
    connection.socket.SendWithTimeout(nullptr, 0, 300);
    // Arrives in two reads; the first completes no frame.
    connection.peer.Write(Slice(DONE, 0, 3));
    PauseBetweenChunks();
    connection.peer.Write(Slice(DONE, 3, DONE.size()));
    ASSERT_TRUE(connection.AwaitFrames(1));
    QTest::qWait(600);
    EXPECT_EQ(connection.owner.timeouts, 0);
}

TEST(ExchangeSocket, TimeoutDropsAPartlyReceivedFrame)
{
    Connection connection;
    const Bytes record = Reply(1, TBL_DIRECTORY, Text("ABCD"));
    connection.socket.SendWithTimeout(nullptr, 0, 100);
    connection.peer.Write(Slice(record, 0, 8));
    ASSERT_TRUE(connection.AwaitTimeouts(1));

    // The rest of the old frame is noise now; only the new frame comes out.
    connection.peer.Write(Slice(record, 8, record.size()) + DONE);
    ASSERT_TRUE(connection.AwaitFrames(1));
    EXPECT_EQ(connection.owner.frames, std::vector<Bytes>{DONE});
}

// Counts the owner's events that are neither frames nor timeouts: wake-ups posted by the socket.
class WakeCounter : public QObject {
public:
    int wakes = 0;

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() >= QEvent::User && event->type() != kFrameEvent && event->type() != kTimeoutEvent)
            ++wakes;
        return false;
    }
};

Bytes Numbered(uint16_t count, uint16_t status = TBL_ROUTING)
{
    Bytes frames;
    for (uint16_t index = 0; index < count; ++index)
        frames = frames + Reply(index, status, Text("r") + Hex("00"));
    return frames;
}

std::vector<Bytes> Split(const Bytes& frames, size_t frameSize)
{
    std::vector<Bytes> split;
    for (size_t at = 0; at < frames.size(); at += frameSize)
        split.push_back(Slice(frames, at, std::min(at + frameSize, frames.size())));
    return split;
}

TEST(ExchangeSocket, FramesReachTheOwnerWithNothingPostedToIt)
{
    Connection connection;
    WakeCounter counter;
    connection.owner.installEventFilter(&counter);
    const Bytes frames = Numbered(40);
    // Well under one read of the socket, sent at once.
    connection.peer.Write(frames);
    ASSERT_TRUE(connection.AwaitFrames(40));
    EXPECT_EQ(connection.owner.frames, Split(frames, REPLY_HEADER_SIZE + 2));
    // The owner's own event loop reads the socket: nothing has to be handed across to it.
    EXPECT_EQ(counter.wakes, 0);
}

TEST(ExchangeSocket, HandlerInANestedLoopStillSeesTheFramesThatFollow)
{
    Connection connection;
    std::vector<Bytes> seenInside;
    bool nestedEndedByFrames = false;
    connection.owner.forward = [&](QEvent* event) {
        if (event->type() != kFrameEvent || connection.owner.frames.size() != 1)
            return false;
        // As a wait that the first frame starts, before the later frames of the same read are handed on.
        QEventLoop loop;
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(ARRIVAL_MS);
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (connection.owner.frames.size() >= 3) {
                nestedEndedByFrames = true;
                loop.quit();
            }
        });
        check.start(5);
        loop.exec();
        seenInside.assign(connection.owner.frames.begin() + 1, connection.owner.frames.end());
        return false;
    };
    const Bytes frames = Numbered(3);
    connection.peer.Write(frames);
    ASSERT_TRUE(connection.AwaitFrames(3));
    EXPECT_TRUE(nestedEndedByFrames);
    const std::vector<Bytes> expected = Split(frames, REPLY_HEADER_SIZE + 2);
    EXPECT_EQ(connection.owner.frames, expected);
    EXPECT_EQ(seenInside, std::vector<Bytes>(expected.begin() + 1, expected.end()));
}

// A stream is read as it flows, and still gives the event loop its turn while it does.
TEST(ExchangeSocket, AStreamArrivesWholeWhileTheEventLoopKeepsRunning)
{
    Connection connection;
    connection.socket.ExpectStream(true);
    constexpr size_t count = 1000;
    const Bytes frames = Numbered(count, TBL_DIRECTORY);
    size_t framesWhenTimerRan = count;
    connection.owner.forward = [&](QEvent* event) {
        if (event->type() == kFrameEvent && connection.owner.frames.size() == 1)
            QTimer::singleShot(0, [&] { framesWhenTimerRan = connection.owner.frames.size(); });
        return false;
    };
    // Chunks that cut frames, without a pause long enough to end the socket's wait for the next one.
    std::thread writer([&] {
        for (const Bytes& chunk : Split(frames, 37)) {
            connection.peer.Write(chunk);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    const bool arrived = connection.AwaitFrames(count);
    writer.join();
    ASSERT_TRUE(arrived);
    EXPECT_EQ(connection.owner.frames, Split(frames, REPLY_HEADER_SIZE + 2));
    EXPECT_LT(framesWhenTimerRan, count);
}

// As a dialog does that closes its link when the device's answer is a failure.
TEST(ExchangeSocket, CloseInsideAFrameHandlerDropsTheRestOfTheRead)
{
    Connection connection;
    connection.owner.forward = [&](QEvent* event) {
        if (event->type() == kFrameEvent)
            connection.socket.Close();
        return false;
    };
    connection.peer.Write(Numbered(5));
    ASSERT_TRUE(connection.AwaitFrames(1));
    QTest::qWait(200);
    EXPECT_EQ(connection.owner.frames.size(), 1u);
    EXPECT_FALSE(connection.socket.IsOpen());
}

TEST(ExchangeSocket, FramesAndTimeoutsKeepTheirOrderAcrossManyReads)
{
    Connection connection;
    const Bytes frames = Numbered(300, TBL_DIRECTORY);
    // Many reads, some arriving while the owner's thread is still handing on the frames of the one before.
    for (const Bytes& chunk : Split(frames, 997))
        connection.peer.Write(chunk);
    ASSERT_TRUE(connection.AwaitFrames(300));
    EXPECT_EQ(connection.owner.frames, Split(frames, REPLY_HEADER_SIZE + 2));

    connection.socket.SendWithTimeout(nullptr, 0, 50);
    ASSERT_TRUE(connection.AwaitTimeouts(1));
    connection.peer.Write(DONE);
    ASSERT_TRUE(connection.AwaitFrames(301));
    EXPECT_EQ(connection.owner.frames.back(), DONE);
}

TEST(ExchangeSocket, SendDialRefusesANumberOver31Characters)
{
    Connection connection;
    const std::string longest(31, '5');
    EXPECT_FALSE(connection.socket.SendDial(longest + "5"));
    EXPECT_TRUE(connection.socket.SendDial(longest));
    connection.socket.SendRelease();

    const Bytes dial = Hex("02 00 20 00 00 FF 31 00 00 00 00") + Text(longest) + Hex("00");
    const Bytes release = Hex("02 00 0B 00 00 FF 32 00 00 00 00");
    EXPECT_EQ(connection.peer.Read(dial.size() + release.size()), dial + release);
}

TEST(ExchangeSocket, OpenToAClosedPortFailsWithTheSystemError)
{
    TestOwner owner;
    ExchangeSocket socket;
    EXPECT_EQ(socket.Open(&owner, LoopbackPeer::ADDRESS, LoopbackPeer::ClosedPort(), kFrameEvent, kTimeoutEvent),
              ERR_SOCKET_CONNECT);
    EXPECT_EQ(socket.LastError(), ECONNREFUSED);
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(socket.PeerAddress(), LoopbackPeer::ADDRESS);
}

// A listener whose accept queue is full: the kernel drops further handshakes, so a connect to it
// hangs until the socket gives up.
class FullListener {
public:
    FullListener()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(LoopbackPeer::ADDRESS);
        socklen_t size = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(listener_, 0);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        for (int& filler : fillers_) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr*>(&address), size);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ~FullListener()
    {
        for (const int fd : fillers_)
            ::close(fd);
        ::close(listener_);
    }
    uint16_t Port() const { return port_; }

private:
    int listener_ = -1;
    int fillers_[3] = {-1, -1, -1};
    uint16_t port_ = 0;
};

TEST(ExchangeSocket, AHangingConnectGivesUpAtItsTimeoutWhileEventsGoOn)
{
    FullListener listener;
    TestOwner owner;
    ExchangeSocket socket(2, 300);
    bool handled = false;
    QTimer::singleShot(0, [&handled] { handled = true; });

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(socket.Open(&owner, LoopbackPeer::ADDRESS, listener.Port(), kFrameEvent, kTimeoutEvent),
              ERR_SOCKET_CONNECT);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(socket.LastError(), ETIMEDOUT);
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_GE(elapsed, std::chrono::milliseconds(250));
    EXPECT_LT(elapsed, std::chrono::milliseconds(5000));
    EXPECT_TRUE(handled) << "the user-interface thread's events run while the connect waits";
}

TEST(ExchangeSocket, NeverOpenedSocketDoesNothing)
{
    ExchangeSocket socket;
    socket.Close();
    const Bytes poll = BuildRequest(CMD_POLL);
    socket.SendWithTimeout(poll.data(), int(poll.size()), 10);
    EXPECT_FALSE(socket.SendDial("123"));
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(socket.PeerAddress(), 0u);
    EXPECT_EQ(socket.LastError(), 0);
}

TEST(ExchangeSocket, OpenWhileOpenKeepsTheConnection)
{
    Connection connection;
    EXPECT_EQ(
        connection.socket.Open(&connection.owner, 0x0A000005, LoopbackPeer::ClosedPort(), kFrameEvent, kTimeoutEvent),
        0);
    EXPECT_EQ(connection.socket.PeerAddress(), LoopbackPeer::ADDRESS);
    connection.socket.SendRelease();
    EXPECT_EQ(connection.peer.Read(11), BuildReleaseRequest());
}

TEST(ExchangeSocket, CloseEndsTheConnectionAndPostsNothingMore)
{
    Connection connection;
    connection.socket.SendWithTimeout(nullptr, 0, 100);
    connection.socket.Close();
    EXPECT_FALSE(connection.socket.IsOpen());
    EXPECT_TRUE(connection.peer.SeesEnd());
    connection.socket.Close();

    QTest::qWait(300);
    EXPECT_EQ(connection.owner.timeouts, 0);
    EXPECT_TRUE(connection.owner.frames.empty());
}

TEST(ExchangeSocket, PeerGoneIsASendErrorNotASignal)
{
    Connection connection;
    connection.peer.CloseConnection();
    const Bytes poll = BuildRequest(CMD_POLL);
    // The first send may still be accepted; the peer's reset makes a later one fail.
    for (int attempt = 0; attempt < 50 && connection.socket.LastError() == 0; ++attempt) {
        connection.socket.Send(poll.data(), int(poll.size()));
        QTest::qWait(10);
    }
    EXPECT_TRUE(connection.socket.LastError() == EPIPE || connection.socket.LastError() == ECONNRESET)
        << connection.socket.LastError();

    // Past the end of the stream, the socket still serves the reply timeout.
    connection.socket.SendWithTimeout(nullptr, 0, 50);
    EXPECT_TRUE(connection.AwaitTimeouts(1));
}

// An exchange that stays connected but takes no more bytes: the send gives up after the request's own
// timeout (the read timeout for a plain write) instead of holding the user for ever, records the error,
// and ends the link, so the wait for any reply ends at once.
TEST(ExchangeSocket, SendToAPeerThatStopsReadingGivesUpAndEndsTheLink)
{
    const struct {
        const char* what;
        uint32_t timeoutMs;
        uint32_t boundMs;
    } cases[] = {
        {"request with a reply timeout", 500, 500},
        {"plain write", 0, READ_TIMEOUT_MS},
    };
    // Far more than the peer's small receive buffer and the largest send buffer the system grants.
    const Bytes large(16 << 20, 0x55);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LoopbackPeer peer(4096);
        TestOwner owner;
        ExchangeSocket socket;
        ASSERT_EQ(socket.Open(&owner, LoopbackPeer::ADDRESS, peer.Port(), kFrameEvent, kTimeoutEvent), 0);
        ASSERT_TRUE(peer.Accept());

        // A send that never gave up would hang the suite: the peer then resets, and the time shows the fault.
        std::atomic<bool> returned = false;
        std::thread hangGuard([&] {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(3 * c.boundMs + 2000);
            while (!returned && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!returned)
                peer.ResetConnection();
        });
        QElapsedTimer elapsed;
        elapsed.start();
        if (c.timeoutMs > 0)
            socket.SendWithTimeout(large.data(), int(large.size()), c.timeoutMs);
        else
            socket.Send(large.data(), int(large.size()));
        returned = true;
        hangGuard.join();
        EXPECT_GE(elapsed.elapsed(), c.boundMs / 2) << "a full buffer alone is no failure";
        EXPECT_LT(elapsed.elapsed(), 2 * c.boundMs + 1000);
        EXPECT_NE(socket.LastError(), 0);

        // The given-up request's own timeout, if it had one, ends its wait; it must not pass for the next one's.
        const int timeoutsBefore = c.timeoutMs > 0 ? 1 : 0;
        EXPECT_TRUE(QTest::qWaitFor([&] { return owner.timeouts == timeoutsBefore; }, ARRIVAL_MS));
        elapsed.restart();
        const Bytes poll = BuildRequest(CMD_POLL);
        socket.SendWithTimeout(poll.data(), int(poll.size()), READ_TIMEOUT_MS);
        EXPECT_TRUE(QTest::qWaitFor([&] { return owner.timeouts > timeoutsBefore; }, READ_TIMEOUT_MS / 2));
        EXPECT_LT(elapsed.elapsed(), READ_TIMEOUT_MS / 2);
    }
}

TEST(ExchangeSocket, FramesForADestroyedOwnerAreDropped)
{
    LoopbackPeer peer;
    auto owner = std::make_unique<TestOwner>();
    ExchangeSocket socket;
    ASSERT_EQ(socket.Open(owner.get(), LoopbackPeer::ADDRESS, peer.Port(), kFrameEvent, kTimeoutEvent), 0);
    ASSERT_TRUE(peer.Accept());
    owner.reset();
    peer.Write(DONE);
    socket.SendWithTimeout(nullptr, 0, 20);
    QTest::qWait(200);
    EXPECT_TRUE(socket.IsOpen());
}
