// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Faults.h"
#include "Protocol.h"
#include "Tables.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace exsim {

enum class Port { Programming = 0, Pppoe = 1 };

struct StartOptions {
    std::string bindAddress = "127.0.0.1";
    std::uint16_t programmingPort = 0; // 0 picks a free port
    bool pppoeDevice = true;
    std::uint16_t pppoePort = 0;

    bool operator==(const StartOptions&) const = default;
};

// The simulated exchange and PPPoE device. Each port has a listening thread and every accepted
// connection a thread of its own; everything public is safe to call from any thread.
//
// Programming port: CMD_REQUEST_ACCESS is answered ST_GRANTED (or the refusal fault's status).
// Until access is granted on a connection, reads, writes and deletes are answered ST_IGNORED and
// change nothing. CMD_READ_TABLE sends one data frame per record in ascending index order, then
// ST_DONE; CMD_READ_RECORD sends the record if present, then ST_DONE. CMD_WRITE_RECORD and
// CMD_DELETE_RECORD change the tables and are not answered. CMD_POLL is answered ST_POLL_ANSWER,
// with or without access. CMD_RELEASE closes the connection. Any other command gets ST_IGNORED.
// Status frames carry index 0 and no data.
//
// PPPoE port: CMD_DIAL is answered, after the dial delay, by ST_DIAL_RESULT with the result;
// CMD_RELEASE closes the connection; any other command gets ST_IGNORED.
class ExchangeSim {
public:
    using Logger = std::function<void(const std::string& line)>;

    explicit ExchangeSim(Tables tables = DefaultTables());
    ~ExchangeSim();
    ExchangeSim(const ExchangeSim&) = delete;
    ExchangeSim& operator=(const ExchangeSim&) = delete;

    // Opens the ports and starts serving; false with `error` when a port cannot be opened.
    bool Start(const StartOptions& options, std::string& error);
    // Ends every thread and closes every socket; the tables and what was received stay readable.
    void Stop();
    std::uint16_t ProgrammingPort() const { return boundPort[0]; }
    std::uint16_t PppoePort() const { return boundPort[1]; }

    // Receives one line per connection, request, reply and fault; called from the serving threads,
    // never with a lock of the simulator held, except for a failed save. Set it before Start.
    void SetLogger(Logger logger);
    // Every change of the tables is written to this seed file from then on; empty: none.
    void SetSaveFile(std::string path);

    Faults GetFaults() const;
    // Also restarts the poll cycle of dropPolls.
    void SetFaults(const Faults& faults);

    Tables GetTables() const;
    void SetTables(Tables tables);
    std::optional<std::string> Record(std::uint16_t table, std::uint16_t index) const;
    // False when the data does not fit a reply (more than MAX_RECORD_SIZE bytes).
    bool SetRecord(std::uint16_t table, std::uint16_t index, std::string data);
    bool ClearRecord(std::uint16_t table, std::uint16_t index);
    void ClearTable(std::uint16_t table);

    // Every complete request received on the port, in order. A request is listed once its effect on
    // the tables has been applied, before its reply is sent; the one that ends a connection through
    // closeAfterRequests is listed before the connection is closed.
    std::vector<Request> Received(Port port = Port::Programming) const;
    void ClearReceived();
    // Blocks until `count` requests have been received on the port; false on timeout.
    bool WaitForRequests(std::size_t count, int timeoutMs, Port port = Port::Programming) const;

    unsigned ConnectionsAccepted(Port port = Port::Programming) const;
    unsigned ConnectionsClosed(Port port = Port::Programming) const;
    // Blocks until `count` connections of the port have been closed by either side; false on timeout.
    bool WaitForConnectionsClosed(unsigned count, int timeoutMs, Port port = Port::Programming) const;

private:
    struct Session;
    struct Reply;

    void ListenLoop(Port port);
    void ServeSession(Session& session);
    // Counts a request of the programming port; true, with the request listed unapplied, when the
    // close-after-requests fault makes it the session's last.
    bool IsLastRequest(Session& session, const Request& request);
    Reply HandleProgramming(Session& session, const Request& request);
    Reply HandlePppoe(const Request& request);
    bool SendReply(Session& session, const Reply& reply);
    bool SendFrame(Session& session, const Bytes& frame, const Faults& faults);
    bool SendBytes(Session& session, const std::uint8_t* data, std::size_t size, const Faults& faults);
    bool Sleep(unsigned ms) const; // false when stopped meanwhile
    void ReapSessions(bool all);
    void ChangedLocked();
    void Log(const std::string& line) const;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    Tables tables;
    Faults faults;
    unsigned pollCount = 0;
    std::string saveFile;
    Logger logger;
    std::vector<Request> received[2];
    unsigned accepted[2] = {0, 0};
    unsigned closed[2] = {0, 0};

    std::atomic<bool> running{false};
    int stopFd = -1;
    int listenFd[2] = {-1, -1};
    std::uint16_t boundPort[2] = {0, 0};
    std::thread listener[2];
    std::mutex sessionsMutex;
    std::list<std::unique_ptr<Session>> sessions;
};

} // namespace exsim
