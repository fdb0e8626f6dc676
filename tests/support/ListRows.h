// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/PlimsetView.h"

#include <cstdint>
#include <vector>

// The directory list as a test reads it back: by the short numbers its rows show.

inline std::vector<uint16_t> ShownShortNumbers(const CPlimsetView& view)
{
    std::vector<uint16_t> numbers;
    for (int row = 0; row < view.DisplayedCount(); ++row)
        numbers.push_back(view.DisplayedEntry(row).shortNumber);
    return numbers;
}

inline std::vector<uint16_t> SelectedShortNumbers(const CPlimsetView& view)
{
    std::vector<uint16_t> numbers;
    for (int row : view.SelectedRows())
        numbers.push_back(view.DisplayedEntry(row).shortNumber);
    return numbers;
}

// The row that shows this short number, or -1.
inline int RowOfShortNumber(const CPlimsetView& view, uint16_t shortNumber)
{
    for (int row = 0; row < view.DisplayedCount(); ++row)
        if (view.DisplayedEntry(row).shortNumber == shortNumber)
            return row;
    return -1;
}
