// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SaveCommand.h"

#include "core/PlimsetApp.h"
#include "core/StatusProgress.h"
#include "directory/Directory.h"
#include "directory/Entry.h"
#include "link/ExchangeLimits.h"
#include "link/Protocol.h"
#include "platform/Platform.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace {

const char* const NOT_SAVED = "Agenda non salvata sul centralino!\nLe voci preparate sono di nuovo nella lista.";
const char* const NOT_COMPLETED =
    "Salvataggio agenda su centralino non completato: connessione caduta!\nLe voci preparate sono di nuovo nella "
    "lista.";

// A send that failed: the socket records its error and nothing else tells the save.
bool LinkFailed(const CPlimsetApp& app)
{
    const CPbxSocket* socket = app.linkState.programmingSocket.get();
    return !socket || socket->LastError() != 0;
}

// Nothing acknowledges a write, and a link that the exchange closed behind the last ones shows on no
// send: only an answered poll tells that they all reached it. A poll may go unanswered once, as the
// supervision allows.
bool ExchangeTookEverything(CPlimsetApp& app)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (app.protocol.Poll(POLL_TIMEOUT_MS)) {
        case CPbxProtocol::WaitEnd::Finished:
            return true;
        case CPbxProtocol::WaitEnd::TimedOut:
            continue;
        case CPbxProtocol::WaitEnd::Aborted:
            return false;
        }
    }
    return false;
}

void WriteDigits(CPlimsetApp& app, uint8_t digits)
{
    const std::string text = std::to_string(digits);
    app.protocol.WriteRecord(TBL_DIGITS, 0, reinterpret_cast<const uint8_t*>(text.c_str()), text.size() + 1);
    app.directory.SetShortNumberDigits(digits);
}

// Off line again, with the entries and the number of digits the user had prepared.
void PutBack(CPlimsetApp& app, const std::vector<Entry>& prepared, uint8_t digits)
{
    app.directory.SetShortNumberDigits(digits);
    {
        const Directory::BulkChange filling(app.directory);
        app.directory.Clear();
        for (const Entry& entry : prepared)
            app.directory.AddOrReplace(entry.shortNumber, entry.name, entry.phoneNumber, entry.lineSeizure);
    }
    app.UpdateCommandUi();
}

void NotSaved(CPlimsetApp& app, const std::vector<Entry>& prepared, uint8_t digits, const char* text)
{
    if (app.IsConnected())
        app.Disconnect();
    PutBack(app, prepared, digits);
    app.Platform().messages.Show(QString::fromUtf8(text));
}

// True when every delete was sent.
bool DeleteExchangeDirectory(CPlimsetApp& app)
{
    CStatusProgress progress(app.MainFrame(), QStringLiteral("Cancellazione agenda sul centralino: voce %1 di %2"));
    const int total = int(app.directoryNumbers.size());
    int done = 0;
    for (uint16_t shortNumber : app.directoryNumbers) {
        app.protocol.DeleteDirectoryRecord(shortNumber);
        if (LinkFailed(app))
            return false;
        progress.Show(++done, total);
    }
    app.directoryNumbers.clear();
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

void SaveToExchange(CPlimsetApp& app, CSavePabx::Mode mode, const ConnectStep& connect)
{
    std::vector<Entry> pending;
    for (const Entry* entry : app.ShownEntries())
        pending.push_back(*entry);
    const std::vector<Entry> prepared = pending;
    const uint8_t digits = app.directory.Settings().shortNumberDigits;

    switch (connect()) {
    case ConnectOutcome::Cancelled:
        return;
    case ConnectOutcome::Failed:
    case ConnectOutcome::DirectoryUnread:
        // Without the exchange's directory neither mode knows what to delete or to keep.
        NotSaved(app, prepared, digits, NOT_SAVED);
        return;
    case ConnectOutcome::Connected:
        break;
    }

    bool sent = true;
    if (mode == CSavePabx::Overwrite) {
        sent = DeleteExchangeDirectory(app);
        if (sent)
            WriteDigits(app, digits);
    } else {
        const uint8_t read = app.directory.Settings().shortNumberDigits;
        if (digits != read &&
            app.Platform().messages.Show(QString::asprintf("Vuoi scaricare sul centralino il numero di cifre (%d)\n"
                                                           "differente da quello attualmente impostato (%d)?",
                                                           digits, read),
                                         MsgButtons::YesNo, MsgAnswer::Yes) == MsgAnswer::Yes)
            WriteDigits(app, digits);
        MergeExchangeEntries(app.directory, pending);
    }
    sent = sent && !LinkFailed(app);

    if (sent) {
        const Directory::BulkChange filling(app.directory);
        app.directory.Clear();
        CStatusProgress progress(app.MainFrame(), QStringLiteral("Scrittura agenda sul centralino: voce %1 di %2"));
        const int total = int(pending.size());
        int done = 0;
        // After an update the exchange's own records are written back: each number is listed once.
        std::unordered_set<uint16_t> listed(app.directoryNumbers.begin(), app.directoryNumbers.end());
        for (const Entry& entry : pending) {
            app.directory.AddOrReplace(entry.shortNumber, entry.name, entry.phoneNumber, entry.lineSeizure);
            app.protocol.WriteDirectoryRecord(entry.shortNumber, entry.name, entry.phoneNumber, entry.lineSeizure);
            if (LinkFailed(app)) {
                sent = false;
                break;
            }
            if (listed.insert(entry.shortNumber).second)
                app.directoryNumbers.push_back(entry.shortNumber);
            progress.Show(++done, total);
        }
        sent = sent && ExchangeTookEverything(app);
    }
    if (!sent) {
        // What the exchange took before the link failed is unknown: nothing acknowledges a write.
        NotSaved(app, prepared, digits, NOT_COMPLETED);
        return;
    }
    app.UpdateCommandUi();
}

void CPlimsetApp::SaveCommand()
{
    CSavePabx dialog(MainFrame());
    if (dialog.exec() != QDialog::Accepted)
        return;
    SaveToExchange(*this, dialog.SaveMode(), [this] { return ConnectCommand(); });
}
