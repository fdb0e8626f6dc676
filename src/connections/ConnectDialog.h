// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connections/ConnectionBook.h"
#include "connections/LinkState.h"
#include "connections/Session.h"

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace tobrisk {

class IpAddressEdit;
class SettingsStore;
struct Platform;

// What the command hands the connection dialog: it runs the connect and tells the user how it ended.
struct ConnectActions {
    // True when the link is up.
    std::function<bool(const ConnectRequest& request)> connect;
    // Gives up a PPPoE handshake still waiting; false when none waits.
    std::function<bool()> giveUp;
};

// "Connessione a sistema remoto": the user picks a saved exchange and a mode and connects; the
// dialog also keeps the connection book. Created for one "Connetti" by the command; user-interface
// thread. It closes with OK only once the connect it asked for brought the link up.
class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    ConnectDialog(SettingsStore& settings, Platform& platform, ConnectActions actions, QWidget* parent = nullptr);
    // Saves the book, reloads it selecting nameToSelect and shows it again; false (after the
    // message) when the file could not be written, and then the change is undone: the file still
    // holds the book as it was, and the list's rows stand for its entries by position.
    bool CommitBook(const std::string& nameToSelect);

    void reject() override;

private:
    void FillList();
    void ShowEntry(ConnectionEntry* entry);
    void SetBusy(bool busy);
    void OnPicked();
    void Connect();
    void Add();
    void Modify();
    void Delete();
    void Settings();
    void LoadBook();
    // Called before each change to the book, so that CommitBook can undo one the file refused.
    void KeepShownBook();
    void Fail(const QString& message);

    SettingsStore& settings_;
    Platform& platform_;
    ConnectActions actions_;

    QString bookPath_;
    std::string lastName_;
    std::unique_ptr<ConnectionBook> book_;
    // The book before the change in progress, as the file holds it and the list shows it.
    ConnectionBook shownBook_;
    ConnectionEntry* currentEntry_ = nullptr;
    int lastType_ = NOT_CONNECTED;
    bool busy_ = false;
    // While the command connects, and whether the dialog was closed meanwhile.
    bool connecting_ = false;
    bool gaveUp_ = false;

    QTreeWidget* list_ = nullptr;
    QPushButton* connectButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* modifyButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* settingsButton_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    // Indexed by mode - 1.
    std::array<QRadioButton*, 5> radios_{};
    QLabel* isdnTypeLabel_ = nullptr;
    QLabel* analogTypeLabel_ = nullptr;
    IpAddressEdit* lanAddressEdit_ = nullptr;
    QLineEdit* lanPortEdit_ = nullptr;
    IpAddressEdit* wanAddressEdit_ = nullptr;
    QLineEdit* wanPortEdit_ = nullptr;
    QLineEdit* pppoeNumberEdit_ = nullptr;
    QLineEdit* pppoeEntryEdit_ = nullptr;
    IpAddressEdit* pppoeAddressEdit_ = nullptr;
    QLineEdit* pppoePortEdit_ = nullptr;
    QLineEdit* isdnNumberEdit_ = nullptr;
    QLineEdit* isdnEntryEdit_ = nullptr;
    QLineEdit* analogNumberEdit_ = nullptr;
    QLineEdit* analogEntryEdit_ = nullptr;
};

} // namespace tobrisk
