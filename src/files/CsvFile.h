// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Entry.h"
#include "files/TextFormat.h"

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
// The fields of a line separated by ',' or a tab, read as spreadsheets write them: a field that begins with a
// double quote runs to the closing quote and may hold the separator, and "" inside it is one quote. The same
// limits as SplitFields. The views point into `storage`, which is refilled.
void SplitQuotedFields(std::string_view line, char separator, std::string& storage,
                       std::vector<std::string_view>& fields);
// A record's fields split as its separator wants: quotes read for ',' and a tab, not for ';'.
void SplitRecordFields(std::string_view line, char separator, std::string& storage,
                       std::vector<std::string_view>& fields);
// Appends to `out` the field that begins at `at`, quotes read as SplitQuotedFields reads them; returns the
// index of the separator that ends it, or the line's size.
size_t ReadQuotedField(std::string_view line, size_t at, char separator, std::string& out);
// Only ';' files keep their quotes: that is how the export writes and reads them.
bool ReadsQuotes(char separator);

// The last `digits` characters of the text, padded in front with zeros to exactly `digits` characters.
std::string NormalizeShortNumberText(std::string_view text, const DirectorySettings& settings);
// At most `shortNumberDigits` characters, all decimal digits (an empty text passes).
bool IsShortNumberText(std::string_view text, const DirectorySettings& settings);
// The decimal digits of the text in their order, at most 500 of them.
std::string DigitsOnly(std::string_view text);

// Lines of a file read the way the import reads them: CR LF arrives as "\n", and a line longer than 499
// bytes arrives in pieces of 499 bytes, each handed out as a line of its own. The line end stays on the
// piece that holds it. A UTF-8 file is brought to code page 1252 a whole line at a time, before it is cut,
// so that no character is split; its byte-order mark is not text.
class CsvLineReader {
public:
    // Reads from the device's current position; the device must stay open while the reader is used. The
    // first constructor detects the encoding from the start of what it reads.
    explicit CsvLineReader(QIODevice& in);
    CsvLineReader(QIODevice& in, TextEncoding encoding);

    // The next line or piece, or nothing at the end of the file. The text stays valid until the next call.
    std::optional<std::string_view> NextLine();

    // Of the line or piece last handed out: the file's line it comes from, counted from 1; whether that line
    // came in more than one piece; how many of its characters code page 1252 could not hold.
    int LineNumber() const { return lineNumber_; }
    bool Cut() const { return cut_; }
    int DroppedCharacters() const { return dropped_; }

    TextEncoding Encoding() const { return utf8_ ? TextEncoding::Utf8 : TextEncoding::Cp1252; }

    static constexpr size_t kMaxPiece = 499;

private:
    void Start(TextEncoding encoding);
    bool Fill();
    std::optional<std::string_view> PieceInBuffer();
    // Appends the bytes up to the next line end, which it takes away but does not append, or until `into`
    // holds `limit` bytes. True when it took a line end; `readAny` tells whether the file gave anything.
    bool TakeUntilLineEnd(std::string& into, size_t limit, bool& readAny);
    std::optional<std::string_view> NextPiece();
    std::optional<std::string_view> NextUtf8Piece();
    bool ReadWholeLine();

    QIODevice& in_;
    std::string buffer_;
    std::string line_;
    size_t position_ = 0;
    size_t linePosition_ = 0;
    bool atEnd_ = false;
    bool utf8_ = false;
    // What the piece just read tells about its line, before a NUL shortens it.
    bool endedLine_ = false;
    size_t pieceSize_ = 0;
    int lineDropped_ = 0;

    int lineNumber_ = 0;
    int nextLineNumber_ = 1;
    int pieceIndex_ = 0;
    bool cut_ = false;
    int dropped_ = 0;
};

// The first `count` lines of a file's start as the import would read them, line ends removed.
std::vector<std::string> FirstLines(std::string_view start, TextEncoding encoding, size_t count);
// Lines that hold more than a line end, from the device's position to its end; a cheap pass that reads no
// field.
int CountRecordLines(QIODevice& in);

} // namespace tobrisk
