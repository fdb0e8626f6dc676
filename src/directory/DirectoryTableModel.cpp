// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectoryTableModel.h"

#include "directory/LineSeizure.h"
#include "platform/CodePage.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>

namespace tobrisk {

namespace {

// memcmp compares as unsigned char, so accented letters come after the ASCII ones; a text that begins
// another comes first.
bool BytesLess(const std::string& a, const std::string& b)
{
    const int common = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return common < 0 || (common == 0 && a.size() < b.size());
}

struct ShortNumberLess {
    bool operator()(const Entry* a, const Entry* b) const { return a->shortNumber < b->shortNumber; }
};

struct NameLess {
    bool operator()(const Entry* a, const Entry* b) const { return BytesLess(a->name, b->name); }
};

struct PhoneNumberLess {
    bool operator()(const Entry* a, const Entry* b) const { return BytesLess(a->phoneNumber, b->phoneNumber); }
};

struct LineSeizureLess {
    bool operator()(const Entry* a, const Entry* b) const { return a->lineSeizure < b->lineSeizure; }
};

// Descending by swapping the operands, so entries that sort alike still keep the order they had.
template <typename Less> struct Reversed {
    bool operator()(const Entry* a, const Entry* b) const { return Less{}(b, a); }
};

// Calls `use` with the row order of this column and direction. The column is looked at once here rather
// than at every comparison of a sort or a search.
template <typename Use> decltype(auto) WithRowLess(int column, bool ascending, Use&& use)
{
    const auto directed = [&](auto less) -> decltype(auto) {
        using Less = decltype(less);
        return ascending ? use(less) : use(Reversed<Less>{});
    };
    switch (column) {
    case kColumnName:
        return directed(NameLess{});
    case kColumnPhoneNumber:
        return directed(PhoneNumberLess{});
    case kColumnLineSeizure:
        return directed(LineSeizureLess{});
    default:
        return directed(ShortNumberLess{});
    }
}

// What a header click sorts by: the column's value, or the first 16 bytes of its text as two big-endian
// integers, turned round for a descending sort, so that the keys sort as plain unsigned numbers.
struct SortKey {
    uint64_t high = 0;
    uint64_t low = 0;
    size_t place = 0; // before the sort
};

void SetTextKey(SortKey& key, const std::string& text)
{
    unsigned char bytes[16] = {};
    if (text.size() >= sizeof bytes)
        std::memcpy(bytes, text.data(), sizeof bytes);
    else
        std::copy(text.begin(), text.end(), bytes);
    key.high = qFromBigEndian<uint64_t>(bytes);
    key.low = qFromBigEndian<uint64_t>(bytes + 8);
}

// A stable sort of the keys by their 16 bytes, least significant byte first: a fixed few passes over 2000
// keys instead of a comparison per pair. A byte that all keys share moves nothing and is skipped.
void RadixSort(std::vector<SortKey>& keys)
{
    constexpr size_t kBytes = 16;
    std::array<std::array<uint32_t, 256>, kBytes> counts{};
    const auto byteOf = [](const SortKey& key, size_t byte) {
        return size_t(((byte < 8 ? key.low : key.high) >> (8 * (byte % 8))) & 0xFF);
    };
    for (const SortKey& key : keys) {
        for (size_t byte = 0; byte < 8; ++byte) {
            ++counts[byte][(key.low >> (8 * byte)) & 0xFF];
            ++counts[byte + 8][(key.high >> (8 * byte)) & 0xFF];
        }
    }
    std::vector<SortKey> moved(keys.size());
    for (size_t byte = 0; byte < kBytes; ++byte) {
        std::array<uint32_t, 256>& next = counts[byte];
        if (next[byteOf(keys.front(), byte)] == keys.size())
            continue;
        uint32_t start = 0;
        for (uint32_t& count : next)
            start += std::exchange(count, start);
        for (const SortKey& key : keys)
            moved[next[byteOf(key, byte)]++] = key;
        keys.swap(moved);
    }
}

// Sorts the entries as WithRowLess orders them, stably.
template <bool Ascending> void SortByKeys(std::vector<const Entry*>& entries, int column)
{
    if (entries.empty())
        return;
    const std::string Entry::*text = column == kColumnName          ? &Entry::name
                                     : column == kColumnPhoneNumber ? &Entry::phoneNumber
                                                                    : nullptr;
    std::vector<SortKey> keys(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        SortKey& key = keys[i];
        key.place = i;
        if (text)
            SetTextKey(key, entries[i]->*text);
        else
            key.high = column == kColumnLineSeizure ? entries[i]->lineSeizure : entries[i]->shortNumber;
        if (!Ascending) {
            key.high = ~key.high;
            key.low = ~key.low;
        }
    }
    RadixSort(keys);
    // Texts alike in their first 16 bytes: only the whole texts tell, and only where they are longer.
    if (text) {
        const auto sameKey = [](const SortKey& a, const SortKey& b) { return a.high == b.high && a.low == b.low; };
        for (auto run = keys.begin(); run != keys.end();) {
            const auto runEnd =
                std::find_if_not(run, keys.end(), [&](const SortKey& key) { return sameKey(key, *run); });
            if (runEnd - run > 1)
                std::stable_sort(run, runEnd, [&](const SortKey& a, const SortKey& b) {
                    return Ascending ? BytesLess(entries[a.place]->*text, entries[b.place]->*text)
                                     : BytesLess(entries[b.place]->*text, entries[a.place]->*text);
                });
            run = runEnd;
        }
    }
    const std::vector<const Entry*> before = entries;
    for (size_t i = 0; i < keys.size(); ++i)
        entries[i] = before[keys[i].place];
}

} // namespace

std::string_view DirectoryColumnTitle(int column)
{
    switch (column) {
    case kColumnShortNumber:
        return "Numero breve";
    case kColumnName:
        return "Nome";
    case kColumnPhoneNumber:
        return "Numero di telefono";
    case kColumnLineSeizure:
        return "Impegno linea";
    default:
        return {};
    }
}

DirectoryTableModel::DirectoryTableModel(const Directory& directory, WaitCursor* waitCursor, QObject* parent)
    : QAbstractTableModel(parent), directory_(directory), waitCursor_(waitCursor)
{
    connect(&directory_, &Directory::inserted, this, &DirectoryTableModel::OnInserted);
    connect(&directory_, &Directory::removed, this, &DirectoryTableModel::OnRemoved);
    connect(&directory_, &Directory::changed, this, &DirectoryTableModel::OnChanged);
    // Until the reset ends the rows would show entries that may already have left.
    connect(&directory_, &Directory::aboutToReset, this, [this] {
        beginResetModel();
        all_.clear();
        rows_.clear();
    });
    connect(&directory_, &Directory::reset, this, &DirectoryTableModel::OnReset);
    all_ = directory_.Entries();
    SortAll();
    rows_ = all_;
}

int DirectoryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int DirectoryTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kDirectoryColumnCount;
}

QVariant DirectoryTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const Entry& entry = EntryAt(index.row());
    switch (index.column()) {
    case kColumnShortNumber:
        return FromCp1252(ShortNumberText(directory_.Settings(), entry.shortNumber));
    case kColumnName:
        return FromCp1252(entry.name);
    case kColumnPhoneNumber:
        return FromCp1252(entry.phoneNumber);
    default:
        return FromCp1252(LineSeizureText(entry.lineSeizure));
    }
}

QVariant DirectoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kDirectoryColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return FromCp1252(DirectoryColumnTitle(section));
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags DirectoryTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int DirectoryTableModel::RowOf(uint16_t shortNumber) const
{
    const auto found = std::find_if(rows_.begin(), rows_.end(),
                                    [shortNumber](const Entry* e) { return e->shortNumber == shortNumber; });
    return found == rows_.end() ? -1 : int(found - rows_.begin());
}

void DirectoryTableModel::SortAll()
{
    sortAscending_ ? SortByKeys<true>(all_, sortColumn_) : SortByKeys<false>(all_, sortColumn_);
}

void DirectoryTableModel::SortByColumn(int column)
{
    if (column < 0 || column >= kDirectoryColumnCount)
        return;
    sortAscending_ = !(sortAscending_ && column == sortColumn_);
    sortColumn_ = column;
    SortAll();
    // The same rows are shown, in another order: a change of what each row shows, which a view takes
    // without laying its rows out again.
    rows_ = Filtered();
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, kDirectoryColumnCount - 1), {Qt::DisplayRole});
}

void DirectoryTableModel::SetFilter(std::string_view text)
{
    filter_ = EntryFilter(text);
    ShowRows(Filtered());
}

std::vector<const Entry*> DirectoryTableModel::Filtered() const
{
    if (filter_.IsEmpty())
        return all_;
    std::vector<const Entry*> shown;
    const DirectorySettings& settings = directory_.Settings();
    for (const Entry* entry : all_)
        if (filter_.Matches(*entry, settings))
            shown.push_back(entry);
    return shown;
}

void DirectoryTableModel::ShowRows(std::vector<const Entry*> rows)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    // The entry of each index held on to, with the index's place in `before`. The view holds few, so the
    // new rows are looked up among them rather than sorted.
    using Held = std::pair<const Entry*, qsizetype>;
    std::vector<Held> held;
    held.reserve(size_t(before.size()));
    for (qsizetype i = 0; i < before.size(); ++i)
        held.emplace_back(rows_[size_t(before[i].row())], i);
    std::sort(held.begin(), held.end());
    rows_ = std::move(rows);
    QModelIndexList after(before.size());
    for (size_t row = 0; row < rows_.size() && !held.empty(); ++row) {
        const auto byEntry = [](const Held& h, const Entry* e) { return h.first < e; };
        for (auto found = std::lower_bound(held.begin(), held.end(), rows_[row], byEntry);
             found != held.end() && found->first == rows_[row]; ++found)
            after[found->second] = index(int(row), before[found->second].column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DirectoryTableModel::OnInserted(const Entry& entry)
{
    const auto after = [this, &entry](const std::vector<const Entry*>& rows) {
        return WithRowLess(sortColumn_, sortAscending_,
                           [&](auto less) { return std::upper_bound(rows.begin(), rows.end(), &entry, less); });
    };
    all_.insert(after(all_), &entry);
    if (!filter_.Matches(entry, directory_.Settings()))
        return;
    const auto position = after(rows_);
    const int row = int(position - rows_.begin());
    beginInsertRows({}, row, row);
    rows_.insert(position, &entry);
    endInsertRows();
}

void DirectoryTableModel::OnRemoved(const Entry& entry)
{
    if (const auto held = std::find(all_.begin(), all_.end(), &entry); held != all_.end())
        all_.erase(held);
    const auto position = std::find(rows_.begin(), rows_.end(), &entry);
    if (position == rows_.end())
        return;
    const int row = int(position - rows_.begin());
    beginRemoveRows({}, row, row);
    rows_.erase(position);
    endRemoveRows();
}

void DirectoryTableModel::OnChanged()
{
    if (!rows_.empty())
        emit dataChanged(index(0, kColumnShortNumber), index(rowCount() - 1, kColumnShortNumber), {Qt::DisplayRole});
    // The short numbers read differently now, so the filter may take other entries.
    if (IsFiltered())
        ShowRows(Filtered());
}

void DirectoryTableModel::OnReset()
{
    std::optional<WaitCursorScope> wait;
    if (waitCursor_)
        wait.emplace(*waitCursor_);
    all_ = directory_.Entries();
    // A directory read from the exchange arrives in ascending short numbers, the order shown at first.
    if (!WithRowLess(sortColumn_, sortAscending_,
                     [this](auto less) { return std::is_sorted(all_.begin(), all_.end(), less); }))
        SortAll();
    rows_ = Filtered();
    endResetModel();
}

} // namespace tobrisk
