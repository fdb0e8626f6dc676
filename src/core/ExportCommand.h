// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Entry.h"

#include <QString>
#include <vector>

class QWidget;

namespace tobrisk {

struct Platform;

// "Salva su file": the entries, in the order the list shows them, to a file chosen by the user. The folder
// chosen becomes `lastFolder`. True when the file was written.
bool RunExport(Platform& platform, QString& lastFolder, const std::vector<const Entry*>& shown, QWidget* parent);

} // namespace tobrisk
