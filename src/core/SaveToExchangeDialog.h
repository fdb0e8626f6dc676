// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;

namespace tobrisk {

// Asks how "Salva su centralino" treats the exchange's directory. Created and run by the save
// command on the user-interface thread.
class SaveToExchangeDialog : public QDialog {
    Q_OBJECT

public:
    enum Mode : int { Overwrite = 0, Update = 1 };

    explicit SaveToExchangeDialog(QWidget* parent = nullptr);

    // The mode selected when the dialog closed; Update unless the user chose otherwise.
    Mode SaveMode() const;
    // Whether the save shows what it will change before it writes. Remembered in the program's settings
    // when the dialog is accepted.
    bool ShowChanges() const;

    void accept() override;

private:
    QButtonGroup* modeGroup_ = nullptr;
    QCheckBox* showChanges_ = nullptr;
};

} // namespace tobrisk
