// Whole runs with batchrun and the real engine when the disk fails or the names are hostile:
// a fault reaches the run's error box with the path and the reason, Retry finishes the run
// once the fault is gone, names with shell characters reach the engine as they stand, and
// names that no script can carry are refused before anything is written.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QWidget>
#include <memory>
#include <utility>

#include "program_run.h"
#include "run/console_window.h"
#include "run/run_sequence.h"
#include "run_test_world.h"
#include "support/tmpfs_mount.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

/// A screen stand-in whose store step can do harm between RUN's checks and the writes.
class Host final : public RunHost {
public:
    Host() : status_(&widget_) {}
    QWidget* HostWidget() override { return &widget_; }
    bool HostClosing() const override { return false; }
    void StoreOutputSettings() override {
        if (onStore) {
            onStore();
            onStore = {};
        }
    }
    QLabel* StatusLabel() override { return &status_; }
    void ShowExitButton() override { exitShown = true; }

    std::function<void()> onStore;
    bool exitShown = false;

private:
    QWidget widget_;
    QLabel status_;
};

class RunFaults : public ::testing::Test {
protected:
    void SetUp() override {
        const QString bin = QCoreApplication::applicationDirPath();
        if (!QFile::exists(bin + u"/wxcheck"_s) || !QFile::exists(bin + u"/batchrun"_s)) {
            GTEST_SKIP() << "needs wxcheck and batchrun beside the test";
        }
        world_ = std::make_unique<testing::RunTestWorld>();
        ASSERT_TRUE(world_->UseEngine(bin + u"/wxcheck"_s));
        world_->FillSetup(setup_, world_->Output());
        UseExampleSeries(QString::fromUtf8(CORVANE_EXAMPLES_DIR) + u'/', u""_s);
    }
    void TearDown() override {
        delete ConsoleWindow::Existing();
        world_.reset();
    }

    // The four example stations, read from `folder` with `prefix` before each file name.
    void UseExampleSeries(const QString& folder, const QString& prefix) {
        setup_.PredictedFiles.clear();
        setup_.ObservedFiles.clear();
        for (const char* station : {"st001", "st002", "st003", "st004"}) {
            setup_.PredictedFiles << folder + prefix + QString::fromLatin1(station) + u"_prd.tsf"_s;
            setup_.ObservedFiles << folder + prefix + QString::fromLatin1(station) + u"_obs.tsf"_s;
        }
        setup_.PredictedCount = setup_.ObservedCount = 4;
        setup_.DataTimeZone = u"UTC+0000"_s;
        setup_.PeriodStart = 39448.0 + 1.0 / 24;  // 1 January 2008 01:00
        setup_.PeriodEnd = 39479.0;               // 1 February 2008 00:00
        setup_.CalmWindText = u"0.9999"_s;
        setup_.MissingFilterFlag = u"0"_s;
    }

    // Copies the example series into `folder` under names that begin with `prefix`.
    void CopyExampleSeries(const QString& folder, const QString& prefix) {
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString examples = QString::fromUtf8(CORVANE_EXAMPLES_DIR) + u'/';
        for (const char* station : {"st001", "st002", "st003", "st004"}) {
            for (const char* kind : {"_prd.tsf", "_obs.tsf"}) {
                const QString name = QString::fromLatin1(station) + QString::fromLatin1(kind);
                ASSERT_TRUE(QFile::copy(examples + name, folder + prefix + name))
                    << qPrintable(name);
            }
        }
        UseExampleSeries(folder, prefix);
    }

    RunOutcome Run() {
        RunSequence run(setup_, host_);
        return run.Run();
    }

    QString ListFile() const {
        return setup_.OutputDirectory + setup_.BaseFilename + u"_wxcheck.lst"_s;
    }

    // The run ended with the engine's report of four evaluated stations as the marker.
    void ExpectWholeRun() {
        const QByteArray list = testing::ReadAll(ListFile());
        EXPECT_TRUE(list.contains("ERRORS\n======\nnone")) << list.right(600).toStdString();
        EXPECT_EQ(testing::ReadAll(setup_.OutputDirectory + u"finished.txt"_s), list);
        EXPECT_EQ(host_.StatusLabel()->text(), u"Finished"_s);
        EXPECT_TRUE(host_.exitShown);
        for (const char* kind : {"DailyTeHuStats.dat", "DailyWindStats.dat", "HourlyTeHuStats.dat",
                                 "HourlyWindStats.dat"}) {
            EXPECT_TRUE(QFile::exists(setup_.OutputDirectory + setup_.BaseFilename + u'_' +
                                      QString::fromLatin1(kind)))
                << kind;
        }
        EXPECT_TRUE(world_->WaitForViewer());
        EXPECT_TRUE(world_->ViewerRecord().endsWith(ListFile() + u'\n'))
            << world_->ViewerRecord().toStdString();
    }

    RunSetup setup_;
    Host host_;
    std::unique_ptr<testing::RunTestWorld> world_;
};

TEST_F(RunFaults, AFolderRemovedAfterTheChecksIsReportedAndRetryFinishesOnceItIsBack) {
    const QString folder = setup_.OutputDirectory;
    ASSERT_TRUE(QDir(folder).exists());
    host_.onStore = [folder] { QDir(folder).removeRecursively(); };
    world_->answer = [folder](const MessageRequest&) {
        QDir().mkpath(folder);
        return MessageAnswer::Retry;
    };
    EXPECT_EQ(Run(), RunOutcome::Finished);
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_EQ(world_->messages[0].title, u"ERROR:"_s);
    EXPECT_TRUE(world_->messages[0].text.contains(folder + u"case1_WXCHECK.TSF.STN"_s))
        << world_->messages[0].text.toStdString();
    EXPECT_TRUE(world_->messages[0].text.contains(u"No such file or directory"_s));
    ExpectWholeRun();
}

// The disk fills at the first file of the run, or (with two pages left for the station and
// the control file) at the run script.
class FullDisk : public RunFaults,
                 public ::testing::WithParamInterface<std::pair<int, const char*>> {};

TEST_P(FullDisk, IsReportedAndRetryWritesWholeFilesOnceThereIsRoom) {
    const auto [pagesLeft, failingFile] = GetParam();
    testing::TmpfsMount mount(4096);
    if (!mount.available()) {
        GTEST_SKIP() << mount.error();
    }
    setup_.OutputDirectory = QString::fromStdString(mount.path()) + u'/';
    const QString filler = setup_.OutputDirectory + u"filler"_s;
    ASSERT_TRUE(testing::FillDisk(mount.path(), "filler"));
    ASSERT_TRUE(QFile::resize(filler, QFileInfo(filler).size() - pagesLeft * 4096));
    world_->answer = [filler](const MessageRequest&) {
        QFile::remove(filler);
        return MessageAnswer::Retry;
    };
    EXPECT_EQ(Run(), RunOutcome::Finished);
    ASSERT_EQ(world_->messages.size(), 1U);
    const QString& text = world_->messages[0].text;
    EXPECT_TRUE(text.contains(setup_.OutputDirectory + QString::fromLatin1(failingFile)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"No space left on device"_s)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(u"(Error Number = 28)"_s)) << text.toStdString();
    const QList<QByteArray> stationLines =
        testing::ReadAll(setup_.OutputDirectory + u"case1_WXCHECK.TSF.STN"_s).split('\n');
    EXPECT_EQ(stationLines.size(), 3 + 4 + 1);  // and nothing after the last CRLF
    EXPECT_EQ(testing::ReadAll(setup_.OutputDirectory + u"wxcheck.inp"_s).count("\r\n"), 50);
    EXPECT_EQ(testing::ReadAll(setup_.OutputDirectory + u"run_wxcheck.bat"_s).count("\r\n"), 5);
    ExpectWholeRun();
    delete ConsoleWindow::Existing();  // its script keeps the mount busy
}

INSTANTIATE_TEST_SUITE_P(Disks, FullDisk,
                         ::testing::Values(std::pair{0, "case1_WXCHECK.TSF.STN"},
                                           std::pair{2, "run_wxcheck.bat"}),
                         [](const auto& info) {
                             return std::string(info.param.first == 0 ? "AtTheFirstFile"
                                                                      : "AtTheRunScript");
                         });

// Folder names with the characters that shells, the scripts' quoting and the engine's
// quoted values treat specially; each travels through the writers, batchrun and the engine.
class HostileNames : public RunFaults, public ::testing::WithParamInterface<const char*> {};

TEST_P(HostileNames, TravelThroughTheWholeRunAsTheyStand) {
    const QString name = QString::fromUtf8(GetParam());
    const QString data = world_->Root() + u"/data "_s + name + u'/';
    CopyExampleSeries(data, name + u" "_s);
    setup_.OutputDirectory = world_->Root() + u'/' + name + u'/';
    ASSERT_TRUE(QDir().mkpath(setup_.OutputDirectory));
    // The root name stands unquoted in the copy line: blanks and quotes are refused there by
    // the output screen, every other character must work.
    setup_.BaseFilename = u"r&d;$HOME%PATH%,é"_s;

    EXPECT_EQ(Run(), RunOutcome::Finished);
    for (const MessageRequest& message : world_->messages) {
        ADD_FAILURE() << message.text.toStdString();
    }
    ExpectWholeRun();
    // Nothing was run by a shell: no file of the commands hidden in the names exists.
    EXPECT_FALSE(QFile::exists(world_->Root() + u"/canary"_s));
    EXPECT_FALSE(QFile::exists(setup_.OutputDirectory + u"canary"_s));
    EXPECT_FALSE(QFile::exists(data + u"canary"_s));
    // The station file holds the names unchanged.
    const QString stations = QString::fromUtf8(
        testing::ReadAll(setup_.OutputDirectory + setup_.BaseFilename + u"_WXCHECK.TSF.STN"_s));
    EXPECT_TRUE(stations.contains(u"'"_s + setup_.PredictedFiles[0] + u"','"_s +
                                  setup_.ObservedFiles[0] + u"'\r\n"_s));
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileNames,
    ::testing::Values(
        "blanks  and   runs of them", "it's o'brien's", "a,b','c,'d'",
        "semi; amp & pipe | dollar $HOME %PATH% `touch canary` $(touch canary)", "Ünïcödé 東京 ёж",
        "star * question ? brackets [x] {y} <z> ~ # !",
        // Longer than the engine's usual paths; one folder of 240 bytes.
        "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL"
        "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL"
        "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL"));

TEST_F(RunFaults, NamesNoScriptCanCarryAreRefusedBeforeAnythingIsWritten) {
    struct Case {
        const char* what;
        std::function<void(RunSetup&, const QString&)> spoil;
    };
    const std::vector<Case> cases = {
        {"line break in the folder",
         [](RunSetup& setup, const QString& root) {
             setup.OutputDirectory = root + u"/two\nlines/"_s;
         }},
        {"carriage return in a series",
         [](RunSetup& setup, const QString&) { setup.ObservedFiles[2] += u"\r"_s; }},
        {"line break in the title",
         [](RunSetup& setup, const QString&) { setup.TitleLine = u"a\nb"_s; }},
        {"double quote in the folder",
         [](RunSetup& setup, const QString& root) {
             setup.OutputDirectory = root + u"/say \"hi\"/"_s;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunSetup spoilt = setup_;
        c.spoil(spoilt, world_->Root());
        ASSERT_TRUE(QDir().mkpath(spoilt.OutputDirectory));
        world_->messages.clear();
        RunSequence run(spoilt, host_);
        EXPECT_EQ(run.Run(), RunOutcome::Cancelled);
        ASSERT_EQ(world_->messages.size(), 1U);
        EXPECT_EQ(world_->messages[0].title, u"ERROR:"_s);
        // Nothing of the run is written: no file of a half set of inputs is left.
        const QStringList left =
            QDir(spoilt.OutputDirectory).entryList(QDir::Files | QDir::NoDotAndDotDot);
        EXPECT_TRUE(left.isEmpty()) << left.join(u", "_s).toStdString();
        EXPECT_EQ(ConsoleWindow::Existing(), nullptr);
    }
}

}  // namespace
}  // namespace corvane
