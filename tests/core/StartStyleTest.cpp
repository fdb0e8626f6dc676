// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StartStyle.h"

#include <QApplication>
#include <QImage>
#include <QStyleFactory>
#include <QStyleOption>
#include <gtest/gtest.h>

#include <memory>

using namespace tobrisk;

namespace {

QImage ImageOf(const QIcon& icon)
{
    return icon.pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

// The extension buttons' icons, read late, are the base style's own, arrows turned as the text runs; the
// other icons come straight from the base style.
TEST(StartStyle, GivesTheBaseStylesIconsReadingTheExtensionArrowsLate)
{
    const QString name = QApplication::style()->name();
    StartStyle style(name);
    const std::unique_ptr<QStyle> base(QStyleFactory::create(name));
    ASSERT_TRUE(base);
    for (const auto icon : {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton,
                            QStyle::SP_TrashIcon}) {
        for (const auto direction : {Qt::LeftToRight, Qt::RightToLeft}) {
            SCOPED_TRACE(testing::Message() << "icon " << icon << ", direction " << direction);
            QStyleOption option;
            option.direction = direction;
            const QImage expected = ImageOf(base->standardIcon(icon, &option));
            ASSERT_FALSE(expected.isNull());
            EXPECT_EQ(ImageOf(style.standardIcon(icon, &option)), expected);
        }
    }
    // Without an option the application's direction holds.
    EXPECT_EQ(ImageOf(style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)),
              ImageOf(base->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)));
}
