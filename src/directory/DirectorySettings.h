// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace tobrisk {

// How every short number is shown: behind the exchange's prefix, padded or cut to the number of digits.
// The defaults are what holds before the exchange has been read.
struct DirectorySettings {
    std::string directoryPrefix = "5";
    uint8_t shortNumberDigits = 3;
};

} // namespace tobrisk
