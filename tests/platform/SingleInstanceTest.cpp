// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include <QSignalSpy>
#include <QUuid>
#include <gtest/gtest.h>

using namespace tobrisk;

TEST(SingleInstanceTest, ASecondStartAsksTheFirstToComeToTheFront)
{
    const QString name = QStringLiteral("TobriskTest-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    SingleInstance first(name);
    EXPECT_FALSE(first.NotifyRunningInstance());
    ASSERT_TRUE(first.Listen());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    SingleInstance second(name);
    EXPECT_TRUE(second.NotifyRunningInstance());
    EXPECT_TRUE(raised.wait(5000));
}
