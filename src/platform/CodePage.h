// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tobrisk {

// Names, numbers and files are bytes in Windows code page 1252; only widgets see QString.
QString FromCp1252(std::string_view bytes);
// Characters that the code page cannot hold become '?'.
std::string ToCp1252(const QString& text);
// Characters that the code page cannot hold are left out and counted in `dropped`.
std::string ToCp1252Dropping(const QString& text, int& dropped);

} // namespace tobrisk
