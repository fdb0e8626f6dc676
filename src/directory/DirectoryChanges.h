// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a save to the exchange will change in its directory, worked out from the exchange's entries just
// read and the entries the user prepared, before anything is deleted or written. Free of widgets, so that
// the command line can show the same changes.

#include "directory/Entry.h"

#include <cstdint>
#include <vector>

namespace tobrisk {

// The two ways a save treats the exchange's directory: Overwrite deletes every record, then writes the
// prepared entries; Update writes the prepared entries, then the exchange's own behind them up to the
// list's limit, and deletes nothing.
enum class SaveWay { Overwrite, Update };

// The fields of an entry that a change touches, as bits.
enum EntryField : unsigned { FieldName = 1u, FieldPhoneNumber = 2u, FieldLineSeizure = 4u };

struct EntryChange {
    enum Kind { Added, Changed, Deleted };
    Kind kind = Added;
    // Null for an added entry; the exchange's otherwise. Both point into the vectors the changes came from.
    const Entry* before = nullptr;
    // Null for a deleted entry; the prepared one otherwise.
    const Entry* after = nullptr;
    // For a changed entry, the EntryField bits that differ.
    unsigned fields = 0;
};

struct DirectoryChanges {
    // In ascending short number; valid while the entries they came from live unchanged.
    std::vector<EntryChange> rows;
    int added = 0;
    int changed = 0;
    int deleted = 0;
};

// What saving `prepared` in `way` over `exchange` will change. Of several entries with the same short
// number, the later is the one the exchange ends up with, as the writes land in order. Entries that stay as
// they are on the exchange are no change.
DirectoryChanges ChangesOfSave(const std::vector<Entry>& exchange, const std::vector<Entry>& prepared, SaveWay way);

// For an update of which the user ticked only some rows (`ticked[i]` for `changes.rows[i]`): the prepared
// entries without the unticked added ones, and with the exchange's own entry in place of an unticked changed
// one, so that the exchange keeps it and the list shows what the exchange holds.
std::vector<Entry> KeepTicked(const std::vector<Entry>& prepared, const DirectoryChanges& changes,
                              const std::vector<bool>& ticked);

} // namespace tobrisk
