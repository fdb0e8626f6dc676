// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

namespace tobrisk {

class ExchangeProtocol;
class Directory;
class MessageBoxes;

// "Elimina": asks, then removes the entries of these short numbers (the selection, in the order of its
// rows), sending one delete each to `exchange` while connected (null when off line). False when the user
// did not confirm.
bool RunDeleteEntries(Directory& directory, const std::vector<uint16_t>& selected, MessageBoxes& messages,
                      ExchangeProtocol* exchange);

} // namespace tobrisk
