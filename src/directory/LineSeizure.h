// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tobrisk {

// Line-seizure values: 0x0000 none, 0x7FFF default routing, 0x03nn routing nn,
// 0x4000 + group * 128 + line an urban line. Anything else is shown as not recognised.
inline constexpr uint16_t kSeizureNone = 0x0000;
inline constexpr uint16_t kSeizureDefaultRouting = 0x7FFF;
inline constexpr uint16_t kSeizureRoutingClass = 0x0300;
inline constexpr uint16_t kSeizureUrbanLineClass = 0x4000;

// The editor's choices, in the order of its radio buttons.
enum SeizureKind : int { kKindNone = 0, kKindDefaultRouting = 1, kKindRouting = 2, kKindUrbanLine = 3 };

// The short number as shown everywhere: prefix, then the digits padded with zeros or cut to the set width.
std::string ShortNumberText(const DirectorySettings& settings, uint16_t shortNumber);

uint16_t LineSeizureClass(uint16_t value);
std::string LineSeizureText(uint16_t value);
// "group-line" of an urban-line value.
std::string UrbanLineText(uint16_t value);
// The routing number of a routing value (bits 8 and 9 cleared), in decimal.
std::string RoutingText(uint16_t value);
int LineSeizureKind(uint16_t value);
// Builds the value from the editor's choice and the text of the selected item of its list.
uint16_t LineSeizureFromChoice(int kind, std::string_view text);

// The leading decimal integer of a text, read like atoi: blanks and one sign accepted, no digits read as 0.
int LeadingInteger(std::string_view text);

} // namespace tobrisk
