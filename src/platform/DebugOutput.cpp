// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DebugOutput.h"

#include <QLoggingCategory>

namespace tobrisk {

Q_LOGGING_CATEGORY(lcTobrisk, "tobrisk")

void QtDebugOutput::Write(std::string_view line)
{
    // qDebug ends the line itself.
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    qCDebug(lcTobrisk).noquote() << QString::fromUtf8(line.data(), qsizetype(line.size()));
}

} // namespace tobrisk
