// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SaveCommand.h"

#include "connections/Session.h"
#include "core/StatusProgress.h"
#include "directory/DirectorySettings.h"
#include "directory/PlimsetView.h"
#include "directory/Record.h"
#include "link/Protocol.h"
#include "platform/Platform.h"

#include <QMainWindow>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

constexpr size_t MAX_ENTRIES = 2000;

const char* const NOT_SAVED = "Agenda non salvata sul centralino!\nLe voci preparate sono di nuovo nella lista.";
const char* const NOT_COMPLETED =
    "Salvataggio agenda su centralino non completato: connessione caduta!\nLe voci preparate sono di nuovo nella "
    "lista.";

// Nothing acknowledges a write, and a link that the exchange closed behind the last ones shows on no
// send: only an answered poll tells that they all reached it. A poll may go unanswered once, as the
// supervision allows.
bool ExchangeTookEverything(const ExchangeCommandContext& context)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (context.session.Protocol().Poll(POLL_TIMEOUT_MS)) {
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

// False when the send failed.
bool WriteDigits(const ExchangeCommandContext& context, uint8_t digits)
{
    const bool sent = context.session.Protocol().WriteDigitsRecord(digits);
    context.directorySettings.shortNumberDigits = digits;
    return sent;
}

// Off line again, with the entries and the number of digits the user had prepared.
void PutBack(const ExchangeCommandContext& context, const std::vector<CRecord>& prepared, uint8_t digits)
{
    context.directorySettings.shortNumberDigits = digits;
    if (CPlimsetView* view = context.view) {
        view->ClearEntries();
        for (const CRecord& entry : prepared)
            view->AddOrReplaceEntry(entry.shortNumber, entry.name, entry.phoneNumber, entry.lineSeizure, true, false);
        view->RefreshList(false, std::nullopt);
    }
    context.updateCommandUi();
}

void NotSaved(const ExchangeCommandContext& context, const std::vector<CRecord>& prepared, uint8_t digits,
              const char* text)
{
    if (context.session.IsConnected())
        context.disconnect();
    PutBack(context, prepared, digits);
    context.platform.messages.Show(QString::fromUtf8(text));
}

// True when every delete was sent.
bool DeleteExchangeDirectory(const ExchangeCommandContext& context)
{
    CStatusProgress progress(context.window, QStringLiteral("Cancellazione agenda sul centralino: voce %1 di %2"));
    const int total = int(context.directoryNumbers.size());
    int done = 0;
    for (uint16_t shortNumber : context.directoryNumbers) {
        if (!context.session.Protocol().DeleteDirectoryRecord(shortNumber))
            return false;
        progress.Show(++done, total);
    }
    context.directoryNumbers.clear();
    return true;
}

// The exchange's entries that the user has no entry for, behind the user's, up to the list's limit.
void MergeExchangeEntries(const CPlimsetView& view, std::vector<CRecord>& pending)
{
    std::unordered_set<uint16_t> taken;
    for (const CRecord& entry : pending)
        taken.insert(entry.shortNumber);
    for (const CRecord* entry : view.Entries()) {
        if (pending.size() >= MAX_ENTRIES)
            break;
        if (taken.insert(entry->shortNumber).second)
            pending.push_back(*entry);
    }
}

} // namespace

void SaveToExchange(const ExchangeCommandContext& context, CSavePabx::Mode mode, const ConnectStep& connect)
{
    std::vector<CRecord> pending;
    if (const CPlimsetView* view = context.view) {
        pending.reserve(size_t(view->DisplayedCount()));
        for (int row = 0; row < view->DisplayedCount(); ++row)
            pending.push_back(view->DisplayedEntry(row));
    }
    const std::vector<CRecord> prepared = pending;
    const uint8_t digits = context.directorySettings.shortNumberDigits;

    switch (connect()) {
    case ConnectOutcome::Cancelled:
        return;
    case ConnectOutcome::Failed:
    case ConnectOutcome::DirectoryUnread:
        // Without the exchange's directory neither mode knows what to delete or to keep.
        NotSaved(context, prepared, digits, NOT_SAVED);
        return;
    case ConnectOutcome::Connected:
        break;
    }

    bool sent = true;
    if (mode == CSavePabx::Overwrite) {
        sent = DeleteExchangeDirectory(context) && WriteDigits(context, digits);
    } else {
        const uint8_t read = context.directorySettings.shortNumberDigits;
        if (digits != read &&
            context.platform.messages.Show(QString::asprintf("Vuoi scaricare sul centralino il numero di cifre (%d)\n"
                                                             "differente da quello attualmente impostato (%d)?",
                                                             digits, read),
                                           MsgButtons::YesNo, MsgAnswer::Yes) == MsgAnswer::Yes)
            WriteDigits(context, digits);
        if (const CPlimsetView* view = context.view)
            MergeExchangeEntries(*view, pending);
        // The digits may not have been sent: the link itself tells whether the writes can go on.
        sent = context.session.Protocol().LinkUp();
    }

    CPlimsetView* view = context.view;
    if (sent) {
        if (view)
            view->ClearEntries();
        CStatusProgress progress(context.window, QStringLiteral("Scrittura agenda sul centralino: voce %1 di %2"));
        const int total = int(pending.size());
        int done = 0;
        // After an update the exchange's own records are written back: each number is listed once.
        std::unordered_set<uint16_t> listed(context.directoryNumbers.begin(), context.directoryNumbers.end());
        for (const CRecord& entry : pending) {
            if (view)
                view->AddOrReplaceEntry(entry.shortNumber, entry.name, entry.phoneNumber, entry.lineSeizure, true,
                                        false);
            if (!context.session.Protocol().WriteDirectoryRecord(entry.shortNumber, entry.name, entry.phoneNumber,
                                                                 entry.lineSeizure)) {
                sent = false;
                break;
            }
            if (listed.insert(entry.shortNumber).second)
                context.directoryNumbers.push_back(entry.shortNumber);
            progress.Show(++done, total);
        }
        sent = sent && ExchangeTookEverything(context);
    }
    if (!sent) {
        // What the exchange took before the link failed is unknown: nothing acknowledges a write.
        NotSaved(context, prepared, digits, NOT_COMPLETED);
        return;
    }
    if (view)
        view->RefreshList(false, std::nullopt);
    context.updateCommandUi();
}

void RunSaveCommand(const ExchangeCommandContext& context, const ConnectStep& connect)
{
    CSavePabx dialog(context.window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SaveToExchange(context, dialog.SaveMode(), connect);
}
