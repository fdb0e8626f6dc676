// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Entry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tobrisk {

// The checks the entry editor and the number-of-digits dialog run over the directory. `entries` is the
// collection in its own order, or the rows as displayed where indices are returned.

// Digits "0" to "9" and the dialling signs "*", "#", "P", "p", "F", "f"; at least one character.
bool IsValidPhoneNumber(std::string_view phoneNumber);
// True when an entry other than the one of the excluded short number carries exactly this name.
bool FindName(const std::vector<const Entry*>& entries, std::string_view name, std::optional<uint16_t> excluded);
bool FindPhoneNumber(const std::vector<const Entry*>& entries, std::string_view phoneNumber,
                     std::optional<uint16_t> excluded);
// The short number offered when adding: one above the highest, padded to the number of digits; the
// highest itself (already in use) when one more would not fit.
std::string ProposeShortNumber(const std::vector<const Entry*>& entries, uint8_t shortNumberDigits);
// The indices, ascending, of the rows whose short number has more than `digits` decimal digits.
std::vector<int> EntriesTooLong(const std::vector<const Entry*>& displayed, int digits);
// The value of a field of decimal digits; empty reads as 0.
uint16_t DigitsValue(std::string_view digits);

} // namespace tobrisk
