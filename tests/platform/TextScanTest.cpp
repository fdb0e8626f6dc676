// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TextScan.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace tobrisk;

namespace {

struct LeadingCase {
    std::string_view text;
    bool negative;
    uint32_t value;
    size_t digits;
    bool overflowed;
};

TEST(TextScanTest, ReadsTheLeadingIntegerAsTheCLibraryDoes)
{
    using namespace std::string_view_literals;
    const LeadingCase cases[] = {
        {""sv, false, 0, 0, false},
        {"x12"sv, false, 0, 0, false},
        {" \t\n\v\f\r-42x7"sv, true, 42, 2, false},
        {"+0012"sv, false, 12, 4, false},
        // No blank between the sign and the digits, and only one sign.
        {"- 5"sv, true, 0, 0, false},
        {"+-5"sv, false, 0, 0, false},
        {"12 34"sv, false, 12, 2, false},
        // A NUL or a byte of the upper half is no blank.
        {"\0 5"sv, false, 0, 0, false},
        {"\xA0 5"sv, false, 0, 0, false},
        {"4294967295"sv, false, 0xFFFFFFFFu, 10, false},
        {"4294967296"sv, false, 0, 10, true},
        {"-99999999999"sv, true, uint32_t(99999999999ull & 0xFFFFFFFFu), 11, true},
        // Past 2^64 the low bits are still those of the whole number, and the overflow is still told.
        {"18446744073709551616"sv, false, 0, 20, true},
        {"123456789012345678901234567890"sv, false, 0x4E3F0AD2u, 30, true},
    };
    for (const LeadingCase& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        const LeadingDigits read = ReadLeadingInteger(c.text);
        EXPECT_EQ(read.negative, c.negative);
        EXPECT_EQ(read.value, c.value);
        EXPECT_EQ(read.digits, c.digits);
        EXPECT_EQ(read.overflowed, c.overflowed);
    }
}

TEST(TextScanTest, CharacterClassesFollowTheCLocaleWhateverTheByte)
{
    for (int byte = 0; byte < 256; ++byte) {
        const char c = char(byte);
        SCOPED_TRACE(byte);
        EXPECT_EQ(IsBlank(c), byte == ' ' || (byte >= '\t' && byte <= '\r'));
        EXPECT_EQ(IsDecimalDigit(c), byte >= '0' && byte <= '9');
        const int hex = byte >= '0' && byte <= '9'   ? byte - '0'
                        : byte >= 'a' && byte <= 'f' ? byte - 'a' + 10
                        : byte >= 'A' && byte <= 'F' ? byte - 'A' + 10
                                                     : -1;
        EXPECT_EQ(HexDigitValue(c), hex);
    }
}

} // namespace
