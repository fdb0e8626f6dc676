// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <span>

namespace tobrisk {

class SocketEvent;

// The object a socket sends its frames and timeouts to, owned with the socket by whoever opened it:
// no window has to pass the link's events back to the link.
class SocketReceiver : public QObject {
    Q_OBJECT

public:
    using FrameHandler = std::function<void(const SocketEvent& frame)>;
    using TimeoutHandler = std::function<void()>;

    SocketReceiver(FrameHandler onFrame, TimeoutHandler onTimeout, QObject* parent = nullptr);

    // Told of every frame once the handler has taken it in; returns the observer it replaces.
    using FrameObserver = std::function<void(std::span<const uint8_t> frame)>;
    FrameObserver SetFrameObserver(FrameObserver observer);

protected:
    bool event(QEvent* event) override;

private:
    FrameHandler onFrame_;
    TimeoutHandler onTimeout_;
    FrameObserver observer_;
};

// Hands every frame a receiver gets to an observer for the life of the scope.
class FrameObserverScope {
public:
    FrameObserverScope(SocketReceiver& receiver, SocketReceiver::FrameObserver observer);
    ~FrameObserverScope();
    FrameObserverScope(const FrameObserverScope&) = delete;
    FrameObserverScope& operator=(const FrameObserverScope&) = delete;

private:
    SocketReceiver& receiver_;
    SocketReceiver::FrameObserver previous_;
};

} // namespace tobrisk
