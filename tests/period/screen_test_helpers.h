#pragma once

// What the screen tests share: a navigator that records the screen changes, a recorder of
// message boxes, and a check of a control against its layout-table row.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <algorithm>
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

using namespace Qt::StringLiterals;

class RecordingNavigator final : public Navigator {
public:
    void ShowScreen(ScreenId target) override { shown.push_back(target); }
    /// Closes every window as the wizard does, without quitting the tests' application.
    void EndProgram() override {
        ++ended;
        QApplication::closeAllWindows();
    }
    std::vector<ScreenId> shown;
    int ended = 0;
};

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
    std::vector<QString> texts;
    std::vector<QString> titles;
};

template <typename T = QWidget>
T* Find(const QWidget* root, const char* name) {
    T* control = root->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// A layout-table row: position and size in twips; no container: the window; the caption's
// beginning, or none.
struct LayoutRow {
    const char* name;
    const char* container;
    int left, top, width, height;
    const char* caption;
};

inline void ExpectLaidOut(const QWidget* screen, const LayoutRow& row) {
    SCOPED_TRACE(row.name);
    const QWidget* control = Find(screen, row.name);
    ASSERT_NE(control, nullptr);
    const QRect laidOut(Twips(row.left), Twips(row.top), Twips(row.width), Twips(row.height));
    if (qobject_cast<const QCheckBox*>(control) != nullptr) {
        // A check box may grow from its place; no less than its whole caption needs.
        EXPECT_EQ(control->pos(), laidOut.topLeft());
        EXPECT_EQ(control->size(),
                  control->size().expandedTo(laidOut.size()).expandedTo(control->sizeHint()));
    } else if (const auto* label = qobject_cast<const QLabel*>(control);
               label != nullptr && (label->alignment() & Qt::AlignRight)) {
        // A right-aligned mark may grow to the left; no less than its text needs.
        EXPECT_EQ(control->geometry().topRight(), laidOut.topRight());
        EXPECT_EQ(control->height(), laidOut.height());
        EXPECT_EQ(control->width(), std::max(laidOut.width(), control->sizeHint().width()));
    } else {
        EXPECT_EQ(control->geometry(), laidOut);
    }
    const QWidget* container = control->parentWidget();
    EXPECT_EQ(container == screen ? u"(window)"_s : container->objectName(),
              QString::fromLatin1(row.container ? row.container : "(window)"));
    if (row.caption != nullptr) {
        // A picker's caption is its display format, a frame's its title, any other its text.
        QVariant caption;
        for (const char* property : {"displayFormat", "title", "text"}) {
            caption = caption.isValid() ? caption : control->property(property);
        }
        EXPECT_TRUE(caption.toString().startsWith(QString::fromUtf8(row.caption)))
            << caption.toString().toStdString();
    }
}

}  // namespace corvane::testing
