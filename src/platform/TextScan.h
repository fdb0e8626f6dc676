// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tobrisk {

// Free functions, any thread. Characters are bytes read with the C locale's rules, so that no reading
// depends on the locale of the machine.

// A space, a tab, a line feed, a vertical tab, a form feed or a carriage return.
bool IsBlank(char c);
bool IsDecimalDigit(char c);
// 0 to 15 for a hexadecimal digit of either case; -1 for any other character.
int HexDigitValue(char c);

// What ReadLeadingInteger found. Each caller decides what an overflow becomes: books wrap it, others
// hold it at their own limit.
struct LeadingDigits {
    bool negative = false;   // a '-' came before the digits
    uint32_t value = 0;      // the digits' value modulo 2^32
    size_t digits = 0;       // how many digits were read; none reads as the value 0
    bool overflowed = false; // the digits' value is above 2^32 - 1
};

// The decimal integer at the start of a text, read as the C library reads one: blanks, at most one sign,
// then digits up to the first character that is not one.
LeadingDigits ReadLeadingInteger(std::string_view text);

} // namespace tobrisk
