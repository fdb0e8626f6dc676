// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// How every short number is shown: behind the exchange's prefix, padded or cut to the number of digits.
struct CDirectorySettings {
    std::string directoryPrefix = "5";
    uint8_t shortNumberDigits = 3;
};

// Back to the values that hold before the exchange has been read.
void ResetDirectorySettings(CDirectorySettings& settings);
