// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory/DirectorySettings.h"
#include "directory/ModDir.h"

#include <cstdint>
#include <functional>
#include <vector>

class CPbxProtocol;
class CPlimsetView;
class IMessageBoxes;
class QWidget;

// The editing commands of the directory, run on the user-interface thread. `exchange` is the link to write
// every change to at once, or null while not connected: then only the list changes, until it is saved.
// None of them waits for the exchange or reports its answers.

// Stores an accepted entry edit. A modified entry is taken out under its old short number first, and the
// exchange gets the delete of that number before the write of the new record, even when the number is
// unchanged. After an add exactly the new entry is selected; after a modify the entry stays selected.
void ApplyEntryEdit(const CEntryEdit& edit, CPlimsetView& view, CPbxProtocol* exchange);

// Asks, then removes the selected rows, sending one delete per row in row order; the last row of the
// refilled list ends up selected. False when the user did not confirm.
bool DeleteSelectedEntries(CPlimsetView& view, IMessageBoxes& messages, CPbxProtocol* exchange);

// Stores the number of digits accepted by CNumCifre and removes the rows it listed (indices of the rows as
// displayed when the dialog ran); the exchange gets the new number of digits, not one delete per entry.
void ApplyDigits(uint8_t digits, const std::vector<int>& entriesToDelete, CDirectorySettings& settings,
                 CPlimsetView& view, CPbxProtocol* exchange);

// What the commands "Aggiungi", "Modifica", "Elimina" and "Numero cifre" work on.
struct CDirectoryEditing {
    QWidget* parent;
    CPlimsetView& view;
    CDirectorySettings& settings;
    const std::vector<uint16_t>& routingNumbers;
    const std::vector<uint16_t>& urbanLineNumbers;
    IMessageBoxes& messages;
    CPbxProtocol& protocol;
    // Asked after each dialog, not before: the connection may drop while the dialog is open.
    std::function<bool()> isConnected;

    CPbxProtocol* Exchange() const { return isConnected() ? &protocol : nullptr; }
};

void RunAddEntry(const CDirectoryEditing& editing);
// Edits the first selected row; nothing when no row is selected.
void RunModifyEntry(const CDirectoryEditing& editing);
void RunDeleteEntries(const CDirectoryEditing& editing);
void RunNumberOfDigits(const CDirectoryEditing& editing);

// The rows of the list in the order shown.
std::vector<const CRecord*> DisplayedEntries(const CPlimsetView& view);
