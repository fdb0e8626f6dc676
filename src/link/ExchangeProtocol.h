// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/ConfigurationMemory.h"
#include "link/ExchangeSocket.h"
#include "link/Result.h"

#include <QEvent>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tobrisk {

class SocketEvent;
class WaitCursor;

inline constexpr int ACCESS_WAITING = 0;
inline constexpr int ACCESS_GRANTED = 1;
inline constexpr int ACCESS_REFUSED = 2;

// Failures of the conversation itself.
inline constexpr int ERR_ACCESS_REFUSED = 0x3001;
// The link was closed on purpose while a step waited: nobody is to be told anything.
inline constexpr int ERR_LINK_CLOSED = 0x3002;

// What the replies have said so far; every wait reads it, whichever loop dispatched the frame.
struct ReplyState {
    bool waitDone = false;
    int accessState = ACCESS_WAITING;
    bool pollAnswered = false;
};

// The programming protocol on the thread of the programming socket's owner: requests on that socket, the
// reply dispatcher that fills the configuration memory and the reply state, and the nested waits.
class ExchangeProtocol {
public:
    ExchangeProtocol(std::unique_ptr<ExchangeSocket>& programmingSocket, ConfigurationMemory& memory,
                     WaitCursor& waitCursor);
    ExchangeProtocol(const ExchangeProtocol&) = delete;
    ExchangeProtocol& operator=(const ExchangeProtocol&) = delete;

    // The owner object of the programming socket forwards every event here from its event(); true for
    // kFrameEvent / kTimeoutEvent, which are consumed: dispatched inside a wait, discarded outside one.
    bool HandleEvent(QEvent* event);
    void OnFrame(const SocketEvent& frame);
    void OnTimeout();
    void DispatchReply(const uint8_t* frame, size_t length);

    // A refusal, also for an access not answered in time, is ERR_ACCESS_REFUSED; a wait aborted because
    // the link was closed meanwhile is ERR_LINK_CLOSED, with no text.
    Result RequestAccess();
    // True when an ending status arrived, a refusal included.
    bool ReadTable(uint16_t table);
    // The record's data as now held by the configuration memory; valid until the memory changes.
    std::optional<std::span<const uint8_t>> ReadRecord(uint16_t table, uint16_t index);
    // Nothing acknowledges these: each returns LinkUp() after its send, the only sign of a failed one.
    // Records longer than RecordBlock::MAX_DATA_LENGTH cannot be framed and are neither stored nor sent.
    bool WriteRecord(uint16_t table, uint16_t index, const uint8_t* data, size_t length);
    bool DeleteRecord(uint16_t table, uint16_t index);
    bool WriteDirectoryRecord(uint16_t shortNumber, const std::string& name, const std::string& phoneNumber,
                              uint16_t lineSeizure);
    bool DeleteDirectoryRecord(uint16_t shortNumber);
    bool WriteDigitsRecord(uint8_t digits);
    // False once the socket is gone or has recorded an error: a send failed, or the peer ended the link.
    bool LinkUp() const;

    // Sends nothing itself: runs a nested event loop, blocked until an event arrives, until finished() is
    // true after a dispatched frame, or the timeout event arrives, or AbortWaits().
    enum class WaitEnd { Finished, TimedOut, Aborted };
    WaitEnd WaitUntil(const std::function<bool()>& finished);
    // The same for the reply to a request just sent: also ends TimedOut once timeoutMs pass, from now or
    // from the latest frame, without a frame, so a reply cut short cannot hold the wait.
    WaitEnd WaitUntil(const std::function<bool()>& finished, uint32_t timeoutMs);
    // Polls the exchange and waits for its answer. The exchange takes requests in order, so an answer also
    // tells that everything sent before the poll reached it.
    WaitEnd Poll(uint32_t timeoutMs);
    // The link was closed: every running wait returns Aborted.
    void AbortWaits();
    ReplyState& Replies() { return state_; }

private:
    struct RunningWait;

    // silenceLimitMs > 0 also ends the wait once that long has passed without a frame, counted from the
    // start of the wait (just after the request) and again from each frame.
    // A wait for a stream has the socket read the stream's frames as they come, until the wait ends.
    WaitEnd Wait(const std::function<bool()>& finished, uint32_t silenceLimitMs, bool stream = false);
    bool AwaitReply(uint16_t command, uint16_t index, uint16_t table);
    void Send(const std::vector<uint8_t>& request, uint32_t timeoutMs = 0);
    void End(RunningWait& wait, WaitEnd end);

    std::unique_ptr<ExchangeSocket>& socket_;
    ConfigurationMemory& memory_;
    WaitCursor& waitCursor_;
    ReplyState state_;
    // Running waits, innermost last.
    std::vector<RunningWait*> waits_;
};

} // namespace tobrisk
