// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace tobrisk {

// What the exchange's directory can hold: a longer list or text is refused or cut before it is sent.
inline constexpr int kMaxEntries = 2000;
// A name or a number, in bytes of code page 1252.
inline constexpr size_t kMaxTextBytes = 32;

} // namespace tobrisk
