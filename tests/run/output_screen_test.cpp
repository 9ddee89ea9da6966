// The output screen on its real controls: layout, the threshold filter, the folder field,
// RUN's checks and BACK. Whole runs are in run_sequence_test.cpp.

#include "run/output_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "dialogs/field_marks.h"
#include "dialogs/folder_browser.h"
#include "run_test_world.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

class OutputScreenTest : public ::testing::Test {
protected:
    void SetUp() override { world_ = std::make_unique<testing::RunTestWorld>(); }
    void TearDown() override {
        delete screen_;
        world_.reset();
    }

    OutputScreen* Open() {
        delete screen_;
        screen_ = new OutputScreen(setup_, navigator_);
        screen_->show();
        QApplication::setActiveWindow(screen_);
        EXPECT_TRUE(QTest::qWaitForWindowActive(screen_));
        return screen_;
    }
    template <typename T = QPushButton>
    T* Control(const char* name) {
        T* control = screen_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void Click(const char* name) { QTest::mouseClick(Control(name), Qt::LeftButton); }

    RunSetup setup_;
    testing::RecordingNavigator navigator_;
    std::unique_ptr<testing::RunTestWorld> world_;
    OutputScreen* screen_ = nullptr;
};

TEST_F(OutputScreenTest, EveryControlStandsWhereTheLayoutPutsIt) {
    Open();
    EXPECT_EQ(screen_->windowTitle(), u" Corvane"_s);
    EXPECT_EQ(screen_->size(), QSize(785, 441));
    struct Row {
        const char* name;
        const char* frame;  // nullptr: on the window
        int left, top, width, height;
        QString caption;
    };
    const Row rows[] = {
        {"Frame2", nullptr, 240, 240, 11295, 975, u"CALM WIND THRESHOLD"_s},
        {"Label3", "Frame2", 480, 405, 2895, 255, u"Calm wind speed threshold (m/s):"_s},
        {"txtCalmWindThreshold", "Frame2", 3360, 360, 1335, 330, u"0.9999"_s},
        {"Frame4", nullptr, 240, 1440, 11295, 1215, u"MISSING DATA FILTER"_s},
        {"optKeepMissing", "Frame4", 480, 390, 6975, 255,
         u"Keep periods with missing values in processing"_s},
        {"optRemoveMissing", "Frame4", 480, 750, 8055, 255,
         u"Remove periods with missing values from both sets of data"_s},
        {"Frame1", nullptr, 240, 2880, 11295, 2535, u"OUTPUT INFORMATION"_s},
        {"Label1", "Frame1", 480, 525, 1455, 255, u"Output Title Line:"_s},
        {"txtTitleLine", "Frame1", 2040, 480, 9015, 330, QString()},
        {"Label2", "Frame1", 360, 1005, 1575, 255, u"Output Root Name:"_s},
        {"txtBaseFilename", "Frame1", 2040, 960, 1335, 330, QString()},
        {"Label6", "Frame1", 360, 1560, 3855, 255,
         u"Please select a directory to write the output to:"_s},
        {"txtOutputDirectory", "Frame1", 480, 1935, 9495, 315, QString()},
        {"cmdBrowseDirectory", "Frame1", 10080, 1905, 975, 350, u"Browse"_s},
        {"lblStatus", nullptr, 240, 5520, 11295, 255, QString()},
        {"cmdBACK", nullptr, 4560, 5880, 1215, 495, u"BACK"_s},
        {"cmdRUN", nullptr, 6000, 5880, 1215, 495, u"RUN"_s},
        {"cmdExit", nullptr, 10320, 5880, 1215, 495, u"EXIT"_s},
        {"chkDisableErrorChecking", nullptr, 240, 6120, 1935, 255, u"Disable Error Checking"_s},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget* control = Control<QWidget>(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(),
                  QRect(Twips(row.left), Twips(row.top), Twips(row.width), Twips(row.height)));
        EXPECT_EQ(control->parentWidget()->objectName(),
                  row.frame != nullptr ? QString::fromLatin1(row.frame) : screen_->objectName());
        QString caption;
        if (auto* frame = qobject_cast<QGroupBox*>(control)) {
            caption = frame->title();
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            caption = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            caption = button->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            caption = edit->text();
        }
        EXPECT_EQ(caption, row.caption);
    }
    EXPECT_EQ(Control<QLabel>("lblStatus")->palette().color(QPalette::WindowText),
              QColor(0, 0, 255));
    EXPECT_FALSE(Control("cmdBrowseDirectory")->font().bold()) << "not the frame's font";
    EXPECT_FALSE(Control("cmdExit")->isVisible());

    // The tab order follows the layout's tab indexes.
    const char* order[] = {
        "txtCalmWindThreshold",   "optKeepMissing",     "txtTitleLine", "txtBaseFilename",
        "cmdBrowseDirectory",     "txtOutputDirectory", "cmdRUN",       "cmdBACK",
        "chkDisableErrorChecking"};
    Control<QWidget>(order[0])->setFocus();
    for (const char* name : order) {
        EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>(name))
            << "expected " << name << ", found "
            << QApplication::focusWidget()->objectName().toStdString();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

TEST_F(OutputScreenTest, LoadsFromTheSetupAndBackStoresForTheNextVisit) {
    setup_.LastBrowseDir = u"/data/series/"_s;
    Open();
    EXPECT_EQ(Control<QLineEdit>("txtCalmWindThreshold")->text(), u"0.9999"_s);
    EXPECT_TRUE(Control<QRadioButton>("optKeepMissing")->isChecked());
    EXPECT_EQ(Control<QLineEdit>("txtOutputDirectory")->text(), u"/data/series/"_s);

    Control<QRadioButton>("optRemoveMissing")->click();
    QTest::keyClicks(Control<QLineEdit>("txtTitleLine"), u"  July run  "_s);
    QTest::keyClicks(Control<QLineEdit>("txtBaseFilename"), u"case1"_s);
    Control<QLineEdit>("txtOutputDirectory")->setText(u" /out/ "_s);
    Click("cmdBACK");
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

    setup_.MissingFilterFlag = u"x"_s;  // neither value: the design's choice, keep
    Open();
    EXPECT_TRUE(Control<QRadioButton>("optKeepMissing")->isChecked());
}

TEST_F(OutputScreenTest, TheThresholdFieldTakesOnlyDigitsAndPointsAndEnterMovesOn) {
    Open();
    QLineEdit* field = Control<QLineEdit>("txtCalmWindThreshold");
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, u"a-, /+e0.5Z"_s);
    EXPECT_EQ(field->text(), u"0.5"_s);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text(), u"0.5"_s);
    EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>("optKeepMissing"));

    // Codes from 128 on pass.
    EXPECT_TRUE(ThresholdKeyPasses(U'é'));
}

TEST_F(OutputScreenTest, TheFolderFieldGetsItsSlashWhenItLosesTheFocus) {
    Open();
    QLineEdit* folder = Control<QLineEdit>("txtOutputDirectory");
    folder->setFocus();
    folder->clear();
    QTest::keyClicks(folder, u"/tmp"_s);
    MarkFieldInvalid(folder);
    QTest::keyClick(folder, Qt::Key_Tab);
    EXPECT_EQ(folder->text(), u"/tmp/"_s);
    EXPECT_EQ(FieldMark(folder), kMarkValid);

    // An empty field stays empty and keeps its mark.
    folder->setFocus();
    folder->clear();
    MarkFieldInvalid(folder);
    QTest::keyClick(folder, Qt::Key_Tab);
    EXPECT_EQ(folder->text(), QString());
    EXPECT_EQ(FieldMark(folder), kMarkInvalid);

    // Browse hands the trimmed field to the folder chooser and takes its answer.
    folder->setText(u"  /data  "_s);
    FolderBrowserRequest asked;
    SetFolderBrowserHandler([&](const FolderBrowserRequest& request) {
        asked = request;
        return std::optional<QString>(u"/srv/runs"_s);
    });
    Click("cmdBrowseDirectory");
    SetFolderBrowserHandler({});
    EXPECT_EQ(asked.initialPath, u"/data"_s);
    EXPECT_EQ(asked.title, u"Select an Output Directory:"_s);
    EXPECT_TRUE(asked.newDialogStyle);
    EXPECT_EQ(folder->text(), u"/srv/runs/"_s);
}

TEST_F(OutputScreenTest, RunChecksItsFieldsInOrderBeforeAnythingIsWritten) {
    const QString out = world_->Output();
    Open();
    QLineEdit* threshold = Control<QLineEdit>("txtCalmWindThreshold");
    QLineEdit* folder = Control<QLineEdit>("txtOutputDirectory");
    QLineEdit* root = Control<QLineEdit>("txtBaseFilename");
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
        {u"1"_s, out, u"case 1"_s,
         u"The output root name may not contain blanks, quotes or line breaks."_s, root},
        {u"1"_s, out, u"say\"when"_s,
         u"The output root name may not contain blanks, quotes or line breaks."_s, root},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.message.toStdString());
        threshold->setText(step.threshold);
        folder->setText(step.folder);
        root->setText(step.root);
        world_->messages.clear();
        Click("cmdRUN");
        ASSERT_EQ(world_->messages.size(), 1U);
        EXPECT_EQ(world_->messages[0].text, step.message);
        EXPECT_EQ(world_->messages[0].title, u"Error"_s);
        EXPECT_EQ(world_->messages[0].kind, MessageKind::Ok);
        EXPECT_EQ(FieldMark(step.marked), kMarkInvalid);
        // The fields keep their texts.
        EXPECT_EQ(threshold->text(), step.threshold);
        EXPECT_EQ(folder->text(), step.folder);
        EXPECT_EQ(root->text(), step.root);
    }
    // A later RUN clears the threshold's mark once it holds text.
    EXPECT_EQ(FieldMark(threshold), kMarkValid);
    // Nothing was stored or written.
    EXPECT_TRUE(setup_.CalmWindText.isEmpty());
    EXPECT_TRUE(setup_.OutputDirectory.isEmpty());
    EXPECT_TRUE(QDir(out).isEmpty());
}

TEST_F(OutputScreenTest, RunLosingTheFocusClearsTheStatus) {
    Open();
    auto* status = Control<QLabel>("lblStatus");
    Control("cmdRUN")->setFocus();
    status->setText(u"Finished"_s);
    QTest::keyClick(Control("cmdRUN"), Qt::Key_Tab);
    EXPECT_EQ(status->text(), QString());
}

}  // namespace
}  // namespace corvane
