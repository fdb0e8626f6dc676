// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Entry.h"

#include <QDialog>
#include <cstdint>
#include <vector>

class QLineEdit;
class QPushButton;

namespace tobrisk {

class MessageBoxes;

// Built by the number-of-digits command and by the import for one run on the user-interface thread.
// "Numero cifre agenda": takes 2, 3 or 4 digits and, when fewer digits leave some short numbers too long,
// asks before accepting; ApplyDigits then stores Digits() and removes EntriesToDelete().
class DigitsDialog : public QDialog {
    Q_OBJECT

public:
    // `displayed`: the list's rows as shown; the indices of EntriesToDelete() refer to them.
    DigitsDialog(const DirectorySettings& settings, std::vector<const Entry*> displayed, MessageBoxes& messages,
                 QWidget* parent = nullptr);

    // Valid once the dialog has been accepted.
    uint8_t Digits() const { return digits_; }
    const std::vector<int>& EntriesToDelete() const { return entriesToDelete_; }

public slots:
    void accept() override;

private:
    void Refuse();

    const DirectorySettings& settings_;
    std::vector<Entry> displayedCopies_;
    std::vector<const Entry*> displayed_;
    MessageBoxes& messages_;
    uint8_t digits_ = 0;
    std::vector<int> entriesToDelete_;

    QLineEdit* digitsEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace tobrisk
