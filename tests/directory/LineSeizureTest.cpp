// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/LineSeizure.h"

#include <gtest/gtest.h>

using namespace tobrisk;

TEST(LineSeizureTest, TextAndKindOfEveryClass)
{
    const struct {
        uint16_t value;
        std::string text;
        int kind;
    } cases[] = {
        {0x0000, "Nessuno", 0},
        {0x7FFF, "Instradamento di default", 1}, // bit 14 is set, yet it is not an urban line
        {0x0300, "Instradamento 0", 2},
        {0x03FF, "Instradamento 255", 2},
        {0x4000, "Linea urbana 0-0", 3},
        {0x4085, "Linea urbana 1-5", 3},
        {0x7FFE, "Linea urbana 31-126", 3},
        {0x5000, "Linea urbana 0-0", 3}, // bits 12 and 13 are not part of the group
        {0x0005, "?", 0},
        {0x0100, "?", 0},
        {0x0200, "?", 0},
        {0x8000, "?", 0},
        {0xC085, "?", 0}, // bit 15 wins over bit 14
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(LineSeizureText(c.value), c.text);
        EXPECT_EQ(LineSeizureKind(c.value), c.kind);
    }
}

// Too large a number is held at the int limit, then kept to 16 bits; empty tokens between the dashes are
// skipped and a missing line reads as 0.
TEST(LineSeizureTest, ValueFromTheEditorsChoice)
{
    const struct {
        int kind;
        std::string text;
        uint16_t value;
    } cases[] = {
        {1, "whatever", 0x7FFF}, {0, "7", 0x0000},       {2, "7", 0x0307},           {2, "  +12abc", 0x030C},
        {2, "", 0x0300},         {2, "-1", 0xFFFF},      {2, "99999999999", 0xFFFF}, {3, "1-5", 0x4085},
        {3, "31-127", 0x4FFF},   {3, "--2--3-", 0x4103}, {3, "4", 0x4200},           {3, "1-2-3", 0x4082},
        {3, "", 0x4000},         {7, "1-5", 0x0000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " \"" << c.text << "\"");
        EXPECT_EQ(LineSeizureFromChoice(c.kind, c.text), c.value);
    }
}

TEST(LineSeizureTest, ListItemTextsGiveTheirValueBack)
{
    for (uint16_t routing : {uint16_t(0x0300), uint16_t(0x0307), uint16_t(0x03FF)}) {
        EXPECT_EQ(RoutingText(routing), std::to_string(routing & 0xFF));
        EXPECT_EQ(LineSeizureFromChoice(2, RoutingText(routing)), routing);
    }
    for (uint16_t line : {uint16_t(0x4000), uint16_t(0x4085), uint16_t(0x4FFF)}) {
        EXPECT_EQ(LineSeizureFromChoice(3, UrbanLineText(line)), line);
    }
    EXPECT_EQ(UrbanLineText(0x4085), "1-5");
}

TEST(ShortNumberTextTest, PrefixThenDigitsPaddedOrCut)
{
    const struct {
        std::string prefix;
        uint8_t digits;
        uint16_t shortNumber;
        std::string text;
    } cases[] = {
        {"5", 3, 7, "5007"},  {"5", 3, 42, "5042"},   {"5", 3, 123, "5123"},
        {"5", 2, 123, "512"}, {"5", 2, 7, "507"},     {"", 4, 0, "0000"},
        {"5", 4, 7, "50007"}, {"5", 3, 9999, "5999"}, {"9876", 4, 65535, "98766553"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.prefix << "/" << int(c.digits) << "/" << c.shortNumber);
        EXPECT_EQ(ShortNumberText(DirectorySettings{c.prefix, c.digits}, c.shortNumber), c.text);
    }
}
