// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExchangeSim.h"

#include "RequestAssembler.h"
#include "SeedFile.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace exsim {

namespace {

const char* PortLabel(Port port)
{
    return port == Port::Programming ? "prog" : "pppoe";
}

std::string StatusName(std::uint16_t status)
{
    switch (status) {
    case ST_DONE:
        return "ST_DONE";
    case ST_POLL_ANSWER:
        return "ST_POLL_ANSWER";
    case ST_GRANTED:
        return "ST_GRANTED";
    case ST_IGNORED:
        return "ST_IGNORED";
    case ST_DIAL_RESULT:
        return "ST_DIAL_RESULT";
    default:
        break;
    }
    char text[24];
    std::snprintf(text, sizeof text, "status 0x%04X", status);
    return text;
}

bool IsStatus(std::uint16_t value)
{
    return value == ST_DONE || value == ST_POLL_ANSWER || value == ST_GRANTED || value == ST_IGNORED ||
           value == ST_DIAL_RESULT || (value >= ST_REFUSED_FIRST && value <= ST_REFUSED_LAST);
}

// "3 data frames, ST_DONE" for the log.
std::string DescribeFrames(const std::vector<Bytes>& frames)
{
    std::string text;
    std::size_t dataFrames = 0;
    auto flushData = [&]() {
        if (dataFrames == 0)
            return;
        text += (text.empty() ? "" : ", ") + std::to_string(dataFrames) +
                (dataFrames == 1 ? " data frame" : " data frames");
        dataFrames = 0;
    };
    for (const Bytes& frame : frames) {
        const auto value = static_cast<std::uint16_t>((frame[5] << 8) | frame[6]);
        if (!IsStatus(value)) {
            ++dataFrames;
            continue;
        }
        flushData();
        text += (text.empty() ? "" : ", ") + StatusName(value);
        if (value == ST_DIAL_RESULT)
            text += " result " + std::to_string(frame[3] | (frame[4] << 8));
    }
    flushData();
    return text;
}

} // namespace

struct ExchangeSim::Session {
    Port port = Port::Programming;
    unsigned id = 0;
    int fd = -1;
    bool granted = false;
    unsigned framesSent = 0;
    unsigned requestsReceived = 0;
    std::atomic<bool> done{false};
    std::thread thread;

    std::string Label() const { return std::string("[") + PortLabel(port) + " " + std::to_string(id) + "] "; }
};

struct ExchangeSim::Reply {
    std::vector<Bytes> frames;
    Faults faults;
    unsigned delayMs = 0;
    bool endSession = false;
    std::vector<std::string> notes;
};

ExchangeSim::ExchangeSim(Tables initial) : tables(std::move(initial)) {}

ExchangeSim::~ExchangeSim()
{
    Stop();
}

bool ExchangeSim::Start(const StartOptions& options, std::string& error)
{
    if (running)
        return true;
    in_addr address{};
    if (inet_pton(AF_INET, options.bindAddress.c_str(), &address) != 1) {
        error = "not an IPv4 address: " + options.bindAddress;
        return false;
    }
    stopFd = eventfd(0, EFD_CLOEXEC);
    if (stopFd < 0) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }

    const std::uint16_t wanted[2] = {options.programmingPort, options.pppoePort};
    for (int p = 0; p < 2; ++p) {
        if (p == 1 && !options.pppoeDevice)
            break;
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr = address;
        local.sin_port = htons(wanted[p]);
        socklen_t length = sizeof local;
        if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
            bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(fd, 8) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
            error = std::string(p == 0 ? "programming" : "PPPoE device") + " port " + std::to_string(wanted[p]) + ": " +
                    std::strerror(errno);
            if (fd >= 0)
                close(fd);
            for (int q = 0; q < p; ++q) {
                close(listenFd[q]);
                listenFd[q] = -1;
            }
            close(stopFd);
            stopFd = -1;
            return false;
        }
        listenFd[p] = fd;
        boundPort[p] = ntohs(local.sin_port);
    }

    running = true;
    for (int p = 0; p < 2; ++p) {
        if (listenFd[p] >= 0)
            listener[p] = std::thread(&ExchangeSim::ListenLoop, this, static_cast<Port>(p));
    }
    return true;
}

void ExchangeSim::Stop()
{
    if (!running)
        return;
    // The stop event is never consumed, so every thread polling it wakes up, now and later.
    const std::uint64_t one = 1;
    if (write(stopFd, &one, sizeof one) != sizeof one)
        Log(std::string("stop event: ") + std::strerror(errno));
    for (int p = 0; p < 2; ++p) {
        if (listener[p].joinable())
            listener[p].join();
        if (listenFd[p] >= 0)
            close(listenFd[p]);
        listenFd[p] = -1;
    }
    ReapSessions(true);
    close(stopFd);
    stopFd = -1;
    running = false;
}

void ExchangeSim::SetLogger(Logger newLogger)
{
    std::lock_guard lock(mutex);
    logger = std::move(newLogger);
}

void ExchangeSim::SetSaveFile(std::string path)
{
    std::lock_guard lock(mutex);
    saveFile = std::move(path);
}

Faults ExchangeSim::GetFaults() const
{
    std::lock_guard lock(mutex);
    return faults;
}

void ExchangeSim::SetFaults(const Faults& newFaults)
{
    std::lock_guard lock(mutex);
    faults = newFaults;
    pollCount = 0;
}

Tables ExchangeSim::GetTables() const
{
    std::lock_guard lock(mutex);
    return tables;
}

void ExchangeSim::SetTables(Tables newTables)
{
    std::lock_guard lock(mutex);
    tables = std::move(newTables);
    ChangedLocked();
}

std::optional<std::string> ExchangeSim::Record(std::uint16_t table, std::uint16_t index) const
{
    std::lock_guard lock(mutex);
    const auto t = tables.find(table);
    if (t == tables.end())
        return std::nullopt;
    const auto r = t->second.find(index);
    if (r == t->second.end())
        return std::nullopt;
    return r->second;
}

bool ExchangeSim::SetRecord(std::uint16_t table, std::uint16_t index, std::string data)
{
    if (data.size() > MAX_RECORD_SIZE)
        return false;
    std::lock_guard lock(mutex);
    tables[table][index] = std::move(data);
    ChangedLocked();
    return true;
}

bool ExchangeSim::ClearRecord(std::uint16_t table, std::uint16_t index)
{
    std::lock_guard lock(mutex);
    const auto t = tables.find(table);
    if (t == tables.end() || t->second.erase(index) == 0)
        return false;
    if (t->second.empty())
        tables.erase(t);
    ChangedLocked();
    return true;
}

void ExchangeSim::ClearTable(std::uint16_t table)
{
    std::lock_guard lock(mutex);
    if (tables.erase(table) != 0)
        ChangedLocked();
}

std::vector<Request> ExchangeSim::Received(Port port) const
{
    std::lock_guard lock(mutex);
    return received[static_cast<int>(port)];
}

void ExchangeSim::ClearReceived()
{
    std::lock_guard lock(mutex);
    received[0].clear();
    received[1].clear();
}

bool ExchangeSim::WaitForRequests(std::size_t count, int timeoutMs, Port port) const
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return received[static_cast<int>(port)].size() >= count; });
}

unsigned ExchangeSim::ConnectionsAccepted(Port port) const
{
    std::lock_guard lock(mutex);
    return accepted[static_cast<int>(port)];
}

unsigned ExchangeSim::ConnectionsClosed(Port port) const
{
    std::lock_guard lock(mutex);
    return closed[static_cast<int>(port)];
}

bool ExchangeSim::WaitForConnectionsClosed(unsigned count, int timeoutMs, Port port) const
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return closed[static_cast<int>(port)] >= count; });
}

void ExchangeSim::ChangedLocked()
{
    if (saveFile.empty())
        return;
    std::string error;
    if (!SaveSeedFile(saveFile, tables, error) && logger)
        logger("save failed: " + error);
}

void ExchangeSim::Log(const std::string& line) const
{
    Logger copy;
    {
        std::lock_guard lock(mutex);
        copy = logger;
    }
    if (copy)
        copy(line);
}

bool ExchangeSim::Sleep(unsigned ms) const
{
    if (ms == 0)
        return true;
    pollfd stop{stopFd, POLLIN, 0};
    return poll(&stop, 1, static_cast<int>(ms)) == 0;
}

void ExchangeSim::ReapSessions(bool all)
{
    std::lock_guard lock(sessionsMutex);
    for (auto it = sessions.begin(); it != sessions.end();) {
        Session& session = **it;
        if (!all && !session.done) {
            ++it;
            continue;
        }
        // Unblocks a session that is sending to a client that does not read.
        shutdown(session.fd, SHUT_RDWR);
        session.thread.join();
        close(session.fd);
        it = sessions.erase(it);
    }
}

void ExchangeSim::ListenLoop(Port port)
{
    const int p = static_cast<int>(port);
    for (;;) {
        pollfd fds[2] = {{listenFd[p], POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            Log(std::string("poll: ") + std::strerror(errno));
            return;
        }
        if (fds[1].revents != 0)
            return;
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        const int fd = accept4(listenFd[p], reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        // Replies go out frame by frame; without this a later frame waits for the client's delayed ACK.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

        ReapSessions(false);
        auto session = std::make_unique<Session>();
        session->port = port;
        session->fd = fd;
        {
            std::lock_guard lock(mutex);
            session->id = ++accepted[p];
        }
        char text[INET_ADDRSTRLEN] = "?";
        inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
        Log(session->Label() + "connection from " + text + ":" + std::to_string(ntohs(peer.sin_port)));
        changed.notify_all();

        std::lock_guard lock(sessionsMutex);
        Session& started = *session;
        sessions.push_back(std::move(session));
        started.thread = std::thread(&ExchangeSim::ServeSession, this, std::ref(started));
    }
}

void ExchangeSim::ServeSession(Session& session)
{
    RequestAssembler assembler;
    std::uint8_t buffer[4096];
    bool open = true;
    if (const auto closeAfter = GetFaults().closeAfter; closeAfter && *closeAfter == 0) {
        Log(session.Label() + "closing at once (close after 0 frames)");
        open = false;
    }
    while (open) {
        pollfd fds[2] = {{session.fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            break;
        const ssize_t got = recv(session.fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            break;
        }
        // Writes get no reply, so a client that batches small sends would otherwise wait for our
        // delayed ACK before its next request; the kernel drops quick-ACK mode again after a while.
        const int quick = 1;
        setsockopt(session.fd, IPPROTO_TCP, TCP_QUICKACK, &quick, sizeof quick);
        const std::size_t skippedBefore = assembler.Skipped();
        std::vector<Request> requests;
        assembler.Feed(buffer, static_cast<std::size_t>(got), requests);
        if (assembler.Skipped() != skippedBefore)
            Log(session.Label() + "skipped " + std::to_string(assembler.Skipped() - skippedBefore) +
                " bytes that do not form a request");
        for (const Request& request : requests) {
            Log(session.Label() + DescribeRequest(request));
            if (session.port == Port::Programming && IsLastRequest(session, request)) {
                Log(session.Label() + "closing after " + std::to_string(session.requestsReceived) +
                    " requests, this one unanswered");
                open = false;
                break;
            }
            const Reply reply =
                session.port == Port::Programming ? HandleProgramming(session, request) : HandlePppoe(request);
            for (const std::string& note : reply.notes)
                Log(session.Label() + note);
            if (!SendReply(session, reply) || reply.endSession) {
                open = false;
                break;
            }
        }
    }
    if (assembler.Pending() != 0)
        Log(session.Label() + "dropped " + std::to_string(assembler.Pending()) + " bytes of an incomplete request");
    // Counted before the client can see the close, so a client that saw it finds the count updated.
    {
        std::lock_guard lock(mutex);
        ++closed[static_cast<int>(session.port)];
    }
    changed.notify_all();
    Log(session.Label() + "closed");
    shutdown(session.fd, SHUT_RDWR);
    session.done = true;
}

bool ExchangeSim::IsLastRequest(Session& session, const Request& request)
{
    {
        std::lock_guard lock(mutex);
        ++session.requestsReceived;
        if (!faults.closeAfterRequests || session.requestsReceived < *faults.closeAfterRequests)
            return false;
        received[0].push_back(request);
    }
    changed.notify_all();
    return true;
}

ExchangeSim::Reply ExchangeSim::HandleProgramming(Session& session, const Request& request)
{
    Reply reply;
    {
        std::lock_guard lock(mutex);
        reply.faults = faults;
        const Faults& f = faults;
        const bool needsAccess = request.command == CMD_READ_TABLE || request.command == CMD_READ_RECORD ||
                                 request.command == CMD_WRITE_RECORD || request.command == CMD_DELETE_RECORD;
        if (needsAccess && !session.granted) {
            reply.frames.push_back(BuildReply(0, ST_IGNORED));
            reply.notes.push_back("ignored: no programming access on this connection");
        } else {
            switch (request.command) {
            case CMD_REQUEST_ACCESS:
                session.granted = !f.refuseAccess.has_value();
                reply.frames.push_back(BuildReply(0, f.refuseAccess.value_or(ST_GRANTED)));
                break;
            case CMD_RELEASE:
                reply.endSession = true;
                break;
            case CMD_POLL:
                if (f.dropPolls != 0 && pollCount % f.dropPolls == 0)
                    reply.notes.push_back("poll left unanswered");
                else
                    reply.frames.push_back(BuildReply(0, ST_POLL_ANSWER));
                ++pollCount;
                break;
            case CMD_READ_TABLE: {
                std::map<std::uint16_t, std::string> records;
                if (const auto t = tables.find(request.table); t != tables.end())
                    records = t->second;
                if (request.table == TBL_VERSION && f.versionText)
                    records[VERSION_INDEX] = *f.versionText + '\0';
                if (f.oversize) {
                    faults.oversize = false;
                    reply.frames.push_back(
                        BuildReply(OVERSIZE_INDEX, request.table, std::string(OVERSIZE_DATA_LENGTH, 'X')));
                    reply.notes.push_back("oversize frame first (" + std::to_string(OVERSIZE_DATA_LENGTH) +
                                          " data bytes)");
                }
                // After K data frames nothing more, not even ST_DONE; a table with fewer records is read whole.
                const bool silent = f.silenceAfter && records.size() >= *f.silenceAfter;
                const std::size_t count = silent ? *f.silenceAfter : records.size();
                auto record = records.begin();
                for (std::size_t i = 0; i < count; ++i, ++record)
                    reply.frames.push_back(BuildReply(record->first, request.table, record->second));
                if (silent)
                    reply.notes.push_back("silent after " + std::to_string(count) + " data frames");
                else
                    reply.frames.push_back(BuildReply(0, ST_DONE));
                break;
            }
            case CMD_READ_RECORD: {
                std::optional<std::string> data;
                if (request.table == TBL_VERSION && request.index == VERSION_INDEX && f.versionText) {
                    data = *f.versionText + '\0';
                } else if (const auto t = tables.find(request.table); t != tables.end()) {
                    if (const auto r = t->second.find(request.index); r != t->second.end())
                        data = r->second;
                }
                if (data)
                    reply.frames.push_back(BuildReply(request.index, request.table, *data));
                reply.frames.push_back(BuildReply(0, ST_DONE));
                break;
            }
            case CMD_WRITE_RECORD:
                tables[request.table][request.index] = request.payload;
                ChangedLocked();
                break;
            case CMD_DELETE_RECORD:
                if (const auto t = tables.find(request.table); t != tables.end() && t->second.erase(request.index)) {
                    if (t->second.empty())
                        tables.erase(t);
                    ChangedLocked();
                }
                break;
            default:
                reply.frames.push_back(BuildReply(0, ST_IGNORED));
                break;
            }
        }
        reply.delayMs = f.replyDelayMs;
        received[0].push_back(request);
    }
    changed.notify_all();
    return reply;
}

ExchangeSim::Reply ExchangeSim::HandlePppoe(const Request& request)
{
    Reply reply;
    {
        std::lock_guard lock(mutex);
        reply.faults = faults;
        switch (request.command) {
        case CMD_DIAL:
            if (faults.dialAnswer) {
                reply.frames.push_back(BuildDialResult(faults.dialResult));
                reply.delayMs = faults.dialDelayMs;
            } else {
                reply.notes.push_back("dial left unanswered");
            }
            break;
        case CMD_RELEASE:
            reply.endSession = true;
            break;
        default:
            reply.frames.push_back(BuildReply(0, ST_IGNORED));
            break;
        }
        received[1].push_back(request);
    }
    changed.notify_all();
    return reply;
}

bool ExchangeSim::SendReply(Session& session, const Reply& reply)
{
    if (reply.frames.empty())
        return true;
    if (!Sleep(reply.delayMs))
        return false;
    if (const auto cut = reply.faults.cutFirstFrameAfter; cut && session.port == Port::Programming) {
        const Bytes& first = reply.frames.front();
        const Bytes part(first.begin(), first.begin() + std::ptrdiff_t(std::min<std::size_t>(*cut, first.size())));
        Log(session.Label() + "-> " + std::to_string(part.size()) + " bytes of " + DescribeFrames({first}) +
            ", then nothing more for this request");
        return (!reply.faults.noise || SendBytes(session, NOISE_BYTES, sizeof NOISE_BYTES, reply.faults)) &&
               SendBytes(session, part.data(), part.size(), reply.faults);
    }
    Log(session.Label() + "-> " + DescribeFrames(reply.frames));
    for (const Bytes& frame : reply.frames) {
        if (!SendFrame(session, frame, reply.faults))
            return false;
    }
    return true;
}

bool ExchangeSim::SendFrame(Session& session, const Bytes& frame, const Faults& f)
{
    if (f.noise && !SendBytes(session, NOISE_BYTES, sizeof NOISE_BYTES, f))
        return false;
    if (!SendBytes(session, frame.data(), frame.size(), f))
        return false;
    ++session.framesSent;
    if (f.closeAfter && session.framesSent >= *f.closeAfter) {
        Log(session.Label() + "closing after " + std::to_string(session.framesSent) + " frames");
        return false;
    }
    return true;
}

bool ExchangeSim::SendBytes(Session& session, const std::uint8_t* data, std::size_t size, const Faults& f)
{
    const std::size_t step = f.splitBytes ? 1 : size;
    std::size_t at = 0;
    while (at < size) {
        const ssize_t sent = send(session.fd, data + at, std::min(step, size - at), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        at += static_cast<std::size_t>(sent);
        if (f.splitBytes && !Sleep(f.splitPauseMs))
            return false;
    }
    return true;
}

} // namespace exsim
