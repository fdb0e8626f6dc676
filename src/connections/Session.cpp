// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/Session.h"

#include "link/RecordFormats.h"
#include "link/SocketEvents.h"
#include "platform/CodePage.h"
#include "platform/InetAddr.h"
#include "platform/Platform.h"
#include "platform/WaitCursor.h"

#include <QEventLoop>

namespace tobrisk {

Session::Session(Platform& platform, SupervisionTimes supervisionTimes, int hangUpLimitMs, QObject* parent)
    : QObject(parent), waitCursor_(platform.waitCursor), dialUp_(platform.phoneBook, platform.dialer, hangUpLimitMs),
      link_(platform.waitCursor, dialUp_), protocol_(link_.programmingSocket, memory_, platform.waitCursor),
      receiver_([this](const SocketEvent& frame) { protocol_.OnFrame(frame); }, [this] { protocol_.OnTimeout(); }),
      deviceReceiver_(
          [this](const SocketEvent& frame) {
              EndHandshake(HandshakeEnd::Answered, std::vector<uint8_t>(frame.Frame().begin(), frame.Frame().end()));
          },
          // Only the dial request arms a timeout on the device's socket.
          [this] { EndHandshake(HandshakeEnd::TimedOut); }),
      supervision_(*this, platform.debug, supervisionTimes)
{
}

void Session::Supervise()
{
    dropReported_ = false;
    supervision_.Start();
}

Result Session::Close()
{
    memory_.Clear();
    Result closed = link_.CloseLink();
    // A wait still running would otherwise sleep forever on a socket that is gone.
    protocol_.AbortWaits();
    return closed;
}

Results Session::Connect(const ConnectRequest& request)
{
    link_.ClearErrors();
    exchangeName_ = request.exchangeName;
    const LinkParams params = ProgrammingLinkParams();
    switch (request.mode) {
    case 1:
    case 2: {
        const WaitCursorScope wait(waitCursor_);
        return link_.ConnectEthernet(request.address, request.port, uint8_t(request.mode), params);
    }
    case 3:
        return ConnectPppoe(request);
    case 4:
    case 5: {
        const WaitCursorScope wait(waitCursor_);
        return link_.ConnectDialUp(request.entryName, request.number, uint8_t(request.mode), params);
    }
    default:
        return {link_.ConnectError(ERR_INVALID_MODE, request.mode)};
    }
}

void Session::CloseInto(Results& told)
{
    if (Result closed = link_.CloseLink(); !closed)
        told.push_back(std::move(closed));
}

Results Session::ConnectPppoe(const ConnectRequest& request)
{
    const LinkParams params = ProgrammingLinkParams();
    waitCursor_.Show();
    Results told = link_.StartPppoe(request.number, request.address, request.port, &deviceReceiver_, params);
    if (!told.empty()) {
        waitCursor_.Restore();
        return told;
    }
    QEventLoop loop;
    Handshake handshake{loop, std::nullopt, {}};
    handshake_ = &handshake;
    loop.exec();
    handshake_ = nullptr;
    waitCursor_.Restore();

    // No reason means the application is quitting and stopped every loop: nobody is left to tell.
    switch (handshake.end.value_or(HandshakeEnd::GivenUp)) {
    case HandshakeEnd::GivenUp:
        return {};
    case HandshakeEnd::TimedOut:
        CloseInto(told);
        told.push_back(Result::Failure(ERR_PPPOE_TIMEOUT, QStringLiteral("Timeout scaduto")));
        return told;
    case HandshakeEnd::Answered:
        break;
    }
    // Anything but a dial result that reports a link ends the handshake as a failed connection: no other
    // answer and no timeout would follow.
    const DialAnswer answer = ParseDialAnswer(handshake.answer);
    if (!answer.isDialResult || answer.code != 0) {
        told.push_back(link_.ConnectError(ERR_PPPOE, answer.code));
        CloseInto(told);
        return told;
    }
    told = link_.FinishPppoe(request.entryName, params);
    if (told.empty())
        return told;
    CloseInto(told);
    told.push_back(Result::Failure(ERR_PPPOE_LINK, QStringLiteral("Errore nella connessione PPPoE")));
    return told;
}

void Session::EndHandshake(HandshakeEnd end, std::vector<uint8_t> answer)
{
    if (!handshake_ || handshake_->end)
        return;
    handshake_->end = end;
    handshake_->answer = std::move(answer);
    handshake_->loop.exit();
}

bool Session::GiveUpHandshake(Results& told)
{
    if (!handshake_ || handshake_->end)
        return false;
    EndHandshake(HandshakeEnd::GivenUp);
    // So that no device link stays behind unowned.
    CloseInto(told);
    return true;
}

void Session::ReportDrop(const QString& text)
{
    if (dropReported_)
        return;
    dropReported_ = true;
    emit dropped(text);
}

QString Session::ExchangeName() const
{
    if (!exchangeName_.empty())
        return FromCp1252(exchangeName_);
    const std::optional<uint32_t> address = ExchangeAddress();
    return address ? QString::fromStdString(FormatInetAddr(*address)) : QString();
}

std::optional<uint32_t> Session::ExchangeAddress() const
{
    const ExchangeSocket* socket = link_.programmingSocket.get();
    if (!IsConnected() || !socket)
        return std::nullopt;
    return socket->PeerAddress();
}

} // namespace tobrisk
