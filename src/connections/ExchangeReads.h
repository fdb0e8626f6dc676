// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The reads that follow a connect: access, the version check, the settings, the directory and the line
// tables. Widget-free, so the window and the command-line program read an exchange alike; whoever calls
// them runs the session's thread.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace tobrisk {

class Directory;
class MessageBoxes;
class Session;
class WaitCursor;

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

// Told of the directory's entries as they arrive; DirectoryEnded comes however the directory read ends.
class ReadProgress {
public:
    virtual ~ReadProgress() = default;
    virtual void DirectoryStarted() = 0;
    virtual void EntriesRead(int count) = 0;
    virtual void DirectoryEnded() = 0;
};

struct ExchangeReadContext {
    Session& session;
    Directory& directory;
    std::vector<uint16_t>& directoryNumbers;
    // Where refusals and read errors are told.
    MessageBoxes& messages;
    WaitCursor& waitCursor;
    // The disconnect sequence, and how often it has run.
    std::function<void()> disconnect;
    std::function<unsigned()> disconnects;
    // May be null.
    ReadProgress* progress = nullptr;
};

QString IncompatibleVersionText(int version);

// Everything once a programming socket is open and connectedMode set: access, version, supervision,
// settings, directory and line tables. A disconnect while any of them waits ends them at the next step,
// silently.
ConnectOutcome ReadAfterConnect(const ExchangeReadContext& context);
// False when the link was closed during the reads; the settings are then the disconnect's.
bool ReadSettings(const ExchangeReadContext& context);
ReadOutcome ReadDirectoryAndLines(const ExchangeReadContext& context);

} // namespace tobrisk
