// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ReadExchange.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

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

TEST(ReadExchangeParsers, VersionIsHexadecimalTextCutToEightBits)
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

TEST(ReadExchangeParsers, IncompatibleVersionNamesItAndTheRangeZeroPadded)
{
    EXPECT_EQ(IncompatibleVersionText(7),
              QStringLiteral("Attenzione:\nLa versione di configurazione del centralino (007)\nnon é compresa "
                             "nell'intervallo compatibile con il programma (001...005)!"));
    EXPECT_TRUE(IncompatibleVersionText(0).contains(QStringLiteral("(000)")));
}

TEST(ReadExchangeParsers, DigitsAreAtMostFourAndOtherwiseThree)
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

TEST(ReadExchangeParsers, PrefixEndsAtItsNulAndHoldsFourCharacters)
{
    EXPECT_EQ(PrefixFromRecord(Record("77\0"s)), "77");
    EXPECT_EQ(PrefixFromRecord(Record("5\0"
                                      "99\0"s)),
              "5");
    EXPECT_EQ(PrefixFromRecord(Record("123456\0"s)), "1234");
    EXPECT_EQ(PrefixFromRecord(Record("\0"s)), "");
    EXPECT_EQ(PrefixFromRecord(std::nullopt), "");
}

TEST(ReadExchangeParsers, DirectoryRecordGivesSeizureNumberAndName)
{
    const std::string longName(600, 'N');
    const struct {
        const char* what;
        std::string data;
        std::optional<SDirectoryFields> fields;
    } cases[] = {
        {"as the exchange writes it", Fields({"7fff", "0", "0212345678", "Rossi"}),
         SDirectoryFields{0x7FFF, "0212345678", "Rossi"}},
        {"fifth field ignored", Fields({"301", "0", "02", "Bianchi", "extra"}),
         SDirectoryFields{0x0301, "02", "Bianchi"}},
        {"three fields", Fields({"7fff", "0", "0212345678"}), std::nullopt},
        {"nothing", "", std::nullopt},
        {"last field without its NUL", Fields({"4081", "0", "3471234567"}) + "Verdi",
         SDirectoryFields{0x4081, "3471234567", "Verdi"}},
        {"0x7F ends a field too",
         "0\x7F"
         "0\x7F"
         "11\x7F"
         "Neri\x7F",
         SDirectoryFields{0, "11", "Neri"}},
        {"empty seizure and texts", Fields({"", "0", "", ""}), SDirectoryFields{0, "", ""}},
        {"seizure up to the first other character", Fields({"30g1", "0", "1", "A"}), SDirectoryFields{0x30, "1", "A"}},
        {"seizure cut to 16 bits", Fields({"12345", "0", "1", "A"}), SDirectoryFields{0x2345, "1", "A"}},
        {"longer than any record the exchange writes", Fields({"7fff", "0", "1", longName}),
         SDirectoryFields{0x7FFF, "1", longName}},
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

} // namespace
