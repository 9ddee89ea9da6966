#include "dialogs/pause.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace corvane {

void PauseMilliseconds(std::int16_t duration) {
    if (duration <= 0) {
        return;
    }
    const QDeadlineTimer deadline(duration, Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The deadline decides, so the wait lasts at least its duration. Once the application
    // is quitting, exec() refuses to run (it returns non-zero) and the wait ends early:
    // nothing is left to wait for.
    while (!deadline.hasExpired() && !QCoreApplication::closingDown()) {
        timer.start(static_cast<int>(deadline.remainingTime()));
        if (loop.exec() != 0) {
            return;
        }
    }
}

}  // namespace corvane
