// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/EntryChecks.h"

#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

std::vector<const Entry*> Pointers(const std::vector<Entry>& records)
{
    std::vector<const Entry*> pointers;
    for (const Entry& record : records)
        pointers.push_back(&record);
    return pointers;
}

TEST(EntryChecksTest, PhoneNumberTakesDigitsAndDiallingSignsOnly)
{
    const struct {
        const char* phone;
        bool valid;
    } cases[] = {
        {"0123P45#", true}, {"*#PpFf0123456789", true}, {"7", true},    {"", false},
        {"0123 45", false}, {"+39123", false},          {"12a", false}, {"12\xE8", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidPhoneNumber(c.phone), c.valid) << c.phone;
}

TEST(EntryChecksTest, NameAndNumberLookupsSkipOnlyTheExcludedEntryAndCompareBytes)
{
    const std::vector<Entry> records = {
        {"Rossi", "021", 0x7FFF, 5},
        {"Rossi", "022", 0x7FFF, 20},
        {"Caff\xE8", "023", 0, 12},
        {"", "021", 0, 30},
    };
    const auto entries = Pointers(records);
    EXPECT_TRUE(FindName(entries, "Rossi", std::nullopt));
    EXPECT_TRUE(FindName(entries, "Rossi", 5)) << "the other Rossi is still found";
    EXPECT_FALSE(FindName(entries, "Caff\xE8", 12));
    EXPECT_FALSE(FindName(entries, "rossi", std::nullopt)) << "case counts";
    EXPECT_FALSE(FindName(entries, "Rossi ", std::nullopt)) << "no trimming";
    EXPECT_TRUE(FindName(entries, "", std::nullopt)) << "an empty name is a name like any other";
    EXPECT_FALSE(FindName(entries, "", 30));

    EXPECT_TRUE(FindPhoneNumber(entries, "021", 5));
    EXPECT_FALSE(FindPhoneNumber(entries, "022", 20));
    EXPECT_FALSE(FindPhoneNumber(entries, "02", std::nullopt));
}

TEST(EntryChecksTest, ProposalIsOneAboveTheHighestOrTheHighestWhenTooLong)
{
    const struct {
        std::vector<uint16_t> numbers;
        uint8_t digits;
        const char* proposal;
    } cases[] = {
        {{}, 3, "000"},    {{5, 12}, 3, "013"}, {{12, 5}, 4, "0013"}, {{99}, 2, "99"},
        {{999}, 3, "999"}, {{98}, 2, "99"},     {{9999}, 4, "9999"},  {{}, 2, "00"},
    };
    for (const auto& c : cases) {
        std::vector<Entry> records;
        for (uint16_t number : c.numbers)
            records.push_back({"n", "1", 0, number});
        EXPECT_EQ(ProposeShortNumber(Pointers(records), c.digits), c.proposal) << c.proposal;
    }
}

TEST(EntryChecksTest, TooLongRowsAreThoseWithMoreDigitsThanAsked)
{
    const std::vector<Entry> rows = {{"A", "1", 0, 7}, {"C", "1", 0, 1234}, {"B", "1", 0, 123}, {"D", "1", 0, 0}};
    EXPECT_EQ(EntriesTooLong(Pointers(rows), 3), (std::vector<int>{1}));
    EXPECT_EQ(EntriesTooLong(Pointers(rows), 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(EntriesTooLong(Pointers(rows), 4), (std::vector<int>{}));
}

TEST(EntryChecksTest, DigitsValueAllowsLeadingZerosAndReadsEmptyAsZero)
{
    EXPECT_EQ(DigitsValue("007"), 7);
    EXPECT_EQ(DigitsValue("7"), 7);
    EXPECT_EQ(DigitsValue("9999"), 9999);
    EXPECT_EQ(DigitsValue(""), 0);
}

} // namespace
