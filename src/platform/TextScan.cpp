// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TextScan.h"

namespace tobrisk {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c)
{
    if (IsDecimalDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

LeadingDigits ReadLeadingInteger(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    LeadingDigits read;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        read.negative = text[pos] == '-';
        ++pos;
    }
    // Unsigned arithmetic wraps modulo 2^64, a multiple of 2^32: the low 32 bits stay exact however many
    // digits follow.
    uint64_t value = 0;
    for (; pos < text.size() && IsDecimalDigit(text[pos]); ++pos, ++read.digits) {
        value = value * 10u + uint64_t(text[pos] - '0');
        read.overflowed = read.overflowed || value > 0xFFFFFFFFu;
    }
    read.value = uint32_t(value);
    return read;
}

} // namespace tobrisk
