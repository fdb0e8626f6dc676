// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ExchangeSocket.h"

#include "link/FrameAssembler.h"
#include "link/Protocol.h"
#include "link/SocketEvents.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace tobrisk {

namespace {

constexpr size_t RECEIVE_BUFFER_SIZE = 4096;
constexpr auto CLOSE_WAIT = std::chrono::milliseconds(3000);

void Signal(int eventFd)
{
    const uint64_t one = 1;
    while (::write(eventFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void Drain(int eventFd)
{
    uint64_t count;
    while (::read(eventFd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

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

QEvent::Type WakeType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

} // namespace

// What the receive thread uses. The thread holds its own reference, so even a thread that outlived
// Close() could touch nothing freed; the descriptors close with the last reference.
struct ExchangeSocket::SharedLink {
    int socketFd = -1;
    int stopFd = -1;
    int armFd = -1;
    QEvent::Type dataMessage = kFrameEvent;
    QEvent::Type timeoutMessage = kTimeoutEvent;
    // When the armed reply timeout expires, counted from the arming on the sender's side, so that a
    // receive thread slow to wake cannot let it run later than a wait that started after the send.
    // Written before the arm event is signalled, read after the thread sees it.
    std::atomic<std::chrono::steady_clock::rep> replyDeadline{0};

    // Guards everything below. owner is cleared by Close() or when the owner is destroyed.
    std::mutex mutex;
    std::condition_variable endedChanged;
    QObject* owner = nullptr;
    bool ended = false;
    // Events on their way to the owner, oldest first, and whether a wake-up for them is already posted.
    std::deque<std::unique_ptr<SocketEvent>> pending;
    bool wakePosted = false;

    ~SharedLink()
    {
        for (const int fd : {socketFd, stopFd, armFd}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    // Called by the receive thread. Posting every frame on its own would wake the user-interface thread
    // once per frame; instead the events queue here and one posted wake-up hands on all that are
    // waiting when it is handled.
    void Post(std::vector<std::unique_ptr<SocketEvent>>& events);
    void PostWakeLocked();
};

// Handed to the owner's thread inside a posted wake-up; names the link, since several sockets may
// share an owner.
class WakeEvent : public QEvent {
public:
    explicit WakeEvent(const void* source) : QEvent(WakeType()), link(source) {}
    const void* const link;
};

void ExchangeSocket::SharedLink::PostWakeLocked()
{
    if (wakePosted || !owner)
        return;
    wakePosted = true;
    QCoreApplication::postEvent(owner, new WakeEvent(this));
}

void ExchangeSocket::SharedLink::Post(std::vector<std::unique_ptr<SocketEvent>>& events)
{
    const std::lock_guard lock(mutex);
    if (owner) {
        for (auto& event : events)
            pending.push_back(std::move(event));
        PostWakeLocked();
    }
    events.clear();
}

// Watches the owner's events on the user-interface thread and turns a wake-up of its link into the
// waiting events, each sent to the owner on its own, in order.
class ExchangeSocket::Relay : public QObject {
public:
    explicit Relay(std::shared_ptr<SharedLink> link) : link_(std::move(link)) {}

    // A handler that runs a nested event loop must still see the events after its own, which the
    // interrupted delivery below would only hand on once the handler returns. The loop gets a wake-up of
    // its own for them as soon as it would wait; a wake-up per delivered frame would cost what batching saves.
    void OnAboutToBlock()
    {
        const std::lock_guard lock(link_->mutex);
        if (!link_->pending.empty())
            link_->PostWakeLocked();
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != WakeType() || static_cast<WakeEvent*>(event)->link != link_.get())
            return false;
        // A handler may close the socket and so delete this relay: from here on only the link is used.
        const std::shared_ptr<SharedLink> link = link_;
        // Only what is waiting now: what arrives meanwhile comes with a wake-up of its own, so a fast
        // stream cannot keep the thread from its other events.
        size_t count;
        {
            const std::lock_guard lock(link->mutex);
            link->wakePosted = false;
            count = link->pending.size();
        }
        for (; count > 0; --count) {
            std::unique_ptr<SocketEvent> next;
            QObject* owner;
            {
                const std::lock_guard lock(link->mutex);
                if (link->pending.empty() || !link->owner)
                    break;
                next = std::move(link->pending.front());
                link->pending.pop_front();
                owner = link->owner;
            }
            QCoreApplication::sendEvent(owner, next.get());
        }
        return true;
    }

private:
    std::shared_ptr<SharedLink> link_;
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

    auto link = std::make_shared<SharedLink>();
    link->socketFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (link->socketFd < 0) {
        lastError_ = errno;
        return ERR_SOCKET_OPEN;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(peerAddress);
    if (!Connect(link->socketFd, address, connectTimeoutMs_)) {
        lastError_ = errno;
        return ERR_SOCKET_CONNECT;
    }

    link->stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    link->armFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const int flags = ::fcntl(link->socketFd, F_GETFL);
    if (link->stopFd < 0 || link->armFd < 0 || flags < 0 || ::fcntl(link->socketFd, F_SETFL, flags | O_NONBLOCK) < 0) {
        lastError_ = errno;
        return ERR_EVENT_SELECT;
    }
    link->dataMessage = dataMessage;
    link->timeoutMessage = timeoutMessage;
    link->owner = owner;
    if (owner) {
        relay_ = std::make_unique<Relay>(link);
        relay_->moveToThread(owner->thread());
        owner->installEventFilter(relay_.get());
        if (const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(owner->thread()))
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, relay_.get(), &Relay::OnAboutToBlock);
    }

    try {
        thread_ = std::thread(&ExchangeSocket::Receive, link);
    } catch (const std::system_error& error) {
        lastError_ = error.code().value();
        relay_.reset();
        return ERR_THREAD;
    }
    link_ = std::move(link);
    // An owner may go before its socket (a dialog closing while the PPPoE link stays up): from then
    // on the thread's frames have nowhere to go and are dropped.
    if (owner) {
        ownerWatch_ = QObject::connect(owner, &QObject::destroyed, [link = link_] {
            const std::lock_guard lock(link->mutex);
            link->owner = nullptr;
            link->pending.clear();
        });
    }
    return 0;
}

void ExchangeSocket::Close()
{
    if (!link_)
        return;
    QObject::disconnect(ownerWatch_);
    {
        const std::lock_guard lock(link_->mutex);
        if (link_->owner && relay_)
            link_->owner->removeEventFilter(relay_.get());
        link_->owner = nullptr;
        // What the owner has not seen yet belongs to a connection that is gone.
        link_->pending.clear();
    }
    relay_.reset();
    Signal(link_->stopFd);
    bool ended;
    {
        std::unique_lock lock(link_->mutex);
        ended = link_->endedChanged.wait_for(lock, CLOSE_WAIT, [this] { return link_->ended; });
    }
    if (ended) {
        thread_.join();
    } else {
        // The thread owns its share of the link and can no longer post; end the connection now and
        // let the thread release the descriptor when it finally returns.
        ::shutdown(link_->socketFd, SHUT_RDWR);
        thread_.detach();
    }
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
        const ssize_t sent = ::send(link_->socketFd, bytes, size_t(length), MSG_NOSIGNAL);
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
            pollfd writable{link_->socketFd, POLLOUT, 0};
            const int ready = ::poll(&writable, 1, int(std::max<int64_t>(0, left.count())));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0) {
                lastError_ = ready == 0 ? ETIMEDOUT : errno;
                ::shutdown(link_->socketFd, SHUT_RDWR);
                return;
            }
            continue;
        }
        bytes += sent;
        length -= int(sent);
    }
}

void ExchangeSocket::Arm(uint32_t timeoutMs)
{
    if (!link_ || timeoutMs == 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    link_->replyDeadline.store(deadline.time_since_epoch().count());
    Signal(link_->armFd);
}

void ExchangeSocket::SendWithTimeout(const uint8_t* bytes, int length, uint32_t timeoutMs)
{
    Arm(timeoutMs);
    SendWithin(bytes, length, timeoutMs > 0 ? timeoutMs : READ_TIMEOUT_MS);
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

void ExchangeSocket::Receive(std::shared_ptr<SharedLink> link)
{
    using Clock = std::chrono::steady_clock;
    const auto receiveBuffer = std::make_unique<uint8_t[]>(RECEIVE_BUFFER_SIZE);
    const auto assembler = std::make_unique<FrameAssembler>();
    // The frames of one read, handed on together.
    std::vector<std::unique_ptr<SocketEvent>> completed;
    bool armed = false;
    Clock::time_point deadline;
    // At end of stream or after a hard error the socket stays readable forever; it is then no longer
    // watched, so the thread does not spin. No reply can come any more, so a reply timeout, armed then
    // or later, expires at once: every wait ends as on a timeout without sitting out its bound.
    bool watchSocket = true;

    for (;;) {
        pollfd watched[] = {
            {link->stopFd, POLLIN, 0}, {link->armFd, POLLIN, 0}, {watchSocket ? link->socketFd : -1, POLLIN, 0}};
        int waitMs = -1;
        if (armed) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            waitMs = int(std::max<int64_t>(0, left.count()));
        }
        const int ready = ::poll(watched, 3, waitMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        // An expiry comes before an arming seen in the same wake-up, so the partial frame of the reply
        // given up is not taken for the start of the next one.
        if (armed && Clock::now() >= deadline) {
            armed = false;
            assembler->Reset();
            completed.push_back(std::make_unique<SocketEvent>(link->timeoutMessage));
            link->Post(completed);
        }
        if (ready == 0)
            continue;
        if (watched[0].revents != 0)
            break;
        // Arming comes before the data of the same wake-up: the request was sent after the arm, so any
        // reply to it is newer than the arm and must disarm it.
        if (watched[1].revents != 0) {
            Drain(link->armFd);
            armed = true;
            deadline = watchSocket ? Clock::time_point(Clock::duration(link->replyDeadline.load())) : Clock::now();
        }
        if (watched[2].revents != 0) {
            const ssize_t received = ::recv(link->socketFd, receiveBuffer.get(), RECEIVE_BUFFER_SIZE, 0);
            if (received > 0) {
                assembler->Feed(std::span<const uint8_t>(receiveBuffer.get(), size_t(received)),
                                [&](std::span<const uint8_t> frame) {
                                    completed.push_back(std::make_unique<SocketEvent>(
                                        link->dataMessage, std::vector<uint8_t>(frame.begin(), frame.end())));
                                });
                // Only a whole frame answers a request. Noise, or a reply that stops inside its first
                // frame, must leave the timeout running, or the wait for that reply would never end.
                if (!completed.empty()) {
                    armed = false;
                    link->Post(completed);
                }
            } else if (received == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                watchSocket = false;
                deadline = Clock::now();
            }
        }
    }

    const std::lock_guard lock(link->mutex);
    link->ended = true;
    link->endedChanged.notify_all();
}

} // namespace tobrisk
