// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Supervision.h"

#include "core/MainFrame.h"
#include "core/PlimsetApp.h"
#include "platform/Platform.h"

namespace {

// Modes that reach the exchange over the local or the wide-area network; the others run on a
// dial-up or PPPoE link, whose drop shows up on the socket.
bool IsEthernet(uint8_t mode)
{
    return mode == 1 || mode == 2;
}

bool IsPointToPoint(uint8_t mode)
{
    return mode >= 3 && mode <= 5;
}

} // namespace

CSupervision::CSupervision(CPlimsetApp& app, CSupervisionTimes times, QObject* parent)
    : QObject(parent), app_(app), times_(times)
{
    timer_.setInterval(times_.periodMs);
    connect(&timer_, &QTimer::timeout, this, &CSupervision::OnTimer);
}

void CSupervision::Start()
{
    timer_.start();
}

void CSupervision::Stop()
{
    timer_.stop();
}

void CSupervision::Trace(const char* line)
{
    app_.Platform().debug.Write(line);
}

void CSupervision::OnTimer()
{
    CPbxSocket* socket = app_.linkState.programmingSocket.get();
    if (!socket || !app_.IsConnected())
        return;
    const uint8_t mode = app_.linkState.connectedMode;
    IMessageBoxes& messages = app_.Platform().messages;
    if (IsEthernet(mode)) {
        if (CheckConnection(true))
            return;
        // The user may have disconnected while the check waited; then nothing has dropped.
        socket = app_.linkState.programmingSocket.get();
        if (!socket || !app_.IsConnected())
            return;
        const QString address = FormatAddress(socket->PeerAddress());
        app_.Disconnect();
        messages.Show(QStringLiteral("Connessione a centralino caduta!\nPing fallito verso indirizzo %1").arg(address));
        Stop();
    } else if (IsPointToPoint(mode)) {
        if (socket->LastError() == 0)
            return;
        app_.Disconnect();
        messages.Show(QStringLiteral("Connessione a centralino caduta!"));
        Stop();
    }
}

bool CSupervision::CheckConnection(bool retryAllowed)
{
    if (!app_.linkState.programmingSocket)
        return true;
    Trace("Plimset: INIZIO CHECK CONNESSIONE\n");

    bool answered = false;
    switch (app_.protocol.Poll(times_.pollTimeoutMs)) {
    case CPbxProtocol::WaitEnd::Finished:
        answered = true;
        break;
    case CPbxProtocol::WaitEnd::TimedOut:
        Trace("Plimset: POLL TIMER SCADUTO 10 SEC\n");
        if (retryAllowed)
            answered = CheckConnection(false);
        break;
    case CPbxProtocol::WaitEnd::Aborted:
        // The link was closed or the program is quitting: no message can come any more.
        Trace("Plimset: POLL GETMESSAGE RET -1\n");
        return false;
    }
    Trace(answered ? "Plimset: FINE CHECK CONNESSIONE: ESITO OK\n"
                   : "Plimset: FINE CHECK CONNESSIONE: DEVO BUTTARE GIU'\n");
    return answered;
}
