// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tobrisk {

class ConnectionBook;
class ConnectionEntry;
class IpAddressEdit;
class MessageBoxes;

// The editor of one saved exchange: creates entries of the connection book one after the
// other, or modifies one. Created and run by the connection dialog, which hands it the
// operation that saves and reloads the book; user-interface thread.
class ConnectionEntryDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Create, Modify };
    // Saves the book to its file and reloads it, selecting the entry of that name; false
    // when the file could not be written.
    using CommitBook = std::function<bool(const std::string& nameToSelect)>;

    // In modify mode `entry` is the book's entry to change; in create mode it is not used.
    ConnectionEntryDialog(Mode mode, ConnectionBook& book, ConnectionEntry* entry, CommitBook commitBook,
                          MessageBoxes& messages, QWidget* parent = nullptr);

    void accept() override;

private:
    // Runs the checks in order; the first that fails shows its message, puts the focus on
    // its field and gives false.
    bool Check();
    void Fail(const QString& message, QWidget* field);
    void Store(ConnectionEntry& entry) const;
    void ResetFields();

    Mode mode_;
    ConnectionBook& book_;
    ConnectionEntry* entry_;
    CommitBook commitBook_;
    MessageBoxes& messages_;

    QLineEdit* nameEdit_ = nullptr;
    QComboBox* modeList_ = nullptr;
    IpAddressEdit* lanAddressEdit_ = nullptr;
    QLineEdit* lanPortEdit_ = nullptr;
    IpAddressEdit* wanAddressEdit_ = nullptr;
    QLineEdit* wanPortEdit_ = nullptr;
    QLineEdit* isdnNumberEdit_ = nullptr;
    QLineEdit* analogNumberEdit_ = nullptr;
};

} // namespace tobrisk
