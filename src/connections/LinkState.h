// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/ExchangeSocket.h"
#include "link/Result.h"
#include "link/SocketEvents.h"
#include "platform/MessageBoxes.h"

#include <QEvent>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QObject;

namespace tobrisk {

class DialUpLinks;
class WaitCursor;

constexpr uint8_t NOT_CONNECTED = 255;

// Found by the connection dialog.
constexpr int ERR_INVALID_MODE = 0x4001;
constexpr int ERR_PPPOE = 0x4002;
// An ISDN number the PPPoE device's request cannot carry; refused rather than cut, since a cut number
// would have the device call somebody else.
constexpr int ERR_PPPOE_NUMBER = 0x4003;
// The PPPoE device did not answer the dial request in time.
constexpr int ERR_PPPOE_TIMEOUT = 0x4004;
// Told last when the link behind a PPPoE handshake could not be brought up.
constexpr int ERR_PPPOE_LINK = 0x4005;
// A dial-up link that would not go away; it is forgotten all the same.
constexpr int ERR_HANGUP = 0x4006;

// The port every link other than Ethernet reaches the exchange's programming service at, less the offset.
constexpr uint16_t LINK_BASE_PORT = 40000;

// Where the programming socket's frames and timeouts go, and how its frames are cut.
struct LinkParams {
    QObject* window = nullptr;
    QEvent::Type dataMessage = kFrameEvent;
    QEvent::Type timeoutMessage = kTimeoutEvent;
    int kind = 2;
};

// The framing kind 2 serves the exchange at base port + 8.
uint16_t PortOffset(int kind);
// Ports wrap at 65536, as the exchange's own arithmetic does.
uint16_t ProgrammingPort(uint16_t basePort, int kind);
// The text of a connect step's error code; "Errore inatteso" for codes that are not ours.
QString ConnectErrorText(int code);
// How the command shows a result of the connect path: a hang-up that failed warns, the closing word on a
// PPPoE link carries no icon, the rest are errors.
MsgIcon ConnectResultIcon(int code);

// The link to the exchange that outlives the connection dialog: the sockets it brought up, the mode it
// is connected in and the socket errors of the current attempt. Owned by the session; used
// on the session's thread only.
class LinkState {
public:
    LinkState(WaitCursor& waitCursor, DialUpLinks& dialUp, int connectTimeoutMs = CONNECT_TIMEOUT_MS);

    bool IsConnected() const { return connectedMode != NOT_CONNECTED; }

    void ClearErrors();
    // Each step gives nothing when it went well, else what the user is to be told, its own error last,
    // and leaves nothing of its own up when it fails.
    Results ConnectEthernet(uint32_t address, uint16_t basePort, uint8_t mode, const LinkParams& params);
    // Sends the number to the PPPoE device; its answer, or the timeout, arrives later at deviceReceiver.
    Results StartPppoe(std::string_view isdnNumber, uint32_t deviceAddress, uint16_t devicePort,
                       QObject* deviceReceiver, const LinkParams& params);
    Results FinishPppoe(const std::string& pppoeEntryName, const LinkParams& params);
    Results ConnectDialUp(const std::string& entryName, const std::string& number, uint8_t mode,
                          const LinkParams& params);
    // Takes down everything a connection brought up; safe in any state. A dial-up link that would not go
    // away is forgotten all the same, and said.
    Result CloseLink();

    // The message for a failed step; detail is the number the connection dialog's own errors show.
    QString ConnectErrorMessage(int code, long detail);
    Result ConnectError(int code, long detail = 0);

    uint8_t connectedMode = NOT_CONNECTED;
    std::unique_ptr<ExchangeSocket> programmingSocket;
    std::unique_ptr<ExchangeSocket> configurationSocket;
    int32_t programmingError = 0;
    int32_t configurationError = 0;

private:
    int OpenProgrammingSocket(uint32_t address, uint16_t port, const LinkParams& params);
    Result HangUp();

    WaitCursor& waitCursor_;
    DialUpLinks& dialUp_;
    int connectTimeoutMs_;
};

} // namespace tobrisk
