#pragma once

// The time-zone table: TimeZones.txt (see TimeZoneTablePath) pairs the zone codes of the time
// series headers ("UTC+0300") with the names the period screen shows
// ("(UTC+03:00) Saudi Arabia"). Reading it needs no widgets; the period screen shows the
// problems that loading reports.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "shell/run_setup.h"

namespace corvane {

/// The zones of the table, in file order; codes[i] belongs to names[i].
struct TimeZoneTable {
    QStringList codes;
    QStringList names;
};

/// The outcome of reading the table: the zones that could be read and, one text each, the
/// problems to show the user (empty when the file was read whole).
struct TimeZoneTableLoad {
    TimeZoneTable table;
    QStringList problems;
};

/// Parses the text of a table file. The first line is a heading and is never read. Every
/// further line is code, tab, name; spaces around both are dropped and text after a second
/// tab is ignored. A line without a tab is skipped and reported (the first one by its line
/// number); blank lines are skipped silently. `fileName` only names the file in problems.
TimeZoneTableLoad ParseTimeZoneTable(const QByteArray& content, const QString& fileName);

/// Reads and parses the table file at `path`. A file that cannot be read, or has no heading
/// line, gives no zones and one problem that names the file and the reason.
TimeZoneTableLoad ReadTimeZoneTable(const QString& path);

/// Where the table lies: TimeZones.txt beside the program or in its installed data folder.
QString TimeZoneTablePath();

/// Reads the table from TimeZoneTablePath() into TimeZoneCodes and TimeZoneNames of
/// `setup`, replacing both whole, and returns the problems to show.
QStringList LoadTimeZoneTable(RunSetup& setup);

/// The name the period screen shows for DataTimeZone: the name of the last table entry
/// whose code equals the trimmed, upper-cased zone exactly, or none (an empty text). A zone
/// stored exactly as "UTC+0300" always shows "(UTC+03:00) Saudi Arabia".
QString ZoneNameForDataTimeZone(const RunSetup& setup);

}  // namespace corvane
