// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace tobrisk {

// Free functions, any thread.

// Creates `path` as an empty file, replacing any file of that name. 0, or the system's
// error number.
int CreateEmptyFile(const QString& path);

} // namespace tobrisk
