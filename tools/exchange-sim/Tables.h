#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace exsim {

// The exchange's configuration memory: table -> record index -> record data (code page 1252 bytes).
// Ordered maps, so a table is read out in ascending index order.
using Tables = std::map<std::uint16_t, std::map<std::uint16_t, std::string>>;

// A small plausible exchange: version 5, three digits, prefix 5, three routings, three urban lines
// and a dozen directory entries.
Tables DefaultTables();

} // namespace exsim
