#include "run/output_screen.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "dialogs/field_marks.h"
#include "dialogs/folder_browser.h"
#include "dialogs/message_box.h"
#include "run/control_file_writer.h"
#include "run/run_error.h"
#include "run/run_script.h"

namespace corvane {
namespace {

const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);
// A dark red: plain red on white is too faint for the label's small bold text.
const QColor kRed(192, 0, 0);

void SetColours(QWidget* control, const QColor& text) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    control->setPalette(palette);
}

QGroupBox* AddFrame(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width, int height) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFont(ArialFont(11.25, true));
    SetColours(frame, kNavy);
    PlaceTwips(frame, left, top, width, height);
    return frame;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                 int width, int height, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(ArialFont(9));
    label->setAlignment(alignment | Qt::AlignTop);
    SetColours(label, kNavy);
    PlaceTwips(label, left, top, width, height);
    return label;
}

QLineEdit* AddTextBox(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFont(ArialFont(9));
    box->setMaxLength(32767);
    SetColours(box, Qt::black);
    PlaceTwips(box, left, top, width, height);
    return box;
}

QRadioButton* AddOption(QWidget* parent, const char* name, const QString& caption, int left,
                        int top, int width, int height) {
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(QString::fromLatin1(name));
    option->setFont(ArialFont(9));
    SetColours(option, Qt::black);
    PlaceTwips(option, left, top, width, height);
    return option;
}

// Apostrophes may stay: the interpreter groups words by double quotes only, and the engine
// reads a quoted value from the first to the last apostrophe of its line.
bool IsRootNameSafe(const QString& name) {
    for (const QChar c : name) {
        if (c.isSpace() || c == u'"') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ThresholdKeyPasses(char32_t code) {
    return !((code >= 32 && code <= 45) || code == 47 || (code >= 58 && code <= 127));
}

OutputScreen::OutputScreen(RunSetup& setup, Navigator& navigator, QWidget* parent)
    : WizardScreen(setup, navigator, 11775, 6615, parent) {
    setObjectName(QStringLiteral("frmScreen5"));

    Frame2_ = AddFrame(this, "Frame2", QStringLiteral("CALM WIND THRESHOLD"), 240, 240, 11295, 975);
    AddLabel(Frame2_, "Label3", QStringLiteral("Calm wind speed threshold (m/s):"), 480, 405, 2895,
             255);
    txtCalmWindThreshold_ = AddTextBox(Frame2_, "txtCalmWindThreshold", 3360, 360, 1335, 330);

    Frame4_ =
        AddFrame(this, "Frame4", QStringLiteral("MISSING DATA FILTER"), 240, 1440, 11295, 1215);
    optKeepMissing_ = AddOption(Frame4_, "optKeepMissing",
                                QStringLiteral("Keep periods with missing values in processing"),
                                480, 390, 6975, 255);
    optRemoveMissing_ =
        AddOption(Frame4_, "optRemoveMissing",
                  QStringLiteral("Remove periods with missing values from both sets of data"), 480,
                  750, 8055, 255);
    optKeepMissing_->setChecked(true);

    Frame1_ =
        AddFrame(this, "Frame1", QStringLiteral("OUTPUT INFORMATION"), 240, 2880, 11295, 2535);
    AddLabel(Frame1_, "Label1", QStringLiteral("Output Title Line:"), 480, 525, 1455, 255,
             Qt::AlignRight);
    txtTitleLine_ = AddTextBox(Frame1_, "txtTitleLine", 2040, 480, 9015, 330);
    AddLabel(Frame1_, "Label2", QStringLiteral("Output Root Name:"), 360, 1005, 1575, 255,
             Qt::AlignRight);
    txtBaseFilename_ = AddTextBox(Frame1_, "txtBaseFilename", 2040, 960, 1335, 330);
    AddLabel(Frame1_, "Label6", QStringLiteral("Please select a directory to write the output to:"),
             360, 1560, 3855, 255);
    txtOutputDirectory_ = AddTextBox(Frame1_, "txtOutputDirectory", 480, 1935, 9495, 315);
    cmdBrowseDirectory_ = new QPushButton(QStringLiteral("Browse"), Frame1_);
    cmdBrowseDirectory_->setObjectName(QStringLiteral("cmdBrowseDirectory"));
    // The window's default font, set attribute by attribute: a font left unset would be
    // the frame's bold caption font.
    QFont windowFont = QApplication::font(this);
    windowFont.setFamily(windowFont.family());
    windowFont.setPointSizeF(windowFont.pointSizeF());
    windowFont.setBold(false);
    cmdBrowseDirectory_->setFont(windowFont);
    PlaceTwips(cmdBrowseDirectory_, 10080, 1905, 975, 350);

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setFont(ArialFont(9.75, true));
    lblStatus_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    SetColours(lblStatus_, kBlue);
    PlaceTwips(lblStatus_, 240, 5520, 11295, 255);

    cmdBACK_ = AddButton("cmdBACK", QStringLiteral("BACK"), 4560, 5880);
    cmdRUN_ = AddButton("cmdRUN", QStringLiteral("RUN"), 6000, 5880);
    cmdExit_ = AddButton("cmdExit", QStringLiteral("EXIT"), 10320, 5880);
    cmdExit_->setVisible(false);
    cmdViewReport_ = AddButton("cmdViewReport", QStringLiteral("VIEW REPORT"), 8640, 5880, 1455);
    cmdViewReport_->setVisible(false);
    // Between RUN and VIEW REPORT: it belongs to the finished run, as VIEW REPORT does.
    cmdCompare_ = AddButton("cmdCompare", QStringLiteral("COMPARE..."), 7290, 5880, 1275);
    cmdCompare_->setVisible(false);
    chkDisableErrorChecking_ = AddDisableErrorCheckingBox(240, 6120);
    SetColours(chkDisableErrorChecking_, Qt::black);

    // Tab order by the layout's tab indexes; frames and labels take no focus.
    // clang-format off
    const QList<QWidget*> tabOrder{
        txtCalmWindThreshold_, optKeepMissing_,  optRemoveMissing_,
        txtTitleLine_,         txtBaseFilename_, cmdBrowseDirectory_,
        txtOutputDirectory_,   cmdRUN_,          cmdExit_,
        cmdViewReport_,        cmdCompare_,      cmdBACK_,
        chkDisableErrorChecking_,
    };
    // clang-format on
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

    txtCalmWindThreshold_->installEventFilter(this);
    txtOutputDirectory_->installEventFilter(this);
    cmdRUN_->installEventFilter(this);
    connect(cmdBrowseDirectory_, &QPushButton::clicked, this,
            &OutputScreen::cmdBrowseDirectory_Click);
    connect(cmdBACK_, &QPushButton::clicked, this, &OutputScreen::cmdBACK_Click);
    connect(cmdRUN_, &QPushButton::clicked, this, &OutputScreen::cmdRUN_Click);
    connect(cmdExit_, &QPushButton::clicked, this, &OutputScreen::cmdExit_Click);
    connect(cmdViewReport_, &QPushButton::clicked, this, &OutputScreen::cmdViewReport_Click);
    connect(cmdCompare_, &QPushButton::clicked, this, &OutputScreen::cmdCompare_Click);

    Form_Load();
}

void OutputScreen::Form_Load() {
    txtCalmWindThreshold_->setText(setup_.CalmWindText.isEmpty() ? QStringLiteral("0.9999")
                                                                 : setup_.CalmWindText);
    if (setup_.MissingFilterFlag == u"0") {
        optKeepMissing_->setChecked(true);
    } else if (setup_.MissingFilterFlag == u"1") {
        optRemoveMissing_->setChecked(true);
    }
    txtTitleLine_->setText(setup_.TitleLine);
    txtBaseFilename_->setText(setup_.BaseFilename);
    txtOutputDirectory_->setText(setup_.OutputDirectory.isEmpty() ? setup_.LastBrowseDir
                                                                  : setup_.OutputDirectory);
}

bool OutputScreen::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtCalmWindThreshold_ && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty()) {
            const char32_t code = text.at(0).unicode();
            if (!ThresholdKeyPasses(code)) {
                return true;
            }
            if (code == 13) {
                // Enter moves on to the next field, as Tab does.
                focusNextChild();
                return true;
            }
        }
    }
    if (event->type() == QEvent::FocusOut) {
        // Switching to another window is not leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == txtOutputDirectory_) {
                txtOutputDirectory_LostFocus();
            } else if (watched == cmdRUN_) {
                cmdRUN_LostFocus();
            }
        }
    }
    return WizardScreen::eventFilter(watched, event);
}

void OutputScreen::closeEvent(QCloseEvent* event) {
    // A run waiting in this screen's handler stops once it sees this.
    closing_ = true;
    WizardScreen::closeEvent(event);
}

void OutputScreen::cmdBrowseDirectory_Click() {
    const QString folder =
        BrowseForFolder(txtOutputDirectory_->text().trimmed(),
                        QStringLiteral("Select an Output Directory:"), true, this);
    txtOutputDirectory_->setText(folder);
    txtOutputDirectory_LostFocus();
}

void OutputScreen::txtOutputDirectory_LostFocus() {
    const QString text = txtOutputDirectory_->text();
    if (!text.isEmpty() && !text.endsWith(u'/')) {
        txtOutputDirectory_->setText(text + u'/');
    }
    ClearMarkIfFilled(txtOutputDirectory_);
}

void OutputScreen::StoreOutputSettings() {
    setup_.CalmWindText = txtCalmWindThreshold_->text().trimmed();
    if (optKeepMissing_->isChecked()) {
        setup_.MissingFilterFlag = QStringLiteral("0");
    } else if (optRemoveMissing_->isChecked()) {
        setup_.MissingFilterFlag = QStringLiteral("1");
    }
    setup_.TitleLine = txtTitleLine_->text().trimmed();
    setup_.BaseFilename = txtBaseFilename_->text().trimmed();
    setup_.OutputDirectory = txtOutputDirectory_->text().trimmed();
}

void OutputScreen::SetStatus(const QString& text, const QColor& colour) {
    QPalette palette = lblStatus_->palette();
    palette.setColor(QPalette::WindowText, colour);
    lblStatus_->setPalette(palette);
    lblStatus_->setText(text);
}

void OutputScreen::ShowFinished(const FinishedRun& run) {
    lastRun_ = run;
    const QString listFile = ListFileName(setup_.BaseFilename);
    QString text = FinishedStatusText(run.outcome, listFile);
    // A long root name is shortened in the middle, so that the text fits the label.
    const QFontMetrics metrics(lblStatus_->font());
    const int spare = lblStatus_->width() - metrics.horizontalAdvance(text);
    if (spare < 0) {
        const int room = std::max(0, metrics.horizontalAdvance(listFile) + spare);
        text = FinishedStatusText(run.outcome, metrics.elidedText(listFile, Qt::ElideMiddle, room));
    }
    SetStatus(text, run.outcome.Succeeded() ? kBlue : kRed);
    lblStatus_->setToolTip(run.outcome.Succeeded() ? QString() : setup_.OutputDirectory + listFile);
    cmdExit_->setVisible(true);
    cmdViewReport_->setVisible(true);
    QString folder = setup_.OutputDirectory;
    if (!folder.endsWith(u'/')) {
        folder += u'/';
    }
    comparedRun_ = ComparedRun{folder, ControlFilePath(setup_), setup_.BaseFilename};
    cmdCompare_->setVisible(true);
}

bool OutputScreen::CheckRunInput() {
    if (txtCalmWindThreshold_->text().isEmpty()) {
        MarkFieldInvalid(txtCalmWindThreshold_);
        ShowErrorMessage(this, QStringLiteral("Please enter a calm wind threshold."));
        return false;
    }
    ClearMarkIfFilled(txtCalmWindThreshold_);
    if (txtOutputDirectory_->text().isEmpty()) {
        MarkFieldInvalid(txtOutputDirectory_);
        ShowErrorMessage(this, QStringLiteral("Please select an Output Directory."));
        return false;
    }
    if (!QFileInfo(txtOutputDirectory_->text()).isDir()) {
        MarkFieldInvalid(txtOutputDirectory_);
        ShowErrorMessage(this, QStringLiteral("Selected Output Directory does not exist."));
        return false;
    }
    // The root name stands unquoted in the copy line of the run script: a blank there
    // splits it, and no marker would ever come.
    if (!IsRootNameSafe(txtBaseFilename_->text().trimmed())) {
        MarkFieldInvalid(txtBaseFilename_);
        ShowErrorMessage(
            this, QStringLiteral("The output root name may not contain blanks, quotes or line "
                                 "breaks."));
        return false;
    }
    if (FieldMark(txtBaseFilename_) == kMarkInvalid) {
        MarkFieldValid(txtBaseFilename_);
    }
    return true;
}

void OutputScreen::cmdRUN_Click() {
    if (running_) {
        return;  // the run in progress goes on
    }
    if (!chkDisableErrorChecking_->isChecked() && !CheckRunInput()) {
        return;
    }
    running_ = true;
    SetStatus(QString(), kBlue);
    // Until this run has finished, the report of the last one may be replaced at any time.
    lastRun_.reset();
    comparedRun_.reset();
    cmdViewReport_->setVisible(false);
    cmdCompare_->setVisible(false);
    const QPointer<OutputScreen> self(this);
    const RunOutcome outcome = RunSequence(setup_, *this).Run();
    if (outcome != RunOutcome::Abandoned && self) {
        running_ = false;
    }
}

void OutputScreen::cmdViewReport_Click() {
    if (running_ || !lastRun_) {
        return;
    }
    const QString folder = setup_.OutputDirectory;
    const QString report = ReportFileName(setup_.BaseFilename);
    const bool exists = QFileInfo(folder + report).isFile();
    // A report of an earlier run would show results the last run did not give.
    if (!exists || !lastRun_->reportWritten) {
        QString text = (exists ? QStringLiteral("The report %1 is that of an earlier run; "
                                                "the last run wrote none.")
                               : QStringLiteral("The report %1 does not exist."))
                           .arg(folder + report);
        if (lastRun_->outcome.kind == EngineOutcome::Kind::NoneEvaluated) {
            text += QStringLiteral(" The run evaluated no station; the list file says why.");
        }
        ShowErrorMessage(this, text);
        return;
    }
    running_ = true;
    const QPointer<OutputScreen> self(this);
    try {
        if (!OpenInViewer(folder, report, QStringLiteral("report"),
                          [self] { return self && !self->closing_; })) {
            return;  // the screen went away during a wait
        }
    } catch (const RunError& error) {
        if (self && !closing_) {
            ShowErrorMessage(this, error.description() + u'.');
        }
    }
    if (self) {
        running_ = false;
    }
}

void OutputScreen::cmdCompare_Click() {
    if (running_ || !comparedRun_) {
        return;  // a second click while comparing does nothing
    }
    running_ = true;
    const QPointer<OutputScreen> self(this);
    const auto alive = [self] { return self && !self->closing_; };
    const CompareOutcome outcome = RunComparison(this, lblStatus_, *comparedRun_, alive);
    if (outcome.kind == CompareOutcome::Kind::Abandoned || !alive()) {
        if (self) {
            running_ = false;
        }
        return;
    }
    if (outcome.kind == CompareOutcome::Kind::Ended) {
        ShowComparisonEnd(outcome);
    }
    if (self) {
        running_ = false;
    }
}

void OutputScreen::ShowComparisonEnd(const CompareOutcome& outcome) {
    const QString root = comparedRun_->baseFilename;
    QString text = ComparisonStatusText(outcome.end, outcome.runs, root);
    // A long root name is shortened in the middle, as in the status of a run.
    const QFontMetrics metrics(lblStatus_->font());
    const int spare = lblStatus_->width() - metrics.horizontalAdvance(text);
    if (spare < 0) {
        const int room = std::max(0, metrics.horizontalAdvance(root) + spare);
        text = ComparisonStatusText(outcome.end, outcome.runs,
                                    metrics.elidedText(root, Qt::ElideMiddle, room));
    }
    const bool finished = outcome.end == ComparisonEnd::Finished;
    SetStatus(text, finished ? kBlue : kRed);
    lblStatus_->setToolTip(outcome.end == ComparisonEnd::Warnings
                               ? comparedRun_->folder + ComparisonListName(root)
                               : QString());
    // A stopped comparison may have written its report before the stop; the status says
    // it did not finish, so no report is shown as if it had.
    const bool shown = finished || outcome.end == ComparisonEnd::Warnings;
    if (!shown || !outcome.reportWritten) {
        return;
    }
    const QPointer<OutputScreen> self(this);
    try {
        OpenInViewer(comparedRun_->folder, ComparisonReportName(root),
                     QStringLiteral("comparison report"),
                     [self] { return self && !self->closing_; });
    } catch (const RunError& error) {
        if (self && !closing_) {
            ShowErrorMessage(this, error.description() + u'.');
        }
    }
}

void OutputScreen::cmdRUN_LostFocus() {
    lblStatus_->clear();
}

void OutputScreen::cmdBACK_Click() {
    if (running_) {
        return;
    }
    StoreOutputSettings();
    navigator_.ShowScreen(ScreenId::Period);
}

void OutputScreen::cmdExit_Click() {
    PrepareToLeave();
    close();
    navigator_.EndProgram();
}

}  // namespace corvane
