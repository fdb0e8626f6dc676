// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The file a diff or write brings, and what it would change, as the command prints it.

#include "directory/DirectoryChanges.h"

#include <QJsonObject>

class QIODevice;

namespace tobrisk {

class Directory;
class MessageBoxes;

// The file read as the window's import reads an exported file (heading, then short number, name, telephone
// number and line seizure), into `into` with its number of digits. Returns the records left out for want
// of a short number.
int ImportExportedFile(QIODevice& file, Directory& into, MessageBoxes& messages);

// {"added": [entry...], "changed": [{"before": entry, "after": entry}...], "deleted": [entry...]}, each entry
// {"shortNumber", "name", "phoneNumber", "lineSeizure"} with the line seizure's code, in ascending short
// number.
QJsonObject ChangesJson(const DirectoryChanges& changes);

} // namespace tobrisk
