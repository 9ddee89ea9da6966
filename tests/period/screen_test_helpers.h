#pragma once

// What the screen tests share: a navigator that records the screen changes, a recorder of
// message boxes, and a check of a control against its layout-table row.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QString>
#include <ostream>
#include <vector>

#include "dialogs/message_box.h"
#include "shell/navigator.h"
#include "shell/wizard_screen.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace corvane::testing {

class RecordingNavigator final : public Navigator {
public:
    void ShowScreen(ScreenId target) override { shown.push_back(target); }
    void EndProgram() override { ++ended; }
    std::vector<ScreenId> shown;
    int ended = 0;
};

/// Records every message box instead of showing it, answering OK.
class RecordedMessages {
public:
    RecordedMessages() {
        SetMessageHandler([this](const MessageRequest& request) {
            texts.push_back(request.text);
            titles.push_back(request.title);
            return MessageAnswer::Ok;
        });
    }
    ~RecordedMessages() { SetMessageHandler({}); }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;
    std::vector<QString> texts;
    std::vector<QString> titles;
};

template <typename T = QWidget>
T* Find(const QWidget* root, const char* name) {
    T* control = root->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

/// One row of a layout table: the control, the control it lies in (nullptr: the window),
/// its position and size in twips and its caption (nullptr: none to check).
struct LayoutRow {
    const char* name;
    const char* container;
    int left, top, width, height;
    const char* caption;
};

inline QString CaptionOf(const QWidget* control) {
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (auto* frame = qobject_cast<const QGroupBox*>(control)) {
        return frame->title();
    }
    if (auto* picker = qobject_cast<const QDateTimeEdit*>(control)) {
        return picker->displayFormat();
    }
    return {};
}

inline void ExpectLaidOut(const QWidget* screen, const LayoutRow& row) {
    SCOPED_TRACE(row.name);
    const QWidget* control = Find(screen, row.name);
    if (control == nullptr) {
        return;
    }
    EXPECT_EQ(control->geometry(),
              QRect(Twips(row.left), Twips(row.top), Twips(row.width), Twips(row.height)));
    const QWidget* container = control->parentWidget();
    if (row.container == nullptr) {
        EXPECT_EQ(container, screen);
    } else {
        ASSERT_NE(container, nullptr);
        EXPECT_EQ(container->objectName(), QString::fromLatin1(row.container));
    }
    if (row.caption != nullptr) {
        EXPECT_EQ(CaptionOf(control), QString::fromUtf8(row.caption));
    }
}

}  // namespace corvane::testing
