// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/Entry.h"

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace tobrisk {

class ExchangeProtocol;
class Directory;
class MessageBoxes;

// Stores the number of digits and removes the entries of these short numbers; the exchange, while
// connected, gets the new number of digits, not one delete per entry.
void ApplyDigits(uint8_t digits, const std::vector<uint16_t>& entriesToDelete, Directory& directory,
                 ExchangeProtocol* exchange);

// "Numero cifre", also run by the import: the dialog over the entries in the order the list shows them,
// then ApplyDigits. `exchange` is asked once the dialog is accepted, null when off line. False when the
// user cancelled.
bool RunDigits(Directory& directory, const std::vector<const Entry*>& shown, MessageBoxes& messages,
               const std::function<ExchangeProtocol*()>& exchange, QWidget* parent);

} // namespace tobrisk
