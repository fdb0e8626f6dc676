#include "link/PbxSocket.h"

#include "link/FrameAssembler.h"
#include "link/PbxEvents.h"
#include "link/Protocol.h"

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
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr size_t RECEIVE_BUFFER_SIZE = 4096;
constexpr auto CLOSE_WAIT = std::chrono::milliseconds(3000);
constexpr auto WOULD_BLOCK_RETRY = std::chrono::milliseconds(10);

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

} // namespace

// What the receive thread uses. The thread holds its own reference, so even a thread that outlived
// Close() could touch nothing freed; the descriptors close with the last reference.
struct CPbxSocket::SLink {
    int socketFd = -1;
    int stopFd = -1;
    int armFd = -1;
    QEvent::Type dataMessage = WM_PBX_DATA;
    QEvent::Type timeoutMessage = WM_PBX_TIMEOUT;
    // Written before the arm event is signalled, read after the thread sees it.
    std::atomic<uint32_t> replyTimeoutMs{0};

    // Guards owner (cleared by Close() or when the owner is destroyed) and ended.
    std::mutex mutex;
    std::condition_variable endedChanged;
    QObject* owner = nullptr;
    bool ended = false;

    ~SLink()
    {
        for (const int fd : {socketFd, stopFd, armFd}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    void Post(std::unique_ptr<QEvent> event)
    {
        const std::lock_guard lock(mutex);
        if (owner)
            QCoreApplication::postEvent(owner, event.release());
    }
};

CPbxSocket::CPbxSocket(int framing, int connectTimeoutMs) : framing_(framing), connectTimeoutMs_(connectTimeoutMs) {}

CPbxSocket::~CPbxSocket()
{
    Close();
}

int CPbxSocket::Open(QObject* owner, uint32_t peerAddress, uint16_t port, QEvent::Type dataMessage,
                     QEvent::Type timeoutMessage)
{
    if (link_)
        return 0;
    peerAddress_ = peerAddress;

    auto link = std::make_shared<SLink>();
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

    try {
        thread_ = std::thread(&CPbxSocket::Receive, link);
    } catch (const std::system_error& error) {
        lastError_ = error.code().value();
        return ERR_THREAD;
    }
    link_ = std::move(link);
    // An owner may go before its socket (a dialog closing while the PPPoE link stays up): from then
    // on the thread's frames have nowhere to go and are dropped.
    if (owner) {
        ownerWatch_ = QObject::connect(owner, &QObject::destroyed, [link = link_] {
            const std::lock_guard lock(link->mutex);
            link->owner = nullptr;
        });
    }
    return 0;
}

void CPbxSocket::Close()
{
    if (!link_)
        return;
    QObject::disconnect(ownerWatch_);
    {
        const std::lock_guard lock(link_->mutex);
        link_->owner = nullptr;
    }
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

void CPbxSocket::Send(const uint8_t* bytes, int length)
{
    if (!link_)
        return;
    while (length > 0) {
        // MSG_NOSIGNAL: a peer that went away must show up as EPIPE here, not as SIGPIPE killing us.
        const ssize_t sent = ::send(link_->socketFd, bytes, size_t(length), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            // A full send buffer is no failure of the link; it is not recorded, or the supervision would
            // take it for a dropped connection.
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                std::this_thread::sleep_for(WOULD_BLOCK_RETRY);
                continue;
            }
            lastError_ = errno;
            return;
        }
        bytes += sent;
        length -= int(sent);
    }
}

void CPbxSocket::Arm(uint32_t timeoutMs)
{
    if (!link_ || timeoutMs == 0)
        return;
    link_->replyTimeoutMs.store(timeoutMs);
    Signal(link_->armFd);
}

void CPbxSocket::SendWithTimeout(const uint8_t* bytes, int length, uint32_t timeoutMs)
{
    Arm(timeoutMs);
    Send(bytes, length);
}

bool CPbxSocket::SendDial(std::string_view number)
{
    const std::optional<std::vector<uint8_t>> request = BuildDialRequest(number);
    if (!link_ || !request)
        return false;
    SendWithTimeout(request->data(), int(request->size()), DIAL_TIMEOUT_MS);
    return true;
}

void CPbxSocket::SendRelease()
{
    const std::vector<uint8_t> request = BuildReleaseRequest();
    SendWithTimeout(request.data(), int(request.size()), RELEASE_TIMEOUT_MS);
}

void CPbxSocket::Receive(std::shared_ptr<SLink> link)
{
    using Clock = std::chrono::steady_clock;
    const auto receiveBuffer = std::make_unique<uint8_t[]>(RECEIVE_BUFFER_SIZE);
    const auto assembler = std::make_unique<CFrameAssembler>();
    bool armed = false;
    Clock::time_point deadline;
    // At end of stream or after a hard error the socket stays readable forever; it is then no longer
    // watched, so the thread does not spin. The dead link shows up in sending and in the supervision.
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
        if (ready == 0) {
            armed = false;
            assembler->Reset();
            link->Post(std::make_unique<CPbxEvent>(link->timeoutMessage));
            continue;
        }
        if (watched[0].revents != 0)
            break;
        // Arming comes before the data of the same wake-up: the request was sent after the arm, so any
        // reply to it is newer than the arm and must disarm it.
        if (watched[1].revents != 0) {
            Drain(link->armFd);
            armed = true;
            deadline = Clock::now() + std::chrono::milliseconds(link->replyTimeoutMs.load());
        }
        if (watched[2].revents != 0) {
            const ssize_t received = ::recv(link->socketFd, receiveBuffer.get(), RECEIVE_BUFFER_SIZE, 0);
            // Only data answers a request: after a hang-up or a read error the armed timeout must still
            // fire, or the wait for the reply would never end.
            if (received > 0) {
                armed = false;
                assembler->Feed(std::span<const uint8_t>(receiveBuffer.get(), size_t(received)),
                                [&link](std::span<const uint8_t> frame) {
                                    link->Post(std::make_unique<CPbxEvent>(
                                        link->dataMessage, std::vector<uint8_t>(frame.begin(), frame.end())));
                                });
            } else if (received == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                watchSocket = false;
            }
        }
    }

    const std::lock_guard lock(link->mutex);
    link->ended = true;
    link->endedChanged.notify_all();
}
