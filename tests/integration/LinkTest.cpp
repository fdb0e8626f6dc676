// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ConfigurationMemory.h"
#include "link/ExchangeProtocol.h"
#include "link/ExchangeSocket.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"
#include "support/FakePlatform.h"

#include "SimHarness.h"
#include "exchange-sim/ExchangeSim.h"

#include <QElapsedTimer>
#include <QObject>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace tobrisk;

using namespace std::string_literals;

namespace {

using WaitEnd = ExchangeProtocol::WaitEnd;
using Records = std::map<uint16_t, std::string>;

constexpr int SIM_WAIT_MS = 5000;

const QString NOT_ENABLED = QStringLiteral("Opzione non abilitata sul sistema!");

// A small exchange whose every byte the tests know. One record carries a 0x02 inside its data, which
// only a reader that cuts frames by their length keeps intact.
exsim::Tables FixtureTables()
{
    exsim::Tables tables;
    tables[TBL_VERSION][0x0500] = "5\0"s;
    tables[TBL_DIGITS][0] = "4\0"s;
    tables[TBL_PREFIX][15] = "77\0"s;
    tables[TBL_ROUTING][0x0301] = "";
    tables[TBL_ROUTING][0x0302] = "";
    tables[TBL_DIRECTORY][3] = exsim::DirectoryRecord(0x0301, "01 23", "Caff\xE8");
    tables[TBL_DIRECTORY][12] = exsim::DirectoryRecord(0x7FFF, "0212345678", "Rossi");
    tables[TBL_DIRECTORY][456] = exsim::DirectoryRecord(0x4081, "3471234567", "Ufficio \x02 tecnico");
    tables[TBL_DIRECTORY][9999] = exsim::DirectoryRecord(0x0000, "0612345678", "Bianchi Niccol\xF2");
    return tables;
}

// Stands for the main window: hands every event on to the protocol, as the frame does.
class ProtocolOwner : public QObject {
public:
    std::function<bool(QEvent*)> forward;

    bool event(QEvent* event) override { return (forward && forward(event)) || QObject::event(event); }
};

// The product's link core on a real socket to the simulated exchange on 127.0.0.1.
class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartLoopbackSim(sim));
        owner.forward = [this](QEvent* event) { return protocol.HandleEvent(event); };
        ASSERT_NO_FATAL_FAILURE(Connect());
    }

    void TearDown() override
    {
        EXPECT_FALSE(guard.Fired());
        EXPECT_EQ(waitCursor.Depth(), 0);
    }

    // A new connection, as each connection starts without programming access and counts its own frames.
    // The guard allows every connection the same time.
    void Connect()
    {
        guard.Start();
        socket = std::make_unique<ExchangeSocket>();
        ASSERT_EQ(socket->Open(&owner, LOOPBACK, sim.ProgrammingPort(), kFrameEvent, kTimeoutEvent), 0);
    }

    // What the configuration memory holds of one table, found by walking it.
    Records Held(uint16_t table) const
    {
        Records held;
        ConfigurationMemory::Position position = memory.FirstPosition();
        while (const auto record = memory.NextOfTable(position, table)) {
            const bool first =
                held.emplace(record->key.index, std::string(record->data.begin(), record->data.end())).second;
            EXPECT_TRUE(first) << "index " << record->key.index << " visited twice";
        }
        return held;
    }

    Records OnExchange(uint16_t table) const
    {
        const exsim::Tables tables = sim.GetTables();
        const auto found = tables.find(table);
        return found == tables.end() ? Records() : found->second;
    }

    // The exchange lists a request before it answers it, so once a poll is answered every request sent
    // before the poll is listed too.
    std::vector<exsim::Request> ReceivedUpToAPoll()
    {
        const std::vector<uint8_t> poll = BuildRequest(CMD_POLL);
        protocol.Replies().pollAnswered = false;
        socket->SendWithTimeout(poll.data(), int(poll.size()), POLL_TIMEOUT_MS);
        EXPECT_EQ(protocol.WaitUntil([this] { return protocol.Replies().pollAnswered; }), WaitEnd::Finished);
        std::vector<exsim::Request> received = sim.Received();
        EXPECT_EQ(received.back().command, CMD_POLL);
        return received;
    }

    exsim::ExchangeSim sim{FixtureTables()};
    ConfigurationMemory memory;
    FakeWaitCursor waitCursor;
    ProtocolOwner owner;
    std::unique_ptr<ExchangeSocket> socket;
    ExchangeProtocol protocol{socket, memory, waitCursor};
    WaitGuard guard{protocol};
};

TEST_F(LinkTest, AccessIsGrantedOrRefusedWithOneMessage)
{
    // One connection asks again after each refusal, as the exchange allows.
    const std::optional<uint16_t> answers[] = {0xFE30, 0xFE31, 0xFE32, 0xFE33, std::nullopt};
    for (const std::optional<uint16_t>& refusal : answers) {
        SCOPED_TRACE(refusal ? *refusal : ST_GRANTED);
        exsim::Faults faults;
        faults.refuseAccess = refusal;
        sim.SetFaults(faults);
        const Result access = protocol.RequestAccess();

        EXPECT_EQ(access.Ok(), !refusal);
        if (refusal) {
            EXPECT_EQ(access.code, ERR_ACCESS_REFUSED);
            EXPECT_EQ(access.text, NOT_ENABLED);
            EXPECT_EQ(protocol.Replies().accessState, ACCESS_REFUSED);
        } else {
            EXPECT_TRUE(access.text.isEmpty());
            EXPECT_EQ(protocol.Replies().accessState, ACCESS_GRANTED);
        }
    }
}

TEST_F(LinkTest, TableReadHoldsExactlyTheExchangesRecords)
{
    const auto twoThousandEntries = [](exsim::ExchangeSim& exchange) {
        exchange.ClearTable(TBL_DIRECTORY);
        for (unsigned shortNumber = 0; shortNumber < 2000; ++shortNumber) {
            char name[40];
            char number[16];
            std::snprintf(name, sizeof name, "Caff\xE8 Nome Cognome %04u", shortNumber);
            std::snprintf(number, sizeof number, "02%08u", shortNumber * 7919u);
            exchange.SetRecord(TBL_DIRECTORY, uint16_t(shortNumber), exsim::DirectoryRecord(0x7FFF, number, name));
        }
    };
    const struct {
        const char* what;
        uint16_t table;
        std::function<void(exsim::ExchangeSim&)> prepare;
        size_t records;
    } cases[] = {
        {"directory", TBL_DIRECTORY, nullptr, 4},
        {"routings without data", TBL_ROUTING, nullptr, 2},
        {"a table the exchange does not have", TBL_URBAN_LINE, nullptr, 0},
        {"a full directory", TBL_DIRECTORY, twoThousandEntries, 2000},
    };
    ASSERT_TRUE(protocol.RequestAccess());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        memory.Clear();
        if (c.prepare)
            c.prepare(sim);
        ASSERT_EQ(OnExchange(c.table).size(), c.records);

        EXPECT_TRUE(protocol.ReadTable(c.table));

        EXPECT_EQ(Held(c.table), OnExchange(c.table));
        EXPECT_EQ(memory.Count(), c.records) << "nothing of another table";
    }
}

TEST_F(LinkTest, RecordReadReturnsWhatTheExchangeHoldsNow)
{
    const struct {
        const char* what;
        uint16_t table;
        uint16_t index;
        std::optional<std::string> data;
    } cases[] = {
        {"version", TBL_VERSION, 0x0500, "5\0"s},
        {"number of digits", TBL_DIGITS, 0, "4\0"s},
        {"prefix", TBL_PREFIX, 15, "77\0"s},
        {"directory entry", TBL_DIRECTORY, 456,
         "4081\0"
         "0\0"
         "3471234567\0"
         "Ufficio \x02 tecnico\0"s},
        {"absent entry", TBL_DIRECTORY, 457, std::nullopt},
    };
    ASSERT_TRUE(protocol.RequestAccess());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A copy left from earlier must not pass for the exchange's answer.
        const uint8_t stale[] = {'o', 'l', 'd', 0};
        memory.Store(RecordBlock({c.index, c.table}, stale, sizeof stale));

        const auto data = protocol.ReadRecord(c.table, c.index);

        ASSERT_EQ(data.has_value(), c.data.has_value());
        if (data) {
            EXPECT_EQ(std::string(data->begin(), data->end()), *c.data);
        }
        EXPECT_EQ(memory.Find({c.index, c.table}) != nullptr, c.data.has_value());
    }
}

TEST_F(LinkTest, WrittenRecordReachesTheExchangeByteExact)
{
    const struct {
        const char* what;
        uint16_t shortNumber;
        std::string name;
        std::string phoneNumber;
        uint16_t lineSeizure;
        std::string onExchange;
    } cases[] = {
        {"new entry", 42, "Caff\xE8 Rossi", "0212345678", 0x0301,
         "301\0"
         "0\0"
         "0212345678\0"
         "Caff\xE8 Rossi\0"s},
        {"replaces an entry", 12, "Verdi", "", 0x7FFF,
         "7fff\0"
         "0\0\0"
         "Verdi\0"s},
        {"start byte inside", 7, "A\x02Z", "02", 0x4000,
         "4000\0"
         "0\0"
         "02\0"
         "A\x02Z\0"s},
    };
    ASSERT_TRUE(protocol.RequestAccess());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = sim.Received().size();

        protocol.WriteDirectoryRecord(c.shortNumber, c.name, c.phoneNumber, c.lineSeizure);

        ASSERT_TRUE(sim.WaitForRequests(before + 1, SIM_WAIT_MS));
        EXPECT_EQ(sim.Record(TBL_DIRECTORY, c.shortNumber), c.onExchange);
        memory.Clear();
        const auto readBack = protocol.ReadRecord(TBL_DIRECTORY, c.shortNumber);
        ASSERT_TRUE(readBack.has_value());
        EXPECT_EQ(std::string(readBack->begin(), readBack->end()), c.onExchange);
    }
}

TEST_F(LinkTest, DeleteReachesTheExchangeOnlyForARecordRead)
{
    ASSERT_TRUE(protocol.RequestAccess());
    ASSERT_TRUE(protocol.ReadRecord(TBL_DIRECTORY, 12).has_value());
    const size_t before = sim.Received().size();

    protocol.DeleteDirectoryRecord(12);
    // Never read in this connection, so the exchange is not asked, though it holds the entry.
    protocol.DeleteDirectoryRecord(3);

    const std::vector<exsim::Request> received = ReceivedUpToAPoll();
    ASSERT_EQ(received.size(), before + 2) << "the delete and the poll";
    EXPECT_EQ(received[before].raw, exsim::Bytes({0x02, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x13, 0x00, 0x0C, 0x2D, 0x20}));
    EXPECT_FALSE(sim.Record(TBL_DIRECTORY, 12).has_value());
    EXPECT_TRUE(sim.Record(TBL_DIRECTORY, 3).has_value());
    EXPECT_EQ(memory.Find({12, TBL_DIRECTORY}), nullptr);
}

struct FaultCase {
    const char* what;
    exsim::Faults faults;
};

exsim::Faults Faulty(const std::function<void(exsim::Faults&)>& change)
{
    exsim::Faults faults;
    change(faults);
    return faults;
}

const FaultCase FAULT_CASES[] = {
    {"replies split into single bytes", Faulty([](exsim::Faults& f) { f.splitBytes = true; })},
    {"noise between frames", Faulty([](exsim::Faults& f) { f.noise = true; })},
    {"oversize frame before the table", Faulty([](exsim::Faults& f) { f.oversize = true; })},
    {"delayed replies", Faulty([](exsim::Faults& f) { f.replyDelayMs = 300; })},
    {"all of them at once", Faulty([](exsim::Faults& f) {
         f.splitBytes = true;
         f.splitPauseMs = 0;
         f.noise = true;
         f.oversize = true;
         f.replyDelayMs = 100;
     })},
};

TEST_F(LinkTest, FaultyRepliesStillGiveTheWholeTable)
{
    for (const FaultCase& c : FAULT_CASES) {
        SCOPED_TRACE(c.what);
        memory.Clear();
        sim.SetFaults(c.faults);
        ASSERT_NO_FATAL_FAILURE(Connect());

        ASSERT_TRUE(protocol.RequestAccess());
        // A stream out of step would keep every later wait hanging until the guard; stop at once.
        ASSERT_TRUE(protocol.ReadTable(TBL_DIRECTORY));

        // The oversize frame claims a record of the table; none of its bytes may show up as one.
        EXPECT_EQ(Held(TBL_DIRECTORY), OnExchange(TBL_DIRECTORY));
        // The stream is still cut at the right places for the next reply.
        const auto version = protocol.ReadRecord(TBL_VERSION, 0x0500);
        ASSERT_TRUE(version.has_value());
        EXPECT_EQ(std::string(version->begin(), version->end()), "5\0"s);
    }
}

// The silent exchange takes the full 10 s read timeout: the reply has begun, so only the read's own bound
// ends it. A closed connection ends it at once.
TEST_F(LinkTest, TableReplyThatStopsMidwayEndsTheReadFalse)
{
    const FaultCase cases[] = {
        {"exchange goes silent", Faulty([](exsim::Faults& f) { f.silenceAfter = 2; })},
        // The grant is the first frame of the connection.
        {"exchange closes the connection", Faulty([](exsim::Faults& f) { f.closeAfter = 3; })},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        sim.SetFaults(c.faults);
        ASSERT_NO_FATAL_FAILURE(Connect());
        memory.Clear();
        ASSERT_TRUE(protocol.RequestAccess());

        EXPECT_FALSE(protocol.ReadTable(TBL_DIRECTORY));

        // What arrived before the stop is kept, as it arrived.
        Records firstTwo = OnExchange(TBL_DIRECTORY);
        firstTwo.erase(std::next(firstTwo.begin(), 2), firstTwo.end());
        EXPECT_EQ(Held(TBL_DIRECTORY), firstTwo);
    }
}

// A reply cut inside its first frame disarms nothing: the wait ends with the request's own timeout (10 s
// for a read, 20 s for access), and the stream is cut right for the next reply.
TEST_F(LinkTest, ReadCutInsideItsFirstFrameEndsInItsTimeout)
{
    ASSERT_TRUE(protocol.RequestAccess());
    exsim::Faults faults;
    faults.cutFirstFrameAfter = 2;
    sim.SetFaults(faults);

    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(protocol.ReadTable(TBL_DIRECTORY));
    EXPECT_GE(elapsed.elapsed(), 9900);
    EXPECT_LT(elapsed.elapsed(), 12000);
    EXPECT_EQ(memory.Count(), 0u);

    sim.SetFaults({});
    const auto version = protocol.ReadRecord(TBL_VERSION, 0x0500);
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(std::string(version->begin(), version->end()), "5\0"s);
}

TEST_F(LinkTest, AccessAnsweredByOneStartByteEndsInItsTimeout)
{
    exsim::Faults faults;
    faults.cutFirstFrameAfter = 1;
    sim.SetFaults(faults);

    QElapsedTimer elapsed;
    elapsed.start();
    const Result access = protocol.RequestAccess();
    EXPECT_LT(elapsed.elapsed(), 22000);
    EXPECT_EQ(access.text, NOT_ENABLED);

    sim.SetFaults({});
    EXPECT_TRUE(protocol.RequestAccess());
}

TEST_F(LinkTest, UnansweredPollEndsItsWaitTimedOut)
{
    // Of every two polls the exchange leaves the first unanswered.
    exsim::Faults faults;
    faults.dropPolls = 2;
    sim.SetFaults(faults);
    const std::vector<uint8_t> poll = BuildRequest(CMD_POLL);
    // The poll's timeout is the caller's; a short one keeps the test quick.
    constexpr uint32_t POLL_WAIT_MS = 500;

    const WaitEnd expected[] = {WaitEnd::TimedOut, WaitEnd::Finished};
    for (const WaitEnd end : expected) {
        protocol.Replies().pollAnswered = false;
        socket->SendWithTimeout(poll.data(), int(poll.size()), POLL_WAIT_MS);

        EXPECT_EQ(protocol.WaitUntil([this] { return protocol.Replies().pollAnswered; }), end);
        EXPECT_EQ(protocol.Replies().pollAnswered, end == WaitEnd::Finished);
    }
}

// The exchange ends the session on a release without answering: the end of the stream is no reply, so the
// timeout armed with the release still expires. A wait that missed it would hang for good.
TEST_F(LinkTest, TimeoutArmedBeforeTheExchangeHangsUpStillExpires)
{
    ASSERT_TRUE(protocol.RequestAccess());

    socket->SendRelease();

    EXPECT_EQ(protocol.WaitUntil([] { return false; }), WaitEnd::TimedOut);
    EXPECT_TRUE(sim.WaitForConnectionsClosed(1, SIM_WAIT_MS));
}

} // namespace
