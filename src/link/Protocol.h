// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tobrisk {

// Frames of the programming protocol; every 16-bit field is big-endian.

inline constexpr uint8_t FRAME_START = 0x02;
inline constexpr size_t REQUEST_HEADER_SIZE = 11;
inline constexpr size_t REPLY_HEADER_SIZE = 7;

inline constexpr uint16_t CMD_READ_TABLE = 0xFE10;
inline constexpr uint16_t CMD_READ_RECORD = 0xFE11;
inline constexpr uint16_t CMD_WRITE_RECORD = 0xFE12;
inline constexpr uint16_t CMD_DELETE_RECORD = 0xFE13;
inline constexpr uint16_t CMD_POLL = 0xFE15;
inline constexpr uint16_t CMD_REQUEST_ACCESS = 0xFE29;
inline constexpr uint16_t CMD_DIAL = 0xFF31;
inline constexpr uint16_t CMD_RELEASE = 0xFF32;

inline constexpr uint16_t ST_DONE = 0xFE01;
inline constexpr uint16_t ST_POLL_ANSWER = 0xFE02;
inline constexpr uint16_t ST_GRANTED = 0xFE03;
inline constexpr uint16_t ST_IGNORED = 0xFE05;
// Four refusal codes, treated alike.
inline constexpr uint16_t ST_REFUSED = 0xFE30;
inline constexpr uint16_t ST_REFUSED_LAST = 0xFE33;
inline constexpr uint16_t ST_DIAL_RESULT = 0xFF4B;

inline constexpr bool IsRefusal(uint16_t status)
{
    return status >= ST_REFUSED && status <= ST_REFUSED_LAST;
}

inline constexpr uint16_t TBL_DIRECTORY = 0x2D20;
inline constexpr uint16_t TBL_ROUTING = 0x2301;
inline constexpr uint16_t TBL_URBAN_LINE = 0x2001;
inline constexpr uint16_t TBL_DIGITS = 0x2D10;
inline constexpr uint16_t TBL_PREFIX = 0x2501;
inline constexpr uint16_t TBL_VERSION = 0x2718;

inline constexpr uint16_t ALL_RECORDS = 0xFFFF;

// The dial request carries the number as NUL-terminated text in 32 bytes.
inline constexpr size_t MAX_DIAL_TEXT = 31;

inline constexpr uint32_t READ_TIMEOUT_MS = 10'000;
inline constexpr uint32_t ACCESS_TIMEOUT_MS = 20'000;
inline constexpr uint32_t POLL_TIMEOUT_MS = 10'000;
inline constexpr uint32_t DIAL_TIMEOUT_MS = 10'000;
inline constexpr uint32_t RELEASE_TIMEOUT_MS = 2'000;

inline uint16_t GetBigEndian16(const uint8_t* bytes)
{
    return uint16_t(bytes[0] << 8 | bytes[1]);
}

inline void PutBigEndian16(uint8_t* bytes, uint16_t value)
{
    bytes[0] = uint8_t(value >> 8);
    bytes[1] = uint8_t(value);
}

// A request: the 11-byte header, then the payload (at most 0xFFFF bytes).
inline std::vector<uint8_t> BuildRequest(uint16_t command, uint16_t index = 0, uint16_t table = 0,
                                         std::span<const uint8_t> payload = {})
{
    std::vector<uint8_t> frame(REQUEST_HEADER_SIZE + payload.size());
    frame[0] = FRAME_START;
    PutBigEndian16(&frame[1], uint16_t(payload.size()));
    PutBigEndian16(&frame[5], command);
    PutBigEndian16(&frame[7], index);
    PutBigEndian16(&frame[9], table);
    std::copy(payload.begin(), payload.end(), frame.begin() + REQUEST_HEADER_SIZE);
    return frame;
}

// Nothing when the number is too long for the device's request.
inline std::optional<std::vector<uint8_t>> BuildDialRequest(std::string_view number)
{
    if (number.size() > MAX_DIAL_TEXT)
        return std::nullopt;
    std::vector<uint8_t> text(number.begin(), number.end());
    text.push_back(0);
    return BuildRequest(CMD_DIAL, 0, 0, text);
}

inline std::vector<uint8_t> BuildReleaseRequest()
{
    std::vector<uint8_t> frame = BuildRequest(CMD_RELEASE);
    // The device expects the header's own size here, not 0.
    PutBigEndian16(&frame[1], uint16_t(REQUEST_HEADER_SIZE));
    return frame;
}

} // namespace tobrisk
