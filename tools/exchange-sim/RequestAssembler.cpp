// SPDX-License-Identifier: GPL-3.0-or-later
#include "RequestAssembler.h"

#include <algorithm>

namespace exsim {

namespace {

std::uint16_t BigEndianAt(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

} // namespace

void RequestAssembler::Feed(const std::uint8_t* data, std::size_t size, std::vector<Request>& out)
{
    buffer.insert(buffer.end(), data, data + size);
    // Cut behind a moving start and drop what was consumed once at the end: dropping rejected bytes one
    // at a time from the front would make a flood of false start bytes cost quadratic time.
    const std::uint8_t* const begin = buffer.data();
    const std::uint8_t* const end = begin + buffer.size();
    const std::uint8_t* at = begin;
    for (;;) {
        const std::uint8_t* const start = std::find(at, end, FRAME_START);
        skipped += static_cast<std::size_t>(start - at);
        at = start;
        const auto available = static_cast<std::size_t>(end - at);
        if (available < REQUEST_HEADER_SIZE)
            break;

        const std::uint16_t command = BigEndianAt(at + 5);
        const std::size_t payloadSize = command == CMD_RELEASE ? 0 : BigEndianAt(at + 1);
        if (BigEndianAt(at + 3) != 0 || payloadSize > MAX_PAYLOAD) {
            ++skipped;
            ++at;
            continue;
        }
        const std::size_t frameSize = REQUEST_HEADER_SIZE + payloadSize;
        if (available < frameSize)
            break;

        Request request;
        request.command = command;
        request.index = BigEndianAt(at + 7);
        request.table = BigEndianAt(at + 9);
        request.payload.assign(at + REQUEST_HEADER_SIZE, at + frameSize);
        request.raw.assign(at, at + frameSize);
        at += frameSize;
        out.push_back(std::move(request));
    }
    buffer.erase(buffer.begin(), buffer.begin() + (at - begin));
}

} // namespace exsim
