// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/RecordFormats.h"

#include "link/ExchangeLimits.h"
#include "link/Protocol.h"
#include "platform/TextScan.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace tobrisk {

namespace {

constexpr uint8_t MAX_DIGITS = 4;
constexpr size_t MAX_PREFIX = 4;
constexpr uint8_t FIELD_SEPARATOR = 0x7F;
constexpr size_t DIRECTORY_FIELDS = 4;

std::string_view TextOf(std::span<const uint8_t> data)
{
    std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    return text.substr(0, text.find('\0'));
}

// Hexadecimal digits from the start up to the first other character; the value wraps, so its low
// bits are those of the whole number however long it is.
uint32_t LeadingHex(std::string_view text)
{
    uint32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            break;
        value = value << 4 | uint32_t(digit);
    }
    return value;
}

// Like the C library's reading of a number: leading blanks, an optional sign, then the digits.
std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

} // namespace

int ConfigVersionFromRecord(RecordData data)
{
    if (!data)
        return 0;
    std::string_view text = SkipBlanks(TextOf(*data));
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && HexDigitValue(text[2]) >= 0)
        text.remove_prefix(2);
    return int(LeadingHex(text) & 0xFF);
}

uint8_t DigitsFromRecord(RecordData data)
{
    if (!data)
        return DEFAULT_DIGITS;
    const LeadingDigits read = ReadLeadingInteger(TextOf(*data));
    const unsigned value = read.overflowed ? 1000u : std::min(read.value, 1000u);
    if (read.digits == 0 || read.negative || value < 1)
        return DEFAULT_DIGITS;
    return uint8_t(std::min(value, unsigned(MAX_DIGITS)));
}

std::vector<uint8_t> DigitsRecord(uint8_t digits)
{
    const std::string text = std::to_string(digits);
    std::vector<uint8_t> record(text.begin(), text.end());
    record.push_back(0);
    return record;
}

std::string PrefixFromRecord(RecordData data)
{
    if (!data)
        return std::string();
    return std::string(TextOf(*data).substr(0, MAX_PREFIX));
}

std::optional<DirectoryFields> ParseDirectoryRecord(std::span<const uint8_t> data)
{
    // NUL and 0x7F both end a field; a last field without its end counts all the same.
    std::vector<std::string_view> fields;
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    size_t start = 0;
    while (start < text.size() && fields.size() < DIRECTORY_FIELDS) {
        size_t end = start;
        while (end < text.size() && text[end] != '\0' && uint8_t(text[end]) != FIELD_SEPARATOR)
            ++end;
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (fields.size() < DIRECTORY_FIELDS)
        return std::nullopt;
    return DirectoryFields{uint16_t(LeadingHex(fields[0])), std::string(fields[2]), std::string(fields[3])};
}

std::vector<uint8_t> DirectoryRecord(const std::string& name, const std::string& phoneNumber, uint16_t lineSeizure)
{
    // Like "%s" the texts end at a NUL; a longer text would not fit the exchange's field.
    const auto field = [](const std::string& text) { return text.substr(0, std::min(text.find('\0'), kMaxTextBytes)); };
    constexpr char SEPARATOR = char(FIELD_SEPARATOR);
    char seizure[8];
    std::snprintf(seizure, sizeof seizure, "%x", unsigned(lineSeizure));
    const std::string text =
        std::string(seizure) + SEPARATOR + '0' + SEPARATOR + field(phoneNumber) + SEPARATOR + field(name) + SEPARATOR;
    std::vector<uint8_t> record(text.begin(), text.end());
    std::replace(record.begin(), record.end(), FIELD_SEPARATOR, uint8_t(0));
    return record;
}

std::vector<uint16_t> TableIndices(const ConfigurationMemory& memory, uint16_t table)
{
    std::vector<uint16_t> indices;
    ConfigurationMemory::Position position = memory.FirstPosition();
    while (const auto record = memory.NextOfTable(position, table))
        indices.push_back(record->key.index);
    std::sort(indices.begin(), indices.end());
    return indices;
}

std::vector<uint8_t> PollRequest()
{
    return BuildRequest(CMD_POLL);
}

std::optional<uint16_t> ReplyStatus(std::span<const uint8_t> frame)
{
    if (frame.size() < REPLY_HEADER_SIZE)
        return std::nullopt;
    return GetBigEndian16(&frame[5]);
}

DialAnswer ParseDialAnswer(std::span<const uint8_t> frame)
{
    const std::optional<uint16_t> status = ReplyStatus(frame);
    if (status != ST_DIAL_RESULT)
        return DialAnswer{false, status.value_or(0)};
    // The device sends its result with the low-order byte first.
    return DialAnswer{true, uint16_t(frame[3] | frame[4] << 8)};
}

} // namespace tobrisk
