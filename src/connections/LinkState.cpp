// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/LinkState.h"

#include "connections/DialUpLinks.h"
#include "link/Protocol.h"
#include "platform/WaitCursor.h"

namespace tobrisk {

namespace {

// Nothing waits for the release to be answered: the peer learns the session is over.
void ReleaseAndClose(std::unique_ptr<ExchangeSocket>& socket)
{
    if (!socket)
        return;
    socket->SendRelease();
    socket->Close();
    socket.reset();
}

QString Hex8(int code)
{
    return QStringLiteral("%1").arg(uint32_t(code), 8, 16, QLatin1Char('0'));
}

} // namespace

uint16_t PortOffset(int kind)
{
    return kind == 2 ? 8 : 0;
}

uint16_t ProgrammingPort(uint16_t basePort, int kind)
{
    return uint16_t(basePort + PortOffset(kind));
}

QString ConnectErrorText(int code)
{
    switch (code) {
    case ERR_SOCKET_OPEN:
        return QStringLiteral("Errore in apertura socket");
    case ERR_SOCKET_CONNECT:
        return QStringLiteral("Errore nella creazione del socket");
    case ERR_THREAD:
        return QStringLiteral("Errore nella creazione del thread");
    case ERR_EVENT_SELECT:
        return QStringLiteral("Errore selezione degli eventi");
    case ERR_DIAL_PARAMS:
        return QStringLiteral("Errore nella richiesta dei parametri di digitazione");
    case ERR_ENTRY_PROPERTIES:
        return QStringLiteral("Errore nella richiesta delle proprietà");
    case ERR_DIAL:
        return QStringLiteral("Errore digitazione");
    case ERR_PROJECTION:
        return QStringLiteral("Errore nella richiesta dell'indirizzo IP proiettato");
    case ERR_INVALID_MODE:
        return QStringLiteral("Modalità di connessione non valida");
    case ERR_PPPOE:
        return QStringLiteral("Errore nella connessione PPPoE");
    case ERR_PPPOE_NUMBER:
        return QStringLiteral("Numero ISDN più lungo di 31 caratteri");
    default:
        return QStringLiteral("Errore inatteso");
    }
}

MsgIcon ConnectResultIcon(int code)
{
    switch (code) {
    case ERR_HANGUP:
        return MsgIcon::Warning;
    case ERR_PPPOE_LINK:
        return MsgIcon::None;
    default:
        return MsgIcon::Error;
    }
}

LinkState::LinkState(WaitCursor& waitCursor, DialUpLinks& dialUp, int connectTimeoutMs)
    : waitCursor_(waitCursor), dialUp_(dialUp), connectTimeoutMs_(connectTimeoutMs)
{
}

void LinkState::ClearErrors()
{
    programmingError = 0;
    configurationError = 0;
}

int LinkState::OpenProgrammingSocket(uint32_t address, uint16_t port, const LinkParams& params)
{
    programmingSocket = std::make_unique<ExchangeSocket>(params.kind, connectTimeoutMs_);
    const int result = programmingSocket->Open(params.window, address, port, params.dataMessage, params.timeoutMessage);
    if (result != 0) {
        programmingError = programmingSocket->LastError();
        programmingSocket.reset();
    }
    return result;
}

Results LinkState::ConnectEthernet(uint32_t address, uint16_t basePort, uint8_t mode, const LinkParams& params)
{
    const int result = OpenProgrammingSocket(address, ProgrammingPort(basePort, params.kind), params);
    if (result != 0)
        return {ConnectError(result)};
    connectedMode = mode;
    return {};
}

Results LinkState::StartPppoe(std::string_view isdnNumber, uint32_t deviceAddress, uint16_t devicePort,
                              QObject* deviceReceiver, const LinkParams& params)
{
    // The detail of these errors is the number's length.
    const auto detail = long(isdnNumber.size());
    if (isdnNumber.size() > MAX_DIAL_TEXT)
        return {ConnectError(ERR_PPPOE_NUMBER, detail)};
    configurationSocket = std::make_unique<ExchangeSocket>(params.kind, connectTimeoutMs_);
    const int result =
        configurationSocket->Open(deviceReceiver, deviceAddress, devicePort, params.dataMessage, params.timeoutMessage);
    if (result != 0) {
        configurationError = configurationSocket->LastError();
        configurationSocket.reset();
        return {ConnectError(result, detail)};
    }
    configurationSocket->SendDial(isdnNumber);
    return {};
}

Results LinkState::FinishPppoe(const std::string& pppoeEntryName, const LinkParams& params)
{
    WaitCursorScope wait(waitCursor_);
    uint32_t exchangeAddress = 0;
    const int dialled = dialUp_.DialUp(std::nullopt, pppoeEntryName, exchangeAddress);
    if (dialled != 0) {
        ReleaseAndClose(configurationSocket);
        return {ConnectError(dialled)};
    }
    const int result = OpenProgrammingSocket(exchangeAddress, ProgrammingPort(LINK_BASE_PORT, params.kind), params);
    if (result != 0) {
        Results told;
        if (Result hungUp = HangUp(); !hungUp)
            told.push_back(std::move(hungUp));
        ReleaseAndClose(configurationSocket);
        told.push_back(ConnectError(result));
        return told;
    }
    connectedMode = 3;
    return {};
}

Results LinkState::ConnectDialUp(const std::string& entryName, const std::string& number, uint8_t mode,
                                 const LinkParams& params)
{
    uint32_t exchangeAddress = 0;
    const int dialled = dialUp_.DialUp(number, entryName, exchangeAddress);
    if (dialled != 0)
        return {ConnectError(dialled)};
    const int result = OpenProgrammingSocket(exchangeAddress, ProgrammingPort(LINK_BASE_PORT, params.kind), params);
    if (result != 0) {
        Results told;
        if (Result hungUp = HangUp(); !hungUp)
            told.push_back(std::move(hungUp));
        told.push_back(ConnectError(result));
        return told;
    }
    connectedMode = mode;
    return {};
}

Result LinkState::HangUp()
{
    // A link that will not go away is not waited on for ever: the user is told, and it is forgotten.
    if (!dialUp_.HangUp())
        return Result::Failure(ERR_HANGUP, QStringLiteral("Il collegamento in accesso remoto non si è chiuso"));
    return Result::Success();
}

Result LinkState::CloseLink()
{
    WaitCursorScope wait(waitCursor_);
    ReleaseAndClose(programmingSocket);
    Result hungUp = HangUp();
    ReleaseAndClose(configurationSocket);
    connectedMode = NOT_CONNECTED;
    return hungUp;
}

QString LinkState::ConnectErrorMessage(int code, long detail)
{
    const QString head = QStringLiteral("Errore %1 (%2) ").arg(Hex8(code), ConnectErrorText(code));
    if (code & 0x1000) {
        if (programmingError != 0)
            return head + QStringLiteral("nel socket di programmazione: %1").arg(programmingError);
        if (configurationError != 0)
            return head + QStringLiteral("nel socket di configurazione: %1").arg(configurationError);
        return QString();
    }
    if (code & 0x2000) {
        const int32_t error = int32_t(dialUp_.dialUpError);
        const QString text = dialUp_.DialUpErrorText(dialUp_.dialUpError);
        dialUp_.dialUpError = 0;
        return head + QStringLiteral("in accesso remoto: %1 -%2-").arg(error).arg(text);
    }
    if (code == ERR_INVALID_MODE || code == ERR_PPPOE || code == ERR_PPPOE_NUMBER)
        return head + QStringLiteral("in connessione PPPoE: %1").arg(detail);
    return QString();
}

Result LinkState::ConnectError(int code, long detail)
{
    return Result::Failure(code, ConnectErrorMessage(code, detail));
}

} // namespace tobrisk
