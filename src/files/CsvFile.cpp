// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/CsvFile.h"

#include "directory/LineSeizure.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"
#include "platform/TextScan.h"

#include <QDir>
#include <QIODevice>
#include <algorithm>
#include <climits>

namespace tobrisk {

namespace {

constexpr size_t kMaxFields = 100;
constexpr size_t kMaxDigits = 500;
constexpr qint64 kReadBlock = 64 * 1024;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

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
    // Spreadsheets often save with a byte-order mark: it is not data, and the text behind it is UTF-8. A slow
    // device may hand out the mark over more than one read.
    while (buffer_.size() < kUtf8ByteOrderMark.size() && Fill()) {
    }
    if (std::string_view(buffer_).substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        position_ = kUtf8ByteOrderMark.size();
        utf8_ = true;
    }
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
    if (utf8_)
        return std::nullopt;
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
        return std::string_view(start, window);
    }
    if (start[i] == '\n') {
        position_ += i + 1;
        return std::string_view(start, i + 1);
    }
    if (start[i] == '\r' && i + 1 < available && start[i + 1] == '\n') {
        // The buffer is ours and these bytes are used up: the CR becomes the piece's single line end.
        start[i] = '\n';
        position_ += i + 2;
        return std::string_view(start, i + 1);
    }
    return std::nullopt;
}

std::optional<std::string_view> CsvLineReader::NextLine()
{
    if (const std::optional<std::string_view> piece = PieceInBuffer())
        return piece;
    std::string& line = line_;
    line.clear();
    bool readAny = false;
    while (line.size() < kMaxPiece) {
        if (position_ >= buffer_.size() && !Fill())
            break;
        readAny = true;
        // Copy the run of ordinary bytes in one go; only line ends need a closer look.
        const char* start = buffer_.data() + position_;
        const size_t available = std::min(kMaxPiece - line.size(), buffer_.size() - position_);
        size_t run = 0;
        while (run < available && start[run] != '\n' && start[run] != '\r')
            ++run;
        line.append(start, run);
        position_ += run;
        if (run == available)
            continue;
        if (buffer_[position_] == '\n') {
            ++position_;
            line += '\n';
            break;
        }
        // A CR: the pair CR LF is one line end, a lone CR is an ordinary byte.
        if (position_ + 1 >= buffer_.size())
            Fill();
        if (position_ + 1 < buffer_.size() && buffer_[position_ + 1] == '\n') {
            position_ += 2;
            line += '\n';
            break;
        }
        ++position_;
        line += '\r';
    }
    if (!readAny)
        return std::nullopt;
    // Text ends at a NUL byte, as it would in any C string the line passes through.
    if (const size_t nul = line.find('\0'); nul != std::string::npos)
        line.resize(nul);
    if (utf8_)
        line = ToCp1252(QString::fromUtf8(line.data(), qsizetype(line.size())));
    return line;
}

} // namespace tobrisk
