#pragma once

#include "shell/wizard_screen.h"

class QCheckBox;
class QPushButton;

namespace corvane {

/// The dataset screen: the predicted (set 1) and observed (set 2) file lists.
class DatasetScreen final : public WizardScreen {
    Q_OBJECT

public:
    DatasetScreen(RunSetup& setup, Navigator& navigator, QWidget* parent = nullptr);

private:
    void cmdNEXT_Click();

    QPushButton* cmdBACK_;
    QPushButton* cmdNEXT_;
    QCheckBox* chkDisableErrorChecking_;
};

}  // namespace corvane
