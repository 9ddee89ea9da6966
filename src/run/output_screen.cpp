#include "run/output_screen.h"

#include <QCheckBox>
#include <QPushButton>

namespace corvane {

OutputScreen::OutputScreen(RunSetup& setup, Navigator& navigator, QWidget* parent)
    : WizardScreen(setup, navigator, 11775, 6615, parent) {
    cmdBACK_ = AddButton("cmdBACK", QStringLiteral("BACK"), 4560, 5880);
    cmdRUN_ = AddButton("cmdRUN", QStringLiteral("RUN"), 6000, 5880);
    cmdExit_ = AddButton("cmdExit", QStringLiteral("EXIT"), 10320, 5880);
    cmdExit_->setVisible(false);
    chkDisableErrorChecking_ = AddDisableErrorCheckingBox(240, 6120);
    connect(cmdBACK_, &QPushButton::clicked, this, &OutputScreen::cmdBACK_Click);
    connect(cmdRUN_, &QPushButton::clicked, this, &OutputScreen::cmdRUN_Click);
    connect(cmdExit_, &QPushButton::clicked, this, &OutputScreen::cmdExit_Click);
}

void OutputScreen::cmdBACK_Click() { navigator_.ShowScreen(ScreenId::Period); }

void OutputScreen::cmdRUN_Click() {}

void OutputScreen::cmdExit_Click() {
    PrepareToLeave();
    close();
    navigator_.EndProgram();
}

}  // namespace corvane
