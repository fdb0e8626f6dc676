// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectoryChanges.h"
#include "directory/DirectorySettings.h"

#include <QDialog>
#include <vector>

class QTreeWidget;

namespace tobrisk {

// Shows what a save is about to change on the exchange, before anything is deleted or written: "Scrivi"
// accepts, "Annulla" rejects. In an update each row can be unticked; an overwrite shows its whole effect
// and lets none go. Created and run by the save command on the user-interface thread; `changes` and the
// entries they point into outlive it.
class SavePreviewDialog : public QDialog {
    Q_OBJECT

public:
    SavePreviewDialog(const DirectoryChanges& changes, SaveWay way, const DirectorySettings& settings,
                      QWidget* parent = nullptr);

    // Whether each row of the changes is still ticked.
    std::vector<bool> Ticked() const;

private:
    QTreeWidget* rows_ = nullptr;
};

} // namespace tobrisk
