// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Record.h"
#include "directory/SortHeader.h"
#include "platform/WaitCursor.h"

#include <QTreeView>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CDirectoryModel;

// The directory list: owner of the entries, of the order in which they are shown and of the sort state.
// `entries` is the collection in insertion order; `displayed` (the model's rows) is rebuilt from it only by
// RefreshList, so between two rebuilds it may still show entries taken out of the collection. Those wait
// in a graveyard until the rebuild, so nothing that walks `displayed` ever meets a freed entry.
class CPlimsetView : public QTreeView {
    Q_OBJECT

public:
    CPlimsetView(const CDirectorySettings& settings, IWaitCursor& waitCursor, QWidget* parent = nullptr);
    ~CPlimsetView() override;

    // Returns the entry as stored: the name and number cut and cleaned as the collection keeps them.
    const CRecord& AddOrReplaceEntry(uint16_t shortNumber, std::string_view name, std::string_view phoneNumber,
                                     uint16_t lineSeizure, bool deferRefresh, bool keepSelection);
    void RefreshList(bool keepSelection, std::optional<uint16_t> shortNumber);
    void ClearEntries();
    // Takes the entry shown at that row out of the collection; the rows keep their indices until the next
    // refresh, so the rows of one selection can be removed one after another.
    void RemoveEntryAt(int displayIndex);
    // Takes the first entry of this short number out of the collection (the editor does so before it
    // stores a modified entry); it stays readable until the next refresh.
    void RemoveEntryByShortNumber(uint16_t shortNumber);

    int EntryCount() const { return int(entries_.size()); }
    int DisplayedCount() const;
    const CRecord& DisplayedEntry(int index) const;
    std::vector<const CRecord*> Entries() const;

    int SelectedCount() const;
    std::vector<int> SelectedRows() const;

    void SortByColumn(int column);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return sortAscending_; }
    CSortHeader* SortHeader() const { return sortHeader_; }

signals:
    // A double click on a row: the application edits the first selected row.
    void editRequested();
    void entriesOrSelectionChanged();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Moves an entry from the collection to the graveyard, which the next rebuild of the rows empties.
    void TakeOut(std::vector<std::unique_ptr<CRecord>>::iterator position);
    void Sort(std::vector<const CRecord*>& rows) const;
    // Selects and focuses every row of these short numbers and scrolls the lowest into view.
    void SelectShortNumbers(std::vector<uint16_t> shortNumbers);
    std::vector<uint16_t> SelectedShortNumbers() const;

    const CDirectorySettings& settings_;
    IWaitCursor& waitCursor_;
    std::vector<std::unique_ptr<CRecord>> entries_;
    std::vector<std::unique_ptr<CRecord>> graveyard_;
    // The short numbers in `entries_`, so that adding a new one needs no search of the collection: a bulk
    // fill of the whole directory would otherwise grow with its square.
    std::bitset<65536> present_;
    CDirectoryModel* model_ = nullptr;
    CSortHeader* sortHeader_ = nullptr;
    int sortColumn_ = 0;
    bool sortAscending_ = true;
    bool refilling_ = false;
};
