// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/TextFormat.h"

#include <gtest/gtest.h>

#include <string>

using namespace tobrisk;

namespace {

TEST(TextFormatTest, EncodingOfTheStart)
{
    const std::vector<std::pair<std::string, TextEncoding>> cases = {
        {"\xEF\xBB\xBF"
         "1;A;1;N\r\n",
         TextEncoding::Utf8},
        {"1;Caff\xC3\xA8;1;N\r\n", TextEncoding::Utf8},
        {"1;\xE2\x82\xAC;1;N\r\n", TextEncoding::Utf8},     // euro sign
        {"1;\xF0\x9F\x93\x9E;1;N\r\n", TextEncoding::Utf8}, // outside the basic plane
        {"1;Caff\xE8;1;N\r\n", TextEncoding::Cp1252},
        {"1;A;1;N\r\n", TextEncoding::Cp1252}, // nothing beyond ASCII: the export's own files
        {"", TextEncoding::Cp1252},
        {"\xC0\xAF", TextEncoding::Cp1252},          // overlong
        {"\xED\xA0\x80", TextEncoding::Cp1252},      // a surrogate
        {"\xF4\x90\x80\x80", TextEncoding::Cp1252},  // past the last code point
        {"Caff\xC3\xA8 \x80", TextEncoding::Cp1252}, // valid at first, then a stray continuation byte
        // The window may end inside a character: what came before decides.
        {"Caff\xC3\xA8 \xE2\x82", TextEncoding::Utf8},
    };
    for (const auto& [start, encoding] : cases)
        EXPECT_EQ(DetectEncoding(start), encoding) << start;
}

TEST(TextFormatTest, SeparatorOfTheFirstLine)
{
    const std::vector<std::pair<std::string, char>> cases = {
        {"Numero breve;Nome;Numero di telefono;Impegno linea", ';'},
        {"Nome;\"Rossi, Mario\"", ';'},
        {"Nome,Telefono", ','},
        {"Nome\tTelefono", '\t'},
        {"Rossi, Mario\t0212", '\t'},
        {"Nome", ';'},
        {"", ';'},
    };
    for (const auto& [line, separator] : cases)
        EXPECT_EQ(DetectSeparator(line), separator) << line;
}

} // namespace
