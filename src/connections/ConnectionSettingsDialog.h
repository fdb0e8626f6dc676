// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tobrisk {

class IpAddressEdit;
class SettingsStore;
class FileDialogs;
class MessageBoxes;
class RemotePhoneBook;

// Fills `list` with the names of the phone book's entries of `deviceType` (compared
// without case) in the book's order; the entry named exactly `nameToSelect` is selected,
// otherwise none. An entry whose properties cannot be read is left out. 0, or -1 when the
// entries cannot be listed (the list then stays empty).
int FillEntryList(QComboBox& list, RemotePhoneBook& phoneBook, const std::string& deviceType,
                  const QString& nameToSelect);

// "Impostazioni generali di connessione": where the connection book lives and which links
// the PPPoE and dial-up modes use. Created and run by the connection dialog; user-interface
// thread.
class ConnectionSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ConnectionSettingsDialog(SettingsStore& settings, RemotePhoneBook& phoneBook, MessageBoxes& messages,
                             FileDialogs& fileDialogs, QWidget* parent = nullptr);

    // True once "Crea nuova" was confirmed in its file dialog, whether or not the file could
    // be made.
    bool NewFileCreated() const { return newFileCreated_; }

    void accept() override;

private:
    QComboBox* AddEntryList(const QString& objectName, QPushButton*& propertiesButton, const QString& listName);
    void Browse();
    void CreateBook();
    void EditSelected(const QComboBox& list);

    SettingsStore& settings_;
    RemotePhoneBook& phoneBook_;
    MessageBoxes& messages_;
    FileDialogs& fileDialogs_;
    bool newFileCreated_ = false;

    QLineEdit* pathEdit_ = nullptr;
    QComboBox* pppoeList_ = nullptr;
    QPushButton* pppoeProperties_ = nullptr;
    IpAddressEdit* addressEdit_ = nullptr;
    QLineEdit* portEdit_ = nullptr;
    QComboBox* isdnList_ = nullptr;
    QPushButton* isdnProperties_ = nullptr;
    QComboBox* analogList_ = nullptr;
    QPushButton* analogProperties_ = nullptr;
};

} // namespace tobrisk
