// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/InetAddr.h"

#include <gtest/gtest.h>

using namespace tobrisk;

TEST(InetAddrTest, ReadsEveryFormOfTheClassicParser)
{
    const std::vector<std::pair<std::string, std::optional<uint32_t>>> cases = {
        {"192.168.1.10", 0xC0A8010A},
        {"3232235786", 0xC0A8010A},
        {"0.0.0.0", 0},
        {"255.255.255.255", 0xFFFFFFFF},
        // Fewer parts: the last one fills the bytes that are left.
        {"10.1", 0x0A000001},
        {"1.16777215", 0x01FFFFFF},
        {"10.1.2", 0x0A010002},
        {"1.2.65535", 0x0102FFFF},
        // Octal and hexadecimal parts.
        {"0177.0.0.01", 0x7F000001},
        {"0x7f.0X0.0.0xA", 0x7F00000A},
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"00", 0},
        // Trailing blanks end the text.
        {"1.2.3.4 ", 0x01020304},
        {"1.2.3.4\tx", 0x01020304},
        // What does not parse.
        {"", std::nullopt},
        {" 1.2.3.4", std::nullopt},
        {"1.2.3.4x", std::nullopt},
        {"1.2.3.", std::nullopt},
        {"1..2", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"256.1.1.1", std::nullopt},
        {"1.2.3.256", std::nullopt},
        {"1.2.65536", std::nullopt},
        {"1.16777216", std::nullopt},
        {"4294967296", std::nullopt},
        {"08", std::nullopt},
        {"0x", std::nullopt},
        {"0xG", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {"a.b.c.d", std::nullopt},
    };
    for (const auto& [text, address] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseInetAddr(text), address);
    }
}

TEST(InetAddrTest, WritesTheDottedForm)
{
    EXPECT_EQ(FormatInetAddr(0xC0A8010A), "192.168.1.10");
    EXPECT_EQ(FormatInetAddr(0), "0.0.0.0");
    EXPECT_EQ(FormatInetAddr(0xFFFFFFFF), "255.255.255.255");
}
