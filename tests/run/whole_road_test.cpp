// The whole road of one evaluation on the real wizard: splash, dataset screen, period
// screen, output screen, RUN, "Finished" and the list file in the viewer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "run/console_window.h"
#include "run_test_world.h"
#include "shell/wizard.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

template <typename T = QPushButton>
T* Control(const Wizard& wizard, const char* name) {
    QWidget* screen = wizard.CurrentScreen();
    T* control = screen != nullptr ? screen->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(control, nullptr) << name;
    return control;
}

/// Walks from the splash to "Finished" with the given lists, title and root name, and the
/// output folder of `world`.
void WalkTheRoad(testing::RunTestWorld& world, const QStringList& set1, const QStringList& set2,
                 const QString& root) {
    Wizard wizard;
    wizard.Start(0);
    ASSERT_NE(wizard.CurrentScreen(), nullptr);

    // The file dialog is modal: the lists are filled directly.
    Control<QListWidget>(wizard, "lstTSFFiles1")->addItems(set1);
    Control<QListWidget>(wizard, "lstTSFFiles2")->addItems(set2);
    QTest::mouseClick(Control(wizard, "cmdNEXT"), Qt::LeftButton);
    testing::FlushDeletions();
    ASSERT_NE(wizard.CurrentScreen()->findChild<QWidget*>(u"DTPicker_BeginDate"_s), nullptr)
        << "not on the period screen";
    QTest::mouseClick(Control(wizard, "cmdNEXT"), Qt::LeftButton);
    testing::FlushDeletions();

    auto* folder = Control<QLineEdit>(wizard, "txtOutputDirectory");
    ASSERT_NE(folder, nullptr) << "not on the output screen";
    folder->setText(world.Output());
    QTest::keyClicks(Control<QLineEdit>(wizard, "txtTitleLine"), u"January check"_s);
    QTest::keyClicks(Control<QLineEdit>(wizard, "txtBaseFilename"), root);
    ASSERT_TRUE(testing::ClickAndWait(Control(wizard, "cmdRUN")));

    EXPECT_TRUE(world.messages.empty()) << world.messages.front().text.toStdString();
    EXPECT_EQ(Control<QLabel>(wizard, "lblStatus")->text(), u"Finished"_s);
    EXPECT_TRUE(Control(wizard, "cmdExit")->isVisible());
    EXPECT_EQ(wizard.Setup().OutputDirectory, world.Output());
}

TEST(WholeRoad, FromTheSplashToTheListFileInTheViewer) {
    testing::RunTestWorld world;
    const QString data = world.Root() + u"/data/"_s;
    const QString out = world.Output();
    ASSERT_TRUE(QDir().mkpath(data));
    const QString first = data + u"st1_prd.tsf"_s;
    testing::WriteAll(first,
                      "TIMESERIES.TSF 1.3\n0-\nmodel\nstation 1\nUTC+0300\nGREGORIAN_YMD\n"
                      "2008 01 01 01 0000 2008 01 31 23 0000 3600\n1-\nWDIR\n");
    WalkTheRoad(world, {first, data + u"st2_prd.tsf"_s},
                {data + u"st1_obs.tsf"_s, data + u"st2_obs.tsf"_s}, u"jan"_s);

    // What the run wrote.
    EXPECT_EQ(testing::ReadAll(out + u"jan_WXCHECK.TSF.STN"_s),
              (u"WXCHECK.TSF.STN 1.0             Free-form text string for filenames in quotes\r\n"
               u"1\r\nModeled and Observed timeseries data filenames for each station\r\n'"_s +
               first + u"','"_s + data + u"st1_obs.tsf'\r\n'"_s + data + u"st2_prd.tsf','"_s +
               data + u"st2_obs.tsf'\r\n"_s)
                  .toUtf8());
    const QList<QByteArray> control = testing::ReadAll(out + u"wxcheck.inp"_s).split('\n');
    ASSERT_GE(control.size(), 11);
    EXPECT_EQ(control[1], "'January check'\r");
    EXPECT_EQ(control[2], (u"'"_s + out + u"'\r"_s).toUtf8());
    EXPECT_EQ(control[3], "'jan_wxcheck.lst'\r");
    EXPECT_EQ(control[6], "'UTC+0300'\r");
    EXPECT_EQ(control[7], "'20080101010000'\r");
    EXPECT_EQ(control[8], "'20080131230000'\r");
    EXPECT_TRUE(QFile::exists(out + u"run_wxcheck.bat"_s));
    EXPECT_EQ(testing::ReadAll(out + u"finished.txt"_s),
              testing::ReadAll(out + u"jan_wxcheck.lst"_s));
    ASSERT_TRUE(world.WaitForViewer());
    EXPECT_TRUE(world.ViewerRecord().endsWith(out + u"jan_wxcheck.lst\n"_s));
    EXPECT_FALSE(QFile::exists(out + u"open_file.bat"_s));
}

TEST(WholeRoad, WithTheRealEngineOnGeneratedSeries) {
    const QString bin = QCoreApplication::applicationDirPath();
    const QString engine = bin + u"/wxcheck"_s;
    const QString generator = bin + u"/wxcheck_generate"_s;
    if (!QFile::exists(engine) || !QFile::exists(generator)) {
        GTEST_SKIP() << "needs wxcheck and wxcheck_generate in " << bin.toStdString();
    }
    testing::RunTestWorld world;
    ASSERT_TRUE(world.UseEngine(engine));
    const QString data = world.Root() + u"/data/"_s;
    ASSERT_TRUE(QDir().mkpath(data));
    QProcess generate;
    generate.start(generator, {u"--stations"_s, u"2"_s, u"--days"_s, u"3"_s, data});
    ASSERT_TRUE(generate.waitForFinished(60000));
    ASSERT_EQ(generate.exitCode(), 0) << generate.readAllStandardError().toStdString();

    WalkTheRoad(world, {data + u"st001_prd.tsf"_s, data + u"st002_prd.tsf"_s},
                {data + u"st001_obs.tsf"_s, data + u"st002_obs.tsf"_s}, u"real"_s);
    const QString out = world.Output();
    EXPECT_FALSE(testing::ReadAll(out + u"real_wxcheck.lst"_s).isEmpty());
    for (const QString& name : {u"DailyTeHuStats.dat"_s, u"DailyWindStats.dat"_s,
                                u"HourlyTeHuStats.dat"_s, u"HourlyWindStats.dat"_s}) {
        EXPECT_TRUE(QFile::exists(out + u"real_"_s + name)) << name.toStdString();
    }
    ASSERT_TRUE(world.WaitForViewer());
    EXPECT_TRUE(world.ViewerRecord().endsWith(out + u"real_wxcheck.lst\n"_s));
}

// Last in this file: the program really quits, and its event loops refuse to run after that.
TEST(WholeRoad, ClosingTheScreenDuringTheWaitEndsTheProgramTheConsoleAndTheEngine) {
    testing::RunTestWorld world;
    qputenv("FAKE_WXCHECK_MODE", "sleep:3");
    Wizard wizard;
    world.FillSetup(wizard.Setup(), world.Output());
    wizard.Start(0);
    wizard.ShowScreen(ScreenId::Output);
    testing::FlushDeletions();
    QPointer<QWidget> screen = wizard.CurrentScreen();
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (screen && QFile::exists(world.Output() + u"engine_call.txt"_s)) {
            screen->close();  // the window's own close control
        }
    });
    closer.start(50);
    ASSERT_TRUE(testing::ClickAndWait(Control(wizard, "cmdRUN")));
    EXPECT_TRUE(wizard.Ended());
    EXPECT_TRUE(world.messages.empty());
    EXPECT_EQ(ConsoleWindow::Existing(), nullptr);
    // The engine was stopped with its script: its list file never comes.
    QTest::qWait(4000);
    EXPECT_FALSE(QFile::exists(world.Output() + u"case1_wxcheck.lst"_s));
}

}  // namespace
}  // namespace corvane
