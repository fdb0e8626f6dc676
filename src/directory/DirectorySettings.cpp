// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectorySettings.h"

void ResetDirectorySettings(CDirectorySettings& settings)
{
    settings = CDirectorySettings{};
}
