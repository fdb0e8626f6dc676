// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a write of a prepared list would change on an exchange whose directory has been read.

#include "directory/Entry.h"

#include <QJsonObject>
#include <QString>
#include <vector>

class QIODevice;

namespace tobrisk {

class Directory;
class MessageBoxes;

enum class WriteMode { Overwrite, Update };

struct WritePlan {
    std::vector<Entry> added;
    // Each entry as the exchange holds it and as the write leaves it.
    std::vector<std::pair<Entry, Entry>> changed;
    std::vector<Entry> deleted;

    bool Empty() const { return added.empty() && changed.empty() && deleted.empty(); }
};

// Overwrite deletes what the list lacks; update keeps the exchange's own entries, so it deletes nothing.
// Both in ascending order of short number.
WritePlan PlanWrite(const std::vector<Entry>& onExchange, const std::vector<Entry>& prepared, WriteMode mode);

// The file read as the window's import reads an exported file (heading, then short number, name, telephone
// number and line seizure), into `into` with its number of digits. Returns the records left out for want
// of a short number.
int ImportExportedFile(QIODevice& file, Directory& into, MessageBoxes& messages);

// {"added": [entry...], "changed": [{"before": entry, "after": entry}...], "deleted": [entry...]}, each entry
// {"shortNumber", "name", "phoneNumber", "lineSeizure"} with the line seizure's code.
QJsonObject PlanJson(const WritePlan& plan);

} // namespace tobrisk
