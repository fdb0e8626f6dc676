// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Tables.h"

#include <optional>
#include <string>
#include <string_view>

namespace exsim {

// The seed file: a hand-editable UTF-8 text that lists the records of an exchange. Its format is
// described by SeedFormatHelp(); texts are converted to code page 1252 on reading and back on writing.

// Parses seed text; on failure returns nothing and sets `error` to "line N: reason".
std::optional<Tables> ParseSeed(std::string_view text, std::string& error);

// Writes every record of `tables` so that ParseSeed gives back the same tables.
std::string FormatSeed(const Tables& tables);

std::optional<Tables> LoadSeedFile(const std::string& path, std::string& error);

// Writes through a temporary file and a rename, so a reader never sees half a file.
bool SaveSeedFile(const std::string& path, const Tables& tables, std::string& error);

// The description of the format, for --help.
std::string SeedFormatHelp();

} // namespace exsim
