// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/FreeShortNumbers.h"

#include "directory/LineSeizure.h"
#include "platform/CodePage.h"

#include <QStringList>

namespace tobrisk {

std::vector<ShortNumberRange> FreeShortNumberRanges(const std::vector<const Entry*>& entries, uint8_t digits)
{
    int end = 1;
    for (int i = 0; i < digits; ++i)
        end *= 10;
    std::vector<bool> used(size_t(end), false);
    for (const Entry* entry : entries)
        if (entry->shortNumber < end)
            used[entry->shortNumber] = true;
    std::vector<ShortNumberRange> ranges;
    for (int number = 0; number < end; ++number) {
        if (used[size_t(number)])
            continue;
        if (!ranges.empty() && ranges.back().last == number - 1)
            ranges.back().last = uint16_t(number);
        else
            ranges.push_back({uint16_t(number), uint16_t(number)});
    }
    return ranges;
}

int RangesCount(const std::vector<ShortNumberRange>& ranges)
{
    int count = 0;
    for (const ShortNumberRange& range : ranges)
        count += range.last - range.first + 1;
    return count;
}

QString RangesText(const std::vector<ShortNumberRange>& ranges, const DirectorySettings& settings)
{
    QStringList parts;
    for (const ShortNumberRange& range : ranges) {
        QString part = FromCp1252(ShortNumberText(settings, range.first));
        if (range.last != range.first)
            part += QChar(0x2013) + FromCp1252(ShortNumberText(settings, range.last));
        parts.push_back(part);
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace tobrisk
