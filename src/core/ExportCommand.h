// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Entry.h"

#include <QString>
#include <vector>

struct CPlatform;
class QWidget;

// "Salva su file": the entries, in the order the list shows them, to a file chosen by the user. The folder
// chosen becomes `lastFolder`.
void RunExport(CPlatform& platform, QString& lastFolder, const std::vector<const Entry*>& shown, QWidget* parent);
