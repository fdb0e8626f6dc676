// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Result.h"

#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

TEST(ResultTest, CarriesTheCodeAndTheTextAndIsOkOnlyWithoutACode)
{
    const struct {
        const char* what;
        Result result;
        bool ok;
        int code;
        QString text;
    } cases[] = {
        {"success", Result::Success(), true, 0, QString()},
        {"failure with a text", Result::Failure(0x3001, QStringLiteral("Opzione non abilitata sul sistema!")), false,
         0x3001, QStringLiteral("Opzione non abilitata sul sistema!")},
        {"failure with nothing to tell", Result::Failure(0x3002, QString()), false, 0x3002, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.result.Ok(), c.ok);
        EXPECT_EQ(bool(c.result), c.ok);
        EXPECT_EQ(c.result.code, c.code);
        EXPECT_EQ(c.result.text, c.text);
    }
}

} // namespace
