// Corvane: sets up and runs an evaluation of a weather model against observations.

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "shell/corvane_style.h"
#include "shell/wizard.h"

namespace {

constexpr const char* kUsage =
    "Usage: corvane\n"
    "       corvane --help | --version\n"
    "\n"
    "Starts the Corvane wizard: pick the predicted and observed time series files of a set\n"
    "of weather stations, the processing period and the output settings, and press RUN to\n"
    "evaluate them with wxcheck and open its list file.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("corvane " CORVANE_VERSION);
            return 0;
        }
    }

    QApplication app(argc, argv);
    // Ties the windows to the desktop entry, so that the desktop shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVANE_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(CORVANE_APP_ID)));
    QApplication::setStyle(new corvane::CorvaneStyle);
    // Screens replace each other, so for a moment no window is open; the program ends
    // only when the wizard says so.
    QApplication::setQuitOnLastWindowClosed(false);

    corvane::Wizard wizard;
    wizard.Start();
    if (wizard.Ended()) {
        return 0;
    }
    return QApplication::exec();
}
