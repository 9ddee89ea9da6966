#pragma once

// COMPARE... of the output screen without widgets: the control files it is given, the script
// that runs the engine's comparison in the console, and how the comparison ended, as the
// status line says it. QtCore and the engine's control file reader only.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvane {

inline constexpr char16_t kCompareScriptName[] = u"compare_wxcheck.bat";

/// The comparison's outputs, named by the root name as the engine names them.
QString ComparisonListName(const QString& baseFilename);
QString ComparisonReportName(const QString& baseFilename);
QString ComparisonCsvName(const QString& baseFilename);

/// Every file in the output folder that a comparison replaces: its script, its three outputs
/// and open_file.bat, which shows its report.
QStringList FilesAComparisonReplaces(const QString& baseFilename);

/// Why the file at `path` cannot be given to the comparison, naming the file; empty when it
/// is a control file the engine reads. Reads the file as the engine does (a plain file only,
/// bounded lines, nothing past the additional-analysis block).
QString ControlFileProblem(const QString& path);

/// The three lines of compare_wxcheck.bat, each ended by CRLF: the drive of the output
/// folder, cd to it, and the engine in `programFolder` comparing `reference` (first) with
/// `others`, its outputs in the output folder under the root name. No pause: the console
/// stays open after the script, and the script's end is the comparison's end. Throws
/// RunError when a value holds a line break or a double quote, or the root name is empty.
QByteArray CompareScriptBytes(const QString& outputDirectory, const QString& programFolder,
                              const QString& baseFilename, const QString& reference,
                              const QStringList& others);

/// How a comparison ended, from what its script and the engine left behind.
enum class ComparisonEnd {
    Finished,         ///< the engine succeeded and wrote the report
    Warnings,         ///< the engine wrote its list file but ended with a warning status
    NothingCompared,  ///< the engine failed before its list file
    NoReport,         ///< the script succeeded, yet no report was written in this comparison
    Stopped,          ///< the user closed the console
};

/// `listWritten` and `reportWritten`: written since the script was started.
ComparisonEnd ClassifyComparison(bool stoppedByUser, bool scriptSucceeded, bool listWritten,
                                 bool reportWritten);

/// The status line's text for `end`: `runs` counts the compared runs, the reference among
/// them; `shownRoot` is the root name as it fits the label.
QString ComparisonStatusText(ComparisonEnd end, qsizetype runs, const QString& shownRoot);

}  // namespace corvane
