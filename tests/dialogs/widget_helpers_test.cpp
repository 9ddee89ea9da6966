#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <vector>

#include "dialogs/check_path_length.h"
#include "dialogs/field_marks.h"
#include "dialogs/file_dialog.h"
#include "dialogs/list_operations.h"
#include "dialogs/list_widget_list.h"
#include "dialogs/message_box.h"
#include "dialogs/path_helpers.h"
#include "dialogs/pause.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

// Entries "0" to "4" on a real list widget, "*" after each selected one.
TEST(ListOperations, MoveAndRemoveTheSelection) {
    const struct {
        void (*operation)(SelectableList&);
        const char* before;
        const char* after;
    } cases[] = {
        {MoveSelectionUp, "01*2*34", "1*2*034"},    // a block moves above its neighbour
        {MoveSelectionUp, "0*123*4", "0*123*4"},    // the first entry stops all
        {MoveSelectionDown, "01*23*4", "021*43*"},  // each entry moves
        {MoveSelectionDown, "01*234*", "01*234*"},  // the last entry stops all
        {MoveSelectionUp, "01*2*3*", "1*2*3*0"},    // adjacent entries at the bottom edge
        {MoveSelectionDown, "0*1*2*3", "30*1*2*"},  // and at the top edge
        {RemoveSelection, "0*12*34*", "13"},        // removal from the bottom
        {RemoveSelection, "0*1*23*4*", "2"},        // adjacent entries, the first among them
        {RemoveSelection, "01234", "01234"},
    };
    for (const auto& c : cases) {
        QListWidget widget;
        widget.setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (const char* p = c.before; *p != 0; ++p) {
            *p == '*' ? widget.item(widget.count() - 1)->setSelected(true)
                      : widget.addItem(QString::fromLatin1(p, 1));
        }
        ListWidgetList list(&widget);
        c.operation(list);
        std::string after;
        for (int i = 0; i < widget.count(); ++i) {
            after +=
                widget.item(i)->text().toStdString() + (widget.item(i)->isSelected() ? "*" : "");
        }
        EXPECT_EQ(after, c.after) << c.before;
    }
}

TEST(FieldMarks, OnlyFilledYellowFieldsTurnWhite) {
    QLineEdit edit;
    QListWidget list;  // a list's text is its current entry
    list.addItem(u"/data/a.tsf"_s);
    for (QWidget* control : std::vector<QWidget*>{&edit, &list}) {
        MarkFieldInvalid(control);
        ClearMarkIfFilled(control);
        EXPECT_EQ(FieldMark(control), kMarkInvalid) << "empty: the mark stays";
    }
    edit.setText(u"0.5"_s);
    list.setCurrentRow(0);
    for (QWidget* control : std::vector<QWidget*>{&edit, &list}) {
        ClearMarkIfFilled(control);
        EXPECT_EQ(FieldMark(control), kMarkValid);
    }
    QPalette palette = edit.palette();  // a field of another colour is left alone
    palette.setColor(QPalette::Base, Qt::red);
    edit.setPalette(palette);
    ClearMarkIfFilled(&edit);
    EXPECT_EQ(FieldMark(&edit), 0x0000FF);
}

TEST(PathHelpers, LongPathsAreReplacedByTheirShortFormOrReportedAndMarked) {
    std::vector<MessageRequest> requests;
    SetMessageHandler([&](const MessageRequest& request) {
        requests.push_back(request);
        return MessageAnswer::Ok;
    });
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a.tsf"_s);
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
    // The same file reached through a detour of "./" and doubled separators.
    auto padded = [&](int length) {
        QString path = dir.path();
        while (path.size() + 8 < length) {
            path += u"/."_s;
        }
        path += u"/a.tsf"_s;
        while (path.size() < length) {
            path.insert(dir.path().size(), u'/');
        }
        return path;
    };
    QListWidget list;
    MarkFieldInvalid(&list);
    const QString atLimit = padded(kMaxEnginePathLength);
    ASSERT_EQ(atLimit.size(), kMaxEnginePathLength);
    EXPECT_EQ(CheckPathLength(atLimit, &list), atLimit);
    EXPECT_EQ(FieldMark(&list), kMarkValid);
    const QString over = padded(kMaxEnginePathLength + 1);
    ASSERT_EQ(over.size(), kMaxEnginePathLength + 1);
    EXPECT_EQ(CheckPathLength(over, &list), QFileInfo(file).canonicalFilePath());
    EXPECT_TRUE(requests.empty());

    // A missing path is kept, never replaced by an empty text; so is a short form too long.
    const QString missing = dir.path() + u'/' + QString(200, u'x');
    EXPECT_EQ(CheckPathLength(missing, &list), missing);
    EXPECT_EQ(FieldMark(&list), kMarkInvalid);
    const QString deep = dir.path() + u'/' + QString(140, u'd');
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(QFile(deep + u"/b.tsf"_s).open(QIODevice::WriteOnly));
    EXPECT_FALSE(FitPathLength(deep + u"/b.tsf"_s).fits);
    SetMessageHandler({});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text,
              u"The selected path/filename may not exceed 132 characters in length."_s);
}

TEST(MessageBox, ListsAtMostTenLinesAndCountsTheRest) {
    QStringList lines;
    for (int i = 1; i <= 10; ++i) {
        lines << QString::number(i);
    }
    EXPECT_EQ(ListedLines(lines, 10), lines.join(u'\n'));
    EXPECT_EQ(ListedLines(lines + lines, 20), lines.join(u'\n') + u"\nand 10 more"_s);
}

// The next dialog opens where the first chosen file lies, in the root folder too.
TEST(FileDialog, TheFirstChosenFilesFolderIsWhereTheNextDialogOpens) {
    QListWidget list;
    QString folder = u"/start"_s;
    for (const auto& [file, opens] :
         {std::pair{u"/data/a.tsf"_s, u"/data"_s}, {u"/b.tsf"_s, u"/"_s}}) {
        SetNextFileNames({file});
        AddFilesFromOpenDialog(nullptr, &list, folder, {}, 0);
        EXPECT_EQ(folder, opens);
    }
    EXPECT_EQ(list.count(), 2);
}

// The run's animation and the splash rely on the wait keeping events flowing.
TEST(PauseMilliseconds, ZeroReturnsAtOnceAndAWaitKeepsEventsFlowing) {
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    PauseMilliseconds(0);
    EXPECT_FALSE(fired) << "a zero wait processes no event";
    QElapsedTimer clock;
    clock.start();
    PauseMilliseconds(300);
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_TRUE(fired);
}

}  // namespace
}  // namespace corvane
