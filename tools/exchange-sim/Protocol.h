// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Wire vocabulary of the exchange's programming protocol and of the PPPoE device, as seen from the
// exchange's side: requests arrive with an 11-byte header, replies leave with a 7-byte header.
namespace exsim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t FRAME_START = 0x02;
inline constexpr std::size_t REQUEST_HEADER_SIZE = 11;
inline constexpr std::size_t REPLY_HEADER_SIZE = 7;

inline constexpr std::uint16_t CMD_READ_TABLE = 0xFE10;
inline constexpr std::uint16_t CMD_READ_RECORD = 0xFE11;
inline constexpr std::uint16_t CMD_WRITE_RECORD = 0xFE12;
inline constexpr std::uint16_t CMD_DELETE_RECORD = 0xFE13;
inline constexpr std::uint16_t CMD_POLL = 0xFE15;
inline constexpr std::uint16_t CMD_REQUEST_ACCESS = 0xFE29;
inline constexpr std::uint16_t CMD_DIAL = 0xFF31;
inline constexpr std::uint16_t CMD_RELEASE = 0xFF32;

inline constexpr std::uint16_t ST_DONE = 0xFE01;
inline constexpr std::uint16_t ST_POLL_ANSWER = 0xFE02;
inline constexpr std::uint16_t ST_GRANTED = 0xFE03;
inline constexpr std::uint16_t ST_IGNORED = 0xFE05;
inline constexpr std::uint16_t ST_REFUSED_FIRST = 0xFE30;
inline constexpr std::uint16_t ST_REFUSED_LAST = 0xFE33;
inline constexpr std::uint16_t ST_DIAL_RESULT = 0xFF4B;

inline constexpr std::uint16_t TBL_URBAN_LINE = 0x2001;
inline constexpr std::uint16_t TBL_ROUTING = 0x2301;
inline constexpr std::uint16_t TBL_PREFIX = 0x2501;
inline constexpr std::uint16_t TBL_VERSION = 0x2718;
inline constexpr std::uint16_t TBL_DIGITS = 0x2D10;
inline constexpr std::uint16_t TBL_DIRECTORY = 0x2D20;

inline constexpr std::uint16_t ALL_RECORDS = 0xFFFF;
inline constexpr std::uint16_t DIGITS_INDEX = 0;
inline constexpr std::uint16_t PREFIX_INDEX = 15;
inline constexpr std::uint16_t VERSION_INDEX = 0x0500;

// The data length of a reply is a 16-bit field.
inline constexpr std::size_t MAX_RECORD_SIZE = 0xFFFF;

// One request as it arrived, with the header fields in host order.
struct Request {
    std::uint16_t command = 0;
    std::uint16_t index = 0;
    std::uint16_t table = 0;
    std::string payload;
    Bytes raw;

    bool operator==(const Request&) const = default;
};

// A reply frame: start byte, data length, index, table or status, data. Data beyond 0xFFFF bytes
// does not fit the length field; callers keep records within MAX_RECORD_SIZE.
Bytes BuildReply(std::uint16_t index, std::uint16_t tableOrStatus, std::string_view data = {});

// The answer of the PPPoE device to CMD_DIAL; this one field travels low-order byte first.
Bytes BuildDialResult(std::uint16_t result);

// Directory record data: seizure in lower-case hex, the reserved "0", number and name, each ending in NUL.
std::string DirectoryRecord(std::uint16_t lineSeizure, std::string_view phoneNumber, std::string_view name);

// Splits data made of NUL-terminated fields; false when the data does not end in a NUL.
bool SplitFields(std::string_view data, std::vector<std::string>& fields);

std::string CommandName(std::uint16_t command);
std::string TableName(std::uint16_t table);

// Bytes for a log line: NUL-terminated fields as quoted texts, other bytes escaped as \xHH.
std::string DescribeData(std::string_view data);

// One readable line describing a request, for the log.
std::string DescribeRequest(const Request& request);

} // namespace exsim
