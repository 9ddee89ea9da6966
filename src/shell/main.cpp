// Corvane: sets up and runs an evaluation of a weather model against observations.

#include "shell/wizard.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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
