// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/ImportReport.h"

#include <QDialog>

namespace tobrisk {

class FileDialogs;
class MessageBoxes;

// The report of one import, shown by the import command on the user-interface thread once the records are
// read: the counts, then one row per line worth a word, which "Salva…" writes to a file of the user's choice.
class ImportReportDialog : public QDialog {
    Q_OBJECT

public:
    ImportReportDialog(const ImportReport& report, FileDialogs& fileDialogs, MessageBoxes& messages, QString folder,
                       QWidget* parent = nullptr);

private:
    void Save();

    const ImportReport& report_;
    FileDialogs& fileDialogs_;
    MessageBoxes& messages_;
    QString folder_;
};

} // namespace tobrisk
