// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated exchange's request cutter: the bytes are whatever a client sends it.

#include "FuzzCheck.h"
#include "exchange-sim/RequestAssembler.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

using exsim::Request;
using exsim::RequestAssembler;

uint16_t BigEndianAt(std::span<const uint8_t> bytes, size_t at)
{
    return uint16_t(bytes[at] << 8 | bytes[at + 1]);
}

struct Cut {
    std::vector<Request> requests;
    size_t skipped = 0;
    size_t pending = 0;
};

// The request rule applied to the whole stream at once: at each 0x02, an 11-byte header with zero bytes
// 3-4 and a payload that fits is a request; anything else at that 0x02 is one skipped byte.
Cut CutAtOnce(std::span<const uint8_t> bytes)
{
    Cut cut;
    size_t at = 0;
    for (;;) {
        while (at < bytes.size() && bytes[at] != exsim::FRAME_START) {
            ++at;
            ++cut.skipped;
        }
        const size_t left = bytes.size() - at;
        if (left < exsim::REQUEST_HEADER_SIZE) {
            cut.pending = left;
            return cut;
        }
        const uint16_t command = BigEndianAt(bytes, at + 5);
        const size_t payloadSize = command == exsim::CMD_RELEASE ? 0 : BigEndianAt(bytes, at + 1);
        if (BigEndianAt(bytes, at + 3) != 0 || payloadSize > RequestAssembler::MAX_PAYLOAD) {
            ++at;
            ++cut.skipped;
            continue;
        }
        const size_t size = exsim::REQUEST_HEADER_SIZE + payloadSize;
        if (left < size) {
            cut.pending = left;
            return cut;
        }
        const auto raw = bytes.subspan(at, size);
        Request request;
        request.command = command;
        request.index = BigEndianAt(raw, 7);
        request.table = BigEndianAt(raw, 9);
        request.payload.assign(raw.begin() + exsim::REQUEST_HEADER_SIZE, raw.end());
        request.raw.assign(raw.begin(), raw.end());
        cut.requests.push_back(std::move(request));
        at += size;
    }
}

void CheckRequests(const std::vector<Request>& requests)
{
    for (const Request& request : requests) {
        const std::span<const uint8_t> raw(request.raw);
        FUZZ_CHECK(raw.size() >= exsim::REQUEST_HEADER_SIZE, "a request holds its whole header");
        FUZZ_CHECK(raw[0] == exsim::FRAME_START, "a request starts with 0x02");
        FUZZ_CHECK(BigEndianAt(raw, 3) == 0, "a request's bytes 3-4 are zero");
        FUZZ_CHECK(request.command == BigEndianAt(raw, 5) && request.index == BigEndianAt(raw, 7) &&
                       request.table == BigEndianAt(raw, 9),
                   "a request's fields are its header's");
        const size_t declared = request.command == exsim::CMD_RELEASE ? 0 : BigEndianAt(raw, 1);
        FUZZ_CHECK(request.payload.size() == declared, "a request has the payload its header declares");
        FUZZ_CHECK(raw.size() == exsim::REQUEST_HEADER_SIZE + declared, "a request is its header and payload");
        FUZZ_CHECK(request.payload.size() <= RequestAssembler::MAX_PAYLOAD, "no payload exceeds the limit");
        FUZZ_CHECK(std::equal(request.payload.begin(), request.payload.end(), raw.begin() + exsim::REQUEST_HEADER_SIZE,
                              raw.end(), [](char a, uint8_t b) { return uint8_t(a) == b; }),
                   "a request's payload is the bytes after its header");
    }
}

template <typename Feed> Cut CutWith(Feed&& feed)
{
    RequestAssembler assembler;
    Cut cut;
    feed([&](std::span<const uint8_t> chunk) { assembler.Feed(chunk.data(), chunk.size(), cut.requests); });
    cut.skipped = assembler.Skipped();
    cut.pending = assembler.Pending();
    return cut;
}

bool operator==(const Cut& a, const Cut& b)
{
    return a.requests == b.requests && a.skipped == b.skipped && a.pending == b.pending;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const Cut expected = CutAtOnce(bytes);

    const Cut whole = CutWith([&](auto take) { take(bytes); });
    CheckRequests(whole.requests);
    size_t accounted = whole.skipped + whole.pending;
    for (const Request& request : whole.requests)
        accounted += request.raw.size();
    FUZZ_CHECK(accounted == size, "every byte is in a request, skipped or pending");
    FUZZ_CHECK(whole == expected, "the requests of the stream fed in one read");

    const Cut byByte = CutWith([&](auto take) {
        for (size_t i = 0; i < size; ++i)
            take(bytes.subspan(i, 1));
    });
    FUZZ_CHECK(byByte == expected, "the same requests when every byte is a read of its own");

    const Cut chunked = CutWith([&](auto take) { fuzz::ForEachChunk(bytes, take); });
    FUZZ_CHECK(chunked == expected, "the same requests whatever the chunking");
    return 0;
}
