// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectoryChanges.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tobrisk {

namespace {

// The places of one side's entries, by ascending short number and the last of each short number only,
// each below its short number. The exchange is read in ascending order and needs no sort; a prepared list
// comes in the order the user sorted it, and a comparison sort of 2000 entries would cost more than the
// comparison itself: a stable radix sort of the short number's two bytes, both counted in one pass.
std::vector<uint64_t> ByShortNumber(const std::vector<Entry>& entries)
{
    std::vector<uint64_t> keys(entries.size());
    bool ascending = true;
    for (size_t i = 0; i < entries.size(); ++i) {
        keys[i] = uint64_t(entries[i].shortNumber) << 32 | i;
        ascending = ascending && (i == 0 || entries[i - 1].shortNumber <= entries[i].shortNumber);
    }
    if (!ascending) {
        std::array<std::array<uint32_t, 256>, 2> start{};
        for (const Entry& entry : entries) {
            ++start[0][entry.shortNumber & 0xFFu];
            ++start[1][entry.shortNumber >> 8];
        }
        for (auto& counts : start) {
            uint32_t total = 0;
            for (uint32_t& count : counts)
                total += std::exchange(count, total);
        }
        std::vector<uint64_t> sorted(entries.size());
        for (size_t pass = 0; pass < 2; ++pass) {
            const unsigned shift = pass == 0 ? 32u : 40u;
            for (const uint64_t key : keys)
                sorted[start[pass][(key >> shift) & 0xFFu]++] = key;
            keys.swap(sorted);
        }
    }
    // Stable, so the last of equal short numbers is the last in its run.
    size_t kept = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i + 1 == keys.size() || keys[i + 1] >> 32 != keys[i] >> 32)
            keys[kept++] = keys[i];
    }
    keys.resize(kept);
    return keys;
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
    const std::vector<uint64_t> old = ByShortNumber(exchange);
    const std::vector<uint64_t> next = ByShortNumber(prepared);
    const auto entryOf = [](const std::vector<Entry>& entries, uint64_t key) { return &entries[key & 0xFFFFFFFFu]; };
    DirectoryChanges changes;
    changes.rows.reserve(std::max(old.size(), next.size()));
    size_t o = 0;
    size_t n = 0;
    while (o < old.size() || n < next.size()) {
        if (n == next.size() || (o < old.size() && old[o] >> 32 < next[n] >> 32)) {
            // Only an overwrite deletes; an update writes the exchange's own entry back or leaves it alone.
            if (way == SaveWay::Overwrite) {
                changes.rows.push_back({EntryChange::Deleted, entryOf(exchange, old[o]), nullptr, 0});
                ++changes.deleted;
            }
            ++o;
        } else if (o == old.size() || next[n] >> 32 < old[o] >> 32) {
            changes.rows.push_back({EntryChange::Added, nullptr, entryOf(prepared, next[n]), 0});
            ++changes.added;
            ++n;
        } else {
            const Entry* before = entryOf(exchange, old[o]);
            const Entry* after = entryOf(prepared, next[n]);
            if (const unsigned fields = DifferingFields(*before, *after)) {
                changes.rows.push_back({EntryChange::Changed, before, after, fields});
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
