#pragma once

// What the three screens share: the window (title, fixed client size, white background,
// centred), the setup state and navigator they work with, and the rule that closing the
// window ends the program.

#include <QWidget>

#include "shell/navigator.h"
#include "shell/run_setup.h"

class QAbstractButton;
class QCheckBox;
class QFont;
class QPushButton;

namespace corvane {

/// Layout tables are in twips; 15 twips make a pixel.
constexpr int Twips(int twips) {
    return (twips + 7) / 15;
}

/// Places a control at a layout-table position (left, top, width, height in twips).
void PlaceTwips(QWidget* control, int left, int top, int width, int height);

/// Arial at a point size, bold or not ("Arial" resolves to a metric-compatible font).
QFont ArialFont(double pointSize, bool bold = false);

/// Places a window, at its size, in the middle of the primary screen's free area.
void CentreOnScreen(QWidget* window);

class WizardScreen : public QWidget {
    Q_OBJECT

public:
    /// The screen stands centred from the start, so that a message of its load step shows
    /// over the place where it opens.
    WizardScreen(RunSetup& setup, Navigator& navigator, int clientWidthTwips, int clientHeightTwips,
                 QWidget* parent = nullptr);

    /// Marks the screen as being left through the wizard: its closing then does not end
    /// the program.
    void PrepareToLeave() { leaving_ = true; }

protected:
    void closeEvent(QCloseEvent* event) override;

    /// A BACK, NEXT, RUN or EXIT button: Arial 9.75 bold, at its table position.
    QPushButton* AddButton(const char* objectName, const QString& caption, int left, int top,
                           int width = 1215, int height = 495);
    /// The screen's "Disable Error Checking" box at its table position, unticked.
    QCheckBox* AddDisableErrorCheckingBox(int left, int top);

    RunSetup& setup_;
    Navigator& navigator_;

private:
    bool leaving_ = false;
};

}  // namespace corvane
