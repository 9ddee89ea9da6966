#pragma once

// Modal message boxes go through ShowMessage so that tests can answer them.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace corvane {

/// Yes/No boxes have No as their default button: they ask before something is replaced.
enum class MessageKind { Ok = 0, YesNo = 4, RetryCancel = 5 };
enum class MessageAnswer { Ok = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7 };

struct MessageRequest {
    QString text;
    QString title;
    MessageKind kind = MessageKind::Ok;
    QWidget* parent = nullptr;  ///< the box stands centred over it
};

/// Shows a modal box without icon and returns the button the user chose.
MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title,
                          MessageKind kind = MessageKind::Ok);

/// The input-check form used by every screen: title "Error", OK only.
inline void ShowErrorMessage(QWidget* parent, const QString& text) {
    ShowMessage(parent, text, QStringLiteral("Error"), MessageKind::Ok);
}

/// A list in a message: the first kListedInMessage of `lines`, one a line, followed by
/// "and N more" for the rest of the `total` entries the list has.
inline constexpr qsizetype kListedInMessage = 10;
QString ListedLines(const QStringList& lines, qsizetype total);

/// Replaces the real box; an empty handler restores it. Tests use this to record the
/// messages and to choose the answers.
using MessageHandler = std::function<MessageAnswer(const MessageRequest&)>;
void SetMessageHandler(MessageHandler handler);

}  // namespace corvane
