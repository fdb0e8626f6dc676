// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/LinkState.h"

#include "connections/DialUp.h"
#include "link/Protocol.h"
#include "platform/MessageBoxes.h"
#include "platform/WaitCursor.h"

namespace {

// Nothing waits for the release to be answered: the peer learns the session is over.
void ReleaseAndClose(std::unique_ptr<CPbxSocket>& socket)
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

CLinkState::CLinkState(IWaitCursor& waitCursor, IMessageBoxes& messages, CDialUp& dialUp, int connectTimeoutMs)
    : waitCursor_(waitCursor), messages_(messages), dialUp_(dialUp), connectTimeoutMs_(connectTimeoutMs)
{
}

void CLinkState::ClearErrors()
{
    programmingError = 0;
    configurationError = 0;
}

int CLinkState::OpenProgrammingSocket(uint32_t address, uint16_t port, const LinkParams& params)
{
    programmingSocket = std::make_unique<CPbxSocket>(params.kind, connectTimeoutMs_);
    const int result = programmingSocket->Open(params.window, address, port, params.dataMessage, params.timeoutMessage);
    if (result != 0) {
        programmingError = programmingSocket->LastError();
        programmingSocket.reset();
    }
    return result;
}

int CLinkState::ConnectEthernet(uint32_t address, uint16_t basePort, uint8_t mode, const LinkParams& params)
{
    const int result = OpenProgrammingSocket(address, ProgrammingPort(basePort, params.kind), params);
    if (result == 0)
        connectedMode = mode;
    return result;
}

int CLinkState::StartPppoe(std::string_view isdnNumber, uint32_t deviceAddress, uint16_t devicePort,
                           QObject* dialogWindow, const LinkParams& params)
{
    if (isdnNumber.size() > MAX_DIAL_TEXT)
        return ERR_PPPOE_NUMBER;
    configurationSocket = std::make_unique<CPbxSocket>(params.kind, connectTimeoutMs_);
    const int result =
        configurationSocket->Open(dialogWindow, deviceAddress, devicePort, params.dataMessage, params.timeoutMessage);
    if (result != 0) {
        configurationError = configurationSocket->LastError();
        configurationSocket.reset();
        return result;
    }
    configurationSocket->SendDial(isdnNumber);
    return 0;
}

int CLinkState::FinishPppoe(const std::string& pppoeEntryName, const LinkParams& params)
{
    CWaitCursorScope wait(waitCursor_);
    uint32_t exchangeAddress = 0;
    const int dialled = dialUp_.DialUp(std::nullopt, pppoeEntryName, exchangeAddress);
    if (dialled != 0) {
        ReleaseAndClose(configurationSocket);
        return dialled;
    }
    const int result = OpenProgrammingSocket(exchangeAddress, ProgrammingPort(LINK_BASE_PORT, params.kind), params);
    if (result != 0) {
        HangUp();
        ReleaseAndClose(configurationSocket);
        return result;
    }
    connectedMode = 3;
    return 0;
}

int CLinkState::ConnectDialUp(const std::string& entryName, const std::string& number, uint8_t mode,
                              const LinkParams& params)
{
    uint32_t exchangeAddress = 0;
    const int dialled = dialUp_.DialUp(number, entryName, exchangeAddress);
    if (dialled != 0)
        return dialled;
    const int result = OpenProgrammingSocket(exchangeAddress, ProgrammingPort(LINK_BASE_PORT, params.kind), params);
    if (result != 0) {
        HangUp();
        return result;
    }
    connectedMode = mode;
    return 0;
}

void CLinkState::HangUp()
{
    // A link that will not go away is not waited on for ever: the user is told, and it is forgotten.
    if (!dialUp_.HangUp())
        messages_.Show(QStringLiteral("Il collegamento in accesso remoto non si è chiuso"), MsgButtons::Ok,
                       MsgAnswer::Ok, MsgIcon::Warning);
}

void CLinkState::CloseLink()
{
    CWaitCursorScope wait(waitCursor_);
    ReleaseAndClose(programmingSocket);
    HangUp();
    ReleaseAndClose(configurationSocket);
    connectedMode = NOT_CONNECTED;
}

QString CLinkState::ConnectErrorMessage(int code, long detail)
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

void CLinkState::ReportConnectError(int code, long detail)
{
    messages_.Show(ConnectErrorMessage(code, detail), MsgButtons::Ok, MsgAnswer::Ok, MsgIcon::Error);
}
