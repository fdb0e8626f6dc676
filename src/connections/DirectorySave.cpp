// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/DirectorySave.h"

#include "connections/Session.h"
#include "directory/Directory.h"
#include "link/ExchangeLimits.h"
#include "link/Protocol.h"
#include "platform/MessageBoxes.h"

#include <QDir>

#include <string>
#include <unordered_set>
#include <vector>

namespace tobrisk {

namespace {

// A step's progress, ended with the scope however its loop leaves.
class ProgressScope {
public:
    ProgressScope(SaveProgress* progress, SaveProgress::Step step) : progress_(progress)
    {
        if (progress_)
            progress_->Started(step);
    }
    ~ProgressScope()
    {
        if (progress_)
            progress_->Ended();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    void Sent(int done, int total) const
    {
        if (progress_)
            progress_->Sent(done, total);
    }

private:
    SaveProgress* progress_;
};

const QString NOT_SAVED =
    QStringLiteral("Agenda non salvata sul centralino!\nLe voci preparate sono di nuovo nella lista.");
const QString NOT_COMPLETED = QStringLiteral(
    "Salvataggio agenda su centralino non completato: connessione caduta!\nLe voci preparate sono di nuovo nella "
    "lista.");

// Nothing acknowledges a write, and a link that the exchange closed behind the last ones shows on no
// send: only an answered poll tells that they all reached it. A poll may go unanswered once, as the
// supervision allows.
bool ExchangeTookEverything(const DirectorySaveContext& context)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (context.session.Protocol().Poll(POLL_TIMEOUT_MS)) {
        case ExchangeProtocol::WaitEnd::Finished:
            return true;
        case ExchangeProtocol::WaitEnd::TimedOut:
            continue;
        case ExchangeProtocol::WaitEnd::Aborted:
            return false;
        }
    }
    return false;
}

// False when the send failed.
bool WriteDigits(const DirectorySaveContext& context, uint8_t digits)
{
    const bool sent = context.session.Protocol().WriteDigitsRecord(digits);
    context.directory.SetShortNumberDigits(digits);
    return sent;
}

// Off line again, with the entries and the number of digits the user had prepared.
void PutBack(const DirectorySaveContext& context, const std::vector<Entry>& prepared, uint8_t digits)
{
    context.directory.SetShortNumberDigits(digits);
    {
        const Directory::BulkChange filling(context.directory);
        context.directory.Clear();
        for (const Entry& entry : prepared)
            context.directory.AddOrReplace(entry.shortNumber, entry.name, entry.phoneNumber, entry.lineSeizure);
    }
    if (context.updateCommandUi)
        context.updateCommandUi();
}

void NotSaved(const DirectorySaveContext& context, const std::vector<Entry>& prepared, uint8_t digits,
              const QString& text)
{
    if (context.session.IsConnected())
        context.disconnect();
    PutBack(context, prepared, digits);
    context.messages.Show(text);
}

// True when every delete was sent.
bool DeleteExchangeDirectory(const DirectorySaveContext& context)
{
    const ProgressScope progress(context.progress, SaveProgress::Step::Deleting);
    const int total = int(context.directoryNumbers.size());
    int done = 0;
    for (uint16_t shortNumber : context.directoryNumbers) {
        if (!context.session.Protocol().DeleteDirectoryRecord(shortNumber))
            return false;
        progress.Sent(++done, total);
    }
    context.directoryNumbers.clear();
    return true;
}

// The exchange's entries that the user has no entry for, behind the user's, up to the list's limit.
void MergeExchangeEntries(const Directory& directory, std::vector<Entry>& pending)
{
    std::unordered_set<uint16_t> taken;
    for (const Entry& entry : pending)
        taken.insert(entry.shortNumber);
    for (const Entry* entry : directory.Entries()) {
        if (pending.size() >= size_t(kMaxEntries))
            break;
        if (taken.insert(entry->shortNumber).second)
            pending.push_back(*entry);
    }
}

} // namespace

SaveOutcome SaveDirectory(const DirectorySaveContext& context, SaveWay way, const std::vector<Entry>& prepared,
                          const uint8_t& digits)
{
    switch (context.connect()) {
    case ConnectOutcome::Cancelled:
        return SaveOutcome::Cancelled;
    case ConnectOutcome::Failed:
    case ConnectOutcome::DirectoryUnread:
        // Without the exchange's directory neither mode knows what to delete or to keep.
        NotSaved(context, prepared, digits, NOT_SAVED);
        return SaveOutcome::NotSaved;
    case ConnectOutcome::Connected:
        break;
    }
    std::vector<Entry> pending = prepared;
    if (context.beforeFirstChange && !context.beforeFirstChange(pending)) {
        NotSaved(context, prepared, digits, NOT_SAVED);
        return SaveOutcome::Stopped;
    }
    std::optional<QString> keptFile;
    if (context.keepExchangeDirectory) {
        const KeptDirectory kept = context.keepExchangeDirectory();
        if (!kept.file) {
            NotSaved(context, prepared, digits,
                     QStringLiteral("Impossibile salvare una copia dell'agenda del centralino nella cartella\n%1\n")
                             .arg(QDir::toNativeSeparators(kept.folder)) +
                         NOT_SAVED);
            return SaveOutcome::NotKept;
        }
        keptFile = kept.file;
    }

    bool sent = true;
    if (way == SaveWay::Overwrite) {
        sent = DeleteExchangeDirectory(context) && WriteDigits(context, digits);
    } else {
        const uint8_t read = context.directory.Settings().shortNumberDigits;
        if (digits != read &&
            context.messages.Show(QString::asprintf("Vuoi scaricare sul centralino il numero di cifre (%d)\n"
                                                    "differente da quello attualmente impostato (%d)?",
                                                    digits, read),
                                  MsgButtons::YesNo, MsgAnswer::Yes) == MsgAnswer::Yes)
            WriteDigits(context, digits);
        MergeExchangeEntries(context.directory, pending);
        // The digits may not have been sent: the link itself tells whether the writes can go on.
        sent = context.session.Protocol().LinkUp();
    }

    if (sent) {
        const Directory::BulkChange filling(context.directory);
        context.directory.Clear();
        const ProgressScope progress(context.progress, SaveProgress::Step::Writing);
        const int total = int(pending.size());
        int done = 0;
        // After an update the exchange's own records are written back: each number is listed once.
        std::unordered_set<uint16_t> listed(context.directoryNumbers.begin(), context.directoryNumbers.end());
        for (const Entry& entry : pending) {
            context.directory.AddOrReplace(entry.shortNumber, entry.name, entry.phoneNumber, entry.lineSeizure);
            if (!context.session.Protocol().WriteDirectoryRecord(entry.shortNumber, entry.name, entry.phoneNumber,
                                                                 entry.lineSeizure)) {
                sent = false;
                break;
            }
            if (listed.insert(entry.shortNumber).second)
                context.directoryNumbers.push_back(entry.shortNumber);
            progress.Sent(++done, total);
        }
        sent = sent && ExchangeTookEverything(context);
    }
    if (!sent) {
        // What the exchange took before the link failed is unknown: nothing acknowledges a write.
        QString text = NOT_COMPLETED;
        if (keptFile)
            text += QStringLiteral("\nL'agenda del centralino prima del salvataggio è nel file %1")
                        .arg(QDir::toNativeSeparators(*keptFile));
        NotSaved(context, prepared, digits, text);
        return SaveOutcome::NotCompleted;
    }
    if (context.updateCommandUi)
        context.updateCommandUi();
    return SaveOutcome::Saved;
}

} // namespace tobrisk
