// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

void CQtWaitCursor::Show()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void CQtWaitCursor::Restore()
{
    QGuiApplication::restoreOverrideCursor();
}
