// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Directory.h"
#include "directory/DirectoryTableModel.h"
#include "files/SnapshotStore.h"

#include <QDialog>
#include <vector>

class QPushButton;
class QTreeView;
class QTreeWidget;

namespace tobrisk {

class MessageBoxes;

// "Ripristina agenda salvata": the kept copies by exchange, date and time and number of entries, and the
// entries of the one selected, shown as the list would show them once restored. Created by the restore
// command for one run on the user-interface thread; ChosenPath() once it has closed with "Ripristina".
class SnapshotDialog : public QDialog {
    Q_OBJECT

public:
    SnapshotDialog(std::vector<SnapshotFile> snapshots, uint8_t digits, MessageBoxes& messages,
                   QWidget* parent = nullptr);

    QString ChosenPath() const;

private:
    void ShowSelected();

    std::vector<SnapshotFile> snapshots_;
    uint8_t digits_;
    MessageBoxes& messages_;
    Directory shown_;
    DirectoryTableModel shownModel_{shown_};
    QTreeWidget* list_ = nullptr;
    QTreeView* entries_ = nullptr;
    QPushButton* restoreButton_ = nullptr;
};

} // namespace tobrisk
