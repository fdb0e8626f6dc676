// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/FrameAssembler.h"

#include "link/Protocol.h"

namespace tobrisk {

void FrameAssembler::Reset()
{
    position_ = 0;
    toSkip_ = 0;
}

bool FrameAssembler::Take(uint8_t byte)
{
    if (toSkip_ > 0) {
        --toSkip_;
        return false;
    }
    if (position_ == 0) {
        if (byte == FRAME_START)
            frame_[position_++] = byte;
        return false;
    }
    frame_[position_++] = byte;
    if (position_ == 3) {
        expected_ = REPLY_HEADER_SIZE + GetBigEndian16(&frame_[1]);
        if (expected_ > MAX_FRAME_SIZE) {
            toSkip_ = expected_ - position_;
            position_ = 0;
        }
        return false;
    }
    return position_ >= REPLY_HEADER_SIZE && position_ == expected_;
}

} // namespace tobrisk
