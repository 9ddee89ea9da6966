#include "dialogs/message_box.h"

#include <QMessageBox>

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
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
        case QMessageBox::Retry:
            return MessageAnswer::Retry;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        default:
            return request.kind == MessageKind::RetryCancel ? MessageAnswer::Cancel
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

void SetMessageHandler(MessageHandler handler) {
    Handler() = std::move(handler);
}

}  // namespace corvane
