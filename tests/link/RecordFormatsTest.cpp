// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/RecordFormats.h"
#include "link/Protocol.h"

#include "TestBytes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace tobrisk;

using namespace std::string_literals;

namespace {

// A record as the exchange sends it, or none.
RecordData Record(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text->data()), text->size());
}

// Texts each followed by its NUL, as the exchange's records hold them.
std::string Fields(std::initializer_list<std::string_view> fields)
{
    std::string data;
    for (std::string_view field : fields)
        (data += field) += '\0';
    return data;
}

TEST(RecordFormats, VersionIsHexadecimalTextCutToEightBits)
{
    const struct {
        std::optional<std::string> text;
        int version;
    } cases[] = {
        {"5\0"s, 5},   {"6\0"s, 6},     {"0\0"s, 0},  {"105\0"s, 5}, {"1A\0"s, 0x1A},
        {"0x3\0"s, 3}, {"7 bis\0"s, 7}, {"zz\0"s, 0}, {""s, 0},      {std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.value_or("(no record)"));
        EXPECT_EQ(ConfigVersionFromRecord(Record(c.text)), c.version);
    }
}

TEST(RecordFormats, DigitsAreAtMostFourAndOtherwiseThree)
{
    const struct {
        std::optional<std::string> text;
        uint8_t digits;
    } cases[] = {
        {"2\0"s, 2},  {"4\0"s, 4}, {"7\0"s, 4}, {"12345678901\0"s, 4}, {" 1\0"s, 1}, {"0\0"s, 3},
        {"-2\0"s, 3}, {"x\0"s, 3}, {"\0"s, 3},  {std::nullopt, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.value_or("(no record)"));
        EXPECT_EQ(DigitsFromRecord(Record(c.text)), c.digits);
    }
}

TEST(RecordFormats, DigitsRecordIsTheNumberAsTextWithItsNul)
{
    EXPECT_EQ(DigitsRecord(3), Hex("33 00"));
    EXPECT_EQ(DigitsRecord(4), Hex("34 00"));
}

TEST(RecordFormats, PrefixEndsAtItsNulAndHoldsFourCharacters)
{
    EXPECT_EQ(PrefixFromRecord(Record("77\0"s)), "77");
    EXPECT_EQ(PrefixFromRecord(Record("5\0"
                                      "99\0"s)),
              "5");
    EXPECT_EQ(PrefixFromRecord(Record("123456\0"s)), "1234");
    EXPECT_EQ(PrefixFromRecord(Record("\0"s)), "");
    EXPECT_EQ(PrefixFromRecord(std::nullopt), "");
}

TEST(RecordFormats, DirectoryRecordGivesSeizureNumberAndName)
{
    const std::string longName(600, 'N');
    const struct {
        const char* what;
        std::string data;
        std::optional<DirectoryFields> fields;
    } cases[] = {
        {"as the exchange writes it", Fields({"7fff", "0", "0212345678", "Rossi"}),
         DirectoryFields{0x7FFF, "0212345678", "Rossi"}},
        {"fifth field ignored", Fields({"301", "0", "02", "Bianchi", "extra"}),
         DirectoryFields{0x0301, "02", "Bianchi"}},
        {"three fields", Fields({"7fff", "0", "0212345678"}), std::nullopt},
        {"nothing", "", std::nullopt},
        {"last field without its NUL", Fields({"4081", "0", "3471234567"}) + "Verdi",
         DirectoryFields{0x4081, "3471234567", "Verdi"}},
        {"0x7F ends a field too",
         "0\x7F"
         "0\x7F"
         "11\x7F"
         "Neri\x7F",
         DirectoryFields{0, "11", "Neri"}},
        {"empty seizure and texts", Fields({"", "0", "", ""}), DirectoryFields{0, "", ""}},
        {"seizure up to the first other character", Fields({"30g1", "0", "1", "A"}), DirectoryFields{0x30, "1", "A"}},
        {"seizure cut to 16 bits", Fields({"12345", "0", "1", "A"}), DirectoryFields{0x2345, "1", "A"}},
        {"longer than any record the exchange writes", Fields({"7fff", "0", "1", longName}),
         DirectoryFields{0x7FFF, "1", longName}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto fields = ParseDirectoryRecord(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(c.data.data()), c.data.size()));
        ASSERT_EQ(fields.has_value(), c.fields.has_value());
        if (fields) {
            EXPECT_EQ(fields->lineSeizure, c.fields->lineSeizure);
            EXPECT_EQ(fields->phoneNumber, c.fields->phoneNumber);
            EXPECT_EQ(fields->name, c.fields->name);
        }
    }
}

TEST(RecordFormats, DirectoryRecordIsFourNulTerminatedTexts)
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
        EXPECT_EQ(DirectoryRecord(c.name, c.phoneNumber, c.lineSeizure), c.expected) << c.name;
    EXPECT_EQ(DirectoryRecord("", "", 0x7FFF).size(), 9u);
}

TEST(RecordFormats, ReplyFramesGiveTheirStatusAndTheDialAnswerItsLittleEndianCode)
{
    const struct {
        const char* what;
        Bytes frame;
        std::optional<uint16_t> status;
        bool isDialResult;
        uint16_t code;
    } cases[] = {
        {"link made", Hex("02 00 00 00 00 FF 4B"), ST_DIAL_RESULT, true, 0},
        {"device code, low byte first", Hex("02 00 00 05 FE FF 4B"), ST_DIAL_RESULT, true, 0xFE05},
        {"another answer gives its status", Hex("02 00 00 00 00 FE 01"), ST_DONE, false, ST_DONE},
        {"too short for a header", Hex("02 00 00 00 00 FF"), std::nullopt, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReplyStatus(c.frame), c.status);
        const DialAnswer answer = ParseDialAnswer(c.frame);
        EXPECT_EQ(answer.isDialResult, c.isDialResult);
        EXPECT_EQ(answer.code, c.code);
    }
}

TEST(RecordFormats, TableIndicesAreOneTablesShortNumbersAscending)
{
    ConfigurationMemory memory;
    for (const auto& [index, table] :
         {std::pair{9, TBL_ROUTING}, {3, TBL_ROUTING}, {5, TBL_URBAN_LINE}, {1, TBL_ROUTING}})
        memory.Store(RecordBlock({uint16_t(index), table}, nullptr, 0));
    EXPECT_EQ(TableIndices(memory, TBL_ROUTING), (std::vector<uint16_t>{1, 3, 9}));
    EXPECT_EQ(TableIndices(memory, TBL_URBAN_LINE), std::vector<uint16_t>{5});
    EXPECT_TRUE(TableIndices(memory, TBL_DIRECTORY).empty());
}

TEST(RecordFormats, PollRequestIsByteExact)
{
    EXPECT_EQ(PollRequest(), Hex("02 00 00 00 00 FE 15 00 00 00 00"));
}

} // namespace
