// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/CsvFile.h"

#include "directory/LineSeizure.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"
#include "platform/TextScan.h"

#include <QBuffer>
#include <QDir>
#include <QIODevice>
#include <algorithm>
#include <climits>

namespace tobrisk {

namespace {

constexpr size_t kMaxFields = 100;
constexpr size_t kMaxDigits = 500;
constexpr qint64 kReadBlock = 64 * 1024;

uint16_t Low16(int value)
{
    return uint16_t(uint32_t(value) & 0xFFFFu);
}

} // namespace

QString CsvFileFilter()
{
    return QStringLiteral("Comma separated files (*.csv)");
}

std::string LineSeizureCode(uint16_t value)
{
    if (value == kSeizureDefaultRouting)
        return "D";
    const uint16_t lineClass = LineSeizureClass(value);
    if (lineClass == kSeizureRoutingClass)
        return "I" + std::to_string(value & 0xFF);
    if (lineClass == kSeizureUrbanLineClass)
        return "L" + std::to_string(value & 0x3FFF);
    if (value == kSeizureNone)
        return "N";
    return "?";
}

uint16_t LineSeizureFromCode(std::string_view code)
{
    if (code.empty())
        return kSeizureDefaultRouting;
    const std::string_view rest = code.substr(1);
    switch (code.front()) {
    case 'L':
        return Low16(LeadingInteger(rest) | kSeizureUrbanLineClass);
    case 'I':
        return Low16(LeadingInteger(rest) | kSeizureRoutingClass);
    case 'N':
        return kSeizureNone;
    default:
        return kSeizureDefaultRouting;
    }
}

bool WriteDirectoryCsv(QIODevice& out, const std::array<std::string_view, 4>& headings,
                       const std::vector<const Entry*>& entries, bool writeHeading)
{
    // Each line is formatted whole and written as one block, so a short write is seen per line.
    const auto writeLine = [&out](const std::string& line) {
        return out.write(line.data(), qint64(line.size())) == qint64(line.size());
    };
    if (writeHeading) {
        std::string line;
        for (size_t i = 0; i < headings.size(); ++i) {
            line += headings[i];
            line += i + 1 < headings.size() ? ";" : "\r\n";
        }
        if (!writeLine(line))
            return false;
    }
    std::string line;
    for (const Entry* entry : entries) {
        line = std::to_string(entry->shortNumber);
        line += ';';
        line += entry->name;
        line += ';';
        line += entry->phoneNumber;
        line += ';';
        line += LineSeizureCode(entry->lineSeizure);
        line += "\r\n";
        if (!writeLine(line))
            return false;
    }
    return true;
}

QString FolderOfPath(const QString& path)
{
    qsizetype last = path.lastIndexOf(QLatin1Char('/'));
    if (QDir::separator() != QLatin1Char('/'))
        last = std::max(last, path.lastIndexOf(QDir::separator()));
    if (last < 0)
        return path;
    // The root keeps its separator: an empty folder would open the next file dialog in the current folder.
    return path.left(std::max<qsizetype>(last, 1));
}

void RememberFolder(QString& lastFolder, const QString& chosenPath)
{
    lastFolder = FolderOfPath(chosenPath);
    SettingsStore settings(SettingsFile::Program);
    settings.SetValue(SettingsKeys::LastFolder, lastFolder);
}

void SplitFields(std::string_view line, char separator, std::vector<std::string_view>& fields)
{
    fields.clear();
    size_t start = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != separator)
            continue;
        fields.push_back(line.substr(start, i - start));
        if (fields.size() == kMaxFields)
            return;
        start = i + 1;
    }
    // The last field needs no separator of its own; a line made of nothing but one still has one empty field.
    if (start < line.size() || fields.empty())
        fields.push_back(line.substr(start));
}

size_t ReadQuotedField(std::string_view line, size_t at, char separator, std::string& out)
{
    if (at < line.size() && line[at] == '"') {
        ++at;
        while (at < line.size()) {
            const char c = line[at++];
            if (c != '"') {
                out += c;
            } else if (at < line.size() && line[at] == '"') {
                out += '"';
                ++at;
            } else {
                break;
            }
        }
    }
    // What follows a closing quote, or a field that does not begin with one, is taken as it stands.
    while (at < line.size() && line[at] != separator)
        out += line[at++];
    return at;
}

void SplitQuotedFields(std::string_view line, char separator, std::string& storage,
                       std::vector<std::string_view>& fields)
{
    fields.clear();
    storage.clear();
    // Unquoting never lengthens a field, so the views stay valid while the storage fills.
    storage.reserve(line.size());
    size_t at = 0;
    for (;;) {
        const size_t start = storage.size();
        at = ReadQuotedField(line, at, separator, storage);
        fields.emplace_back(storage.data() + start, storage.size() - start);
        if (fields.size() == kMaxFields || at + 1 >= line.size())
            return;
        ++at;
    }
}

bool ReadsQuotes(char separator)
{
    return separator != ';';
}

void SplitRecordFields(std::string_view line, char separator, std::string& storage,
                       std::vector<std::string_view>& fields)
{
    if (ReadsQuotes(separator))
        SplitQuotedFields(line, separator, storage, fields);
    else
        SplitFields(line, separator, fields);
}

std::string NormalizeShortNumberText(std::string_view text, const DirectorySettings& settings)
{
    const size_t digits = settings.shortNumberDigits;
    if (text.size() > digits)
        text = text.substr(text.size() - digits);
    std::string normalized(digits - text.size(), '0');
    normalized += text;
    return normalized;
}

bool IsShortNumberText(std::string_view text, const DirectorySettings& settings)
{
    return text.size() <= settings.shortNumberDigits && std::all_of(text.begin(), text.end(), IsDecimalDigit);
}

std::string DigitsOnly(std::string_view text)
{
    std::string digits;
    for (char c : text) {
        if (digits.size() == kMaxDigits)
            break;
        if (IsDecimalDigit(c))
            digits += c;
    }
    return digits;
}

CsvLineReader::CsvLineReader(QIODevice& in) : in_(in)
{
    // A slow device may hand out the start of the file over many reads.
    while (buffer_.size() < kDetectionWindow && Fill()) {
    }
    Start(DetectEncoding(std::string_view(buffer_).substr(0, kDetectionWindow)));
}

CsvLineReader::CsvLineReader(QIODevice& in, TextEncoding encoding) : in_(in)
{
    while (buffer_.size() < kUtf8ByteOrderMark.size() && Fill()) {
    }
    Start(encoding);
}

void CsvLineReader::Start(TextEncoding encoding)
{
    utf8_ = encoding == TextEncoding::Utf8;
    if (utf8_ && StartsWithByteOrderMark(buffer_))
        position_ = kUtf8ByteOrderMark.size();
}

bool CsvLineReader::Fill()
{
    if (atEnd_)
        return false;
    buffer_.erase(0, position_);
    position_ = 0;
    const size_t kept = buffer_.size();
    buffer_.resize(kept + size_t(kReadBlock));
    const qint64 read = in_.read(buffer_.data() + kept, kReadBlock);
    buffer_.resize(kept + size_t(std::max<qint64>(read, 0)));
    if (read <= 0)
        atEnd_ = true;
    return read > 0;
}

std::optional<std::string_view> CsvLineReader::PieceInBuffer()
{
    // Only the common shapes: a piece that ends in LF or CR LF, or a full 499 bytes, with no NUL, all of it
    // already in the buffer. Anything else goes the long way, byte by byte across refills.
    char* start = buffer_.data() + position_;
    const size_t available = buffer_.size() - position_;
    const size_t window = std::min(kMaxPiece, available);
    const auto ordinary = [](char c) { return uint8_t(c) > '\r' || (c != '\n' && c != '\r' && c != '\0'); };
    size_t i = 0;
    while (i < window && ordinary(start[i]))
        ++i;
    if (i == window) {
        if (window < kMaxPiece)
            return std::nullopt;
        position_ += window;
        endedLine_ = false;
        pieceSize_ = window;
        return std::string_view(start, window);
    }
    if (start[i] == '\n') {
        position_ += i + 1;
        endedLine_ = true;
        pieceSize_ = i + 1;
        return std::string_view(start, i + 1);
    }
    if (start[i] == '\r' && i + 1 < available && start[i + 1] == '\n') {
        // The buffer is ours and these bytes are used up: the CR becomes the piece's single line end.
        start[i] = '\n';
        position_ += i + 2;
        endedLine_ = true;
        pieceSize_ = i + 1;
        return std::string_view(start, i + 1);
    }
    return std::nullopt;
}

std::optional<std::string_view> CsvLineReader::NextLine()
{
    const std::optional<std::string_view> piece = utf8_ ? NextUtf8Piece() : NextPiece();
    if (!piece)
        return piece;
    lineNumber_ = nextLineNumber_;
    // A full piece that did not end its line is followed by the rest of that line.
    cut_ = pieceIndex_ > 0 || (!endedLine_ && pieceSize_ == kMaxPiece);
    dropped_ = pieceIndex_ == 0 ? lineDropped_ : 0;
    if (endedLine_) {
        ++nextLineNumber_;
        pieceIndex_ = 0;
    } else {
        ++pieceIndex_;
    }
    return piece;
}

bool CsvLineReader::TakeUntilLineEnd(std::string& into, size_t limit, bool& readAny)
{
    while (into.size() < limit) {
        if (position_ >= buffer_.size() && !Fill())
            return false;
        readAny = true;
        // Copy the run of ordinary bytes in one go; only line ends need a closer look.
        const char* start = buffer_.data() + position_;
        const size_t available = std::min(limit - into.size(), buffer_.size() - position_);
        size_t run = 0;
        while (run < available && start[run] != '\n' && start[run] != '\r')
            ++run;
        into.append(start, run);
        position_ += run;
        if (run == available)
            continue;
        if (buffer_[position_] == '\n') {
            ++position_;
            return true;
        }
        // A CR: the pair CR LF is one line end, a lone CR is an ordinary byte.
        if (position_ + 1 >= buffer_.size())
            Fill();
        if (position_ + 1 < buffer_.size() && buffer_[position_ + 1] == '\n') {
            position_ += 2;
            return true;
        }
        ++position_;
        into += '\r';
    }
    return false;
}

std::optional<std::string_view> CsvLineReader::NextPiece()
{
    if (const std::optional<std::string_view> piece = PieceInBuffer())
        return piece;
    line_.clear();
    bool readAny = false;
    endedLine_ = TakeUntilLineEnd(line_, kMaxPiece, readAny);
    if (endedLine_)
        line_ += '\n';
    if (!readAny)
        return std::nullopt;
    pieceSize_ = line_.size();
    // Text ends at a NUL byte, as it would in any C string the line passes through.
    if (const size_t nul = line_.find('\0'); nul != std::string::npos)
        line_.resize(nul);
    return line_;
}

bool CsvLineReader::ReadWholeLine()
{
    std::string raw;
    bool readAny = false;
    const bool lineEnd = TakeUntilLineEnd(raw, std::string::npos, readAny);
    if (!readAny)
        return false;
    if (const size_t nul = raw.find('\0'); nul != std::string::npos)
        raw.resize(nul);
    lineDropped_ = 0;
    line_ = ToCp1252Dropping(QString::fromUtf8(raw.data(), qsizetype(raw.size())), lineDropped_);
    if (lineEnd)
        line_ += '\n';
    linePosition_ = 0;
    return true;
}

std::optional<std::string_view> CsvLineReader::NextUtf8Piece()
{
    if (linePosition_ >= line_.size() && !ReadWholeLine())
        return std::nullopt;
    const size_t length = std::min(kMaxPiece, line_.size() - linePosition_);
    const std::string_view piece(line_.data() + linePosition_, length);
    linePosition_ += length;
    endedLine_ = linePosition_ >= line_.size();
    pieceSize_ = length;
    return piece;
}

std::vector<std::string> FirstLines(std::string_view start, TextEncoding encoding, size_t count)
{
    QByteArray bytes(start.data(), qsizetype(start.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvLineReader reader(buffer, encoding);
    std::vector<std::string> lines;
    while (lines.size() < count) {
        const std::optional<std::string_view> line = reader.NextLine();
        if (!line)
            break;
        std::string_view text = *line;
        if (!text.empty() && text.back() == '\n')
            text.remove_suffix(1);
        lines.emplace_back(text);
    }
    return lines;
}

int CountRecordLines(QIODevice& in)
{
    int count = 0;
    bool holdsText = false;
    char block[kReadBlock];
    qint64 read = 0;
    while ((read = in.read(block, sizeof block)) > 0) {
        for (const char c : std::string_view(block, size_t(read))) {
            if (c == '\n') {
                count += holdsText ? 1 : 0;
                holdsText = false;
            } else if (c != '\r') {
                holdsText = true;
            }
        }
    }
    return count + (holdsText ? 1 : 0);
}

} // namespace tobrisk
