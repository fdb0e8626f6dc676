// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/EntryFilter.h"
#include "directory/FreeShortNumbers.h"

#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

TEST(EntryFilter, MatchesEveryWordInAnyFieldIgnoringCaseAccentsAndPhonePunctuation)
{
    // Short number 42 shows as "5042" behind the default prefix; 0x7FFF reads "Instradamento di default".
    const Entry entry{"Niccol\xF2 \xC9MILE", "02-765 43210", 0x7FFF, 42};
    const DirectorySettings settings;
    const struct {
        const char* typed;
        bool matches;
    } cases[] = {
        {"", true},
        {"   ", true},
        {"nicolo", true}, // a doubled letter reads as one, on both sides
        {"niccolo", true},
        {"nicolino", false},
        {"NICCOL\xD2", true},
        {"emile", true},
        {"\xE9mile niccol", true},
        {"emile rossi", false}, // every word must be found
        {"02 765", true},
        {"0276543210", true},
        {"02-765-4", true},
        {"+02765", true},
        {"5042", true}, // the short number as shown, prefix included
        {"042", true},
        {"5043", false},
        {"502", false}, // doubled digits stay doubled
        {"50042", false},
        {"default", true},
        {"instradamento 5042", true}, // words may come from different fields
        {"a02", false},               // a word with a letter is no telephone number
        {"-", false},                 // no digits: nothing to look for in the telephone number
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntryFilter(c.typed).Matches(entry, settings), c.matches) << '"' << c.typed << '"';
}

TEST(EntryFilter, FoldsEveryAccentedLetterOfTheCodePageToItsBase)
{
    const struct {
        const char* letters;
        char base;
    } cases[] = {
        {"\xC0\xC1\xC2\xC3\xC4\xC5\xE0\xE1\xE2\xE3\xE4\xE5"
         "Aa",
         'a'},
        {"\xC7\xE7"
         "Cc",
         'c'},
        {"\xC8\xC9\xCA\xCB\xE8\xE9\xEA\xEB"
         "Ee",
         'e'},
        {"\xCC\xCD\xCE\xCF\xEC\xED\xEE\xEF"
         "Ii",
         'i'},
        {"\xD1\xF1"
         "Nn",
         'n'},
        {"\xD2\xD3\xD4\xD5\xD6\xD8\xF2\xF3\xF4\xF5\xF6\xF8Oo", 'o'},
        {"\xD9\xDA\xDB\xDC\xF9\xFA\xFB\xFCUu", 'u'},
        {"\xDD\xFD\xFF\x9FYy", 'y'},
        {"\x8A\x9ASs", 's'},
        {"\x8E\x9EZz", 'z'},
    };
    for (const auto& c : cases)
        for (const char* letter = c.letters; *letter; ++letter)
            EXPECT_EQ(FoldForSearch(std::string(1, *letter)), std::string(1, c.base)) << int(uint8_t(*letter));
    // Signs and digits stay as they are; doubled letters, also when they differ in case or accent, read as
    // one, doubled digits and signs do not.
    EXPECT_EQ(FoldForSearch("AZ az 09 #*\xB0"), "az az 09 #*\xB0");
    EXPECT_EQ(FoldForSearch("Rossi Ll\xE8"
                            "e 5003 ##"),
              "rosi le 5003 ##");
}

TEST(FreeShortNumbers, RangesWithinTheNumberOfDigits)
{
    const auto ranges = [](std::vector<uint16_t> used, uint8_t digits) {
        std::vector<Entry> entries;
        for (uint16_t n : used)
            entries.push_back(Entry{"N", "1", 0, n});
        std::vector<const Entry*> pointers;
        for (const Entry& e : entries)
            pointers.push_back(&e);
        return FreeShortNumberRanges(pointers, digits);
    };
    using R = std::vector<ShortNumberRange>;
    const struct {
        std::vector<uint16_t> used;
        uint8_t digits;
        R free;
    } cases[] = {
        {{}, 1, R{{0, 9}}},
        {{}, 4, R{{0, 9999}}},
        {{0, 1, 2, 10, 11, 12, 14, 19, 99}, 2, R{{3, 9}, {13, 13}, {15, 18}, {20, 98}}},
        {{5, 0, 9}, 1, R{{1, 4}, {6, 8}}},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 1, R{}},
        // An entry beyond the digits takes no number of the range.
        {{123, 7}, 2, R{{0, 6}, {8, 99}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ranges(c.used, c.digits), c.free) << int(c.digits) << " digits, " << c.used.size() << " used";
    }
}

TEST(FreeShortNumbers, TextShowsTheRangesAsTheListShowsNumbersWithTheirCount)
{
    const std::vector<ShortNumberRange> ranges{{3, 9}, {13, 13}, {20, 99}};
    EXPECT_EQ(RangesText(ranges, DirectorySettings{"5", 3}), QStringLiteral("5003\u20135009, 5013, 5020\u20135099"));
    EXPECT_EQ(RangesText(ranges, DirectorySettings{"", 2}), QStringLiteral("03\u201309, 13, 20\u201399"));
    EXPECT_EQ(RangesText({}, DirectorySettings{}), QString());
    EXPECT_EQ(RangesCount(ranges), 7 + 1 + 80);
}

} // namespace
