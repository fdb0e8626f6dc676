// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/Session.h"

#include "link/PbxEvents.h"
#include "platform/Platform.h"

Session::Session(CPlatform& platform, CSupervisionTimes supervisionTimes, QObject* parent)
    : QObject(parent), dialUp_(platform.phoneBook, platform.dialer),
      link_(platform.waitCursor, platform.messages, dialUp_),
      protocol_(link_.programmingSocket, memory_, platform.waitCursor),
      receiver_([this](const CPbxEvent& frame) { protocol_.OnFrame(frame); }, [this] { protocol_.OnTimeout(); }),
      supervision_(*this, platform.debug, supervisionTimes)
{
}

void Session::Supervise()
{
    dropReported_ = false;
    supervision_.Start();
}

void Session::Close()
{
    memory_.Clear();
    link_.CloseLink();
    // A wait still running would otherwise sleep forever on a socket that is gone.
    protocol_.AbortWaits();
}

void Session::ReportDrop(const QString& text)
{
    if (dropReported_)
        return;
    dropReported_ = true;
    emit dropped(text);
}
