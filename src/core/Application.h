// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connections/Session.h"
#include "core/UndoHistory.h"
#include "directory/Directory.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tobrisk {

struct Platform;
class MainWindow;
enum class ConnectOutcome;
struct ExchangeCommandContext;
class DirectoryView;

// The one application object: owns the directory, the session with the exchange, and the main window;
// every command of the menus and the tool bar arrives here.
class Application : public QObject {
    Q_OBJECT

public:
    // The supervision's times are the real ones unless a test hands in shorter ones.
    explicit Application(Platform& platform, SupervisionTimes supervisionTimes = {}, QObject* parent = nullptr);
    ~Application() override;

    // Reads the settings and creates and shows the main window; false when it cannot be made.
    bool Start();
    // After the main window has closed.
    void Exit();

    bool IsConnected() const { return session.IsConnected(); }
    void Disconnect();
    // Runs the connection dialog, which has the session connect; true when the program is connected
    // afterwards.
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

    // What the connect and save commands work on, for one command.
    ExchangeCommandContext ExchangeContext();

    Platform& Seams() { return platform_; }
    MainWindow* Window() const { return mainWindow_.get(); }
    DirectoryView* View() const;
    // Every entry in the order the list shows them, those a filter hides too; none without the main window.
    std::vector<const Entry*> ListedEntries() const;

    QString lastFolder;
    Directory directory;
    std::vector<uint16_t> directoryNumbers;
    Session session;

private:
    void ShowAbout();
    // "Numeri brevi liberi", then "Aggiungi" with the number picked there.
    void ShowFreeShortNumbers();
    // "Aggiungi", with the short number chosen among the free ones or the editor's own proposal.
    void AddEntry(std::optional<uint16_t> offeredShortNumber);
    ExchangeProtocol* ExchangeWhileConnected();
    // Keeps the exchange's directory as the list holds it while connected; false, after telling the user,
    // when the copy could not be written.
    bool KeepExchangeDirectory();
    // The number-of-digits dialog over the list as shown, applied to the directory; false when cancelled.
    bool ChooseDigits();
    QString ShortNumberLabel(uint16_t shortNumber) const;

    Platform& platform_;
    std::unique_ptr<MainWindow> mainWindow_;
    // How often the disconnect sequence has run: a flow that waits on the link compares it to tell
    // its own link from one connected again while it waited.
    unsigned disconnects_ = 0;
    UndoHistory history_{directory};
    // The list as it was last read, imported, restored or exported: "Connetti" asks before it replaces
    // anything else.
    DirectorySnapshot preparedAsKept_;
};

// The folder value is kept only when it fits the 252-byte buffer the program reads it into.
QString LastFolderFromSetting(const std::optional<QString>& value);

} // namespace tobrisk
