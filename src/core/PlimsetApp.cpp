// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PlimsetApp.h"

#include "connections/ConnDlg.h"
#include "connections/ConnectionSettings.h"
#include "core/AboutDlg.h"
#include "core/CommandIds.h"
#include "core/MainFrame.h"
#include "directory/DirectoryEdits.h"
#include "directory/NumCifre.h"
#include "directory/PlimsetView.h"
#include "files/FileCommands.h"
#include "files/FilesContext.h"
#include "link/ExchangeLimits.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"

#include <QScreen>
#include <QStyle>

namespace {

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
                                         app.IsConnected() ? &app.protocol : nullptr);
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
    : QObject(parent), dialUp(platform.phoneBook, platform.dialer),
      linkState(platform.waitCursor, platform.messages, dialUp),
      protocol(linkState.programmingSocket, configMemory, platform.messages, platform.waitCursor), platform_(platform),
      supervisionTimes_(supervisionTimes)
{
}

CPlimsetApp::~CPlimsetApp()
{
    Exit();
}

bool CPlimsetApp::Start()
{
    const CSettingsStore settings(SettingsFile::Program);
    lastFolder = LastFolderFromSetting(settings.Value(SettingsKeys::LastFolder));

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
    configMemory.Clear();
    linkState.CloseLink();
    // A wait still running would otherwise sleep forever on a socket that is gone.
    protocol.AbortWaits();
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
        return view && view->EntryCount() < kMaxEntries;
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
    CSettingsStore settings(SettingsFile::Connection);
    CConnDlg dialog(linkState, settings, platform_, mainFrame_.get());
    dialog.SetLinkParams(mainFrame_.get(), WM_PBX_DATA, WM_PBX_TIMEOUT, 2);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    UpdateCommandUi();
    return accepted && IsConnected();
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
    return CDirectoryEditing{mainFrame_.get(),  *View(),
                             directorySettings, routingNumbers,
                             urbanLineNumbers,  platform_.messages,
                             protocol,          [this] { return IsConnected(); }};
}

void CPlimsetApp::ShowAbout()
{
    CAboutDlg dialog(mainFrame_.get());
    dialog.exec();
}
