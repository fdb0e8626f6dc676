// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace tobrisk {

void QtWaitCursor::Show()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void QtWaitCursor::Restore()
{
    QGuiApplication::restoreOverrideCursor();
}

} // namespace tobrisk
