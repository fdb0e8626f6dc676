// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every record and frame format the exchange and the PPPoE device speak, built and read in one place.

#include "link/ConfigurationMemory.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tobrisk {

inline constexpr int MIN_CONFIG_VERSION = 1;
inline constexpr int MAX_CONFIG_VERSION = 5;
// Where the version and the prefix are kept in their tables.
inline constexpr uint16_t VERSION_INDEX = 0x0500;
inline constexpr uint16_t PREFIX_INDEX = 15;
inline constexpr uint8_t DEFAULT_DIGITS = 3;

using RecordData = std::optional<std::span<const uint8_t>>;

// The version record's text read as hexadecimal, its low 8 bits; 0 when no record came or it holds
// no hexadecimal digit.
int ConfigVersionFromRecord(RecordData data);
// Above 4 gives 4; no record, no number or below 1 keeps the default 3, which the rest of the
// program can show and edit.
uint8_t DigitsFromRecord(RecordData data);
// The number as text with its NUL, as the exchange keeps it.
std::vector<uint8_t> DigitsRecord(uint8_t digits);
// The text up to its first NUL, cut to the 4 characters the prefix holds; empty without a record.
std::string PrefixFromRecord(RecordData data);

struct DirectoryFields {
    uint16_t lineSeizure = 0;
    std::string phoneNumber;
    std::string name;
};
// Fields 1, 3 and 4 of a directory record; nothing when it has fewer than four fields. A record of
// any length is read whole.
std::optional<DirectoryFields> ParseDirectoryRecord(std::span<const uint8_t> data);
std::vector<uint8_t> DirectoryRecord(const std::string& name, const std::string& phoneNumber, uint16_t lineSeizure);

// The short numbers of the routings or urban lines (any one table) now in memory, ascending.
std::vector<uint16_t> TableIndices(const ConfigurationMemory& memory, uint16_t table);

std::vector<uint8_t> PollRequest();

// The status word of a reply frame; nothing for a frame shorter than a reply header.
std::optional<uint16_t> ReplyStatus(std::span<const uint8_t> frame);
// What the PPPoE device's answer to a dial request says: 0 for a link made, else the device's code, or
// the status of an answer that is no dial result (0 for one too short to have one).
struct DialAnswer {
    bool isDialResult = false;
    uint16_t code = 0;
};
DialAnswer ParseDialAnswer(std::span<const uint8_t> frame);

} // namespace tobrisk
