// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connections/DialUp.h"
#include "connections/LinkState.h"
#include "connections/Supervision.h"
#include "link/ConfigMemory.h"
#include "link/PbxProtocol.h"
#include "link/SocketReceiver.h"

#include <QObject>
#include <QString>

struct CPlatform;

// The conversation with one exchange at a time: the sockets (through the link state), the protocol and
// the configuration memory it fills, and the supervision of the link. Owned by the application object;
// user-interface thread only. It shows nothing itself: a drop is reported through dropped().
class Session : public QObject {
    Q_OBJECT

public:
    // The supervision's times are the real ones unless a test hands in shorter ones.
    explicit Session(CPlatform& platform, CSupervisionTimes supervisionTimes = {}, QObject* parent = nullptr);

    bool IsConnected() const { return link_.IsConnected(); }
    CLinkState& Link() { return link_; }
    const CLinkState& Link() const { return link_; }
    CPbxProtocol& Protocol() { return protocol_; }
    CConfigMemory& Memory() { return memory_; }
    CDialUp& DialUp() { return dialUp_; }
    CSupervision& Supervision() { return supervision_; }
    // Where the programming socket posts its frames and timeouts.
    SocketReceiver& Receiver() { return receiver_; }
    LinkParams ProgrammingLinkParams() { return LinkParams{&receiver_, WM_PBX_DATA, WM_PBX_TIMEOUT, 2}; }

    // Starts the supervision of a link just made; from now on a drop of it is reported once.
    void Supervise();
    // Forgets what was read and takes the link down; every running wait returns.
    void Close();

    // The supervision found the link gone: tells dropped() the first time for this link only.
    void ReportDrop(const QString& text);

signals:
    // The link dropped; text is what the user is to be told. Whoever handles it disconnects.
    void dropped(const QString& text);

private:
    CDialUp dialUp_;
    CLinkState link_;
    CConfigMemory memory_;
    CPbxProtocol protocol_;
    SocketReceiver receiver_;
    CSupervision supervision_;
    bool dropReported_ = false;
};
