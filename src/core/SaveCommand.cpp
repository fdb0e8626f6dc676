// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SaveCommand.h"

#include "connections/DirectorySave.h"
#include "connections/Session.h"
#include "core/SavePreviewDialog.h"
#include "core/StatusProgress.h"
#include "directory/Directory.h"
#include "directory/DirectoryChanges.h"
#include "directory/Entry.h"
#include "files/SnapshotStore.h"
#include "platform/Platform.h"

#include <QMainWindow>
#include <optional>
#include <vector>

namespace tobrisk {

namespace {

// The deletes' and writes' progress in the window's status bar.
class StatusSaveProgress : public SaveProgress {
public:
    explicit StatusSaveProgress(QMainWindow* window) : window_(window) {}
    void Started(Step step) override
    {
        bar_.emplace(window_, step == Step::Deleting
                                  ? QStringLiteral("Cancellazione agenda sul centralino: voce %1 di %2")
                                  : QStringLiteral("Scrittura agenda sul centralino: voce %1 di %2"));
    }
    void Sent(int done, int total) override { bar_->Show(done, total); }
    void Ended() override { bar_.reset(); }

private:
    QMainWindow* window_;
    std::optional<StatusProgress> bar_;
};

// Shows what the save will change on the exchange just read; false when the user stops it. In an update,
// `pending` keeps only what the user left ticked.
bool ChangesAccepted(const ExchangeCommandContext& context, SaveToExchangeDialog::Mode mode,
                     std::vector<Entry>& pending)
{
    std::vector<Entry> exchange;
    for (const Entry* entry : context.directory.Entries())
        exchange.push_back(*entry);
    const SaveWay way = mode == SaveToExchangeDialog::Overwrite ? SaveWay::Overwrite : SaveWay::Update;
    const DirectoryChanges changes = ChangesOfSave(exchange, pending, way);
    SavePreviewDialog dialog(changes, way, context.directory.Settings(), context.window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (way == SaveWay::Update)
        pending = KeepTicked(pending, changes, dialog.Ticked());
    return true;
}

} // namespace

void SaveToExchange(const ExchangeCommandContext& context, SaveToExchangeDialog::Mode mode, const ConnectStep& connect,
                    bool showChanges)
{
    std::vector<Entry> prepared;
    for (const Entry* entry : context.listedEntries())
        prepared.push_back(*entry);
    const uint8_t digits = context.directory.Settings().shortNumberDigits;
    StatusSaveProgress progress(context.window);
    const auto preview = [&](std::vector<Entry>& pending) {
        return !showChanges || ChangesAccepted(context, mode, pending);
    };
    const auto keep = [&context] {
        const SnapshotStore store(SnapshotStore::DefaultRoot());
        const QString exchange = context.session.ExchangeName();
        return KeptDirectory{store.Keep(exchange, context.directory.Entries(), QDateTime::currentDateTime()),
                             store.FolderOf(exchange)};
    };
    SaveDirectory(DirectorySaveContext{context.session, context.directory, context.directoryNumbers,
                                       context.platform.messages, context.disconnect, context.updateCommandUi, connect,
                                       preview, keep, &progress},
                  mode == SaveToExchangeDialog::Overwrite ? SaveWay::Overwrite : SaveWay::Update, prepared, digits);
}

void RunSaveCommand(const ExchangeCommandContext& context, const ConnectStep& connect)
{
    SaveToExchangeDialog dialog(context.window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SaveToExchange(context, dialog.SaveMode(), connect, dialog.ShowChanges());
}

} // namespace tobrisk
