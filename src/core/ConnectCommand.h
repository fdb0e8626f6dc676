// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Connetti": the connection dialog, then access, the version check after access, and the reads of the
// exchange. Run on the user-interface thread inside the command handler.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "connections/ExchangeReads.h"
#include "link/Result.h"

class QMainWindow;

namespace tobrisk {

class Directory;
struct Entry;
class MessageBoxes;
class Session;
struct Platform;
struct ConnectActions;

// What the commands that talk to the exchange work on, handed in by the application object.
struct ExchangeCommandContext {
    Session& session;
    Directory& directory;
    std::vector<uint16_t>& directoryNumbers;
    // Every entry in the order the list shows them, whatever the filter hides; none without the main window.
    std::function<std::vector<const Entry*>()> listedEntries;
    Platform& platform;
    // Owns the dialogs and shows the progress; may be null.
    QMainWindow* window;
    // The disconnect sequence, and how often it has run.
    std::function<void()> disconnect;
    std::function<unsigned()> disconnects;
    std::function<void()> updateCommandUi;
};

// Everything "Connetti" does once the dialog has left a programming socket open and connectedMode set: the
// shared reads, with the directory's progress in the status bar, then the command state refreshed.
ConnectOutcome ReadAfterConnect(const ExchangeCommandContext& context);
// Tells the user each result, in order.
void ShowConnectResults(MessageBoxes& messages, const Results& told);
// What the connection dialog runs: the session's connect, then what it has to tell.
ConnectActions ConnectDialogActions(Session& session, MessageBoxes& messages);

// The whole command: runDialog brings the link up (false when it did not), then the reads follow.
ConnectOutcome RunConnectCommand(const ExchangeCommandContext& context, const std::function<bool()>& runDialog);

} // namespace tobrisk
