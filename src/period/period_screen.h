#pragma once

#include "shell/wizard_screen.h"

class QCheckBox;
class QPushButton;

namespace corvane {

/// The period screen: processing period and the data's base time zone.
class PeriodScreen final : public WizardScreen {
    Q_OBJECT

public:
    PeriodScreen(RunSetup& setup, Navigator& navigator, QWidget* parent = nullptr);

private:
    void cmdNEXT_Click();
    void cmdBACK_Click();

    QPushButton* cmdNEXT_;
    QPushButton* cmdBACK_;
    QCheckBox* chkDisableErrorChecking_;
};

}  // namespace corvane
