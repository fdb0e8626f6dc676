// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

bool RunModals(const std::function<void()>& trigger, const std::vector<std::function<void(QWidget*)>>& acts,
               int guardMs)
{
    QWidget* const outer = QApplication::activeModalWidget();
    QPointer<QWidget> last;
    size_t acted = 0;
    bool timedOut = false;

    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        // A dialog that has been acted on may still be the active one until its loop has ended.
        if (acted == acts.size() || !modal || modal == outer || modal == last)
            return;
        last = modal;
        acts[acted++](modal);
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        timedOut = true;
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (modal == outer)
                break;
            if (auto* d = qobject_cast<QDialog*>(modal))
                d->reject();
            else
                modal->close();
            QApplication::processEvents();
        }
    });
    poll.start();
    guard.start(guardMs);
    trigger();
    poll.stop();
    guard.stop();

    if (acted < acts.size())
        ADD_FAILURE() << "only " << acted << " of " << acts.size() << " modal dialogs appeared";
    else if (timedOut)
        ADD_FAILURE() << "a modal dialog was still open after " << guardMs << " ms";
    return acted == acts.size() && !timedOut;
}

bool RunModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& act, int guardMs)
{
    return RunModals(trigger, {act}, guardMs);
}
