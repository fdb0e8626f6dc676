// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tobrisk;

namespace {

QString UniqueName()
{
    return QStringLiteral("TobriskTest-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray SocketPath(const QString& name)
{
    return QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + name);
}

// A client of the socket that is not a later start; -1 when it cannot connect.
int ConnectTo(const QByteArray& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TEST(SingleInstanceTest, ASecondStartAsksTheFirstToComeToTheFront)
{
    const QString name = UniqueName();
    SingleInstance first(name);
    EXPECT_FALSE(first.NotifyRunningInstance());
    ASSERT_TRUE(first.Listen());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    SingleInstance second(name);
    EXPECT_TRUE(second.NotifyRunningInstance());
    EXPECT_TRUE(raised.wait(5000));
    // Only the user may call, and the socket goes with the program.
    struct stat status {};
    ASSERT_EQ(::stat(SocketPath(name).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST(SingleInstanceTest, TheSocketOfAProgramThatCrashedIsTakenOver)
{
    const QString name = UniqueName();
    const QByteArray path = SocketPath(name);
    {
        // Bound and closed without listening: the file stays, and nobody answers on it.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    SingleInstance restarted(name);
    EXPECT_FALSE(restarted.NotifyRunningInstance());
    ASSERT_TRUE(restarted.Listen());
    QSignalSpy raised(&restarted, &SingleInstance::raiseRequested);
    EXPECT_TRUE(SingleInstance(name).NotifyRunningInstance());
    EXPECT_TRUE(raised.wait(5000));
}

TEST(SingleInstanceTest, OnlyTheRequestRaisesAndTheEndRemovesTheSocket)
{
    const QString name = UniqueName();
    const QByteArray path = SocketPath(name);
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.Listen());
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);

        // Something else that connects: it says nothing, or too much, or leaves at once.
        const int silent = ConnectTo(path);
        const int talkative = ConnectTo(path);
        const int leaving = ConnectTo(path);
        ASSERT_GE(silent, 0);
        ASSERT_GE(talkative, 0);
        ASSERT_GE(leaving, 0);
        const QByteArray noise(200, 'x');
        EXPECT_EQ(::send(talkative, noise.constData(), size_t(noise.size()), MSG_NOSIGNAL), noise.size());
        ::close(leaving);
        QTest::qWait(100);
        EXPECT_EQ(raised.count(), 0);

        EXPECT_TRUE(SingleInstance(name).NotifyRunningInstance());
        EXPECT_TRUE(raised.wait(5000));
        ::close(silent);
        ::close(talkative);
    }
    EXPECT_NE(::access(path.constData(), F_OK), 0);
    EXPECT_FALSE(SingleInstance(name).NotifyRunningInstance());
}
