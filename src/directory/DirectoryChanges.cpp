// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectoryChanges.h"

#include <algorithm>
#include <array>

namespace tobrisk {

namespace {

// The entries of one side by ascending short number, the last of each short number only. A stable radix
// sort on the short number's two bytes: the lists come in any order, and a comparison sort of 2000 entries
// would cost more than the comparison itself.
std::vector<const Entry*> ByShortNumber(const std::vector<Entry>& entries)
{
    std::vector<const Entry*> sorted(entries.size());
    std::vector<const Entry*> pass(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        pass[i] = &entries[i];
    for (const unsigned shift : {0u, 8u}) {
        std::array<size_t, 257> start{};
        for (const Entry* entry : pass)
            ++start[((entry->shortNumber >> shift) & 0xFFu) + 1];
        for (size_t b = 1; b < start.size(); ++b)
            start[b] += start[b - 1];
        for (const Entry* entry : pass)
            sorted[start[(entry->shortNumber >> shift) & 0xFFu]++] = entry;
        pass.swap(sorted);
    }
    // Stable, so the last of equal short numbers is the last in its run.
    size_t kept = 0;
    for (size_t i = 0; i < pass.size(); ++i) {
        if (i + 1 < pass.size() && pass[i + 1]->shortNumber == pass[i]->shortNumber)
            continue;
        pass[kept++] = pass[i];
    }
    pass.resize(kept);
    return pass;
}

unsigned DifferingFields(const Entry& before, const Entry& after)
{
    return (before.name != after.name ? FieldName : 0u) |
           (before.phoneNumber != after.phoneNumber ? FieldPhoneNumber : 0u) |
           (before.lineSeizure != after.lineSeizure ? FieldLineSeizure : 0u);
}

} // namespace

DirectoryChanges ChangesOfSave(const std::vector<Entry>& exchange, const std::vector<Entry>& prepared, SaveWay way)
{
    const std::vector<const Entry*> old = ByShortNumber(exchange);
    const std::vector<const Entry*> next = ByShortNumber(prepared);
    DirectoryChanges changes;
    changes.rows.reserve(std::max(old.size(), next.size()));
    size_t o = 0;
    size_t n = 0;
    while (o < old.size() || n < next.size()) {
        if (n == next.size() || (o < old.size() && old[o]->shortNumber < next[n]->shortNumber)) {
            // Only an overwrite deletes; an update writes the exchange's own entry back or leaves it alone.
            if (way == SaveWay::Overwrite) {
                changes.rows.push_back({EntryChange::Deleted, old[o], nullptr, 0});
                ++changes.deleted;
            }
            ++o;
        } else if (o == old.size() || next[n]->shortNumber < old[o]->shortNumber) {
            changes.rows.push_back({EntryChange::Added, nullptr, next[n], 0});
            ++changes.added;
            ++n;
        } else {
            if (const unsigned fields = DifferingFields(*old[o], *next[n])) {
                changes.rows.push_back({EntryChange::Changed, old[o], next[n], fields});
                ++changes.changed;
            }
            ++o;
            ++n;
        }
    }
    return changes;
}

std::vector<Entry> KeepTicked(const std::vector<Entry>& prepared, const DirectoryChanges& changes,
                              const std::vector<bool>& ticked)
{
    // The unticked rows by short number, in ascending order as the rows are.
    std::vector<const EntryChange*> unticked;
    for (size_t i = 0; i < changes.rows.size(); ++i) {
        if (i < ticked.size() && !ticked[i])
            unticked.push_back(&changes.rows[i]);
    }
    std::vector<Entry> kept;
    kept.reserve(prepared.size());
    for (const Entry& entry : prepared) {
        const auto found = std::lower_bound(unticked.begin(), unticked.end(), entry.shortNumber,
                                            [](const EntryChange* row, uint16_t number) {
                                                return (row->after ? row->after : row->before)->shortNumber < number;
                                            });
        if (found == unticked.end() || (*found)->after == nullptr || (*found)->after->shortNumber != entry.shortNumber)
            kept.push_back(entry);
        else if ((*found)->kind == EntryChange::Changed)
            kept.push_back(*(*found)->before);
    }
    return kept;
}

} // namespace tobrisk
