// SPDX-License-Identifier: GPL-3.0-or-later
// Reply dispatch into the configuration memory: every frame the exchange sends passes here.

#include "FuzzCheck.h"
#include "link/ConfigurationMemory.h"
#include "link/ExchangeProtocol.h"
#include "link/Protocol.h"
#include "platform/WaitCursor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <vector>

using namespace tobrisk;

namespace {

// A block's 16-bit length field counts the data plus 4.
constexpr size_t LONGEST_RECORD = 0xFFFF - 4;

class NoCursor : public WaitCursor {
public:
    void Show() override { FUZZ_CHECK(false, "dispatching a frame shows no wait cursor"); }
    void Restore() override {}
};

bool SameState(const ReplyState& a, const ReplyState& b)
{
    return a.waitDone == b.waitDone && a.accessState == b.accessState && a.pollAnswered == b.pollAnswered;
}

bool SameData(std::span<const uint8_t> a, std::span<const uint8_t> b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

void CheckRecord(const ConfigurationMemory& memory, RecordKey key, std::span<const uint8_t> data)
{
    const RecordBlock* record = memory.Find(key);
    FUZZ_CHECK(record != nullptr, "a data frame is stored under its index and table");
    FUZZ_CHECK(record->Key() == key, "a stored block carries its own key");
    FUZZ_CHECK(record->Length() == data.size() + 4, "a stored block's length is its data length + 4");
    FUZZ_CHECK(record->Bytes().size() == RecordBlock::HEADER_SIZE + data.size(),
               "a stored block is its header and its data");
    FUZZ_CHECK(record->Bytes()[0] == RecordBlock::MARKER, "a stored block starts with its marker");
    FUZZ_CHECK(SameData(record->Data(), data), "a stored block holds the frame's data");
}

} // namespace

// The input is a run of frames, each as long as its header declares; the last one may stop short.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<ExchangeSocket> noSocket;
    ConfigurationMemory memory;
    NoCursor cursor;
    ExchangeProtocol protocol(noSocket, memory, cursor);

    // What the dispatcher must have done, kept the plain way.
    std::map<uint32_t, std::vector<uint8_t>> records;
    ReplyState state;

    const std::span<const uint8_t> bytes(data, size);
    size_t at = 0;
    while (at < bytes.size()) {
        size_t frameSize = bytes.size() - at;
        if (frameSize >= 3)
            frameSize = std::min(frameSize, REPLY_HEADER_SIZE + GetBigEndian16(&bytes[at + 1]));
        const std::span<const uint8_t> frame = bytes.subspan(at, frameSize);
        at += frameSize;

        protocol.DispatchReply(frame.data(), frame.size());

        const bool whole =
            frame.size() >= REPLY_HEADER_SIZE && frame.size() >= REPLY_HEADER_SIZE + GetBigEndian16(&frame[1]);
        if (!whole) {
            FUZZ_CHECK(SameState(protocol.Replies(), state), "a frame shorter than its header changes no state");
            FUZZ_CHECK(memory.Count() == records.size(), "a frame shorter than its header stores nothing");
            continue;
        }
        const RecordKey key{GetBigEndian16(&frame[3]), GetBigEndian16(&frame[5])};
        const std::span<const uint8_t> frameData = frame.subspan(REPLY_HEADER_SIZE, GetBigEndian16(&frame[1]));
        const uint16_t status = key.table;
        const ReplyState before = state;
        if (status == ST_DONE) {
            state.waitDone = true;
        } else if (status == ST_POLL_ANSWER) {
            state.pollAnswered = true;
        } else if (status == ST_GRANTED) {
            state.accessState = ACCESS_GRANTED;
            state.waitDone = true;
        } else if (status >= 0xFE30 && status <= 0xFE33) {
            state.accessState = ACCESS_REFUSED;
            state.waitDone = true;
        } else if (status != ST_IGNORED && frameData.size() <= LONGEST_RECORD) {
            records[key.Value()].assign(frameData.begin(), frameData.end());
            CheckRecord(memory, key, frameData);
        }
        // A record too long for the block's 16-bit length is refused, and leaves a stored one as it was.
        // Whether such a frame still counts as a status is left open: both outcomes are sound.
        if (frameData.size() > LONGEST_RECORD && SameState(protocol.Replies(), before))
            state = before;
        FUZZ_CHECK(SameState(protocol.Replies(), state), "the reply state follows the statuses");
        FUZZ_CHECK(memory.Count() == records.size(), "one stored block per key");
    }

    // Every record is still there as last received, and a walk of each table visits exactly its records.
    std::map<uint16_t, size_t> perTable;
    for (const auto& [value, recordData] : records) {
        const RecordKey key{uint16_t(value), uint16_t(value >> 16)};
        CheckRecord(memory, key, recordData);
        ++perTable[key.table];
    }
    for (const auto& [table, count] : perTable) {
        std::set<uint32_t> walked;
        auto position = memory.FirstPosition();
        while (const auto record = memory.NextOfTable(position, table)) {
            FUZZ_CHECK(record->key.table == table, "a walk of a table stays in that table");
            const auto found = records.find(record->key.Value());
            FUZZ_CHECK(found != records.end(), "a walk visits only stored records");
            FUZZ_CHECK(SameData(record->data, found->second), "a walk hands out the stored data");
            FUZZ_CHECK(walked.insert(record->key.Value()).second, "a walk visits a record once");
        }
        FUZZ_CHECK(walked.size() == count, "a walk of a table visits each of its records once");
        FUZZ_CHECK(position == memory.EndPosition(), "a finished walk ends at the end position");
    }
    memory.Clear();
    FUZZ_CHECK(memory.Count() == 0 && memory.FirstPosition() == memory.EndPosition(), "a cleared memory is empty");
    return 0;
}
