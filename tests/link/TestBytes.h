// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/Protocol.h"

#include <cstdint>
#include <sstream>
#include <string_view>
#include <vector>

using namespace tobrisk;

using Bytes = std::vector<uint8_t>;

// "02 00 0C" -> the bytes, as frames are written down.
inline Bytes Hex(std::string_view text)
{
    Bytes bytes;
    std::istringstream in{std::string(text)};
    unsigned value;
    while (in >> std::hex >> value)
        bytes.push_back(uint8_t(value));
    return bytes;
}

inline Bytes Text(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

inline Bytes operator+(Bytes left, const Bytes& right)
{
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// A reply frame as the exchange sends it.
inline Bytes Reply(uint16_t index, uint16_t tableOrStatus, const Bytes& data = {})
{
    Bytes frame(REPLY_HEADER_SIZE);
    frame[0] = FRAME_START;
    PutBigEndian16(&frame[1], uint16_t(data.size()));
    PutBigEndian16(&frame[3], index);
    PutBigEndian16(&frame[5], tableOrStatus);
    return frame + data;
}
