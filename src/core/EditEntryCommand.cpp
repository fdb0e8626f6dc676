// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/EditEntryCommand.h"

#include "directory/Directory.h"
#include "link/ExchangeProtocol.h"

namespace tobrisk {

void ApplyEntryEdit(const EntryEdit& edit, Directory& directory, ExchangeProtocol* exchange)
{
    if (edit.oldShortNumber) {
        directory.Remove(*edit.oldShortNumber);
        if (exchange)
            exchange->DeleteDirectoryRecord(*edit.oldShortNumber);
    }
    if (exchange)
        exchange->WriteDirectoryRecord(edit.shortNumber, edit.name, edit.phoneNumber, edit.lineSeizure);
    directory.AddOrReplace(edit.shortNumber, edit.name, edit.phoneNumber, edit.lineSeizure);
}

std::optional<uint16_t> RunEditEntry(Directory& directory, const Entry* modified, MessageBoxes& messages,
                                     const ExchangeWhileConnected& exchange, QWidget* parent,
                                     std::optional<uint16_t> offered)
{
    std::optional<Entry> copy;
    if (modified)
        copy = *modified;
    EntryDialog dialog(directory.Settings(), directory.Entries(), directory.RoutingNumbers(),
                       directory.UrbanLineNumbers(), messages, copy ? &*copy : nullptr, parent);
    if (offered && !copy)
        dialog.OfferShortNumber(*offered);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const EntryEdit edit = dialog.Result();
    ApplyEntryEdit(edit, directory, exchange());
    return edit.shortNumber;
}

} // namespace tobrisk
