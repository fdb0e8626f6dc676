// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ConnectionBook.h"

#include "platform/InetAddr.h"
#include "platform/TextScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace tobrisk {

namespace {

constexpr size_t BOOK_FIELDS = 16;
constexpr size_t REQUIRED_FIELDS = 8;

// The leading integer of a field (blanks, a sign, decimal digits; no digits give 0), kept
// modulo 2^32 so that an unsigned value written by Save reads back as the same bits.
uint32_t LeadingInteger(std::string_view field)
{
    const LeadingDigits read = ReadLeadingInteger(field);
    return read.negative ? 0u - read.value : read.value;
}

uint32_t ReadAddress(std::string_view field)
{
    const std::optional<uint32_t> address = ParseInetAddr(field);
    if (!address || *address == 0)
        return ADDRESS_NOT_SET;
    return *address;
}

uint16_t ReadPort(std::string_view field)
{
    const auto port = uint16_t(LeadingInteger(field) & 0xFFFFu);
    return port == 0 ? PORT_NOT_SET : port;
}

std::array<bool, 2> ReadBits(std::string_view field)
{
    const uint32_t value = LeadingInteger(field);
    return {(value & 1u) != 0, (value & 2u) != 0};
}

std::vector<std::string> ReadList(std::string_view field)
{
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t comma = field.find(',', start);
        const std::string_view item = field.substr(start, comma == std::string_view::npos ? field.npos : comma - start);
        if (!item.empty())
            items.emplace_back(item);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return items;
}

std::string FormatBits(const std::array<bool, 2>& bits)
{
    return std::to_string((bits[0] ? 1 : 0) | (bits[1] ? 2 : 0));
}

std::string FormatReserved(const ConnectionEntry& entry)
{
    if (entry.reservedFileText)
        return *entry.reservedFileText;
    std::string list;
    for (const std::string& item : entry.reservedList) {
        if (!list.empty())
            list += ',';
        list += item;
    }
    return std::string(entry.reservedFlag ? "1" : "0") + ';' + list + ';' + entry.reservedTextA.value_or("") + ';' +
           FormatBits(entry.reservedBitsA) + ';' + entry.reservedTextB.value_or("") + ';' +
           FormatBits(entry.reservedBitsB) + ';' + std::to_string(entry.reservedSmall) + ';' +
           std::to_string(uint32_t(entry.reservedNumber));
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool NameLess(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldAscii(x)) < static_cast<unsigned char>(FoldAscii(y));
    });
}

} // namespace

QString ConnectionModeText(uint8_t mode)
{
    switch (mode) {
    case MODE_ETHERNET_LAN:
        return QStringLiteral("Ethernet LAN");
    case MODE_ETHERNET_WAN:
        return QStringLiteral("Ethernet WAN");
    case MODE_PPPOE_ISDN:
        return QStringLiteral("PPPoE ISDN");
    case MODE_DIALUP_ISDN:
        return QStringLiteral("Accesso remoto ISDN");
    case MODE_DIALUP_ANALOG:
        return QStringLiteral("Accesso remoto analogico");
    default:
        return {};
    }
}

std::string CleanBookName(std::string_view field)
{
    std::string name;
    for (char c : field)
        if (c != '\'' && c != '"')
            name += c;
    return name;
}

std::optional<std::string> CleanBookNumber(std::string_view field)
{
    std::string number;
    for (char c : field) {
        if (c == ' ' || c == '\t' || c == '\'' || c == '"')
            continue;
        if (c == '+')
            number += "00";
        else
            number += c;
    }
    if (number.empty())
        return std::nullopt;
    return number;
}

BookLine ParseBookLine(std::string_view line)
{
    // The sixteenth field runs to the end of the line, further ';' included.
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (fields.size() + 1 < BOOK_FIELDS) {
        const size_t semicolon = line.find(';', start);
        if (semicolon == std::string_view::npos)
            break;
        fields.push_back(line.substr(start, semicolon - start));
        start = semicolon + 1;
    }
    fields.push_back(line.substr(start));

    BookLine result;
    if (fields.size() < REQUIRED_FIELDS) {
        result.error = BookLineError::TooFewFields;
        return result;
    }
    auto entry = std::make_unique<ConnectionEntry>();
    entry->name = CleanBookName(fields[0]);
    if (entry->name.empty()) {
        result.error = BookLineError::EmptyName;
        return result;
    }
    entry->lanAddress = ReadAddress(fields[1]);
    entry->lanBasePort = ReadPort(fields[2]);
    entry->wanAddress = ReadAddress(fields[3]);
    entry->wanBasePort = ReadPort(fields[4]);
    entry->isdnNumber = CleanBookNumber(fields[5]);
    entry->analogNumber = CleanBookNumber(fields[6]);
    entry->preferredMode = uint8_t(LeadingInteger(fields[7]) & 0xFFu);
    if (fields.size() == BOOK_FIELDS) {
        entry->reservedFlag = int32_t(LeadingInteger(fields[8])) > 0;
        entry->reservedList = ReadList(fields[9]);
        entry->reservedTextA = std::string(fields[10]);
        entry->reservedBitsA = ReadBits(fields[11]);
        entry->reservedTextB = std::string(fields[12]);
        entry->reservedBitsB = ReadBits(fields[13]);
        entry->reservedSmall = uint8_t(LeadingInteger(fields[14]) & 0xFFu);
        entry->reservedNumber = int32_t(LeadingInteger(fields[15]));
        entry->reservedFileText = std::string(line.substr(size_t(fields[8].data() - line.data())));
    }
    result.entry = std::move(entry);
    return result;
}

std::string FormatBookLine(const ConnectionEntry& entry)
{
    std::string line = entry.name;
    line += ';' + std::to_string(entry.lanAddress);
    line += ';' + std::to_string(entry.lanBasePort);
    line += ';' + std::to_string(entry.wanAddress);
    line += ';' + std::to_string(entry.wanBasePort);
    line += ';' + entry.isdnNumber.value_or("");
    line += ';' + entry.analogNumber.value_or("");
    line += ';' + std::to_string(entry.preferredMode);
    line += ';' + FormatReserved(entry);
    line += "\r\n";
    return line;
}

QString DefaultBookPathIn(const QString& programFolder, const QString& dataFolder)
{
    const QString name = QStringLiteral("Agenda.csv");
    const QString besideProgram = QDir(programFolder).filePath(name);
    if (QFileInfo::exists(besideProgram) || QFileInfo(programFolder).isWritable())
        return besideProgram;
    // A system-wide installation cannot keep the book beside the program.
    QDir().mkpath(dataFolder);
    return QDir(dataFolder).filePath(name);
}

QString DefaultBookPath()
{
    return DefaultBookPathIn(QCoreApplication::applicationDirPath(),
                             QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void ConnectionBook::LoadBytes(std::string_view bytes, std::string_view nameToSelect)
{
    entries_.clear();
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        const bool lastLine = end == std::string_view::npos;
        if (lastLine)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (!lastLine && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        start = end + 1;

        BookLine parsed = ParseBookLine(line);
        if (!parsed.entry || ContainsName(parsed.entry->name))
            continue;
        parsed.entry->selected = parsed.entry->name == nameToSelect;
        Append(std::move(parsed.entry));
    }
}

void ConnectionBook::Load(const QString& path, std::string_view nameToSelect)
{
    entries_.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    LoadBytes(std::string_view(bytes.constData(), size_t(bytes.size())), nameToSelect);
}

std::string ConnectionBook::Serialize() const
{
    std::string bytes;
    for (const auto& entry : entries_)
        bytes += FormatBookLine(*entry);
    return bytes;
}

bool ConnectionBook::Save(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const auto& entry : entries_) {
        const std::string line = FormatBookLine(*entry);
        if (file.write(line.data(), qint64(line.size())) != qint64(line.size())) {
            file.cancelWriting();
            break;
        }
    }
    // commit() flushes and syncs the new file before it takes the old one's place; after a
    // cancelled write it only removes the temporary file.
    return file.commit();
}

void ConnectionBook::SortByName()
{
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const auto& a, const auto& b) { return NameLess(a->name, b->name); });
}

ConnectionEntry* ConnectionBook::SelectedEntry() const
{
    for (const auto& entry : entries_)
        if (entry->selected)
            return entry.get();
    return nullptr;
}

bool ConnectionBook::ContainsName(std::string_view name) const
{
    return std::any_of(entries_.begin(), entries_.end(), [name](const auto& entry) { return entry->name == name; });
}

void ConnectionBook::Append(std::unique_ptr<ConnectionEntry> entry)
{
    entries_.push_back(std::move(entry));
}

void ConnectionBook::CopyFrom(const ConnectionBook& other)
{
    Entries copies;
    copies.reserve(other.entries_.size());
    for (const auto& entry : other.entries_)
        copies.push_back(std::make_unique<ConnectionEntry>(*entry));
    entries_ = std::move(copies);
}

void ConnectionBook::Remove(const ConnectionEntry* entry)
{
    std::erase_if(entries_, [entry](const auto& held) { return held.get() == entry; });
}

} // namespace tobrisk
