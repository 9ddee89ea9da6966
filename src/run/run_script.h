#pragma once

// The two scripts of a run and the files around them: run_wxcheck.bat, which runs the
// engine in the output folder and copies its list file to the completion marker, and
// open_file.bat, which opens the list file in the viewer. QtCore only.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvane {

inline constexpr char16_t kRunScriptName[] = u"run_wxcheck.bat";
inline constexpr char16_t kOpenFileScriptName[] = u"open_file.bat";
inline constexpr char16_t kMarkerName[] = u"finished.txt";
inline constexpr char16_t kControlFileName[] = u"wxcheck.inp";

/// The engine's file name in the program folder ("wxcheck.exe" on Windows).
QString EngineFileName();

/// The station file: the root name followed by "_WXCHECK.TSF.STN".
QString StationFileName(const QString& baseFilename);

/// The list file the engine writes: the root name followed by "_wxcheck.lst".
QString ListFileName(const QString& baseFilename);

/// The engine's evaluation report: the root name followed by "_report.html".
QString ReportFileName(const QString& baseFilename);

/// Every file in the output folder that a run with this root name writes or replaces: the
/// station file, wxcheck.inp, run_wxcheck.bat, finished.txt, the engine's outputs (list
/// file, the four statistics files, the report, the station statistics), open_file.bat.
QStringList FilesARunReplaces(const QString& baseFilename);

/// The trimmed path up to its first ":" followed by ":"; the whole trimmed path followed
/// by ":" when it holds none; empty for an empty path.
QString DriveOfPath(const QString& path);

/// Throws RunError naming `what`, `value` and the script `scriptName` when the value holds
/// a line break or a double quote: a script line between double quotes cannot carry them.
void CheckScriptValue(const QString& what, const QString& value, const QString& scriptName);

/// `text` between double quotes, as a script line carries a path.
QString ScriptQuoted(const QString& text);

/// The lines that start the engine, each ended by CRLF: the drive of the output folder, cd
/// to it, and the engine in `programFolder` followed by `arguments` (which begin with a
/// space). The values are expected checked by CheckScriptValue.
QByteArray EngineLines(const QString& outputDirectory, const QString& programFolder,
                       const QString& arguments);

/// The five lines of run_wxcheck.bat, each ended by CRLF: the drive of the output folder,
/// cd to it, the engine in `programFolder` with the argument wxcheck.inp, the copy of the
/// list file to finished.txt, pause. Throws RunError when a value holds a line break or a
/// quoted path holds a double quote: such a script would run something else.
QByteArray RunScriptBytes(const QString& outputDirectory, const QString& programFolder,
                          const QString& baseFilename);

/// The one line of open_file.bat, ended by CRLF: notepad and the list file's path in
/// double quotes. Throws RunError as RunScriptBytes does.
QByteArray OpenFileScriptBytes(const QString& folder, const QString& listFileName);

/// Writes `bytes` beside `path` and renames them over it once complete. Throws RunError
/// naming the path and the system's reason; a failure leaves an existing file as it was.
void WriteScriptFile(const QString& path, const QByteArray& bytes);

/// Deletes `path` when it exists. Throws RunError naming the path and the reason when it
/// exists and cannot be deleted.
void DeleteFileIfExists(const QString& path);

}  // namespace corvane
