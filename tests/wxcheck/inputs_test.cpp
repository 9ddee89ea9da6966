#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine_fixture.h"
#include "wxcheck/control_file.h"
#include "wxcheck/station_file.h"

namespace corvane::wxcheck {
namespace {

using testing::ControlOptions;
using testing::ControlText;

TEST(WxcheckControlFile, ReadsTheWizardsFile) {
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
    EXPECT_EQ(s.StatisticsPath("HourlyWindStats.dat"), "/data/it's here/run_HourlyWindStats.dat");
    EXPECT_EQ(s.StationPath(), "/data/it's here/run_WXCHECK.TSF.STN");
    EXPECT_EQ(s.ResolveInFolder("a.tsf"), "/data/it's here/a.tsf");
    EXPECT_EQ(s.ResolveInFolder("/abs/a.tsf"), "/abs/a.tsf");
    EXPECT_EQ(s.zone, "UTC+0000");
    EXPECT_EQ(FormatDateTime(s.start), "2008-01-01 01:00:00");
    EXPECT_EQ(FormatDateTime(s.end), "2008-01-02 00:00:00");
    EXPECT_DOUBLE_EQ(s.calmThreshold, 1.5);
    EXPECT_EQ(s.missingFilter, 1);
    ASSERT_EQ(s.windows.size(), 4u);
    EXPECT_TRUE(s.windows[3].Contains(19));
    EXPECT_TRUE(s.windows[3].Contains(23));
    EXPECT_TRUE(s.windows[3].Contains(0));
    EXPECT_FALSE(s.windows[3].Contains(1));
    EXPECT_TRUE(s.windows[0].Contains(6));
    EXPECT_FALSE(s.windows[0].Contains(0));
    EXPECT_TRUE(s.ranges.empty());
}

TEST(WxcheckControlFile, SpeedRangesAByteOrderMarkAndAFolderWithoutItsSlash) {
    ControlOptions o;
    o.folder = "out";
    o.block = "1 : NTPD\n22,02\n2 : NWSP\n0,2.5\n2.5, 10 : strong\n";
    const ControlFileResult r = ParseControlFile("\xEF\xBB\xBF" + ControlText(o), "c.inp");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.settings.ListPath(), "out/run_wxcheck.lst");
    ASSERT_EQ(r.settings.ranges.size(), 2u);
    EXPECT_DOUBLE_EQ(r.settings.ranges[1].low, 2.5);
    EXPECT_DOUBLE_EQ(r.settings.ranges[1].high, 10);
    EXPECT_TRUE(r.settings.windows[0].Contains(1));
}

TEST(WxcheckControlFile, RefusesWithLineAndReasonButKeepsTheListName) {
    struct Case {
        const char* what;
        ControlOptions options;
        std::string replace, with, expected;
    };
    ControlOptions base;
    base.folder = "/out/";
    std::vector<Case> cases = {
        {"keyword", base, "WXCHECK.INP     1.0", "WXCHECK.INP     2.0",
         "c.inp:1: not a WXCHECK.INP"},
        {"period", base, "'20080101010000'", "'2008-01-01'",
         "c.inp:8: the period start '2008-01-01'"},
        {"order", base, "'20080102000000'", "'20071231000000'", "c.inp:9: the period ends"},
        {"calm", base, "0.9999\r\n", "calm\r\n", "c.inp:10: the calm wind threshold 'calm'"},
        {"filter", base, "\r\n0\r\n", "\r\n2\r\n", "c.inp:11: the missing filter flag '2'"},
        {"quote", base, "'UTC+0000'", "UTC+0000", "c.inp:7: the time zone must stand"},
        {"window", base, "19,00 ", "19,24 ", "c.inp:17: the time period '19,24'"},
        {"count", base, "4                  :", "x  :", "c.inp:13: the number of time periods"},
    };
    for (const Case& c : cases) {
        std::string text = ControlText(c.options);
        const std::size_t at = text.find(c.replace);
        ASSERT_NE(at, std::string::npos) << c.what;
        text.replace(at, c.replace.size(), c.with);
        const ControlFileResult r = ParseControlFile(text, "c.inp");
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.error.rfind(c.expected, 0), 0u) << c.what << ": " << r.error;
        EXPECT_TRUE(r.listPathKnown) << c.what;
        EXPECT_EQ(r.settings.ListPath(), "/out/run_wxcheck.lst") << c.what;
    }
    // Without its list file name there is nowhere to write the reason.
    const ControlFileResult empty = ParseControlFile("WXCHECK.INP 1.0\n'title'\n", "c.inp");
    EXPECT_FALSE(empty.ok);
    EXPECT_FALSE(empty.listPathKnown);
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
    EXPECT_EQ(r.stations[0].predicted, "p1.tsf");
    EXPECT_EQ(r.stations[0].observed, "o1.tsf");
    EXPECT_EQ(r.stations[0].line, 4);
    EXPECT_EQ(r.stations[1].predicted, "it's, odd.tsf");
    EXPECT_EQ(r.stations[2].predicted, "a','b.tsf");
    EXPECT_EQ(r.stations[2].observed, "c.tsf");
    EXPECT_TRUE(r.stations[2].error.empty());
    EXPECT_NE(r.stations[3].error.find("ambiguous"), std::string::npos);
    EXPECT_NE(r.stations[3].error.find("2 ways"), std::string::npos);
    EXPECT_NE(r.stations[4].error.find("ambiguous"), std::string::npos);
    EXPECT_EQ(r.stations[5].line, 11);
    EXPECT_NE(r.stations[5].error.find("not a station line"), std::string::npos);

    EXPECT_FALSE(ParseStationFile("SOMETHING 1.0\n1\n\n'a','b'\n", "st.stn", resolve, exists).ok);
    EXPECT_EQ(ParseStationFile(testing::StationText({}), "st.stn", resolve, exists).error,
              "st.stn: the station file lists no station");
}

}  // namespace
}  // namespace corvane::wxcheck
