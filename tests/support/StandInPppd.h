// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <csignal>
#include <string>

// A stand-in for pppd written by the test: it records its arguments and the peer file it was called
// for, runs a connect command given on its command line, and either fails with a chosen exit code or "brings the link
// up": it prints what pppd prints before detaching and leaves a daemon behind whose pid it writes to the link's pid
// file.
class StandInPppd {
public:
    StandInPppd()
    {
        QDir(dir_.path()).mkpath(QStringLiteral("peers"));
        QDir(dir_.path()).mkpath(QStringLiteral("run"));
        QDir(dir_.path()).mkpath(QStringLiteral("bin"));
        const QString script =
            QStringLiteral("#!/bin/sh\n"
                           "d='%1'\n"
                           "printf '%s\\n' \"$@\" > \"$d/args\"\n"
                           "cp \"$d/peers/$2\" \"$d/peer-at-dial\" 2>/dev/null\n"
                           // As pppd does, the connect command of the command line runs through /bin/sh.
                           "prev=; connect=\n"
                           "for a in \"$@\"; do [ \"$prev\" = connect ] && connect=$a; prev=$a; done\n"
                           "[ -n \"$connect\" ] && /bin/sh -c \"$connect\" >/dev/null 2>&1\n"
                           "[ -f \"$d/hang\" ] && exec sleep 60\n"
                           "code=$(cat \"$d/exit\" 2>/dev/null || echo 0)\n"
                           "if [ \"$code\" != 0 ]; then echo 'Script failed'; exit \"$code\"; fi\n"
                           "echo 'Using interface ppp0'\n"
                           "[ -f \"$d/silent\" ] || { echo 'local  IP address 10.64.64.64'; "
                           "echo \"remote IP address $(cat \"$d/remote\" 2>/dev/null || echo 10.1.2.3)\"; }\n"
                           "[ -f \"$d/stubborn\" ] && trap '' TERM\n"
                           "sleep 60 >/dev/null 2>&1 &\n"
                           "echo $! > \"$d/run/ppp-$2.pid\"\n"
                           "exit 0\n")
                .arg(dir_.path());
        Write(QStringLiteral("pppd"), script);
        QFile(Path(QStringLiteral("pppd"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Write(QStringLiteral("bin/chat"),
              QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1/chat-args'\n").arg(dir_.path()));
        QFile(Path(QStringLiteral("bin/chat"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    ~StandInPppd()
    {
        // A daemon that ignored SIGTERM must not outlive the test.
        for (const QString& pidFile : QDir(Path(QStringLiteral("run"))).entryList(QDir::Files)) {
            const int pid = Read(QStringLiteral("run/") + pidFile).trimmed().toInt();
            if (pid > 0)
                ::kill(pid, SIGKILL);
        }
    }

    QString Path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    QString Program() const { return Path(QStringLiteral("pppd")); }
    QString PeersFolder() const { return Path(QStringLiteral("peers")); }
    QString RunFolder() const { return Path(QStringLiteral("run")); }
    // A chat that only records its arguments, for connect commands that pppd is given.
    QString Chat() const { return Path(QStringLiteral("bin/chat")); }

    void AddPeer(const QString& name, const QString& text) { Write(QStringLiteral("peers/") + name, text); }
    void ExitWith(int code) { Write(QStringLiteral("exit"), QString::number(code)); }
    void RemoteAddress(const QString& address) { Write(QStringLiteral("remote"), address); }
    // No address lines in the output.
    void Silent() { Write(QStringLiteral("silent"), QString()); }
    // Never comes back, as a pppd that keeps retrying.
    void Hang() { Write(QStringLiteral("hang"), QString()); }
    // The daemon ignores SIGTERM.
    void Stubborn() { Write(QStringLiteral("stubborn"), QString()); }

    QStringList Arguments() const { return Read(QStringLiteral("args")).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    QString PeerAtDial() const { return Read(QStringLiteral("peer-at-dial")); }
    // What the connect command of pppd's command line ran Chat() with.
    QStringList ChatArguments() const
    {
        return Read(QStringLiteral("chat-args")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    int DaemonPid(const QString& link) const
    {
        return Read(QStringLiteral("run/ppp-%1.pid").arg(link)).trimmed().toInt();
    }

    void Write(const QString& name, const QString& text) const
    {
        QFile file(Path(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text.toUtf8());
    }
    QString Read(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir dir_;
};
