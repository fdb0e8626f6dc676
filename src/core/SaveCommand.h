// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Salva su centralino": writes the directory prepared off line to the exchange. Runs on the
// user-interface thread inside the command handler.

#include "core/ConnectCommand.h"
#include "core/SaveToExchangeDialog.h"

#include <functional>

namespace tobrisk {

// Brings the link up and reads the exchange: "Connetti" in the program.
using ConnectStep = std::function<ConnectOutcome()>;

// Everything after SaveToExchangeDialog: connects through `connect`, then overwrites or updates the exchange's
// directory with the list's entries and carries the number of digits over. When the entries cannot
// be written, they go back into the list, off line, so that the user can try again. With `showChanges`, what
// the save will change is shown first, and the user may stop it or, in an update, keep only some changes.
void SaveToExchange(const ExchangeCommandContext& context, SaveToExchangeDialog::Mode mode, const ConnectStep& connect,
                    bool showChanges = false);
// The whole command: the choice of mode, then the save.
void RunSaveCommand(const ExchangeCommandContext& context, const ConnectStep& connect);

} // namespace tobrisk
