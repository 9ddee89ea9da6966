// Corvane: sets up and runs an evaluation of a weather model against observations.

#include <QApplication>

#include "shell/corvane_style.h"
#include "shell/wizard.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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
