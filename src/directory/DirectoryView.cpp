// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectoryView.h"

#include <QMouseEvent>
#include <algorithm>
#include <array>

namespace tobrisk {

namespace {

constexpr std::array<int, kDirectoryColumnCount> kColumnWidths = {110, 370, 210, 200};

} // namespace

DirectoryView::DirectoryView(DirectoryTableModel& model, WaitCursor& waitCursor, QWidget* parent)
    : QTreeView(parent), model_(model), waitCursor_(waitCursor)
{
    setObjectName(QStringLiteral("directoryTreeView"));
    sortHeader_ = new SortHeader(this);
    sortHeader_->setObjectName(QStringLiteral("directoryHeaderView"));
    setHeader(sortHeader_);
    setModel(&model_);

    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The tree view switches header clicks off with its own sorting, which this list does not use.
    sortHeader_->setSectionsClickable(true);
    sortHeader_->setStretchLastSection(false);
    for (int column = 0; column < kDirectoryColumnCount; ++column)
        sortHeader_->resizeSection(column, kColumnWidths[size_t(column)]);
    sortHeader_->SetSortState(model_.SortColumn(), model_.SortAscending());

    connect(sortHeader_, &QHeaderView::sectionClicked, this, &DirectoryView::SortByColumn);
    connect(&model_, &QAbstractItemModel::modelReset, this, &DirectoryView::SelectLastRow);
    const auto changed = [this] { emit entriesOrSelectionChanged(); };
    connect(&model_, &QAbstractItemModel::modelReset, this, changed);
    connect(&model_, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, changed);
}

int DirectoryView::SelectedCount() const
{
    return int(selectionModel()->selectedRows().size());
}

std::vector<int> DirectoryView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<uint16_t> DirectoryView::SelectedShortNumbers() const
{
    std::vector<uint16_t> numbers;
    for (int row : SelectedRows())
        numbers.push_back(model_.EntryAt(row).shortNumber);
    return numbers;
}

void DirectoryView::SortByColumn(int column)
{
    if (column < 0 || column >= kDirectoryColumnCount)
        return;
    const std::vector<uint16_t> selected = SelectedShortNumbers();
    {
        WaitCursorScope wait(waitCursor_);
        model_.SortByColumn(column);
    }
    sortHeader_->SetSortState(model_.SortColumn(), model_.SortAscending());
    // The selected entries are selected again where they now are; the lowest becomes current and is shown.
    SelectShortNumbers(selected);
    emit entriesOrSelectionChanged();
}

void DirectoryView::SelectLastRow()
{
    if (model_.rowCount() > 0)
        SelectShortNumbers({model_.EntryAt(model_.rowCount() - 1).shortNumber});
}

void DirectoryView::SelectShortNumbers(std::vector<uint16_t> shortNumbers)
{
    if (shortNumbers.empty())
        return;
    std::sort(shortNumbers.begin(), shortNumbers.end());
    const std::vector<const Entry*>& rows = model_.Rows();
    QItemSelection selection;
    int runStart = -1;
    int last = -1;
    for (int row = 0; row <= int(rows.size()); ++row) {
        const bool hit = row < int(rows.size()) &&
                         std::binary_search(shortNumbers.begin(), shortNumbers.end(), rows[size_t(row)]->shortNumber);
        if (hit) {
            if (runStart < 0)
                runStart = row;
            last = row;
        } else if (runStart >= 0) {
            selection.select(model_.index(runStart, 0), model_.index(row - 1, kDirectoryColumnCount - 1));
            runStart = -1;
        }
    }
    if (last < 0)
        return;
    const QModelIndex lastIndex = model_.index(last, 0);
    selectionModel()->setCurrentIndex(lastIndex, QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    scrollTo(lastIndex);
}

void DirectoryView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

void DirectoryView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    // Below the last row a selection may well remain, but the user pointed at no entry.
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid() && SelectedCount() > 0)
        emit editRequested();
}

} // namespace tobrisk
