// Whole runs with batchrun and the real engine: an output folder removed between RUN's checks
// and the writes reaches the error box and Retry finishes the run once it is back; names with
// shell characters reach the engine as they stand, and names that no script can carry are
// refused before anything is written.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <functional>
#include <optional>
#include <utility>

#include "run/console_window.h"
#include "run/run_sequence.h"
#include "run_test_world.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

/// A screen stand-in whose store step can do harm between RUN's checks and the writes. It
/// closes when the run's deadline has passed.
class Host final : public RunHost {
public:
    QWidget* HostWidget() override { return &widget_; }
    bool HostClosing() const override { return deadline_.Passed(); }
    void StoreOutputSettings() override {
        std::exchange(onStore, [] {})();
    }
    QLabel* StatusLabel() override { return &status_; }
    void ShowFinished(const FinishedRun& run) override { finished = run; }

    std::function<void()> onStore = [] {};
    std::optional<FinishedRun> finished;
    QWidget widget_;
    QLabel status_{&widget_};
    testing::RunDeadline deadline_;
};

class RunFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(world_.UseEngine(QCoreApplication::applicationDirPath() + u"/wxcheck"_s));
        world_.FillSetup(setup_, world_.Output());
        UseExampleSeries(QString::fromUtf8(CORVANE_EXAMPLES_DIR) + u'/');
    }
    void TearDown() override { delete ConsoleWindow::Existing(); }

    // The four example stations, copied into `folder` with `prefix` before each file name
    // unless `folder` is the examples' own.
    void UseExampleSeries(const QString& folder, const QString& prefix = {}) {
        const QString examples = QString::fromUtf8(CORVANE_EXAMPLES_DIR) + u'/';
        ASSERT_TRUE(QDir().mkpath(folder));
        setup_.PredictedFiles = setup_.ObservedFiles = {};
        for (const QString& station : {u"st001"_s, u"st002"_s, u"st003"_s, u"st004"_s}) {
            for (const QString& kind : {u"_prd.tsf"_s, u"_obs.tsf"_s}) {
                ASSERT_TRUE(folder == examples || QFile::copy(examples + station + kind,
                                                              folder + prefix + station + kind));
            }
            setup_.PredictedFiles << folder + prefix + station + u"_prd.tsf"_s;
            setup_.ObservedFiles << folder + prefix + station + u"_obs.tsf"_s;
        }
        setup_.PredictedCount = setup_.ObservedCount = 4;
        setup_.DataTimeZone = u"UTC+0000"_s;
        setup_.PeriodStart = 39448.0 + 1.0 / 24;  // 1 January 2008 01:00
        setup_.PeriodEnd = 39479.0;               // 1 February 2008 00:00
        setup_.CalmWindText = u"0.9999"_s;
        setup_.MissingFilterFlag = u"0"_s;
    }

    // The run ended with the engine's report of four evaluated stations as the marker; the
    // list file's text.
    QByteArray ExpectWholeRun() {
        const QString stem = setup_.OutputDirectory + setup_.BaseFilename + u'_';
        const QString listFile = stem + u"wxcheck.lst"_s;
        const QByteArray list = testing::ReadAll(listFile);
        EXPECT_TRUE(list.contains("ERRORS\n======\nnone")) << list.right(600).toStdString();
        EXPECT_EQ(testing::ReadAll(setup_.OutputDirectory + u"finished.txt"_s), list);
        EXPECT_TRUE(list.endsWith("\nExit status: 0 (every station evaluated)\n"));
        EXPECT_TRUE(host_.finished && host_.finished->outcome.Succeeded());
        EXPECT_TRUE(host_.finished && host_.finished->reportWritten);
        for (const char* kind : {"DailyTeHu", "DailyWind", "HourlyTeHu", "HourlyWind"}) {
            EXPECT_TRUE(QFile::exists(stem + QLatin1StringView(kind) + u"Stats.dat"_s)) << kind;
        }
        EXPECT_TRUE(world_.WaitForViewer());
        EXPECT_TRUE(world_.ViewerRecord().endsWith(listFile + u'\n'))
            << world_.ViewerRecord().toStdString();
        return list;
    }

    RunSetup setup_;
    Host host_;
    testing::RunTestWorld world_;
};

// Folder names full of characters that mean something to shells, to the scripts' quoting and
// to the engine's quoted values travel through the writers, batchrun and the engine; the
// output folder is also removed between RUN's checks and the writes: the error box says so
// and Retry finishes the run once it is back.
class HostileNames : public RunFaults, public ::testing::WithParamInterface<std::string> {};

TEST_P(HostileNames, TravelThroughTheWholeRunAsTheyStand) {
    const QString name = QString::fromStdString(GetParam());
    const QString data = world_.Root() + u"/data "_s + name + u'/';
    UseExampleSeries(data, name + u" "_s);
    const QString folder = setup_.OutputDirectory = world_.Root() + u'/' + name + u'/';
    ASSERT_TRUE(QDir().mkpath(folder));
    // The root name stands unquoted in the copy line: blanks and quotes are refused there by
    // the output screen, every other character must work.
    setup_.BaseFilename = u"r&d;$HOME%PATH%,é"_s;
    setup_.TitleLine = u"It's \"Q1\" & 50% $x"_s;
    host_.onStore = [folder] { QDir(folder).removeRecursively(); };
    world_.answer = [folder](const MessageRequest&) {
        QDir().mkpath(folder);
        return MessageAnswer::Retry;
    };

    EXPECT_EQ(RunSequence(setup_, host_).Run(), RunOutcome::Finished);
    ASSERT_EQ(world_.messages.size(), 1U);
    EXPECT_EQ(world_.messages[0].title, u"ERROR:"_s);
    const QString stationFile = folder + setup_.BaseFilename + u"_WXCHECK.TSF.STN"_s;
    EXPECT_TRUE(world_.messages[0].text.contains(stationFile))
        << world_.messages[0].text.toStdString();
    EXPECT_TRUE(world_.messages[0].text.contains(u"No such file or directory"_s));
    const QByteArray list = ExpectWholeRun();
    EXPECT_TRUE(list.contains(setup_.TitleLine.toUtf8())) << list.left(400).toStdString();
    EXPECT_TRUE(list.contains(setup_.PredictedFiles[3].toUtf8()));
    // Nothing was run by a shell: no file of the commands hidden in the names exists.
    for (const QString& dir : {world_.Root() + u'/', folder, data}) {
        EXPECT_FALSE(QFile::exists(dir + u"canary"_s)) << dir.toStdString();
    }
    // The station file holds the names unchanged.
    EXPECT_TRUE(QString::fromUtf8(testing::ReadAll(stationFile))
                    .contains(u"'"_s + setup_.PredictedFiles[0] + u"','"_s +
                              setup_.ObservedFiles[0] + u"'\r\n"_s));
}

// The last name is longer than the engine's usual paths: one folder of 240 bytes.
// Short test names: the names themselves make unreadable test titles.
std::string HostileNameKind(const ::testing::TestParamInfo<std::string>& info) {
    static const char* const kinds[] = {"Quotes", "ShellSigns", "NonAscii", "VeryLong"};
    return kinds[info.index];
}

INSTANTIATE_TEST_SUITE_P(Names, HostileNames,
                         ::testing::Values("blanks  and   runs of them, it's o'brien's a,b','c,'d'",
                                           "semi; amp & pipe | dollar $HOME %PATH% `touch canary` "
                                           "$(touch canary) * ? [x] {y} <z> ~ # !",
                                           "Ünïcödé 東京 ёж", std::string(240, 'L')),
                         HostileNameKind);

TEST_F(RunFaults, NamesNoScriptCanCarryAreRefusedBeforeAnythingIsWritten) {
    struct Case {
        const char* what;
        QString folder, titleEnd, seriesEnd;
    };
    for (const Case& c : {Case{"line break in the folder", u"/two\nlines/"_s, {}, {}},
                          Case{"carriage return in a series", u"/out/"_s, {}, u"\r"_s},
                          Case{"line break in the title", u"/out/"_s, u"\nb"_s, {}},
                          Case{"double quote in the folder", u"/say \"hi\"/"_s, {}, {}}}) {
        SCOPED_TRACE(c.what);
        RunSetup spoilt = setup_;
        spoilt.OutputDirectory = world_.Root() + c.folder;
        spoilt.TitleLine += c.titleEnd;
        spoilt.ObservedFiles[2] += c.seriesEnd;
        ASSERT_TRUE(QDir().mkpath(spoilt.OutputDirectory));
        world_.messages.clear();
        EXPECT_EQ(RunSequence(spoilt, host_).Run(), RunOutcome::Cancelled);
        ASSERT_EQ(world_.messages.size(), 1U);
        EXPECT_EQ(world_.messages[0].title, u"ERROR:"_s);
        // Nothing of the run is written: no file of a half set of inputs is left.
        EXPECT_EQ(QDir(spoilt.OutputDirectory).entryList(QDir::Files).join(u", "_s), QString());
        EXPECT_EQ(ConsoleWindow::Existing(), nullptr);
    }
}

}  // namespace
}  // namespace corvane
