#include "dialogs/message_box.h"

#include <QMessageBox>
#include <algorithm>

namespace corvane {
namespace {

MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}

MessageAnswer ShowRealBox(const MessageRequest& request) {
    QMessageBox box(request.parent);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(request.title);
    box.setText(request.text);
    if (request.kind == MessageKind::RetryCancel) {
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Retry);
        box.setEscapeButton(QMessageBox::Cancel);
    } else if (request.kind == MessageKind::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // A box closed without a button gives the answer that changes nothing.
    switch (box.exec()) {
        case QMessageBox::Retry:
            return MessageAnswer::Retry;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            return request.kind == MessageKind::RetryCancel ? MessageAnswer::Cancel
                   : request.kind == MessageKind::YesNo     ? MessageAnswer::No
                                                            : MessageAnswer::Ok;
    }
}

}  // namespace

MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title,
                          MessageKind kind) {
    const MessageRequest request{text, title, kind, parent};
    if (Handler()) {
        return Handler()(request);
    }
    return ShowRealBox(request);
}

QString ListedLines(const QStringList& lines, qsizetype total) {
    const qsizetype shown = std::min(lines.size(), kListedInMessage);
    QString text = lines.first(shown).join(u'\n');
    if (total > shown) {
        text += QStringLiteral("\nand %1 more").arg(total - shown);
    }
    return text;
}

void SetMessageHandler(MessageHandler handler) {
    Handler() = std::move(handler);
}

}  // namespace corvane
