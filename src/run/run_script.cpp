#include "run/run_script.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "run/crlf_file.h"
#include "run/run_error.h"

namespace corvane {
namespace {

QByteArray Line(const QString& text) {
    return text.toUtf8() + "\r\n";
}

int SystemErrorNumber() {
    return errno != 0 ? errno : EIO;
}

}  // namespace

// The interpreter groups words by double quotes only: a quote inside a value would end the
// word there and hand the rest to the engine as arguments of their own.
void CheckScriptValue(const QString& what, const QString& value, const QString& scriptName) {
    if (value.contains(u'\n') || value.contains(u'\r')) {
        throw RunError(QStringLiteral("The %1 %2 holds a line break, which the script %3 "
                                      "cannot carry")
                           .arg(what, ScriptQuoted(value), scriptName),
                       RunError::kInvalidValue);
    }
    if (value.contains(u'"')) {
        throw RunError(QStringLiteral("The %1 %2 holds a double quote, which the script %3 "
                                      "cannot carry")
                           .arg(what, value, scriptName),
                       RunError::kInvalidValue);
    }
}

QString EngineFileName() {
#ifdef Q_OS_WIN
    return QStringLiteral("wxcheck.exe");
#else
    return QStringLiteral("wxcheck");
#endif
}

QString StationFileName(const QString& baseFilename) {
    return baseFilename + QStringLiteral("_WXCHECK.TSF.STN");
}

QString ListFileName(const QString& baseFilename) {
    return baseFilename + QStringLiteral("_wxcheck.lst");
}

QString ReportFileName(const QString& baseFilename) {
    return baseFilename + QStringLiteral("_report.html");
}

QStringList FilesARunReplaces(const QString& baseFilename) {
    QStringList names{StationFileName(baseFilename), QString::fromUtf16(kControlFileName),
                      QString::fromUtf16(kRunScriptName), QString::fromUtf16(kMarkerName),
                      ListFileName(baseFilename)};
    // The engine names its statistics files by line 5 of the control file, ROOT_.
    for (const char* kind : {"HourlyWindStats.dat", "HourlyTeHuStats.dat", "DailyWindStats.dat",
                             "DailyTeHuStats.dat", "report.html", "StationStats.csv"}) {
        names << baseFilename + u'_' + QLatin1StringView(kind);
    }
    names << QString::fromUtf16(kOpenFileScriptName);
    return names;
}

QString DriveOfPath(const QString& path) {
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    const qsizetype colon = trimmed.indexOf(u':');
    return (colon < 0 ? trimmed : trimmed.left(colon)) + u':';
}

QString ScriptQuoted(const QString& text) {
    return u'"' + text + u'"';
}

QByteArray EngineLines(const QString& outputDirectory, const QString& programFolder,
                       const QString& arguments) {
    // The folder as the platform reports it has no trailing separator except at the root,
    // so an engine at the root reads "//wxcheck", as on Windows "C:\\wxcheck.exe".
    QString folder = programFolder;
    while (folder.size() > 1 && folder.endsWith(u'/')) {
        folder.chop(1);
    }
    QByteArray bytes;
    bytes += Line(DriveOfPath(outputDirectory));
    bytes += Line(QStringLiteral("cd ") + ScriptQuoted(outputDirectory));
    bytes += Line(ScriptQuoted(folder + u'/' + EngineFileName()) + arguments);
    return bytes;
}

QByteArray RunScriptBytes(const QString& outputDirectory, const QString& programFolder,
                          const QString& baseFilename) {
    const QString script = QString::fromUtf16(kRunScriptName);
    CheckScriptValue(QStringLiteral("output folder"), outputDirectory, script);
    CheckScriptValue(QStringLiteral("program folder"), programFolder, script);
    // The root name also stands inside the quoted path of open_file.bat.
    CheckScriptValue(QStringLiteral("output root name"), baseFilename, script);

    QByteArray bytes =
        EngineLines(outputDirectory, programFolder, u' ' + QString::fromUtf16(kControlFileName));
    bytes += Line(QStringLiteral("copy ") + ListFileName(baseFilename) + u' ' +
                  QString::fromUtf16(kMarkerName));
    bytes += Line(QStringLiteral("pause"));
    return bytes;
}

QByteArray OpenFileScriptBytes(const QString& folder, const QString& listFileName) {
    CheckScriptValue(QStringLiteral("list file"), folder + listFileName,
                     QString::fromUtf16(kOpenFileScriptName));
    return Line(QStringLiteral("notepad ") + ScriptQuoted(folder + listFileName));
}

void WriteScriptFile(const QString& path, const QByteArray& bytes) {
    CrlfFile file(path);
    file.Write(bytes);
    file.Close();
}

void DeleteFileIfExists(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return;
    }
    QFile file(path);
    errno = 0;
    if (!file.remove()) {
        const int number = SystemErrorNumber();
        throw RunError(QStringLiteral("Cannot delete %1: %2").arg(path, file.errorString()),
                       number);
    }
}

}  // namespace corvane
