// Preloaded (LD_PRELOAD) into an installed corvane by the install test, so that the program
// under test is the installed one, unchanged, with no hook of its own. Once the dataset
// screen shows, the probe puts the series named by CORVANE_PROBE_SERIES into both lists and
// presses NEXT; the period screen then reads the time-zone table as it always does. The
// probe prints what the zone box holds ("zones: N", "zone: NAME"), or the text of a message
// box, and ends the process: status 0 when the box holds zones and shows the series' zone.

#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

[[noreturn]] void Finish(int status, const QString& report) {
    std::fputs(qPrintable(report + u'\n'), stdout);
    std::fflush(stdout);
    // Ends at once, inside whatever modal loop the wizard is in.
    ::_exit(status);
}

void Look() {
    const QString series = qEnvironmentVariable("CORVANE_PROBE_SERIES");
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) {
            continue;
        }
        if (const auto* box = qobject_cast<QMessageBox*>(window)) {
            Finish(1, QStringLiteral("message: ") + box->text());
        }
        if (const auto* zones = window->findChild<QComboBox*>(QStringLiteral("cboTimeZone"))) {
            const QString report =
                QStringLiteral("zones: %1\nzone: %2").arg(zones->count()).arg(zones->currentText());
            Finish(zones->count() > 0 && !zones->currentText().isEmpty() ? 0 : 1, report);
        }
        auto* predicted = window->findChild<QListWidget*>(QStringLiteral("lstTSFFiles1"));
        auto* observed = window->findChild<QListWidget*>(QStringLiteral("lstTSFFiles2"));
        auto* next = window->findChild<QPushButton*>(QStringLiteral("cmdNEXT"));
        if (predicted != nullptr && observed != nullptr && next != nullptr &&
            predicted->count() == 0) {
            predicted->addItem(series);
            observed->addItem(series);
            // Queued, so that a message box it opens does not block this timer.
            QMetaObject::invokeMethod(next, &QPushButton::click, Qt::QueuedConnection);
        }
    }
}

void StartProbe() {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, &Look);
    timer->start(50);
    QTimer::singleShot(60000, timer, [] { Finish(2, QStringLiteral("no period screen")); });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartProbe)
