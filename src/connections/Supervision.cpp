// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/Supervision.h"

#include "connections/Session.h"
#include "platform/DebugOutput.h"

#include <QStringList>

namespace tobrisk {

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

QString FormatAddress(uint32_t address)
{
    QStringList octets;
    for (int shift = 24; shift >= 0; shift -= 8)
        octets << QStringLiteral("%1").arg((address >> shift) & 0xFF, 3, 10, QLatin1Char('0'));
    return octets.join(QLatin1Char('.'));
}

Supervision::Supervision(Session& session, DebugOutput& debug, SupervisionTimes times, QObject* parent)
    : QObject(parent), session_(session), debug_(debug), times_(times)
{
    timer_.setInterval(times_.periodMs);
    connect(&timer_, &QTimer::timeout, this, &Supervision::OnTimer);
}

void Supervision::Start()
{
    timer_.start();
}

void Supervision::Stop()
{
    timer_.stop();
}

void Supervision::Trace(const char* line)
{
    debug_.Write(line);
}

void Supervision::Dropped(const QString& text)
{
    // Whoever handles the report disconnects and tells the user before the checks stop.
    session_.ReportDrop(text);
    Stop();
}

void Supervision::OnTimer()
{
    const LinkState& link = session_.Link();
    ExchangeSocket* socket = link.programmingSocket.get();
    if (!socket || !session_.IsConnected())
        return;
    const uint8_t mode = link.connectedMode;
    if (IsEthernet(mode)) {
        if (CheckConnection(true))
            return;
        // The user may have disconnected while the check waited; then nothing has dropped.
        socket = link.programmingSocket.get();
        if (!socket || !session_.IsConnected())
            return;
        Dropped(QStringLiteral("Connessione a centralino caduta!\nPing fallito verso indirizzo %1")
                    .arg(FormatAddress(socket->PeerAddress())));
    } else if (IsPointToPoint(mode)) {
        if (socket->LastError() == 0)
            return;
        Dropped(QStringLiteral("Connessione a centralino caduta!"));
    }
}

bool Supervision::CheckConnection(bool retryAllowed)
{
    if (!session_.Link().programmingSocket)
        return true;
    Trace("Plimset: INIZIO CHECK CONNESSIONE\n");

    bool answered = false;
    switch (session_.Protocol().Poll(times_.pollTimeoutMs)) {
    case ExchangeProtocol::WaitEnd::Finished:
        answered = true;
        break;
    case ExchangeProtocol::WaitEnd::TimedOut:
        Trace("Plimset: POLL TIMER SCADUTO 10 SEC\n");
        if (retryAllowed)
            answered = CheckConnection(false);
        break;
    case ExchangeProtocol::WaitEnd::Aborted:
        // The link was closed or the program is quitting: no message can come any more.
        Trace("Plimset: POLL GETMESSAGE RET -1\n");
        return false;
    }
    Trace(answered ? "Plimset: FINE CHECK CONNESSIONE: ESITO OK\n"
                   : "Plimset: FINE CHECK CONNESSIONE: DEVO BUTTARE GIU'\n");
    return answered;
}

} // namespace tobrisk
