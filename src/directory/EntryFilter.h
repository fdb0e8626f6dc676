// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Entry.h"

#include <string>
#include <string_view>
#include <vector>

namespace tobrisk {

// Code page 1252 text made comparable for a search: letters lower case, accented letters as their base
// letter, and a doubled letter as one, since a typed name often loses or gains one ("Niccolò" reads
// "nicolo"). Digits stay as they are: "5003" is no "503".
std::string FoldForSearch(std::string_view text);

// What the user typed over the list, split into words. An entry matches when each word is found in its
// short number as shown, its name, its telephone number or its line-seizure text; case and accents do not
// count (as FoldForSearch reads them), and a telephone number is compared by its digits alone, so "02 765"
// finds "02-765 43".
class EntryFilter {
public:
    EntryFilter() = default;
    // The text in code page 1252.
    explicit EntryFilter(std::string_view text);

    bool IsEmpty() const { return words_.empty(); }
    bool Matches(const Entry& entry, const DirectorySettings& settings) const;

private:
    struct Word {
        std::string folded;
        // Its digits, which alone are looked for in telephone numbers; empty when it has none.
        std::string digits;
    };
    std::vector<Word> words_;
};

} // namespace tobrisk
