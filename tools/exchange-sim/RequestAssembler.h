// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Protocol.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace exsim {

// Cuts a byte stream into requests. A request is an 11-byte header (start byte 0x02, payload length,
// two zero bytes, command, index, table) and its payload; CMD_RELEASE carries 11 in its length field
// but never has a payload. A header with nonzero bytes 3-4 or a payload longer than MAX_PAYLOAD is not
// a request: its start byte is dropped and the search for the next 0x02 goes on from the byte after it,
// so stray bytes cannot swallow the requests that follow.
class RequestAssembler {
public:
    static constexpr std::size_t MAX_PAYLOAD = 4095 - REQUEST_HEADER_SIZE;

    // Appends received bytes and moves every request they complete to `out`, in order.
    void Feed(const std::uint8_t* data, std::size_t size, std::vector<Request>& out);

    // Bytes held for an incomplete request.
    std::size_t Pending() const { return buffer.size(); }

    // Bytes thrown away so far while looking for a request.
    std::size_t Skipped() const { return skipped; }

private:
    std::vector<std::uint8_t> buffer;
    std::size_t skipped = 0;
};

} // namespace exsim
