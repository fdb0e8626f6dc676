// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DeleteEntriesCommand.h"

#include "directory/Directory.h"
#include "link/ExchangeProtocol.h"
#include "platform/MessageBoxes.h"

namespace tobrisk {

bool RunDeleteEntries(Directory& directory, const std::vector<uint16_t>& selected, MessageBoxes& messages,
                      ExchangeProtocol* exchange)
{
    const MsgAnswer answer =
        messages.Show(QStringLiteral("Confermi la cancellazione dei numeri di agenda selezionati?"), MsgButtons::YesNo,
                      MsgAnswer::Yes, MsgIcon::Question);
    if (answer != MsgAnswer::Yes)
        return false;
    for (uint16_t shortNumber : selected) {
        if (exchange)
            exchange->DeleteDirectoryRecord(shortNumber);
        directory.Remove(shortNumber);
    }
    return true;
}

} // namespace tobrisk
