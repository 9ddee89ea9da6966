// Measures the processor time the program uses while a run waits for its marker. Not a
// test: run it by hand, for example
//   QT_QPA_PLATFORM=offscreen build/bin/run_wait_probe 30
// It starts a run whose stand-in engine sleeps the given seconds and prints the process's
// own user + system time over the wall time of the run, as a share of one core. While it
// waits, `cat /proc/PID/stat` (fields 14 and 15) gives the same figure from outside.

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

#include "run/console_window.h"
#include "run/output_screen.h"
#include "run_test_world.h"

namespace {

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    int status = 1;
    {
        corvane::testing::RunTestWorld world;
        corvane::RunSetup setup;
        world.FillSetup(setup, world.Output());
        corvane::testing::RecordingNavigator navigator;
        qputenv("FAKE_WXCHECK_MODE", QByteArray("sleep:") + QByteArray::number(seconds));
        auto* screen = new corvane::OutputScreen(setup, navigator);
        screen->show();
        std::printf("pid %d: the engine sleeps %d s\n", static_cast<int>(getpid()), seconds);
        std::fflush(stdout);

        QElapsedTimer wall;
        wall.start();
        const double before = ProcessorSeconds();
        corvane::testing::ClickAndWait(screen->findChild<QPushButton*>(QStringLiteral("cmdRUN")),
                                       (seconds + 60) * 1000);
        const double used = ProcessorSeconds() - before;
        const double elapsed = wall.elapsed() / 1000.0;
        const QString result = screen->findChild<QLabel*>(QStringLiteral("lblStatus"))->text();
        std::printf("status \"%s\"; %.3f s of processor time in %.1f s: %.2f%% of one core\n",
                    qPrintable(result), used, elapsed, 100.0 * used / elapsed);
        status = result == QStringLiteral("Finished") ? 0 : 1;
        delete screen;
    }
    return status;
}
