// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/EntryFilter.h"

#include "directory/LineSeizure.h"
#include "platform/TextScan.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace tobrisk {

namespace {

constexpr std::array<char, 256> MakeFoldTable()
{
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[size_t(c)] = char(c);
    for (int c = 'A'; c <= 'Z'; ++c)
        table[size_t(c)] = char(c - 'A' + 'a');
    // The accented letters of code page 1252, upper and lower case, by their base letter.
    const struct {
        unsigned char first;
        unsigned char last;
        char base;
    } runs[] = {
        {0xC0, 0xC5, 'a'}, {0xE0, 0xE5, 'a'}, {0xC7, 0xC7, 'c'}, {0xE7, 0xE7, 'c'}, {0xC8, 0xCB, 'e'},
        {0xE8, 0xEB, 'e'}, {0xCC, 0xCF, 'i'}, {0xEC, 0xEF, 'i'}, {0xD0, 0xD0, 'd'}, {0xF0, 0xF0, 'd'},
        {0xD1, 0xD1, 'n'}, {0xF1, 0xF1, 'n'}, {0xD2, 0xD6, 'o'}, {0xF2, 0xF6, 'o'}, {0xD8, 0xD8, 'o'},
        {0xF8, 0xF8, 'o'}, {0xD9, 0xDC, 'u'}, {0xF9, 0xFC, 'u'}, {0xDD, 0xDD, 'y'}, {0xFD, 0xFD, 'y'},
        {0xFF, 0xFF, 'y'}, {0x9F, 0x9F, 'y'}, {0x8A, 0x8A, 's'}, {0x9A, 0x9A, 's'}, {0x8E, 0x8E, 'z'},
        {0x9E, 0x9E, 'z'},
    };
    for (const auto& run : runs)
        for (int c = run.first; c <= run.last; ++c)
            table[size_t(c)] = run.base;
    table[0x8C] = char(0x9C); // Œ
    table[0xC6] = char(0xE6); // Æ
    table[0xDE] = char(0xFE); // Þ
    return table;
}

constexpr std::array<char, 256> kFold = MakeFoldTable();

bool IsLetter(char folded)
{
    return (folded >= 'a' && folded <= 'z') || uint8_t(folded) >= 0x80;
}

// Texts of an entry are at most a few dozen bytes: they are folded into a buffer on the stack, no
// allocation per entry and keystroke.
class FoldedText {
public:
    FoldedText(std::string_view text, bool digitsOnly)
    {
        const size_t size = std::min(text.size(), buffer_.size());
        if (digitsOnly) {
            for (size_t i = 0; i < size; ++i)
                if (IsDecimalDigit(text[i]))
                    buffer_[length_++] = text[i];
            return;
        }
        char previous = 0;
        for (size_t i = 0; i < size; ++i) {
            const char folded = kFold[uint8_t(text[i])];
            if (folded != previous || !IsLetter(folded))
                buffer_[length_++] = folded;
            previous = folded;
        }
    }
    bool Contains(std::string_view word) const
    {
        return std::string_view(buffer_.data(), length_).find(word) != std::string_view::npos;
    }

private:
    // Left uninitialised: only the first length_ bytes are ever read.
    std::array<char, 64> buffer_;
    size_t length_ = 0;
};

} // namespace

std::string FoldForSearch(std::string_view text)
{
    std::string folded;
    folded.reserve(text.size());
    for (char c : text) {
        const char f = kFold[uint8_t(c)];
        if (!(IsLetter(f) && !folded.empty() && folded.back() == f))
            folded.push_back(f);
    }
    return folded;
}

EntryFilter::EntryFilter(std::string_view text)
{
    size_t position = 0;
    while (position < text.size()) {
        while (position < text.size() && IsBlank(text[position]))
            ++position;
        const size_t start = position;
        while (position < text.size() && !IsBlank(text[position]))
            ++position;
        if (position == start)
            break;
        Word word{FoldForSearch(text.substr(start, position - start)), {}};
        // A word with a letter in it is no telephone number, whatever digits it holds.
        const bool hasLetter = std::any_of(word.folded.begin(), word.folded.end(), IsLetter);
        if (!hasLetter)
            std::copy_if(word.folded.begin(), word.folded.end(), std::back_inserter(word.digits), IsDecimalDigit);
        words_.push_back(std::move(word));
    }
}

bool EntryFilter::Matches(const Entry& entry, const DirectorySettings& settings) const
{
    if (words_.empty())
        return true;
    const FoldedText name(entry.name, false);
    const FoldedText phone(entry.phoneNumber, true);
    const FoldedText shortNumber(ShortNumberText(settings, entry.shortNumber), false);
    const FoldedText seizure(LineSeizureText(entry.lineSeizure), false);
    for (const Word& word : words_) {
        const bool found = name.Contains(word.folded) || (!word.digits.empty() && phone.Contains(word.digits)) ||
                           shortNumber.Contains(word.folded) || seizure.Contains(word.folded);
        if (!found)
            return false;
    }
    return true;
}

} // namespace tobrisk
