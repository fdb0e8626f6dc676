// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SocketReceiver.h"

#include "link/PbxEvents.h"

#include <utility>

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
    if (event->type() == WM_PBX_DATA) {
        if (const auto* frame = dynamic_cast<const CPbxEvent*>(event)) {
            onFrame_(*frame);
            if (observer_)
                observer_(frame->Frame());
        }
        return true;
    }
    if (event->type() == WM_PBX_TIMEOUT) {
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
