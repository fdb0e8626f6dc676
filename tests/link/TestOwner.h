// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/SocketEvents.h"

#include <QObject>
#include <functional>
#include <vector>

using namespace tobrisk;

// Stands for the window that owns a socket: records what the socket sends it and, when told to,
// hands every event on (as the main window does to the protocol).
class TestOwner : public QObject {
public:
    std::vector<std::vector<uint8_t>> frames;
    int timeouts = 0;
    std::function<bool(QEvent*)> forward;

    bool event(QEvent* event) override
    {
        if (const auto* socketEvent = dynamic_cast<const SocketEvent*>(event)) {
            if (event->type() == kFrameEvent)
                frames.emplace_back(socketEvent->Frame().begin(), socketEvent->Frame().end());
            else if (event->type() == kTimeoutEvent)
                ++timeouts;
        }
        if (forward && forward(event))
            return true;
        return QObject::event(event);
    }
};
