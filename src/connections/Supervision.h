// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The supervision of the link: owned by the session, session's thread only. Once a period it
// polls an Ethernet exchange (one retry) or looks for a recorded error on the socket of a dial-up or
// PPPoE link, and reports a drop to the session, which tells whoever disconnects.

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>

namespace tobrisk {

class DebugOutput;
class Session;

// The times are handed in, so that a test need not wait a real minute.
struct SupervisionTimes {
    int periodMs = 60'000;
    uint32_t pollTimeoutMs = 10'000;
};

class Supervision : public QObject {
    Q_OBJECT

public:
    Supervision(Session& session, DebugOutput& debug, SupervisionTimes times, QObject* parent = nullptr);

    // Starts the periodic check, or restarts it when it runs.
    void Start();
    void Stop();
    bool IsActive() const { return timer_.isActive(); }
    const SupervisionTimes& Times() const { return times_; }

    void OnTimer();
    // True when the exchange answered a poll, the first or the retry.
    bool CheckConnection(bool retryAllowed);

private:
    void Trace(const char* line);
    void Dropped(const QString& text);

    Session& session_;
    DebugOutput& debug_;
    SupervisionTimes times_;
    QTimer timer_;
};

// An IPv4 address in host order as four zero-padded octets: 192.168.001.010.
QString FormatAddress(uint32_t address);

} // namespace tobrisk
