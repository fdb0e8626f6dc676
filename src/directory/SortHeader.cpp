// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/SortHeader.h"

#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeaderV2>
#include <algorithm>

namespace tobrisk {

namespace {

constexpr int kImageSize = 10;

// A triangle four rows high and eight pixels wide at its base, on a transparent square.
QPixmap DrawTriangle(const QColor& color, bool pointsUp)
{
    QImage image(kImageSize, kImageSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    constexpr int top = 3;
    constexpr int rows = 4;
    for (int row = 0; row < rows; ++row) {
        const int inset = pointsUp ? rows - 1 - row : row;
        for (int x = 1 + inset; x <= kImageSize - 2 - inset; ++x)
            image.setPixelColor(x, top + row, color);
    }
    return QPixmap::fromImage(image);
}

} // namespace

SortHeader::SortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    QImage blank(kImageSize, kImageSize, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    const QColor ink = palette().color(QPalette::ButtonText);
    images_[size_t(SortImage::Blank)] = QPixmap::fromImage(blank);
    images_[size_t(SortImage::Down)] = DrawTriangle(ink, false);
    images_[size_t(SortImage::Up)] = DrawTriangle(ink, true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void SortHeader::SetSortState(int column, bool ascending)
{
    sortColumn_ = column;
    ascending_ = ascending;
    viewport()->update();
}

SortHeader::SortImage SortHeader::ImageOf(int logicalIndex) const
{
    if (logicalIndex != sortColumn_)
        return SortImage::Blank;
    return ascending_ ? SortImage::Up : SortImage::Down;
}

void SortHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    QStyleOptionHeaderV2 option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    option.sortIndicator = QStyleOptionHeader::None;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

    // The title keeps the room it needs, cut with an ellipsis when the column is narrow, and the
    // image follows it; the image therefore never covers the title.
    const QPixmap& image = Picture(ImageOf(logicalIndex));
    const QRect label = style()->subElementRect(QStyle::SE_HeaderLabel, &option, this);
    const int gap = style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
    const int textRoom = std::max(0, label.width() - gap - kImageSize);
    const QString title = model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    QStyleOptionHeaderV2 text = option;
    text.text = option.fontMetrics.elidedText(title, Qt::ElideRight, textRoom);
    text.textElideMode = Qt::ElideNone;
    const int textWidth = std::min(option.fontMetrics.horizontalAdvance(text.text), textRoom);
    text.rect = QRect(label.left(), rect.top(), textWidth, rect.height());
    style()->drawControl(QStyle::CE_HeaderLabel, &text, painter, this);

    const int x = label.left() + textWidth + gap;
    if (x + kImageSize <= rect.right() + 1)
        painter->drawPixmap(x, rect.top() + (rect.height() - kImageSize) / 2, image);
}

} // namespace tobrisk
