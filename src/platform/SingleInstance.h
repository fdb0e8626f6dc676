// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QSocketNotifier;

namespace tobrisk {

// One program per user: the first start listens on a local socket, a later start asks it
// to come to the front and then ends. The socket is a plain Unix-domain one in the temporary folder,
// where a local server of the framework would put it under the same name; it is served by the event
// loop, so the program's start loads no networking library.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // The per-user name the program uses.
    static QString DefaultName();

    // True when another instance answered and has been asked to come to the front.
    bool NotifyRunningInstance();
    // Starts answering later starts; false when the name cannot be taken.
    bool Listen();

signals:
    void raiseRequested();

private:
    struct Client {
        std::unique_ptr<QSocketNotifier> readable;
        QByteArray received;
    };

    void Accept();
    void ReadFrom(int fd);
    void Drop(int fd);

    QByteArray path_;
    int listener_ = -1;
    std::unique_ptr<QSocketNotifier> incoming_;
    std::map<int, Client> clients_;
};

} // namespace tobrisk
