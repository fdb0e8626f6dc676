// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/RemoteDialer.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tobrisk {

class RemotePhoneBook;

constexpr int ERR_DIAL_PARAMS = 0x2001;
constexpr int ERR_ENTRY_PROPERTIES = 0x2002;
constexpr int ERR_DIAL = 0x2003;
constexpr int ERR_PROJECTION = 0x2004;

// What the service's entry and dial parameters hold of a telephone number.
constexpr size_t MAX_PHONE_NUMBER = 128;
// Our own error number for a longer one: it is refused, since a cut number would call somebody else.
constexpr uint32_t DIALUP_NUMBER_TOO_LONG = 20000;

constexpr int HANG_UP_LIMIT_MS = 15000;

// The one remote-access link that is up, and the service's error number of the last failed step.
// Owned by the session; used on the session's thread only.
class DialUpLinks {
public:
    DialUpLinks(RemotePhoneBook& phoneBook, RemoteDialer& dialer, int hangUpLimitMs = HANG_UP_LIMIT_MS);

    // Brings up the entry's link, calling number when one is given; 0 with the exchange's address (host
    // order), or an ERR_* code with dialUpError set and no link left up.
    int DialUp(const std::optional<std::string>& number, const std::string& entryName, uint32_t& exchangeAddress);
    // Ends the link, if any, and waits until the service has released it; false when it was still up
    // at the limit. Either way the link is forgotten.
    bool HangUp();
    // The service's own text for one of its error numbers, at most 255 characters.
    QString DialUpErrorText(uint32_t number);

    DialHandle dialUpConnection = 0;
    uint32_t dialUpError = 0;

private:
    bool EndLink(DialHandle handle);

    RemotePhoneBook& phoneBook_;
    RemoteDialer& dialer_;
    int hangUpLimitMs_;
};

} // namespace tobrisk
