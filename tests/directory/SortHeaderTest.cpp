// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/SortHeader.h"

#include <QImage>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

using namespace tobrisk;

namespace {

using SortImage = SortHeader::SortImage;

// Opaque pixels per row of a 10x10 image.
std::vector<int> InkPerRow(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage();
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        int ink = 0;
        for (int x = 0; x < image.width(); ++x)
            ink += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        rows.push_back(ink);
    }
    return rows;
}

TEST(SortHeaderTest, ImagesAreBlankAndTrianglesOnTransparent)
{
    SortHeader header;
    for (SortImage image : {SortImage::Blank, SortImage::Down, SortImage::Up})
        EXPECT_EQ(header.Picture(image).size(), QSize(10, 10));
    const std::vector<int> none(10, 0);
    EXPECT_EQ(InkPerRow(header.Picture(SortImage::Blank)), none);
    EXPECT_EQ(InkPerRow(header.Picture(SortImage::Down)), (std::vector{0, 0, 0, 8, 6, 4, 2, 0, 0, 0}));
    EXPECT_EQ(InkPerRow(header.Picture(SortImage::Up)), (std::vector{0, 0, 0, 2, 4, 6, 8, 0, 0, 0}));
}

TEST(SortHeaderTest, SortColumnShowsItsDirectionOthersBlank)
{
    SortHeader header;
    header.SetSortState(2, false);
    EXPECT_EQ(header.ImageOf(2), SortImage::Down);
    EXPECT_EQ(header.ImageOf(0), SortImage::Blank);
    header.SetSortState(0, true);
    EXPECT_EQ(header.ImageOf(0), SortImage::Up);
    EXPECT_EQ(header.ImageOf(2), SortImage::Blank);
}

TEST(SortHeaderTest, ImageIsDrawnRightOfTheTitle)
{
    QStandardItemModel model(0, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("Numero breve"), QStringLiteral("Nome")});
    SortHeader header;
    header.setModel(&model);
    header.resizeSection(0, 200);
    header.resizeSection(1, 200);
    header.resize(400, 30);
    header.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&header));

    header.SetSortState(0, true);
    const QImage withArrow = header.grab().toImage();
    header.SetSortState(1, true);
    const QImage blank = header.grab().toImage();
    ASSERT_EQ(withArrow.size(), blank.size());

    const int titleEnd = header.sectionViewportPosition(0) + header.fontMetrics().horizontalAdvance("Numero breve");
    int changed = 0;
    for (int y = 0; y < blank.height(); ++y)
        for (int x = 0; x < header.sectionSize(0); ++x)
            if (withArrow.pixel(x, y) != blank.pixel(x, y)) {
                ++changed;
                EXPECT_GT(x, titleEnd) << "at " << x << "," << y;
            }
    EXPECT_EQ(changed, 2 + 4 + 6 + 8);
}

} // namespace
