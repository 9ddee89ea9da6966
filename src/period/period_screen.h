#pragma once

#include "shell/wizard_screen.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace corvane {

/// The period screen: the processing period, to the second, and the data's base time zone.
/// It starts from the header's data period on every showing.
class PeriodScreen final : public WizardScreen {
    Q_OBJECT

public:
    PeriodScreen(RunSetup& setup, Navigator& navigator, QWidget* parent = nullptr);

private:
    void BuildControls();
    void Form_Load();
    void cmdNEXT_Click();
    void cmdBACK_Click();
    void StoreProcessingPeriod();
    /// The period as the pickers give it, start and end.
    double PickedStart() const;
    double PickedEnd() const;

    QGroupBox* Frame1_ = nullptr;
    QGroupBox* Frame2_ = nullptr;
    QGroupBox* Frame3_ = nullptr;
    QGroupBox* Frame4_ = nullptr;
    QLabel* lblBeginDate_ = nullptr;
    QLabel* lblBeginTime_ = nullptr;
    QLabel* lblEndDate_ = nullptr;
    QLabel* lblEndTime_ = nullptr;
    QDateEdit* DTPicker_BeginDate_ = nullptr;
    QTimeEdit* DTPicker_BeginTime_ = nullptr;
    QDateEdit* DTPicker_EndDate_ = nullptr;
    QTimeEdit* DTPicker_EndTime_ = nullptr;
    QComboBox* cboTimeZone_ = nullptr;
    QPushButton* cmdNEXT_ = nullptr;
    QPushButton* cmdBACK_ = nullptr;
    QCheckBox* chkDisableErrorChecking_ = nullptr;
};

}  // namespace corvane
