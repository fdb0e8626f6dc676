// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/MainWindow.h"
#include "support/FakePlatform.h"

#include <QScreen>
#include <gtest/gtest.h>

using namespace tobrisk;

// The program starts maximized; un-maximizing must give a window that visibly is not the whole screen.
TEST(MainWindowSize, StartsMaximizedAndRestoresToASmallerCentredWindow)
{
    FakePlatform fake;
    Application app{fake.platform};
    ASSERT_TRUE(app.Start());
    MainWindow& frame = *app.Window();
    const QRect screen = frame.screen()->availableGeometry();
    EXPECT_TRUE(frame.isMaximized());

    frame.showNormal();

    const QRect normal = frame.geometry();
    EXPECT_FALSE(frame.isMaximized());
    EXPECT_TRUE(screen.contains(normal)) << normal.x() << "," << normal.y() << " " << normal.width() << "x"
                                         << normal.height();
    EXPECT_LT(normal.width(), screen.width());
    EXPECT_LT(normal.height(), screen.height());
    EXPECT_GE(normal.width(), screen.width() / 2);
    EXPECT_GE(normal.height(), screen.height() / 2);
    EXPECT_LE(std::abs(normal.center().x() - screen.center().x()), 1);
}
