#pragma once

#include "shell/wizard_screen.h"

class QCheckBox;
class QPushButton;

namespace corvane {

/// The output screen: output settings, RUN and, after a finished run, EXIT.
class OutputScreen final : public WizardScreen {
    Q_OBJECT

public:
    OutputScreen(RunSetup& setup, Navigator& navigator, QWidget* parent = nullptr);

private:
    void cmdBACK_Click();
    void cmdRUN_Click();
    void cmdExit_Click();

    QPushButton* cmdBACK_;
    QPushButton* cmdRUN_;
    QPushButton* cmdExit_;
    QCheckBox* chkDisableErrorChecking_;
};

}  // namespace corvane
