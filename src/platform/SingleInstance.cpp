// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace tobrisk {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 1000;
const QByteArray RAISE_REQUEST = QByteArrayLiteral("raise\n");

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), name_(name) {}

QString SingleInstance::DefaultName()
{
    return QStringLiteral("Tobrisk%1").arg(getuid());
}

bool SingleInstance::NotifyRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(CONNECT_TIMEOUT_MS))
        return false;
    socket.write(RAISE_REQUEST);
    socket.waitForBytesWritten(CONNECT_TIMEOUT_MS);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Listen()
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // A socket file left behind by a program that crashed: nobody answered on it.
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(RAISE_REQUEST))
                    emit raiseRequested();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    return true;
}

} // namespace tobrisk
