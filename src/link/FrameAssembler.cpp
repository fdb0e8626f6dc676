// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/FrameAssembler.h"

#include "link/Protocol.h"

#include <algorithm>
#include <cstring>

namespace tobrisk {

void FrameAssembler::Reset()
{
    position_ = 0;
    toSkip_ = 0;
}

size_t FrameAssembler::Take(std::span<const uint8_t> bytes, bool& complete)
{
    if (toSkip_ > 0) {
        const size_t skipped = std::min(toSkip_, bytes.size());
        toSkip_ -= skipped;
        return skipped;
    }
    if (position_ == 0) {
        const auto* start = static_cast<const uint8_t*>(std::memchr(bytes.data(), FRAME_START, bytes.size()));
        if (!start)
            return bytes.size();
        frame_[position_++] = FRAME_START;
        return size_t(start - bytes.data()) + 1;
    }
    // Up to the length field, then up to the end of the frame it declares.
    const size_t wanted = position_ < 3 ? 3 : expected_;
    const size_t taken = std::min(wanted - position_, bytes.size());
    std::memcpy(&frame_[position_], bytes.data(), taken);
    position_ += taken;
    if (position_ == 3) {
        expected_ = REPLY_HEADER_SIZE + GetBigEndian16(&frame_[1]);
        if (expected_ > MAX_FRAME_SIZE) {
            toSkip_ = expected_ - position_;
            position_ = 0;
        }
        return taken;
    }
    complete = position_ == expected_;
    return taken;
}

} // namespace tobrisk
