// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The exchanges of one command, each read on a worker thread with a session of its own.

#include "cli/HeadlessPlatform.h"
#include "connections/ConnectionBook.h"
#include "connections/ExchangeReads.h"
#include "connections/Session.h"
#include "directory/Directory.h"

#include <QJsonObject>
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
    // What else the command reports of the exchange (the changes of a diff or a write, its snapshot).
    QJsonObject details;
};

// One exchange's session on its worker thread, with the directory its reads fill.
class ExchangeVisit {
public:
    ExchangeVisit(const ConnectionEntry& entry, const std::atomic<bool>& interrupted);

    // "Connetti" without the dialog: the link in the entry's mode, then the window's reads.
    ConnectOutcome Connect();
    // The disconnect sequence: the release, the link closed.
    void Disconnect();
    // What the window would have shown, or `otherwise` when nothing was, on one line.
    QString Failure(const QString& otherwise) const;
    bool Interrupted() const { return interrupted_; }

    HeadlessPlatform platform;
    Session session;
    Directory directory;
    std::vector<uint16_t> directoryNumbers;
    unsigned disconnects = 0;

private:
    const ConnectionEntry& entry_;
    const std::atomic<bool>& interrupted_;
    QStringList connectFailures_;
};

// What a job does with its exchange once its visit exists: connect, work, disconnect, filling the run.
using ExchangeWork = std::function<void(const ReadJob& job, ExchangeVisit& visit, ReadRun& run)>;

// The read: the exchange's directory into the job's CSV file, as the window exports it.
void ReadIntoCsv(const ReadJob& job, ExchangeVisit& visit, ReadRun& run);

// The mode the command uses for an entry: its preferred one when set, else the first address it has.
uint8_t ModeForEntry(const ConnectionEntry& entry);

// Connects, reads and releases one exchange, then writes its CSV; on the calling thread. `interrupted`
// is looked at between the steps.
ReadRun ReadOneExchange(const ReadJob& job, const std::atomic<bool>& interrupted,
                        const ExchangeWork& work = ReadIntoCsv);

// Up to `jobs` Ethernet exchanges at once, each on a thread of its own; the dial-up and PPPoE ones one
// after the other, since there is one modem. Results in the order of the jobs. `finished` is called on
// the calling thread as each run ends.
std::vector<ReadRun> ReadExchanges(const std::vector<ReadJob>& jobs, int parallel, const std::atomic<bool>& interrupted,
                                   const std::function<void(const ReadRun&)>& finished,
                                   const ExchangeWork& work = ReadIntoCsv);

} // namespace tobrisk
