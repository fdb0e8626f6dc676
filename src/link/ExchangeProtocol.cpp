// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ExchangeProtocol.h"

#include "link/ExchangeLimits.h"
#include "link/Protocol.h"
#include "link/RecordFormats.h"
#include "link/SocketEvents.h"
#include "platform/WaitCursor.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace tobrisk {

namespace {

constexpr uint32_t SILENCE_GRACE_MS = 20;
// A request's own bound waits this much longer than the socket's timeout for it, so that on a busy
// machine the socket still ends the wait first and drops a partial frame, which would otherwise glue
// onto the next reply.
constexpr uint32_t REPLY_BOUND_GRACE_MS = 1000;

} // namespace

struct ExchangeProtocol::RunningWait {
    RunningWait(const std::function<bool()>& finishedTest, uint32_t silenceLimitMs, bool streamed)
        : finished(finishedTest), stream(streamed),
          silenceLimit(silenceLimitMs > 0 ? std::chrono::milliseconds(silenceLimitMs + SILENCE_GRACE_MS)
                                          : std::chrono::milliseconds::zero())
    {
        silence.setSingleShot(true);
        // Never before the socket's own timeout for the same request, which also drops a partial frame.
        silence.setTimerType(Qt::PreciseTimer);
    }

    // Restarting the timer for every frame of a long read would cost more than the frame's own handling:
    // a frame only moves the point the silence counts from, and an expiry before it is due re-arms.
    // True when the silence is over; otherwise the timer is re-armed for what is left of it.
    bool SilenceOver()
    {
        const auto due = lastFrame + silenceLimit;
        const auto now = std::chrono::steady_clock::now();
        if (now >= due)
            return true;
        silence.start(int(std::chrono::ceil<std::chrono::milliseconds>(due - now).count()));
        return false;
    }

    QEventLoop loop;
    const std::function<bool()>& finished;
    const bool stream;
    std::optional<WaitEnd> end;
    // Bounds the time from the request, and then from each frame, to the next frame: a reply that never
    // completes a frame, or stops between frames, ends the wait whatever the socket's timeout did.
    const std::chrono::milliseconds silenceLimit;
    std::chrono::steady_clock::time_point lastFrame;
    QTimer silence;
};

ExchangeProtocol::ExchangeProtocol(std::unique_ptr<ExchangeSocket>& programmingSocket, ConfigurationMemory& memory,
                                   WaitCursor& waitCursor)
    : socket_(programmingSocket), memory_(memory), waitCursor_(waitCursor)
{
}

bool ExchangeProtocol::HandleEvent(QEvent* event)
{
    if (event->type() == kFrameEvent) {
        if (const auto* data = dynamic_cast<const SocketEvent*>(event))
            OnFrame(*data);
        return true;
    }
    if (event->type() == kTimeoutEvent) {
        OnTimeout();
        return true;
    }
    return false;
}

void ExchangeProtocol::OnFrame(const SocketEvent& frame)
{
    if (!waits_.empty())
        DispatchReply(frame.Frame().data(), frame.Frame().size());
}

void ExchangeProtocol::OnTimeout()
{
    // The socket has one reply timeout, armed by the latest request: the innermost wait's.
    if (!waits_.empty())
        End(*waits_.back(), WaitEnd::TimedOut);
}

void ExchangeProtocol::DispatchReply(const uint8_t* frame, size_t length)
{
    if (length < REPLY_HEADER_SIZE)
        return;
    const size_t dataLength = GetBigEndian16(&frame[1]);
    // The record's own length field (data + 4) would wrap for the longest frames; such a frame is refused
    // whole rather than stored as a record that reads back as one of some 2^64 bytes.
    if (REPLY_HEADER_SIZE + dataLength > length || dataLength > RecordBlock::MAX_DATA_LENGTH)
        return;
    const uint16_t index = GetBigEndian16(&frame[3]);
    const uint16_t status = GetBigEndian16(&frame[5]);

    if (status == ST_DONE) {
        state_.waitDone = true;
    } else if (status == ST_POLL_ANSWER) {
        state_.pollAnswered = true;
    } else if (status == ST_GRANTED) {
        state_.accessState = ACCESS_GRANTED;
        state_.waitDone = true;
    } else if (IsRefusal(status)) {
        state_.accessState = ACCESS_REFUSED;
        state_.waitDone = true;
    } else if (status != ST_IGNORED) {
        memory_.Store(RecordBlock({index, status}, &frame[REPLY_HEADER_SIZE], dataLength));
    }

    // A frame taken in by an inner wait may be what an outer one waits for: each learns it now, and the
    // outer returns as soon as the inner has.
    for (RunningWait* wait : waits_) {
        if (wait->end)
            continue;
        if (wait->silenceLimit.count() > 0)
            wait->lastFrame = std::chrono::steady_clock::now();
        if (wait->finished())
            End(*wait, WaitEnd::Finished);
    }
}

ExchangeProtocol::WaitEnd ExchangeProtocol::WaitUntil(const std::function<bool()>& finished)
{
    return Wait(finished, 0);
}

ExchangeProtocol::WaitEnd ExchangeProtocol::WaitUntil(const std::function<bool()>& finished, uint32_t timeoutMs)
{
    return Wait(finished, timeoutMs);
}

ExchangeProtocol::WaitEnd ExchangeProtocol::Wait(const std::function<bool()>& finished, uint32_t silenceLimitMs,
                                                 bool stream)
{
    // Without a socket neither a frame nor a timeout can come.
    if (!socket_)
        return WaitEnd::Aborted;
    if (finished())
        return WaitEnd::Finished;

    RunningWait wait(finished, silenceLimitMs, stream);
    QObject::connect(&wait.silence, &QTimer::timeout, &wait.silence, [this, &wait] {
        if (wait.SilenceOver())
            End(wait, WaitEnd::TimedOut);
    });
    waits_.push_back(&wait);
    if (stream)
        socket_->ExpectStream(true);
    if (silenceLimitMs > 0) {
        wait.lastFrame = std::chrono::steady_clock::now();
        wait.silence.start(int(wait.silenceLimit.count()));
    }
    wait.loop.exec();
    waits_.erase(std::find(waits_.begin(), waits_.end(), &wait));
    // A loop stopped from outside ended no wait.
    if (stream && !wait.end && socket_)
        socket_->ExpectStream(false);
    // No reason means the application is quitting and stopped every loop.
    return wait.end.value_or(WaitEnd::Aborted);
}

void ExchangeProtocol::AbortWaits()
{
    for (RunningWait* wait : waits_)
        End(*wait, WaitEnd::Aborted);
}

void ExchangeProtocol::End(RunningWait& wait, WaitEnd end)
{
    if (wait.end)
        return;
    wait.end = end;
    wait.silence.stop();
    // At once, not when the loop returns: the socket would otherwise wait on for frames that never come.
    if (wait.stream && socket_)
        socket_->ExpectStream(false);
    wait.loop.exit();
}

void ExchangeProtocol::Send(const std::vector<uint8_t>& request, uint32_t timeoutMs)
{
    if (socket_)
        socket_->SendWithTimeout(request.data(), int(request.size()), timeoutMs);
}

Result ExchangeProtocol::RequestAccess()
{
    state_.accessState = ACCESS_WAITING;
    const bool linked = socket_ != nullptr;
    Send(BuildRequest(CMD_REQUEST_ACCESS), ACCESS_TIMEOUT_MS);
    const WaitEnd end =
        Wait([this] { return state_.accessState != ACCESS_WAITING; }, ACCESS_TIMEOUT_MS + REPLY_BOUND_GRACE_MS);
    if (state_.accessState == ACCESS_GRANTED)
        return Result::Success();
    // A link closed while the exchange was asked was given up on purpose: the exchange refused nothing.
    if (linked && end == WaitEnd::Aborted)
        return Result::Failure(ERR_LINK_CLOSED, QString());
    return Result::Failure(ERR_ACCESS_REFUSED, QStringLiteral("Opzione non abilitata sul sistema!"));
}

ExchangeProtocol::WaitEnd ExchangeProtocol::Poll(uint32_t timeoutMs)
{
    state_.pollAnswered = false;
    if (!socket_)
        return WaitEnd::Aborted;
    Send(PollRequest(), timeoutMs);
    // Frames of a table read running at the same time disarm the socket's timeout; the wait's own bound
    // still ends it.
    return Wait([this] { return state_.pollAnswered; }, timeoutMs + REPLY_BOUND_GRACE_MS);
}

bool ExchangeProtocol::AwaitReply(uint16_t command, uint16_t index, uint16_t table)
{
    state_.waitDone = false;
    if (!socket_)
        return false;
    Send(BuildRequest(command, index, table), READ_TIMEOUT_MS);
    const WaitCursorScope cursor(waitCursor_);
    return Wait([this] { return state_.waitDone; }, READ_TIMEOUT_MS + REPLY_BOUND_GRACE_MS,
                command == CMD_READ_TABLE) == WaitEnd::Finished;
}

bool ExchangeProtocol::ReadTable(uint16_t table)
{
    return AwaitReply(CMD_READ_TABLE, ALL_RECORDS, table);
}

std::optional<std::span<const uint8_t>> ExchangeProtocol::ReadRecord(uint16_t table, uint16_t index)
{
    // A stale copy must not pass for the exchange's answer.
    const RecordKey key{index, table};
    memory_.Remove(key);
    if (!AwaitReply(CMD_READ_RECORD, index, table))
        return std::nullopt;
    if (const RecordBlock* record = memory_.Find(key))
        return record->Data();
    return std::nullopt;
}

bool ExchangeProtocol::LinkUp() const
{
    return socket_ && socket_->LastError() == 0;
}

bool ExchangeProtocol::WriteRecord(uint16_t table, uint16_t index, const uint8_t* data, size_t length)
{
    if (length > RecordBlock::MAX_DATA_LENGTH)
        return LinkUp();
    memory_.Store(RecordBlock({index, table}, data, length));
    Send(BuildRequest(CMD_WRITE_RECORD, index, table, {data, length}));
    return LinkUp();
}

bool ExchangeProtocol::DeleteRecord(uint16_t table, uint16_t index)
{
    if (memory_.Remove({index, table}))
        Send(BuildRequest(CMD_DELETE_RECORD, index, table));
    return LinkUp();
}

bool ExchangeProtocol::WriteDirectoryRecord(uint16_t shortNumber, const std::string& name,
                                            const std::string& phoneNumber, uint16_t lineSeizure)
{
    const std::vector<uint8_t> record = tobrisk::DirectoryRecord(name, phoneNumber, lineSeizure);
    return WriteRecord(TBL_DIRECTORY, shortNumber, record.data(), record.size());
}

bool ExchangeProtocol::DeleteDirectoryRecord(uint16_t shortNumber)
{
    return DeleteRecord(TBL_DIRECTORY, shortNumber);
}

bool ExchangeProtocol::WriteDigitsRecord(uint8_t digits)
{
    const std::vector<uint8_t> record = DigitsRecord(digits);
    return WriteRecord(TBL_DIGITS, 0, record.data(), record.size());
}

} // namespace tobrisk
