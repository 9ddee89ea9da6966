#include "datasets/dataset_screen.h"

#include <QCheckBox>
#include <QPushButton>

namespace corvane {

DatasetScreen::DatasetScreen(RunSetup& setup, Navigator& navigator, QWidget* parent)
    : WizardScreen(setup, navigator, 14685, 8535, parent) {
    chkDisableErrorChecking_ = AddDisableErrorCheckingBox(120, 8040);
    cmdBACK_ = AddButton("cmdBACK", QStringLiteral("BACK"), 6015, 7800);
    cmdBACK_->setEnabled(false);
    cmdNEXT_ = AddButton("cmdNEXT", QStringLiteral("NEXT"), 7455, 7800);
    connect(cmdNEXT_, &QPushButton::clicked, this, &DatasetScreen::cmdNEXT_Click);
}

void DatasetScreen::cmdNEXT_Click() { navigator_.ShowScreen(ScreenId::Period); }

}  // namespace corvane
