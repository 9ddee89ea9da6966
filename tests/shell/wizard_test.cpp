#include "shell/wizard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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
void FlushDeletions() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

template <typename T = QPushButton>
T* Control(QWidget* screen, const char* name) {
    T* control = screen->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
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
        EXPECT_EQ(splash->size(), QSize(558, 378));
        auto* version = splash->findChild<QLabel*>(u"lblVersion"_s);
        auto* level = splash->findChild<QLabel*>(u"lblLevel"_s);
        ASSERT_TRUE(version && level);
        EXPECT_EQ(version->text(), u"Version 1.5"_s);
        EXPECT_EQ(level->text(), u"July 29, 2009"_s);
        // A click on a label is not a click on the picture.
        QTest::mouseClick(version, Qt::LeftButton);
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

TEST_F(WizardTest, ScreensChangeInOrderAndEachStartsWithItsBoxUnticked) {
    Wizard wizard;
    wizard.Start(0);
    QPointer<QWidget> dataset = wizard.CurrentScreen();
    ASSERT_TRUE(dataset);
    EXPECT_EQ(dataset->windowTitle(), u" Corvane"_s);
    EXPECT_EQ(dataset->size(), QSize(979, 569));
    EXPECT_FALSE(Control(dataset, "cmdBACK")->isEnabled());

    Control<QCheckBox>(dataset, "chkDisableErrorChecking")->setChecked(true);
    QTest::mouseClick(Control(dataset, "cmdNEXT"), Qt::LeftButton);
    FlushDeletions();
    EXPECT_TRUE(dataset.isNull()) << "the screen left is destroyed";
    QWidget* period = wizard.CurrentScreen();
    ASSERT_NE(period, nullptr);
    EXPECT_EQ(period->size(), QSize(785, 441));
    EXPECT_EQ(VisibleWindows(), QList<QWidget*>{period});

    QTest::mouseClick(Control(period, "cmdBACK"), Qt::LeftButton);
    FlushDeletions();
    QWidget* again = wizard.CurrentScreen();
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(Control<QCheckBox>(again, "chkDisableErrorChecking")->isChecked());
    EXPECT_EQ(VisibleWindows(), QList<QWidget*>{again});
    wizard.EndProgram();
    EXPECT_TRUE(wizard.Ended());
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
    auto* exit = Control(output, "cmdExit");
    EXPECT_FALSE(exit->isVisible()) << "EXIT shows only after a finished run";
    exit->click();
    EXPECT_TRUE(wizard.Ended());
    EXPECT_TRUE(VisibleWindows().isEmpty());
}

}  // namespace
}  // namespace corvane
