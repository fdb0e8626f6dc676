// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/LineSeizure.h"

#include "platform/TextScan.h"

#include <climits>
#include <cstdint>

namespace tobrisk {

namespace {

uint16_t UrbanGroup(uint16_t value)
{
    return uint16_t(((value & 0x3FFF) >> 7) & 0x1F);
}

uint16_t UrbanLine(uint16_t value)
{
    return uint16_t(value & 0x7F);
}

} // namespace

// Overflow is held at the int limits rather than left undefined.
int LeadingInteger(std::string_view text)
{
    constexpr int64_t held = int64_t(INT_MAX) + 1;
    const LeadingDigits read = ReadLeadingInteger(text);
    const int64_t magnitude = read.overflowed ? held : std::min(int64_t(read.value), held);
    const int64_t value = read.negative ? -magnitude : magnitude;
    return value > INT_MAX ? INT_MAX : int(value);
}

std::string ShortNumberText(const DirectorySettings& settings, uint16_t shortNumber)
{
    std::string digits = std::to_string(shortNumber);
    const size_t width = settings.shortNumberDigits;
    if (digits.size() >= width)
        digits.resize(width);
    else
        digits.insert(0, width - digits.size(), '0');
    return settings.directoryPrefix + digits;
}

uint16_t LineSeizureClass(uint16_t value)
{
    if (value & 0x8000)
        return 0x8000;
    if (value & 0x4000)
        return 0x4000;
    return uint16_t(value & 0xFF00);
}

std::string LineSeizureText(uint16_t value)
{
    // 0x7FFF has bit 14 set, so it must be recognised before the urban-line class.
    if (value == kSeizureDefaultRouting)
        return "Instradamento di default";
    const uint16_t seizureClass = LineSeizureClass(value);
    if (seizureClass == kSeizureRoutingClass)
        return "Instradamento " + std::to_string(value & 0xFF);
    if (seizureClass == kSeizureUrbanLineClass)
        return "Linea urbana " + UrbanLineText(value);
    if (value != kSeizureNone)
        return "?";
    return "Nessuno";
}

std::string UrbanLineText(uint16_t value)
{
    return std::to_string(UrbanGroup(value)) + "-" + std::to_string(UrbanLine(value));
}

std::string RoutingText(uint16_t value)
{
    return std::to_string(value & ~0x0300);
}

int LineSeizureKind(uint16_t value)
{
    if (value == kSeizureDefaultRouting)
        return kKindDefaultRouting;
    const uint16_t seizureClass = LineSeizureClass(value);
    if (seizureClass == kSeizureRoutingClass)
        return kKindRouting;
    if (seizureClass == kSeizureUrbanLineClass)
        return kKindUrbanLine;
    return kKindNone;
}

uint16_t LineSeizureFromChoice(int kind, std::string_view text)
{
    switch (kind) {
    case kKindDefaultRouting:
        return kSeizureDefaultRouting;
    case kKindRouting:
        return uint16_t(uint32_t(LeadingInteger(text)) | kSeizureRoutingClass);
    case kKindUrbanLine: {
        // Tokens between '-' separators; empty ones are skipped, a missing one reads as 0.
        int numbers[2] = {0, 0};
        int found = 0;
        size_t start = 0;
        while (found < 2 && start <= text.size()) {
            size_t end = text.find('-', start);
            if (end == std::string_view::npos)
                end = text.size();
            if (end > start)
                numbers[found++] = LeadingInteger(text.substr(start, end - start));
            start = end + 1;
        }
        return uint16_t(kSeizureUrbanLineClass | (uint32_t(numbers[0]) << 7) | uint32_t(numbers[1]));
    }
    default:
        return kSeizureNone;
    }
}

} // namespace tobrisk
