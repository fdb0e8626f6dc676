// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QButtonGroup>

class QDialog;

namespace tobrisk {

// The replace-or-update choice that the import and the save to the exchange both offer, built alike so that
// its texts, object names and behaviour stay the same. Created on the user-interface thread, owned by the dialog.

// "Sovrascrivi agenda" (id 0) and "Aggiorna agenda" (id 1), for a dialog that writes a whole directory
// over one that exists; neither is checked yet. The buttons are in the group and owned by the dialog.
QButtonGroup* NewReplaceOrUpdateChoice(QDialog& dialog);

} // namespace tobrisk
