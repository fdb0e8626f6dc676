// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

namespace tobrisk {

// How the text of an imported file is written. Plain functions of their arguments, any thread.

enum class TextEncoding { Cp1252, Utf8 };

// The start of a file that detection looks at; the rest of a file rarely disagrees with it.
constexpr size_t kDetectionWindow = 64 * 1024;

// What UTF-8 files often begin with: not text, only a sign of the encoding.
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool StartsWithByteOrderMark(std::string_view text);
// UTF-8 for a byte-order mark, or for text that is valid UTF-8 and holds bytes beyond ASCII; code page 1252
// for anything else. A character cut by the end of the window counts as valid.
TextEncoding DetectEncoding(std::string_view start);
// ';' when the line holds one, as every exported file does; else a tab, then ',', when the line holds one;
// else ';'. A tab wins over ',' because names in tab-separated files often hold commas.
char DetectSeparator(std::string_view firstLine);

} // namespace tobrisk
