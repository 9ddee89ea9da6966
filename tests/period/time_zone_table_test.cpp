#include "period/time_zone_table.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

TEST(TimeZoneTable, ReadsTheLinesAfterTheHeadingAndReportsWhatItSkips) {
    // The heading looks like a zone but is never read; blanks around both fields go; a third
    // field is ignored; blank lines are no fault; the last line needs no line end.
    const TimeZoneTableLoad load = ParseTimeZoneTable(
        "UTC+0100\tHeading\r\n  UTC+0300 \t (UTC+03:00) Saudi Arabia  \r\n"
        "UTC+0200 (UTC+02:00) Eastern Europe\n\nUTC-0930\t(UTC-09:30) Marquesas\tx\ngarbage\n"
        "UTC+0545\t(UTC+05:45) Nepal",
        u"t.txt"_s);
    EXPECT_EQ(load.table.codes, (QStringList{u"UTC+0300"_s, u"UTC-0930"_s, u"UTC+0545"_s}));
    EXPECT_EQ(load.table.names, (QStringList{u"(UTC+03:00) Saudi Arabia"_s,
                                             u"(UTC-09:30) Marquesas"_s, u"(UTC+05:45) Nepal"_s}));
    ASSERT_EQ(load.problems.size(), 1);
    EXPECT_TRUE(load.problems.at(0).startsWith(u"Line 3 of the time-zone table \"t.txt\""_s));
    EXPECT_TRUE(load.problems.at(0).contains(u"1 further line"_s));
    EXPECT_FALSE(ParseTimeZoneTable("h\nbad\n", u"t.txt"_s).problems.at(0).contains(u"further"_s));

    // A missing or empty file gives no zones and names the file and the reason.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"TimeZones.txt"_s);
    for (const char* problem : {"No such file", "no heading line"}) {
        const TimeZoneTableLoad missing = ReadTimeZoneTable(path);
        EXPECT_TRUE(missing.table.codes.isEmpty());
        ASSERT_EQ(missing.problems.size(), 1);
        EXPECT_TRUE(missing.problems.at(0).contains(path));
        EXPECT_TRUE(missing.problems.at(0).contains(QLatin1StringView(problem)));
        static_cast<void>(QFile(path).open(QIODevice::WriteOnly));  // then empty: no heading
    }
}

// The first series' zone finds its name without letter case or blanks around it; the first
// zone of the table too.
TEST(TimeZoneTable, AHeaderZoneFindsItsNameWithoutLetterCaseOrBlanks) {
    RunSetup setup;
    setup.TimeZoneCodes = {u"UTC-0500"_s, u"UTC+0100"_s};
    setup.TimeZoneNames = {u"(UTC-05:00) Eastern"_s, u"(UTC+01:00) Central Europe"_s};
    const std::pair<QString, QString> cases[] = {{u"utc-0500"_s, u"(UTC-05:00) Eastern"_s},
                                                 {u" UTC+0100 "_s, u"(UTC+01:00) Central Europe"_s},
                                                 {u"UTC+0200"_s, QString()}};
    for (const auto& [zone, name] : cases) {
        setup.DataTimeZone = zone;
        EXPECT_EQ(ZoneNameForDataTimeZone(setup), name) << zone.toStdString();
    }
}

}  // namespace
}  // namespace corvane
