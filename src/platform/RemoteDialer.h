// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace tobrisk {

// A link that the remote-access service brought up; 0 is none.
using DialHandle = uint64_t;

// What a dial needs: the service's entry, and the number to call when one is given.
struct DialParams {
    std::string entryName;
    std::string phoneNumber;
};

// The dialling side of the remote-access service, used on the user-interface thread. Each call gives
// 0 or the service's own error number, which ErrorText turns into the service's text.
class RemoteDialer {
public:
    virtual ~RemoteDialer() = default;

    // The stored dial parameters of the entry, as the user saved them.
    virtual uint32_t GetDialParams(const std::string& entryName, DialParams& params) = 0;
    // Whether the entry can dial params.phoneNumber (none when empty) at all: asked before the entry is
    // changed, so that a dial that would call some other number is refused before anything happens.
    virtual uint32_t CheckDial(const DialParams& params) = 0;
    // Synchronous: returns when the link is up or has failed. A failed dial may still give a handle,
    // which the caller hangs up.
    virtual uint32_t Dial(const DialParams& params, DialHandle& handle) = 0;
    // The link's remote (server) IPv4 address as dotted text.
    virtual uint32_t GetServerAddress(DialHandle handle, std::string& address) = 0;
    // Asks the service to end the link; it goes away some time later.
    virtual void HangUp(DialHandle handle) = 0;
    // True once the service has released the link (or never knew it).
    virtual bool IsReleased(DialHandle handle) = 0;
    virtual QString ErrorText(uint32_t error) = 0;
};

} // namespace tobrisk
