// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/RemoteDialer.h"

#include <functional>
#include <string>
#include <vector>

using namespace tobrisk;

// A remote-access service that answers from its settings and records every call in order
// ("params isdn1", "check isdn1 0511", "dial isdn1 0511", "address", "hangup", "status").
class FakeRemoteDialer : public RemoteDialer {
public:
    uint32_t paramsError = 0;
    uint32_t checkError = 0;
    uint32_t dialError = 0;
    // A failed dial that still hands out a handle, as the service may.
    bool handleOnFailedDial = false;
    uint32_t addressError = 0;
    std::string serverAddress = "127.0.0.1";
    // How many status questions after a hang-up still find the link; negative: it never goes.
    int busyPolls = 0;
    // Called at each hang-up, to look at the caller's state at that moment.
    std::function<void()> onHangUp;

    std::vector<std::string> calls;
    std::vector<DialParams> dialled;

    uint32_t GetDialParams(const std::string& entryName, DialParams& params) override
    {
        calls.push_back("params " + entryName);
        if (paramsError != 0)
            return paramsError;
        params.entryName = entryName;
        params.phoneNumber = "stored";
        return 0;
    }
    uint32_t CheckDial(const DialParams& params) override
    {
        calls.push_back("check " + params.entryName + " " + params.phoneNumber);
        return checkError;
    }
    uint32_t Dial(const DialParams& params, DialHandle& handle) override
    {
        calls.push_back("dial " + params.entryName + " " + params.phoneNumber);
        dialled.push_back(params);
        handle = dialError == 0 || handleOnFailedDial ? ++lastHandle : 0;
        if (handle != 0)
            up = true;
        return dialError;
    }
    uint32_t GetServerAddress(DialHandle, std::string& address) override
    {
        calls.emplace_back("address");
        if (addressError != 0)
            return addressError;
        address = serverAddress;
        return 0;
    }
    void HangUp(DialHandle) override
    {
        calls.emplace_back("hangup");
        if (onHangUp)
            onHangUp();
        pollsLeft = busyPolls;
    }
    bool IsReleased(DialHandle) override
    {
        calls.emplace_back("status");
        if (pollsLeft == 0) {
            up = false;
            return true;
        }
        if (pollsLeft > 0)
            --pollsLeft;
        return false;
    }
    QString ErrorText(uint32_t error) override { return QStringLiteral("testo %1").arg(error); }

    bool up = false;
    DialHandle lastHandle = 0;

private:
    int pollsLeft = 0;
};
