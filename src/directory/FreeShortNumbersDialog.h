// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/Entry.h"
#include "directory/FreeShortNumbers.h"

#include <QDialog>
#include <cstdint>
#include <vector>

class QLineEdit;
class QPushButton;

namespace tobrisk {

// "Numeri brevi liberi": the free short numbers as runs with their count, and a field for the one to add.
// "Aggiungi" accepts the dialog with that number; it stays off while the number is not free or the
// directory cannot take another entry. Built for one run on the user-interface thread.
class FreeShortNumbersDialog : public QDialog {
    Q_OBJECT

public:
    FreeShortNumbersDialog(const DirectorySettings& settings, const std::vector<const Entry*>& entries, bool canAdd,
                           QWidget* parent = nullptr);

    // Valid once the dialog has been accepted.
    uint16_t ChosenShortNumber() const { return chosen_; }

private:
    void OnNumberEdited();

    std::vector<ShortNumberRange> ranges_;
    bool canAdd_;
    uint16_t chosen_ = 0;
    QLineEdit* numberEdit_ = nullptr;
    QPushButton* addButton_ = nullptr;
};

} // namespace tobrisk
