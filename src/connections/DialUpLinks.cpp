// SPDX-License-Identifier: GPL-3.0-or-later
#include "connections/DialUpLinks.h"

#include "platform/InetAddr.h"
#include "platform/RemotePhoneBook.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace tobrisk {

namespace {

constexpr int RELEASE_POLL_MS = 10;
constexpr qsizetype MAX_ERROR_TEXT = 255;

} // namespace

DialUpLinks::DialUpLinks(RemotePhoneBook& phoneBook, RemoteDialer& dialer, int hangUpLimitMs)
    : phoneBook_(phoneBook), dialer_(dialer), hangUpLimitMs_(hangUpLimitMs)
{
}

int DialUpLinks::DialUp(const std::optional<std::string>& number, const std::string& entryName,
                        uint32_t& exchangeAddress)
{
    if (number && number->size() > MAX_PHONE_NUMBER) {
        dialUpError = DIALUP_NUMBER_TOO_LONG;
        return ERR_DIAL_PARAMS;
    }

    DialParams params;
    if (const uint32_t error = dialer_.GetDialParams(entryName, params)) {
        dialUpError = error;
        return ERR_DIAL_PARAMS;
    }

    RemoteEntryProperties properties;
    if (const uint32_t error = phoneBook_.ReadEntryProperties(entryName, properties)) {
        dialUpError = error;
        return ERR_ENTRY_PROPERTIES;
    }
    if (number)
        params.phoneNumber = *number;
    // An entry that would call some other number is refused while it is still as the user left it.
    if (const uint32_t error = dialer_.CheckDial(params)) {
        dialUpError = error;
        return ERR_DIAL;
    }

    if (number)
        properties.telephoneNumber = *number;
    // The PC keeps its own default route: only the exchange is reached over the link. The dial is given
    // the number and the route itself; this write only keeps them in the entry, so its result is not
    // looked at.
    properties.defaultRoute = false;
    phoneBook_.WriteEntryProperties(entryName, properties);

    DialHandle handle = 0;
    if (const uint32_t error = dialer_.Dial(params, handle)) {
        dialUpError = error;
        EndLink(handle);
        return ERR_DIAL;
    }

    std::string serverAddress;
    const uint32_t error = dialer_.GetServerAddress(handle, serverAddress);
    const std::optional<uint32_t> address = error == 0 ? ParseInetAddr(serverAddress) : std::nullopt;
    if (!address) {
        dialUpError = error;
        EndLink(handle);
        return ERR_PROJECTION;
    }
    exchangeAddress = *address;
    dialUpConnection = handle;
    return 0;
}

bool DialUpLinks::HangUp()
{
    const DialHandle handle = dialUpConnection;
    dialUpConnection = 0;
    return EndLink(handle);
}

bool DialUpLinks::EndLink(DialHandle handle)
{
    if (handle == 0)
        return true;
    dialer_.HangUp(handle);
    if (dialer_.IsReleased(handle))
        return true;

    // The service needs a moment to let go of the link; the windows keep painting meanwhile.
    const QDeadlineTimer deadline(hangUpLimitMs_);
    QEventLoop loop;
    QTimer poll;
    bool released = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        released = dialer_.IsReleased(handle);
        if (released || deadline.hasExpired())
            loop.quit();
    });
    poll.start(RELEASE_POLL_MS);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return released;
}

QString DialUpLinks::DialUpErrorText(uint32_t number)
{
    const QString text = number == DIALUP_NUMBER_TOO_LONG
                             ? QStringLiteral("Numero di telefono più lungo di 128 caratteri")
                             : dialer_.ErrorText(number);
    return text.left(MAX_ERROR_TEXT);
}

} // namespace tobrisk
