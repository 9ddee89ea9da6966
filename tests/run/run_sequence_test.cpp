// Whole runs from the output screen's RUN button with the stand-in engine, batchrun and the
// console: the marker, "Finished", the viewer, and every way a run can go wrong.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "run/console_window.h"
#include "run/output_screen.h"
#include "run/run_error_handler.h"
#include "run_test_world.h"
#include "support/tmpfs_mount.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

using testing::ClickAndWait;
using testing::ReadAll;
using testing::WriteAll;

/// Answers the console's pause with a key press as soon as it asks.
class PauseAnswerer {
public:
    PauseAnswerer() {
        QObject::connect(&timer_, &QTimer::timeout, [] {
            ConsoleWindow* console = ConsoleWindow::Existing();
            if (console != nullptr &&
                console->Text().endsWith(u"Press any key to continue . . . "_s)) {
                QTest::keyClick(console->findChild<QPlainTextEdit*>(u"consoleText"_s),
                                Qt::Key_Space);
            }
        });
        timer_.start(50);
    }

private:
    QTimer timer_;
};

class RunSequenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        world_ = std::make_unique<testing::RunTestWorld>();
        world_->FillSetup(setup_, world_->Output());
    }

    void TearDown() override {
        delete screen_.data();
        world_.reset();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the busy pointer stayed";
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            EXPECT_FALSE(widget->isVisible())
                << "left open: " << widget->objectName().toStdString();
        }
    }

    OutputScreen* Screen() {
        if (!screen_) {
            screen_ = new OutputScreen(setup_, navigator_);
            screen_->show();
        }
        return screen_;
    }
    template <typename T = QPushButton>
    T* Control(const char* name) {
        T* control = Screen()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString Status() { return Control<QLabel>("lblStatus")->text(); }
    QString Out(const QString& name) const { return world_->Output() + name; }

    RunSetup setup_;
    testing::RecordingNavigator navigator_;
    std::unique_ptr<testing::RunTestWorld> world_;
    QPointer<OutputScreen> screen_;
};

TEST_F(RunSequenceTest, AWholeRunEndsWithTheListFileInTheViewer) {
    WriteAll(Out(u"finished.txt"_s), "stale marker of an earlier run");
    WriteAll(Out(u"open_file.bat"_s), "left over");

    // The engine takes a second: a wait that ended on the stale marker would end before
    // the list file exists.
    qputenv("FAKE_WXCHECK_MODE", "sleep:1");
    // Watch the run from inside its waits.
    bool sawRunning = false, sawBusy = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (screen_ && Status().startsWith(u"Running"_s)) {
            sawRunning = true;
            const QCursor* cursor = QGuiApplication::overrideCursor();
            sawBusy = sawBusy || (cursor != nullptr && cursor->shape() == Qt::WaitCursor);
        }
    });
    watcher.start(20);

    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    EXPECT_TRUE(QFile::exists(Out(u"case1_wxcheck.lst"_s)));
    EXPECT_TRUE(world_->messages.empty()) << world_->messages.front().text.toStdString();
    EXPECT_EQ(Status(), u"Finished"_s);
    EXPECT_TRUE(Control("cmdExit")->isVisible());
    EXPECT_TRUE(sawRunning);
    EXPECT_TRUE(sawBusy);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // The engine ran in the output folder with the control file as its argument.
    const QString out = world_->Output();
    EXPECT_EQ(QString::fromUtf8(ReadAll(Out(u"engine_call.txt"_s))),
              out.chopped(1) + u"\nwxcheck.inp\n"_s);
    EXPECT_EQ(ReadAll(Out(u"finished.txt"_s)), ReadAll(Out(u"case1_wxcheck.lst"_s)));
    EXPECT_TRUE(ReadAll(Out(u"finished.txt"_s)).startsWith("List file of the stand-in engine"));
    EXPECT_EQ(ReadAll(Out(u"run_wxcheck.bat"_s)),
              (out + u":\r\ncd \""_s + out + u"\"\r\n\""_s + world_->Root() +
               u"/program/wxcheck\" wxcheck.inp\r\ncopy case1_wxcheck.lst finished.txt\r\n"
               u"pause\r\n"_s)
                  .toUtf8());
    EXPECT_TRUE(QFile::exists(Out(u"wxcheck.inp"_s)));
    EXPECT_TRUE(QFile::exists(Out(u"case1_WXCHECK.TSF.STN"_s)));

    ASSERT_TRUE(world_->WaitForViewer());
    EXPECT_EQ(world_->ViewerRecord(), out.chopped(1) + u"\n"_s + out + u"case1_wxcheck.lst\n"_s);
    EXPECT_FALSE(QFile::exists(Out(u"open_file.bat"_s)));

    // The console shows the engine's output and waits at the pause.
    ConsoleWindow* console = ConsoleWindow::Existing();
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(console->windowTitle(), u"run_wxcheck.bat"_s);
    EXPECT_TRUE(console->isVisible());
    EXPECT_TRUE(console->Text().contains(u"Processing station 1 of 1"_s));
    EXPECT_TRUE(QTest::qWaitFor([&] { return console->Text().contains(u"Press any key"_s); }));

    // A second run reuses the console.
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    EXPECT_EQ(Status(), u"Finished"_s);
    EXPECT_EQ(ConsoleWindow::Existing(), console);
    EXPECT_EQ(console->Text().count(u"Processing station"_s), 1);
}

TEST_F(RunSequenceTest, AnEngineWithoutListFileEndsInTheErrorBoxAndRetryRunsAgain) {
    qputenv("FAKE_WXCHECK_MODE", "nolist");
    PauseAnswerer pauseAnswerer;
    world_->answer = [&](const MessageRequest&) {
        if (world_->messages.size() == 1) {
            qunsetenv("FAKE_WXCHECK_MODE");  // the engine works the second time
            return MessageAnswer::Retry;
        }
        return MessageAnswer::Cancel;
    };
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    ASSERT_EQ(world_->messages.size(), 1U);
    const MessageRequest& box = world_->messages[0];
    EXPECT_EQ(box.title, u"ERROR:"_s);
    EXPECT_EQ(box.kind, MessageKind::RetryCancel);
    EXPECT_EQ(box.text,
              RunErrorText(u"WXCHECK ended without its list file "_s + Out(u"case1_wxcheck.lst"_s) +
                               u"; its console window shows why"_s,
                           53));
    EXPECT_EQ(Status(), u"Finished"_s);
    EXPECT_TRUE(world_->WaitForViewer());
}

TEST_F(RunSequenceTest, CancelAfterAFailedRunClearsTheStatusAndKeepsTheScreen) {
    qputenv("FAKE_WXCHECK_MODE", "nolist");
    PauseAnswerer pauseAnswerer;
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_EQ(Status(), QString());
    EXPECT_FALSE(Control("cmdExit")->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(QFile::exists(Out(u"finished.txt"_s)));
    EXPECT_FALSE(Screen()->RunInProgress());
    EXPECT_TRUE(Screen()->isVisible());
    // The console told the user why.
    EXPECT_TRUE(ConsoleWindow::Existing()->Text().contains(u"cannot copy"_s));
}

TEST_F(RunSequenceTest, ClosingTheConsoleStopsTheRun) {
    qputenv("FAKE_WXCHECK_MODE", "sleep:60");
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        ConsoleWindow* console = ConsoleWindow::Existing();
        if (console != nullptr && console->isVisible() &&
            QFile::exists(Out(u"engine_call.txt"_s))) {
            console->close();
        }
    });
    closer.start(50);
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_TRUE(world_->messages[0].text.contains(u"console window was closed"_s));
    EXPECT_FALSE(QFile::exists(Out(u"case1_wxcheck.lst"_s)));
}

TEST_F(RunSequenceTest, RunAndBackDuringTheWaitDoNothing) {
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
    EXPECT_TRUE(world_->messages.empty());
    EXPECT_EQ(Status(), u"Finished"_s);
    EXPECT_EQ(ConsoleWindow::Existing()->Text().count(u"Processing station"_s), 1);
}

TEST_F(RunSequenceTest, ClosingOrDeletingTheScreenDuringTheWaitEndsTheRunQuietly) {
    for (const bool deleteIt : {false, true}) {
        qputenv("FAKE_WXCHECK_MODE", "sleep:60");
        QPointer<OutputScreen> screen = Screen();
        QTimer ender;
        ender.setSingleShot(true);
        QObject::connect(&ender, &QTimer::timeout, [&] {
            if (deleteIt) {
                screen->deleteLater();  // deleted by the run's next wait
            } else {
                screen->close();  // the user closes the window: the program ends
            }
        });
        ender.start(1500);
        ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
        EXPECT_TRUE(world_->messages.empty());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(screen.isNull(), deleteIt);
        if (!deleteIt) {
            EXPECT_EQ(navigator_.ended, 1);
            // Closing every window stopped the script and its engine.
            EXPECT_EQ(ConsoleWindow::Existing(), nullptr);
            delete screen.data();
        }
        testing::FlushDeletions();
        EXPECT_FALSE(QFile::exists(Out(u"case1_wxcheck.lst"_s)));
        delete ConsoleWindow::Existing();
    }
}

TEST_F(RunSequenceTest, RetryAfterARunErrorCompletesTheRun) {
    testing::TmpfsMount mount(256);
    if (!mount.available()) {
        GTEST_SKIP() << mount.error();
    }
    const QString folder = QString::fromStdString(mount.path()) + u'/';
    setup_.OutputDirectory = folder;
    ASSERT_TRUE(mount.makeReadOnly());
    world_->answer = [&](const MessageRequest&) {
        EXPECT_TRUE(mount.makeWritable());
        return MessageAnswer::Retry;
    };
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_TRUE(world_->messages[0].text.startsWith(u"The following error has occurred: \""_s));
    EXPECT_TRUE(world_->messages[0].text.contains(folder + u"case1_WXCHECK.TSF.STN"_s))
        << world_->messages[0].text.toStdString();
    EXPECT_TRUE(world_->messages[0].text.endsWith(u".\"  (Error Number = 30)"_s));
    EXPECT_EQ(Status(), u"Finished"_s);
    EXPECT_TRUE(QFile::exists(folder + u"finished.txt"_s));
    EXPECT_TRUE(world_->WaitForViewer());
    delete ConsoleWindow::Existing();  // its script holds the mount busy
}

TEST_F(RunSequenceTest, AFolderWithADoubleQuoteIsRefusedBeforeTheScriptIsWritten) {
    const QString folder = world_->Root() + u"/say \"hi\"/"_s;
    ASSERT_TRUE(QDir().mkpath(folder));
    setup_.OutputDirectory = folder;
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_TRUE(world_->messages[0].text.contains(u"holds a double quote"_s));
    EXPECT_FALSE(QFile::exists(folder + u"run_wxcheck.bat"_s));
    EXPECT_EQ(ConsoleWindow::Existing(), nullptr);
    EXPECT_EQ(Status(), QString());
}

TEST_F(RunSequenceTest, AMissingViewerIsReportedAfterFinished) {
    qputenv("PATH", "/nonexistent");
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_TRUE(world_->messages[0].text.contains(
        u"The list file "_s + Out(u"case1_wxcheck.lst"_s) + u" could not be opened: "_s))
        << world_->messages[0].text.toStdString();
    EXPECT_TRUE(world_->messages[0].text.contains(u"xdg-open"_s));
    // Cancel clears "Finished"; the finished run keeps EXIT.
    EXPECT_EQ(Status(), QString());
    EXPECT_TRUE(Control("cmdExit")->isVisible());
    EXPECT_FALSE(QFile::exists(Out(u"open_file.bat"_s)));
}

TEST_F(RunSequenceTest, WithTheBoxTickedAWriterFailureReachesTheErrorBox) {
    Screen();
    Control<QLineEdit>("txtCalmWindThreshold")->clear();
    Control<QCheckBox>("chkDisableErrorChecking")->setChecked(true);
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_EQ(world_->messages[0].title, u"ERROR:"_s);
    EXPECT_EQ(Status(), QString());
    EXPECT_EQ(ConsoleWindow::Existing(), nullptr);
}

TEST_F(RunSequenceTest, AMissingInterpreterIsReportedWithItsPath) {
    const QString interpreter = world_->Root() + u"/program/batchrun"_s;
    ASSERT_TRUE(QFile::remove(interpreter));
    ASSERT_TRUE(ClickAndWait(Control("cmdRUN")));
    ASSERT_EQ(world_->messages.size(), 1U);
    EXPECT_TRUE(world_->messages[0].text.contains(
        u"Cannot start the script "_s + Out(u"run_wxcheck.bat"_s) + u" with "_s + interpreter))
        << world_->messages[0].text.toStdString();
    EXPECT_EQ(Status(), QString());
    EXPECT_FALSE(Screen()->RunInProgress());
}

}  // namespace
}  // namespace corvane
