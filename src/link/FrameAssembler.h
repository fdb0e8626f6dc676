// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tobrisk {

// Cuts a byte stream into reply frames: start byte 0x02, then a 7-byte header whose bytes 1-2 hold the
// big-endian data length. Bytes outside a frame are skipped. A frame that would not fit the buffer is
// skipped whole, by its declared length, so a truncated frame is never delivered and the bytes inside
// it cannot be mistaken for the start of another frame.
class FrameAssembler {
public:
    static constexpr size_t MAX_FRAME_SIZE = 4095;

    // Calls deliver(std::span<const uint8_t>) for every frame completed by these bytes, in order.
    template <typename Deliver> void Feed(std::span<const uint8_t> bytes, Deliver&& deliver)
    {
        while (!bytes.empty()) {
            bool complete = false;
            bytes = bytes.subspan(Take(bytes, complete));
            if (complete) {
                deliver(std::span<const uint8_t>(frame_.data(), position_));
                position_ = 0;
            }
        }
    }

    // Forgets a partly received frame.
    void Reset();

private:
    // Takes the bytes up to the next change of state, a whole run at a time, and returns how many;
    // `complete` tells that they completed a frame of position_ bytes.
    size_t Take(std::span<const uint8_t> bytes, bool& complete);

    std::array<uint8_t, MAX_FRAME_SIZE> frame_{};
    size_t position_ = 0;
    size_t expected_ = 0;
    size_t toSkip_ = 0;
};

} // namespace tobrisk
