// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Progress of long work in the main window's status bar, owned by the command doing the work on the
// user-interface thread. The message goes with the object, and the status bar shows what it showed
// before (the line pane never leaves it).

#include <QElapsedTimer>
#include <QString>

class QMainWindow;
class QStatusBar;

namespace tobrisk {

class StatusProgress {
public:
    // `format` takes the count done as %1 and, where given, the total as %2. No window: nothing shown.
    StatusProgress(QMainWindow* window, QString format);
    ~StatusProgress();
    StatusProgress(const StatusProgress&) = delete;
    StatusProgress& operator=(const StatusProgress&) = delete;

    void Show(int done);
    void Show(int done, int total);

private:
    void ShowText(const QString& text);

    QStatusBar* bar_ = nullptr;
    QString format_;
    QElapsedTimer sincePaint_;
};

} // namespace tobrisk
