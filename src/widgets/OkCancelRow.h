// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialogButtonBox>

class QDialog;

namespace tobrisk {

// "OK" (the default button) and "Annulla", wired to the dialog's accept and reject, with the same texts
// and object names in every dialog. Created on the user-interface thread, owned by the dialog.
QDialogButtonBox* NewOkCancelRow(QDialog& dialog);

} // namespace tobrisk
