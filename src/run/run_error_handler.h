#pragma once

// The error handler of the RUN click: one box for every failure of a run, with Retry and
// Cancel.

#include <QString>

#include "dialogs/message_box.h"

class QWidget;

namespace corvane {

/// The box's text: The following error has occurred: "DESCRIPTION."  (Error Number = N)
QString RunErrorText(const QString& description, int number);

/// Shows the modal "ERROR:" box with Retry and Cancel and no icon, and returns the answer.
MessageAnswer RunErrorHandler(QWidget* parent, const QString& description, int number);

}  // namespace corvane
