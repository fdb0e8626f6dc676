// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Entry.h"

#include <vector>

class QWidget;

namespace tobrisk {

struct Platform;
struct DirectorySettings;

// "Stampa": the entries as a fixed-pitch listing, in the order the list shows them.
void RunPrint(Platform& platform, const DirectorySettings& settings, const std::vector<const Entry*>& shown,
              QWidget* parent);

} // namespace tobrisk
