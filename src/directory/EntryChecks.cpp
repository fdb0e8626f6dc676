// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/EntryChecks.h"

#include "platform/TextScan.h"

#include <algorithm>

namespace tobrisk {

namespace {

bool Find(const std::vector<const Entry*>& entries, std::string_view text, std::optional<uint16_t> excluded,
          std::string Entry::*field)
{
    return std::any_of(entries.begin(), entries.end(), [&](const Entry* entry) {
        return entry->*field == text && !(excluded && entry->shortNumber == *excluded);
    });
}

} // namespace

bool IsValidPhoneNumber(std::string_view phoneNumber)
{
    constexpr std::string_view signs = "*#PpFf";
    return !phoneNumber.empty() && std::all_of(phoneNumber.begin(), phoneNumber.end(), [&](char c) {
        return (c >= '0' && c <= '9') || signs.find(c) != std::string_view::npos;
    });
}

bool FindName(const std::vector<const Entry*>& entries, std::string_view name, std::optional<uint16_t> excluded)
{
    return Find(entries, name, excluded, &Entry::name);
}

bool FindPhoneNumber(const std::vector<const Entry*>& entries, std::string_view phoneNumber,
                     std::optional<uint16_t> excluded)
{
    return Find(entries, phoneNumber, excluded, &Entry::phoneNumber);
}

std::string ProposeShortNumber(const std::vector<const Entry*>& entries, uint8_t shortNumberDigits)
{
    int highest = -1;
    for (const Entry* entry : entries)
        highest = std::max(highest, int(entry->shortNumber));
    std::string next = std::to_string(highest + 1);
    if (next.size() > shortNumberDigits)
        return std::to_string(highest);
    next.insert(0, shortNumberDigits - next.size(), '0');
    return next;
}

std::vector<int> EntriesTooLong(const std::vector<const Entry*>& displayed, int digits)
{
    std::vector<int> rows;
    for (size_t row = 0; row < displayed.size(); ++row)
        if (std::to_string(displayed[row]->shortNumber).size() > size_t(std::max(digits, 0)))
            rows.push_back(int(row));
    return rows;
}

uint16_t DigitsValue(std::string_view digits)
{
    // Digits from the very start: a blank or a sign first reads as 0.
    if (digits.empty() || !IsDecimalDigit(digits.front()))
        return 0;
    const LeadingDigits read = ReadLeadingInteger(digits);
    return uint16_t(read.overflowed ? 0xFFFFu : std::min(read.value, 0xFFFFu));
}

} // namespace tobrisk
