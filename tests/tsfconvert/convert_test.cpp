// tsfconvert on files: what it writes passes the wizard's header check and reads back in the
// engine with the same values; bad input is named and leaves nothing written.

#include "tsfconvert/convert.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "period/calendar.h"
#include "support/files.h"
#include "support/tmpfs_mount.h"
#include "tsf/plain_file.h"
#include "tsf/tsf_header.h"
#include "tsf/tsf_records.h"
#include "tsf/tsf_writer.h"
#include "tsfconvert/converter_fixture.h"
#include "tsfconvert/options.h"
#include "tsfconvert/time_text.h"

namespace corvane::tsfconvert {
namespace {

namespace fs = std::filesystem;

using ConvertTest = ConverterTest;

double Serial(int year, int month, int day, int hour) {
    return SerialFromFields({year, month, day, hour, 0, 0});
}

Stamp Stamp(int year, int month, int day, int hour) {
    return DayNumberFromDate(year, month, day) * kDay + hour * kHour;
}

void ExpectValues(const Record& record, const std::vector<double>& expected) {
    for (std::size_t slot = 0; slot < expected.size(); ++slot) {
        if (std::isnan(expected[slot])) {
            EXPECT_TRUE(std::isnan(record.value[slot]))
                << "line " << record.line << " slot " << slot;
        } else {
            EXPECT_NEAR(record.value[slot], expected[slot], 1e-9)
                << "line " << record.line << " slot " << slot;
        }
    }
}

TEST_F(ConvertTest, CsvRoundTripsThroughTheHeaderCheckAndTheEngine) {
    // Semicolons, CRLF, a comment, quoted names, units to convert, a missing code, the
    // times marking the beginning of their hours and given out of order; a terminal escape in
    // the file's name, which the header's comment lines show as '?'.
    Write("obs\x1b[2J.csv",
          "# exported by a logger\r\n"
          "\"Time (local)\";\"Wind, kt\";Dir;\"Temp F\";Dew C\r\n"
          "2024-03-31 23:00;10;270;68;10\r\n"
          "2024-03-31 22:00;-900;0;M;10\r\n"
          "\r\n"
          "2024-04-01 00:00;0;360;73.11;21.1111111111\r\n");
    const Outcome outcome =
        Run({"--time",  "time (local)", "--wspeed",      "Wind, kt:kt", "--wdir",    "Dir",
             "--temp",  "Temp F:F",     "--dewpoint",    "Dew C:C",     "--missing", "M",
             "--stamp", "begin",        "--zone",        "utc+0100",    "--site",    "Harbour mole",
             "-o",      "obs.tsf",      "obs\x1b[2J.csv"});
    ASSERT_EQ(outcome.status, kWritten) << outcome.err;
    EXPECT_EQ(outcome.err, "");

    const TsfHeader header = ReadTsfHeaderFile(Path("obs.tsf"));
    ASSERT_TRUE(header.ok()) << header.message;
    EXPECT_EQ(header.zone, "UTC+0100");
    EXPECT_EQ(header.start.serial, Serial(2024, 3, 31, 23));
    EXPECT_EQ(header.end.serial, Serial(2024, 4, 1, 1));
    ASSERT_EQ(header.variables.size(), 4u);
    EXPECT_EQ(header.variables[2].name + " " + header.variables[2].units, "TEMP F");
    EXPECT_EQ(header.variables[3].name + " " + header.variables[3].units, "RHUM %");
    const std::string text = Read("obs.tsf");
    EXPECT_NE(text.find("\nSource: obs?[2J.csv\nCommand: tsfconvert --time 'time (local)' "),
              std::string::npos);
    EXPECT_NE(text.find(" -o obs.tsf 'obs?[2J.csv'\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nSite: Harbour mole\nWritten by tsfconvert "), std::string::npos);

    const std::vector<Record> records = EngineRecords("obs.tsf", HumidityKind::Relative);
    ASSERT_EQ(records.size(), 3u);
    const double nan = std::nan("");
    // Speed in m/s, direction, temperature as the engine keeps it (C), humidity in %.
    EXPECT_EQ(records[0].stamp, Stamp(2024, 3, 31, 23));
    ExpectValues(records[0], {nan, 0, nan, nan});
    EXPECT_EQ(records[1].stamp, Stamp(2024, 4, 1, 0));
    ExpectValues(records[1], {5.1444, 270, 20, 52.5413});
    EXPECT_EQ(records[2].stamp, Stamp(2024, 4, 1, 1));
    ExpectValues(records[2], {0, 360, (73.11 - 32) * 5 / 9, 89.9982});
}

TEST_F(ConvertTest, IsdLiteFilesOfOneStationJoinAcrossTheYear) {
    // Given newest first; calm coded 0, missing coded -9999.
    Write("725030-14732-2008",
          "2008 01 01 00   -11   -33 10246     0     0     8 -9999 -9999\n"
          "2008 01 01 01 -9999   -39 10250   350    41     8     0 -9999\n");
    Write("725030-14732-2007", "2007 12 31 23    -6   -28 10241   270    31     7     3    12\n");
    const Outcome outcome =
        Run({"--from", "isd-lite", "-o", "station.tsf", "725030-14732-2008", "725030-14732-2007"});
    ASSERT_EQ(outcome.status, kWritten) << outcome.err;
    const TsfHeader header = ReadTsfHeaderFile(Path("station.tsf"));
    ASSERT_TRUE(header.ok()) << header.message;
    EXPECT_EQ(header.zone, "UTC+0000");
    EXPECT_EQ(header.start.serial, Serial(2007, 12, 31, 23));
    EXPECT_EQ(header.end.serial, Serial(2008, 1, 1, 1));
    EXPECT_NE(Read("station.tsf").find("\nSite: 725030-14732\n"), std::string::npos);

    const std::vector<Record> records = EngineRecords("station.tsf", HumidityKind::Relative);
    ASSERT_EQ(records.size(), 3u);
    const double nan = std::nan("");
    EXPECT_EQ(records[0].stamp, Stamp(2007, 12, 31, 23));
    ExpectValues(records[0], {3.1, 270, -0.6, 85.0611});
    EXPECT_EQ(records[1].stamp, Stamp(2008, 1, 1, 0));
    ExpectValues(records[1], {0, 0, -1.1, 85.0039});
    EXPECT_EQ(records[2].stamp, Stamp(2008, 1, 1, 1));
    ExpectValues(records[2], {4.1, 350, nan, nan});

    // Files of two stations are not joined unless the site is named.
    Write("722950-23174-2008", Read("725030-14732-2008"));
    EXPECT_EQ(Run({"--from", "isd-lite", "-o", "two.tsf", "725030-14732-2007", "722950-23174-2008"})
                  .status,
              kNothingWritten);
    EXPECT_EQ(Run({"--from", "isd-lite", "--site", "Both", "-o", "two.tsf", "725030-14732-2007",
                   "722950-23174-2008"})
                  .status,
              kWritten);
}

TEST_F(ConvertTest, BadInputIsNamedAndNothingIsWritten) {
    const std::vector<std::string> common = {"--time", "time", "--wspeed", "ws", "-o", "out.tsf"};
    struct Case {
        std::string csv;
        std::vector<std::string> extra;
        std::string message;
    };
    const std::string header = "time,ws\n";
    const std::vector<Case> cases = {
        {"", {}, "in.csv: the file has no header row (it is empty)"},
        {"# only a comment\n", {}, "in.csv: the file has no header row"},
        {header, {}, "the input holds no records"},
        {"time,speed\n2024-01-01T00:00,1\n", {}, "in.csv:1: the header row has no column \"ws\""},
        {header + "2024-01-01T00:00,1\n2024-01-01T01:00,fast\n",
         {},
         "in.csv:3: column \"ws\" (field 2): \"fast\" is not a number"},
        {header + "2024-02-30T00:00,1\n",
         {},
         "in.csv:2: column \"time\" (field 1): \"2024-02-30T00:00\" is no real date"},
        {header + "2024-01-01T00:00\n",
         {},
         "in.csv:2: the line has 1 field, but column \"ws\" is field 2"},
        {header + "2024-01-01T00:20,1\n", {}, "in.csv:2: column \"time\" (field 1): "},
        {header + "2024-01-01T00:00,\"1\n",
         {},
         "in.csv:2: a quoted field begins here and is never"},
        {header + "2024-01-01T00:00,1\n" + std::string(70000, '1') + "\n",
         {},
         "in.csv:3: the line is longer than 64 KiB"},
        {header + "2024-01-01T00:00,1\n2024-01-01T01:00,1" + std::string(1, '\0') + "\n",
         {},
         "in.csv:3: the line holds a NUL byte"},
        {header + "0100-01-01T00:00,1\n",
         {},
         "in.csv:2: the record's hour lies outside the years 100 to 9999"},
        {header + "9999-12-31T23:00,1\n",
         {"--stamp", "begin"},
         "in.csv:2: the record's hour lies outside the years 100 to 9999"},
        {"date,hour,ws\n2024-01-01,25,1\n",
         {"--date", "date", "--hour", "hour"},
         "in.csv:2: column \"hour\" (field 2): \"25\" is no real time of day"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Write("in.csv", c.csv);
        Write("out.tsf", "the previous output\n");
        std::vector<std::string> arguments = common;
        if (!c.extra.empty() && c.extra[0] == "--date") {
            arguments.erase(arguments.begin(), arguments.begin() + 2);
        }
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        arguments.push_back("in.csv");
        const Outcome outcome = Run(arguments);
        EXPECT_EQ(outcome.status, kNothingWritten);
        EXPECT_NE(outcome.err.find("tsfconvert: " + c.message), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(Read("out.tsf"), "the previous output\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
    }
}

TEST_F(ConvertTest, NeverWritesOverAnInputOrThroughADevice) {
    Write("in.csv", "time,ws\n2024-01-01T00:00,1\n");
    fs::create_directory(folder_ / "sub");
    fs::create_hard_link(folder_ / "in.csv", folder_ / "link.csv");
    const std::vector<std::string> options = {"--time", "time", "--wspeed", "ws", "-o"};
    const auto run = [&](const std::string& output, const std::string& input) {
        std::vector<std::string> arguments = options;
        arguments.push_back(output);
        arguments.push_back(input);
        return Run(arguments);
    };
    EXPECT_NE(run("sub/../in.csv", "in.csv").err.find("is the input"), std::string::npos);
    EXPECT_NE(run("link.csv", "in.csv").err.find("is the input"), std::string::npos);
    EXPECT_NE(run("sub", "in.csv").err.find("sub: it is a folder"), std::string::npos);
    EXPECT_NE(run("/dev/null", "in.csv").err.find("not a plain file"), std::string::npos);
    ASSERT_EQ(::mkfifo(Path("pipe.csv").c_str(), 0600), 0);
    EXPECT_NE(run("out.tsf", "pipe.csv").err.find("pipe.csv: it is not a plain file"),
              std::string::npos);
    EXPECT_EQ(Read("in.csv"), "time,ws\n2024-01-01T00:00,1\n");
    EXPECT_FALSE(fs::exists(folder_ / "out.tsf"));
}

TEST_F(ConvertTest, AFullDiskKeepsThePreviousOutput) {
    testing::TmpfsMount disk(64);
    if (!disk.available()) {
        GTEST_SKIP() << disk.error();
    }
    // Three months of hours: about 100 KiB of TSF, more than the disk holds.
    std::string csv = "time,ws\n";
    for (Seconds t = Stamp(2024, 1, 1, 0); t < Stamp(2024, 4, 1, 0); t += kHour) {
        csv += HourText(t) + "," + std::to_string(t % kDay / kHour) + ".123456\n";
    }
    Write("in.csv", csv);
    const std::string output = disk.path() + "/out.tsf";
    std::ofstream(output) << "the previous output\n";
    const Outcome outcome = Run({"--time", "time", "--wspeed", "ws", "-o", output, "in.csv"});
    EXPECT_EQ(outcome.status, kNothingWritten);
    EXPECT_NE(outcome.err.find("cannot write " + output + ": No space left"), std::string::npos)
        << outcome.err;
    std::ifstream in(output);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "the previous output");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk.path()), fs::directory_iterator()), 1);
}

TEST_F(ConvertTest, DuplicateHoursAreWarnedWithTheirLines) {
    Write("a.csv",
          "time,ws\n2024-01-01T01:00,1\n2024-01-01T01:00,2\n2024-01-01T02:00,3\n"
          "2024-01-01T01:00,9\n");
    Write("b.csv", "ws;time\n4;2024-01-01T02:00\n5;2024-01-01T03:00\n");
    const Outcome outcome =
        Run({"--time", "time", "--wspeed", "ws", "-o", "out.tsf", "a.csv", "b.csv"});
    EXPECT_EQ(outcome.status, kWrittenWithWarnings);
    EXPECT_EQ(outcome.err,
              "tsfconvert: warning: 3 records repeat the time of an earlier one and were left "
              "out (the first in the input is kept): a.csv lines 3, 5; b.csv line 2\n");
    EXPECT_NE(Read("out.tsf").find(" 1\n2024 01 01 01 0000 2024 01 01 02 0000 3\n2024 01 01 02 "
                                   "0000 2024 01 01 03 0000 5\n"),
              std::string::npos);
    EXPECT_EQ(outcome.out,
              "out.tsf: 3 hourly records from 2024-01-01 01:00 to 2024-01-01 03:00 UTC+0000; "
              "variables WSPEED [m/s]\n");
    // Ten repeats are all listed, with no "more" after them.
    std::string repeats = "time,ws\n";
    for (int i = 0; i < 11; ++i) {
        repeats += "2024-01-01T01:00,1\n";
    }
    Write("c.csv", repeats);
    EXPECT_TRUE(Run({"--time", "time", "--wspeed", "ws", "-o", "out.tsf", "c.csv"})
                    .err.ends_with("c.csv lines 3, 4, 5, 6, 7, 8, 9, 10, 11, 12\n"));
}

TEST_F(ConvertTest, RefusesOptionsThatCannotWork) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--time", "t", "-o", "x.tsf", "in.csv"}, "no variable is given"},
        {{"--wdir", "d", "-o", "x.tsf", "in.csv"}, "no time column is given"},
        {{"--time", "t", "--temp", "t", "--dewpoint", "d", "--rhum", "r", "-o", "x", "in.csv"},
         "choose one"},
        {{"--time", "t", "--dewpoint", "d", "-o", "x.tsf", "in.csv"}, "--dewpoint needs --temp"},
        {{"--time", "t", "--wdir", "d", "--window", "10", "-o", "x", "in.csv"},
         "--window goes with --hourly nearest"},
        {{"--time", "t", "--wdir", "d", "--hourly", "nearest", "--window", "45", "-o", "x", "i"},
         "from 0 to 30"},
        {{"--from", "isd-lite", "--time", "t", "-o", "x.tsf", "in"}, "--time is for CSV input"},
        {{"--time", "t", "--wdir", "d", "--zone", "UTC+3", "-o", "x", "in.csv"}, "--zone wants"},
        {{"--time", "t", "--wdir", "d", "--delimiter", "x", "-o", "x", "in.csv"},
         "--delimiter wants"},
        {{"--time", "t", "--wdir", "d", "--time-format", "%Y-%m-%d", "-o", "x", "i"},
         "must name the hour"},
        {{"--time", "t", "--wdir", "d", "--site", "two\nlines", "-o", "x", "in.csv"},
         "--site wants a text of one line"},
        {{"--time", "t", "--wdir", "d", "--wdir", "e", "-o", "x", "in.csv"}, "given twice"},
        {{"--time", "t", "--wdir", "d", "in.csv"}, "no output file is given"},
        {{"--time", "t", "--wdir", "d", "--speed", "s", "-o", "x", "in.csv"}, "unknown option"},
    };
    for (const auto& [arguments, message] : cases) {
        const Outcome outcome = Run(arguments);
        EXPECT_EQ(outcome.status, kNothingWritten) << message;
        EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(Run({"--help"}).status, kWritten);
    EXPECT_EQ(ParseCommandLine({"--time", "t", "--wdir", "d", "--hourly", "nearest", "--window",
                                "30", "-o", "x", "in.csv"})
                  .action,
              ParsedCommandLine::Action::Convert);
}

}  // namespace
}  // namespace corvane::tsfconvert
