#include "run/station_file_writer.h"

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
    // write leaves an existing file as it was.
    for (const QStringList* files : {&setup.PredictedFiles, &setup.ObservedFiles}) {
        if (files->size() < count) {
            throw RunError(
                QStringLiteral("Cannot write \"%1\": index out of range, the %2 "
                               "file list holds %3 entries for %4 stations")
                    .arg(path, files == &setup.PredictedFiles ? QStringLiteral("predicted")
                                                              : QStringLiteral("observed"))
                    .arg(files->size())
                    .arg(count),
                RunError::kIndexOutOfRange);
        }
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
