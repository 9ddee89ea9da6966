// The dataset and period screens inside the real wizard: what BACK and NEXT bring back is
// what the setup state holds, not what a screen showed when it was left.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

#include "dialogs/field_marks.h"
#include "dialogs/file_dialog.h"
#include "period/screen_test_helpers.h"
#include "shell/wizard.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

using testing::Find;
using testing::RecordedMessages;

class ScreenFlowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    void TearDown() override {
        SetFileDialogHandler({});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QWidget* Screen() { return wizard.CurrentScreen(); }
    template <typename T = QWidget>
    T* Control(const char* name) {
        return Find<T>(Screen(), name);
    }
    void Click(const char* name) {
        QTest::mouseClick(Control<QPushButton>(name), Qt::LeftButton);
        // The screen that was left goes at the next turn of the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QStringList Entries(const char* list) {
        QStringList entries;
        for (int i = 0; i < Control<QListWidget>(list)->count(); ++i) {
            entries << Control<QListWidget>(list)->item(i)->text();
        }
        return entries;
    }

    QTemporaryDir folder;
    Wizard wizard;
};

TEST_F(ScreenFlowTest, BackAndNextShowWhatTheSetupHolds) {
    const QString first = folder.filePath(u"station1.tsf"_s);
    {
        QFile file(first);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "TIMESERIES.TSF 1.3\n0-\na\nb\nUTC+0300\nGREGORIAN_YMD\n"
            "2008 01 01 01 0000 2008 12 31 23 1830 3600\n1-\nWDIR\n");
    }
    RecordedMessages messages;
    wizard.ShowScreen(ScreenId::Dataset);
    SetNextFileNames({first, u"/p/station2.tsf"_s});
    Click("cmdBrowseDataFiles1");
    SetNextFileNames({u"/o/station1.tsf"_s, u"/o/station2.tsf"_s});
    Click("cmdBrowseDataFiles2");
    Control<QListWidget>("lstTSFFiles1")->item(1)->setSelected(true);
    QTest::mouseClick(Control<QCheckBox>("chkDisableErrorChecking"), Qt::LeftButton);
    Click("cmdNEXT");

    // The period screen starts from the header's data period and zone.
    ASSERT_NE(Screen()->findChild<QDateEdit*>(u"DTPicker_BeginDate"_s), nullptr);
    EXPECT_EQ(Control<QDateEdit>("DTPicker_BeginDate")->text(), u"Jan 01, 2008"_s);
    EXPECT_EQ(Control<QTimeEdit>("DTPicker_EndTime")->text(), u"23:30:30"_s);
    EXPECT_EQ(Control<QComboBox>("cboTimeZone")->currentText(), u"(UTC+03:00) Saudi Arabia"_s);
    auto* beginTime = Control<QTimeEdit>("DTPicker_BeginTime");
    beginTime->setFocus();
    beginTime->setSelectedSection(QDateTimeEdit::MinuteSection);
    QTest::keyClicks(beginTime, u"15"_s);
    Click("cmdBACK");

    // BACK: the lists as NEXT stored them, nothing selected, white, the box unticked.
    ASSERT_NE(Screen()->findChild<QListWidget*>(u"lstTSFFiles1"_s), nullptr);
    EXPECT_EQ(Entries("lstTSFFiles1"), (QStringList{first, u"/p/station2.tsf"_s}));
    EXPECT_EQ(Entries("lstTSFFiles2"), (QStringList{u"/o/station1.tsf"_s, u"/o/station2.tsf"_s}));
    EXPECT_TRUE(Control<QListWidget>("lstTSFFiles1")->selectedItems().isEmpty());
    EXPECT_EQ(FieldMark(Control("lstTSFFiles1")), kMarkValid);
    EXPECT_FALSE(Control<QCheckBox>("chkDisableErrorChecking")->isChecked());
    const double chosenStart = wizard.Setup().PeriodStart;
    EXPECT_GT(chosenStart, wizard.Setup().DataStart) << "BACK stored the chosen period";

    // NEXT again: the data period once more, not the period chosen before.
    Click("cmdNEXT");
    ASSERT_NE(Screen()->findChild<QTimeEdit*>(u"DTPicker_BeginTime"_s), nullptr);
    EXPECT_EQ(Control<QTimeEdit>("DTPicker_BeginTime")->text(), u"01:00:00"_s);
    EXPECT_EQ(wizard.Setup().PeriodStart, chosenStart);

    // On to the output screen and back: the period screen starts from the data again.
    Click("cmdNEXT");
    ASSERT_NE(Screen()->findChild<QPushButton*>(u"cmdRUN"_s), nullptr);
    Click("cmdBACK");
    ASSERT_NE(Screen()->findChild<QTimeEdit*>(u"DTPicker_BeginTime"_s), nullptr);
    EXPECT_EQ(Control<QTimeEdit>("DTPicker_BeginTime")->text(), u"01:00:00"_s);
    EXPECT_TRUE(messages.texts.empty()) << messages.texts.front().toStdString();
}

}  // namespace
}  // namespace corvane
