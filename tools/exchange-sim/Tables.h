// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace exsim {

// The exchange's configuration memory: table -> record index -> record data (code page 1252 bytes).
// Ordered maps, so a table is read out in ascending index order.
using Tables = std::map<std::uint16_t, std::map<std::uint16_t, std::string>>;

// A plausible exchange for the demo: version 5, three digits, prefix 5, four routings, six urban
// lines and forty directory entries of a small firm.
Tables DefaultTables();

} // namespace exsim
