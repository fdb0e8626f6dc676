// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Application.h"

#include "connections/ConnectDialog.h"
#include "connections/ConnectionSettings.h"
#include "core/AboutDialog.h"
#include "core/CommandIds.h"
#include "core/ConnectCommand.h"
#include "core/DeleteEntriesCommand.h"
#include "core/DigitsCommand.h"
#include "core/EditEntryCommand.h"
#include "core/ExportCommand.h"
#include "core/ImportCommand.h"
#include "core/MainWindow.h"
#include "core/PrintCommand.h"
#include "core/RestoreCommand.h"
#include "core/SaveCommand.h"
#include "directory/DirectoryView.h"
#include "directory/FreeShortNumbersDialog.h"
#include "directory/LineSeizure.h"
#include "files/SnapshotStore.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QScreen>
#include <QStyle>

namespace tobrisk {

namespace {

constexpr qsizetype MAX_FOLDER_LENGTH = 251;

} // namespace

QString LastFolderFromSetting(const std::optional<QString>& value)
{
    if (!value || value->size() > MAX_FOLDER_LENGTH)
        return QString();
    return *value;
}

Application::Application(Platform& platform, SupervisionTimes supervisionTimes, QObject* parent)
    : QObject(parent), session(platform, supervisionTimes), platform_(platform)
{
    connect(&session, &Session::dropped, this, [this](const QString& text) {
        Disconnect();
        platform_.messages.Show(text);
    });
    history_.SetBeforeBulkSend([this] { return KeepExchangeDirectory(); });
    preparedAsKept_ = TakeSnapshot(directory);
}

Application::~Application()
{
    Exit();
}

bool Application::Start()
{
    const SettingsStore settings(SettingsFile::Program);
    lastFolder = LastFolderFromSetting(settings.Value(SettingsKeys::LastFolder));

    mainWindow_ =
        std::make_unique<MainWindow>(directory, session, platform_, [this](int id) { return IsCommandEnabled(id); });
    connect(mainWindow_.get(), &MainWindow::commandTriggered, this, &Application::OnCommand);
    connect(mainWindow_.get(), &MainWindow::editRequested, this, &Application::EditFirstSelectedEntry);
    UpdateCommandUi();
    // The normal geometry is what un-maximizing returns to, so it must not be the whole screen.
    const QRect screen = mainWindow_->screen()->availableGeometry();
    mainWindow_->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                 QSize(screen.width() * 3 / 4, screen.height() * 3 / 4), screen));
    mainWindow_->showMaximized();
    return true;
}

void Application::Exit()
{
    if (mainWindow_) {
        directory.Clear();
        mainWindow_.reset();
    }
    if (IsConnected())
        Disconnect();
}

DirectoryView* Application::View() const
{
    return mainWindow_ ? mainWindow_->View() : nullptr;
}

std::vector<const Entry*> Application::ListedEntries() const
{
    if (const DirectoryView* view = View())
        return view->Model().AllRows();
    return {};
}

void Application::Disconnect()
{
    WaitCursorScope wait(platform_.waitCursor);
    ++disconnects_;
    history_.Clear();
    directory.ResetExchangeSettings();
    directoryNumbers.clear();
    if (const Result closed = session.Close(); !closed)
        platform_.messages.Show(closed.text, MsgButtons::Ok, MsgAnswer::Ok, ConnectResultIcon(closed.code));
    directory.Clear();
    preparedAsKept_ = TakeSnapshot(directory);
    UpdateCommandUi();
}

bool Application::IsCommandEnabled(int id) const
{
    const DirectoryView* view = View();
    switch (id) {
    case ID_FILE_SAVE_TO_EXCHANGE:
    case ID_CONNECT:
        return !IsConnected();
    case ID_DISCONNECT:
        return IsConnected();
    case ID_ENTRY_ADD:
        return view && !directory.IsFull();
    case ID_ENTRY_DELETE:
        return view && view->SelectedCount() >= 1;
    case ID_ENTRY_MODIFY:
        return view && view->SelectedCount() == 1;
    case ID_EDIT_UNDO:
        return history_.CanUndo();
    case ID_EDIT_REDO:
        return history_.CanRedo();
    default:
        return true;
    }
}

void Application::UpdateCommandUi()
{
    if (!mainWindow_)
        return;
    mainWindow_->Action(ID_EDIT_UNDO)->setText(history_.UndoText());
    mainWindow_->Action(ID_EDIT_REDO)->setText(history_.RedoText());
    mainWindow_->UpdateCommandUi();
}

void Application::OnCommand(int id)
{
    if (!IsCommandEnabled(id))
        return;
    switch (id) {
    case ID_CONNECT:
        if (TakeSnapshot(directory) != preparedAsKept_ &&
            platform_.messages.Show(QStringLiteral("Le voci preparate sono state modificate e non sono state salvate.\n"
                                                   "La connessione le sostituirà con l'agenda del centralino.\n"
                                                   "Vuoi scartare le modifiche?"),
                                    MsgButtons::YesNo, MsgAnswer::No) != MsgAnswer::Yes)
            break;
        ConnectCommand();
        break;
    case ID_FILE_SAVE_TO_EXCHANGE:
        SaveCommand();
        break;
    case ID_DISCONNECT:
        Disconnect();
        break;
    case ID_ENTRY_ADD:
        AddEntry(std::nullopt);
        break;
    case ID_ENTRY_MODIFY:
        EditFirstSelectedEntry();
        break;
    case ID_ENTRY_DELETE:
        if (DirectoryView* view = View()) {
            const DirectorySnapshot before = TakeSnapshot(directory);
            if (view->SelectedCount() > 0 && RunDeleteEntries(directory, view->SelectedShortNumbers(),
                                                              platform_.messages, ExchangeWhileConnected())) {
                const int removed = int(before.entries.size()) - directory.Count();
                history_.Record(removed == 1 ? QStringLiteral("eliminazione di 1 voce")
                                             : QStringLiteral("eliminazione di %1 voci").arg(removed),
                                before);
                view->SelectLastRow();
            }
        }
        break;
    case ID_DIGITS:
        if (View()) {
            const DirectorySnapshot before = TakeSnapshot(directory);
            if (ChooseDigits())
                history_.Record(QStringLiteral("numero cifre"), before);
        }
        break;
    case ID_EDIT_UNDO:
        history_.Undo(ExchangeWhileConnected(), mainWindow_.get());
        break;
    case ID_EDIT_REDO:
        history_.Redo(ExchangeWhileConnected(), mainWindow_.get());
        break;
    case ID_APP_ABOUT:
        ShowAbout();
        break;
    case ID_FILE_EXPORT:
        if (View() && RunExport(platform_, lastFolder, ListedEntries(), mainWindow_.get()))
            preparedAsKept_ = TakeSnapshot(directory);
        break;
    case ID_FILE_IMPORT:
        if (View()) {
            DirectorySnapshot before = TakeSnapshot(directory);
            // The disconnect empties the list: the import starts from what it leaves.
            RunImport(platform_, lastFolder, directory,
                      {[this] { return IsConnected(); },
                       [this, &before] {
                           Disconnect();
                           before = TakeSnapshot(directory);
                       },
                       [this] { return ChooseDigits(); },
                       [this](const ImportReport& report) {
                           ShowImportReport(platform_, lastFolder, report, mainWindow_.get());
                       }},
                      mainWindow_.get());
            history_.Record(QStringLiteral("importazione"), before);
            if (TakeSnapshot(directory) != before)
                preparedAsKept_ = TakeSnapshot(directory);
        }
        break;
    case ID_FILE_RESTORE:
        if (View()) {
            DirectorySnapshot before = TakeSnapshot(directory);
            if (RunRestore(platform_, directory,
                           {[this] { return IsConnected(); },
                            [this, &before] {
                                Disconnect();
                                before = TakeSnapshot(directory);
                            },
                            {}},
                           SnapshotStore::DefaultRoot(), mainWindow_.get())) {
                history_.Record(QStringLiteral("ripristino"), before);
                preparedAsKept_ = TakeSnapshot(directory);
            }
        }
        break;
    case ID_FILE_PRINT:
        if (View())
            RunPrint(platform_, directory.Settings(), ListedEntries(), mainWindow_.get());
        break;
    case ID_VIEW_FREE_SHORT_NUMBERS:
        if (View())
            ShowFreeShortNumbers();
        break;
    case ID_APP_EXIT:
        if (mainWindow_)
            mainWindow_->close();
        break;
    default:
        break;
    }
    UpdateCommandUi();
}

bool Application::RunConnectDialog()
{
    SettingsStore settings(SettingsFile::Connection);
    ConnectDialog dialog(settings, platform_, ConnectDialogActions(session, platform_.messages), mainWindow_.get());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    UpdateCommandUi();
    return accepted && IsConnected();
}

ExchangeCommandContext Application::ExchangeContext()
{
    return ExchangeCommandContext{session,
                                  directory,
                                  directoryNumbers,
                                  [this] { return ListedEntries(); },
                                  platform_,
                                  mainWindow_.get(),
                                  [this] { Disconnect(); },
                                  [this] { return disconnects_; },
                                  [this] { UpdateCommandUi(); }};
}

ConnectOutcome Application::ConnectCommand()
{
    const ConnectOutcome outcome = RunConnectCommand(ExchangeContext(), [this] { return RunConnectDialog(); });
    // The list now holds what was read, not what the steps led to; the save, which connects first, ends the
    // history here too.
    if (outcome != ConnectOutcome::Cancelled)
        history_.Clear();
    return outcome;
}

void Application::SaveCommand()
{
    RunSaveCommand(ExchangeContext(), [this] { return ConnectCommand(); });
}

void Application::EditFirstSelectedEntry()
{
    DirectoryView* view = View();
    if (!view)
        return;
    const std::vector<int> rows = view->SelectedRows();
    if (rows.empty())
        return;
    const DirectorySnapshot before = TakeSnapshot(directory);
    if (const auto stored = RunEditEntry(
            directory, &view->Model().EntryAt(rows.front()), platform_.messages,
            [this] { return ExchangeWhileConnected(); }, mainWindow_.get())) {
        history_.Record(QStringLiteral("modifica di %1").arg(ShortNumberLabel(*stored)), before);
        view->SelectShortNumbers({*stored});
    }
    UpdateCommandUi();
}

bool Application::KeepExchangeDirectory()
{
    const SnapshotStore store(SnapshotStore::DefaultRoot());
    const QString exchange = session.ExchangeName();
    if (store.Keep(exchange, directory.Entries(), QDateTime::currentDateTime()))
        return true;
    platform_.messages.Show(QStringLiteral("Impossibile salvare una copia dell'agenda del centralino nella cartella\n"
                                           "%1\nNessuna voce è stata modificata sul centralino.")
                                .arg(QDir::toNativeSeparators(store.FolderOf(exchange))));
    return false;
}

ExchangeProtocol* Application::ExchangeWhileConnected()
{
    return IsConnected() ? &session.Protocol() : nullptr;
}

bool Application::ChooseDigits()
{
    DirectoryView* view = View();
    if (!view)
        return false;
    const std::vector<uint16_t> selected = view->SelectedShortNumbers();
    if (!RunDigits(
            directory, ListedEntries(), platform_.messages, [this] { return ExchangeWhileConnected(); },
            mainWindow_.get()))
        return false;
    // The entries still there stay selected, the last of them current.
    view->SelectShortNumbers(selected);
    return true;
}

void Application::ShowFreeShortNumbers()
{
    FreeShortNumbersDialog dialog(directory.Settings(), directory.Entries(), IsCommandEnabled(ID_ENTRY_ADD),
                                  mainWindow_.get());
    if (dialog.exec() != QDialog::Accepted)
        return;
    AddEntry(dialog.ChosenShortNumber());
}

void Application::AddEntry(std::optional<uint16_t> offeredShortNumber)
{
    DirectoryView* view = View();
    if (!view)
        return;
    const DirectorySnapshot before = TakeSnapshot(directory);
    if (const auto stored = RunEditEntry(
            directory, nullptr, platform_.messages, [this] { return ExchangeWhileConnected(); }, mainWindow_.get(),
            offeredShortNumber)) {
        history_.Record(QStringLiteral("aggiunta di %1").arg(ShortNumberLabel(*stored)), before);
        view->SelectShortNumbers({*stored});
    }
}

QString Application::ShortNumberLabel(uint16_t shortNumber) const
{
    return FromCp1252(ShortNumberText(directory.Settings(), shortNumber));
}

void Application::ShowAbout()
{
    AboutDialog dialog(mainWindow_.get());
    dialog.exec();
}

} // namespace tobrisk
