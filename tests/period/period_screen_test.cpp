#include "period/period_screen.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

#include "dialogs/field_marks.h"
#include "dialogs/path_helpers.h"
#include "period/calendar.h"
#include "period/screen_test_helpers.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

using testing::ExpectLaidOut;
using testing::Find;
using testing::LayoutRow;
using testing::RecordedMessages;
using testing::RecordingNavigator;

double Serial(int year, int month, int day, int hour, int minute, int second) {
    return SerialFromFields({year, month, day, hour, minute, second});
}

const char* const kMarkLabels[] = {"lblBeginDate", "lblBeginTime", "lblEndDate", "lblEndTime"};

class PeriodScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        SetProgramFolderForTesting(folder.path());
        WriteTable(
            "Code\tName\nUTC+0100\t(UTC+01:00) Central Europe\n"
            "UTC+0300\t(UTC+03:00) Arabia from the table\n"
            "UTC-0500\t(UTC-05:00) Eastern\n");
        setup.DataStart = Serial(2008, 1, 1, 1, 0, 0);
        setup.DataEnd = Serial(2008, 12, 31, 23, 0, 0);
        setup.DataTimeZone = u"UTC-0500"_s;
        setup.PeriodStart = 1;
        setup.PeriodEnd = 2;
    }
    void TearDown() override {
        screen.reset();
        SetProgramFolderForTesting({});
    }

    void WriteTable(const char* content) {
        QFile file(folder.filePath(u"TimeZones.txt"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    PeriodScreen& Open() {
        screen = std::make_unique<PeriodScreen>(setup, navigator);
        screen->show();
        return *screen;
    }
    template <typename T = QWidget>
    T* Control(const char* name) {
        return Find<T>(screen.get(), name);
    }
    void Click(const char* button) {
        QTest::mouseClick(Control<QPushButton>(button), Qt::LeftButton);
    }
    // Types a new second into a time picker, as a user does.
    void TypeSeconds(const char* picker, const QString& seconds) {
        auto* edit = Control<QTimeEdit>(picker);
        edit->setFocus();
        edit->setSelectedSection(QDateTimeEdit::SecondSection);
        QTest::keyClicks(edit, seconds);
    }
    std::vector<int> Marks() {
        std::vector<int> marks;
        for (const char* name : kMarkLabels) {
            marks.push_back(FieldMark(Control(name)));
        }
        return marks;
    }

    QTemporaryDir folder;
    RunSetup setup;
    RecordingNavigator navigator;
    std::unique_ptr<PeriodScreen> screen;
};

TEST_F(PeriodScreenTest, EveryControlHasItsTablePlaceCaptionAndName) {
    // The pickers show English month names whatever the desktop's language.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    setup.DataEnd = Serial(2008, 3, 5, 23, 59, 30);
    Open();
    QLocale::setDefault(before);
    EXPECT_EQ(Control<QDateEdit>("DTPicker_BeginDate")->date(), QDate(2008, 1, 1));
    EXPECT_EQ(Control<QTimeEdit>("DTPicker_BeginTime")->time(), QTime(1, 0, 0));
    EXPECT_EQ(Control<QDateEdit>("DTPicker_EndDate")->text(), u"Mar 05, 2008"_s);
    EXPECT_EQ(Control<QTimeEdit>("DTPicker_EndTime")->text(), u"23:59:30"_s);
    EXPECT_EQ(Control<QDateEdit>("DTPicker_BeginDate")->minimumDate(), QDate(1601, 1, 1));
    EXPECT_EQ(Control<QDateEdit>("DTPicker_BeginDate")->maximumDate(), QDate(9999, 12, 31));

    const LayoutRow rows[] = {
        {"Frame1", nullptr, 240, 240, 11295, 4095, "PROCESSING PERIOD"},
        {"Label2", "Frame1", 360, 720, 7095, 255,
         "Please select the starting and ending dates and times of the period to be processed:"},
        {"Frame3", "Frame1", 1080, 1440, 4335, 2055, "STARTING TIME"},
        {"lblBeginDate", "Frame3", 960, 615, 375, 255, "Date:"},
        {"DTPicker_BeginDate", "Frame3", 1440, 570, 1455, 330, "MMM dd, yyyy"},
        {"lblBeginTime", "Frame3", 960, 1230, 375, 255, "Time:"},
        {"DTPicker_BeginTime", "Frame3", 1440, 1185, 1455, 330, "HH:mm:ss"},
        {"Label7", "Frame3", 1440, 1530, 975, 255, "(HH:MM:SS)"},
        {"Frame4", "Frame1", 5880, 1440, 4335, 2055, "ENDING TIME"},
        {"lblEndDate", "Frame4", 960, 615, 375, 255, "Date:"},
        {"DTPicker_EndDate", "Frame4", 1440, 570, 1455, 330, "MMM dd, yyyy"},
        {"lblEndTime", "Frame4", 960, 1230, 375, 255, "Time:"},
        {"DTPicker_EndTime", "Frame4", 1440, 1185, 1455, 330, "HH:mm:ss"},
        {"Label6", "Frame4", 1440, 1530, 975, 255, "(HH:MM:SS)"},
        {"Frame2", nullptr, 240, 4560, 11295, 1095, "INPUT DATA BASE TIME ZONE"},
        {"Label1", "Frame2", 360, 480, 1815, 255, "UTC base time zone:"},
        {"cboTimeZone", "Frame2", 2160, 450, 6495, 315, nullptr},
        {"cmdNEXT", nullptr, 6000, 5880, 1215, 495, "NEXT"},
        {"cmdBACK", nullptr, 4560, 5880, 1215, 495, "BACK"},
        {"chkDisableErrorChecking", nullptr, 240, 6120, 1935, 255, "Disable Error Checking"},
    };
    for (const LayoutRow& row : rows) {
        ExpectLaidOut(screen.get(), row);
    }
    EXPECT_EQ(screen->size(), QSize(Twips(11775), Twips(6615)));
    EXPECT_EQ(screen->windowTitle(), u" Corvane"_s);
    EXPECT_EQ(screen->focusWidget(), Control("DTPicker_BeginDate"));
    EXPECT_FALSE(Control<QCheckBox>("chkDisableErrorChecking")->isChecked());
    EXPECT_EQ(Marks(), std::vector<int>(4, kMarkValid));
    EXPECT_TRUE(Control<QLabel>("lblBeginDate")->alignment() & Qt::AlignRight);
}

TEST_F(PeriodScreenTest, ZoneBoxListsTheTableAndShowsTheDataZonesName) {
    Open();
    auto* box = Control<QComboBox>("cboTimeZone");
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), u"(UTC+01:00) Central Europe"_s);
    EXPECT_EQ(box->currentText(), u"(UTC-05:00) Eastern"_s);

    setup.DataTimeZone = u"UTC+0300"_s;  // the fixed name wins over the table's
    Open();
    EXPECT_EQ(Control<QComboBox>("cboTimeZone")->currentText(), u"(UTC+03:00) Saudi Arabia"_s);
    setup.DataTimeZone = u"utc+0300"_s;
    Open();
    EXPECT_EQ(Control<QComboBox>("cboTimeZone")->currentText(),
              u"(UTC+03:00) Arabia from the table"_s);
    setup.DataTimeZone = u"UTC+0930"_s;
    Open();
    EXPECT_EQ(Control<QComboBox>("cboTimeZone")->currentText(), QString());
    EXPECT_EQ(Control<QComboBox>("cboTimeZone")->count(), 3);

    // The table is read on every showing.
    WriteTable("Code\tName\nUTC+0930\t(UTC+09:30) Darwin\n");
    Open();
    EXPECT_EQ(Control<QComboBox>("cboTimeZone")->currentText(), u"(UTC+09:30) Darwin"_s);
}

TEST_F(PeriodScreenTest, MissingTableIsReportedAndTheScreenStillWorks) {
    ASSERT_TRUE(QFile::remove(folder.filePath(u"TimeZones.txt"_s)));
    RecordedMessages messages;
    Open();
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.titles.at(0), u"Error"_s);
    EXPECT_TRUE(messages.texts.at(0).contains(folder.filePath(u"TimeZones.txt"_s)));
    EXPECT_EQ(Control<QComboBox>("cboTimeZone")->count(), 0);
    Click("cmdNEXT");
    EXPECT_EQ(navigator.shown, std::vector<ScreenId>{ScreenId::Output});
}

TEST_F(PeriodScreenTest, NextRefusesAPeriodThatDoesNotEndAfterItStarts) {
    setup.DataEnd = setup.DataStart;  // the same second
    RecordedMessages messages;
    Open();
    Click("cmdNEXT");
    EXPECT_EQ(Marks(), std::vector<int>(4, kMarkInvalid));
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts.at(0),
              u"The Ending Date/Time must be later than the Starting Date/Time."_s);
    EXPECT_EQ(messages.titles.at(0), u"Error"_s);
    EXPECT_TRUE(navigator.shown.empty());
    EXPECT_EQ(setup.PeriodStart, 1) << "nothing is stored";

    // One second later passes; the marks turn white and the period is stored.
    TypeSeconds("DTPicker_EndTime", u"01"_s);
    EXPECT_EQ(Control<QTimeEdit>("DTPicker_EndTime")->time(), QTime(1, 0, 1));
    Click("cmdNEXT");
    EXPECT_EQ(Marks(), std::vector<int>(4, kMarkValid));
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(navigator.shown, std::vector<ScreenId>{ScreenId::Output});
    EXPECT_EQ(setup.PeriodStart, Serial(2008, 1, 1, 1, 0, 0));
    EXPECT_EQ(setup.PeriodEnd, Serial(2008, 1, 1, 1, 0, 1));
    EXPECT_EQ(FieldsFromSerial(setup.PeriodEnd), (CalendarFields{2008, 1, 1, 1, 0, 1}));
}

TEST_F(PeriodScreenTest, TickedBoxAndBackStoreAnyPeriodWithoutAMessage) {
    setup.DataStart = Serial(2009, 1, 1, 0, 0, 0);
    setup.DataEnd = Serial(2008, 1, 1, 0, 0, 0);
    RecordedMessages messages;
    Open();
    MarkFieldInvalid(Control("lblEndTime"));
    QTest::mouseClick(Control<QCheckBox>("chkDisableErrorChecking"), Qt::LeftButton);
    Click("cmdNEXT");
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(navigator.shown, std::vector<ScreenId>{ScreenId::Output});
    EXPECT_EQ(setup.PeriodStart, Serial(2009, 1, 1, 0, 0, 0));
    EXPECT_EQ(setup.PeriodEnd, Serial(2008, 1, 1, 0, 0, 0));
    EXPECT_EQ(FieldMark(Control("lblEndTime")), kMarkInvalid) << "a ticked box leaves marks";

    Open();
    TypeSeconds("DTPicker_BeginTime", u"07"_s);
    Click("cmdBACK");
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(navigator.shown.back(), ScreenId::Dataset);
    EXPECT_EQ(setup.PeriodStart, Serial(2009, 1, 1, 0, 0, 7));
    EXPECT_EQ(setup.DataStart, Serial(2009, 1, 1, 0, 0, 0)) << "the data period stays";
}

}  // namespace
}  // namespace corvane
