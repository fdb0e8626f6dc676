// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ConnectCommand.h"

#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

TEST(ConnectCommandTexts, IncompatibleVersionNamesItAndTheRangeZeroPadded)
{
    EXPECT_EQ(IncompatibleVersionText(7),
              QStringLiteral("Attenzione:\nLa versione di configurazione del centralino (007)\nnon é compresa "
                             "nell'intervallo compatibile con il programma (001...005)!"));
    EXPECT_TRUE(IncompatibleVersionText(0).contains(QStringLiteral("(000)")));
}

} // namespace
