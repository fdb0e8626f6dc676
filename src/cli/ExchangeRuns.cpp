// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ExchangeRuns.h"

#include "connections/ConnectionSettings.h"
#include "directory/DirectoryTableModel.h"
#include "files/CsvFile.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace tobrisk {

namespace {

// The sessions running now, so an interruption can close each on its own thread.
class LiveSessions {
public:
    void Add(Session* session)
    {
        const std::lock_guard lock(mutex_);
        sessions_.push_back(session);
    }
    void Remove(Session* session)
    {
        const std::lock_guard lock(mutex_);
        std::erase(sessions_, session);
    }
    void CloseAll()
    {
        const std::lock_guard lock(mutex_);
        for (Session* session : sessions_)
            QMetaObject::invokeMethod(
                session, [session] { session->Close(); }, Qt::QueuedConnection);
    }

private:
    std::mutex mutex_;
    std::vector<Session*> sessions_;
};

ReadRun RunVisit(const ReadJob& job, const std::atomic<bool>& interrupted, LiveSessions* live, const ExchangeWork& work)
{
    ReadRun run{FromCp1252(job.entry.name), false, 0, job.csvPath, {}, QJsonObject()};
    ExchangeVisit visit(job.entry, interrupted);
    if (live)
        live->Add(&visit.session);
    work(job, visit, run);
    if (live)
        live->Remove(&visit.session);
    visit.Disconnect();
    return run;
}

} // namespace

uint8_t ModeForEntry(const ConnectionEntry& entry)
{
    if (entry.preferredMode != MODE_NONE)
        return entry.preferredMode;
    if (entry.lanAddress != ADDRESS_NOT_SET)
        return MODE_ETHERNET_LAN;
    if (entry.wanAddress != ADDRESS_NOT_SET)
        return MODE_ETHERNET_WAN;
    return MODE_NONE;
}

ExchangeVisit::ExchangeVisit(const ConnectionEntry& entry, const std::atomic<bool>& interrupted)
    : session(platform.Services()), entry_(entry), interrupted_(interrupted)
{
}

namespace {

// The request the connection dialog builds for the entry in its mode, from the book and the connection
// settings; nothing, with the dialog's own text, when a setting it needs is missing.
std::optional<ConnectRequest> RequestFor(const ConnectionEntry& entry, QStringList& failures)
{
    ConnectRequest request;
    request.mode = ModeForEntry(entry);
    request.exchangeName = entry.name;
    const SettingsStore settings(SettingsFile::Connection);
    QString setting;
    switch (request.mode) {
    case MODE_ETHERNET_LAN:
    case MODE_ETHERNET_WAN: {
        const bool lan = request.mode == MODE_ETHERNET_LAN;
        request.address = lan ? entry.lanAddress : entry.wanAddress;
        request.port = lan ? entry.lanBasePort : entry.wanBasePort;
        return request;
    }
    case MODE_PPPOE_ISDN: {
        if (!ReadSetting(settings, SettingsKeys::PppoeConnection, setting) || setting.isEmpty()) {
            failures.push_back(QStringLiteral("Modem di connessione PPPoE non impostato"));
            return std::nullopt;
        }
        request.entryName = ToCp1252(setting);
        const std::optional<uint32_t> address = ReadPppoeAddress(settings);
        if (!address || *address == ADDRESS_NOT_SET || *address == 0) {
            failures.push_back(QStringLiteral("Indirizzo IP per la connessione PPPoE non impostato"));
            return std::nullopt;
        }
        request.address = *address;
        QString port = SettingsKeys::PppoePort.defaultValue;
        ReadSetting(settings, SettingsKeys::PppoePort, port);
        request.port = uint16_t(port.toUInt());
        request.number = entry.isdnNumber.value_or(std::string());
        return request;
    }
    case MODE_DIALUP_ISDN:
    case MODE_DIALUP_ANALOG: {
        const bool isdn = request.mode == MODE_DIALUP_ISDN;
        if (!ReadSetting(settings, isdn ? SettingsKeys::IsdnConnection : SettingsKeys::AnalogConnection, setting) ||
            setting.isEmpty()) {
            failures.push_back(isdn ? QStringLiteral("Modem di connessione ISDN non impostato")
                                    : QStringLiteral("Modem di connessione analogica non impostato"));
            return std::nullopt;
        }
        request.entryName = ToCp1252(setting);
        request.number = (isdn ? entry.isdnNumber : entry.analogNumber).value_or(std::string());
        return request;
    }
    default:
        failures.push_back(QStringLiteral("no address or number in the book"));
        return std::nullopt;
    }
}

} // namespace

ConnectOutcome ExchangeVisit::Connect()
{
    if (interrupted_)
        return ConnectOutcome::Cancelled;
    const std::optional<ConnectRequest> request = RequestFor(entry_, connectFailures_);
    if (!request)
        return ConnectOutcome::Cancelled;
    const Results told = session.Connect(*request);
    for (const Result& result : told)
        connectFailures_.push_back(result.text);
    if (!told.empty() || !session.IsConnected())
        return ConnectOutcome::Cancelled;
    const ExchangeReadContext context{session,
                                      directory,
                                      directoryNumbers,
                                      platform.Services().messages,
                                      platform.Services().waitCursor,
                                      [this] { Disconnect(); },
                                      [this] { return disconnects; },
                                      nullptr};
    return ReadAfterConnect(context);
}

void ExchangeVisit::Disconnect()
{
    ++disconnects;
    directoryNumbers.clear();
    if (const Result closed = session.Close(); !closed)
        connectFailures_.push_back(closed.text);
}

QString ExchangeVisit::Failure(const QString& otherwise) const
{
    const QStringList told = connectFailures_ + platform.Told();
    if (interrupted_)
        return QStringLiteral("interrupted");
    return told.isEmpty() ? otherwise : told.join(QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

void ReadIntoCsv(const ReadJob& job, ExchangeVisit& visit, ReadRun& run)
{
    const ConnectOutcome outcome = visit.Connect();
    if (outcome != ConnectOutcome::Connected || !visit.platform.Told().isEmpty() || visit.Interrupted()) {
        run.failure = visit.Failure(QStringLiteral("link lost"));
        return;
    }
    visit.Disconnect();
    // The list's own order, so the file is the window's export of the same exchange.
    const DirectoryTableModel listed(visit.directory);
    const std::vector<const Entry*> rows = listed.AllRows();
    const std::array<std::string_view, 4> headings = {DirectoryColumnTitle(0), DirectoryColumnTitle(1),
                                                      DirectoryColumnTitle(2), DirectoryColumnTitle(3)};
    QSaveFile file(job.csvPath);
    if (!file.open(QIODevice::WriteOnly) || !WriteDirectoryCsv(file, headings, rows, true) || !file.commit()) {
        run.failure = QStringLiteral("cannot write %1").arg(job.csvPath);
        return;
    }
    run.ok = true;
    run.entries = int(rows.size());
}

ReadRun ReadOneExchange(const ReadJob& job, const std::atomic<bool>& interrupted, const ExchangeWork& work)
{
    return RunVisit(job, interrupted, nullptr, work);
}

std::vector<ReadRun> ReadExchanges(const std::vector<ReadJob>& jobs, int parallel, const std::atomic<bool>& interrupted,
                                   const std::function<void(const ReadRun&)>& finished, const ExchangeWork& work)
{
    // What an exchange that never started for an interruption is left with.
    std::vector<ReadRun> runs;
    for (const ReadJob& job : jobs)
        runs.push_back(
            ReadRun{FromCp1252(job.entry.name), false, 0, job.csvPath, QStringLiteral("interrupted"), QJsonObject()});
    std::mutex mutex;
    std::deque<size_t> ethernet;
    std::deque<size_t> modem;
    for (size_t index = 0; index < jobs.size(); ++index) {
        const uint8_t mode = ModeForEntry(jobs[index].entry);
        (mode == MODE_ETHERNET_LAN || mode == MODE_ETHERNET_WAN || mode == MODE_NONE ? ethernet : modem)
            .push_back(index);
    }
    LiveSessions live;
    QEventLoop loop;
    int running = 0;
    // One worker takes the modem's queue before any Ethernet work, so the modem carries one link at a time.
    const auto takeJobs = [&](bool takesModem) {
        for (;;) {
            size_t index = 0;
            {
                const std::lock_guard lock(mutex);
                std::deque<size_t>& queue = takesModem && !modem.empty() ? modem : ethernet;
                if (queue.empty())
                    return;
                index = queue.front();
                queue.pop_front();
            }
            ReadRun run = RunVisit(jobs[index], interrupted, &live, work);
            QMetaObject::invokeMethod(
                &loop,
                [&, index, run = std::move(run)] {
                    runs[index] = run;
                    if (finished)
                        finished(run);
                },
                Qt::QueuedConnection);
        }
    };
    const int threads = std::max(1, std::min(parallel, int(jobs.size())));
    std::vector<std::unique_ptr<QThread>> workers;
    for (int number = 0; number < threads; ++number) {
        workers.emplace_back(QThread::create(takeJobs, number == 0));
        QObject::connect(workers.back().get(), &QThread::finished, &loop, [&] {
            if (--running == 0)
                loop.quit();
        });
        ++running;
        workers.back()->start();
    }
    QTimer watch;
    bool closing = false;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (interrupted && !closing) {
            closing = true;
            const std::lock_guard lock(mutex);
            ethernet.clear();
            modem.clear();
        }
        if (interrupted)
            live.CloseAll();
    });
    watch.start(50);
    if (running > 0)
        loop.exec();
    for (const auto& worker : workers)
        worker->wait();
    // The results posted last arrive after the threads ended.
    QCoreApplication::sendPostedEvents(&loop);
    return runs;
}

} // namespace tobrisk
