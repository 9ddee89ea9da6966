#pragma once

#include <optional>

#include "run/compare_sequence.h"
#include "run/run_sequence.h"
#include "shell/wizard_screen.h"

class QCheckBox;
class QColor;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace corvane {

/// Whether a character typed into the threshold field is kept: control characters, ".",
/// the digits and codes from 128 on; blanks, signs, commas, "/" and letters are discarded.
bool ThresholdKeyPasses(char32_t code);

/// The output screen: the calm wind threshold, the missing-data filter, the title line,
/// root name and output folder, and RUN, which drives one evaluation run; EXIT, VIEW REPORT
/// and COMPARE... after a finished run.
class OutputScreen final : public WizardScreen, private RunHost {
    Q_OBJECT

public:
    OutputScreen(RunSetup& setup, Navigator& navigator, QWidget* parent = nullptr);

    /// True while RUN's run waits; a second RUN or BACK then does nothing.
    bool RunInProgress() const { return running_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void cmdBrowseDirectory_Click();
    void txtOutputDirectory_LostFocus();
    void cmdRUN_Click();
    void cmdRUN_LostFocus();
    void cmdBACK_Click();
    void cmdExit_Click();
    void cmdViewReport_Click();
    void cmdCompare_Click();
    /// Shows how a comparison ended, then its report when it wrote one.
    void ShowComparisonEnd(const CompareOutcome& outcome);
    /// The checks of RUN; false when one failed and showed its message.
    bool CheckRunInput();

    // RunHost
    QWidget* HostWidget() override { return this; }
    bool HostClosing() const override { return closing_; }
    void StoreOutputSettings() override;
    QLabel* StatusLabel() override { return lblStatus_; }
    void ShowFinished(const FinishedRun& run) override;
    /// Shows `text` in the status label in `colour`.
    void SetStatus(const QString& text, const QColor& colour);

    QGroupBox* Frame2_;
    QLineEdit* txtCalmWindThreshold_;
    QGroupBox* Frame4_;
    QRadioButton* optKeepMissing_;
    QRadioButton* optRemoveMissing_;
    QGroupBox* Frame1_;
    QLineEdit* txtTitleLine_;
    QLineEdit* txtBaseFilename_;
    QLineEdit* txtOutputDirectory_;
    QPushButton* cmdBrowseDirectory_;
    QLabel* lblStatus_;
    QPushButton* cmdBACK_;
    QPushButton* cmdRUN_;
    QPushButton* cmdExit_;
    QPushButton* cmdViewReport_;
    QPushButton* cmdCompare_;
    QCheckBox* chkDisableErrorChecking_;

    // A run, VIEW REPORT or a comparison waits: RUN, BACK, VIEW REPORT and COMPARE... wait too.
    bool running_ = false;
    bool closing_ = false;
    std::optional<FinishedRun> lastRun_;
    std::optional<ComparedRun> comparedRun_;  // the last run, as COMPARE... sets it against others
};

}  // namespace corvane
