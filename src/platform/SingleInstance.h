// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tobrisk {

// One program per user: the first start listens on a local socket, a later start asks it
// to come to the front and then ends.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);

    // The per-user name the program uses.
    static QString DefaultName();

    // True when another instance answered and has been asked to come to the front.
    bool NotifyRunningInstance();
    // Starts answering later starts; false when the name cannot be taken.
    bool Listen();

signals:
    void raiseRequested();

private:
    QString name_;
    QLocalServer* server_ = nullptr;
};

} // namespace tobrisk
