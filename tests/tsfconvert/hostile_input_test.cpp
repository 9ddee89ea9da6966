// tsfconvert on inputs that no station writes: impossible values, units and line ends it does
// not expect, and outputs named through links or with names at the length limit.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "tsfconvert/convert.h"
#include "tsfconvert/converter_fixture.h"
#include "tsfconvert/value_ranges.h"

namespace corvane::tsfconvert {
namespace {

namespace fs = std::filesystem;

class HostileInputTest : public ConverterTest {
protected:
    // The values of each data line of a written TSF file `variables` wide, stamps left out.
    std::vector<std::string> Values(const std::string& name, std::size_t variables) const {
        std::istringstream lines(Read(name));
        std::vector<std::string> values;
        std::size_t header = 0;  // lines of the header still to come after "- variables"
        bool inData = false;
        for (std::string line; std::getline(lines, line);) {
            if (inData && header == 0) {
                values.push_back(line.substr(std::min(line.size(), std::size_t{2 * 18 + 2})));
            } else if (inData) {
                --header;
            } else if (line.find(" - variables") != std::string::npos) {
                inData = true;
                header = variables;
            }
        }
        return values;
    }

    std::size_t Entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }
};

TEST_F(HostileInputTest, ValuesNoStationMeasuresAreWrittenAsMissingAndCounted) {
    // Each line holds values just inside the kept range or just outside it.
    Write("in.csv",
          "time,ws,wd,t,td,q\n"
          "2024-01-01T01:00,0,0,20,20,0\n"                  // all kept: RH 100
          "2024-01-01T02:00,-0.01,-0.5,-150,-150,100\n"     // speed, direction out
          "2024-01-01T03:00,291.6,360,100,-243.05,100.1\n"  // 150.012 m/s, dew point, q out
          "2024-01-01T04:00,1e308,360.5,100.01,10,-900\n"   // inf m/s, direction, temp out
          "2024-01-01T05:00,291.5,400,20,25,5\n"            // 149.96 m/s kept, RH 136 %
          "2024-01-01T06:00,0,0,20,-150.5,0\n");            // dew point out
    const Outcome outcome =
        Run({"--time", "time", "--wspeed", "ws:kt", "--wdir", "wd", "--temp", "t", "--dewpoint",
             "td", "--mixr", "q", "-o", "out.tsf", "in.csv"});
    ASSERT_EQ(outcome.status, kWrittenWithWarnings) << outcome.err;
    // WSPEED WDIR TEMP MIXR RHUM
    EXPECT_EQ(Values("out.tsf", 5), (std::vector<std::string>{
                                        "0 0 20 0 100",
                                        "-999 -999 -150 100 100",
                                        "-999 360 100 -999 -999",
                                        "-999 -999 -999 -999 -999",
                                        "149.9606 -999 20 5 -999",
                                        "0 0 20 0 -999",
                                    }));
    EXPECT_NE(outcome.err.find("tsfconvert: warning: 11 values lie outside what a station can "
                               "measure and are written as missing (-999); the first: in.csv:3: "
                               "WSPEED -0.0051 m/s (kept: 0 to 150 m/s)"),
              std::string::npos)
        << outcome.err;

    // Relative humidity as given: a little over 100 is overshoot and kept, 1016 % is not.
    Write("rh.csv",
          "time,rh\n2024-01-01T01:00,105\n2024-01-01T02:00,105.01\n"
          "2024-01-01T03:00,-0.01\n2024-01-01T04:00,1016\n");
    const Outcome humidity = Run({"--time", "time", "--rhum", "rh", "-o", "rh.tsf", "rh.csv"});
    EXPECT_EQ(humidity.status, kWrittenWithWarnings);
    EXPECT_EQ(Values("rh.tsf", 1), (std::vector<std::string>{"105", "-999", "-999", "-999"}));
    EXPECT_NE(humidity.err.find("3 values lie outside"), std::string::npos) << humidity.err;

    // ISD-Lite: 200 m/s of wind and a dew point above the air's temperature.
    Write("725030-14732-2008",
          "2008 01 01 00   200   250 10246   270  2000     8 -9999 -9999\n"
          "2008 01 01 01   200   200 10250   350    41     8     0 -9999\n");
    const Outcome isd = Run({"--from", "isd-lite", "-o", "isd.tsf", "725030-14732-2008"});
    EXPECT_EQ(isd.status, kWrittenWithWarnings);
    EXPECT_EQ(Values("isd.tsf", 4),
              (std::vector<std::string>{"-999 270 20 -999", "4.1 350 20 100"}));
    EXPECT_NE(isd.err.find("2 values lie outside"), std::string::npos) << isd.err;
}

TEST_F(HostileInputTest, TemperatureBoundsFollowTheColumnsUnit) {
    const ValueRange kelvin = RangeOf({"TEMP", "K"});
    EXPECT_NEAR(kelvin.low, 123.15, 1e-9);
    EXPECT_NEAR(kelvin.high, 373.15, 1e-9);
    const ValueRange fahrenheit = RangeOf({"TEMP", "F"});
    EXPECT_NEAR(fahrenheit.low, -238, 1e-9);
    EXPECT_NEAR(fahrenheit.high, 212, 1e-9);
    EXPECT_FALSE(InRange(kelvin, 20));  // degrees C written as kelvin
}

TEST_F(HostileInputTest, HumidityInKilogramsPerKilogramIsConvertedAndUnknownUnitsNamed) {
    Write("in.csv", "time,q2,Q,rh,wd\n2024-01-01T01:00,0.0123,7.5,55,90\n");
    const Outcome outcome = Run({"--time", "time", "--mixr", "q2:kg/kg", "--shum", "Q:g/kg",
                                 "--rhum", "rh:%", "--wdir", "wd:deg", "-o", "out.tsf", "in.csv"});
    ASSERT_EQ(outcome.status, kWritten) << outcome.err;
    // WDIR MIXR SHUM RHUM
    EXPECT_EQ(Values("out.tsf", 4), std::vector<std::string>{"90 12.3 7.5 55"});

    const auto error = [&](const std::string& option, const std::string& column) {
        return Run({"--time", "time", option, column, "-o", "bad.tsf", "in.csv"}).err;
    };
    EXPECT_NE(error("--mixr", "q2:lb/lb")
                  .find("in.csv:1: the header row has the column \"q2\", but \"lb/lb\" is no "
                        "unit of --mixr; it knows g/kg or kg/kg"),
              std::string::npos);
    EXPECT_NE(Run({"--time", "time:utc", "--wdir", "wd", "-o", "bad.tsf", "in.csv"})
                  .err.find("\"utc\" is no unit of --time, which takes none"),
              std::string::npos);
    // A column that is not there at all is still named as such.
    EXPECT_NE(error("--mixr", "w:kg/kg").find("the header row has no column \"w\""),
              std::string::npos);
    EXPECT_FALSE(fs::exists(folder_ / "bad.tsf"));
}

TEST_F(HostileInputTest, AnOutputLinkIsWrittenThroughAndALongNameFits) {
    Write("in.csv", "time,ws\n2024-01-01T01:00,1\n");
    fs::create_directory(folder_ / "data");
    Write("data/real.tsf", "the previous output\n");
    fs::create_symlink("data/real.tsf", folder_ / "link.tsf");
    const std::vector<std::string> options = {"--time", "time", "--wspeed", "ws", "-o"};
    std::vector<std::string> arguments = options;
    arguments.insert(arguments.end(), {"link.tsf", "in.csv"});
    ASSERT_EQ(Run(arguments).status, kWritten);
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.tsf"));
    EXPECT_EQ(fs::read_symlink(folder_ / "link.tsf"), "data/real.tsf");
    EXPECT_EQ(Read("data/real.tsf").rfind("TIMESERIES.TSF 1.3\n", 0), 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_ / "data"), fs::directory_iterator()), 1);

    // 255 bytes is the longest name a folder holds; the temporary name must fit as well.
    const std::string longest = std::string(251, 'n') + ".tsf";
    arguments = options;
    arguments.insert(arguments.end(), {longest, "in.csv"});
    const Outcome outcome = Run(arguments);
    EXPECT_EQ(outcome.status, kWritten) << outcome.err;
    EXPECT_TRUE(fs::exists(folder_ / longest));
    EXPECT_EQ(Entries(), 4u);  // in.csv, data, link.tsf and the new file: nothing left over
}

TEST_F(HostileInputTest, CrOnlyLineEndsAreNamed) {
    const std::string message =
        "tsfconvert: in.csv:1: the file ends its lines with a carriage return alone (CR, as old "
        "Mac programs write); convert them to LF first";
    // Short, and longer than any line may be, which it is as a single line.
    for (const std::size_t records : {std::size_t{2}, std::size_t{5000}}) {
        SCOPED_TRACE(records);
        std::string csv = "time,ws\r";
        for (std::size_t i = 0; i < records; ++i) {
            csv += "2024-01-01T01:00,1\r";
        }
        Write("in.csv", csv);
        const Outcome outcome =
            Run({"--time", "time", "--wspeed", "ws", "-o", "out.tsf", "in.csv"});
        EXPECT_EQ(outcome.status, kNothingWritten);
        EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(folder_ / "out.tsf"));
    }
    // CRLF stays as it was.
    Write("in.csv", "time,ws\r\n2024-01-01T01:00,1\r\n");
    EXPECT_EQ(Run({"--time", "time", "--wspeed", "ws", "-o", "out.tsf", "in.csv"}).status,
              kWritten);
}

}  // namespace
}  // namespace corvane::tsfconvert
