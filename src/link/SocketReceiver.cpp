// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SocketReceiver.h"

#include "link/SocketEvents.h"

#include <utility>

namespace tobrisk {

SocketReceiver::SocketReceiver(FrameHandler onFrame, TimeoutHandler onTimeout, QObject* parent)
    : QObject(parent), onFrame_(std::move(onFrame)), onTimeout_(std::move(onTimeout))
{
}

SocketReceiver::FrameObserver SocketReceiver::SetFrameObserver(FrameObserver observer)
{
    std::swap(observer_, observer);
    return observer;
}

bool SocketReceiver::event(QEvent* event)
{
    if (event->type() == kFrameEvent) {
        if (const auto* frame = dynamic_cast<const SocketEvent*>(event)) {
            onFrame_(*frame);
            if (observer_)
                observer_(frame->Frame());
        }
        return true;
    }
    if (event->type() == kTimeoutEvent) {
        onTimeout_();
        return true;
    }
    return QObject::event(event);
}

FrameObserverScope::FrameObserverScope(SocketReceiver& receiver, SocketReceiver::FrameObserver observer)
    : receiver_(receiver), previous_(receiver.SetFrameObserver(std::move(observer)))
{
}

FrameObserverScope::~FrameObserverScope()
{
    receiver_.SetFrameObserver(std::move(previous_));
}

} // namespace tobrisk
