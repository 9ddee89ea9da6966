#include "period/period_screen.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
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

using testing::Find;

// One screen walked through: the missing zone table, the layout, and the period check on the
// same second and one second apart.
TEST(PeriodScreen, LayoutMissingTableAndThePeriodCheck) {
    QTemporaryDir folder;
    SetProgramFolderForTesting(folder.path());
    RunSetup setup;
    setup.DataStart = setup.DataEnd = SerialFromFields({2008, 3, 5, 23, 59, 30});
    testing::RecordingNavigator navigator;
    testing::RecordedMessages messages;
    // The pickers show English month names whatever the desktop's language.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    PeriodScreen screen(setup, navigator);
    screen.show();
    QLocale::setDefault(before);
    SetProgramFolderForTesting({});
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.titles.at(0), u"Error"_s);
    EXPECT_TRUE(messages.texts.at(0).contains(folder.filePath(u"TimeZones.txt"_s)));
    EXPECT_EQ(Find<QDateEdit>(&screen, "DTPicker_EndDate")->text(), u"Mar 05, 2008"_s);
    EXPECT_EQ(Find<QTimeEdit>(&screen, "DTPicker_EndTime")->text(), u"23:59:30"_s);
    const testing::LayoutRow rows[] = {
        {"Frame1", nullptr, 240, 240, 11295, 4095, "PROCESSING PERIOD"},
        {"Label2", "Frame1", 360, 720, 7095, 255, "Please select the starting and ending"},
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
    for (const testing::LayoutRow& row : rows) {
        testing::ExpectLaidOut(&screen, row);
    }

    auto marks = [&] {
        std::vector<int> marks;
        for (const char* name : {"lblBeginDate", "lblBeginTime", "lblEndDate", "lblEndTime"}) {
            marks.push_back(FieldMark(Find(&screen, name)));
        }
        return marks;
    };
    QTest::mouseClick(Find<QPushButton>(&screen, "cmdNEXT"), Qt::LeftButton);
    EXPECT_EQ(marks(), std::vector<int>(4, kMarkInvalid));
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts.at(1),
              u"The Ending Date/Time must be later than the Starting Date/Time."_s);
    EXPECT_TRUE(navigator.shown.empty());
    EXPECT_EQ(setup.PeriodEnd, 0.0) << "nothing is stored";
    auto* box = Find<QCheckBox>(&screen, "chkDisableErrorChecking");
    box->setChecked(true);  // lets the same second through
    QTest::mouseClick(Find<QPushButton>(&screen, "cmdNEXT"), Qt::LeftButton);
    EXPECT_EQ(navigator.shown, std::vector<ScreenId>{ScreenId::Output});
    box->setChecked(false);

    auto* endTime = Find<QTimeEdit>(&screen, "DTPicker_EndTime");
    endTime->setFocus();
    endTime->setSelectedSection(QDateTimeEdit::SecondSection);
    QTest::keyClicks(endTime, u"31"_s);  // as a user types
    QTest::mouseClick(Find<QPushButton>(&screen, "cmdNEXT"), Qt::LeftButton);
    EXPECT_EQ(marks(), std::vector<int>(4, kMarkValid));
    EXPECT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(navigator.shown, std::vector<ScreenId>(2, ScreenId::Output));
    EXPECT_EQ(setup.PeriodStart, setup.DataStart);
    EXPECT_EQ(FieldsFromSerial(setup.PeriodEnd), (CalendarFields{2008, 3, 5, 23, 59, 31}));

    // BACK stores the period too; across 1900's missing 29 February: 28 February is day 60,
    // 1 March day 61.
    Find<QDateEdit>(&screen, "DTPicker_BeginDate")->setDate(QDate(1900, 2, 28));
    Find<QDateEdit>(&screen, "DTPicker_EndDate")->setDate(QDate(1900, 3, 1));
    QTest::mouseClick(Find<QPushButton>(&screen, "cmdBACK"), Qt::LeftButton);
    EXPECT_EQ(navigator.shown.back(), ScreenId::Dataset);
    EXPECT_EQ(setup.PeriodStart, 60.0 + 86370 / 86400.0);
    EXPECT_EQ(setup.PeriodEnd, 61.0 + 86371 / 86400.0);
}

}  // namespace
}  // namespace corvane
