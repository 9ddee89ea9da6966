#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "dialogs/file_dialog.h"
#include "dialogs/folder_browser.h"

using namespace Qt::StringLiterals;

QT_BEGIN_NAMESPACE
// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

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

void TouchFile(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

QPushButton* DialogButton(QFileDialog* dialog, QDialogButtonBox::ButtonRole role) {
    auto* box = dialog->findChild<QDialogButtonBox*>();
    if (box == nullptr) {
        return nullptr;
    }
    for (QAbstractButton* button : box->buttons()) {
        if (box->buttonRole(button) == role) {
            return qobject_cast<QPushButton*>(button);
        }
    }
    return nullptr;
}

void ClickButton(QFileDialog* dialog, QDialogButtonBox::ButtonRole role) {
    QPushButton* button = DialogButton(dialog, role);
    if (button == nullptr) {
        ADD_FAILURE() << "the dialog lacks a button";
        dialog->reject();
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override {
        SetFileDialogHandler({});
        SetFolderBrowserHandler({});
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(FileDialogTest, RealDialogShowsTheProgramsTitleCaptionsAndFilterAndReturnsTypedFiles) {
    TouchFile(Path(u"a.tsf"_s));
    TouchFile(Path(u"b.tsf"_s));
    TouchFile(Path(u"README"_s));
    QListWidget list;
    list.addItem(u"/earlier/entry.tsf"_s);
    QString startFolder = dir.path();

    bool inspected = false;
    WhenDialogOpens([&](QFileDialog* dialog) {
        inspected = true;
        EXPECT_EQ(dialog->windowTitle(), u"Select Files"_s);
        EXPECT_EQ(dialog->labelText(QFileDialog::Accept), u"Select"_s);
        EXPECT_EQ(dialog->labelText(QFileDialog::Reject), u"Cancel"_s);
        EXPECT_EQ(dialog->labelText(QFileDialog::LookIn), u"Look in:"_s);
        EXPECT_EQ(dialog->labelText(QFileDialog::FileName), u"File name(s):"_s);
        EXPECT_EQ(dialog->labelText(QFileDialog::FileType), u"Files of type:"_s);
        EXPECT_EQ(dialog->nameFilters(), kFilters);
        EXPECT_EQ(dialog->selectedNameFilter(), u"Time Series Files (*.tsf)"_s);
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(dialog->defaultSuffix(), u"txt"_s);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_TRUE(dialog->isSizeGripEnabled());

        // "All Files (*.*)" lists names without a dot too, as the user expects.
        auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_s);
        auto* view = dialog->findChild<QListView*>(u"listView"_s);
        if (types != nullptr && view != nullptr) {
            QTest::keyClick(types, Qt::Key_Up);  // from the preselected type to "All Files"
            EXPECT_EQ(types->currentText(), u"All Files (*.*)"_s);
            EXPECT_TRUE(QTest::qWaitFor(
                [view] {
                    const QModelIndexList found =
                        view->model()->match(view->model()->index(0, 0, view->rootIndex()),
                                             Qt::DisplayRole, u"README"_s, 1, Qt::MatchExactly);
                    return !found.isEmpty() && !view->isRowHidden(found.at(0).row()) &&
                           (found.at(0).flags() & Qt::ItemIsEnabled);
                },
                2000));
        } else {
            ADD_FAILURE() << "the dialog's file type box or file list is missing";
        }

        // Type two names, the second first, and press the dialog's own Select button.
        auto* nameEdit = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
        QPushButton* select = DialogButton(dialog, QDialogButtonBox::AcceptRole);
        if (nameEdit == nullptr || select == nullptr) {
            ADD_FAILURE() << "the dialog's name field or Select button is missing";
            dialog->reject();
            return;
        }
        EXPECT_EQ(select->text(), u"Select"_s);
        nameEdit->setText(u"\"b.tsf\" \"a.tsf\""_s);
        QTest::mouseClick(select, Qt::LeftButton);
    });
    AddFilesFromOpenDialog(nullptr, &list, startFolder, kFilters, 1);

    EXPECT_TRUE(inspected);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(0)->text(), u"/earlier/entry.tsf"_s);
    EXPECT_EQ(QFileInfo(list.item(1)->text()).fileName(), u"b.tsf"_s);
    EXPECT_EQ(QFileInfo(list.item(2)->text()).fileName(), u"a.tsf"_s);
    EXPECT_TRUE(QFileInfo(list.item(1)->text()).isAbsolute());
    EXPECT_FALSE(startFolder.endsWith(u'/'));
    EXPECT_EQ(QDir(startFolder).canonicalPath(), QDir(dir.path()).canonicalPath());
}

TEST_F(FileDialogTest, AnsweredDialogListsRepeatsAndFollowsARootFolder) {
    QListWidget list;
    QString startFolder = u"/start/"_s;
    SetNextFileNames({u"/data/c.tsf"_s});
    AddFilesFromOpenDialog(nullptr, &list, startFolder, kFilters, 1);
    SetNextFileNames({u"/data/c.tsf"_s, u"/root.tsf"_s});
    AddFilesFromOpenDialog(nullptr, &list, startFolder, kFilters, 1);
    EXPECT_EQ(list.count(), 3) << "the same file may be listed twice";
    EXPECT_EQ(startFolder, u"/data"_s);
    SetNextFileNames({u"/root.tsf"_s});
    AddFilesFromOpenDialog(nullptr, &list, startFolder, kFilters, 1);
    EXPECT_EQ(startFolder, u"/"_s);
}

TEST_F(FileDialogTest, ListScrollsSidewaysToItsWidestEntry) {
    QListWidget list;
    list.resize(200, 150);
    list.show();
    SetNextFileNames({u"/data/short.tsf"_s});
    QString unused;
    AddFilesFromOpenDialog(nullptr, &list, unused, kFilters, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.horizontalScrollBar()->maximum() == 0; }, 500));

    const QString longPath = u"/data/"_s + QString(120, u'x') + u".tsf"_s;
    SetNextFileNames({longPath});
    QString folder;
    AddFilesFromOpenDialog(nullptr, &list, folder, kFilters, 1);
    const int textWidth = list.fontMetrics().horizontalAdvance(longPath);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return list.horizontalScrollBar()->maximum() + list.viewport()->width() >= textWidth;
        },
        2000))
        << "scroll range " << list.horizontalScrollBar()->maximum() << ", text " << textWidth;
    list.hide();
}

TEST_F(FileDialogTest, RealFolderBrowserPreselectsTheInitialFolderAndReturnsTheChoice) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"out"_s));
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"other"_s));
    const QString initial = Path(u"out"_s) + u"/"_s;
    const QString root = QDir(dir.path()).canonicalPath();

    WhenDialogOpens([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"Select an Output Directory:"_s);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_FALSE(dialog->testOption(QFileDialog::ReadOnly));
        auto* newFolder = dialog->findChild<QToolButton*>(u"newFolderButton"_s);
        EXPECT_TRUE(newFolder != nullptr && newFolder->isVisibleTo(dialog));
        EXPECT_EQ(QDir(dialog->selectedFiles().value(0)).canonicalPath(), root + u"/out"_s);
        ClickButton(dialog, QDialogButtonBox::AcceptRole);  // at once: the preselected folder
    });
    EXPECT_EQ(QDir(BrowseForFolder(initial, u"Select an Output Directory:"_s, true, nullptr))
                  .canonicalPath(),
              root + u"/out"_s);

    WhenDialogOpens([&](QFileDialog* dialog) {
        // Choose once the folder has been read, as a user would.
        auto* view = dialog->findChild<QListView*>(u"listView"_s);
        EXPECT_TRUE(QTest::qWaitFor(
            [view] { return view != nullptr && view->model()->rowCount(view->rootIndex()) == 2; },
            2000));
        if (view == nullptr) {
            dialog->reject();
            return;
        }
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
            if (index.data().toString() == u"other"_s) {
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                                  view->visualRect(index).center());
            }
        }
        ClickButton(dialog, QDialogButtonBox::AcceptRole);
    });
    const QString chosen = BrowseForFolder(initial, u"Pick"_s, true, nullptr);
    EXPECT_EQ(QDir(chosen).canonicalPath(), root + u"/other"_s);
    EXPECT_FALSE(chosen.endsWith(u'/'));

    WhenDialogOpens([](QFileDialog* dialog) {
        EXPECT_TRUE(dialog->testOption(QFileDialog::ReadOnly)) << "no new-folder button";
        dialog->reject();
    });
    EXPECT_EQ(BrowseForFolder(initial, u"Pick"_s, false, nullptr), initial);
}

}  // namespace
}  // namespace corvane
