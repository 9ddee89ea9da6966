#include <gtest/gtest.h>

#include <array>
#include <set>

#include "engine_fixture.h"
#include "wxcheck/control_file.h"
#include "wxcheck/station_file.h"

namespace corvane::wxcheck {
namespace {

using namespace corvane::wxcheck::testing;

TEST(WxcheckControlFile, ReadsTheWizardsFileWithOrWithoutRangesAndAByteOrderMark) {
    ControlOptions o;
    o.folder = "/data/it's here/";
    o.title = "A 'quoted' title";
    o.calm = "  1.5  ";
    o.filter = "1";
    const ControlFileResult r = ParseControlFile(ControlText(o), "wxcheck.inp");
    ASSERT_TRUE(r.ok) << r.error;
    const ControlSettings& s = r.settings;
    EXPECT_EQ(s.title, "A 'quoted' title");
    EXPECT_EQ(s.ListPath(), "/data/it's here/run_wxcheck.lst");
    EXPECT_EQ(s.StationPath(), "/data/it's here/run_WXCHECK.TSF.STN");
    EXPECT_EQ(s.ResolveInFolder("/abs/a.tsf"), "/abs/a.tsf");
    EXPECT_EQ(FormatDateTime(s.start) + " to " + FormatDateTime(s.end),
              "2008-01-01 01:00:00 to 2008-01-02 00:00:00");
    EXPECT_DOUBLE_EQ(s.calmThreshold, 1.5);
    EXPECT_EQ(s.missingFilter, 1);
    ASSERT_EQ(s.windows.size(), 4u);
    // 19,00 runs to midnight; 01,06 includes its end.
    for (const int hour : {19, 23, 0}) {
        EXPECT_TRUE(s.windows[3].Contains(hour)) << hour;
    }
    EXPECT_FALSE(s.windows[3].Contains(1));
    EXPECT_TRUE(s.windows[0].Contains(6) && !s.windows[0].Contains(0));
    EXPECT_TRUE(s.ranges.empty());

    // Speed ranges, a byte-order mark and a folder without its slash.
    o.folder = "out";
    o.block = "1 : NTPD\n22,02\n2 : NWSP\n0,2.5\n2.5, 10 : strong\n";
    const ControlFileResult bom = ParseControlFile("\xEF\xBB\xBF" + ControlText(o), "c.inp");
    ASSERT_TRUE(bom.ok) << bom.error;
    EXPECT_EQ(bom.settings.ListPath(), "out/run_wxcheck.lst");
    ASSERT_EQ(bom.settings.ranges.size(), 2u);
    EXPECT_DOUBLE_EQ(bom.settings.ranges[1].low, 2.5);
    EXPECT_DOUBLE_EQ(bom.settings.ranges[1].high, 10);
    EXPECT_TRUE(bom.settings.windows[0].Contains(1));

    // The edges of what is accepted: a period of one instant, 3599 seconds within the hour,
    // hour 23 in a window, 1000 windows.
    o.start = o.end = "20080101013599";
    o.block = "1000 : NTPD\n";
    for (int i = 0; i < 1000; ++i) {
        o.block += "23,23\n";
    }
    o.block += "0 : NWSP\n";
    const ControlFileResult edges = ParseControlFile(ControlText(o), "c.inp");
    ASSERT_TRUE(edges.ok) << edges.error;
    EXPECT_EQ(FormatDateTime(edges.settings.end), "2008-01-01 01:59:59");
    ASSERT_EQ(edges.settings.windows.size(), 1000u);
    EXPECT_TRUE(edges.settings.windows[999].Contains(23) &&
                !edges.settings.windows[999].Contains(22));

    // The longest period taken: 36525 days to the second.
    ControlOptions longest;
    longest.end = "21080102010000";
    const ControlFileResult century = ParseControlFile(ControlText(longest), "c.inp");
    ASSERT_TRUE(century.ok) << century.error;
    EXPECT_EQ(century.settings.end - century.settings.start, 36525 * kSecondsPerDay);
}

TEST(WxcheckControlFile, RefusesWithLineAndReason) {
    ControlOptions base;
    base.folder = "/out/";
    // Each case: the text replaced, its replacement and the start of the expected error.
    const std::vector<std::array<std::string, 3>> cases = {
        {"WXCHECK.INP     1.0", "WXCHECK.INP     2.0", "c.inp:1: not a WXCHECK.INP"},
        {"'20080101010000'", "'2008-01-01'", "c.inp:8: the period start '2008-01-01'"},
        {"'20080102000000'", "'20071231000000'", "c.inp:9: the period ends"},
        {"0.9999\r\n", "calm\r\n", "c.inp:10: the calm wind threshold 'calm'"},
        {"\r\n0\r\n", "\r\n2\r\n", "c.inp:11: the missing filter flag '2'"},
        {"'UTC+0000'", "UTC+0000", "c.inp:7: the time zone must stand"},
        {"19,00 ", "19,24 ", "c.inp:17: the time period '19,24'"},
        {"4                  :", "x  :", "c.inp:13: the number of time periods"},
        {"4                  :", "1001 :", "c.inp:13: the number of time periods (NTPD) '1001'"},
        {"0                  : Number of WS",
         "1 : NWSP\r\n2,2 :", "c.inp:19: the wind-speed range '2,2' is not 'LO,HI' with LO < HI"},
        // Messages a user can act on: what the file is, why a date names no time.
        {"WXCHECK.INP     1.0", "TIMESERIES.TSF 1.3",
         "c.inp:1: a time series file (TIMESERIES.TSF), not a WXCHECK.INP control file"},
        {"'20080101010000'", "'20080230010000'",
         "c.inp:8: the period start '20080230010000' is not a time: February 2008 has 29 days, "
         "not a day 30"},
        {"'20080102000000'", "'20080101240000'",
         "c.inp:9: the period end '20080101240000' is not a time: hour 24 is not 0 to 23"},
        {"'20080101010000'", "'00000101010000'",
         "c.inp:8: the period start '00000101010000' is "
         "not a time: year 0 is outside 100 to 9999"},
        {"0.9999\r\n", "1e400\r\n", "c.inp:10: the calm wind threshold '1e400' is out of range"},
        // A row for every hour: a period of centuries would fill the disk with empty rows.
        {"'20080102000000'", "'21080102010001'",
         "c.inp:9: the period from 20080101010000 to 21080102010001 spans 36525 days; the "
         "statistics files hold a row for every hour of the period, and a period may span at "
         "most 36525 days (100 years)"},
        {"'20080102000000'", "'99991231230000'", "c.inp:9: the period from 20080101010000"},
        {"'UTC+0000'", "' '", "c.inp:7: the processing time zone is empty"},
        {"'run_'", std::string("'ex\0ample_'", 11), "c.inp:5: the line holds a NUL byte"},
        {"'Test run'", std::string(70000, 'x'), "c.inp:2: the line is longer than 65536 bytes"},
    };
    for (const auto& [replace, with, expected] : cases) {
        std::string text = ControlText(base);
        const std::size_t at = text.find(replace);
        ASSERT_NE(at, std::string::npos) << replace;
        text.replace(at, replace.size(), with);
        const ControlFileResult r = ParseControlFile(text, "c.inp");
        EXPECT_FALSE(r.ok) << with;
        EXPECT_EQ(r.error.rfind(expected, 0), 0u) << with << ": " << r.error;
    }
    // A message quotes only the start and the end of a huge value.
    std::string huge = ControlText(base);
    huge.replace(huge.find("'20080101010000'"), 16, "'" + std::string(60000, '2') + "'");
    EXPECT_LT(ParseControlFile(huge, "c.inp").error.size(), 300u);
    const ControlFileResult empty = ParseControlFile("WXCHECK.INP 1.0\n'title'\n", "c.inp");
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.error, "c.inp:3: the file ends before the output folder");
    // An old file that stops after line 11 asks for no additional analysis.
    std::string old = ControlText(base);
    old.resize(old.find("--- LINES"));
    const ControlFileResult r = ParseControlFile(old, "c.inp");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.settings.windows.empty());
    EXPECT_EQ(r.settings.warnings.size(), 1u);
}

TEST(WxcheckStationFile, SplitsAtTheQuotedCommaAndFindsTheMeantSplit) {
    const std::set<std::string> existing = {"/f/a','b.tsf", "/f/c.tsf", "/f/a",    "/f/x','y",
                                            "/f/z",         "/f/x",     "/f/y','z"};
    const auto resolve = [](std::string_view p) { return "/f/" + std::string(p); };
    const auto exists = [&](const std::string& p) { return existing.count(p) > 0; };
    const std::string text =
        testing::StationText({{"p1.tsf", "o1.tsf"},
                              {"it's, odd.tsf", "o2.tsf"},
                              {"a','b.tsf", "c.tsf"},  // two splits, one exists
                              {"x','y", "z"},          // both exist: ambiguous
                              {"q','r", "s"}}) +       // none exists
        "\r\n   \r\nno quotes here\r\n";
    const StationFileResult r = ParseStationFile(text, "st.stn", resolve, exists);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.stations.size(), 6u);
    const auto pair = [&](int i) {
        return r.stations[i].predicted + "|" + r.stations[i].observed + "|" + r.stations[i].error;
    };
    EXPECT_EQ(pair(0) + " line " + std::to_string(r.stations[0].line), "p1.tsf|o1.tsf| line 4");
    EXPECT_EQ(pair(1), "it's, odd.tsf|o2.tsf|");
    EXPECT_EQ(pair(2), "a','b.tsf|c.tsf|");
    EXPECT_EQ(r.stations[3].error.rfind("ambiguous station line: 2 ways", 0), 0u);
    EXPECT_EQ(r.stations[4].error.rfind("ambiguous station line: no way", 0), 0u);
    EXPECT_EQ(std::to_string(r.stations[5].line) + " " + r.stations[5].error.substr(0, 18),
              "11 not a station line");

    EXPECT_FALSE(ParseStationFile("SOMETHING 1.0\n1\n\n'a','b'\n", "st.stn", resolve, exists).ok);
    EXPECT_EQ(ParseStationFile(testing::StationText({}), "st.stn", resolve, exists).error,
              "st.stn: the station file lists no station");
}

// A station line that cannot be read fails alone, naming its line; a line of many "','"
// tries only the splits whose two paths could exist, instead of every one.
TEST(WxcheckStationFile, UnreadableLinesFailAloneAndManySplitsStayCheap) {
    int tests = 0;
    const auto resolve = [](std::string_view p) { return "/f/" + std::string(p); };
    const auto exists = [&tests](const std::string&) {
        ++tests;
        return false;
    };
    std::string many = "a";
    for (int i = 0; i < 15000; ++i) {
        many += "','a";
    }
    const std::string text = testing::StationText({{"p1.tsf", "o1.tsf"}}) +
                             std::string("'p\0.tsf','o2.tsf'\r\n", 19) + "'" +
                             std::string(70000, 'p') + "','o3.tsf'\r\n'" + many + "'\r\n" +
                             "'p4.tsf','o4.tsf'\r\n";
    const StationFileResult r = ParseStationFile(text, "st.stn", resolve, exists);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.stations.size(), 5u);
    EXPECT_EQ(r.stations[1].error,
              "the line holds a NUL byte, which no text of this file may hold");
    EXPECT_EQ(r.stations[2].line, 6);
    EXPECT_EQ(r.stations[2].error, "the line is longer than 65536 bytes");
    EXPECT_EQ(r.stations[3].error.rfind("ambiguous station line: no way", 0), 0u);
    EXPECT_LT(tests, 100);
    EXPECT_EQ(r.stations[4].predicted + " " + std::to_string(r.stations[4].line), "p4.tsf 8");
}

}  // namespace
}  // namespace corvane::wxcheck
