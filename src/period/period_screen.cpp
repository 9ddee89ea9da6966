#include "period/period_screen.h"

#include <QCheckBox>
#include <QPushButton>

namespace corvane {

PeriodScreen::PeriodScreen(RunSetup& setup, Navigator& navigator, QWidget* parent)
    : WizardScreen(setup, navigator, 11775, 6615, parent) {
    cmdNEXT_ = AddButton("cmdNEXT", QStringLiteral("NEXT"), 6000, 5880);
    cmdBACK_ = AddButton("cmdBACK", QStringLiteral("BACK"), 4560, 5880);
    chkDisableErrorChecking_ = AddDisableErrorCheckingBox(240, 6120);
    connect(cmdNEXT_, &QPushButton::clicked, this, &PeriodScreen::cmdNEXT_Click);
    connect(cmdBACK_, &QPushButton::clicked, this, &PeriodScreen::cmdBACK_Click);
}

void PeriodScreen::cmdNEXT_Click() { navigator_.ShowScreen(ScreenId::Output); }

void PeriodScreen::cmdBACK_Click() { navigator_.ShowScreen(ScreenId::Dataset); }

}  // namespace corvane
