// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/CodePageValidator.h"

#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

TEST(CodePageValidatorTest, OnlyCharactersOfTheCodePageFit)
{
    EXPECT_TRUE(FitsCodePage(QStringLiteral("Caffè Niccolò € ÿ ? ~")));
    EXPECT_FALSE(FitsCodePage(QStringLiteral("Łódź")));
    EXPECT_FALSE(FitsCodePage(QStringLiteral("e\u0301"))) << "a combining accent is a character of its own";
    EXPECT_FALSE(FitsCodePage(QString::fromUtf8("\xF0\x9F\x98\x80")));

    CodePageValidator validator;
    QString input = QStringLiteral("Ufficio €");
    int position = 0;
    EXPECT_EQ(validator.validate(input, position), QValidator::Acceptable);
    input = QStringLiteral("Ufficio ₤");
    EXPECT_EQ(validator.validate(input, position), QValidator::Invalid);
}

} // namespace
