// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The supervision of the link: owned by the main frame, user-interface thread only. Once a period it
// polls an Ethernet exchange (one retry) or looks for a recorded error on the socket of a dial-up or
// PPPoE link, and on a drop disconnects and tells the user.

#include <QObject>
#include <QTimer>
#include <cstdint>

class CPlimsetApp;

// The times are handed in, so that a test need not wait a real minute.
struct CSupervisionTimes {
    int periodMs = 60'000;
    uint32_t pollTimeoutMs = 10'000;
};

class CSupervision : public QObject {
    Q_OBJECT

public:
    CSupervision(CPlimsetApp& app, CSupervisionTimes times, QObject* parent = nullptr);

    // Starts the periodic check, or restarts it when it runs.
    void Start();
    void Stop();
    bool IsActive() const { return timer_.isActive(); }
    const CSupervisionTimes& Times() const { return times_; }

    void OnTimer();
    // True when the exchange answered a poll, the first or the retry.
    bool CheckConnection(bool retryAllowed);

private:
    void Trace(const char* line);

    CPlimsetApp& app_;
    CSupervisionTimes times_;
    QTimer timer_;
};
