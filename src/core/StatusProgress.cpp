// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StatusProgress.h"

#include <QStatusBar>

namespace {

// Work that never lets the event loop run (the writes of a save) repaints the count itself, though
// not for every record.
constexpr qint64 REPAINT_INTERVAL_MS = 100;

} // namespace

CStatusProgress::CStatusProgress(CMainFrame* frame, QString format)
    : bar_(frame ? frame->statusBar() : nullptr), format_(std::move(format))
{
}

CStatusProgress::~CStatusProgress()
{
    if (bar_)
        bar_->clearMessage();
}

void CStatusProgress::Show(int done)
{
    ShowText(format_.arg(done));
}

void CStatusProgress::Show(int done, int total)
{
    ShowText(format_.arg(done).arg(total));
}

void CStatusProgress::ShowText(const QString& text)
{
    if (!bar_)
        return;
    bar_->showMessage(text);
    if (!sincePaint_.isValid() || sincePaint_.elapsed() >= REPAINT_INTERVAL_MS) {
        bar_->repaint();
        sincePaint_.start();
    }
}

CFrameObserverScope::CFrameObserverScope(CMainFrame* frame, CMainFrame::FrameObserver observer) : frame_(frame)
{
    if (frame_)
        previous_ = frame_->SetFrameObserver(std::move(observer));
}

CFrameObserverScope::~CFrameObserverScope()
{
    if (frame_)
        frame_->SetFrameObserver(std::move(previous_));
}
