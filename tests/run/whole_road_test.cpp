// The whole road of one evaluation on the real wizard: splash, dataset screen, period
// screen, output screen, RUN, "Finished" and the list file in the viewer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

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

TEST(WholeRoad, FromTheSplashToTheListFileInTheViewer) {
    testing::RunTestWorld world;
    const QString data = world.Root() + u"/data/"_s;
    const QString out = world.Output();
    ASSERT_TRUE(QDir().mkpath(data));
    const QString first = data + u"st1_prd.tsf"_s;
    testing::WriteAll(first,
                      "TIMESERIES.TSF 1.3\n0-\nmodel\nstation 1\nUTC+0300\nGREGORIAN_YMD\n"
                      "2008 01 01 01 0000 2008 01 31 23 0000 3600\n1-\nWDIR\n");

    {
        Wizard wizard;
        wizard.Start(0);
        ASSERT_NE(wizard.CurrentScreen(), nullptr);

        // The file dialog is modal: the lists are filled directly.
        auto* set1 = Control<QListWidget>(wizard, "lstTSFFiles1");
        auto* set2 = Control<QListWidget>(wizard, "lstTSFFiles2");
        set1->addItems({first, data + u"st2_prd.tsf"_s});
        set2->addItems({data + u"st1_obs.tsf"_s, data + u"st2_obs.tsf"_s});
        QTest::mouseClick(Control(wizard, "cmdNEXT"), Qt::LeftButton);
        testing::FlushDeletions();
        ASSERT_NE(wizard.CurrentScreen()->findChild<QWidget*>(u"DTPicker_BeginDate"_s), nullptr)
            << "not on the period screen";
        QTest::mouseClick(Control(wizard, "cmdNEXT"), Qt::LeftButton);
        testing::FlushDeletions();

        auto* folder = Control<QLineEdit>(wizard, "txtOutputDirectory");
        ASSERT_NE(folder, nullptr) << "not on the output screen";
        folder->setText(out);
        QTest::keyClicks(Control<QLineEdit>(wizard, "txtTitleLine"), u"January check"_s);
        QTest::keyClicks(Control<QLineEdit>(wizard, "txtBaseFilename"), u"jan"_s);
        ASSERT_TRUE(testing::ClickAndWait(Control(wizard, "cmdRUN")));

        EXPECT_TRUE(world.messages.empty()) << world.messages.front().text.toStdString();
        EXPECT_EQ(Control<QLabel>(wizard, "lblStatus")->text(), u"Finished"_s);
        EXPECT_TRUE(Control(wizard, "cmdExit")->isVisible());
        EXPECT_EQ(wizard.Setup().OutputDirectory, out);
    }

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

}  // namespace
}  // namespace corvane
