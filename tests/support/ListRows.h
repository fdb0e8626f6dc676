// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectoryView.h"

#include <cstdint>
#include <vector>

using namespace tobrisk;

// The directory list as a test reads it back: by the short numbers its rows show.

inline std::vector<uint16_t> ShownShortNumbers(const DirectoryView& view)
{
    std::vector<uint16_t> numbers;
    for (const Entry* entry : view.Model().Rows())
        numbers.push_back(entry->shortNumber);
    return numbers;
}

inline std::vector<uint16_t> SelectedShortNumbers(const DirectoryView& view)
{
    return view.SelectedShortNumbers();
}

// The row that shows this short number, or -1.
inline int RowOfShortNumber(const DirectoryView& view, uint16_t shortNumber)
{
    return view.Model().RowOf(shortNumber);
}
