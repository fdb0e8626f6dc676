// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ExchangeProtocol.h"
#include "link/Protocol.h"

#include "TestBytes.h"

#include <gtest/gtest.h>

#include <string>

using namespace tobrisk;

TEST(ProtocolFrames, RequestsAreByteExact)
{
    const struct {
        const char* what;
        Bytes built;
        Bytes expected;
    } cases[] = {
        {"read the directory", BuildRequest(CMD_READ_TABLE, ALL_RECORDS, TBL_DIRECTORY),
         Hex("02 00 00 00 00 FE 10 FF FF 2D 20")},
        {"read the version", BuildRequest(CMD_READ_RECORD, 0x0500, TBL_VERSION),
         Hex("02 00 00 00 00 FE 11 05 00 27 18")},
        {"write three digits", BuildRequest(CMD_WRITE_RECORD, 0, TBL_DIGITS, Hex("33 00")),
         Hex("02 00 02 00 00 FE 12 00 00 2D 10 33 00")},
        {"delete short number 12", BuildRequest(CMD_DELETE_RECORD, 12, TBL_DIRECTORY),
         Hex("02 00 00 00 00 FE 13 00 0C 2D 20")},
        {"request access", BuildRequest(CMD_REQUEST_ACCESS), Hex("02 00 00 00 00 FE 29 00 00 00 00")},
        {"poll", BuildRequest(CMD_POLL), Hex("02 00 00 00 00 FE 15 00 00 00 00")},
        {"release", BuildReleaseRequest(), Hex("02 00 0B 00 00 FF 32 00 00 00 00")},
        {"dial", *BuildDialRequest("0212345678"),
         Hex("02 00 0B 00 00 FF 31 00 00 00 00") + Text("0212345678") + Hex("00")},
        {"dial nothing", *BuildDialRequest(""), Hex("02 00 01 00 00 FF 31 00 00 00 00 00")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.built, c.expected) << c.what;
}

TEST(ProtocolFrames, DialNumberOver31CharactersIsRefused)
{
    const std::string longest(31, '7');
    const auto request = BuildDialRequest(longest);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->size(), longest.size() + 12);
    EXPECT_EQ((*request)[2], 32);
    EXPECT_FALSE(BuildDialRequest(longest + "7"));
}
