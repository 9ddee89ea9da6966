#include "datasets/store_file_lists.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "datasets/check_tsf_header.h"
#include "datasets/dataset_screen.h"
#include "dialogs/field_marks.h"
#include "dialogs/message_box.h"
#include "period/calendar.h"
#include "shell/run_setup.h"

namespace corvane {
namespace {

const QString kNotTsf =
    QStringLiteral("The selected file is not a valid Time Series File (*.TSF).");
const QString kNotMet =
    QStringLiteral("The selected file is not a valid meteorological Time Series File (*.TSF).");
const QString kTooLong =
    QStringLiteral("The selected path/filename may not exceed 132 characters in length.");

class RecordingNavigator final : public Navigator {
public:
    void ShowScreen(ScreenId target) override { targets.push_back(target); }
    void EndProgram() override {}
    std::vector<ScreenId> targets;
};

class DatasetsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        SetMessageHandler([this](const MessageRequest& request) {
            messages_.push_back(request.text);
            marksWhenShown_.push_back(FieldMark(list1_.get()));
            EXPECT_EQ(request.title, u"Error");
            return MessageAnswer::Ok;
        });
        list1_ = std::make_unique<QListWidget>();
        list2_ = std::make_unique<QListWidget>();
        // A run of earlier values that a failing header must leave alone.
        setup_.DataStart = 1.5;
        setup_.DataEnd = 2.5;
        setup_.DataTimeZone = QStringLiteral("UTC+0100");
    }
    void TearDown() override { SetMessageHandler({}); }

    QString File(const QString& name, const QByteArray& content) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    static QByteArray Header(const QByteArray& line1 = "TIMESERIES.TSF 1.3",
                             const QByteArray& variables = "2-\r\nWSPEED\r\nwdir \r\n") {
        return line1 +
               "\r\n0-\r\na\r\nb\r\nUTC+0300\r\nGREGORIAN_YMD\r\n"
               "2008 01 01 01 0000 2008 12 31 23 0000 3600\r\n" +
               variables;
    }

    void ExpectUnchanged() {
        EXPECT_EQ(setup_.DataStart, 1.5);
        EXPECT_EQ(setup_.DataEnd, 2.5);
        EXPECT_EQ(setup_.DataTimeZone, u"UTC+0100");
    }

    void Fill(QListWidget* list, const QStringList& entries) {
        list->clear();
        list->addItems(entries);
    }

    static QStringList Entries(const QListWidget* list) {
        QStringList entries;
        for (int i = 0; i < list->count(); ++i) {
            entries.append(list->item(i)->text());
        }
        return entries;
    }

    QTemporaryDir dir_;
    RunSetup setup_;
    std::unique_ptr<QListWidget> list1_;
    std::unique_ptr<QListWidget> list2_;
    QStringList messages_;
    std::vector<int> marksWhenShown_;
};

TEST_F(DatasetsTest, HeaderThatPassesIsStoredAndClearsTheMark) {
    const QString path = File(QStringLiteral("ok.tsf"), Header());
    list1_->addItem(path);
    list1_->setCurrentRow(0);
    MarkFieldInvalid(list1_.get());
    const TsfHeader header = CheckTSFHeader(path, QStringLiteral("MET"), list1_.get(), setup_);
    EXPECT_TRUE(header.ok()) << header.message;
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_EQ(FieldMark(list1_.get()), kMarkValid);
    EXPECT_EQ(setup_.DataStart, SerialFromFields({2008, 1, 1, 1, 0, 0}));
    EXPECT_EQ(setup_.DataEnd, SerialFromFields({2008, 12, 31, 23, 0, 0}));
    EXPECT_EQ(setup_.DataTimeZone, u"UTC+0300");
}

TEST_F(DatasetsTest, HeaderFailuresShowTheirMessagesAfterMarking) {
    struct Case {
        QByteArray content;
        QString message;  // empty: a silent failure
    };
    const Case cases[] = {
        {Header("TIMESERIES.TSF\t1.3"), kNotTsf},
        {Header("TIMESERIES.TSF 1.3", "2-\r\nWSPEED\r\nTEMP\r\n"), kNotMet},
        {Header("TIMESERIES.TSF 1.3", "0-\r\n"), kNotMet},
        {Header("TIMESERIES.TSF 1.30"), {}},
        {Header("TIMESERIES.TSF 1.3", "2-\r\nWDIR\r\n"), {}},
        {QByteArray("\0\x01\x02garbage", 10), kNotTsf},
        {{}, {}},
    };
    for (const Case& c : cases) {
        messages_.clear();
        marksWhenShown_.clear();
        list1_->clear();
        list1_->addItem(QStringLiteral("entry"));
        list1_->setCurrentRow(0);
        MarkFieldValid(list1_.get());
        const QString path = File(QStringLiteral("case.tsf"), c.content);
        CheckTSFHeader(path, QStringLiteral("MET"), list1_.get(), setup_);
        ExpectUnchanged();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(messages_.isEmpty()) << c.content.toStdString();
            EXPECT_EQ(FieldMark(list1_.get()), kMarkValid);
        } else {
            ASSERT_EQ(messages_, QStringList{c.message}) << c.content.toStdString();
            EXPECT_EQ(marksWhenShown_, std::vector<int>{kMarkInvalid});
            EXPECT_EQ(FieldMark(list1_.get()), kMarkInvalid);
        }
    }
    // The keyword passing clears an earlier mark even when the version then fails.
    MarkFieldInvalid(list1_.get());
    CheckTSFHeader(File(QStringLiteral("v.tsf"), Header("timeseries.tsf 1.2")),
                   QStringLiteral("MET"), list1_.get(), setup_);
    EXPECT_EQ(FieldMark(list1_.get()), kMarkValid);
    CheckTSFHeader(QString(), QStringLiteral("MET"), list1_.get(), setup_);
    ExpectUnchanged();
}

TEST_F(DatasetsTest, NextOnTheDatasetScreenStoresListsAndHeader) {
    const QString first = File(QStringLiteral("st1_model.tsf"), Header());
    // More than 132 characters, but its short (canonical) form fits.
    QString longPath = dir_.path() + u'/';
    while (longPath.size() <= 140) {
        longPath += QStringLiteral("./");
    }
    longPath += QStringLiteral("st1_model.tsf");
    setup_.PredictedFiles = {first, longPath, QStringLiteral("/c.tsf")};
    setup_.PredictedCount = 3;
    setup_.ObservedFiles = {QStringLiteral("/x.tsf"), QStringLiteral("/y.tsf"),
                            QStringLiteral("/z.tsf")};
    setup_.ObservedCount = 3;

    RecordingNavigator navigator;
    DatasetScreen screen(setup_, navigator);
    screen.show();
    auto* next = screen.findChild<QPushButton*>(QStringLiteral("cmdNEXT"));
    auto* list1 = screen.findChild<QListWidget*>(QStringLiteral("lstTSFFiles1"));
    ASSERT_NE(next, nullptr);
    ASSERT_NE(list1, nullptr);
    ASSERT_EQ(list1->count(), 3);

    for (int press = 0; press < 2; ++press) {
        QTest::mouseClick(next, Qt::LeftButton);
        EXPECT_EQ(list1->item(1)->text(), first);
        EXPECT_EQ(setup_.PredictedFiles, (QStringList{first, first, QStringLiteral("/c.tsf")}));
        EXPECT_EQ(setup_.PredictedCount, 3);
        EXPECT_EQ(setup_.ObservedCount, 3);
        EXPECT_EQ(setup_.DataTimeZone, u"UTC+0300");
        EXPECT_EQ(FieldMark(list1), kMarkValid);
        EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'\n').toStdString();
    }
    EXPECT_EQ(navigator.targets, (std::vector<ScreenId>{ScreenId::Period, ScreenId::Period}));
}

TEST_F(DatasetsTest, CountsAreStoredBeforeTheCountCheck) {
    setup_.PredictedFiles = {QStringLiteral("/a1"), QStringLiteral("/a2"), QStringLiteral("/a3"),
                             QStringLiteral("/a4")};
    setup_.PredictedCount = 4;
    setup_.ObservedFiles = {QStringLiteral("/b1"), QStringLiteral("/b2"), QStringLiteral("/b3")};
    setup_.ObservedCount = 3;
    RecordingNavigator navigator;
    DatasetScreen screen(setup_, navigator);
    screen.show();
    setup_.PredictedCount = 0;
    setup_.ObservedCount = 0;
    QTest::mouseClick(screen.findChild<QPushButton*>(QStringLiteral("cmdNEXT")), Qt::LeftButton);
    EXPECT_EQ(setup_.PredictedCount, 4);
    EXPECT_EQ(setup_.ObservedCount, 3);
    EXPECT_TRUE(navigator.targets.empty());
    EXPECT_EQ(messages_.size(), 1);
}

TEST_F(DatasetsTest, EmptyListsKeepTheStoredListsAndCountZero) {
    setup_.PredictedFiles = {QStringLiteral("/stale")};
    setup_.ObservedFiles = {QStringLiteral("/stale2")};
    setup_.PredictedCount = setup_.ObservedCount = 1;
    StoreFileLists(list1_.get(), list2_.get(), setup_);
    EXPECT_EQ(setup_.PredictedCount, 0);
    EXPECT_EQ(setup_.ObservedCount, 0);
    EXPECT_EQ(setup_.PredictedFiles, QStringList{QStringLiteral("/stale")});
    EXPECT_EQ(setup_.ObservedFiles, QStringList{QStringLiteral("/stale2")});
    EXPECT_TRUE(messages_.isEmpty());
    ExpectUnchanged();
}

TEST_F(DatasetsTest, OverlongPathsAreKeptReportedAndMarked) {
    const QString missing =
        QStringLiteral("/no/such/folder/") + QString(130, u'x') + QStringLiteral(".tsf");
    Fill(list1_.get(), {QStringLiteral("/a.tsf"), missing, QStringLiteral("/b.tsf"), missing});
    Fill(list2_.get(), {QStringLiteral("/c.tsf")});
    StoreFileLists(list1_.get(), list2_.get(), setup_);
    EXPECT_EQ(messages_, (QStringList{kTooLong, kTooLong}));
    EXPECT_EQ(setup_.PredictedFiles[3], missing);
    EXPECT_EQ(Entries(list1_.get())[3], missing);
    EXPECT_EQ(FieldMark(list1_.get()), kMarkInvalid);
    EXPECT_EQ(FieldMark(list2_.get()), kMarkValid);
}

TEST_F(DatasetsTest, EmptyEntriesAreSkippedWithoutLosingTheLastOne) {
    Fill(list1_.get(), {QStringLiteral("/a.tsf"), QString(), QStringLiteral("/b.tsf")});
    StoreFileLists(list1_.get(), list2_.get(), setup_);
    EXPECT_EQ(setup_.PredictedCount, 2);
    EXPECT_EQ(setup_.PredictedFiles,
              (QStringList{QStringLiteral("/a.tsf"), QStringLiteral("/b.tsf")}));
}

TEST_F(DatasetsTest, MoreThan32767EntriesAreAllCounted) {
    QStringList many;
    for (int i = 0; i < 33000; ++i) {
        many.append(QStringLiteral("/data/station_%1.tsf").arg(i));
    }
    Fill(list2_.get(), many);
    StoreFileLists(list1_.get(), list2_.get(), setup_);
    EXPECT_EQ(setup_.ObservedCount, 33000);
    EXPECT_EQ(setup_.ObservedFiles, many);
}

}  // namespace
}  // namespace corvane
