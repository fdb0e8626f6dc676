#include "platform/WaitCursor.h"

#include <QGuiApplication>

void CQtWaitCursor::Show()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void CQtWaitCursor::Restore()
{
    QGuiApplication::restoreOverrideCursor();
}
