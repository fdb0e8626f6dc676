// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PbxProtocol.h"
#include "link/Protocol.h"

#include "TestBytes.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(ProtocolFrames, DirectoryRecordIsFourNulTerminatedTexts)
{
    const std::string name32(32, 'N');
    const struct {
        uint16_t lineSeizure;
        std::string name;
        std::string phoneNumber;
        Bytes expected;
    } cases[] = {
        {0x7FFF, "Rossi", "0212345678",
         Text("7fff") + Hex("00 30 00") + Text("0212345678") + Hex("00") + Text("Rossi") + Hex("00")},
        {0x7FFF, "", "", Text("7fff") + Hex("00 30 00 00 00")},
        {0x0000, "A", "1", Hex("30 00 30 00 31 00 41 00")},
        {0x0305, "B", "2", Text("305") + Hex("00 30 00 32 00 42 00")},
        {0x4081, "C", "3", Text("4081") + Hex("00 30 00 33 00 43 00")},
        // Longer texts are cut to the exchange's 32 characters.
        {0x7FFF, name32 + "XYZ", std::string(40, '9'),
         Text("7fff") + Hex("00 30 00") + Text(std::string(32, '9')) + Hex("00") + Text(name32) + Hex("00")},
        // Like "%s", a text ends at its first NUL.
        {0x7FFF, std::string("Ro\0ssi", 6), "1", Text("7fff") + Hex("00 30 00 31 00") + Text("Ro") + Hex("00")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CPbxProtocol::DirectoryRecord(c.name, c.phoneNumber, c.lineSeizure), c.expected) << c.name;
    EXPECT_EQ(CPbxProtocol::DirectoryRecord("", "", 0x7FFF).size(), 9u);
}
