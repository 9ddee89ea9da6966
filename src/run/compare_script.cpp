#include "run/compare_script.h"

#include <QFile>

#include "run/run_error.h"
#include "run/run_script.h"
#include "wxcheck/control_file.h"

namespace corvane {

QString ComparisonListName(const QString& baseFilename) {
    return baseFilename + QStringLiteral("_comparison.lst");
}

QString ComparisonReportName(const QString& baseFilename) {
    return baseFilename + QStringLiteral("_comparison.html");
}

QString ComparisonCsvName(const QString& baseFilename) {
    return baseFilename + QStringLiteral("_Comparison.csv");
}

QStringList FilesAComparisonReplaces(const QString& baseFilename) {
    return {QString::fromUtf16(kCompareScriptName), ComparisonCsvName(baseFilename),
            ComparisonReportName(baseFilename), ComparisonListName(baseFilename),
            QString::fromUtf16(kOpenFileScriptName)};
}

QString ControlFileProblem(const QString& path) {
    const wxcheck::ControlFileResult result =
        wxcheck::ReadControlFile(QFile::encodeName(path).toStdString());
    if (result.ok) {
        return {};
    }
    // The engine's reason names the file, and its line where one is at fault.
    return QString::fromStdString(result.error);
}

QByteArray CompareScriptBytes(const QString& outputDirectory, const QString& programFolder,
                              const QString& baseFilename, const QString& reference,
                              const QStringList& others) {
    const QString script = QString::fromUtf16(kCompareScriptName);
    CheckScriptValue(QStringLiteral("output folder"), outputDirectory, script);
    CheckScriptValue(QStringLiteral("program folder"), programFolder, script);
    CheckScriptValue(QStringLiteral("output root name"), baseFilename, script);
    if (baseFilename.isEmpty()) {
        throw RunError(QStringLiteral("The comparison names its outputs by the output root "
                                      "name, and this run has none"),
                       RunError::kInvalidValue);
    }
    QString command = QStringLiteral(" --compare");
    for (const QString& control : QStringList{reference} + others) {
        CheckScriptValue(QStringLiteral("control file"), control, script);
        command += u' ' + ScriptQuoted(control);
    }
    command += QStringLiteral(" -o ") + ScriptQuoted(outputDirectory) + QStringLiteral(" --root ") +
               ScriptQuoted(baseFilename);
    return EngineLines(outputDirectory, programFolder, command);
}

ComparisonEnd ClassifyComparison(bool stoppedByUser, bool scriptSucceeded, bool listWritten,
                                 bool reportWritten) {
    if (stoppedByUser) {
        return ComparisonEnd::Stopped;
    }
    if (!scriptSucceeded) {
        // The engine writes its list file last of all, and only when it compared something.
        return listWritten ? ComparisonEnd::Warnings : ComparisonEnd::NothingCompared;
    }
    return reportWritten ? ComparisonEnd::Finished : ComparisonEnd::NoReport;
}

QString ComparisonStatusText(ComparisonEnd end, qsizetype runs, const QString& shownRoot) {
    switch (end) {
        case ComparisonEnd::Finished:
            return QStringLiteral("Finished: %1 runs compared").arg(runs);
        case ComparisonEnd::Warnings:
            return QStringLiteral(
                       "Finished with warnings: stations left out or an output not "
                       "written; see the list file %1")
                .arg(ComparisonListName(shownRoot));
        case ComparisonEnd::NothingCompared:
            return QStringLiteral(
                "Comparison failed: nothing was compared; its console window shows why");
        case ComparisonEnd::NoReport:
            return QStringLiteral(
                       "Comparison failed: the report %1 was not written; its "
                       "console window shows why")
                .arg(ComparisonReportName(shownRoot));
        case ComparisonEnd::Stopped:
            break;
    }
    return QStringLiteral("Comparison stopped: its console window was closed");
}

}  // namespace corvane
