// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ExchangeProtocol.h"

#include "link/Protocol.h"
#include "link/RecordFormats.h"
#include "link/SocketEvents.h"

#include "LoopbackPeer.h"
#include "TestBytes.h"
#include "TestOwner.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <variant>

using namespace tobrisk;

namespace {

using WaitEnd = ExchangeProtocol::WaitEnd;

const QString NOT_ENABLED = QStringLiteral("Opzione non abilitata sul sistema!");

// What the socket would send: a frame, or the expiry of the reply timeout.
struct Timeout {};
using Arrival = std::variant<Bytes, Timeout>;

// The protocol on a real programming socket, so every request can be read byte for byte at the peer.
// Replies are posted to the owner as events of the socket's kinds, which keeps each test's order exact.
class ExchangeProtocolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner.forward = [this](QEvent* event) { return protocol.HandleEvent(event); };
        socket = std::make_unique<ExchangeSocket>();
        ASSERT_EQ(socket->Open(&owner, LoopbackPeer::ADDRESS, peer.Port(), kFrameEvent, kTimeoutEvent), 0);
        ASSERT_TRUE(peer.Accept());
        // A test that leaves a wait hanging fails instead of blocking the suite.
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [this] {
            guardFired = true;
            protocol.AbortWaits();
        });
        guard.start(15000);
    }

    void Post(const std::vector<Arrival>& arrivals)
    {
        for (const Arrival& arrival : arrivals) {
            if (const Bytes* frame = std::get_if<Bytes>(&arrival))
                QCoreApplication::postEvent(&owner, new SocketEvent(kFrameEvent, *frame));
            else
                QCoreApplication::postEvent(&owner, new SocketEvent(kTimeoutEvent));
        }
    }

    // Proves that nothing was sent before it.
    void ExpectNothingSentBefore()
    {
        const Bytes poll = BuildRequest(CMD_POLL);
        socket->Send(poll.data(), int(poll.size()));
        EXPECT_EQ(peer.Read(poll.size()), poll);
    }

    Bytes Stored(uint16_t table, uint16_t index) const
    {
        const RecordBlock* record = memory.Find({index, table});
        return record ? Bytes(record->Data().begin(), record->Data().end()) : Text("<none>");
    }

    LoopbackPeer peer;
    TestOwner owner;
    std::unique_ptr<ExchangeSocket> socket;
    ConfigurationMemory memory;
    FakeWaitCursor waitCursor;
    ExchangeProtocol protocol{socket, memory, waitCursor};
    QTimer guard;
    bool guardFired = false;
};

} // namespace

TEST_F(ExchangeProtocolTest, EachReplyStatusHasItsEffect)
{
    const struct {
        uint16_t status;
        bool waitDone;
        int accessState;
        bool pollAnswered;
        bool stored;
    } cases[] = {
        // clang-format off
        {ST_DONE, true, ACCESS_WAITING, false, false},
        {ST_POLL_ANSWER, false, ACCESS_WAITING, true, false},
        {ST_GRANTED, true, ACCESS_GRANTED, false, false},
        {0xFE04, false, ACCESS_WAITING, false, true},
        {ST_IGNORED, false, ACCESS_WAITING, false, false},
        {0xFE06, false, ACCESS_WAITING, false, true},
        {0xFE2F, false, ACCESS_WAITING, false, true},
        {0xFE30, true, ACCESS_REFUSED, false, false},
        {0xFE31, true, ACCESS_REFUSED, false, false},
        {0xFE32, true, ACCESS_REFUSED, false, false},
        {0xFE33, true, ACCESS_REFUSED, false, false},
        {0xFE34, false, ACCESS_WAITING, false, true},
        {TBL_DIRECTORY, false, ACCESS_WAITING, false, true},
        // clang-format on
    };
    for (const auto& c : cases) {
        protocol.Replies() = ReplyState{};
        memory.Clear();
        const Bytes frame = Reply(7, c.status, Text("R") + Hex("00"));
        protocol.DispatchReply(frame.data(), frame.size());

        const ReplyState& state = protocol.Replies();
        SCOPED_TRACE(c.status);
        EXPECT_EQ(state.waitDone, c.waitDone);
        EXPECT_EQ(state.accessState, c.accessState);
        EXPECT_EQ(state.pollAnswered, c.pollAnswered);
        EXPECT_EQ(memory.Count(), c.stored ? 1u : 0u);
        if (c.stored) {
            EXPECT_EQ(Stored(c.status, 7), Text("R") + Hex("00"));
        }
    }
}

TEST_F(ExchangeProtocolTest, ShortOrTruncatedFramesChangeNothing)
{
    for (const Bytes& frame : {Hex("02 00 00 00 00 FE"), Hex("02 00 05 00 01 2D 20 41")}) {
        protocol.DispatchReply(frame.data(), frame.size());
        EXPECT_EQ(memory.Count(), 0u);
    }
}

TEST_F(ExchangeProtocolTest, FramesTooLongForARecordAreRefused)
{
    const struct {
        size_t dataLength;
        bool stored;
    } cases[] = {{RecordBlock::MAX_DATA_LENGTH, true}, {0xFFFC, false}, {0xFFFF, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataLength);
        memory.Clear();
        const Bytes frame = Reply(7, TBL_DIRECTORY, Bytes(c.dataLength, 'x'));
        protocol.DispatchReply(frame.data(), frame.size());
        ASSERT_EQ(memory.Count(), c.stored ? 1u : 0u);
        if (c.stored) {
            EXPECT_EQ(memory.Find({7, TBL_DIRECTORY})->Length(), 0xFFFF);
            EXPECT_EQ(memory.Find({7, TBL_DIRECTORY})->Data().size(), c.dataLength);
        }
    }
}

TEST_F(ExchangeProtocolTest, RequestAccessWaitsForGrantOrRefusal)
{
    const struct {
        const char* what;
        std::vector<Arrival> arrivals;
        bool granted;
    } cases[] = {
        {"granted", {Reply(0, ST_GRANTED)}, true},
        {"done does not end the access wait", {Reply(0, ST_DONE), Reply(0, ST_IGNORED), Reply(0, ST_GRANTED)}, true},
        {"refused", {Reply(0, 0xFE31)}, false},
        {"not answered", {Reply(0, ST_DONE), Timeout{}}, false},
    };
    const Bytes request = Hex("02 00 00 00 00 FE 29 00 00 00 00");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Post(c.arrivals);
        const Result access = protocol.RequestAccess();
        EXPECT_EQ(access.Ok(), c.granted);
        EXPECT_EQ(peer.Read(request.size()), request);
        if (!c.granted) {
            EXPECT_EQ(access.code, ERR_ACCESS_REFUSED);
            EXPECT_EQ(access.text, NOT_ENABLED);
        }
    }
    EXPECT_FALSE(guardFired);
}

// As the disconnect does while access is asked: the exchange refused nothing, so nothing is said.
TEST_F(ExchangeProtocolTest, AccessWaitEndedByClosingTheLinkShowsNoRefusal)
{
    QTimer::singleShot(0, [this] {
        socket.reset();
        protocol.AbortWaits();
    });
    const Result access = protocol.RequestAccess();
    EXPECT_EQ(access.code, ERR_LINK_CLOSED);
    EXPECT_TRUE(access.text.isEmpty());
    EXPECT_FALSE(guardFired);
}

TEST_F(ExchangeProtocolTest, ReadTableEndsOnAnyEndingStatus)
{
    const Bytes record = Text("7fff") + Hex("00 30 00") + Text("021") + Hex("00") + Text("Rossi") + Hex("00");
    const struct {
        const char* what;
        std::vector<Arrival> arrivals;
        bool result;
        size_t records;
    } cases[] = {
        {"records then done",
         {Reply(12, TBL_DIRECTORY, record), Reply(ST_POLL_ANSWER, 0xFE02), Reply(13, TBL_DIRECTORY, record),
          Reply(0, ST_DONE)},
         true,
         2},
        {"empty table", {Reply(0, ST_DONE)}, true, 0},
        {"refused table", {Reply(0, 0xFE30)}, true, 0},
        {"timeout", {Reply(12, TBL_DIRECTORY, record), Timeout{}}, false, 1},
    };
    const Bytes request = Hex("02 00 00 00 00 FE 10 FF FF 2D 20");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        memory.Clear();
        const int showsBefore = waitCursor.Shows();
        Post(c.arrivals);
        EXPECT_EQ(protocol.ReadTable(TBL_DIRECTORY), c.result);
        EXPECT_EQ(peer.Read(request.size()), request);

        size_t records = 0;
        ConfigurationMemory::Position position = memory.FirstPosition();
        while (const auto found = memory.NextOfTable(position, TBL_DIRECTORY)) {
            EXPECT_EQ(Bytes(found->data.begin(), found->data.end()), record);
            ++records;
        }
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(waitCursor.Shows(), showsBefore + 1);
        EXPECT_EQ(waitCursor.Depth(), 0);
    }
    EXPECT_FALSE(guardFired);
}

TEST_F(ExchangeProtocolTest, ReadRecordReturnsOnlyWhatTheExchangeSentNow)
{
    const struct {
        const char* what;
        std::vector<Arrival> arrivals;
        std::optional<Bytes> result;
    } cases[] = {
        {"record", {Hex("02 00 02 05 00 27 18 33 00"), Reply(0, ST_DONE)}, Hex("33 00")},
        {"empty record", {Reply(0x0500, TBL_VERSION), Reply(0, ST_DONE)}, Bytes{}},
        {"no record: the stale copy is gone", {Reply(0, ST_DONE)}, std::nullopt},
        {"timeout", {Hex("02 00 02 05 00 27 18 33 00"), Timeout{}}, std::nullopt},
    };
    const Bytes request = Hex("02 00 00 00 00 FE 11 05 00 27 18");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        memory.Store(RecordBlock({0x0500, TBL_VERSION}, Text("stale").data(), 5));
        Post(c.arrivals);
        const auto data = protocol.ReadRecord(TBL_VERSION, 0x0500);
        EXPECT_EQ(peer.Read(request.size()), request);
        ASSERT_EQ(data.has_value(), c.result.has_value());
        if (data) {
            EXPECT_EQ(Bytes(data->begin(), data->end()), *c.result);
        }
        EXPECT_NE(Stored(TBL_VERSION, 0x0500), Text("stale"));
    }
    EXPECT_FALSE(guardFired);
}

TEST_F(ExchangeProtocolTest, WriteRecordStoresAndSendsWithoutWaiting)
{
    EXPECT_TRUE(protocol.WriteRecord(TBL_DIGITS, 0, Hex("33 00").data(), 2));
    EXPECT_EQ(peer.Read(13), Hex("02 00 02 00 00 FE 12 00 00 2D 10 33 00"));
    EXPECT_EQ(Stored(TBL_DIGITS, 0), Hex("33 00"));
    EXPECT_EQ(memory.Find({0, TBL_DIGITS})->Length(), 6);

    EXPECT_TRUE(protocol.WriteDirectoryRecord(12, "Rossi", "0212345678", 0x7FFF));
    const Bytes record = DirectoryRecord("Rossi", "0212345678", 0x7FFF);
    EXPECT_EQ(peer.Read(11 + record.size()), Hex("02 00 18 00 00 FE 12 00 0C 2D 20") + record);
    EXPECT_EQ(Stored(TBL_DIRECTORY, 12), record);
    EXPECT_EQ(waitCursor.Shows(), 0);
}

TEST_F(ExchangeProtocolTest, RecordTooLongForItsLengthFieldIsNeitherStoredNorSent)
{
    const Bytes tooLong(RecordBlock::MAX_DATA_LENGTH + 1, 'x');
    protocol.WriteRecord(TBL_DIRECTORY, 1, tooLong.data(), tooLong.size());
    EXPECT_EQ(memory.Count(), 0u);
    ExpectNothingSentBefore();
}

TEST_F(ExchangeProtocolTest, DeleteSendsOnlyForARecordHeld)
{
    protocol.DeleteDirectoryRecord(12);
    ExpectNothingSentBefore();

    memory.Store(RecordBlock({12, TBL_DIRECTORY}, nullptr, 0));
    protocol.DeleteDirectoryRecord(12);
    EXPECT_EQ(peer.Read(11), Hex("02 00 00 00 00 FE 13 00 0C 2D 20"));
    EXPECT_EQ(memory.Count(), 0u);
}

TEST_F(ExchangeProtocolTest, WithoutASocketEverythingStaysLocal)
{
    socket.reset();
    // Stored all the same, but told as not sent.
    EXPECT_FALSE(protocol.WriteRecord(TBL_DIGITS, 0, Hex("34 00").data(), 2));
    EXPECT_EQ(Stored(TBL_DIGITS, 0), Hex("34 00"));
    memory.Store(RecordBlock({12, TBL_DIRECTORY}, nullptr, 0));
    EXPECT_FALSE(protocol.DeleteDirectoryRecord(12));
    EXPECT_EQ(memory.Count(), 1u);

    EXPECT_FALSE(protocol.ReadTable(TBL_DIRECTORY));
    EXPECT_FALSE(protocol.ReadRecord(TBL_DIGITS, 0));
    EXPECT_EQ(protocol.WaitUntil([] { return false; }), WaitEnd::Aborted);
    EXPECT_EQ(waitCursor.Shows(), 0);
    const Result access = protocol.RequestAccess();
    EXPECT_EQ(access.code, ERR_ACCESS_REFUSED);
    EXPECT_EQ(access.text, NOT_ENABLED);
    EXPECT_FALSE(guardFired);
}

TEST_F(ExchangeProtocolTest, ArrivalsOutsideAWaitAreDiscarded)
{
    Post({Reply(1, TBL_DIRECTORY, Text("x")), Reply(0, ST_GRANTED), Timeout{}});
    QCoreApplication::sendPostedEvents(&owner);
    EXPECT_EQ(owner.frames.size(), 2u);
    EXPECT_EQ(memory.Count(), 0u);
    EXPECT_EQ(protocol.Replies().accessState, ACCESS_WAITING);

    // Nothing of that lingers into the next wait.
    Post({Reply(0, ST_DONE)});
    EXPECT_TRUE(protocol.ReadTable(TBL_DIRECTORY));
    EXPECT_EQ(memory.Count(), 0u);
}

TEST_F(ExchangeProtocolTest, AbortEndsEveryRunningWait)
{
    std::optional<WaitEnd> inner;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] { protocol.AbortWaits(); });
        inner = protocol.WaitUntil([this] { return protocol.Replies().pollAnswered; });
    });
    EXPECT_FALSE(protocol.ReadTable(TBL_DIRECTORY));
    EXPECT_EQ(inner, WaitEnd::Aborted);
    EXPECT_EQ(waitCursor.Depth(), 0);
    EXPECT_FALSE(guardFired);
}

TEST_F(ExchangeProtocolTest, NestedCheckInsideATableRead)
{
    const Bytes record = Text("1") + Hex("00");
    const struct {
        const char* what;
        std::vector<Arrival> duringCheck;
        std::vector<Arrival> afterCheck;
        WaitEnd checkEnd;
    } cases[] = {
        // The check takes the table's frames too; the read learns that it is done when the check returns.
        {"check consumes the end of the table",
         {Reply(4, TBL_ROUTING, record), Reply(0, ST_DONE), Reply(0, ST_POLL_ANSWER)},
         {},
         WaitEnd::Finished},
        // The timeout belongs to the latest request, the poll; the read goes on.
        {"check times out", {Timeout{}}, {Reply(4, TBL_ROUTING, record), Reply(0, ST_DONE)}, WaitEnd::TimedOut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        memory.Clear();
        std::optional<WaitEnd> check;
        QTimer::singleShot(0, [&] {
            protocol.Replies().pollAnswered = false;
            Post(c.duringCheck);
            check = protocol.WaitUntil([this] { return protocol.Replies().pollAnswered; });
            Post(c.afterCheck);
        });
        EXPECT_TRUE(protocol.ReadTable(TBL_ROUTING));
        EXPECT_EQ(check, c.checkEnd);
        EXPECT_EQ(Stored(TBL_ROUTING, 4), record);
    }
    EXPECT_FALSE(guardFired);
}

// The socket's timeout cannot end this wait: an unrelated whole frame disarmed it. The wait's own bound,
// counted from the request, still does.
TEST_F(ExchangeProtocolTest, WaitForAReplyEndsInTimeWhenTheSocketTimeoutWasDisarmed)
{
    const Bytes poll = BuildRequest(CMD_POLL);
    protocol.Replies().pollAnswered = false;
    socket->SendWithTimeout(poll.data(), int(poll.size()), 300);
    ASSERT_EQ(peer.Read(poll.size()), poll);
    peer.Write(Reply(0, ST_IGNORED) + Hex("02 00"));

    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(protocol.WaitUntil([this] { return protocol.Replies().pollAnswered; }, 300), WaitEnd::TimedOut);
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_EQ(owner.frames.size(), 1u);
    EXPECT_EQ(owner.timeouts, 0);
    EXPECT_FALSE(guardFired);
}

// A long reply keeps its wait alive as long as its frames come closer together than the bound, however
// long it runs in all; once they stop, the bound ends the wait, counted from the last of them.
TEST_F(ExchangeProtocolTest, WaitBoundCountsFromTheLatestFrame)
{
    constexpr uint32_t BOUND_MS = 300;
    const struct {
        const char* what;
        bool thenDone;
        WaitEnd end;
    } cases[] = {
        {"frames then the end", true, WaitEnd::Finished},
        {"frames then nothing", false, WaitEnd::TimedOut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        guard.start(15000);
        protocol.Replies().waitDone = false;
        // Eight records 100 ms apart: the reply runs well past the bound from its start.
        int sent = 0;
        QTimer pace;
        QObject::connect(&pace, &QTimer::timeout, [&] {
            if (sent < 8)
                peer.Write(Reply(uint16_t(sent), TBL_DIRECTORY, Text("x")));
            else if (sent == 8 && c.thenDone)
                peer.Write(Reply(0, ST_DONE));
            ++sent;
        });
        pace.start(100);
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_EQ(protocol.WaitUntil([this] { return protocol.Replies().waitDone; }, BOUND_MS), c.end);
        pace.stop();
        EXPECT_GE(elapsed.elapsed(), 800);
        if (!c.thenDone) {
            // The last record came at about 800 ms.
            EXPECT_GE(elapsed.elapsed(), 800 + BOUND_MS);
            EXPECT_LT(elapsed.elapsed(), 800 + 3 * BOUND_MS + 1000);
        }
        EXPECT_EQ(owner.timeouts, 0);
        EXPECT_FALSE(guardFired);
    }
}

// No reply can come over a link that has ended: the wait ends as on a timeout, long before the read's
// bound, whether it was running when the exchange went or the request came after.
TEST_F(ExchangeProtocolTest, EndedLinkEndsTheReplyWaitAtOnce)
{
    const struct {
        const char* what;
        void (LoopbackPeer::*end)();
        bool beforeTheRequest;
    } cases[] = {
        {"reset during the wait", &LoopbackPeer::ResetConnection, false},
        {"close during the wait", &LoopbackPeer::CloseConnection, false},
        {"reset before the request", &LoopbackPeer::ResetConnection, true},
        {"close before the request", &LoopbackPeer::CloseConnection, true},
    };
    const Bytes poll = BuildRequest(CMD_POLL);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        guard.start(15000);
        LoopbackPeer exchange;
        socket = std::make_unique<ExchangeSocket>();
        ASSERT_EQ(socket->Open(&owner, LoopbackPeer::ADDRESS, exchange.Port(), kFrameEvent, kTimeoutEvent), 0);
        ASSERT_TRUE(exchange.Accept());
        if (c.beforeTheRequest) {
            (exchange.*c.end)();
            // Time for the socket to learn of it before anything is armed.
            QTest::qWait(100);
        } else {
            QTimer::singleShot(0, [&] {
                exchange.Read(poll.size());
                (exchange.*c.end)();
            });
        }
        QElapsedTimer elapsed;
        elapsed.start();
        socket->SendWithTimeout(poll.data(), int(poll.size()), READ_TIMEOUT_MS);

        EXPECT_EQ(protocol.WaitUntil([] { return false; }, READ_TIMEOUT_MS), WaitEnd::TimedOut);
        EXPECT_LT(elapsed.elapsed(), READ_TIMEOUT_MS / 2);
        EXPECT_FALSE(guardFired);
    }
}

// Each case takes the full read timeout of 10 s.
TEST_F(ExchangeProtocolTest, ReplyThatStopsMidwayEndsTheRead)
{
    const struct {
        const char* what;
        Bytes sent;
        size_t stored;
    } cases[] = {
        {"after a whole record", Reply(3, TBL_DIRECTORY, Text("x")), 1},
        {"inside its first frame", Hex("02 00"), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        guard.start(15000);
        memory.Clear();
        // Sent by the exchange after the request, so its bytes come after the socket's timeout was armed.
        QTimer::singleShot(50, [this, &c] { peer.Write(c.sent); });
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_FALSE(protocol.ReadTable(TBL_DIRECTORY));
        EXPECT_LT(elapsed.elapsed(), 12000);
        EXPECT_EQ(memory.Count(), c.stored);
        EXPECT_EQ(waitCursor.Depth(), 0);
        EXPECT_FALSE(guardFired);
        // Nothing of the cut reply glues onto the next one.
        QTimer::singleShot(50, [this] { peer.Write(Reply(0, ST_DONE)); });
        EXPECT_TRUE(protocol.ReadTable(TBL_DIRECTORY));
    }
}
