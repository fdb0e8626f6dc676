// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace tobrisk;

TEST(CodePageTest, ConvertsWindows1252BothWays)
{
    const struct {
        std::string bytes;
        QString text;
    } cases[] = {
        {"Rossi", QStringLiteral("Rossi")},
        {"Nicol\xF2", QStringLiteral("Nicolò")},
        {"Perch\xE9 \x80", QStringLiteral("Perché €")},
        {"", QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromCp1252(c.bytes), c.text);
        EXPECT_EQ(ToCp1252(c.text), c.bytes);
    }
}

TEST(CodePageTest, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(ToCp1252(QStringLiteral("a\u4E2Db\U0001F600c\x1A")), "a?b?c\x1A");
}
