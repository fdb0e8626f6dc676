// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PppdDialer.h"

#include "platform/CodePage.h"
#include "platform/PppdPhoneBook.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <array>
#include <cerrno>
#include <csignal>

namespace tobrisk {

namespace {

// Exit statuses as the pppd manual words them.
constexpr std::array<const char*, 20> EXIT_TEXTS = {
    "Pppd has detached, or otherwise the connection was successfully established and terminated at the "
    "peer's request.",
    "An immediately fatal error of some kind occurred, such as an essential system call failing, or "
    "running out of virtual memory.",
    "An error was detected in processing the options given, such as two mutually exclusive options being "
    "used.",
    "Pppd is not setuid-root and the invoking user is not root.",
    "The kernel does not support PPP, for example, the PPP kernel driver is not included or cannot be "
    "loaded.",
    "Pppd terminated because it was sent a SIGINT, SIGTERM or SIGHUP signal.",
    "The serial port could not be locked.",
    "The serial port could not be opened.",
    "The connect script failed (returned a non-zero exit status).",
    "The command specified as the argument to the pty option could not be run.",
    "The PPP negotiation failed, that is, it didn't reach the point where at least one network protocol "
    "(e.g. IP) was running.",
    "The peer system failed (or refused) to authenticate itself.",
    "The link was established successfully and terminated because it was idle.",
    "The link was established successfully and terminated because the connect time limit was reached.",
    "Callback was negotiated and an incoming call should arrive shortly.",
    "The link was terminated because the peer is not responding to echo requests.",
    "The link was terminated by the modem hanging up.",
    "The PPP negotiation failed because serial loopback was detected.",
    "The init script failed (returned a non-zero exit status).",
    "We failed to authenticate ourselves to the peer.",
};

// pppd refuses to read a call file outside its peers folder, and so do we before starting it.
bool IsPlainEntryName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// A process that has ended but not been reaped by its new parent still answers kill(pid, 0).
bool IsAlive(pid_t pid)
{
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end < 0 || end + 2 >= line.size() || line.at(end + 2) != 'Z';
}

} // namespace

QString PppdErrorText(uint32_t error)
{
    if (error < EXIT_TEXTS.size())
        return QLatin1String(EXIT_TEXTS[error]);
    switch (error) {
    case PPPD_NOT_STARTED:
        return QStringLiteral("The pppd program could not be started.");
    case PPPD_CRASHED:
        return QStringLiteral("Pppd ended abnormally.");
    case PPPD_NO_REMOTE_ADDRESS:
        return QStringLiteral("The link reported no remote IP address.");
    case PPPD_UNKNOWN_LINK:
        return QStringLiteral("The link is not known.");
    case PPPD_DIAL_TIMED_OUT:
        return QStringLiteral("Pppd did not bring the link up in time.");
    default:
        return QString();
    }
}

std::string RemoteAddressFromPppdOutput(const QString& output)
{
    static const QRegularExpression pattern(
        QStringLiteral("remote IP address\\s+(\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3})\\b"));
    std::string address;
    for (QRegularExpressionMatchIterator it = pattern.globalMatch(output); it.hasNext();)
        address = ToCp1252(it.next().captured(1));
    return address;
}

PppdPaths PppdPathsFromEnvironment()
{
    PppdPaths paths;
    const auto take = [](const char* name, QString& path) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            path = value;
    };
    take("TOBRISK_PPPD", paths.program);
    take("TOBRISK_PPP_PEERS", paths.peersFolder);
    take("TOBRISK_PPP_RUN", paths.runFolder);
    return paths;
}

PppdDialer::PppdDialer(PppdPaths paths, int dialLimitMs) : paths_(std::move(paths)), dialLimitMs_(dialLimitMs) {}

uint32_t PppdDialer::GetDialParams(const std::string& entryName, DialParams& params)
{
    // The peers file is what pppd will read as the entry's stored parameters.
    if (!IsPlainEntryName(entryName) ||
        !QFileInfo(QDir(paths_.peersFolder).filePath(FromCp1252(entryName))).isReadable())
        return PPPD_OPTION_ERROR;
    params.entryName = entryName;
    params.phoneNumber.clear();
    return 0;
}

uint32_t PppdDialer::AddNumberOptions(const DialParams& params, QStringList& arguments)
{
    if (params.phoneNumber.empty())
        return 0;
    const std::optional<std::string> peer =
        ReadPeerFile(QDir(paths_.peersFolder).filePath(FromCp1252(params.entryName)));
    if (!peer)
        return PPPD_OPTION_ERROR;
    const PeerNumberOptions number = NumberOptionsForPeer(*peer, params.phoneNumber, [](const std::string& path) {
        return ReadPeerFile(QFile::decodeName(QByteArray::fromStdString(path)));
    });
    if (number.refusal == PeerNumberRefusal::None) {
        for (const std::string& option : number.options)
            arguments << QFile::decodeName(QByteArray::fromStdString(option));
        return 0;
    }
    refused_ = params;
    switch (number.refusal) {
    case PeerNumberRefusal::UnsafeNumber:
        return PPPD_UNSAFE_NUMBER;
    case PeerNumberRefusal::ScriptUnreadable:
        return PPPD_CHAT_SCRIPT_UNREADABLE;
    case PeerNumberRefusal::None:
    case PeerNumberRefusal::NoPlace:
        break;
    }
    return PPPD_PEER_TAKES_NO_NUMBER;
}

uint32_t PppdDialer::CheckDial(const DialParams& params)
{
    if (!IsPlainEntryName(params.entryName))
        return PPPD_OPTION_ERROR;
    QStringList arguments;
    return AddNumberOptions(params, arguments);
}

uint32_t PppdDialer::Dial(const DialParams& params, DialHandle& handle)
{
    handle = 0;
    if (!IsPlainEntryName(params.entryName))
        return PPPD_OPTION_ERROR;
    const QString name = FromCp1252(params.entryName);
    QStringList arguments{QStringLiteral("call"), name};
    if (const uint32_t error = AddNumberOptions(params, arguments))
        return error;
    // Unprivileged users may give nodefaultroute; the PC keeps its own default route.
    arguments << QStringLiteral("nodefaultroute") << QStringLiteral("updetach") << QStringLiteral("linkname") << name;
    QProcess pppd;
    pppd.setProcessChannelMode(QProcess::MergedChannels);
    // The forked daemon inherits the output pipe; reading until its end would wait for the hang-up.
    QEventLoop loop;
    bool failedToStart = false;
    QObject::connect(&pppd, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&pppd, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            failedToStart = true;
            loop.quit();
        }
    });
    pppd.start(paths_.program, arguments);
    bool timedOut = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    // The window keeps repainting during a dial that can take many seconds; input waits.
    if (!failedToStart && pppd.state() != QProcess::NotRunning) {
        limit.start(dialLimitMs_);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (failedToStart)
        return PPPD_NOT_STARTED;
    if (timedOut) {
        // pppd ends a dial in progress on SIGTERM; one that ignores it is killed.
        pppd.terminate();
        if (!pppd.waitForFinished(3000))
            pppd.kill();
        return PPPD_DIAL_TIMED_OUT;
    }
    if (pppd.exitStatus() != QProcess::NormalExit)
        return PPPD_CRASHED;
    const QString output = QString::fromLocal8Bit(pppd.readAll());
    if (pppd.exitCode() != 0)
        return uint32_t(pppd.exitCode());

    handle = nextHandle_++;
    links_[handle] = Link{params.entryName, RemoteAddressFromPppdOutput(output), 0};
    return 0;
}

uint32_t PppdDialer::GetServerAddress(DialHandle handle, std::string& address)
{
    const auto link = links_.find(handle);
    if (link == links_.end())
        return PPPD_UNKNOWN_LINK;
    if (link->second.serverAddress.empty())
        return PPPD_NO_REMOTE_ADDRESS;
    address = link->second.serverAddress;
    return 0;
}

pid_t PppdDialer::ReadLinkPid(const std::string& name) const
{
    QFile file(QDir(paths_.runFolder).filePath(QStringLiteral("ppp-%1.pid").arg(FromCp1252(name))));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const int pid = file.readLine().trimmed().toInt(&ok);
    return ok && pid > 0 ? pid_t(pid) : 0;
}

void PppdDialer::HangUp(DialHandle handle)
{
    const auto link = links_.find(handle);
    if (link == links_.end())
        return;
    link->second.pid = ReadLinkPid(link->second.name);
    if (link->second.pid > 0)
        ::kill(link->second.pid, SIGTERM);
}

bool PppdDialer::IsReleased(DialHandle handle)
{
    const auto link = links_.find(handle);
    if (link == links_.end())
        return true;
    // Asked before the hang-up, the link is told by the pid file that pppd keeps while it runs.
    if (link->second.pid == 0)
        link->second.pid = ReadLinkPid(link->second.name);
    if (link->second.pid > 0 && IsAlive(link->second.pid))
        return false;
    links_.erase(link);
    return true;
}

QString PppdDialer::ErrorText(uint32_t error)
{
    const QString link = FromCp1252(refused_.entryName);
    switch (error) {
    case PPPD_PEER_TAKES_NO_NUMBER:
        return QStringLiteral("Il collegamento \"%1\" non può comporre il numero della connessione: non ha uno "
                              "script chat con \\T né l'opzione number.")
            .arg(link);
    case PPPD_CHAT_SCRIPT_UNREADABLE:
        return QStringLiteral("Il collegamento \"%1\" non può comporre il numero della connessione: il suo script "
                              "chat non si può leggere per sapere se ha \\T e la riga connect non ha -T.")
            .arg(link);
    case PPPD_UNSAFE_NUMBER:
        return QStringLiteral("Il numero di telefono \"%1\" contiene caratteri che non si possono passare a pppd.")
            .arg(FromCp1252(refused_.phoneNumber));
    default:
        return PppdErrorText(error);
    }
}

} // namespace tobrisk
