// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "connections/DialUpLinks.h"
#include "connections/LinkState.h"
#include "connections/Supervision.h"
#include "link/ConfigurationMemory.h"
#include "link/ExchangeProtocol.h"
#include "link/SocketReceiver.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QEventLoop;

namespace tobrisk {

class WaitCursor;
struct Platform;

// What the connection dialog asks for: the mode, and what that mode needs.
struct ConnectRequest {
    int mode = 0;
    // Ethernet: the exchange and its base port. PPPoE: the device.
    uint32_t address = 0;
    uint16_t port = 0;
    // PPPoE and dial-up: the number to call and the remote-access entry that carries the link.
    std::string number;
    std::string entryName;
    // The connection book's name of the exchange; it names what is kept of its directory.
    std::string exchangeName;
};

// The conversation with one exchange at a time: the sockets (through the link state), the protocol and
// the configuration memory it fills, and the supervision of the link. Owned by the application object,
// or by whatever runs a session on a thread of its own; used on the thread it was made on, which must
// run an event loop. It shows nothing itself: a drop is reported through dropped().
class Session : public QObject {
    Q_OBJECT

public:
    // The supervision's times are the real ones unless a test hands in shorter ones.
    explicit Session(Platform& platform, SupervisionTimes supervisionTimes = {}, int hangUpLimitMs = HANG_UP_LIMIT_MS,
                     QObject* parent = nullptr);

    bool IsConnected() const { return link_.IsConnected(); }
    // The exchange's address while connected; nothing off line.
    std::optional<uint32_t> ExchangeAddress() const;
    // The book's name of the exchange last asked for, or its address when it has none: the folder of the
    // copies kept of its directory.
    QString ExchangeName() const;
    LinkState& Link() { return link_; }
    const LinkState& Link() const { return link_; }
    ExchangeProtocol& Protocol() { return protocol_; }
    ConfigurationMemory& Memory() { return memory_; }
    DialUpLinks& DialUp() { return dialUp_; }
    Supervision& Supervisor() { return supervision_; }
    // Where the programming socket sends its frames and timeouts.
    SocketReceiver& Receiver() { return receiver_; }
    LinkParams ProgrammingLinkParams() { return LinkParams{&receiver_, kFrameEvent, kTimeoutEvent, 2}; }

    // Brings the link up in the requested mode; nothing when it is up, else what the user is to be told.
    // PPPoE first has the device dial and waits, in a nested event loop, for its answer or its timeout.
    Results Connect(const ConnectRequest& request);
    // Gives up a PPPoE handshake still waiting (the dialog was closed): false when none waits. The link
    // it began is closed; told holds what that has to say.
    bool GiveUpHandshake(Results& told);
    // Where the PPPoE device's socket sends its answer and timeout.
    SocketReceiver& DeviceReceiver() { return deviceReceiver_; }

    // Starts the supervision of a link just made; from now on a drop of it is reported once.
    void Supervise();
    // Forgets what was read and takes the link down; every running wait returns. A dial-up link that
    // would not go away is said in the result.
    Result Close();

    // The supervision found the link gone: tells dropped() the first time for this link only.
    void ReportDrop(const QString& text);

signals:
    // The link dropped; text is what the user is to be told. Whoever handles it disconnects.
    void dropped(const QString& text);

private:
    enum class HandshakeEnd { Answered, TimedOut, GivenUp };
    struct Handshake {
        QEventLoop& loop;
        std::optional<HandshakeEnd> end;
        std::vector<uint8_t> answer;
    };

    Results ConnectPppoe(const ConnectRequest& request);
    void EndHandshake(HandshakeEnd end, std::vector<uint8_t> answer = {});
    // Appends a failed close to what is told.
    void CloseInto(Results& told);

    WaitCursor& waitCursor_;
    DialUpLinks dialUp_;
    LinkState link_;
    ConfigurationMemory memory_;
    ExchangeProtocol protocol_;
    SocketReceiver receiver_;
    SocketReceiver deviceReceiver_;
    Handshake* handshake_ = nullptr;
    std::string exchangeName_;
    Supervision supervision_;
    bool dropReported_ = false;
};

} // namespace tobrisk
