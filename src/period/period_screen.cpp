#include "period/period_screen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>

#include "dialogs/field_marks.h"
#include "dialogs/message_box.h"
#include "period/picker_values.h"
#include "period/time_zone_table.h"

namespace corvane {
namespace {

const QColor kNavy(0, 0, 128);

void SetTextColor(QWidget* control, const QColor& color) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, color);
    control->setPalette(palette);
}

QGroupBox* AddFrame(QWidget* parent, const char* name, const QString& caption, double points,
                    const QColor& color, int left, int top, int width, int height) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFont(ArialFont(points, true));
    SetTextColor(frame, color);
    PlaceTwips(frame, left, top, width, height);
    return frame;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& caption, double points,
                 const QColor& color, int left, int top, int width, int height) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(ArialFont(points));
    SetTextColor(label, color);
    PlaceTwips(label, left, top, width, height);
    return label;
}

// The pickers show English month names whatever the desktop's language, and cover the
// whole range of the calendar control they stand in for.
QLocale PickerLocale() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

QDateEdit* AddDatePicker(QWidget* parent, const char* name) {
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setLocale(PickerLocale());
    picker->setDisplayFormat(QStringLiteral("MMM dd, yyyy"));
    picker->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
    picker->setCalendarPopup(true);
    picker->setFont(ArialFont(8.25));
    PlaceTwips(picker, 1440, 570, 1455, 330);
    return picker;
}

QTimeEdit* AddTimePicker(QWidget* parent, const char* name) {
    auto* picker = new QTimeEdit(parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setLocale(PickerLocale());
    picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    picker->setFont(ArialFont(8.25));
    PlaceTwips(picker, 1440, 1185, 1455, 330);
    return picker;
}

void ShowPickerValues(QDateEdit* datePicker, QTimeEdit* timePicker, double serial) {
    const PickerValues values = PickerValuesFromSerial(serial);
    if (values.date.isValid()) {
        datePicker->setDate(values.date);
    }
    if (values.time.isValid()) {
        timePicker->setTime(values.time);
    }
}

}  // namespace

PeriodScreen::PeriodScreen(RunSetup& setup, Navigator& navigator, QWidget* parent)
    : WizardScreen(setup, navigator, 11775, 6615, parent) {
    BuildControls();
    Form_Load();
}

void PeriodScreen::BuildControls() {
    Frame1_ = AddFrame(this, "Frame1", QStringLiteral("PROCESSING PERIOD"), 11.25, kNavy, 240, 240,
                       11295, 4095);
    AddLabel(Frame1_, "Label2",
             QStringLiteral("Please select the starting and ending dates and times of the "
                            "period to be processed:"),
             9, kNavy, 360, 720, 7095, 255);

    Frame3_ = AddFrame(Frame1_, "Frame3", QStringLiteral("STARTING TIME"), 8.25, Qt::black, 1080,
                       1440, 4335, 2055);
    lblBeginDate_ = AddLabel(Frame3_, "lblBeginDate", QStringLiteral("Date:"), 8.25, Qt::black, 960,
                             615, 375, 255);
    DTPicker_BeginDate_ = AddDatePicker(Frame3_, "DTPicker_BeginDate");
    lblBeginTime_ = AddLabel(Frame3_, "lblBeginTime", QStringLiteral("Time:"), 8.25, Qt::black, 960,
                             1230, 375, 255);
    DTPicker_BeginTime_ = AddTimePicker(Frame3_, "DTPicker_BeginTime");
    AddLabel(Frame3_, "Label7", QStringLiteral("(HH:MM:SS)"), 8.25, Qt::black, 1440, 1530, 975,
             255);

    Frame4_ = AddFrame(Frame1_, "Frame4", QStringLiteral("ENDING TIME"), 8.25, Qt::black, 5880,
                       1440, 4335, 2055);
    lblEndDate_ = AddLabel(Frame4_, "lblEndDate", QStringLiteral("Date:"), 8.25, Qt::black, 960,
                           615, 375, 255);
    DTPicker_EndDate_ = AddDatePicker(Frame4_, "DTPicker_EndDate");
    lblEndTime_ = AddLabel(Frame4_, "lblEndTime", QStringLiteral("Time:"), 8.25, Qt::black, 960,
                           1230, 375, 255);
    DTPicker_EndTime_ = AddTimePicker(Frame4_, "DTPicker_EndTime");
    AddLabel(Frame4_, "Label6", QStringLiteral("(HH:MM:SS)"), 8.25, Qt::black, 1440, 1530, 975,
             255);

    for (QLabel* mark : {lblBeginDate_, lblBeginTime_, lblEndDate_, lblEndTime_}) {
        mark->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        MarkFieldValid(mark);
        // 375 twips are narrower than "Time:" in this font: the mark grows to the left,
        // keeping its right edge beside its picker.
        const int missing = mark->sizeHint().width() - mark->width();
        if (missing > 0) {
            mark->setGeometry(mark->geometry().adjusted(-missing, 0, 0, 0));
        }
    }

    Frame2_ = AddFrame(this, "Frame2", QStringLiteral("INPUT DATA BASE TIME ZONE"), 11.25, kNavy,
                       240, 4560, 11295, 1095);
    AddLabel(Frame2_, "Label1", QStringLiteral("UTC base time zone:"), 9, kNavy, 360, 480, 1815,
             255);
    cboTimeZone_ = new QComboBox(Frame2_);
    cboTimeZone_->setObjectName(QStringLiteral("cboTimeZone"));
    // Editable, so that a zone name that is not in the list can still be shown.
    cboTimeZone_->setEditable(true);
    cboTimeZone_->setInsertPolicy(QComboBox::NoInsert);
    cboTimeZone_->setFont(ArialFont(8.25));
    PlaceTwips(cboTimeZone_, 2160, 450, 6495, 315);

    cmdNEXT_ = AddButton("cmdNEXT", QStringLiteral("NEXT"), 6000, 5880);
    cmdBACK_ = AddButton("cmdBACK", QStringLiteral("BACK"), 4560, 5880);
    chkDisableErrorChecking_ = AddDisableErrorCheckingBox(240, 6120);
    connect(cmdNEXT_, &QPushButton::clicked, this, &PeriodScreen::cmdNEXT_Click);
    connect(cmdBACK_, &QPushButton::clicked, this, &PeriodScreen::cmdBACK_Click);

    QWidget::setTabOrder(DTPicker_BeginDate_, DTPicker_BeginTime_);
    QWidget::setTabOrder(DTPicker_BeginTime_, DTPicker_EndDate_);
    QWidget::setTabOrder(DTPicker_EndDate_, DTPicker_EndTime_);
    QWidget::setTabOrder(DTPicker_EndTime_, cboTimeZone_);
    QWidget::setTabOrder(cboTimeZone_, cmdNEXT_);
    QWidget::setTabOrder(cmdNEXT_, cmdBACK_);
    QWidget::setTabOrder(cmdBACK_, chkDisableErrorChecking_);
    DTPicker_BeginDate_->setFocus();
}

void PeriodScreen::Form_Load() {
    // The table is read anew on every showing, so an edited file shows at once. A table
    // that cannot be read leaves the list empty; the period can still be chosen.
    for (const QString& problem : LoadTimeZoneTable(setup_)) {
        ShowErrorMessage(this, problem);
    }
    cboTimeZone_->addItems(setup_.TimeZoneNames);
    cboTimeZone_->setCurrentIndex(-1);
    const QString zoneName = ZoneNameForDataTimeZone(setup_);
    if (!zoneName.isEmpty()) {
        const int index = cboTimeZone_->findText(zoneName, Qt::MatchExactly);
        if (index >= 0) {
            cboTimeZone_->setCurrentIndex(index);
        } else {
            cboTimeZone_->setEditText(zoneName);
        }
        // Show the start of a long name, where the offset stands, not its end.
        cboTimeZone_->lineEdit()->setCursorPosition(0);
    }

    ShowPickerValues(DTPicker_BeginDate_, DTPicker_BeginTime_, setup_.DataStart);
    ShowPickerValues(DTPicker_EndDate_, DTPicker_EndTime_, setup_.DataEnd);
}

double PeriodScreen::PickedStart() const {
    return SerialFromPickerValues(DTPicker_BeginDate_->date(), DTPicker_BeginTime_->time());
}

double PeriodScreen::PickedEnd() const {
    return SerialFromPickerValues(DTPicker_EndDate_->date(), DTPicker_EndTime_->time());
}

void PeriodScreen::StoreProcessingPeriod() {
    setup_.PeriodStart = PickedStart();
    setup_.PeriodEnd = PickedEnd();
}

void PeriodScreen::cmdNEXT_Click() {
    if (!chkDisableErrorChecking_->isChecked()) {
        const QList<QLabel*> marks{lblBeginDate_, lblBeginTime_, lblEndDate_, lblEndTime_};
        if (PickedStart() >= PickedEnd()) {
            for (QLabel* mark : marks) {
                MarkFieldInvalid(mark);
            }
            ShowErrorMessage(
                this,
                QStringLiteral("The Ending Date/Time must be later than the Starting Date/Time."));
            return;
        }
        for (QLabel* mark : marks) {
            MarkFieldValid(mark);
        }
    }
    StoreProcessingPeriod();
    navigator_.ShowScreen(ScreenId::Output);
}

void PeriodScreen::cmdBACK_Click() {
    StoreProcessingPeriod();
    navigator_.ShowScreen(ScreenId::Dataset);
}

}  // namespace corvane
