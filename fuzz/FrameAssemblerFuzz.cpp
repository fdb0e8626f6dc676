// SPDX-License-Identifier: GPL-3.0-or-later
// Reply framing as the socket reads it: the bytes are whatever the peer sends.

#include "FuzzCheck.h"
#include "link/FrameAssembler.h"
#include "link/Protocol.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

using namespace tobrisk;

namespace {

using Frame = std::vector<uint8_t>;
using Frames = std::vector<Frame>;

// The framing rule applied to the whole stream at once, with none of the assembler's byte-by-byte state:
// a frame starts at a 0x02 outside any frame and is 7 bytes plus the length in its bytes 1-2; one that
// cannot fit the frame buffer is passed over by that length.
Frames FramesOf(std::span<const uint8_t> bytes)
{
    Frames frames;
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes[at] != FRAME_START) {
            ++at;
            continue;
        }
        if (bytes.size() - at < 3)
            break;
        const size_t size = REPLY_HEADER_SIZE + GetBigEndian16(&bytes[at + 1]);
        if (size <= FrameAssembler::MAX_FRAME_SIZE) {
            if (bytes.size() - at < size)
                break;
            frames.emplace_back(bytes.begin() + std::ptrdiff_t(at), bytes.begin() + std::ptrdiff_t(at + size));
        }
        at += size;
    }
    return frames;
}

struct Collector {
    Frames frames;

    void operator()(std::span<const uint8_t> frame)
    {
        FUZZ_CHECK(frame.size() >= REPLY_HEADER_SIZE, "a frame handed on holds its whole header");
        FUZZ_CHECK(frame[0] == FRAME_START, "a frame handed on starts with 0x02");
        FUZZ_CHECK(frame.size() == REPLY_HEADER_SIZE + GetBigEndian16(&frame[1]),
                   "a frame handed on has the length its header declares");
        FUZZ_CHECK(frame.size() <= FrameAssembler::MAX_FRAME_SIZE, "no frame handed on exceeds the frame buffer");
        frames.emplace_back(frame.begin(), frame.end());
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const Frames expected = FramesOf(bytes);

    FrameAssembler whole;
    Collector fromWhole;
    whole.Feed(bytes, fromWhole);
    FUZZ_CHECK(fromWhole.frames == expected, "the frames of the stream fed in one read");

    FrameAssembler byByte;
    Collector fromBytes;
    for (size_t i = 0; i < size; ++i)
        byByte.Feed(bytes.subspan(i, 1), fromBytes);
    FUZZ_CHECK(fromBytes.frames == expected, "the same frames when every byte is a read of its own");

    FrameAssembler chunked;
    Collector fromChunks;
    fuzz::ForEachChunk(bytes, [&](std::span<const uint8_t> chunk) { chunked.Feed(chunk, fromChunks); });
    FUZZ_CHECK(fromChunks.frames == expected, "the same frames whatever the chunking");

    // Whatever was left half received, a reset assembler takes the next frame whole.
    const Frame done = {FRAME_START, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x01};
    whole.Reset();
    Collector afterReset;
    whole.Feed(done, afterReset);
    FUZZ_CHECK(afterReset.frames == Frames{done}, "a reset forgets every partial frame");
    return 0;
}
