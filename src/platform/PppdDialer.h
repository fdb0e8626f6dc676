// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/RemoteDialer.h"

#include <QString>
#include <map>
#include <sys/types.h>

namespace tobrisk {

// Error numbers of our own, beyond pppd's exit codes (0 to 19), for what pppd cannot report itself.
inline constexpr uint32_t PPPD_NOT_STARTED = 1000;
inline constexpr uint32_t PPPD_CRASHED = 1001;
inline constexpr uint32_t PPPD_NO_REMOTE_ADDRESS = 1002;
inline constexpr uint32_t PPPD_UNKNOWN_LINK = 1003;
inline constexpr uint32_t PPPD_DIAL_TIMED_OUT = 1004;
// The peer file has nowhere to take the connection's number: pppd would dial its own.
inline constexpr uint32_t PPPD_PEER_TAKES_NO_NUMBER = 1005;
// The peer's chat script cannot be read to see whether it dials the number.
inline constexpr uint32_t PPPD_CHAT_SCRIPT_UNREADABLE = 1006;
// The number holds characters that cannot be passed to pppd and chat safely.
inline constexpr uint32_t PPPD_UNSAFE_NUMBER = 1007;

// A pppd told to persist can try for ever; the user waits this long at most.
inline constexpr int PPPD_DIAL_LIMIT_MS = 120000;
// pppd's own code for a peer file it cannot use.
inline constexpr uint32_t PPPD_OPTION_ERROR = 2;

// pppd's exit codes and the texts of its manual, then our own numbers; "" for a number neither knows.
QString PppdErrorText(uint32_t error);
// The last "remote IP address a.b.c.d" that pppd wrote before it detached; empty when none.
std::string RemoteAddressFromPppdOutput(const QString& output);

struct PppdPaths {
    QString program = QStringLiteral("/usr/sbin/pppd");
    QString peersFolder = QStringLiteral("/etc/ppp/peers");
    // Where pppd writes ppp-<linkname>.pid.
    QString runFolder = QStringLiteral("/var/run");
};

// The default paths, each replaced by its environment variable when that is set: TOBRISK_PPPD (the
// program), TOBRISK_PPP_PEERS (the peers folder) and TOBRISK_PPP_RUN (where pppd keeps its pid files).
PppdPaths PppdPathsFromEnvironment();

// The remote-access service over pppd: an entry is a peers file, a dial is `pppd call NAME [number
// options] nodefaultroute updetach linkname NAME`, a hang-up is SIGTERM to the pid in the link's pid
// file. The number goes on the command line, so that it is dialled whatever the peer file holds and
// whether or not the user can write it. Owned by main() (or a test) and used on the user-interface
// thread only.
class PppdDialer : public RemoteDialer {
public:
    explicit PppdDialer(PppdPaths paths = {}, int dialLimitMs = PPPD_DIAL_LIMIT_MS);

    uint32_t GetDialParams(const std::string& entryName, DialParams& params) override;
    // Refuses a number that cannot be passed safely, and a peer that would not dial it.
    uint32_t CheckDial(const DialParams& params) override;
    uint32_t Dial(const DialParams& params, DialHandle& handle) override;
    uint32_t GetServerAddress(DialHandle handle, std::string& address) override;
    void HangUp(DialHandle handle) override;
    bool IsReleased(DialHandle handle) override;
    QString ErrorText(uint32_t error) override;

private:
    struct Link {
        std::string name;
        std::string serverAddress;
        pid_t pid = 0;
    };
    pid_t ReadLinkPid(const std::string& name) const;
    // Appends to pppd's arguments what makes the peer dial params.phoneNumber; 0 or why it cannot.
    uint32_t AddNumberOptions(const DialParams& params, QStringList& arguments);

    PppdPaths paths_;
    // The dial that was refused last, named by the texts of the refusals.
    DialParams refused_;
    int dialLimitMs_;
    std::map<DialHandle, Link> links_;
    DialHandle nextHandle_ = 1;
};

} // namespace tobrisk
