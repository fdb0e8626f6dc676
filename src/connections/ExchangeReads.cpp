// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/ExchangeReads.h"

#include "connections/Session.h"
#include "directory/Directory.h"
#include "link/Protocol.h"
#include "link/RecordFormats.h"
#include "platform/MessageBoxes.h"
#include "platform/WaitCursor.h"

#include <memory>
#include <optional>

namespace tobrisk {

namespace {

// Whether the link a step started on is still up. "Disconnetti" is offered while a step waits, and the
// supervision may find a drop there; either has said what there is to say, and a connection made again
// meanwhile is not the one the step was reading.
class SameLink {
public:
    explicit SameLink(const ExchangeReadContext& context) : context_(context), disconnects_(context.disconnects()) {}
    bool operator()() const { return context_.session.IsConnected() && context_.disconnects() == disconnects_; }

private:
    const ExchangeReadContext& context_;
    const unsigned disconnects_;
};

} // namespace

QString IncompatibleVersionText(int version)
{
    // At least three digits, zero-padded: what "%03.3d" gives for these numbers.
    return QString::asprintf("Attenzione:\nLa versione di configurazione del centralino (%03d)\nnon é compresa "
                             "nell'intervallo compatibile con il programma (%03d...%03d)!",
                             version, MIN_CONFIG_VERSION, MAX_CONFIG_VERSION);
}

ConnectOutcome ReadAfterConnect(const ExchangeReadContext& context)
{
    ExchangeProtocol& protocol = context.session.Protocol();
    WaitCursor& cursor = context.waitCursor;
    cursor.Show();
    context.directory.Clear();
    const SameLink onLine(context);
    const Result access = protocol.RequestAccess();
    // A refusal is told even when the link went meanwhile; a link closed on purpose has no text.
    if (!access.text.isEmpty())
        context.messages.Show(access.text);
    if (!onLine()) {
        cursor.Restore();
        return ConnectOutcome::Failed;
    }
    if (!access) {
        context.disconnect();
        cursor.Restore();
        return ConnectOutcome::Failed;
    }
    cursor.Restore();

    const int version = ConfigVersionFromRecord(protocol.ReadRecord(TBL_VERSION, VERSION_INDEX));
    if (!onLine())
        return ConnectOutcome::Failed;
    if (version < MIN_CONFIG_VERSION || version > MAX_CONFIG_VERSION) {
        context.disconnect();
        context.messages.Show(IncompatibleVersionText(version));
        return ConnectOutcome::Failed;
    }

    // Started before the reads, so a check may come while a table is read.
    context.session.Supervise();
    if (!ReadSettings(context))
        return ConnectOutcome::Failed;
    const ReadOutcome read = ReadDirectoryAndLines(context);
    if (read == ReadOutcome::LinkLost)
        return ConnectOutcome::Failed;
    return read == ReadOutcome::DirectoryFailed ? ConnectOutcome::DirectoryUnread : ConnectOutcome::Connected;
}

bool ReadSettings(const ExchangeReadContext& context)
{
    ExchangeProtocol& protocol = context.session.Protocol();
    const SameLink onLine(context);
    Directory& directory = context.directory;
    directory.SetShortNumberDigits(DEFAULT_DIGITS);
    const RecordData digits = protocol.ReadRecord(TBL_DIGITS, 0);
    if (!onLine())
        return false;
    directory.SetShortNumberDigits(DigitsFromRecord(digits));
    directory.SetPrefix({});
    const RecordData prefix = protocol.ReadRecord(TBL_PREFIX, PREFIX_INDEX);
    if (!onLine())
        return false;
    directory.SetPrefix(PrefixFromRecord(prefix));
    return true;
}

ReadOutcome ReadDirectoryAndLines(const ExchangeReadContext& context)
{
    ExchangeProtocol& protocol = context.session.Protocol();
    const ConfigurationMemory& memory = context.session.Memory();
    const SameLink onLine(context);
    // Nothing when the table came; else how the reads end: with the table's own error, shown, or with the
    // link gone, which is no error of the table's.
    const auto readFails = [&](uint16_t table, ReadOutcome failure, const char* text) -> std::optional<ReadOutcome> {
        const bool read = protocol.ReadTable(table);
        if (!onLine())
            return ReadOutcome::LinkLost;
        if (read)
            return std::nullopt;
        context.messages.Show(QString::fromUtf8(text));
        return failure;
    };
    {
        if (context.progress)
            context.progress->DirectoryStarted();
        // However the directory read ends, its progress ends with it.
        const std::unique_ptr<ReadProgress, void (*)(ReadProgress*)> progress(context.progress, [](ReadProgress* told) {
            if (told)
                told->DirectoryEnded();
        });
        int received = 0;
        const FrameObserverScope observe(context.session.Receiver(), [&](std::span<const uint8_t> frame) {
            if (progress && ReplyStatus(frame) == TBL_DIRECTORY)
                progress->EntriesRead(++received);
        });
        if (const auto end =
                readFails(TBL_DIRECTORY, ReadOutcome::DirectoryFailed, "Errore in lettura agenda dal centralino!"))
            return *end;
    }

    // The list shows the entries once the line tables have been read too, as one change.
    const Directory::BulkChange filling(context.directory);
    context.directory.Clear();
    ConfigurationMemory::Position position = memory.FirstPosition();
    while (const auto record = memory.NextOfTable(position, TBL_DIRECTORY)) {
        const std::optional<DirectoryFields> fields = ParseDirectoryRecord(record->data);
        if (!fields)
            continue;
        context.directory.AddOrReplace(record->key.index, fields->name, fields->phoneNumber, fields->lineSeizure);
        context.directoryNumbers.push_back(record->key.index);
    }

    if (const auto end =
            readFails(TBL_ROUTING, ReadOutcome::RoutingsFailed, "Errore in lettura instradamenti dal centralino!"))
        return *end;
    context.directory.SetRoutingNumbers(TableIndices(memory, TBL_ROUTING));

    if (const auto end =
            readFails(TBL_URBAN_LINE, ReadOutcome::UrbanLinesFailed, "Errore in lettura linee urbane dal centralino!"))
        return *end;
    context.directory.SetUrbanLineNumbers(TableIndices(memory, TBL_URBAN_LINE));
    return ReadOutcome::Complete;
}

} // namespace tobrisk
