// Hostile names on the whole road of the real wizard: series in a folder and with file names
// full of shell and quoting characters, an output folder typed with such characters and
// non-ASCII letters, a title with quotes: NEXT, NEXT, RUN with batchrun and the real engine.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

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

TEST(HostileRoad, NamesFullOfShellCharactersReachTheEngineThroughTheWizard) {
    const QString bin = QCoreApplication::applicationDirPath();
    if (!QFile::exists(bin + u"/wxcheck"_s)) {
        GTEST_SKIP() << "needs wxcheck beside the test";
    }
    testing::RunTestWorld world;
    ASSERT_TRUE(world.UseEngine(bin + u"/wxcheck"_s));
    const QString data = world.Root() + u"/d 'q',& $x %y é/"_s;
    const QString prefix = u"it's;`touch canary` "_s;
    ASSERT_TRUE(QDir().mkpath(data));
    QStringList set1;
    QStringList set2;
    const QString examples = QString::fromUtf8(CORVANE_EXAMPLES_DIR) + u'/';
    for (const QString& station : {u"st001"_s, u"st002"_s, u"st003"_s, u"st004"_s}) {
        for (const QString& kind : {u"_prd.tsf"_s, u"_obs.tsf"_s}) {
            ASSERT_TRUE(QFile::copy(examples + station + kind, data + prefix + station + kind));
        }
        set1 << data + prefix + station + u"_prd.tsf"_s;
        set2 << data + prefix + station + u"_obs.tsf"_s;
    }
    const QString out = world.Root() + u"/o 'q';&$HOME%x,ü/"_s;
    ASSERT_TRUE(QDir().mkpath(out));
    const QString root = u"r&d;$x%,é"_s;

    Wizard wizard;
    wizard.Start(0);
    ASSERT_NE(wizard.CurrentScreen(), nullptr);
    Control<QListWidget>(wizard, "lstTSFFiles1")->addItems(set1);
    Control<QListWidget>(wizard, "lstTSFFiles2")->addItems(set2);
    QTest::mouseClick(Control(wizard, "cmdNEXT"), Qt::LeftButton);
    testing::FlushDeletions();
    ASSERT_TRUE(world.messages.empty()) << world.messages.front().text.toStdString();
    EXPECT_EQ(wizard.Setup().DataTimeZone, u"UTC+0000"_s);
    QTest::mouseClick(Control(wizard, "cmdNEXT"), Qt::LeftButton);
    testing::FlushDeletions();
    auto* folder = Control<QLineEdit>(wizard, "txtOutputDirectory");
    ASSERT_NE(folder, nullptr) << "not on the output screen";
    // Typed text that a key press cannot carry (non-ASCII letters) is set as a paste would.
    folder->setText(out);
    QTest::keyClicks(Control<QLineEdit>(wizard, "txtTitleLine"), u"It's \"Q1\" & 50% $x"_s);
    Control<QLineEdit>(wizard, "txtBaseFilename")->setText(root);
    ASSERT_TRUE(testing::ClickAndWait(Control(wizard, "cmdRUN")));
    for (const MessageRequest& message : world.messages) {
        ADD_FAILURE() << message.text.toStdString();
    }
    EXPECT_EQ(Control<QLabel>(wizard, "lblStatus")->text(), u"Finished"_s);
    EXPECT_EQ(wizard.Setup().OutputDirectory, out);

    const QByteArray list = testing::ReadAll(out + root + u"_wxcheck.lst"_s);
    EXPECT_TRUE(list.contains("It's \"Q1\" & 50% $x")) << list.left(400).toStdString();
    EXPECT_TRUE(list.contains(set1[3].toUtf8()));
    EXPECT_TRUE(list.contains("ERRORS\n======\nnone")) << list.right(400).toStdString();
    EXPECT_EQ(testing::ReadAll(out + u"finished.txt"_s), list);
    for (const QString& dir : {world.Root(), data, out}) {
        EXPECT_FALSE(QFile::exists(dir + u"/canary"_s)) << dir.toStdString();
    }
    ASSERT_TRUE(world.WaitForViewer());
    EXPECT_TRUE(world.ViewerRecord().endsWith(out + root + u"_wxcheck.lst\n"_s))
        << world.ViewerRecord().toStdString();
}

}  // namespace
}  // namespace corvane
