#include "datasets/check_tsf_header.h"

#include <QFile>

#include "dialogs/field_marks.h"
#include "dialogs/message_box.h"
#include "shell/run_setup.h"

namespace corvane {

TsfHeader CheckTSFHeader(const QString& path, const QString& kind, QWidget* fileList,
                         RunSetup& setup) {
    const TsfHeader header =
        ReadTsfHeaderFile(QFile::encodeName(path).toStdString(), kind.toStdString());

    if (header.failure == TsfFailure::NotTimeSeriesFile) {
        MarkFieldInvalid(fileList);
        ShowErrorMessage(
            fileList, QStringLiteral("The selected file is not a valid Time Series File (*.TSF)."));
        return header;
    }
    if (header.keywordPassed) {
        ClearMarkIfFilled(fileList);
    }
    if (header.failure == TsfFailure::NotMeteorological) {
        MarkFieldInvalid(fileList);
        ShowErrorMessage(fileList, QStringLiteral("The selected file is not a valid meteorological "
                                                  "Time Series File (*.TSF)."));
        return header;
    }
    // Every other failure is silent: the period screen then offers what was stored before.
    if (!header.ok()) {
        return header;
    }
    if (kind == QLatin1StringView(kMeteorologicalKind.data(), kMeteorologicalKind.size())) {
        ClearMarkIfFilled(fileList);
    }
    setup.DataStart = header.start.serial;
    setup.DataEnd = header.end.serial;
    setup.DataTimeZone = QString::fromStdString(header.zone);
    return header;
}

}  // namespace corvane
