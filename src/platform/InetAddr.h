// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tobrisk {

// Free functions, any thread.
// IPv4 addresses are host-order numbers, the first octet in the most significant byte.

// Reads an address with the classic rules of the C library's address parser, written out
// here so that the result never depends on the library at hand: one to four parts joined
// by '.', each part decimal, octal (leading 0) or hexadecimal (leading 0x); the last part
// fills the bytes that are left ("10.1" is 10.0.0.1); a blank ends the address.
// Nothing when the text does not parse.
std::optional<uint32_t> ParseInetAddr(std::string_view text);

// The dotted form, "a.b.c.d".
std::string FormatInetAddr(uint32_t address);

} // namespace tobrisk
