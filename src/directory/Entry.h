// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace tobrisk {

// One directory entry. Texts are code page 1252 bytes; the directory cuts them to 32 bytes when it stores them.
struct Entry {
    std::string name;
    std::string phoneNumber;
    uint16_t lineSeizure = 0;
    uint16_t shortNumber = 0;

    friend bool operator==(const Entry&, const Entry&) = default;
};

} // namespace tobrisk
