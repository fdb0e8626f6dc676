// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/PlimsetView.h"

#include "directory/DirectoryModel.h"
#include "link/ExchangeLimits.h"

#include <QMouseEvent>
#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::array<int, kDirectoryColumnCount> kColumnWidths = {110, 370, 210, 200};

// Names and numbers order byte by byte as unsigned values, so accented letters come after the ASCII ones.
bool BytesLess(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return uint8_t(x) < uint8_t(y); });
}

bool KeyLess(const CRecord& a, const CRecord& b, int column)
{
    switch (column) {
    case kColumnName:
        return BytesLess(a.name, b.name);
    case kColumnPhoneNumber:
        return BytesLess(a.phoneNumber, b.phoneNumber);
    case kColumnLineSeizure:
        return a.lineSeizure < b.lineSeizure;
    default:
        return a.shortNumber < b.shortNumber;
    }
}

// Only the first 32 bytes count, and the exchange keeps no byte of 0x80 or above in a number.
std::string StoredPhoneNumber(std::string_view given)
{
    std::string phone(given.substr(0, kMaxTextBytes));
    phone.erase(std::remove_if(phone.begin(), phone.end(), [](char c) { return uint8_t(c) >= 0x80; }), phone.end());
    return phone;
}

} // namespace

CPlimsetView::CPlimsetView(const CDirectorySettings& settings, IWaitCursor& waitCursor, QWidget* parent)
    : QTreeView(parent), settings_(settings), waitCursor_(waitCursor)
{
    setObjectName(QStringLiteral("directoryTreeView"));
    model_ = new CDirectoryModel(settings_, this);
    sortHeader_ = new CSortHeader(this);
    sortHeader_->setObjectName(QStringLiteral("directoryHeaderView"));
    setHeader(sortHeader_);
    setModel(model_);

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
    sortHeader_->SetSortState(sortColumn_, sortAscending_);

    connect(sortHeader_, &QHeaderView::sectionClicked, this, &CPlimsetView::SortByColumn);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!refilling_)
            emit entriesOrSelectionChanged();
    });
}

CPlimsetView::~CPlimsetView()
{
    // The rows must not outlive the entries they point to, not even during the base destructors.
    model_->SetDisplayed({});
}

const CRecord& CPlimsetView::AddOrReplaceEntry(uint16_t shortNumber, std::string_view name,
                                               std::string_view phoneNumber, uint16_t lineSeizure, bool deferRefresh,
                                               bool keepSelection)
{
    RemoveEntryByShortNumber(shortNumber);
    entries_.push_back(std::make_unique<CRecord>(
        CRecord{std::string(name.substr(0, kMaxTextBytes)), StoredPhoneNumber(phoneNumber), lineSeizure, shortNumber}));
    const CRecord& added = *entries_.back();
    present_.set(shortNumber);
    if (!deferRefresh)
        RefreshList(keepSelection, shortNumber);
    return added;
}

void CPlimsetView::RefreshList(bool keepSelection, std::optional<uint16_t> shortNumber)
{
    std::vector<uint16_t> noted;
    if (keepSelection)
        for (int row : SelectedRows())
            noted.push_back(shortNumber.value_or(DisplayedEntry(row).shortNumber));

    CWaitCursorScope wait(waitCursor_);
    std::vector<const CRecord*> rows;
    rows.reserve(entries_.size());
    for (const auto& entry : entries_)
        rows.push_back(entry.get());
    Sort(rows);
    if (!rows.empty() && !keepSelection)
        noted.push_back(shortNumber.value_or(rows.back()->shortNumber));

    refilling_ = true;
    model_->SetDisplayed(std::move(rows));
    // Nothing refers to the entries taken out since the last rebuild any more.
    graveyard_.clear();
    SelectShortNumbers(noted);
    refilling_ = false;
    emit entriesOrSelectionChanged();
}

void CPlimsetView::ClearEntries()
{
    refilling_ = true;
    model_->SetDisplayed({});
    entries_.clear();
    present_.reset();
    graveyard_.clear();
    refilling_ = false;
    emit entriesOrSelectionChanged();
}

void CPlimsetView::RemoveEntryAt(int displayIndex)
{
    if (displayIndex < 0 || displayIndex >= DisplayedCount())
        return;
    const CRecord* shown = &DisplayedEntry(displayIndex);
    const auto found =
        std::find_if(entries_.begin(), entries_.end(), [shown](const auto& entry) { return entry.get() == shown; });
    if (found != entries_.end())
        TakeOut(found);
}

void CPlimsetView::RemoveEntryByShortNumber(uint16_t shortNumber)
{
    if (!present_.test(shortNumber))
        return;
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [shortNumber](const auto& entry) { return entry->shortNumber == shortNumber; });
    if (found != entries_.end())
        TakeOut(found);
}

int CPlimsetView::DisplayedCount() const
{
    return int(model_->Displayed().size());
}

const CRecord& CPlimsetView::DisplayedEntry(int index) const
{
    Q_ASSERT(index >= 0 && index < DisplayedCount());
    return *model_->Displayed()[size_t(index)];
}

std::vector<const CRecord*> CPlimsetView::Entries() const
{
    std::vector<const CRecord*> all;
    all.reserve(entries_.size());
    for (const auto& entry : entries_)
        all.push_back(entry.get());
    return all;
}

int CPlimsetView::SelectedCount() const
{
    return int(selectionModel()->selectedRows().size());
}

std::vector<int> CPlimsetView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CPlimsetView::SortByColumn(int column)
{
    if (column < 0 || column >= kDirectoryColumnCount)
        return;
    const std::vector<uint16_t> noted = SelectedShortNumbers();
    // Only a further click on the column already sorted ascending turns it round.
    sortAscending_ = !(sortAscending_ && column == sortColumn_);
    sortColumn_ = column;
    sortHeader_->SetSortState(sortColumn_, sortAscending_);

    CWaitCursorScope wait(waitCursor_);
    std::vector<const CRecord*> rows = model_->Displayed();
    Sort(rows);
    refilling_ = true;
    model_->SetDisplayed(std::move(rows));
    SelectShortNumbers(noted);
    refilling_ = false;
    emit entriesOrSelectionChanged();
}

void CPlimsetView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    // Below the last row a selection may well remain, but the user pointed at no entry.
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid() && SelectedCount() > 0)
        emit editRequested();
}

void CPlimsetView::TakeOut(std::vector<std::unique_ptr<CRecord>>::iterator position)
{
    // At most one entry per short number is in the collection.
    present_.reset((*position)->shortNumber);
    graveyard_.push_back(std::move(*position));
    entries_.erase(position);
}

void CPlimsetView::Sort(std::vector<const CRecord*>& rows) const
{
    const int column = sortColumn_;
    const auto less = [column](const CRecord* a, const CRecord* b) { return KeyLess(*a, *b, column); };
    const auto greater = [column](const CRecord* a, const CRecord* b) { return KeyLess(*b, *a, column); };
    // A directory read from the exchange arrives in ascending short numbers, the order shown at first.
    if (sortAscending_) {
        if (!std::is_sorted(rows.begin(), rows.end(), less))
            std::sort(rows.begin(), rows.end(), less);
    } else if (!std::is_sorted(rows.begin(), rows.end(), greater)) {
        std::sort(rows.begin(), rows.end(), greater);
    }
}

std::vector<uint16_t> CPlimsetView::SelectedShortNumbers() const
{
    std::vector<uint16_t> numbers;
    for (int row : SelectedRows())
        numbers.push_back(DisplayedEntry(row).shortNumber);
    return numbers;
}

void CPlimsetView::SelectShortNumbers(std::vector<uint16_t> shortNumbers)
{
    if (shortNumbers.empty())
        return;
    std::sort(shortNumbers.begin(), shortNumbers.end());
    const std::vector<const CRecord*>& rows = model_->Displayed();
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
            selection.select(model_->index(runStart, 0), model_->index(row - 1, kDirectoryColumnCount - 1));
            runStart = -1;
        }
    }
    if (last < 0)
        return;
    const QModelIndex lastIndex = model_->index(last, 0);
    selectionModel()->setCurrentIndex(lastIndex, QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    scrollTo(lastIndex);
}
