#include "dialogs/check_path_length.h"
#include "dialogs/field_marks.h"
#include "dialogs/list_widget_list.h"
#include "dialogs/message_box.h"
#include "dialogs/pause.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include <vector>

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

// Records every message box instead of showing it.
class RecordedMessages {
public:
    RecordedMessages() {
        SetMessageHandler([this](const MessageRequest& request) {
            requests.push_back(request);
            return MessageAnswer::Ok;
        });
    }
    ~RecordedMessages() { SetMessageHandler({}); }
    std::vector<MessageRequest> requests;
};

TEST(FieldMarks, MarksReadBackAsTheirStoredValuesOnEveryKindOfControl) {
    QLineEdit edit;
    QListWidget list;
    QLabel label;
    for (QWidget* control : std::vector<QWidget*>{&edit, &list, &label}) {
        MarkFieldInvalid(control);
        EXPECT_EQ(FieldMark(control), kMarkInvalid) << control->metaObject()->className();
        MarkFieldValid(control);
        EXPECT_EQ(FieldMark(control), kMarkValid) << control->metaObject()->className();
    }
}

TEST(FieldMarks, ClearMarkIfFilledTurnsOnlyFilledYellowFieldsWhite) {
    QLineEdit edit;
    MarkFieldInvalid(&edit);
    ClearMarkIfFilled(&edit);
    EXPECT_EQ(FieldMark(&edit), kMarkInvalid) << "empty text keeps the mark";
    edit.setText(u"0.5"_s);
    ClearMarkIfFilled(&edit);
    EXPECT_EQ(FieldMark(&edit), kMarkValid);

    // A list's text is its current entry: without one the mark stays.
    QListWidget list;
    list.addItem(u"/data/a.tsf"_s);
    MarkFieldInvalid(&list);
    ClearMarkIfFilled(&list);
    EXPECT_EQ(FieldMark(&list), kMarkInvalid);
    list.setCurrentRow(0);
    ClearMarkIfFilled(&list);
    EXPECT_EQ(FieldMark(&list), kMarkValid);

    // A field of another colour is left alone.
    QLineEdit other;
    other.setText(u"x"_s);
    QPalette palette = other.palette();
    palette.setColor(QPalette::Base, Qt::red);
    other.setPalette(palette);
    ClearMarkIfFilled(&other);
    EXPECT_EQ(FieldMark(&other), 0x0000FF);
}

TEST(CheckPathLength, ShortPathsPassAndMarkTheListWhite) {
    RecordedMessages messages;
    QListWidget list;
    MarkFieldInvalid(&list);
    EXPECT_EQ(CheckPathLength(u"/data/a.tsf"_s, &list), u"/data/a.tsf"_s);
    EXPECT_EQ(FieldMark(&list), kMarkValid);
    EXPECT_TRUE(messages.requests.empty());
}

TEST(CheckPathLength, AnUnfittablePathKeepsItsTextMarksTheListAndSaysWhy) {
    RecordedMessages messages;
    QListWidget list;
    const QString path = u"/no/such/folder/"_s + QString(150, u'x') + u".tsf"_s;
    EXPECT_EQ(CheckPathLength(path, &list), path);
    EXPECT_EQ(FieldMark(&list), kMarkInvalid);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].text,
              u"The selected path/filename may not exceed 132 characters in length."_s);
    EXPECT_EQ(messages.requests[0].title, u"Error"_s);
    EXPECT_EQ(messages.requests[0].kind, MessageKind::Ok);
}

TEST(ListWidgetList, SelectionOperationsWorkOnARealListWidget) {
    QListWidget widget;
    widget.setSelectionMode(QAbstractItemView::ExtendedSelection);
    widget.addItems({u"a"_s, u"b"_s, u"c"_s});
    widget.item(2)->setSelected(true);
    ListWidgetList list(&widget);
    EXPECT_EQ(list.SelCount(), 1);
    MoveSelectionUp(list);
    EXPECT_EQ(widget.item(1)->text(), u"c"_s);
    EXPECT_TRUE(widget.item(1)->isSelected());
    RemoveSelection(list);
    ASSERT_EQ(widget.count(), 2);
    EXPECT_EQ(widget.item(1)->text(), u"b"_s);
}

TEST(PauseMilliseconds, ZeroReturnsAtOnceWithoutProcessingEvents) {
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    PauseMilliseconds(0);
    PauseMilliseconds(-5);
    EXPECT_FALSE(fired);
    PauseMilliseconds(1);  // lets the pending timer run, so nothing leaks into other tests
}

TEST(PauseMilliseconds, WaitsAtLeastItsDurationAndKeepsEventsFlowing) {
    bool fired = false;
    QTimer::singleShot(50, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    PauseMilliseconds(300);
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_TRUE(fired);
}

}  // namespace
}  // namespace corvane
