// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "Connetti": the connection dialog, then access, the version check after access, and the reads of the
// exchange. Run on the user-interface thread inside the command handler.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

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

QString IncompatibleVersionText(int version);

// How a connection attempt ended, as the save needs to know it.
enum class ConnectOutcome {
    Cancelled,       // no link came up; nothing changed
    Failed,          // access refused, version incompatible or link lost: this attempt's link is gone
    DirectoryUnread, // connected, but the exchange's directory did not arrive
    Connected,       // connected with the directory read (routings or urban lines may have failed)
};

// LinkLost: the link was closed while a read waited (by the user, or on a drop the supervision found);
// nothing more was read or shown, and what the disconnect left stays.
enum class ReadOutcome { Complete, DirectoryFailed, RoutingsFailed, UrbanLinesFailed, LinkLost };

// Everything "Connetti" does once the dialog has left a programming socket open and connectedMode
// set: access, version, supervision, settings, directory and line tables, and the list refresh. A
// disconnect while any of them waits ends them at the next step, silently.
ConnectOutcome ReadAfterConnect(const ExchangeCommandContext& context);
// False when the link was closed during the reads; the settings are then the disconnect's.
bool ReadSettings(const ExchangeCommandContext& context);
ReadOutcome ReadDirectoryAndLines(const ExchangeCommandContext& context);
// Tells the user each result, in order.
void ShowConnectResults(MessageBoxes& messages, const Results& told);
// What the connection dialog runs: the session's connect, then what it has to tell.
ConnectActions ConnectDialogActions(Session& session, MessageBoxes& messages);

// The whole command: runDialog brings the link up (false when it did not), then the reads follow.
ConnectOutcome RunConnectCommand(const ExchangeCommandContext& context, const std::function<bool()>& runDialog);

} // namespace tobrisk
