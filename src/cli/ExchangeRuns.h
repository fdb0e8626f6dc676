// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The exchanges of one command, each read on a worker thread with a session of its own.

#include "connections/ConnectionBook.h"

#include <QString>
#include <atomic>
#include <functional>
#include <vector>

namespace tobrisk {

struct ReadJob {
    ConnectionEntry entry;
    // Where the directory's CSV goes.
    QString csvPath;
};

struct ReadRun {
    QString name;
    bool ok = false;
    int entries = 0;
    QString csvPath;
    // Why it failed: what the window would have shown, joined.
    QString failure;
};

// The mode the command uses for an entry: its preferred one when set, else the first address it has.
uint8_t ModeForEntry(const ConnectionEntry& entry);

// Connects, reads and releases one exchange, then writes its CSV; on the calling thread. `interrupted`
// is looked at between the steps.
ReadRun ReadOneExchange(const ReadJob& job, const std::atomic<bool>& interrupted);

// Up to `jobs` Ethernet exchanges at once, each on a thread of its own; the dial-up and PPPoE ones one
// after the other, since there is one modem. Results in the order of the jobs. `finished` is called on
// the calling thread as each run ends.
std::vector<ReadRun> ReadExchanges(const std::vector<ReadJob>& jobs, int parallel, const std::atomic<bool>& interrupted,
                                   const std::function<void(const ReadRun&)>& finished);

} // namespace tobrisk
