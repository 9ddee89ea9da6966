#include "period/time_zone_table.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "dialogs/path_helpers.h"

namespace corvane {
namespace {

QString TableProblem(const QString& fileName, const QString& reason) {
    return QStringLiteral("The time-zone table \"%1\" could not be read: %2.")
        .arg(fileName, reason);
}

}  // namespace

TimeZoneTableLoad ParseTimeZoneTable(const QByteArray& content, const QString& fileName) {
    TimeZoneTableLoad load;
    if (content.isEmpty()) {
        load.problems << TableProblem(fileName,
                                      QStringLiteral("the file is empty, it has no heading line"));
        return load;
    }
    QList<QByteArray> lines = content.split('\n');
    // A final line end closes the last line; it does not start an empty one.
    if (content.endsWith('\n')) {
        lines.removeLast();
    }

    int firstBadLine = 0;
    int badLines = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {  // line 0 is the heading
        QByteArray line = lines.at(i);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty()) {
            continue;
        }
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 2) {
            if (badLines++ == 0) {
                firstBadLine = static_cast<int>(i) + 1;
            }
            continue;
        }
        load.table.codes << QString::fromUtf8(fields.at(0)).trimmed();
        load.table.names << QString::fromUtf8(fields.at(1)).trimmed();
    }

    if (badLines > 0) {
        QString problem = QStringLiteral(
                              "Line %1 of the time-zone table \"%2\" has no tab between "
                              "the zone code and its name")
                              .arg(firstBadLine)
                              .arg(fileName);
        if (badLines > 1) {
            problem += QStringLiteral(" (nor have %1 further lines)").arg(badLines - 1);
        }
        problem += QStringLiteral("; such lines are left out of the zone list.");
        load.problems << problem;
    }
    return load;
}

TimeZoneTableLoad ReadTimeZoneTable(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        TimeZoneTableLoad load;
        load.problems << TableProblem(path, QStringLiteral("it is a folder, not a file"));
        return load;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        TimeZoneTableLoad load;
        load.problems << TableProblem(path, file.errorString());
        return load;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        TimeZoneTableLoad load;
        load.problems << TableProblem(path, file.errorString());
        return load;
    }
    return ParseTimeZoneTable(content, path);
}

QString TimeZoneTablePath() {
    return ProgramDataFile(QStringLiteral("TimeZones.txt"));
}

QStringList LoadTimeZoneTable(RunSetup& setup) {
    TimeZoneTableLoad load = ReadTimeZoneTable(TimeZoneTablePath());
    setup.TimeZoneCodes = std::move(load.table.codes);
    setup.TimeZoneNames = std::move(load.table.names);
    return load.problems;
}

QString ZoneNameForDataTimeZone(const RunSetup& setup) {
    if (setup.DataTimeZone == QStringLiteral("UTC+0300")) {
        return QStringLiteral("(UTC+03:00) Saudi Arabia");
    }
    const QString wanted = setup.DataTimeZone.trimmed().toUpper();
    QString name;
    if (wanted.isEmpty()) {
        return name;  // no header has given a zone yet
    }
    const qsizetype count = std::min(setup.TimeZoneCodes.size(), setup.TimeZoneNames.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (setup.TimeZoneCodes.at(i) == wanted) {
            name = setup.TimeZoneNames.at(i);
        }
    }
    return name;
}

}  // namespace corvane
