// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connections/DialUp.h"
#include "connections/LinkState.h"
#include "core/Supervision.h"
#include "directory/Directory.h"
#include "link/ConfigMemory.h"
#include "link/PbxProtocol.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct CPlatform;
class CMainFrame;
enum class ConnectOutcome;
class DirectoryView;

// The one application object: owns the directory, the configuration memory, the reply and
// link state, and the main frame; every command of the menus and the tool bar arrives here.
class CPlimsetApp : public QObject {
    Q_OBJECT

public:
    // The supervision's times are the real ones unless a test hands in shorter ones.
    explicit CPlimsetApp(CPlatform& platform, CSupervisionTimes supervisionTimes = {}, QObject* parent = nullptr);
    ~CPlimsetApp() override;

    // Reads the settings and creates and shows the main window; false when it cannot be made.
    bool Start();
    // After the main window has closed.
    void Exit();

    bool IsConnected() const { return linkState.IsConnected(); }
    void Disconnect();
    // How often the disconnect sequence has run: a flow that waits on the link compares it to tell
    // its own link from one connected again while it waited.
    unsigned Disconnects() const { return disconnects_; }
    // Runs the connection dialog with the main window as owner of the programming socket; true when
    // the program is connected afterwards.
    bool RunConnectDialog();
    // "Connetti": the connection dialog, then access, version and the reads of the exchange.
    ConnectOutcome ConnectCommand();
    // "Salva su centralino".
    void SaveCommand();

    void OnCommand(int id);
    bool IsCommandEnabled(int id) const;
    // The list's double click: "Modifica" on the first selected row, whatever the selection.
    void EditFirstSelectedEntry();
    // Re-applies the enable rules and the line pane after any change of state.
    void UpdateCommandUi();

    CPlatform& Platform() { return platform_; }
    CMainFrame* MainFrame() const { return mainFrame_.get(); }
    DirectoryView* View() const;
    // The entries in the order the list shows them; none without the main window.
    std::vector<const Entry*> ShownEntries() const;
    const CSupervisionTimes& SupervisionTimes() const { return supervisionTimes_; }

    QString lastFolder;
    Directory directory;
    std::vector<uint16_t> directoryNumbers;
    CConfigMemory configMemory;
    CDialUp dialUp;
    CLinkState linkState;
    CPbxProtocol protocol;

private:
    void ShowAbout();
    CPbxProtocol* ExchangeWhileConnected();
    // The number-of-digits dialog over the list as shown, applied to the directory; false when cancelled.
    bool ChooseDigits();

    CPlatform& platform_;
    CSupervisionTimes supervisionTimes_;
    std::unique_ptr<CMainFrame> mainFrame_;
    unsigned disconnects_ = 0;
};

// The folder value is kept only when it fits the 252-byte buffer the program reads it into.
QString LastFolderFromSetting(const std::optional<QString>& value);
