// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/InetAddr.h"

#include "platform/TextScan.h"

#include <array>

namespace tobrisk {

namespace {

// One part: decimal, 0-prefixed octal or 0x-prefixed hexadecimal. Stops at the first
// character that does not belong to the number; nothing when the part has no digits or
// does not fit 32 bits.
std::optional<uint32_t> ReadPart(std::string_view text, size_t& pos)
{
    if (pos >= text.size() || !IsDecimalDigit(text[pos]))
        return std::nullopt;
    uint32_t base = 10;
    if (text[pos] == '0') {
        // "0x" without a hex digit after it is the number 0 followed by the letter x.
        const bool hex = pos + 2 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
                         HexDigitValue(text[pos + 2]) >= 0;
        base = hex ? 16 : 8;
        pos += hex ? 2 : 0;
    }
    uint64_t value = 0;
    while (pos < text.size()) {
        const int digit = HexDigitValue(text[pos]);
        if (digit < 0 || uint32_t(digit) >= base)
            break;
        value = value * base + uint32_t(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
        ++pos;
    }
    return uint32_t(value);
}

} // namespace

std::optional<uint32_t> ParseInetAddr(std::string_view text)
{
    std::array<uint32_t, 4> parts{};
    size_t count = 0;
    size_t pos = 0;
    for (;;) {
        const std::optional<uint32_t> part = ReadPart(text, pos);
        if (!part)
            return std::nullopt;
        parts[count++] = *part;
        if (pos < text.size() && text[pos] == '.') {
            if (count == 4 || *part > 0xFF)
                return std::nullopt;
            ++pos;
            continue;
        }
        break;
    }
    // A blank (or a NUL, where a C string would end) ends the address; whatever follows
    // it is not looked at.
    if (pos < text.size() && text[pos] != '\0' && !IsBlank(text[pos]))
        return std::nullopt;

    // The last part fills the bytes the earlier parts left.
    static constexpr std::array<uint32_t, 4> lastMax{0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    const uint32_t last = parts[count - 1];
    if (last > lastMax[count - 1])
        return std::nullopt;
    uint32_t address = last;
    for (size_t i = 0; i + 1 < count; ++i)
        address |= parts[i] << (24 - 8 * i);
    return address;
}

std::string FormatInetAddr(uint32_t address)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (shift != 24)
            text += '.';
        text += std::to_string((address >> shift) & 0xFFu);
    }
    return text;
}

} // namespace tobrisk
