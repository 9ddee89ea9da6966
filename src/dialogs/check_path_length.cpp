#include "dialogs/check_path_length.h"

#include "dialogs/field_marks.h"
#include "dialogs/message_box.h"
#include "dialogs/path_helpers.h"

namespace corvane {

QString CheckPathLength(const QString& path, QWidget* control) {
    const FittedPath fitted = FitPathLength(path);
    if (!fitted.fits) {
        MarkFieldInvalid(control);
        ShowErrorMessage(control,
                         QStringLiteral("The selected path/filename may not exceed 132 characters in length."));
        return fitted.text;
    }
    MarkFieldValid(control);
    return fitted.text;
}

}  // namespace corvane
