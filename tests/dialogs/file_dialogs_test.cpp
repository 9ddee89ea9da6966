#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "dialogs/file_dialog.h"
#include "dialogs/folder_browser.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

const QStringList kFilters{u"All Files (*.*)"_s, u"Time Series Files (*.tsf)"_s};

// Runs `answer` on the modal file dialog as soon as it is open; the dialog's own event
// loop delivers the timer.
void WhenDialogOpens(const std::function<void(QFileDialog*)>& answer) {
    auto* timer = new QTimer();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start();
}

QPushButton* SelectButton(QFileDialog* dialog) {
    auto* box = dialog->findChild<QDialogButtonBox*>();
    return box == nullptr ? nullptr : box->button(QDialogButtonBox::Open);
}

TEST(FileDialog, RealDialogShowsTheProgramsTitleCaptionsAndFilterAndReturnsTypedFiles) {
    QTemporaryDir dir;
    for (const QString& name : {u"a.tsf"_s, u"b.tsf"_s}) {
        ASSERT_TRUE(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    }
    QListWidget list;
    list.addItem(u"/earlier/entry.tsf"_s);
    QString startFolder = dir.path();
    WhenDialogOpens([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"Select Files"_s);
        EXPECT_EQ(dialog->nameFilters(), kFilters);
        EXPECT_EQ(dialog->selectedNameFilter(), u"Time Series Files (*.tsf)"_s);
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());

        auto* nameEdit = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
        QPushButton* select = SelectButton(dialog);
        if (nameEdit == nullptr || select == nullptr) {
            ADD_FAILURE() << "the dialog lacks its name field or Select button";
            return dialog->reject();
        }
        // Type two names, the second first, and press the dialog's own Select button.
        nameEdit->setText(u"\"b.tsf\" \"a.tsf\""_s);
        QTest::mouseClick(select, Qt::LeftButton);
    });
    AddFilesFromOpenDialog(nullptr, &list, startFolder, kFilters, 1);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(QFileInfo(list.item(1)->text()).fileName(), u"b.tsf"_s);
    EXPECT_EQ(QFileInfo(list.item(2)->text()).fileName(), u"a.tsf"_s);
    EXPECT_EQ(QDir(startFolder).canonicalPath(), QDir(dir.path()).canonicalPath());
}

TEST(FolderBrowser, RealBrowserShowsItsTitleAndReturnsTheChoiceOrTheStartOnCancel) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"out"_s));
    const QString initial = dir.filePath(u"out"_s) + u"/"_s;
    const QString out = QDir(dir.path()).canonicalPath() + u"/out"_s;
    WhenDialogOpens([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"Select an Output Directory:"_s);
        EXPECT_FALSE(dialog->testOption(QFileDialog::ReadOnly)) << "a new-folder button";
        EXPECT_EQ(QDir(dialog->selectedFiles().value(0)).canonicalPath(), out);
        QPushButton* select = SelectButton(dialog);  // taking the preselected folder
        EXPECT_NE(select, nullptr);
        select != nullptr ? QTest::mouseClick(select, Qt::LeftButton) : dialog->reject();
    });
    const QString chosen =
        BrowseForFolder(initial, u"Select an Output Directory:"_s, true, nullptr);
    EXPECT_EQ(QDir(chosen).canonicalPath(), out);
    EXPECT_FALSE(chosen.endsWith(u'/'));

    WhenDialogOpens([](QFileDialog* dialog) {
        EXPECT_TRUE(dialog->testOption(QFileDialog::ReadOnly)) << "no new-folder button";
        dialog->reject();
    });
    EXPECT_EQ(BrowseForFolder(initial, u"Pick"_s, false, nullptr), initial);
}

}  // namespace
}  // namespace corvane
