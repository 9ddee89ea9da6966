#include "period/time_zone_table.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

TimeZoneTableLoad Parse(const char* text) {
    return ParseTimeZoneTable(QByteArray(text), u"t.txt"_s);
}

TEST(TimeZoneTable, ReadsCodeAndNameOfEveryLineAfterTheHeading) {
    // The heading looks like a zone but is never read; spaces around both fields go; a
    // third field is ignored; CRLF and LF both end lines; a final line end adds no line.
    const TimeZoneTableLoad load = Parse(
        "UTC+0100\tHeading that looks like a zone\r\n"
        "  UTC+0300 \t (UTC+03:00) Saudi Arabia  \r\n"
        "UTC-0930\t(UTC-09:30) Marquesas\tcomment\n"
        "UTC+0545\t(UTC+05:45) Nepal\r\n");
    EXPECT_TRUE(load.problems.isEmpty()) << load.problems.join(u'\n').toStdString();
    EXPECT_EQ(load.table.codes, (QStringList{u"UTC+0300"_s, u"UTC-0930"_s, u"UTC+0545"_s}));
    EXPECT_EQ(load.table.names, (QStringList{u"(UTC+03:00) Saudi Arabia"_s,
                                             u"(UTC-09:30) Marquesas"_s, u"(UTC+05:45) Nepal"_s}));

    const TimeZoneTableLoad headingOnly = Parse("Code\tName\n");
    EXPECT_TRUE(headingOnly.problems.isEmpty());
    EXPECT_TRUE(headingOnly.table.codes.isEmpty());
    EXPECT_TRUE(headingOnly.table.names.isEmpty());

    const TimeZoneTableLoad noFinalLineEnd = Parse("Code\tName\nUTC+0000\t(UTC+00:00) UTC");
    EXPECT_EQ(noFinalLineEnd.table.codes, QStringList{u"UTC+0000"_s});
}

TEST(TimeZoneTable, SkipsLinesWithoutTabAndNamesTheFirstOneOnce) {
    const TimeZoneTableLoad load = Parse(
        "Code\tName\n"
        "UTC+0100\t(UTC+01:00) Central Europe\n"
        "UTC+0200 (UTC+02:00) Eastern Europe\n"  // line 3: blanks instead of a tab
        "\n"                                     // blank lines are no zone and no fault
        "UTC+0300\t(UTC+03:00) Saudi Arabia\n"
        "garbage\n");
    EXPECT_EQ(load.table.codes, (QStringList{u"UTC+0100"_s, u"UTC+0300"_s}));
    EXPECT_EQ(load.table.names.size(), 2);
    ASSERT_EQ(load.problems.size(), 1);
    EXPECT_TRUE(load.problems.at(0).startsWith(u"Line 3 of the time-zone table \"t.txt\""_s))
        << load.problems.at(0).toStdString();
    EXPECT_TRUE(load.problems.at(0).contains(u"1 further line"_s))
        << load.problems.at(0).toStdString();
}

TEST(TimeZoneTable, AFileThatCannotBeReadGivesNoZonesAndNamesFileAndReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(u"TimeZones.txt"_s);
    TimeZoneTableLoad load = ReadTimeZoneTable(missing);
    EXPECT_TRUE(load.table.codes.isEmpty());
    ASSERT_EQ(load.problems.size(), 1);
    EXPECT_TRUE(load.problems.at(0).contains(missing));
    EXPECT_TRUE(load.problems.at(0).contains(u"No such file"_s))
        << load.problems.at(0).toStdString();

    QFile empty(missing);
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    load = ReadTimeZoneTable(missing);
    ASSERT_EQ(load.problems.size(), 1);
    EXPECT_TRUE(load.problems.at(0).contains(missing));
    EXPECT_TRUE(load.problems.at(0).contains(u"no heading line"_s));

    const QString folder = dir.filePath(u"folder"_s);
    ASSERT_TRUE(QDir().mkpath(folder));
    load = ReadTimeZoneTable(folder);
    ASSERT_EQ(load.problems.size(), 1);
    EXPECT_TRUE(load.problems.at(0).contains(folder));
}

TEST(TimeZoneTable, ShippedTableCoversEveryOffsetInUseWithMatchingNames) {
    // The build copies the table beside the programs, tests included.
    const TimeZoneTableLoad load =
        ReadTimeZoneTable(QString::fromUtf8(CORVANE_TEST_BIN_DIR) + u"/TimeZones.txt"_s);
    ASSERT_TRUE(load.problems.isEmpty()) << load.problems.join(u'\n').toStdString();
    const QStringList& codes = load.table.codes;
    const QRegularExpression codeForm(u"^UTC([+-])(\\d\\d)(\\d\\d)$"_s);
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const QRegularExpressionMatch match = codeForm.match(codes.at(i));
        ASSERT_TRUE(match.hasMatch()) << codes.at(i).toStdString();
        const QString prefix =
            u"(UTC%1%2:%3) "_s.arg(match.captured(1), match.captured(2), match.captured(3));
        EXPECT_TRUE(load.table.names.at(i).startsWith(prefix))
            << load.table.names.at(i).toStdString();
        EXPECT_GT(load.table.names.at(i).size(), prefix.size());
        EXPECT_EQ(codes.count(codes.at(i)), 1) << "one line per offset";
    }
    for (const char* offset : {"UTC-1200", "UTC-0930", "UTC-0330", "UTC+0000", "UTC+0330",
                               "UTC+0430", "UTC+0530", "UTC+0545", "UTC+0630", "UTC+0845",
                               "UTC+0930", "UTC+1030", "UTC+1245", "UTC+1300", "UTC+1400"}) {
        EXPECT_TRUE(codes.contains(QString::fromLatin1(offset))) << offset;
    }
    EXPECT_EQ(codes.size(), 38);
}

TEST(ZoneName, LastEqualUpperCaseCodeWinsAndTheSaudiRuleComparesExactly) {
    RunSetup setup;
    setup.TimeZoneCodes = QStringList{u"UTC+0100"_s, u"utc+0200"_s, u"UTC+0100"_s, u"UTC+0300"_s};
    setup.TimeZoneNames = QStringList{u"first"_s, u"lower"_s, u"second"_s, u"Arabia"_s};

    setup.DataTimeZone = u" utc+0100 "_s;
    EXPECT_EQ(ZoneNameForDataTimeZone(setup), u"second"_s);
    setup.DataTimeZone = u"UTC+0200"_s;
    EXPECT_EQ(ZoneNameForDataTimeZone(setup), QString()) << "a lower-case table code never matches";
    setup.DataTimeZone = u"UTC-0500"_s;
    EXPECT_EQ(ZoneNameForDataTimeZone(setup), QString());
    setup.DataTimeZone.clear();
    EXPECT_EQ(ZoneNameForDataTimeZone(setup), QString());

    setup.DataTimeZone = u"UTC+0300"_s;
    EXPECT_EQ(ZoneNameForDataTimeZone(setup), u"(UTC+03:00) Saudi Arabia"_s);
    setup.DataTimeZone = u"utc+0300"_s;
    EXPECT_EQ(ZoneNameForDataTimeZone(setup), u"Arabia"_s) << "the fixed name needs the exact text";
}

}  // namespace
}  // namespace corvane
