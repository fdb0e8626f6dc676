// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Directory.h"
#include "directory/EntryFilter.h"
#include "platform/WaitCursor.h"

#include <QAbstractTableModel>
#include <string_view>
#include <vector>

namespace tobrisk {

enum DirectoryColumn : int {
    kColumnShortNumber = 0,
    kColumnName = 1,
    kColumnPhoneNumber = 2,
    kColumnLineSeizure = 3,
    kDirectoryColumnCount = 4
};

// The column headings, also written by the export and the printout.
std::string_view DirectoryColumnTitle(int column);

// The rows of the directory list, one per entry of the directory, kept in the sort order as the directory
// changes. Rows hold no text; every cell is formatted when the view asks for it, so a change of prefix or
// digits shows at the next repaint. Names and numbers order byte by byte as unsigned values, so accented
// letters come after the ASCII ones; entries that sort alike keep the order they had. A filter hides the
// rows it does not match: they keep their place in the sort order, ready to show again.
class DirectoryTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The wait cursor, when given, shows while the rows are rebuilt after a reset.
    explicit DirectoryTableModel(const Directory& directory, WaitCursor* waitCursor = nullptr,
                                 QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The entries in the order the rows show them.
    const std::vector<const Entry*>& Rows() const { return rows_; }
    // Every entry in the same order, those the filter hides too.
    const std::vector<const Entry*>& AllRows() const { return all_; }
    const Entry& EntryAt(int row) const { return *rows_[size_t(row)]; }
    // The row that shows this short number, or -1.
    int RowOf(uint16_t shortNumber) const;

    // A click on a column's header: only a further click on the column already sorted ascending turns it
    // round. The rows stay where they are and show other entries: whoever selected some selects them again.
    void SortByColumn(int column);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return sortAscending_; }

    // The text typed over the list, in code page 1252; empty shows every entry. Rows that stay keep their
    // indices' entries, so a selection keeps only the rows still shown.
    void SetFilter(std::string_view text);
    bool IsFiltered() const { return !filter_.IsEmpty(); }

private:
    std::vector<const Entry*> Filtered() const;
    // Shows these rows in place of the current ones; indices held on to follow their entries, or become
    // invalid when their entry is no longer shown.
    void ShowRows(std::vector<const Entry*> rows);
    // Puts every entry in the sort order; entries that sort alike keep the order they had.
    void SortAll();
    void OnInserted(const Entry& entry);
    void OnRemoved(const Entry& entry);
    void OnChanged();
    void OnReset();

    const Directory& directory_;
    WaitCursor* waitCursor_;
    // Every entry in sort order, and those of them the filter shows.
    std::vector<const Entry*> all_;
    std::vector<const Entry*> rows_;
    EntryFilter filter_;
    int sortColumn_ = kColumnShortNumber;
    bool sortAscending_ = true;
};

} // namespace tobrisk
