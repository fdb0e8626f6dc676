// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"
#include "core/CommandIds.h"
#include "core/MainWindow.h"
#include "support/FakePlatform.h"

#include <QAction>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace tobrisk;

// The program starts maximized; un-maximizing must give a window that visibly is not the whole screen.
TEST(MainWindowStart, StartsMaximizedAndRestoresToASmallerCentredWindow)
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

namespace {

bool Blank(const QIcon& icon)
{
    const QImage image = icon.pixmap(24).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

} // namespace

// The icons, the window's own too, are looked up only once the window was first painted; until then the tool
// bar holds blank ones of the same size, so it does not change its layout when they come.
TEST(MainWindowStart, CommandIconsComeOnceTheWindowIsPainted)
{
    FakePlatform fake;
    Application app{fake.platform};
    ASSERT_TRUE(app.Start());
    MainWindow& frame = *app.Window();
    QAction& connect = *frame.Action(ID_CONNECT);
    const QSize barBefore = frame.ToolBar()->sizeHint();
    EXPECT_TRUE(Blank(connect.icon()));
    EXPECT_TRUE(frame.windowIcon().isNull());

    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Blank(connect.icon()); }));
    EXPECT_FALSE(frame.windowIcon().isNull());
    for (int id : {ID_FILE_IMPORT, ID_FILE_PRINT, ID_DIGITS, ID_EDIT_UNDO, ID_APP_ABOUT})
        EXPECT_FALSE(Blank(frame.Action(id)->icon())) << id;
    EXPECT_TRUE(frame.Action(ID_APP_EXIT)->icon().isNull());
    EXPECT_EQ(frame.ToolBar()->sizeHint(), barBefore);
}
