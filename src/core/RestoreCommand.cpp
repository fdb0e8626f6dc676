// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RestoreCommand.h"

#include "directory/Directory.h"
#include "files/SnapshotDialog.h"
#include "files/SnapshotStore.h"
#include "platform/Platform.h"

namespace tobrisk {

bool RunRestore(Platform& platform, Directory& directory, const ImportSteps& steps, const QString& snapshotFolder,
                QWidget* parent)
{
    MessageBoxes& messages = platform.messages;
    if (steps.isConnected()) {
        if (messages.Show(
                QStringLiteral("Questa operazione comporta la disconnessione dal centralino.\nVuoi continuare?"),
                MsgButtons::YesNo, MsgAnswer::Yes) != MsgAnswer::Yes)
            return false;
        steps.disconnect();
    }

    SnapshotDialog dialog(SnapshotStore(snapshotFolder).List(), directory.Settings().shortNumberDigits, messages,
                          parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString path = dialog.ChosenPath();
    // A copy does not say the exchange's number of digits: the list's own stays unless some short number
    // needs more.
    const uint8_t listDigits = directory.Settings().shortNumberDigits;
    WaitCursorScope wait(platform.waitCursor);
    directory.SetShortNumberDigits(SnapshotDigits(path, listDigits));
    if (!LoadSnapshot(path, directory, messages)) {
        directory.SetShortNumberDigits(listDigits);
        messages.Show(QStringLiteral("Impossibile aprire file in lettura!"));
        return false;
    }
    return true;
}

} // namespace tobrisk
