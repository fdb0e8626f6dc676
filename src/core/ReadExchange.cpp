// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ReadExchange.h"

#include "core/MainFrame.h"
#include "core/PlimsetApp.h"
#include "core/StatusProgress.h"
#include "core/Supervision.h"
#include "directory/Directory.h"
#include "link/Protocol.h"
#include "platform/Platform.h"
#include "platform/TextScan.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint8_t DEFAULT_DIGITS = 3;
constexpr uint8_t MAX_DIGITS = 4;
constexpr size_t MAX_PREFIX = 4;
constexpr uint8_t FIELD_SEPARATOR = 0x7F;
constexpr size_t DIRECTORY_FIELDS = 4;
constexpr uint16_t PREFIX_INDEX = 15;
constexpr uint16_t VERSION_INDEX = 0x0500;

std::string_view TextOf(std::span<const uint8_t> data)
{
    std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    return text.substr(0, text.find('\0'));
}

// Hexadecimal digits from the start up to the first other character; the value wraps, so its low
// bits are those of the whole number however long it is.
uint32_t LeadingHex(std::string_view text)
{
    uint32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            break;
        value = value << 4 | uint32_t(digit);
    }
    return value;
}

// Like the C library's reading of a number: leading blanks, an optional sign, then the digits.
std::string_view SkipBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

// Whether the link a step started on is still up. "Disconnetti" is offered while a step waits, and the
// supervision may find a drop there; either has said what there is to say, and a connection made again
// meanwhile is not the one the step was reading.
class CSameLink {
public:
    explicit CSameLink(const CPlimsetApp& app) : app_(app), disconnects_(app.Disconnects()) {}
    bool operator()() const { return app_.IsConnected() && app_.Disconnects() == disconnects_; }

private:
    const CPlimsetApp& app_;
    const unsigned disconnects_;
};

// The indices of one table's records in configuration memory, ascending.
std::vector<uint16_t> IndicesOf(const CConfigMemory& memory, uint16_t table)
{
    std::vector<uint16_t> indices;
    CConfigMemory::Position position = memory.FirstPosition();
    while (const auto record = memory.NextOfTable(position, table))
        indices.push_back(record->key.index);
    std::sort(indices.begin(), indices.end());
    return indices;
}

} // namespace

int ConfigVersionFromRecord(RecordData data)
{
    if (!data)
        return 0;
    std::string_view text = SkipBlanks(TextOf(*data));
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && HexDigitValue(text[2]) >= 0)
        text.remove_prefix(2);
    return int(LeadingHex(text) & 0xFF);
}

uint8_t DigitsFromRecord(RecordData data)
{
    if (!data)
        return DEFAULT_DIGITS;
    const LeadingDigits read = ReadLeadingInteger(TextOf(*data));
    const unsigned value = read.overflowed ? 1000u : std::min(read.value, 1000u);
    if (read.digits == 0 || read.negative || value < 1)
        return DEFAULT_DIGITS;
    return uint8_t(std::min(value, unsigned(MAX_DIGITS)));
}

std::string PrefixFromRecord(RecordData data)
{
    if (!data)
        return std::string();
    return std::string(TextOf(*data).substr(0, MAX_PREFIX));
}

std::optional<SDirectoryFields> ParseDirectoryRecord(std::span<const uint8_t> data)
{
    // NUL and 0x7F both end a field; a last field without its end counts all the same.
    std::vector<std::string_view> fields;
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    size_t start = 0;
    while (start < text.size() && fields.size() < DIRECTORY_FIELDS) {
        size_t end = start;
        while (end < text.size() && text[end] != '\0' && uint8_t(text[end]) != FIELD_SEPARATOR)
            ++end;
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (fields.size() < DIRECTORY_FIELDS)
        return std::nullopt;
    return SDirectoryFields{uint16_t(LeadingHex(fields[0])), std::string(fields[2]), std::string(fields[3])};
}

QString IncompatibleVersionText(int version)
{
    // At least three digits, zero-padded: what "%03.3d" gives for these numbers.
    return QString::asprintf("Attenzione:\nLa versione di configurazione del centralino (%03d)\nnon é compresa "
                             "nell'intervallo compatibile con il programma (%03d...%03d)!",
                             version, MIN_CONFIG_VERSION, MAX_CONFIG_VERSION);
}

ConnectOutcome ReadAfterConnect(CPlimsetApp& app)
{
    IWaitCursor& cursor = app.Platform().waitCursor;
    cursor.Show();
    app.directory.Clear();
    const CSameLink onLine(app);
    const bool granted = app.protocol.RequestAccess();
    if (!onLine()) {
        cursor.Restore();
        return ConnectOutcome::Failed;
    }
    if (!granted) {
        app.Disconnect();
        cursor.Restore();
        return ConnectOutcome::Failed;
    }
    cursor.Restore();

    const int version = ConfigVersionFromRecord(app.protocol.ReadRecord(TBL_VERSION, VERSION_INDEX));
    if (!onLine())
        return ConnectOutcome::Failed;
    if (version < MIN_CONFIG_VERSION || version > MAX_CONFIG_VERSION) {
        app.Disconnect();
        app.Platform().messages.Show(IncompatibleVersionText(version));
        return ConnectOutcome::Failed;
    }

    // Started before the reads, so a check may come while a table is read.
    if (CMainFrame* frame = app.MainFrame())
        frame->Supervision().Start();
    if (!ReadSettings(app))
        return ConnectOutcome::Failed;
    const ReadOutcome read = ReadDirectoryAndLines(app);
    if (read == ReadOutcome::LinkLost)
        return ConnectOutcome::Failed;
    app.UpdateCommandUi();
    return read == ReadOutcome::DirectoryFailed ? ConnectOutcome::DirectoryUnread : ConnectOutcome::Connected;
}

bool ReadSettings(CPlimsetApp& app)
{
    const CSameLink onLine(app);
    Directory& settings = app.directory;
    settings.SetShortNumberDigits(DEFAULT_DIGITS);
    const RecordData digits = app.protocol.ReadRecord(TBL_DIGITS, 0);
    if (!onLine())
        return false;
    settings.SetShortNumberDigits(DigitsFromRecord(digits));
    settings.SetPrefix({});
    const RecordData prefix = app.protocol.ReadRecord(TBL_PREFIX, PREFIX_INDEX);
    if (!onLine())
        return false;
    settings.SetPrefix(PrefixFromRecord(prefix));
    return true;
}

ReadOutcome ReadDirectoryAndLines(CPlimsetApp& app)
{
    const CSameLink onLine(app);
    // Nothing when the table came; else how the reads end: with the table's own error, shown, or with the
    // link gone, which is no error of the table's.
    const auto readFails = [&](uint16_t table, ReadOutcome failure, const char* text) -> std::optional<ReadOutcome> {
        const bool read = app.protocol.ReadTable(table);
        if (!onLine())
            return ReadOutcome::LinkLost;
        if (read)
            return std::nullopt;
        app.Platform().messages.Show(QString::fromUtf8(text));
        return failure;
    };
    {
        CStatusProgress progress(app.MainFrame(), QStringLiteral("Lettura agenda dal centralino, voci lette: %1"));
        int received = 0;
        const CFrameObserverScope observe(app.MainFrame(), [&](std::span<const uint8_t> frame) {
            if (frame.size() >= REPLY_HEADER_SIZE && GetBigEndian16(&frame[5]) == TBL_DIRECTORY)
                progress.Show(++received);
        });
        if (const auto end =
                readFails(TBL_DIRECTORY, ReadOutcome::DirectoryFailed, "Errore in lettura agenda dal centralino!"))
            return *end;
    }

    {
        const Directory::BulkChange filling(app.directory);
        app.directory.Clear();
        CConfigMemory::Position position = app.configMemory.FirstPosition();
        while (const auto record = app.configMemory.NextOfTable(position, TBL_DIRECTORY)) {
            const std::optional<SDirectoryFields> fields = ParseDirectoryRecord(record->data);
            if (!fields)
                continue;
            app.directory.AddOrReplace(record->key.index, fields->name, fields->phoneNumber, fields->lineSeizure);
            app.directoryNumbers.push_back(record->key.index);
        }
    }

    if (const auto end =
            readFails(TBL_ROUTING, ReadOutcome::RoutingsFailed, "Errore in lettura instradamenti dal centralino!"))
        return *end;
    app.directory.SetRoutingNumbers(IndicesOf(app.configMemory, TBL_ROUTING));

    if (const auto end =
            readFails(TBL_URBAN_LINE, ReadOutcome::UrbanLinesFailed, "Errore in lettura linee urbane dal centralino!"))
        return *end;
    app.directory.SetUrbanLineNumbers(IndicesOf(app.configMemory, TBL_URBAN_LINE));
    return ReadOutcome::Complete;
}

ConnectOutcome CPlimsetApp::ConnectCommand()
{
    if (!RunConnectDialog())
        return ConnectOutcome::Cancelled;
    return ReadAfterConnect(*this);
}
