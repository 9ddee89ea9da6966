#include "datasets/dataset_screen.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "dialogs/field_marks.h"
#include "dialogs/file_dialog.h"
#include "period/screen_test_helpers.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

using testing::ExpectLaidOut;
using testing::Find;
using testing::LayoutRow;
using testing::RecordedMessages;
using testing::RecordingNavigator;

constexpr char kValidHeader[] =
    "TIMESERIES.TSF 1.3\n0-\nfirst\nsecond\nUTC+0300\nGREGORIAN_YMD\n"
    "2008 01 01 01 0000 2008 12 31 23 0000 3600\n1-\nWDIR\n";

QStringList Entries(const QListWidget* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->item(i)->text();
    }
    return entries;
}

class DatasetScreenTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    void TearDown() override {
        screen.reset();
        SetFileDialogHandler({});
    }

    DatasetScreen& Open() {
        screen = std::make_unique<DatasetScreen>(setup, navigator);
        screen->show();
        return *screen;
    }
    template <typename T = QWidget>
    T* Control(const char* name) {
        return Find<T>(screen.get(), name);
    }
    QListWidget* List(int set) {
        return Control<QListWidget>(set == 1 ? "lstTSFFiles1" : "lstTSFFiles2");
    }
    void Click(const char* button) {
        QTest::mouseClick(Control<QPushButton>(button), Qt::LeftButton);
    }
    // Browses set 1 or 2 and "chooses" the given files in the dialog.
    void Browse(int set, const QStringList& files) {
        SetNextFileNames(files);
        Click(set == 1 ? "cmdBrowseDataFiles1" : "cmdBrowseDataFiles2");
    }
    QString WriteFile(const QString& name, const char* content) {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    QTemporaryDir folder;
    RunSetup setup;
    RecordingNavigator navigator;
    std::unique_ptr<DatasetScreen> screen;
};

TEST_F(DatasetScreenTest, EveryControlHasItsTablePlaceCaptionNameAndTabOrder) {
    Open();
    const LayoutRow rows[] = {
        {"Frame1", nullptr, 120, 240, 14415, 7335, "STEP 1:  METEOROLOGICAL DATASET INFORMATION"},
        {"Label2", "Frame1", 360, 480, 13575, 495,
         "Please enter two sets of meteorological time series files (TSF) for each location to "
         "be evaluated, noting that the time series files for each location must be in the "
         "same position in each list."},
        {"Label1", "Frame1", 530, 1320, 4575, 255, "TIME SERIES FILES - SET 1 (PREDICTED)"},
        {"Label3", "Frame1", 7870, 1320, 4575, 255, "TIME SERIES FILES - SET 2 (OBSERVED)"},
        {"lstTSFFiles1", "Frame1", 360, 1680, 4815, 4545, nullptr},
        {"lstTSFFiles2", "Frame1", 7680, 1680, 4815, 4545, nullptr},
        {"cmdMoveUP1", "Frame1", 5280, 3420, 1575, 550, "Move Selection UP"},
        {"cmdMoveDOWN1", "Frame1", 5280, 4020, 1575, 550, "Move Selection DOWN"},
        {"cmdMoveUP2", "Frame1", 12600, 3420, 1575, 550, "Move Selection UP"},
        {"cmdMoveDOWN2", "Frame1", 12600, 4020, 1575, 550, "Move Selection DOWN"},
        {"cmdBrowseDataFiles1", "Frame1", 360, 6360, 2175, 615, "BROWSE FOR FILES"},
        {"cmdRemoveSelection1", "Frame1", 3600, 6360, 1575, 615, "Remove Selection"},
        {"cmdBrowseDataFiles2", "Frame1", 7680, 6360, 2175, 615, "BROWSE FOR FILES"},
        {"cmdRemoveSelection2", "Frame1", 10920, 6360, 1575, 615, "Remove Selection"},
        {"chkDisableErrorChecking", nullptr, 120, 8040, 1935, 255, "Disable Error Checking"},
        {"cmdBACK", nullptr, 6015, 7800, 1215, 495, "BACK"},
        {"cmdNEXT", nullptr, 7455, 7800, 1215, 495, "NEXT"},
    };
    for (const LayoutRow& row : rows) {
        ExpectLaidOut(screen.get(), row);
    }
    EXPECT_EQ(screen->size(), QSize(979, 569));
    EXPECT_EQ(screen->windowTitle(), u" Corvane"_s);
    EXPECT_FALSE(Control("cmdBACK")->isEnabled());
    EXPECT_EQ(List(1)->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(FieldMark(List(1)), kMarkValid);
    EXPECT_EQ(Control("Label1")->font().pointSizeF(), 11.25);
    EXPECT_TRUE(Control("cmdMoveUP1")->font().bold());
    // Without a font of its own a control shows the window's, not the frame's caption font.
    EXPECT_EQ(Control("cmdRemoveSelection1")->font().pointSizeF(), screen->font().pointSizeF());
    EXPECT_FALSE(Control("cmdRemoveSelection1")->font().bold());
    EXPECT_FALSE(List(1)->font().bold());

    // The focus starts on the first Browse button and Tab walks the table's order.
    EXPECT_EQ(screen->focusWidget(), Control("cmdBrowseDataFiles1"));
    const QStringList order{u"cmdBrowseDataFiles1"_s,
                            u"cmdBrowseDataFiles2"_s,
                            u"cmdNEXT"_s,
                            u"cmdRemoveSelection1"_s,
                            u"cmdMoveUP1"_s,
                            u"cmdMoveDOWN1"_s,
                            u"cmdRemoveSelection2"_s,
                            u"cmdMoveUP2"_s,
                            u"cmdMoveDOWN2"_s,
                            u"cmdBACK"_s,
                            u"lstTSFFiles1"_s,
                            u"lstTSFFiles2"_s,
                            u"chkDisableErrorChecking"_s};
    QStringList walked;
    QWidget* widget = Control("cmdBrowseDataFiles1");
    do {
        if (order.contains(widget->objectName())) {
            walked << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != Control("cmdBrowseDataFiles1") && walked.size() <= order.size());
    EXPECT_EQ(walked, order);
}

TEST_F(DatasetScreenTest, BrowsingAppendsAndTheNextBrowseStartsInTheLastListsFolder) {
    Open();
    QString askedStart = u"unset"_s;
    SetFileDialogHandler([&](const FileDialogRequest& request) {
        askedStart = request.initialDirectory;
        EXPECT_EQ(request.nameFilters, DatasetScreen::BrowseFilters());
        EXPECT_EQ(request.nameFilters.value(request.selectedFilter),
                  u"Time Series Files (*.tsf)"_s);
        return QStringList{u"/met/a.tsf"_s, u"/met/b.tsf"_s};
    });
    Click("cmdBrowseDataFiles1");
    EXPECT_EQ(askedStart, QString());
    EXPECT_EQ(Entries(List(1)), (QStringList{u"/met/a.tsf"_s, u"/met/b.tsf"_s}));
    EXPECT_EQ(setup.LastBrowseDir, u"/met/"_s);

    SetFileDialogHandler({});
    Browse(2, {u"/obs/x.tsf"_s});
    EXPECT_EQ(setup.LastBrowseDir, u"/obs/"_s);
    Browse(2, {});  // cancelled: the list's own folder is remembered all the same
    EXPECT_EQ(Entries(List(2)), QStringList{u"/obs/x.tsf"_s});
    EXPECT_EQ(setup.LastBrowseDir, u"/obs/"_s);

    SetFileDialogHandler([&](const FileDialogRequest& request) {
        askedStart = request.initialDirectory;
        return QStringList{};
    });
    Click("cmdBrowseDataFiles1");
    EXPECT_EQ(askedStart, u"/obs/"_s);
    // Browsing set 1 again brings its own folder back.
    EXPECT_EQ(setup.LastBrowseDir, u"/met/"_s);
}

TEST_F(DatasetScreenTest, LeavingAListRemembersItsFolderAndClearsAFilledMark) {
    Open();
    // Focus changes reach the controls of the active window only.
    screen->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    Browse(1, {u"/met/a.tsf"_s});
    setup.LastBrowseDir.clear();
    MarkFieldInvalid(List(1));
    List(1)->setFocus(Qt::OtherFocusReason);
    List(1)->setCurrentRow(-1);
    Control("cmdNEXT")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(setup.LastBrowseDir, u"/met/"_s);
    EXPECT_EQ(FieldMark(List(1)), kMarkInvalid) << "no current entry: the mark stays";

    List(1)->setFocus(Qt::OtherFocusReason);
    List(1)->setCurrentRow(0);
    Control("cmdNEXT")->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(FieldMark(List(1)), kMarkValid);
}

TEST_F(DatasetScreenTest, MoveRemoveButtonsAndTheDeleteKeyWorkOnTheirOwnList) {
    Open();
    Browse(1, {u"/a/0"_s, u"/a/1"_s, u"/a/2"_s});
    Browse(2, {u"/b/0"_s, u"/b/1"_s, u"/b/2"_s});
    List(1)->item(1)->setSelected(true);
    Click("cmdMoveUP1");
    EXPECT_EQ(Entries(List(1)), (QStringList{u"/a/1"_s, u"/a/0"_s, u"/a/2"_s}));
    Click("cmdMoveDOWN1");
    Click("cmdRemoveSelection1");
    EXPECT_EQ(Entries(List(1)), (QStringList{u"/a/0"_s, u"/a/2"_s}));

    List(2)->item(0)->setSelected(true);
    Click("cmdMoveDOWN2");
    Click("cmdMoveUP2");
    EXPECT_EQ(Entries(List(2)), (QStringList{u"/b/0"_s, u"/b/1"_s, u"/b/2"_s}));
    Click("cmdRemoveSelection2");
    List(2)->item(1)->setSelected(true);
    QTest::keyClick(List(2), Qt::Key_Delete);
    EXPECT_EQ(Entries(List(2)), QStringList{u"/b/1"_s});
    EXPECT_EQ(List(1)->count(), 2) << "each button works on its own list";
}

TEST_F(DatasetScreenTest, NextWithUnequalListsMarksBothAndStaysUntilTheyMatch) {
    const QString header = WriteFile(u"p1.tsf"_s, kValidHeader);
    RecordedMessages messages;
    Open();
    Browse(1, {header, u"/p/2.tsf"_s, u"/p/3.tsf"_s});
    Browse(2, {u"/o/1.tsf"_s, u"/o/2.tsf"_s});
    Click("cmdNEXT");
    EXPECT_EQ(FieldMark(List(1)), kMarkInvalid);
    EXPECT_EQ(FieldMark(List(2)), kMarkInvalid);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts.at(0),
              u"Both sets of time series files must contain the same number of files."_s);
    EXPECT_EQ(messages.titles.at(0), u"Error"_s);
    EXPECT_TRUE(navigator.shown.empty());
    EXPECT_EQ(setup.PredictedCount, 3) << "the lists are stored before the count check";
    EXPECT_EQ(setup.ObservedCount, 2);
    EXPECT_EQ(setup.DataTimeZone, u"UTC+0300"_s);

    Browse(2, {u"/o/3.tsf"_s});
    Click("cmdNEXT");
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(FieldMark(List(1)), kMarkValid);
    EXPECT_EQ(FieldMark(List(2)), kMarkValid);
    EXPECT_EQ(navigator.shown, std::vector<ScreenId>{ScreenId::Period});
    EXPECT_EQ(setup.ObservedFiles, (QStringList{u"/o/1.tsf"_s, u"/o/2.tsf"_s, u"/o/3.tsf"_s}));
}

TEST_F(DatasetScreenTest, TickedBoxLetsUnequalListsPassAndEmptyListsAlwaysPass) {
    RecordedMessages messages;
    Open();
    Click("cmdNEXT");  // 0 files each
    EXPECT_EQ(navigator.shown.size(), 1u);
    EXPECT_EQ(setup.PredictedCount, 0);

    Open();
    Browse(1, {u"/p/1.tsf"_s, u"/p/2.tsf"_s, u"/p/3.tsf"_s});
    Browse(2, {u"/o/1.tsf"_s, u"/o/2.tsf"_s});
    MarkFieldInvalid(List(2));
    QTest::mouseClick(Control<QCheckBox>("chkDisableErrorChecking"), Qt::LeftButton);
    Click("cmdNEXT");
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(navigator.shown.size(), 2u);
    EXPECT_EQ(setup.PredictedCount, 3);
    EXPECT_EQ(setup.ObservedCount, 2);
    // The path check of the always step marked the lists white; the count check did nothing.
    EXPECT_EQ(FieldMark(List(1)), kMarkValid);
    EXPECT_EQ(FieldMark(List(2)), kMarkValid);
}

TEST_F(DatasetScreenTest, AnInvalidHeaderIsReportedButDoesNotStopNext) {
    const QString notTsf = WriteFile(u"wrong.tsf"_s, "SOMETHING ELSE 1.3\n");
    setup.DataTimeZone = u"UTC+0100"_s;
    RecordedMessages messages;
    Open();
    Browse(1, {notTsf});
    Browse(2, {u"/o/1.tsf"_s});
    Click("cmdNEXT");
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts.at(0),
              u"The selected file is not a valid Time Series File (*.TSF)."_s);
    EXPECT_EQ(navigator.shown, std::vector<ScreenId>{ScreenId::Period});
    EXPECT_EQ(setup.DataTimeZone, u"UTC+0100"_s) << "a failed header stores nothing";
    EXPECT_EQ(setup.PredictedFiles, QStringList{notTsf});
}

}  // namespace
}  // namespace corvane
