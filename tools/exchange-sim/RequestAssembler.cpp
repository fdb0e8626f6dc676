#include "RequestAssembler.h"

#include <algorithm>
#include <cstddef>

namespace exsim {

namespace {

std::uint16_t BigEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

} // namespace

void RequestAssembler::Feed(const std::uint8_t* data, std::size_t size, std::vector<Request>& out)
{
    buffer.insert(buffer.end(), data, data + size);
    for (;;) {
        const auto start = std::find(buffer.begin(), buffer.end(), FRAME_START);
        skipped += static_cast<std::size_t>(start - buffer.begin());
        buffer.erase(buffer.begin(), start);
        if (buffer.size() < REQUEST_HEADER_SIZE)
            return;

        const std::uint16_t command = BigEndianAt(buffer, 5);
        const std::size_t payloadSize = command == CMD_RELEASE ? 0 : BigEndianAt(buffer, 1);
        if (BigEndianAt(buffer, 3) != 0 || payloadSize > MAX_PAYLOAD) {
            ++skipped;
            buffer.erase(buffer.begin());
            continue;
        }
        const std::size_t frameSize = REQUEST_HEADER_SIZE + payloadSize;
        if (buffer.size() < frameSize)
            return;

        Request request;
        request.command = command;
        request.index = BigEndianAt(buffer, 7);
        request.table = BigEndianAt(buffer, 9);
        request.payload.assign(buffer.begin() + std::ptrdiff_t(REQUEST_HEADER_SIZE),
                               buffer.begin() + std::ptrdiff_t(frameSize));
        request.raw.assign(buffer.begin(), buffer.begin() + std::ptrdiff_t(frameSize));
        buffer.erase(buffer.begin(), buffer.begin() + std::ptrdiff_t(frameSize));
        out.push_back(std::move(request));
    }
}

} // namespace exsim
