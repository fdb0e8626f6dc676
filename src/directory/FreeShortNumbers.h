// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Entry.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace tobrisk {

// A run of consecutive short numbers, both ends included.
struct ShortNumberRange {
    uint16_t first = 0;
    uint16_t last = 0;
    bool operator==(const ShortNumberRange&) const = default;
};

// The short numbers no entry holds among those the number of digits allows (0 to 10^digits - 1), as
// ascending runs.
std::vector<ShortNumberRange> FreeShortNumberRanges(const std::vector<const Entry*>& entries, uint8_t digits);
int RangesCount(const std::vector<ShortNumberRange>& ranges);
// The runs as the list shows short numbers, behind the prefix: "5003–5009, 5013".
QString RangesText(const std::vector<ShortNumberRange>& ranges, const DirectorySettings& settings);

} // namespace tobrisk
