// The output screen on its real controls, and whole runs from its RUN button with the
// stand-in engine, batchrun and the console.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "dialogs/field_marks.h"
#include "run/console_window.h"
#include "run/output_screen.h"
#include "run/run_error_handler.h"
#include "run/run_script.h"
#include "run/script_launcher.h"
#include "run_test_world.h"
#include "shell/wizard.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

using testing::ClickAndWait;
using testing::ReadAll;

class OutputScreenTest : public ::testing::Test {
protected:
    void SetUp() override { world_ = std::make_unique<testing::RunTestWorld>(); }
    void TearDown() override {
        wizard_.reset();
        delete screen_.data();
        world_.reset();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the busy pointer stayed";
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            EXPECT_FALSE(widget->isVisible())
                << "left open: " << widget->objectName().toStdString();
        }
    }

    /// Opens the screen anew, as a visit from the period screen does.
    OutputScreen* Open() {
        delete screen_.data();
        screen_ = new OutputScreen(setup_, navigator_);
        screen_->show();
        QApplication::setActiveWindow(screen_);
        EXPECT_TRUE(QTest::qWaitForWindowActive(screen_));
        return screen_;
    }
    template <typename T = QPushButton>
    T* Control(const char* name) {
        T* control = Current()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    /// The wizard's screen when the test walks the wizard, else the output screen.
    QWidget* Current() {
        return wizard_ ? wizard_->CurrentScreen() : screen_ ? screen_.data() : Open();
    }
    QString Status() { return Control<QLabel>("lblStatus")->text(); }
    QString Out(const QString& name) const { return world_->Output() + name; }
    /// Fills the setup as the earlier screens leave it and opens the screen on it.
    void Prepare() {
        world_->FillSetup(setup_, world_->Output());
        Open();
    }

    RunSetup setup_;
    testing::RecordingNavigator navigator_;
    std::unique_ptr<testing::RunTestWorld> world_;
    QPointer<OutputScreen> screen_;
    std::unique_ptr<Wizard> wizard_;
};

TEST_F(OutputScreenTest, EveryControlStandsWhereTheLayoutPutsIt) {
    Open();
    const testing::LayoutRow rows[] = {
        {"Frame2", nullptr, 240, 240, 11295, 975, "CALM WIND THRESHOLD"},
        {"Label3", "Frame2", 480, 405, 2895, 255, "Calm wind speed threshold (m/s):"},
        {"txtCalmWindThreshold", "Frame2", 3360, 360, 1335, 330, "0.9999"},
        {"Frame4", nullptr, 240, 1440, 11295, 1215, "MISSING DATA FILTER"},
        {"optKeepMissing", "Frame4", 480, 390, 6975, 255, "Keep periods with missing"},
        {"optRemoveMissing", "Frame4", 480, 750, 8055, 255, "Remove periods with missing"},
        {"Frame1", nullptr, 240, 2880, 11295, 2535, "OUTPUT INFORMATION"},
        {"Label1", "Frame1", 480, 525, 1455, 255, "Output Title Line:"},
        {"txtTitleLine", "Frame1", 2040, 480, 9015, 330, nullptr},
        {"Label2", "Frame1", 360, 1005, 1575, 255, "Output Root Name:"},
        {"txtBaseFilename", "Frame1", 2040, 960, 1335, 330, nullptr},
        {"Label6", "Frame1", 360, 1560, 3855, 255, "Please select a directory to write"},
        {"txtOutputDirectory", "Frame1", 480, 1935, 9495, 315, nullptr},
        {"cmdBrowseDirectory", "Frame1", 10080, 1905, 975, 350, "Browse"},
        {"lblStatus", nullptr, 240, 5520, 11295, 255, nullptr},
        {"cmdBACK", nullptr, 4560, 5880, 1215, 495, "BACK"},
        {"cmdRUN", nullptr, 6000, 5880, 1215, 495, "RUN"},
        {"cmdExit", nullptr, 10320, 5880, 1215, 495, "EXIT"},
        {"cmdViewReport", nullptr, 8640, 5880, 1455, 495, "VIEW REPORT"},
        {"chkDisableErrorChecking", nullptr, 240, 6120, 1935, 255, "Disable Error Checking"},
    };
    for (const testing::LayoutRow& row : rows) {
        testing::ExpectLaidOut(screen_, row);
    }
    EXPECT_FALSE(Control("cmdBrowseDirectory")->font().bold()) << "not the frame's font";
    EXPECT_FALSE(Control("cmdViewReport")->isVisible());
}

TEST_F(OutputScreenTest, BackStoresTheFieldsAndTheNextVisitBringsThemBack) {
    setup_.LastBrowseDir = u"/data/series/"_s;
    Open();
    EXPECT_TRUE(Control<QRadioButton>("optKeepMissing")->isChecked());
    EXPECT_EQ(Control<QLineEdit>("txtOutputDirectory")->text(), u"/data/series/"_s);

    Control<QRadioButton>("optRemoveMissing")->click();
    QTest::keyClicks(Control<QLineEdit>("txtTitleLine"), u"  July run  "_s);
    QTest::keyClicks(Control<QLineEdit>("txtBaseFilename"), u"case1"_s);
    Control<QLineEdit>("txtOutputDirectory")->setText(u" /out/ "_s);
    QTest::mouseClick(Control("cmdBACK"), Qt::LeftButton);
    ASSERT_EQ(navigator_.shown.size(), 1U);
    EXPECT_EQ(navigator_.shown[0], ScreenId::Period);
    EXPECT_EQ(setup_.CalmWindText, u"0.9999"_s);
    EXPECT_EQ(setup_.MissingFilterFlag, u"1"_s);
    EXPECT_EQ(setup_.TitleLine, u"July run"_s);
    EXPECT_EQ(setup_.BaseFilename, u"case1"_s);
    EXPECT_EQ(setup_.OutputDirectory, u"/out/"_s);

    Open();
    EXPECT_TRUE(Control<QRadioButton>("optRemoveMissing")->isChecked());
    EXPECT_EQ(Control<QLineEdit>("txtTitleLine")->text(), u"July run"_s);
    EXPECT_EQ(Control<QLineEdit>("txtBaseFilename")->text(), u"case1"_s);
    EXPECT_EQ(Control<QLineEdit>("txtOutputDirectory")->text(), u"/out/"_s);
    EXPECT_FALSE(Control<QCheckBox>("chkDisableErrorChecking")->isChecked());
}

TEST_F(OutputScreenTest, TheThresholdFieldTakesOnlyDigitsAndPointsAndEnterMovesOn) {
    QLineEdit* field = Control<QLineEdit>("txtCalmWindThreshold");
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, u"a-, /+e0.5Z"_s);
    EXPECT_EQ(field->text(), u"0.5"_s);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text(), u"0.5"_s);
    EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>("optKeepMissing"));
}

TEST_F(OutputScreenTest, RunChecksItsFieldsInOrderBeforeAnythingIsWritten) {
    const QString out = world_->Output();
    QLineEdit* threshold = Control<QLineEdit>("txtCalmWindThreshold");
    QLineEdit* folder = Control<QLineEdit>("txtOutputDirectory");
    QLineEdit* root = Control<QLineEdit>("txtBaseFilename");
    const QString badRoot =
        u"The output root name may not contain blanks, quotes or line breaks."_s;
    struct Step {
        QString threshold, folder, root;
        QString message;
        QLineEdit* marked;
    };
    const Step steps[] = {
        {QString(), out, u"r"_s, u"Please enter a calm wind threshold."_s, threshold},
        {u"1"_s, QString(), u"r"_s, u"Please select an Output Directory."_s, folder},
        {u"1"_s, out + u"missing/"_s, u"r"_s, u"Selected Output Directory does not exist."_s,
         folder},
        {u"1"_s, out, u"case 1"_s, badRoot, root},
        {u"1"_s, out, u"say\"when"_s, badRoot, root},
        {u"1"_s, out, u"case\t1"_s, badRoot, root},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.message.toStdString());
        threshold->setText(step.threshold);
        folder->setText(step.folder);
        root->setText(step.root);
        world_->messages.clear();
        QTest::mouseClick(Control("cmdRUN"), Qt::LeftButton);
        ASSERT_EQ(world_->messages.size(), 1U);
        EXPECT_EQ(world_->messages[0].text, step.message);
        EXPECT_EQ(FieldMark(step.marked), kMarkInvalid);
    }
    // A later RUN clears the threshold's mark once it holds text.
    EXPECT_EQ(FieldMark(threshold), kMarkValid);
    // Nothing was stored or written.
    EXPECT_TRUE(setup_.CalmWindText.isEmpty());
    EXPECT_TRUE(setup_.OutputDirectory.isEmpty());
    // Disable Error Checking leaves the fields to the run, whose own check refuses them.
    threshold->clear();
    Control<QCheckBox>("chkDisableErrorChecking")->setChecked(true);
    world_->messages.clear();
    QTest::mouseClick(Control("cmdRUN"), Qt::LeftButton);
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_EQ(world_->messages[0].text,
              RunErrorText(u"Type mismatch: the calm wind threshold \"\" is not a number"_s, 13));
    EXPECT_TRUE(QDir(out).isEmpty());
}

// Lists of unequal length pass the dataset screen with its checks switched off; RUN then
// names both counts, also when an emptied set 2 left the list of an earlier NEXT behind.
TEST_F(OutputScreenTest, ListsOfUnequalLengthAreRefusedWithBothCounts) {
    Prepare();
    const QString stationFile = Out(u"case1_WXCHECK.TSF.STN"_s);
    for (const int observed : {1, 0}) {
        SCOPED_TRACE(observed);
        setup_.ObservedCount = observed;
        world_->messages.clear();
        QTest::mouseClick(Control("cmdRUN"), Qt::LeftButton);
        ASSERT_EQ(world_->messages.size(), 1U);
        EXPECT_EQ(world_->messages[0].kind, MessageKind::RetryCancel);
        EXPECT_EQ(world_->messages[0].text,
                  RunErrorText(u"Cannot write \""_s + stationFile +
                                   u"\": index out of range: both sets of time series files "
                                   u"must contain the same number of files, but set 1 "
                                   u"(predicted) holds 2 and set 2 (observed) holds "_s +
                                   QString::number(observed),
                               9));
        EXPECT_FALSE(QFile::exists(stationFile));
    }
}

// The whole road of one evaluation on the real wizard: splash, dataset screen, period
// screen, output screen, RUN, "Finished" and the list file in the viewer.
TEST_F(OutputScreenTest, WholeRoadFromTheSplashToTheListFileInTheViewer) {
    const QString data = world_->Root() + u"/data/"_s;
    const QString out = world_->Output();
    ASSERT_TRUE(QDir().mkpath(data));
    const QString first = data + u"st1_prd.tsf"_s;
    testing::WriteAll(first,
                      "TIMESERIES.TSF 1.3\n0-\nmodel\nstation 1\nUTC+0300\nGREGORIAN_YMD\n"
                      "2008 01 01 01 0000 2008 01 31 23 0000 3600\n1-\nWDIR\n");
    testing::WriteAll(out + u"finished.txt"_s, "stale marker of an earlier run");
    testing::WriteAll(out + u"open_file.bat"_s, "left over");
    // The engine takes a second: a wait that ended on the stale marker would end before
    // the list file exists.
    qputenv("FAKE_WXCHECK_MODE", "sleep:1");

    wizard_ = std::make_unique<Wizard>();
    wizard_->Start(0);
    ASSERT_NE(Current(), nullptr);
    // The file dialog is modal: the lists are filled directly.
    Control<QListWidget>("lstTSFFiles1")->addItems({first, data + u"st2_prd.tsf"_s});
    Control<QListWidget>("lstTSFFiles2")
        ->addItems({data + u"st1_obs.tsf"_s, data + u"st2_obs.tsf"_s});
    QTest::mouseClick(Control("cmdNEXT"), Qt::LeftButton);
    testing::FlushDeletions();
    ASSERT_NE(Current()->findChild<QWidget*>(u"DTPicker_BeginDate"_s), nullptr)
        << "not on the period screen";
    QTest::mouseClick(Control("cmdNEXT"), Qt::LeftButton);
    testing::FlushDeletions();
    auto* folder = Control<QLineEdit>("txtOutputDirectory");
    ASSERT_NE(folder, nullptr) << "not on the output screen";
    folder->setText(out);
    QTest::keyClicks(Control<QLineEdit>("txtTitleLine"), u"January check"_s);
    QTest::keyClicks(Control<QLineEdit>("txtBaseFilename"), u"jan"_s);

    // The files of the earlier run are not this session's: RUN asks before replacing them.
    world_->answer = [](const MessageRequest&) { return MessageAnswer::Yes; };
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_TRUE(world_->messages[0].text.contains(u"\n\nfinished.txt\nopen_file.bat\n\n"_s));
    EXPECT_EQ(Status(), u"Finished"_s);
    EXPECT_TRUE(Control("cmdExit")->isVisible());

    // The control file holds the period read from the series.
    const QList<QByteArray> control = ReadAll(out + u"wxcheck.inp"_s).split('\n');
    ASSERT_GE(control.size(), 11);
    EXPECT_EQ(control[7], "'20080101010000'\r");
    EXPECT_EQ(control[8], "'20080131230000'\r");
    EXPECT_EQ(ReadAll(out + u"finished.txt"_s), ReadAll(out + u"jan_wxcheck.lst"_s));
    ASSERT_TRUE(world_->WaitForViewer());
    EXPECT_EQ(world_->ViewerRecord(), out.chopped(1) + u"\n"_s + out + u"jan_wxcheck.lst\n"_s);
    EXPECT_FALSE(QFile::exists(out + u"open_file.bat"_s));

    // The console shows the engine's output and waits at the pause.
    ConsoleWindow* console = ConsoleWindow::Existing();
    ASSERT_NE(console, nullptr);
    EXPECT_TRUE(console->isVisible());
    EXPECT_TRUE(console->Text().contains(u"Processing station 1 of 1"_s));
    EXPECT_TRUE(QTest::qWaitFor([&] { return console->Text().contains(u"Press any key"_s); }));

    // A second run reuses the console.
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    EXPECT_EQ(Status(), u"Finished"_s);
    EXPECT_EQ(ConsoleWindow::Existing(), console);
    EXPECT_EQ(console->Text().count(u"Processing station"_s), 1);
}

// An engine without list file (once the pause is answered) and a console closed during the
// wait end in the error box; Cancel clears the status and keeps the screen.
TEST_F(OutputScreenTest, AnEngineWithoutListFileAndAClosedConsoleEndInTheErrorBox) {
    Prepare();
    bool close = false;
    QTimer user;  // answers the console's pause with a key, or closes it during the wait
    QObject::connect(&user, &QTimer::timeout, [&] {
        ConsoleWindow* console = ConsoleWindow::Existing();
        if (console == nullptr || !console->isVisible()) {
            return;
        }
        if (close && Status().startsWith(u"Running"_s)) {
            console->close();
        } else if (!close && console->Text().endsWith(u"Press any key to continue . . . "_s)) {
            QTest::keyClick(console->findChild<QPlainTextEdit*>(u"consoleText"_s), Qt::Key_Space);
        }
    });
    user.start(50);
    const std::pair<const char*, QString> cases[] = {
        {"nolist", u"WXCHECK ended without its list file "_s + Out(u"case1_wxcheck.lst"_s) +
                       u"; its console window shows why"_s},
        {"sleep:60", u"The run was stopped: its console window was closed before "_s +
                         Out(u"finished.txt"_s) + u" was made"_s},
    };
    for (const auto& [mode, error] : cases) {
        close = std::string_view(mode) != "nolist";
        qputenv("FAKE_WXCHECK_MODE", mode);
        world_->messages.clear();
        ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
        ASSERT_EQ(world_->messages.size(), 1U);
        EXPECT_EQ(world_->messages[0].title, u"ERROR:"_s);
        EXPECT_EQ(world_->messages[0].kind, MessageKind::RetryCancel);
        EXPECT_EQ(world_->messages[0].text, RunErrorText(error, 53));
        EXPECT_EQ(Status(), QString());
        EXPECT_FALSE(Control("cmdExit")->isVisible());
        EXPECT_FALSE(QFile::exists(Out(u"finished.txt"_s)));
        EXPECT_FALSE(screen_->RunInProgress());
        EXPECT_TRUE(screen_->isVisible());
        if (!close) {  // the console told the user why
            EXPECT_TRUE(ConsoleWindow::Existing()->Text().contains(u"cannot copy"_s));
        }
    }
    testing::FlushDeletions();
    EXPECT_EQ(ConsoleWindow::Existing(), nullptr) << "the closed console is gone";
}

// The engine's exit status decides: "Finished" in blue only when every station was
// evaluated, otherwise red words that point to the list file, which opens either way. VIEW
// REPORT opens the report of the last run, and names a report that run did not write.
TEST_F(OutputScreenTest, TheStatusTellsHowTheEngineEndedAndViewReportOpensTheRunsReport) {
    Prepare();
    QPushButton* viewReport = Control("cmdViewReport");
    const auto run = [&](const char* mode) {
        qputenv("FAKE_WXCHECK_MODE", mode);
        world_->ClearViewerRecord();
        EXPECT_TRUE(ClickAndWait(Control("cmdRUN")));
        EXPECT_TRUE(world_->WaitForViewer());
        EXPECT_TRUE(world_->ViewerRecord().endsWith(Out(u"case1_wxcheck.lst\n"_s)));
        EXPECT_TRUE(viewReport->isVisible());
        return Control<QLabel>("lblStatus")->palette().color(QPalette::WindowText);
    };
    const QColor red(192, 0, 0);
    EXPECT_EQ(run("status:1"), red);
    EXPECT_EQ(Status(),
              u"Finished with errors: 3 of 4 stations evaluated; see the list file "
              u"case1_wxcheck.lst"_s);
    world_->ClearViewerRecord();
    ASSERT_TRUE(ClickAndWait(viewReport));
    ASSERT_TRUE(world_->WaitForViewer());
    EXPECT_TRUE(world_->ViewerRecord().endsWith(Out(u"case1_report.html\n"_s)));

    // Nothing evaluated: the report on disk is the last run's, and then there is none.
    EXPECT_EQ(run("status:2"), red);
    const QString report = u"The report "_s + Out(u"case1_report.html"_s);
    const QString why = u" The run evaluated no station; the list file says why."_s;
    QTest::mouseClick(viewReport, Qt::LeftButton);
    ASSERT_TRUE(QFile::remove(Out(u"case1_report.html"_s)));
    QTest::mouseClick(viewReport, Qt::LeftButton);
    ASSERT_EQ(world_->messages.size(), 2U);
    EXPECT_EQ(world_->messages[0].text,
              report + u" is that of an earlier run; the last run wrote none."_s + why);
    EXPECT_EQ(world_->messages[1].text, report + u" does not exist."_s + why);
    EXPECT_EQ(world_->messages[1].title, u"Error"_s);

    EXPECT_EQ(run("status:0"), QColor(0, 0, 255));
    EXPECT_EQ(Status(), u"Finished"_s);
}

// What a run replaces is asked about once when this session did not write it: No writes
// nothing; after a Yes, what the run wrote is the program's own, and what it did not write
// (the outputs of an engine that evaluated nothing) or someone changed since is not.
TEST_F(OutputScreenTest, FilesOfOthersAreReplacedOnlyAfterAYes) {
    Prepare();
    const QStringList names = FilesARunReplaces(u"case1"_s);
    EXPECT_EQ(names.join(u' '),
              u"case1_WXCHECK.TSF.STN wxcheck.inp run_wxcheck.bat finished.txt case1_wxcheck.lst "
              u"case1_HourlyWindStats.dat case1_HourlyTeHuStats.dat case1_DailyWindStats.dat "
              u"case1_DailyTeHuStats.dat case1_report.html case1_StationStats.csv open_file.bat"_s);
    for (const QString& name : names) {
        testing::WriteAll(Out(name), "of another evaluation");
    }
    MessageAnswer answer = MessageAnswer::No;
    world_->answer = [&](const MessageRequest&) { return answer; };
    const auto asked = [&] {
        world_->messages.clear();
        EXPECT_TRUE(ClickAndWait(Control("cmdRUN")));
        return world_->messages.empty() ? QString() : world_->messages[0].text;
    };
    const QString intro = u"The output folder "_s + Out(QString()) +
                          u" holds files that this run would replace:\n\n"_s;
    EXPECT_EQ(asked(), intro + names.first(10).join(u'\n') + u"\nand 2 more\n\nReplace them?"_s);
    EXPECT_EQ(world_->messages[0].kind, MessageKind::YesNo);
    EXPECT_EQ(world_->messages[0].title, u"Replace Files"_s);
    for (const QString& name : names) {
        EXPECT_EQ(ReadAll(Out(name)), "of another evaluation") << name.toStdString();
    }
    EXPECT_EQ(Status(), QString());
    EXPECT_FALSE(screen_->RunInProgress());

    answer = MessageAnswer::Yes;
    qputenv("FAKE_WXCHECK_MODE", "status:2");
    EXPECT_FALSE(asked().isEmpty());
    EXPECT_TRUE(ReadAll(Out(u"wxcheck.inp"_s)).startsWith("WXCHECK.INP"));
    const QString notWritten = names.sliced(5, 6).join(u'\n');
    EXPECT_EQ(asked(), intro + notWritten + u"\n\nReplace them?"_s);

    // Someone else changes a file of the run in place, its size kept.
    QByteArray control = ReadAll(Out(u"wxcheck.inp"_s));
    control[0] = 'w';
    testing::WriteAll(Out(u"wxcheck.inp"_s), control);
    EXPECT_EQ(asked(), intro + u"wxcheck.inp\n"_s + notWritten + u"\n\nReplace them?"_s);
}

// Scripts without processes: the run script ends at once and makes `made` in the output folder
// just as it ends, so the wait's first check sees no file, the next an ended script; the
// viewer's script fails with `viewerOutput` unless that is empty.
class InstantScripts final : public ScriptLauncher {
    struct Run final : ScriptRun {
        Run(QString made, QString output) : made(std::move(made)), output(std::move(output)) {}
        bool HasEnded() const override {
            if (!made.isEmpty()) {
                testing::WriteAll(made, "Exit status: 0 (every station evaluated)\r\n");
            }
            return true;
        }
        bool Succeeded() const override { return output.isEmpty(); }
        bool StoppedByUser() const override { return false; }
        QString Output() const override { return output; }
        QString made, output;
    };

public:
    InstantScripts(QString made, QString viewerOutput) : made_(made), viewerOutput_(viewerOutput) {}
    std::unique_ptr<ScriptRun> StartInConsole(const QString&, const QString& folder) override {
        return std::make_unique<Run>(folder + made_, QString());
    }
    std::unique_ptr<ScriptRun> StartHidden(const QString&, const QString&) override {
        return std::make_unique<Run>(QString(), viewerOutput_);
    }
    QString made_, viewerOutput_;
};

// A marker made as the script ends finishes the run; a list file without marker and a viewer
// that fails reach the error box with the files and the viewer's own last words.
TEST_F(OutputScreenTest, TheEndsOfTheRunScriptAndOfTheViewer) {
    Prepare();
    const QString list = Out(u"case1_wxcheck.lst"_s);
    const struct {
        QString made, viewerOutput, error;
    } cases[] = {
        {u"finished.txt"_s, QString(), QString()},
        {u"case1_wxcheck.lst"_s, QString(),
         u"The run script ended without copying the list file "_s + list + u" to "_s +
             Out(u"finished.txt"_s) + u"; its console window shows why"_s},
        {u"finished.txt"_s, u"notepad x\n  xdg-open: no viewer.\n"_s,
         u"The list file "_s + list + u" could not be opened: xdg-open: no viewer"_s},
    };
    for (const auto& c : cases) {
        InstantScripts launcher(c.made, c.viewerOutput);
        SetScriptLauncherForTesting(&launcher);
        world_->messages.clear();
        const bool returned = ClickAndWait(Control("cmdRUN"));
        SetScriptLauncherForTesting(nullptr);
        ASSERT_TRUE(returned);
        if (c.error.isEmpty()) {
            EXPECT_TRUE(world_->messages.empty()) << world_->messages.front().text.toStdString();
            EXPECT_EQ(Status(), u"Finished"_s);
        } else {
            ASSERT_EQ(world_->messages.size(), 1U);
            EXPECT_EQ(world_->messages[0].text, RunErrorText(c.error, 53));
        }
    }
}

TEST_F(OutputScreenTest, RunBackAndClosingDuringTheWaitNeitherCrashNorRunTwice) {
    Prepare();
    qputenv("FAKE_WXCHECK_MODE", "sleep:2");
    int clicks = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (screen_ && Status().startsWith(u"Running"_s) && clicks < 4) {
            ++clicks;
            QTest::mouseClick(Control(clicks % 2 == 0 ? "cmdRUN" : "cmdBACK"), Qt::LeftButton);
        }
    });
    clicker.start(100);
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    EXPECT_EQ(clicks, 4);
    EXPECT_TRUE(navigator_.shown.empty());
    EXPECT_EQ(Status(), u"Finished"_s);
    ASSERT_NE(ConsoleWindow::Existing(), nullptr);
    EXPECT_EQ(ConsoleWindow::Existing()->Text().count(u"Processing station"_s), 1);

    // Closing the window ends the program quietly: the script and its engine stop.
    QFile::remove(Out(u"case1_wxcheck.lst"_s));
    qputenv("FAKE_WXCHECK_MODE", "sleep:60");
    QTimer::singleShot(1500, [this] { screen_->close(); });
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    EXPECT_TRUE(world_->messages.empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(navigator_.ended, 1);
    EXPECT_EQ(ConsoleWindow::Existing(), nullptr);
    EXPECT_FALSE(QFile::exists(Out(u"case1_wxcheck.lst"_s)));
}

}  // namespace
}  // namespace corvane
