// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Entry.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

namespace tobrisk {

// The directory's semicolon-separated file, in both directions. Plain functions of their arguments; the
// commands that use them run on the user-interface thread.

// The file dialogs' filter: one entry, the description and its pattern.
QString CsvFileFilter();

// The one-letter code of a line-seizure value: D, Innn, Lnnnnn, N or ?.
std::string LineSeizureCode(uint16_t value);
// The reverse of LineSeizureCode, except that "?" and anything unknown read as the default routing.
uint16_t LineSeizureFromCode(std::string_view code);

// Writes the heading (when asked) and one line per entry, each ending with CR LF. False at the first line
// that does not reach the device whole; the lines before it stay written.
bool WriteDirectoryCsv(QIODevice& out, const std::array<std::string_view, 4>& headings,
                       const std::vector<const Entry*>& entries, bool writeHeading);

// The folder of a chosen path: the text before its last separator (the root for a file in the root), or
// the whole path without one.
QString FolderOfPath(const QString& path);
// The folder of the chosen path becomes the initial folder of the next file dialog, also in later runs.
void RememberFolder(QString& lastFolder, const QString& chosenPath);

// A record line's fields, as views into the line: a trailing separator ends the last field instead of
// opening an empty one, and only the first 100 fields count. The vector is refilled, so one vector can
// serve every line of a file without allocating again.
void SplitFields(std::string_view line, char separator, std::vector<std::string_view>& fields);
// The last `digits` characters of the text, padded in front with zeros to exactly `digits` characters.
std::string NormalizeShortNumberText(std::string_view text, const DirectorySettings& settings);
// At most `shortNumberDigits` characters, all decimal digits (an empty text passes).
bool IsShortNumberText(std::string_view text, const DirectorySettings& settings);
// The decimal digits of the text in their order, at most 500 of them.
std::string DigitsOnly(std::string_view text);

// Lines of a file read the way the import reads them: CR LF arrives as "\n", and a line longer than 499
// bytes arrives in pieces of 499 bytes, each handed out as a line of its own. The line end stays on the
// piece that holds it. A file that begins with a UTF-8 byte-order mark is read without the mark and its
// text is brought to code page 1252.
class CsvLineReader {
public:
    // Reads from the device's current position; the device must stay open while the reader is used.
    explicit CsvLineReader(QIODevice& in);

    // The next line or piece, or nothing at the end of the file. The text stays valid until the next call.
    std::optional<std::string_view> NextLine();

    static constexpr size_t kMaxPiece = 499;

private:
    bool Fill();
    std::optional<std::string_view> PieceInBuffer();

    QIODevice& in_;
    std::string buffer_;
    std::string line_;
    size_t position_ = 0;
    bool atEnd_ = false;
    bool utf8_ = false;
};

} // namespace tobrisk
