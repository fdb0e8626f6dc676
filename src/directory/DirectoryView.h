// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectoryTableModel.h"
#include "directory/SortHeader.h"
#include "platform/WaitCursor.h"

#include <QTreeView>
#include <cstdint>
#include <vector>

namespace tobrisk {

// The directory list: shows the rows of a DirectoryTableModel, lets the user select them and sort them by
// a click on a header, and asks for an edit on a double click. When the directory is read again as a whole
// the last row ends up selected; a sort keeps the selection.
class DirectoryView : public QTreeView {
    Q_OBJECT

public:
    DirectoryView(DirectoryTableModel& model, WaitCursor& waitCursor, QWidget* parent = nullptr);

    DirectoryTableModel& Model() const { return model_; }
    int SelectedCount() const;
    std::vector<int> SelectedRows() const;
    std::vector<uint16_t> SelectedShortNumbers() const;

    // Selects and focuses every row of these short numbers, and only them, and scrolls the lowest into
    // view; nothing changes when none of them is shown.
    void SelectShortNumbers(std::vector<uint16_t> shortNumbers);
    void SelectLastRow();

    void SortByColumn(int column);
    SortHeader* Header() const { return sortHeader_; }

signals:
    // A double click on a row: the application edits the first selected row.
    void editRequested();
    void entriesOrSelectionChanged();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The rows never have children and all have one height: what they show changes, the tree's caches of
    // each row do not, so a sort repaints without a pass over 2000 rows.
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    DirectoryTableModel& model_;
    WaitCursor& waitCursor_;
    SortHeader* sortHeader_ = nullptr;
};

} // namespace tobrisk
