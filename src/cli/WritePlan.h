// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the file that a diff or write brings would change, as the command prints it.

#include "directory/DirectoryChanges.h"

#include <QJsonObject>

namespace tobrisk {

// {"added": [entry...], "changed": [{"before": entry, "after": entry}...], "deleted": [entry...]}, each entry
// {"shortNumber", "name", "phoneNumber", "lineSeizure"} with the line seizure's code, in ascending short
// number.
QJsonObject ChangesJson(const DirectoryChanges& changes);

} // namespace tobrisk
