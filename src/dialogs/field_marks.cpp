#include "dialogs/field_marks.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QWidget>

namespace corvane {
namespace {

// Input controls paint their content on Base; labels and other plain widgets on Window.
QPalette::ColorRole BackgroundRole(const QWidget* control) {
    if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QAbstractItemView*>(control) ||
        qobject_cast<const QComboBox*>(control)) {
        return QPalette::Base;
    }
    return QPalette::Window;
}

QColor ColorFromStored(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void SetMark(QWidget* control, int value) {
    if (control == nullptr) {
        return;
    }
    QPalette palette = control->palette();
    palette.setColor(BackgroundRole(control), ColorFromStored(value));
    control->setAutoFillBackground(true);
    control->setPalette(palette);
}

QString ControlText(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* list = qobject_cast<const QListWidget*>(control)) {
        const QListWidgetItem* item = list->currentItem();
        return item != nullptr ? item->text() : QString();
    }
    if (auto* combo = qobject_cast<const QComboBox*>(control)) {
        return combo->currentText();
    }
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    return {};
}

}  // namespace

void MarkFieldInvalid(QWidget* control) { SetMark(control, kMarkInvalid); }

void MarkFieldValid(QWidget* control) { SetMark(control, kMarkValid); }

void ClearMarkIfFilled(QWidget* control) {
    if (control != nullptr && FieldMark(control) == kMarkInvalid && !ControlText(control).isEmpty()) {
        MarkFieldValid(control);
    }
}

int FieldMark(const QWidget* control) {
    if (control == nullptr) {
        return 0;
    }
    const QColor color = control->palette().color(BackgroundRole(control));
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

}  // namespace corvane
