// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StatusProgress.h"

#include <QMainWindow>
#include <QStatusBar>

namespace tobrisk {

namespace {

// Work that never lets the event loop run (the writes of a save) repaints the count itself, though
// not for every record.
constexpr qint64 REPAINT_INTERVAL_MS = 100;

} // namespace

StatusProgress::StatusProgress(QMainWindow* window, QString format)
    : bar_(window ? window->statusBar() : nullptr), format_(std::move(format))
{
}

StatusProgress::~StatusProgress()
{
    if (bar_)
        bar_->clearMessage();
}

void StatusProgress::Show(int done)
{
    ShowText(format_.arg(done));
}

void StatusProgress::Show(int done, int total)
{
    ShowText(format_.arg(done).arg(total));
}

void StatusProgress::ShowText(const QString& text)
{
    if (!bar_)
        return;
    bar_->showMessage(text);
    if (!sincePaint_.isValid() || sincePaint_.elapsed() >= REPAINT_INTERVAL_MS) {
        bar_->repaint();
        sincePaint_.start();
    }
}

} // namespace tobrisk
