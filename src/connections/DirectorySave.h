// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The save of a prepared directory to the exchange, widget-free, so that the window's "Salva su
// centralino" and the command line send the same requests in the same order and end alike.

#include "connections/ExchangeReads.h"
#include "directory/DirectoryChanges.h"
#include "directory/Entry.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace tobrisk {

class Directory;
class MessageBoxes;
class Session;

// The deletes, then the writes: each told as it is sent, and ended however its loop ends.
class SaveProgress {
public:
    enum class Step { Deleting, Writing };
    virtual ~SaveProgress() = default;
    virtual void Started(Step step) = 0;
    virtual void Sent(int done, int total) = 0;
    virtual void Ended() = 0;
};

// Where the exchange's directory was kept before the first change: the file, or none when the copy could not
// be written into the folder.
struct KeptDirectory {
    std::optional<QString> file;
    QString folder;
};

struct DirectorySaveContext {
    Session& session;
    Directory& directory;
    std::vector<uint16_t>& directoryNumbers;
    MessageBoxes& messages;
    std::function<void()> disconnect;
    std::function<void()> updateCommandUi;
    // Brings the link up and reads the exchange: "Connetti".
    std::function<ConnectOutcome()> connect;
    // After the exchange's directory is read, before the first delete or write, with the entries to be
    // written, which it may narrow. False leaves the exchange untouched: the link is closed and the prepared
    // entries go back into the directory, as when the directory could not be read. May be empty.
    std::function<bool(std::vector<Entry>& pending)> beforeFirstChange;
    // Once the user has let the save go on, keeps the exchange's directory as it was just read. A copy that
    // cannot be written stops the save before anything is sent. May be empty.
    std::function<KeptDirectory()> keepExchangeDirectory;
    // May be null.
    SaveProgress* progress = nullptr;
};

enum class SaveOutcome {
    Cancelled,    // no link came up
    NotSaved,     // the exchange's directory was not read: nothing was sent
    Stopped,      // beforeFirstChange said no: nothing was sent
    NotKept,      // the exchange's directory could not be kept: nothing was sent
    NotCompleted, // the link failed during the deletes or writes: what the exchange took is unknown
    Saved,
};

// Connects, then overwrites or updates the exchange's directory with `prepared` (read once connected, so
// a connect step may fill it) and carries `digits` over. When the entries cannot be written, they go back
// into the directory, off line, so that the user can try again.
SaveOutcome SaveDirectory(const DirectorySaveContext& context, SaveWay way, const std::vector<Entry>& prepared,
                          const uint8_t& digits);

} // namespace tobrisk
