// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ImportCommand.h"

#include <QString>

class QWidget;

namespace tobrisk {

struct Platform;
class Directory;

// "Ripristina agenda salvata…": a kept copy of an exchange's directory, chosen by the user, becomes the
// prepared list off line, as an import of it would; "Salva su centralino" then writes it. True when the list
// was replaced.
bool RunRestore(Platform& platform, Directory& directory, const ImportSteps& steps, const QString& snapshotFolder,
                QWidget* parent);

} // namespace tobrisk
