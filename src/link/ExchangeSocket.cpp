// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ExchangeSocket.h"

#include "link/FrameAssembler.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace tobrisk {

namespace {

constexpr size_t RECEIVE_BUFFER_SIZE = 4096;

// Waits until a non-blocking connect has finished or the time is up. On the user-interface thread a
// nested loop keeps the windows painted meanwhile; input waits until the attempt is over.
bool WaitConnected(int fd, int timeoutMs)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() == application->thread()) {
        QEventLoop loop;
        QSocketNotifier writable(qintptr(fd), QSocketNotifier::Write);
        bool connected = false;
        QObject::connect(&writable, &QSocketNotifier::activated, &loop, [&] {
            connected = true;
            loop.quit();
        });
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        return connected;
    }
    pollfd pending{fd, POLLOUT, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const int ready = ::poll(&pending, 1, int(std::max<int64_t>(0, left.count())));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

// A connect bounded in time: the system's own limit can be minutes, and the user is kept waiting.
bool Connect(int fd, const sockaddr_in& address, int timeoutMs)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    if (errno != EINPROGRESS && errno != EINTR)
        return false;
    if (!WaitConnected(fd, timeoutMs)) {
        errno = ETIMEDOUT;
        return false;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) < 0)
        return false;
    errno = error;
    return error == 0;
}

} // namespace

// The receiving half of an open socket, living on its owner's thread. Whatever the thread's event loop
// does, a nested wait included, it serves the socket: the notifier reads, the timer expires the reply
// timeout, and both hand what they found to the owner at once.
class ExchangeSocket::Reader : public std::enable_shared_from_this<Reader> {
public:
    Reader(int fd, QObject* owner, QEvent::Type dataMessage, QEvent::Type timeoutMessage)
        : fd_(fd), owner_(owner), dataMessage_(dataMessage), timeoutMessage_(timeoutMessage),
          readable_(qintptr(fd), QSocketNotifier::Read)
    {
        reply_.setSingleShot(true);
        // The wait for the reply allows for the socket's timeout with little to spare.
        reply_.setTimerType(Qt::PreciseTimer);
        resume_.setSingleShot(true);
        resume_.setInterval(0);
    }

    ~Reader() { Stop(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Separate from the constructor, which cannot hand out shared_from_this().
    void Start()
    {
        // Every entry keeps the reader alive to its end: a handler may close the socket and drop it.
        const std::weak_ptr<Reader> self = weak_from_this();
        const auto run = [self](void (Reader::*step)()) {
            return [self, step] {
                if (const std::shared_ptr<Reader> reader = self.lock())
                    (reader.get()->*step)();
            };
        };
        QObject::connect(&readable_, &QSocketNotifier::activated, &readable_, run(&Reader::Read));
        QObject::connect(&reply_, &QTimer::timeout, &reply_, run(&Reader::Expire));
        QObject::connect(&resume_, &QTimer::timeout, &resume_, run(&Reader::Deliver));
    }

    int Fd() const { return fd_; }
    void ExpectStream(bool expected) { streaming_ = expected; }

    void Arm(uint32_t timeoutMs)
    {
        // An expiry not yet handled belongs to the request before: it comes first, and the partial frame
        // of the reply given up must not be taken for the start of the next one.
        if (reply_.isActive() && reply_.remainingTime() == 0) {
            reply_.stop();
            LoseFrame();
            resume_.start();
        }
        // Past the end of the stream no reply can come: the wait ends as on a timeout without sitting out
        // its bound.
        reply_.start(ended_ ? 0 : int(timeoutMs));
    }

    // Nothing more reaches the owner, and the peer sees the connection end.
    void Stop()
    {
        if (fd_ < 0)
            return;
        readable_.setEnabled(false);
        reply_.stop();
        resume_.stop();
        pending_.clear();
        ::close(fd_);
        fd_ = -1;
    }

private:
    // A frame, or the expiry of the reply timeout when empty: no frame is shorter than its header.
    using Arrival = std::vector<uint8_t>;

    void Read()
    {
        // What an interrupted delivery still holds came first.
        Deliver();
        const auto sliceEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(STREAM_SLICE_MS);
        int flags = MSG_DONTWAIT;
        while (fd_ >= 0) {
            const ssize_t received = ::recv(fd_, buffer_.data(), buffer_.size(), flags);
            if (received > 0) {
                bool framed = false;
                assembler_.Feed(std::span<const uint8_t>(buffer_.data(), size_t(received)),
                                [&](std::span<const uint8_t> frame) {
                                    framed = true;
                                    if (owner_)
                                        Queue(frame);
                                });
                // Only a whole frame answers a request. Noise, or a reply that stops inside its first frame,
                // must leave the timeout running, or the wait for that reply would never end.
                if (framed) {
                    reply_.stop();
                    Deliver();
                }
            } else if (received == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                // At the end of the stream, or after a hard error, the socket stays readable for ever.
                ended_ = true;
                readable_.setEnabled(false);
                if (reply_.isActive())
                    reply_.start(0);
                return;
            } else if (errno != EINTR) {
                // Nothing more for now, or a stream that paused: the event loop takes over.
                return;
            }
            if (!streaming_ || std::chrono::steady_clock::now() >= sliceEnd)
                return;
            // The socket's receive timeout bounds this wait by the stream's pause.
            flags = 0;
        }
    }

    void Expire()
    {
        LoseFrame();
        Deliver();
    }

    void LoseFrame()
    {
        assembler_.Reset();
        if (owner_)
            Queue({});
    }

    // Arrivals reuse the storage of those handed on before: a long read allocates nothing per frame.
    void Queue(std::span<const uint8_t> frame)
    {
        if (spare_.empty()) {
            pending_.emplace_back(frame.begin(), frame.end());
            return;
        }
        pending_.push_back(std::move(spare_.back()));
        spare_.pop_back();
        pending_.back().assign(frame.begin(), frame.end());
    }

    // Hands on the waiting arrivals, oldest first. A handler that runs a nested event loop sees the
    // arrivals after its own in that loop, through whatever ends up here first: a new read, an expiry,
    // or the resumption that stands ready while arrivals wait behind the one being handled.
    void Deliver()
    {
        while (!pending_.empty()) {
            if (!owner_) {
                pending_.clear();
                break;
            }
            Arrival arrival = std::move(pending_.front());
            pending_.pop_front();
            if (!pending_.empty() && !resume_.isActive())
                resume_.start();
            const QEvent::Type type = arrival.empty() ? timeoutMessage_ : dataMessage_;
            // The arrival stays on this stack frame, unchanged, until the handler has returned.
            SocketEvent event(type, arrival, SocketEvent::Borrowed{});
            QCoreApplication::sendEvent(owner_, &event);
            arrival.clear();
            spare_.push_back(std::move(arrival));
        }
        // Nothing left for a nested loop to resume: no event loop must wake for it.
        resume_.stop();
    }

    int fd_;
    // An owner may go before its socket (a dialog closing while the PPPoE link stays up): from then on
    // the frames have nowhere to go and are dropped.
    QPointer<QObject> owner_;
    QEvent::Type dataMessage_;
    QEvent::Type timeoutMessage_;
    QSocketNotifier readable_;
    QTimer reply_;
    QTimer resume_;
    bool ended_ = false;
    bool streaming_ = false;
    FrameAssembler assembler_;
    std::array<uint8_t, RECEIVE_BUFFER_SIZE> buffer_{};
    std::deque<Arrival> pending_;
    std::vector<Arrival> spare_;
};

ExchangeSocket::ExchangeSocket(int framing, int connectTimeoutMs)
    : framing_(framing), connectTimeoutMs_(connectTimeoutMs)
{
}

ExchangeSocket::~ExchangeSocket()
{
    Close();
}

int ExchangeSocket::Open(QObject* owner, uint32_t peerAddress, uint16_t port, QEvent::Type dataMessage,
                         QEvent::Type timeoutMessage)
{
    if (link_)
        return 0;
    peerAddress_ = peerAddress;

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        lastError_ = errno;
        return ERR_SOCKET_OPEN;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(peerAddress);
    if (!Connect(fd, address, connectTimeoutMs_)) {
        lastError_ = errno;
        ::close(fd);
        return ERR_SOCKET_CONNECT;
    }
    // Reads and sends from the event loop never block (MSG_DONTWAIT); only the wait for a stream's next
    // bytes does, bounded by the receive timeout.
    const timeval streamPause{0, STREAM_PAUSE_MS * 1000};
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &streamPause, sizeof streamPause) < 0) {
        lastError_ = errno;
        ::close(fd);
        return ERR_SOCKET_CONNECT;
    }
    link_ = std::make_shared<Reader>(fd, owner, dataMessage, timeoutMessage);
    link_->Start();
    return 0;
}

void ExchangeSocket::Close()
{
    if (!link_)
        return;
    // A delivery under way keeps the reader until it returns, but hands on nothing more.
    link_->Stop();
    link_.reset();
}

void ExchangeSocket::Send(const uint8_t* bytes, int length)
{
    SendWithin(bytes, length, READ_TIMEOUT_MS);
}

void ExchangeSocket::SendWithin(const uint8_t* bytes, int length, uint32_t boundMs)
{
    if (!link_)
        return;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(boundMs);
    while (length > 0) {
        // MSG_NOSIGNAL: a peer that went away must show up as EPIPE here, not as SIGPIPE killing us.
        const ssize_t sent = ::send(link_->Fd(), bytes, size_t(length), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                lastError_ = errno;
                return;
            }
            // A full send buffer is no failure of the link while the exchange still takes bytes. One that has
            // not taken the frame in the time its reply may take has stopped: the link counts as dropped, for
            // the save and the supervision that look at the error, and for the receive side, which the
            // shutdown ends, so that any wait for a reply ends at once. No event loop runs meanwhile: a timer
            // could send a poll into the middle of this frame.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd writable{link_->Fd(), POLLOUT, 0};
            const int ready = ::poll(&writable, 1, int(std::max<int64_t>(0, left.count())));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0) {
                lastError_ = ready == 0 ? ETIMEDOUT : errno;
                ::shutdown(link_->Fd(), SHUT_RDWR);
                return;
            }
            continue;
        }
        bytes += sent;
        length -= int(sent);
    }
}

void ExchangeSocket::SendWithTimeout(const uint8_t* bytes, int length, uint32_t timeoutMs)
{
    if (link_ && timeoutMs > 0)
        link_->Arm(timeoutMs);
    SendWithin(bytes, length, timeoutMs > 0 ? timeoutMs : READ_TIMEOUT_MS);
}

void ExchangeSocket::ExpectStream(bool expected)
{
    if (link_)
        link_->ExpectStream(expected);
}

bool ExchangeSocket::SendDial(std::string_view number)
{
    const std::optional<std::vector<uint8_t>> request = BuildDialRequest(number);
    if (!link_ || !request)
        return false;
    SendWithTimeout(request->data(), int(request->size()), DIAL_TIMEOUT_MS);
    return true;
}

void ExchangeSocket::SendRelease()
{
    const std::vector<uint8_t> request = BuildReleaseRequest();
    SendWithTimeout(request.data(), int(request.size()), RELEASE_TIMEOUT_MS);
}

} // namespace tobrisk
