// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Entry.h"

#include <vector>

struct CPlatform;
struct DirectorySettings;
class QWidget;

// "Stampa": the entries as a fixed-pitch listing, in the order the list shows them.
void RunPrint(CPlatform& platform, const DirectorySettings& settings, const std::vector<const Entry*>& shown,
              QWidget* parent);
