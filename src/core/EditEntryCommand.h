// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/EntryDialog.h"

#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace tobrisk {

class ExchangeProtocol;
class Directory;
class MessageBoxes;

// "Aggiungi", "Modifica" and the list's double click, run on the user-interface thread. While connected
// every change goes to the exchange at once, without waiting for its answers; off line only the directory
// changes, until it is saved.

// Asked after the dialog, not before: the connection may drop while the dialog is open. Null when off line.
using ExchangeWhileConnected = std::function<ExchangeProtocol*()>;

// Stores an accepted edit. A modified entry leaves under its old short number first, and the exchange gets
// the delete of that number before the write of the new record, even when the number is unchanged.
void ApplyEntryEdit(const EntryEdit& edit, Directory& directory, ExchangeProtocol* exchange);

// Runs the entry editor on `modified` (a copy, so the dialog does not depend on the directory while it
// runs), or on a new entry when null, which starts with `offered` as its short number when given. Returns
// the short number stored, none when the user cancelled.
std::optional<uint16_t> RunEditEntry(Directory& directory, const Entry* modified, MessageBoxes& messages,
                                     const ExchangeWhileConnected& exchange, QWidget* parent,
                                     std::optional<uint16_t> offered = std::nullopt);

} // namespace tobrisk
