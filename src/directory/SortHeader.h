// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHeaderView>
#include <QPixmap>
#include <array>

namespace tobrisk {

// Column header that shows the sort state as a 10x10 image right after each title: an up triangle on the
// sort column when ascending, a down triangle when descending, the blank image on the other columns.
class SortHeader : public QHeaderView {
    Q_OBJECT

public:
    enum class SortImage { Blank = 0, Down = 1, Up = 2 };

    explicit SortHeader(QWidget* parent = nullptr);

    void SetSortState(int column, bool ascending);
    SortImage ImageOf(int logicalIndex) const;
    const QPixmap& Picture(SortImage image) const { return images_[size_t(image)]; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    std::array<QPixmap, 3> images_;
    int sortColumn_ = 0;
    bool ascending_ = true;
};

} // namespace tobrisk
