#include "run/run_error_handler.h"

namespace corvane {

QString RunErrorText(const QString& description, int number) {
    return QStringLiteral("The following error has occurred: \"%1.\"  (Error Number = %2)")
        .arg(description)
        .arg(number);
}

MessageAnswer RunErrorHandler(QWidget* parent, const QString& description, int number) {
    const MessageAnswer answer = ShowMessage(parent, RunErrorText(description, number),
                                             QStringLiteral("ERROR:"), MessageKind::RetryCancel);
    return answer == MessageAnswer::Retry ? MessageAnswer::Retry : MessageAnswer::Cancel;
}

}  // namespace corvane
