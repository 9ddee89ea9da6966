#include "shell/wizard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "run/console_window.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

QList<QWidget*> VisibleWindows() {
    QList<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) {
            windows.push_back(widget);
        }
    }
    return windows;
}

// Runs the deferred deletions of screens that were left.
void FlushDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class WizardTest : public ::testing::Test {
protected:
    void TearDown() override {
        FlushDeletions();
        EXPECT_TRUE(VisibleWindows().isEmpty()) << "a test left a window open";
    }
};

TEST_F(WizardTest, SplashShowsItsLabelsThenExactlyOneDatasetScreen) {
    Wizard wizard;
    QWidget* splash = nullptr;
    QTimer::singleShot(50, [&] {
        for (QWidget* w : VisibleWindows()) {
            if (w->objectName() == u"frmSplashScreen"_s) {
                splash = w;
            }
        }
        ASSERT_NE(splash, nullptr);
        // A click on a label is not a click on the picture.
        for (const char* label : {"lblVersion", "lblLevel"}) {
            QTest::mouseClick(splash->findChild<QLabel*>(QLatin1StringView(label)), Qt::LeftButton);
        }
        EXPECT_EQ(wizard.CurrentScreen(), nullptr);
        // A click on the picture hands over at once.
        QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_NE(wizard.CurrentScreen(), nullptr);
    });
    QElapsedTimer clock;
    clock.start();
    wizard.Start(1750);
    EXPECT_GE(clock.elapsed(), 1750) << "the click does not cut the pause short";
    FlushDeletions();

    const QList<QWidget*> windows = VisibleWindows();
    ASSERT_EQ(windows.size(), 1) << "no second dataset screen after the pause";
    EXPECT_EQ(windows[0], wizard.CurrentScreen());
    EXPECT_NE(windows[0]->findChild<QWidget*>(u"cmdNEXT"_s), nullptr);
    EXPECT_FALSE(wizard.Ended());
    wizard.EndProgram();
}

TEST_F(WizardTest, ClosingTheScreenWindowEndsTheProgram) {
    Wizard wizard;
    wizard.Start(0);
    QPointer<QWidget> screen = wizard.CurrentScreen();
    ASSERT_TRUE(screen);
    screen->close();
    EXPECT_TRUE(wizard.Ended());
    EXPECT_TRUE(VisibleWindows().isEmpty());
    // Nothing moves after the end.
    wizard.ShowScreen(ScreenId::Period);
    EXPECT_TRUE(VisibleWindows().isEmpty());
}

TEST_F(WizardTest, ExitOnTheOutputScreenEndsTheProgram) {
    Wizard wizard;
    wizard.Start(0);
    wizard.ShowScreen(ScreenId::Output);
    FlushDeletions();
    QWidget* output = wizard.CurrentScreen();
    ASSERT_NE(output, nullptr);
    auto* exit = output->findChild<QPushButton*>(u"cmdExit"_s);
    ASSERT_NE(exit, nullptr);
    EXPECT_FALSE(exit->isVisible()) << "EXIT shows only after a finished run";
    ConsoleWindow::Instance()->show();  // closes with the program
    exit->click();
    EXPECT_TRUE(wizard.Ended());
    EXPECT_TRUE(VisibleWindows().isEmpty());
}

}  // namespace
}  // namespace corvane
