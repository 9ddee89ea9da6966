#include "datasets/dataset_screen.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "datasets/site_check.h"
#include "datasets/store_file_lists.h"
#include "dialogs/field_marks.h"
#include "dialogs/file_dialog.h"
#include "dialogs/list_operations.h"
#include "dialogs/list_widget_list.h"
#include "dialogs/message_box.h"
#include "dialogs/path_helpers.h"

namespace corvane {
namespace {

void SetColor(QWidget* control, QPalette::ColorRole role, const QColor& color) {
    QPalette palette = control->palette();
    palette.setColor(role, color);
    control->setPalette(palette);
}

QLabel* AddLabel(QWidget* frame, const char* objectName, const QString& caption, double points,
                 bool bold, int left, int top, int width, int height) {
    auto* label = new QLabel(caption, frame);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setFont(ArialFont(points, bold));
    SetColor(label, QPalette::WindowText, QColor(0, 0, 128));
    PlaceTwips(label, left, top, width, height);
    return label;
}

// The window's own font, marked as set so that the frame's caption font does not replace it.
QFont WindowFont(const QWidget* window) {
    QFont font = window->font();
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

void AppendEntries(QListWidget* list, const QStringList& files, std::int32_t count) {
    const qsizetype usable = std::min<qsizetype>(std::max(count, 0), files.size());
    list->addItems(files.mid(0, usable));
}

}  // namespace

DatasetScreen::DatasetScreen(RunSetup& setup, Navigator& navigator, QWidget* parent)
    : WizardScreen(setup, navigator, 14685, 8535, parent) {
    BuildControls();
    Form_Load();
}

DatasetScreen::~DatasetScreen() {
    // The lists outlive this part of the object while the base class deletes its children;
    // their last focus events must not reach a half-destroyed screen.
    lstTSFFiles1_->removeEventFilter(this);
    lstTSFFiles2_->removeEventFilter(this);
}

QStringList DatasetScreen::BrowseFilters() {
    return {QStringLiteral("All Files (*.*)"), QStringLiteral("Time Series Files (*.tsf)")};
}

QPushButton* DatasetScreen::AddFrameButton(const char* objectName, const QString& caption, int left,
                                           int top, int width, int height) {
    auto* button = new QPushButton(caption, Frame1_);
    button->setObjectName(QString::fromLatin1(objectName));
    PlaceTwips(button, left, top, width, height);
    return button;
}

QListWidget* DatasetScreen::AddFileList(const char* objectName, int left) {
    auto* list = new QListWidget(Frame1_);
    list->setObjectName(QString::fromLatin1(objectName));
    list->setFont(WindowFont(this));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Full paths stay whole: the list scrolls sideways to its widest entry.
    list->setWordWrap(false);
    list->setTextElideMode(Qt::ElideNone);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MarkFieldValid(list);
    list->installEventFilter(this);
    PlaceTwips(list, left, 1680, 4815, 4545);
    return list;
}

void DatasetScreen::BuildControls() {
    Frame1_ = new QGroupBox(QStringLiteral("STEP 1:  METEOROLOGICAL DATASET INFORMATION"), this);
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    Frame1_->setFont(ArialFont(11.25, true));
    SetColor(Frame1_, QPalette::WindowText, QColor(0, 0, 128));
    PlaceTwips(Frame1_, 120, 240, 14415, 7335);

    QLabel* intro = AddLabel(
        Frame1_, "Label2",
        QStringLiteral("Please enter two sets of meteorological time series files (TSF) for each "
                       "location to be evaluated, noting that the time series files for each "
                       "location must be in the same position in each list."),
        9, false, 360, 480, 13575, 495);
    intro->setWordWrap(true);
    AddLabel(Frame1_, "Label1", QStringLiteral("TIME SERIES FILES - SET 1 (PREDICTED)"), 11.25,
             true, 530, 1320, 4575, 255);
    AddLabel(Frame1_, "Label3", QStringLiteral("TIME SERIES FILES - SET 2 (OBSERVED)"), 11.25, true,
             7870, 1320, 4575, 255);

    lstTSFFiles1_ = AddFileList("lstTSFFiles1", 360);
    lstTSFFiles2_ = AddFileList("lstTSFFiles2", 7680);

    const QFont moveFont = ArialFont(8.25, true);
    cmdMoveUP1_ =
        AddFrameButton("cmdMoveUP1", QStringLiteral("Move Selection UP"), 5280, 3420, 1575, 550);
    cmdMoveDOWN1_ = AddFrameButton("cmdMoveDOWN1", QStringLiteral("Move Selection DOWN"), 5280,
                                   4020, 1575, 550);
    cmdMoveUP2_ =
        AddFrameButton("cmdMoveUP2", QStringLiteral("Move Selection UP"), 12600, 3420, 1575, 550);
    cmdMoveDOWN2_ = AddFrameButton("cmdMoveDOWN2", QStringLiteral("Move Selection DOWN"), 12600,
                                   4020, 1575, 550);
    for (QPushButton* button : {cmdMoveUP1_, cmdMoveDOWN1_, cmdMoveUP2_, cmdMoveDOWN2_}) {
        button->setFont(moveFont);
    }

    cmdBrowseDataFiles1_ = AddFrameButton("cmdBrowseDataFiles1", QStringLiteral("BROWSE FOR FILES"),
                                          360, 6360, 2175, 615);
    cmdBrowseDataFiles2_ = AddFrameButton("cmdBrowseDataFiles2", QStringLiteral("BROWSE FOR FILES"),
                                          7680, 6360, 2175, 615);
    for (QPushButton* button : {cmdBrowseDataFiles1_, cmdBrowseDataFiles2_}) {
        button->setFont(ArialFont(9.75, true));
        SetColor(button, QPalette::Button, Qt::white);
    }
    cmdRemoveSelection1_ = AddFrameButton("cmdRemoveSelection1", QStringLiteral("Remove Selection"),
                                          3600, 6360, 1575, 615);
    cmdRemoveSelection2_ = AddFrameButton("cmdRemoveSelection2", QStringLiteral("Remove Selection"),
                                          10920, 6360, 1575, 615);
    cmdRemoveSelection1_->setFont(WindowFont(this));
    cmdRemoveSelection2_->setFont(WindowFont(this));

    chkDisableErrorChecking_ = AddDisableErrorCheckingBox(120, 8040);
    cmdBACK_ = AddButton("cmdBACK", QStringLiteral("BACK"), 6015, 7800);
    cmdBACK_->setEnabled(false);  // the first screen has nowhere to go back to
    cmdNEXT_ = AddButton("cmdNEXT", QStringLiteral("NEXT"), 7455, 7800);

    connect(cmdBrowseDataFiles1_, &QPushButton::clicked, this,
            [this] { cmdBrowseDataFiles_Click(lstTSFFiles1_); });
    connect(cmdBrowseDataFiles2_, &QPushButton::clicked, this,
            [this] { cmdBrowseDataFiles_Click(lstTSFFiles2_); });
    const auto onList = [this](QPushButton* button, QListWidget* list,
                               void (*operation)(SelectableList&)) {
        connect(button, &QPushButton::clicked, this, [list, operation] {
            ListWidgetList adapter(list);
            operation(adapter);
        });
    };
    onList(cmdMoveUP1_, lstTSFFiles1_, &MoveSelectionUp);
    onList(cmdMoveDOWN1_, lstTSFFiles1_, &MoveSelectionDown);
    onList(cmdRemoveSelection1_, lstTSFFiles1_, &RemoveSelection);
    onList(cmdMoveUP2_, lstTSFFiles2_, &MoveSelectionUp);
    onList(cmdMoveDOWN2_, lstTSFFiles2_, &MoveSelectionDown);
    onList(cmdRemoveSelection2_, lstTSFFiles2_, &RemoveSelection);
    connect(cmdNEXT_, &QPushButton::clicked, this, &DatasetScreen::cmdNEXT_Click);

    const QList<QWidget*> tabOrder{cmdBrowseDataFiles1_,
                                   cmdBrowseDataFiles2_,
                                   cmdNEXT_,
                                   cmdRemoveSelection1_,
                                   cmdMoveUP1_,
                                   cmdMoveDOWN1_,
                                   cmdRemoveSelection2_,
                                   cmdMoveUP2_,
                                   cmdMoveDOWN2_,
                                   cmdBACK_,
                                   lstTSFFiles1_,
                                   lstTSFFiles2_,
                                   chkDisableErrorChecking_};
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
    }
    cmdBrowseDataFiles1_->setFocus();
}

void DatasetScreen::Form_Load() {
    lstTSFFiles1_->clear();
    lstTSFFiles2_->clear();
    AppendEntries(lstTSFFiles1_, setup_.PredictedFiles, setup_.PredictedCount);
    AppendEntries(lstTSFFiles2_, setup_.ObservedFiles, setup_.ObservedCount);
}

bool DatasetScreen::eventFilter(QObject* watched, QEvent* event) {
    auto* list = qobject_cast<QListWidget*>(watched);
    if (list != nullptr && (list == lstTSFFiles1_ || list == lstTSFFiles2_)) {
        if (event->type() == QEvent::FocusOut) {
            // Only a move to another control of this screen counts, not a message box or
            // another window taking the focus for a while.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                lstTSFFiles_LostFocus(list);
            }
        } else if (event->type() == QEvent::KeyPress &&
                   static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
                   static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
            ListWidgetList adapter(list);
            RemoveSelection(adapter);
            return true;
        }
    }
    return WizardScreen::eventFilter(watched, event);
}

void DatasetScreen::cmdBrowseDataFiles_Click(QListWidget* list) {
    AddFilesFromOpenDialog(this, list, setup_.LastBrowseDir, BrowseFilters(), 1);
    lstTSFFiles_LostFocus(list);
}

void DatasetScreen::lstTSFFiles_LostFocus(QListWidget* list) {
    if (list->count() > 0 && !list->item(0)->text().isEmpty()) {
        setup_.LastBrowseDir = GetDirectoryPart(list->item(0)->text()) + u'/';
    }
    ClearMarkIfFilled(list);
}

void DatasetScreen::cmdNEXT_Click() {
    // Stored whatever the box says: BACK from the period screen shows these lists again.
    StoreFileLists(lstTSFFiles1_, lstTSFFiles2_, setup_);
    if (!chkDisableErrorChecking_->isChecked()) {
        if (setup_.PredictedCount != setup_.ObservedCount) {
            MarkFieldInvalid(lstTSFFiles1_);
            MarkFieldInvalid(lstTSFFiles2_);
            ShowErrorMessage(this, QStringLiteral("Both sets of time series files must contain the "
                                                  "same number of files. Set 1 (predicted) holds "
                                                  "%1, set 2 (observed) holds %2.")
                                       .arg(setup_.PredictedCount)
                                       .arg(setup_.ObservedCount));
            return;
        }
        MarkFieldValid(lstTSFFiles1_);
        MarkFieldValid(lstTSFFiles2_);
        WarnAboutDifferentSites();
    }
    navigator_.ShowScreen(ScreenId::Period);
}

void DatasetScreen::WarnAboutDifferentSites() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);  // every pair's headers are read
    const QString warning =
        SiteWarning(setup_.PredictedFiles, setup_.ObservedFiles, setup_.PredictedCount);
    QGuiApplication::restoreOverrideCursor();
    // A warning, not an error: the user may know better (a station moved, a renamed site),
    // and OK goes on to the next screen.
    if (!warning.isEmpty()) {
        ShowMessage(this, warning, QStringLiteral("Warning"));
    }
}

}  // namespace corvane
