#pragma once

#include "connections/LinkState.h"
#include "directory/DirectorySettings.h"
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
class CPlimsetView;
struct CDirectoryEditing;

// The one application object: owns the directory settings, the number lists, the
// configuration memory, the reply and link state, and the main frame; every command of
// the menus and the tool bar arrives here.
class CPlimsetApp : public QObject {
    Q_OBJECT

public:
    explicit CPlimsetApp(CPlatform& platform, QObject* parent = nullptr);
    ~CPlimsetApp() override;

    // Reads the settings and creates and shows the main window; false when it cannot be made.
    bool Start();
    // After the main window has closed.
    void Exit();

    bool IsConnected() const { return linkState.IsConnected(); }
    void Disconnect();

    void OnCommand(int id);
    bool IsCommandEnabled(int id) const;
    // The list's double click: "Modifica" on the first selected row, whatever the selection.
    void EditFirstSelectedEntry();
    // Re-applies the enable rules and the line pane after any change of state.
    void UpdateCommandUi();

    CPlatform& Platform() { return platform_; }
    CMainFrame* MainFrame() const { return mainFrame_.get(); }
    CPlimsetView* View() const;

    QString lastFolder;
    CDirectorySettings directorySettings;
    std::vector<uint16_t> directoryNumbers;
    std::vector<uint16_t> routingNumbers;
    std::vector<uint16_t> urbanLineNumbers;
    CConfigMemory configMemory;
    CLinkState linkState;
    CPbxProtocol protocol;

private:
    void ShowAbout();
    // Only while the list view exists.
    CDirectoryEditing DirectoryEditing();

    CPlatform& platform_;
    std::unique_ptr<CMainFrame> mainFrame_;
};

// The folder value is kept only when it fits the 252-byte buffer the program reads it into.
QString LastFolderFromSetting(const std::optional<QString>& value);
