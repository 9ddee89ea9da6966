#include "datasets/dataset_screen.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include "datasets/check_tsf_header.h"
#include "datasets/store_file_lists.h"
#include "dialogs/field_marks.h"
#include "dialogs/file_dialog.h"
#include "period/calendar.h"
#include "period/screen_test_helpers.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

using testing::Find;

const QString kNotTsf = u"The selected file is not a valid Time Series File (*.TSF)."_s;

QByteArray Header(const QByteArray& line1 = "TIMESERIES.TSF 1.3",
                  const QByteArray& vars = "1-\r\nwdir ") {
    return line1 +
           "\r\n0-\r\na\r\nb\r\nUTC+0300\r\nGREGORIAN_YMD\r\n"
           "2008 01 01 01 0000 2008 12 31 23 0000 3600\r\n" +
           vars + "\r\n";
}

class DatasetScreenTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    void TearDown() override {
        screen.reset();
        SetFileDialogHandler({});
    }
    void Open() {
        screen = std::make_unique<DatasetScreen>(setup, navigator);
        screen->show();
    }
    QListWidget* List(int set) {
        return Find<QListWidget>(screen.get(), set == 1 ? "lstTSFFiles1" : "lstTSFFiles2");
    }
    void Click(const char* button) {
        QTest::mouseClick(Find<QAbstractButton>(screen.get(), button), Qt::LeftButton);
    }
    void Browse(int set, const QStringList& files) {
        SetNextFileNames(files);
        Click(set == 1 ? "cmdBrowseDataFiles1" : "cmdBrowseDataFiles2");
    }
    QString File(const QString& name, const QByteArray& content) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }

    QTemporaryDir folder;
    RunSetup setup;
    testing::RecordingNavigator navigator;
    std::unique_ptr<DatasetScreen> screen;
    testing::RecordedMessages messages;
};

TEST_F(DatasetScreenTest, LayoutAndNextWithEqualUnequalTickedAndInvalidHeader) {
    Open();
    const testing::LayoutRow rows[] = {
        {"Frame1", nullptr, 120, 240, 14415, 7335, "STEP 1:  METEOROLOGICAL DATASET INFORMATION"},
        {"Label2", "Frame1", 360, 480, 13575, 495, "Please enter two sets of meteorological"},
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
    for (const testing::LayoutRow& row : rows) {
        testing::ExpectLaidOut(screen.get(), row);
    }

    Click("cmdNEXT");  // no files at all: passes
    Browse(1, {File(u"p1.tsf"_s, Header()), u"/p/2.tsf"_s, u"/p/3.tsf"_s});
    EXPECT_EQ(setup.LastBrowseDir, folder.path() + u'/');
    Browse(2, {u"/o/1.tsf"_s, u"/o/2.tsf"_s});
    Click("cmdNEXT");
    EXPECT_EQ(FieldMark(List(1)), kMarkInvalid);
    EXPECT_EQ(FieldMark(List(2)), kMarkInvalid);
    EXPECT_EQ(messages.texts, std::vector<QString>{u"Both sets of time series files must "
                                                   u"contain the same number of files. Set 1 "
                                                   u"(predicted) holds 3, set 2 (observed) "
                                                   u"holds 2."_s});
    EXPECT_EQ(navigator.shown.size(), 1u);
    EXPECT_EQ(setup.PredictedCount, 3) << "the lists are stored before the count check";
    EXPECT_EQ(setup.ObservedCount, 2);
    EXPECT_EQ(setup.DataTimeZone, u"UTC+0300"_s);
    EXPECT_EQ(setup.DataStart, SerialFromFields({2008, 1, 1, 1, 0, 0}));

    auto* box = Find<QCheckBox>(screen.get(), "chkDisableErrorChecking");
    QTest::mouseClick(box, Qt::LeftButton);
    Click("cmdNEXT");
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(navigator.shown.size(), 2u);
    QTest::mouseClick(box, Qt::LeftButton);
    Browse(2, {u"/o/3.tsf"_s});
    Click("cmdNEXT");
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(FieldMark(List(1)), kMarkValid);
    EXPECT_EQ(FieldMark(List(2)), kMarkValid);
    EXPECT_EQ(navigator.shown, std::vector<ScreenId>(3, ScreenId::Period));
    EXPECT_EQ(setup.ObservedFiles, (QStringList{u"/o/1.tsf"_s, u"/o/2.tsf"_s, u"/o/3.tsf"_s}));
}

TEST_F(DatasetScreenTest, HeaderFailuresAreMarkedBeforeTheirMessageOrPassSilently) {
    QListWidget list;
    list.addItem(u"entry"_s);
    list.setCurrentRow(0);
    std::vector<int> marks;  // the list's mark when each message shows
    SetMessageHandler([&](const MessageRequest& request) {
        messages.texts.push_back(request.text);
        marks.push_back(FieldMark(&list));
        return MessageAnswer::Ok;
    });
    CheckTSFHeader(File(u"n.tsf"_s, "SOMETHING ELSE 1.3\r\n"), u"MET"_s, &list, setup);
    CheckTSFHeader(File(u"c.tsf"_s, Header("TIMESERIES.TSF 1.3", "2-\r\nWSPEED\r\nTEMP")), u"MET"_s,
                   &list, setup);
    EXPECT_EQ(messages.texts,
              (std::vector<QString>{kNotTsf,
                                    u"The selected file is not a valid meteorological "
                                    u"Time Series File (*.TSF)."_s}));
    EXPECT_EQ(marks, std::vector<int>(2, kMarkInvalid));
    CheckTSFHeader(File(u"c.tsf"_s, Header("TIMESERIES.TSF 1.30")), u"MET"_s, &list, setup);
    EXPECT_EQ(messages.texts.size(), 2u) << "a wrong version fails silently";
    EXPECT_EQ(FieldMark(&list), kMarkValid) << "the keyword passed";
    EXPECT_TRUE(setup.DataTimeZone.isEmpty()) << "nothing of a failed header is stored";
}

TEST_F(DatasetScreenTest, StoreFileListsFitsSkipsReportsAndCountsEveryEntry) {
    const QString first = File(u"st1.tsf"_s, Header());
    QString detour = folder.path() + u'/';  // over 132 characters, but its short form fits
    while (detour.size() <= 140) {
        detour += u"./"_s;
    }
    const QString missing = u"/no/such/folder/"_s + QString(130, u'x');
    QListWidget list1, list2;
    list1.addItems({first, detour + u"st1.tsf"_s, QString(), missing});
    QStringList many;
    for (int i = 0; i < 33000; ++i) {
        many << u"/data/station_%1.tsf"_s.arg(i);
    }
    list2.addItems(many);
    StoreFileLists(&list1, &list2, setup);
    EXPECT_EQ(setup.PredictedFiles, (QStringList{first, first, missing}));
    EXPECT_EQ(list1.item(1)->text(), first) << "the entry shows its short form";
    EXPECT_EQ(setup.PredictedCount, 3);
    EXPECT_EQ(messages.texts.size(), 1u) << "the overlong entry is reported";
    EXPECT_EQ(FieldMark(&list1), kMarkInvalid);
    EXPECT_EQ(setup.ObservedCount, 33000);
    EXPECT_EQ(setup.ObservedFiles, many);

    // One entry is stored; empty lists count zero and keep the stored names.
    list1.clear();
    list2.clear();
    list2.addItem(first);
    StoreFileLists(&list1, &list2, setup);
    EXPECT_EQ(setup.ObservedFiles, QStringList{first});
    EXPECT_EQ(setup.PredictedCount, 0);
    EXPECT_EQ(setup.PredictedFiles.size(), 3);
    Open();
    EXPECT_EQ(List(1)->count(), 0) << "the stored count decides what the screen shows";
}

TEST_F(DatasetScreenTest, NextWarnsOnceAboutStationsWhoseFilesNameDifferentSites) {
    const auto series = [&](const QString& name, const QByteArray& site) {
        QByteArray header = Header();
        header.replace("\r\n0-\r\n", "\r\n1-\r\nSite: " + site + "\r\n");
        return File(name, site.isNull() ? Header() : header);
    };
    QStringList predicted{series(u"p0.tsf"_s, "Hamburg"), series(u"p1.tsf"_s, "Kiel"),
                          series(u"p2.tsf"_s, {})};
    QStringList observed{series(u"o0.tsf"_s, " HAMBURG "), folder.filePath(u"missing.tsf"_s),
                         series(u"o2.tsf"_s, "Kiel")};
    // Long lists are read in parts: the stations around the middle differ too.
    for (int i = 3; i < 1015; ++i) {
        const bool differ = i < 15 || (i >= 505 && i < 510);
        predicted << (differ ? series(u"p%1.tsf"_s.arg(i), "Site " + QByteArray::number(i))
                             : u"/no/p%1.tsf"_s.arg(i));
        observed << (differ ? series(u"o%1.tsf"_s.arg(i), "Other " + QByteArray::number(i))
                            : u"/no/o%1.tsf"_s.arg(i));
    }
    Open();
    Browse(1, predicted);
    Browse(2, observed);
    Click("cmdNEXT");
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.titles[0], u"Warning"_s);
    const QString& text = messages.texts[0];
    EXPECT_TRUE(
        text.startsWith(u"The two files of these stations name different sites "
                        u"(compared without letter case):\n\nStation 4: predicted "
                        u"\"Site 3\", observed \"Other 3\"\nStation 5: "_s))
        << text.toStdString();
    EXPECT_TRUE(
        text.contains(u"\nStation 13: predicted \"Site 12\", observed \"Other 12\"\n"
                      u"and 7 more\n\n"_s))
        << text.toStdString();
    EXPECT_EQ(navigator.shown, std::vector<ScreenId>{ScreenId::Period}) << "OK goes on";

    // Disable Error Checking skips this check too.
    Open();
    QTest::mouseClick(Find<QCheckBox>(screen.get(), "chkDisableErrorChecking"), Qt::LeftButton);
    Click("cmdNEXT");
    EXPECT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(navigator.shown.size(), 2u);
}

}  // namespace
}  // namespace corvane
