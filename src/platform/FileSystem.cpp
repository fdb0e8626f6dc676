// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tobrisk {

int CreateEmptyFile(const QString& path)
{
    // POSIX directly: the message names the system's error number, which QFile hides.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    return ::close(fd) == 0 ? 0 : errno;
}

} // namespace tobrisk
