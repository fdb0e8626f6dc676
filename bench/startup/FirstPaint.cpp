// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into a program to time its start: at the first paint of a window it prints the microseconds
// since BENCH_STARTUP_T0 (CLOCK_MONOTONIC nanoseconds, taken by the launcher just before exec) and ends
// the process at once, so nothing of the program's exit is measured or written.

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

long long NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen_ && watched->isWidgetType()) {
            seen_ = true;
            // Queued, so that the paint and the flush to the screen are done when the time is taken.
            QTimer::singleShot(0, [] {
                const char* start = std::getenv("BENCH_STARTUP_T0");
                const long long t0 = start ? std::atoll(start) : 0;
                std::printf("%lld\n", (NowNs() - t0) / 1000);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

void WatchForFirstPaint()
{
    QCoreApplication::instance()->installEventFilter(new FirstPaint);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchForFirstPaint)
