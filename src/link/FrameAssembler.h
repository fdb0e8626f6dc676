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
        for (const uint8_t byte : bytes) {
            if (Take(byte)) {
                deliver(std::span<const uint8_t>(frame_.data(), position_));
                position_ = 0;
            }
        }
    }

    // Forgets a partly received frame.
    void Reset();

private:
    // True when the byte completes a frame of position_ bytes.
    bool Take(uint8_t byte);

    std::array<uint8_t, MAX_FRAME_SIZE> frame_{};
    size_t position_ = 0;
    size_t expected_ = 0;
    size_t toSkip_ = 0;
};

} // namespace tobrisk
