#include "run/station_file_writer.h"

#include <algorithm>

#include "run/crlf_file.h"
#include "run/run_error.h"
#include "run/run_script.h"
#include "shell/run_setup.h"

namespace corvane {
namespace {

QString Quoted(const QString& value) {
    return u'\'' + value + u'\'';
}

}  // namespace

QString StationFilePath(const RunSetup& setup) {
    return setup.OutputDirectory + StationFileName(setup.BaseFilename);
}

void WriteStationFile(RunSetup& setup) {
    setup.WriteSucceeded = false;
    const QString path = StationFilePath(setup);
    const qsizetype count = std::max<qsizetype>(setup.PredictedCount, 0);

    // Everything that can be refused is checked before the file is touched, so a refused
    // write leaves an existing file as it was. Lists of unequal length get here only with
    // the dataset screen's checks switched off; an observed count of 0 leaves the list of an
    // earlier NEXT behind, so the count decides, never the list's length alone.
    const qsizetype predicted = std::min<qsizetype>(setup.PredictedFiles.size(), count);
    const qsizetype observed = std::min<qsizetype>(setup.ObservedFiles.size(),
                                                   std::max<qsizetype>(setup.ObservedCount, 0));
    if (predicted < count || observed < count) {
        throw RunError(QStringLiteral("Cannot write \"%1\": index out of range: both sets of time "
                                      "series files must contain the same number of files, but "
                                      "set 1 (predicted) holds %2 and set 2 (observed) holds %3")
                           .arg(path)
                           .arg(predicted)
                           .arg(observed),
                       RunError::kIndexOutOfRange);
    }
    for (qsizetype i = 0; i < count; ++i) {
        RejectLineBreak(setup.PredictedFiles[i], QStringLiteral("predicted file %1").arg(i + 1),
                        path);
        RejectLineBreak(setup.ObservedFiles[i], QStringLiteral("observed file %1").arg(i + 1),
                        path);
    }

    CrlfFile file(path);
    file.WriteLine(QStringLiteral(
        "WXCHECK.TSF.STN 1.0             Free-form text string for filenames in quotes"));
    file.WriteLine(QStringLiteral("1"));
    file.WriteLine(
        QStringLiteral("Modeled and Observed timeseries data filenames for each station"));
    for (qsizetype i = 0; i < count; ++i) {
        file.WriteLine(Quoted(setup.PredictedFiles[i]) + u',' + Quoted(setup.ObservedFiles[i]));
    }
    file.Close();
    setup.WriteSucceeded = true;
}

}  // namespace corvane
