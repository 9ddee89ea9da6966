// COMPARE... on the output screen: after a real RUN with the stand-in engine, comparisons
// through batchrun and the console, the file dialog and the message boxes answered by tests.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>
#include <memory>

#include "dialogs/file_dialog.h"
#include "run/compare_script.h"
#include "run/console_window.h"
#include "run/control_file_writer.h"
#include "run/output_screen.h"
#include "run/run_script.h"
#include "run/station_file_writer.h"
#include "run_test_world.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

using testing::ClickAndWait;
using testing::ReadAll;

class CompareScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        world_ = std::make_unique<testing::RunTestWorld>();
        world_->FillSetup(setup_, world_->Output());
        screen_ = new OutputScreen(setup_, navigator_);
        screen_->show();
        QApplication::setActiveWindow(screen_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen_));
    }
    void TearDown() override {
        SetFileDialogHandler({});
        delete screen_.data();
        world_.reset();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the busy pointer stayed";
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            EXPECT_FALSE(widget->isVisible())
                << "left open: " << widget->objectName().toStdString();
        }
    }

    QPushButton* Button(const char* name) {
        return screen_->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QLabel* StatusLabel() { return screen_->findChild<QLabel*>(u"lblStatus"_s); }
    QString Status() { return StatusLabel()->text(); }
    QColor StatusColour() { return StatusLabel()->palette().color(QPalette::WindowText); }
    QString Out(const QString& name) const { return world_->Output() + name; }
    QString ConsoleText() const {
        const ConsoleWindow* console = ConsoleWindow::Existing();
        return console != nullptr ? console->Text() : QString();
    }

    /// A finished run of the stand-in engine, its list file in the viewer.
    void Run() {
        ASSERT_TRUE(ClickAndWait(Button("cmdRUN")));
        ASSERT_EQ(Status(), u"Finished"_s);
        ASSERT_TRUE(world_->WaitForViewer());
        world_->ClearViewerRecord();
    }
    /// The control file of another run in its own output folder.
    QString OtherRun(const QString& name) {
        const QString folder = world_->Root() + u'/' + name + u'/';
        EXPECT_TRUE(QDir().mkpath(folder));
        EXPECT_TRUE(QFile::copy(Out(u"wxcheck.inp"_s), folder + u"wxcheck.inp"_s));
        return folder + u"wxcheck.inp"_s;
    }
    /// Answers the file dialogs with `paths`, recording each request.
    void AnswerDialogs(const QStringList& paths) {
        SetFileDialogHandler([this, paths](const FileDialogRequest& request) {
            requests_.push_back(request);
            return paths;
        });
    }
    /// The arguments the stand-in engine got in its last comparison, one a line.
    QString EngineArguments() const {
        const QString text = ConsoleText();
        QStringList arguments;
        for (const QString& line : text.split(u'\n')) {
            if (line.startsWith(u"argument: "_s)) {
                arguments << line.sliced(10);
            }
        }
        return arguments.join(u'\n');
    }

    RunSetup setup_;
    testing::RecordingNavigator navigator_;
    std::unique_ptr<testing::RunTestWorld> world_;
    QPointer<OutputScreen> screen_;
    std::vector<FileDialogRequest> requests_;
};

// Hidden until a run has finished, like VIEW REPORT, and again while the next run goes on.
TEST_F(CompareScreenTest, CompareIsOfferedOnlyAfterAFinishedRun) {
    QPushButton* compare = Button("cmdCompare");
    ASSERT_NE(compare, nullptr);
    testing::ExpectLaidOut(
        screen_, testing::LayoutRow{"cmdCompare", nullptr, 7290, 5880, 1275, 495, "COMPARE..."});
    EXPECT_FALSE(compare->isVisible());
    EXPECT_LT(compare->geometry().right(), Button("cmdViewReport")->geometry().left());
    EXPECT_GT(compare->geometry().left(), Button("cmdRUN")->geometry().right());
    Run();
    EXPECT_TRUE(compare->isVisible());
    EXPECT_LT(compare->fontMetrics().horizontalAdvance(compare->text()), compare->width())
        << "the caption fits its button";

    // A run that ends in the error box (Cancel) leaves no finished run to compare.
    ASSERT_TRUE(QFile::remove(Out(u"case1_wxcheck.lst"_s)));
    qputenv("FAKE_WXCHECK_MODE", "nolist");
    QTimer key;  // answers the console's pause, so that the script ends without its marker
    QObject::connect(&key, &QTimer::timeout, [] {
        if (ConsoleWindow* console = ConsoleWindow::Existing();
            console != nullptr && console->Text().endsWith(u"Press any key to continue . . . "_s)) {
            QTest::keyClick(console->findChild<QWidget*>(u"consoleText"_s), Qt::Key_Space);
        }
    });
    key.start(50);
    ASSERT_TRUE(ClickAndWait(Button("cmdRUN")));
    EXPECT_EQ(world_->messages.size(), 1U);
    EXPECT_FALSE(compare->isVisible());
}

// The dialog's answer reaches the engine after this run's control file, in its order; the
// comparison's report opens, and the run's own files stay as they were, byte for byte.
TEST_F(CompareScreenTest, TheChosenControlFilesReachTheEngineAfterTheReference) {
    Run();
    std::map<QString, QByteArray> before;
    for (const QString& name : FilesARunReplaces(u"case1"_s)) {
        before[name] = ReadAll(Out(name));
    }
    const QString second = OtherRun(u"second"_s);
    const QString first = OtherRun(u"first run"_s);
    AnswerDialogs({second, first});
    ASSERT_TRUE(ClickAndWait(Button("cmdCompare")));

    ASSERT_EQ(requests_.size(), 1U);
    EXPECT_EQ(requests_[0].initialDirectory, world_->Root());
    EXPECT_EQ(requests_[0].nameFilters.value(0), u"Control files (*.inp)"_s);
    EXPECT_TRUE(world_->messages.empty()) << world_->messages.front().text.toStdString();
    EXPECT_EQ(EngineArguments(), QStringList({u"--compare"_s, Out(u"wxcheck.inp"_s), second, first,
                                              u"-o"_s, world_->Output(), u"--root"_s, u"case1"_s})
                                     .join(u'\n'));
    EXPECT_EQ(ConsoleWindow::Existing()->windowTitle(), u"compare_wxcheck.bat"_s);
    EXPECT_EQ(Status(), u"Finished: 3 runs compared"_s);
    EXPECT_EQ(StatusColour(), QColor(0, 0, 255));
    ASSERT_TRUE(world_->WaitForViewer());
    EXPECT_TRUE(world_->ViewerRecord().endsWith(Out(u"case1_comparison.html\n"_s)));
    EXPECT_FALSE(QFile::exists(Out(u"open_file.bat"_s)));
    for (const auto& [name, bytes] : before) {
        EXPECT_EQ(ReadAll(Out(name)), bytes) << name.toStdString();
    }
    // A second comparison replaces the first one's files without asking: they are its own.
    ASSERT_TRUE(ClickAndWait(Button("cmdCompare")));
    EXPECT_TRUE(world_->messages.empty());
    EXPECT_EQ(ConsoleText().count(u"argument: --compare"_s), 1) << "the console was reused";
}

// Cancel in the dialog does nothing; files that are no control files are named with their
// reasons in one error box, and nothing runs.
TEST_F(CompareScreenTest, FilesThatAreNoControlFilesAreNamedBeforeAnythingRuns) {
    Run();
    AnswerDialogs({});
    ASSERT_TRUE(ClickAndWait(Button("cmdCompare")));
    EXPECT_TRUE(world_->messages.empty());
    EXPECT_EQ(Status(), u"Finished"_s);

    const QString missing = world_->Root() + u"/gone/wxcheck.inp"_s;
    const QString series = world_->Root() + u"/st1_obs.tsf"_s;
    testing::WriteAll(series, "TIMESERIES.TSF 1.3\n0-\n");
    AnswerDialogs({OtherRun(u"fine"_s), missing, series});
    ASSERT_TRUE(ClickAndWait(Button("cmdCompare")));
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_EQ(world_->messages[0].title, u"Error"_s);
    const QString text = world_->messages[0].text;
    EXPECT_TRUE(text.startsWith(u"Nothing was compared"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"\n\n"_s + missing + u": cannot read the control file: "_s));
    EXPECT_TRUE(text.contains(u"\n"_s + series + u":1: a time series file"_s));
    EXPECT_FALSE(text.contains(u"/fine/"_s)) << "a good file is not named";

    // The run's own control file is checked too: it may have gone since its run.
    AnswerDialogs({OtherRun(u"fine again"_s)});
    ASSERT_TRUE(QFile::remove(Out(u"wxcheck.inp"_s)));
    ASSERT_TRUE(ClickAndWait(Button("cmdCompare")));
    ASSERT_EQ(world_->messages.size(), 2U);
    EXPECT_TRUE(world_->messages[1].text.contains(Out(u"wxcheck.inp: cannot read"_s)));

    EXPECT_FALSE(QFile::exists(Out(QString::fromUtf16(kCompareScriptName))));
    EXPECT_FALSE(ConsoleText().contains(u"--compare"_s));
    EXPECT_EQ(Status(), u"Finished"_s);
}

// A warning exit says so and still shows the report; a failure names itself and never shows
// the report of an earlier comparison; a console closed during the comparison stops it.
TEST_F(CompareScreenTest, TheStatusTellsHowTheComparisonEnded) {
    Run();
    AnswerDialogs({OtherRun(u"other"_s)});
    const QColor red(192, 0, 0);
    // The viewer is started before the click's handler returns, or never.
    const auto compare = [&](const char* mode, bool viewer) {
        qputenv("FAKE_WXCHECK_MODE", mode);
        world_->ClearViewerRecord();
        EXPECT_TRUE(ClickAndWait(Button("cmdCompare")));
        EXPECT_TRUE(!viewer || world_->WaitForViewer()) << mode;
        return world_->ViewerRecord();
    };
    EXPECT_TRUE(compare("status:1", true).endsWith(Out(u"case1_comparison.html\n"_s)));
    EXPECT_EQ(Status(),
              u"Finished with warnings: stations left out or an output not written; "
              u"see the list file case1_comparison.lst"_s);
    EXPECT_EQ(StatusColour(), red);

    // An engine that says it succeeded without writing its page: the page on disk is the
    // earlier comparison's.
    EXPECT_EQ(compare("noreport", false), QString());
    EXPECT_EQ(Status(),
              u"Comparison failed: the report case1_comparison.html was not written; "
              u"its console window shows why"_s);
    EXPECT_EQ(StatusColour(), red);

    EXPECT_EQ(compare("status:2", false), QString()) << "the report is the earlier comparison's";
    EXPECT_EQ(Status(), u"Comparison failed: nothing was compared; its console window shows why"_s);
    EXPECT_EQ(StatusColour(), red);
    EXPECT_TRUE(ConsoleText().contains(u"ended with exit status 2"_s));

    QTimer closer;  // the user closes the console while the engine works
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (Status().startsWith(u"Comparing"_s) && ConsoleWindow::Existing() != nullptr) {
            ConsoleWindow::Existing()->close();
        }
    });
    closer.start(100);
    EXPECT_EQ(compare("sleep:60", false), QString());
    closer.stop();
    EXPECT_EQ(Status(), u"Comparison stopped: its console window was closed"_s);

    EXPECT_FALSE(compare("status:0", true).isEmpty());
    EXPECT_EQ(Status(), u"Finished: 2 runs compared"_s);
    EXPECT_EQ(StatusColour(), QColor(0, 0, 255));
    EXPECT_TRUE(world_->messages.empty());
}

// While a comparison waits, COMPARE..., RUN, VIEW REPORT and BACK do nothing; closing the
// window ends it quietly.
TEST_F(CompareScreenTest, ClicksDuringTheComparisonNeitherCrashNorRunTwice) {
    Run();
    AnswerDialogs({OtherRun(u"other"_s)});
    qputenv("FAKE_WXCHECK_MODE", "sleep:2");
    int clicks = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        const char* buttons[] = {"cmdCompare", "cmdRUN", "cmdViewReport", "cmdBACK"};
        if (screen_ && Status().startsWith(u"Comparing"_s) && clicks < 4) {
            QTest::mouseClick(Button(buttons[clicks++]), Qt::LeftButton);
        }
    });
    clicker.start(100);
    ASSERT_TRUE(ClickAndWait(Button("cmdCompare")));
    clicker.stop();
    EXPECT_EQ(clicks, 4);
    EXPECT_EQ(requests_.size(), 1U);
    EXPECT_TRUE(navigator_.shown.empty());
    EXPECT_EQ(Status(), u"Finished: 2 runs compared"_s);
    EXPECT_EQ(ConsoleText().count(u"argument: --compare"_s), 1);
    EXPECT_FALSE(ConsoleText().contains(u"Processing station"_s)) << "RUN did not run";

    qputenv("FAKE_WXCHECK_MODE", "sleep:60");
    QTimer::singleShot(1500, [this] { screen_->close(); });
    ASSERT_TRUE(ClickAndWait(Button("cmdCompare")));
    EXPECT_TRUE(world_->messages.empty());
    EXPECT_EQ(navigator_.ended, 1);
    EXPECT_EQ(ConsoleWindow::Existing(), nullptr);
}

// The real engine on the shipped examples: this run against one whose model is the
// observations themselves, from the wizard's own files to the comparison in the viewer.
TEST_F(CompareScreenTest, TheRealEngineComparesTheExamplesWithAPerfectModel) {
    ASSERT_TRUE(world_->UseEngine(QCoreApplication::applicationDirPath() + u"/wxcheck"_s));
    const QString examples = QStringLiteral(CORVANE_EXAMPLES_DIR "/");
    setup_.PredictedFiles.clear();
    setup_.ObservedFiles.clear();
    for (const char* station : {"st001", "st002", "st003", "st004"}) {
        setup_.PredictedFiles << examples + QLatin1StringView(station) + u"_prd.tsf"_s;
        setup_.ObservedFiles << examples + QLatin1StringView(station) + u"_obs.tsf"_s;
    }
    setup_.PredictedCount = setup_.ObservedCount = 4;
    setup_.DataTimeZone = u"UTC+0000"_s;
    setup_.DataStart = setup_.PeriodStart = 39448.0 + 1.0 / 24;
    setup_.DataEnd = setup_.PeriodEnd = 39479.0;
    Run();

    RunSetup perfect = setup_;
    perfect.PredictedFiles = setup_.ObservedFiles;
    perfect.OutputDirectory = world_->Root() + u"/perfect/"_s;
    ASSERT_TRUE(QDir().mkpath(perfect.OutputDirectory));
    WriteStationFile(perfect);
    WriteControlFile(perfect);
    AnswerDialogs({ControlFilePath(perfect)});
    ASSERT_TRUE(ClickAndWait(Button("cmdCompare")));
    EXPECT_TRUE(world_->messages.empty()) << world_->messages.front().text.toStdString();
    EXPECT_EQ(Status(), u"Finished: 2 runs compared"_s) << ConsoleText().toStdString();
    ASSERT_TRUE(world_->WaitForViewer());
    EXPECT_TRUE(world_->ViewerRecord().endsWith(Out(u"case1_comparison.html\n"_s)));
    EXPECT_TRUE(ReadAll(Out(u"case1_comparison.html"_s)).startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(
        ReadAll(Out(u"case1_comparison.lst"_s)).contains(ControlFilePath(perfect).toUtf8()));
}

}  // namespace
}  // namespace corvane
