// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory/DirectoryEdits.h"

#include "directory/NumCifre.h"
#include "directory/PlimsetView.h"
#include "link/PbxProtocol.h"
#include "link/Protocol.h"
#include "platform/MessageBoxes.h"

#include <string>

void ApplyEntryEdit(const CEntryEdit& edit, CPlimsetView& view, CPbxProtocol* exchange)
{
    if (edit.oldShortNumber) {
        view.RemoveEntryByShortNumber(*edit.oldShortNumber);
        if (exchange)
            exchange->DeleteDirectoryRecord(*edit.oldShortNumber);
    }
    if (exchange)
        exchange->WriteDirectoryRecord(edit.shortNumber, edit.name, edit.phoneNumber, edit.lineSeizure);
    view.AddOrReplaceEntry(edit.shortNumber, edit.name, edit.phoneNumber, edit.lineSeizure, false,
                           edit.oldShortNumber.has_value());
}

bool DeleteSelectedEntries(CPlimsetView& view, IMessageBoxes& messages, CPbxProtocol* exchange)
{
    const MsgAnswer answer =
        messages.Show(QStringLiteral("Confermi la cancellazione dei numeri di agenda selezionati?"), MsgButtons::YesNo,
                      MsgAnswer::Yes, MsgIcon::Question);
    if (answer != MsgAnswer::Yes)
        return false;
    // The rows keep their indices until the refresh, so the whole selection is walked as it was.
    for (int row : view.SelectedRows()) {
        if (exchange)
            exchange->DeleteDirectoryRecord(view.DisplayedEntry(row).shortNumber);
        view.RemoveEntryAt(row);
    }
    view.RefreshList(false, std::nullopt);
    return true;
}

void ApplyDigits(uint8_t digits, const std::vector<int>& entriesToDelete, CDirectorySettings& settings,
                 CPlimsetView& view, CPbxProtocol* exchange)
{
    settings.shortNumberDigits = digits;
    for (int row : entriesToDelete)
        view.RemoveEntryAt(row);
    if (exchange)
        exchange->WriteDigitsRecord(digits);
    view.RefreshList(true, std::nullopt);
}

std::vector<const CRecord*> DisplayedEntries(const CPlimsetView& view)
{
    std::vector<const CRecord*> rows;
    rows.reserve(size_t(view.DisplayedCount()));
    for (int row = 0; row < view.DisplayedCount(); ++row)
        rows.push_back(&view.DisplayedEntry(row));
    return rows;
}

namespace {

void RunEntryEditor(const CDirectoryEditing& editing, const CRecord* modified)
{
    CModDir dialog(editing.settings, editing.view.Entries(), editing.routingNumbers, editing.urbanLineNumbers,
                   editing.messages, modified, editing.parent);
    if (dialog.exec() == QDialog::Accepted)
        ApplyEntryEdit(dialog.Result(), editing.view, editing.Exchange());
}

} // namespace

void RunAddEntry(const CDirectoryEditing& editing)
{
    RunEntryEditor(editing, nullptr);
}

void RunModifyEntry(const CDirectoryEditing& editing)
{
    const std::vector<int> rows = editing.view.SelectedRows();
    if (rows.empty())
        return;
    // A copy: the dialog must not depend on the row's entry while the list may change under it.
    const CRecord entry = editing.view.DisplayedEntry(rows.front());
    RunEntryEditor(editing, &entry);
}

void RunDeleteEntries(const CDirectoryEditing& editing)
{
    if (editing.view.SelectedCount() > 0)
        DeleteSelectedEntries(editing.view, editing.messages, editing.Exchange());
}

void RunNumberOfDigits(const CDirectoryEditing& editing)
{
    CNumCifre dialog(editing.settings, DisplayedEntries(editing.view), editing.messages, editing.parent);
    if (dialog.exec() == QDialog::Accepted)
        ApplyDigits(dialog.Digits(), dialog.EntriesToDelete(), editing.settings, editing.view, editing.Exchange());
}
