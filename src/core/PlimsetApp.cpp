// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PlimsetApp.h"

#include "connections/ConnDlg.h"
#include "connections/ConnectionSettings.h"
#include "core/AboutDlg.h"
#include "core/CommandIds.h"
#include "core/ConnectCommand.h"
#include "core/MainFrame.h"
#include "core/SaveCommand.h"
#include "directory/DirectoryEdits.h"
#include "directory/NumCifre.h"
#include "directory/PlimsetView.h"
#include "files/FileCommands.h"
#include "files/FilesContext.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"

#include <QScreen>
#include <QStyle>

namespace {

constexpr int MAX_ENTRIES = 2000;
constexpr qsizetype MAX_FOLDER_LENGTH = 251;

// What the file and print commands work on, for one command.
CFilesContext FilesContextOf(CPlimsetApp& app)
{
    return CFilesContext{app.Platform(),
                         app.MainFrame(),
                         *app.View(),
                         app.directorySettings,
                         app.lastFolder,
                         app.routingNumbers,
                         app.urbanLineNumbers,
                         [&app] { return app.IsConnected(); },
                         [&app] { app.Disconnect(); },
                         [&app] {
                             // The number-of-digits dialog of the editing commands, applied the same way.
                             CNumCifre dialog(app.directorySettings, DisplayedEntries(*app.View()),
                                              app.Platform().messages, app.MainFrame());
                             if (dialog.exec() != QDialog::Accepted)
                                 return false;
                             ApplyDigits(dialog.Digits(), dialog.EntriesToDelete(), app.directorySettings, *app.View(),
                                         app.IsConnected() ? &app.session.Protocol() : nullptr);
                             return true;
                         }};
}

} // namespace

QString LastFolderFromSetting(const std::optional<QString>& value)
{
    if (!value || value->size() > MAX_FOLDER_LENGTH)
        return QString();
    return *value;
}

CPlimsetApp::CPlimsetApp(CPlatform& platform, CSupervisionTimes supervisionTimes, QObject* parent)
    : QObject(parent), session(platform, supervisionTimes), platform_(platform)
{
    connect(&session, &Session::dropped, this, [this](const QString& text) {
        Disconnect();
        platform_.messages.Show(text);
    });
}

CPlimsetApp::~CPlimsetApp()
{
    Exit();
}

bool CPlimsetApp::Start()
{
    const CSettingsStore settings(QStringLiteral("ZentilPlimset"));
    lastFolder = LastFolderFromSetting(settings.Value(QStringLiteral("Directory")));

    mainFrame_ = std::make_unique<CMainFrame>(*this);
    UpdateCommandUi();
    // The normal geometry is what un-maximizing returns to, so it must not be the whole screen.
    const QRect screen = mainFrame_->screen()->availableGeometry();
    mainFrame_->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                QSize(screen.width() * 3 / 4, screen.height() * 3 / 4), screen));
    mainFrame_->showMaximized();
    return true;
}

void CPlimsetApp::Exit()
{
    if (mainFrame_) {
        if (CPlimsetView* view = View())
            view->ClearEntries();
        mainFrame_.reset();
    }
    if (IsConnected())
        Disconnect();
}

CPlimsetView* CPlimsetApp::View() const
{
    return mainFrame_ ? mainFrame_->View() : nullptr;
}

void CPlimsetApp::Disconnect()
{
    CWaitCursorScope wait(platform_.waitCursor);
    ++disconnects_;
    ResetDirectorySettings(directorySettings);
    routingNumbers.clear();
    urbanLineNumbers.clear();
    directoryNumbers.clear();
    if (const Result closed = session.Close(); !closed)
        platform_.messages.Show(closed.text, MsgButtons::Ok, MsgAnswer::Ok, ConnectResultIcon(closed.code));
    if (CPlimsetView* view = View()) {
        view->ClearEntries();
        view->RefreshList(false, std::nullopt);
    }
    UpdateCommandUi();
}

bool CPlimsetApp::IsCommandEnabled(int id) const
{
    const CPlimsetView* view = View();
    switch (id) {
    case ID_FILE_SAVE_TO_EXCHANGE:
    case ID_CONNECT:
        return !IsConnected();
    case ID_DISCONNECT:
        return IsConnected();
    case ID_ENTRY_ADD:
        return view && view->EntryCount() < MAX_ENTRIES;
    case ID_ENTRY_DELETE:
        return view && view->SelectedCount() >= 1;
    case ID_ENTRY_MODIFY:
        return view && view->SelectedCount() == 1;
    default:
        return true;
    }
}

void CPlimsetApp::UpdateCommandUi()
{
    if (mainFrame_)
        mainFrame_->UpdateCommandUi();
}

void CPlimsetApp::OnCommand(int id)
{
    if (!IsCommandEnabled(id))
        return;
    switch (id) {
    case ID_CONNECT:
        ConnectCommand();
        break;
    case ID_FILE_SAVE_TO_EXCHANGE:
        SaveCommand();
        break;
    case ID_DISCONNECT:
        Disconnect();
        break;
    case ID_ENTRY_ADD:
        RunAddEntry(DirectoryEditing());
        break;
    case ID_ENTRY_MODIFY:
        RunModifyEntry(DirectoryEditing());
        break;
    case ID_ENTRY_DELETE:
        RunDeleteEntries(DirectoryEditing());
        break;
    case ID_DIGITS:
        RunNumberOfDigits(DirectoryEditing());
        break;
    case ID_APP_ABOUT:
        ShowAbout();
        break;
    case ID_FILE_EXPORT:
        if (View()) {
            CFilesContext files = FilesContextOf(*this);
            ExportDirectory(files);
        }
        break;
    case ID_FILE_IMPORT:
        if (View()) {
            CFilesContext files = FilesContextOf(*this);
            ImportDirectory(files);
        }
        break;
    case ID_FILE_PRINT:
        if (View()) {
            CFilesContext files = FilesContextOf(*this);
            PrintDirectory(files);
        }
        break;
    case ID_APP_EXIT:
        if (mainFrame_)
            mainFrame_->close();
        break;
    default:
        break;
    }
    UpdateCommandUi();
}

bool CPlimsetApp::RunConnectDialog()
{
    CSettingsStore settings(ConnectionSettingsName());
    CConnDlg dialog(settings, platform_, ConnectDialogActions(session, platform_.messages), mainFrame_.get());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    UpdateCommandUi();
    return accepted && IsConnected();
}

ExchangeCommandContext CPlimsetApp::ExchangeContext()
{
    return ExchangeCommandContext{session,
                                  directorySettings,
                                  directoryNumbers,
                                  routingNumbers,
                                  urbanLineNumbers,
                                  View(),
                                  platform_,
                                  mainFrame_.get(),
                                  [this] { Disconnect(); },
                                  [this] { return disconnects_; },
                                  [this] { UpdateCommandUi(); }};
}

ConnectOutcome CPlimsetApp::ConnectCommand()
{
    return RunConnectCommand(ExchangeContext(), [this] { return RunConnectDialog(); });
}

void CPlimsetApp::SaveCommand()
{
    RunSaveCommand(ExchangeContext(), [this] { return ConnectCommand(); });
}

void CPlimsetApp::EditFirstSelectedEntry()
{
    if (!View())
        return;
    RunModifyEntry(DirectoryEditing());
    UpdateCommandUi();
}

CDirectoryEditing CPlimsetApp::DirectoryEditing()
{
    return CDirectoryEditing{mainFrame_.get(),   *View(),
                             directorySettings,  routingNumbers,
                             urbanLineNumbers,   platform_.messages,
                             session.Protocol(), [this] { return IsConnected(); }};
}

void CPlimsetApp::ShowAbout()
{
    CAboutDlg dialog(mainFrame_.get());
    dialog.exec();
}
