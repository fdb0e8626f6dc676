// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;

namespace tobrisk {

// The export options dialog: created by the export command for one run on the user-interface thread, so
// the heading box starts ticked each time.
class ExportDialog : public QDialog {
    Q_OBJECT

public:
    explicit ExportDialog(QWidget* parent = nullptr);

    bool WriteHeading() const { return writeHeading_; }

    void accept() override;

private:
    bool writeHeading_ = true;
    QCheckBox* headingBox_ = nullptr;
};

} // namespace tobrisk
