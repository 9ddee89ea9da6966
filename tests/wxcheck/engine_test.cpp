#include "wxcheck/engine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <iterator>
#include <map>
#include <random>

#include "engine_fixture.h"
#include "wxcheck/evaluation/pooled_statistics.h"
#include "wxcheck/outputs/output_file.h"

namespace corvane::wxcheck {
namespace {

using namespace corvane::wxcheck::testing;
using testing::Record;

const std::vector<std::string> kMet = {"WSPEED m/s", "WDIR deg", "TEMP K", "MIXR g/kg"};

struct RunOutcome {
    int status = -1;
    std::string out, err;
};

// Writes the control file into `folder` (the output folder too) and runs the engine.
RunOutcome RunIn(const ScratchFolder& folder, ControlOptions o, unsigned threads = 2,
                 bool pairs = false, int bootstrap = kDefaultResamples) {
    o.folder = folder.path();
    WriteFile(folder / "wxcheck.inp", ControlText(o));
    std::ostringstream out, err;
    EngineOptions engine;
    engine.controlPath = folder / "wxcheck.inp";
    engine.threads = threads;
    engine.pairs = pairs;
    engine.bootstrap = bootstrap;
    const int status = RunEngine(engine, out, err);
    return {status, out.str(), err.str()};
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The fields of `label`'s row in the table headed `table` within `section` of the list file;
// none when the table has no such row.
std::vector<std::string> ListRow(const std::string& list, const std::string& section,
                                 const std::string& table, const std::string& label) {
    const std::size_t heading = list.find("\n" + table, list.find("\n" + section));
    const std::size_t row = list.find("\n" + label + " ", heading);
    if (heading == std::string::npos || row == std::string::npos ||
        row > list.find("\n\n", heading + 1)) {
        return {};
    }
    std::istringstream fields(list.substr(row + 1, list.find('\n', row + 1) - row - 1));
    return {std::istream_iterator<std::string>(fields), {}};
}

// A CSV file read as pandas and R read it: the first row names the columns; fields end at
// commas outside double quotes, and "" within them is a quote.
Table ReadCsv(const std::string& path) {
    Table table;
    std::vector<std::string> row(1);
    bool quoted = false;
    const std::string text = ReadFile(path);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"') {
            quoted = i + 1 < text.size() && text[i + 1] == '"';
            if (quoted) {
                row.back() += text[++i];
            }
        } else if (quoted || (c != '"' && c != ',' && c != '\n')) {
            row.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.emplace_back();
        } else {
            EXPECT_TRUE(table.names.empty() || row.size() == table.names.size()) << path;
            (table.names.empty() ? table.names : table.rows.emplace_back()) = std::move(row);
            row.assign(1, "");
        }
    }
    EXPECT_EQ(row, std::vector<std::string>(1)) << path << " does not end with a line end";
    return table;
}

// Two stations over one day, values worked out by hand.
class WxcheckHandWorked : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(folder_ / "a_prd.tsf",
                  TsfText(kMet, Record(1, 0, "9 9 300 9") +  // before the period
                                    Record(1, 1, "3 10 281 6") + Record(1, 2, "5 100 280 5") +
                                    Record(1, 3, "2 200 282 4") + Record(1, 24, "4 0 283 3")));
        WriteFile(folder_ / "a_obs.tsf",
                  TsfText(kMet, Record(1, 0, "1 1 290 1") + Record(1, 1, "2 350 280 5") +
                                    Record(1, 2, "0.9999 90 281 4") + Record(1, 3, "1 190 -999 5") +
                                    Record(1, 24, "2 0 281 3")));
        WriteFile(folder_ / "b_prd.tsf",
                  TsfText({"WSPEED", "WDIR", "TEMP C"}, Record(1, 1, "2 350 7")));
        WriteFile(folder_ / "b_obs.tsf",
                  TsfText({"wspeed", "wdir", "temp degc"}, Record(1, 1, "4 10 6.5")));
        WriteFile(folder_ / "run_WXCHECK.TSF.STN",
                  StationText({{"a_prd.tsf", "a_obs.tsf"}, {"b_prd.tsf", "b_obs.tsf"}}));
    }

    ScratchFolder folder_;
};

TEST_F(WxcheckHandWorked, PooledHoursDaysWindowsAndRanges) {
    ControlOptions o;
    o.block = "1 : NTPD\n02,03\n1 : NWSP\n1.5,3\n";
    const RunOutcome run = RunIn(folder_, o);
    ASSERT_EQ(run.status, kAllEvaluated) << run.err;
    const Table wind = ReadTable(folder_ / "run_HourlyWindStats.dat");
    ASSERT_EQ(wind.rows.size(), 24u);  // 01 to 23 of the 1st and 00 of the 2nd
    // Hour 01: speeds O = 2, 4 and P = 3, 2; directions across north both ways.
    EXPECT_EQ(wind.Fields(0, "Date Hour N_WS Obs_WS Bias_WS GE_WS R_WS N_WD Obs_WD Bias_WD GE_WD"),
              "2008-01-01 01 2 3.0000 -0.5000 1.5000 -1.0000 2 0.0000 0.0000 20.0000");
    // Hour 02: observed speed exactly at the threshold is calm: speed counts, direction not;
    // a single pair has no IOA.
    EXPECT_EQ(wind.Fields(1, "N_WS N_WD Obs_WD RMSE_WS IOA_WS"), "1 0 -999 4.0001 -999");
    // An hour without pairs is still written.
    EXPECT_EQ(wind.Fields(5, "N_WS Bias_WS"), "0 -999");
    // The record ending at 00:00 belongs to hour 00 of the new day.
    EXPECT_EQ(wind.Fields(23, "Date Hour N_WS Bias_WS"), "2008-01-02 00 1 2.0000");
    // Both from north, 2 and 4 m/s: the vector error is 2 m/s; the calm hour 02 counts.
    EXPECT_EQ(wind.Fields(23, "N_VW MVE_VW RMSVE_VW"), "1 2.0000 2.0000");
    EXPECT_EQ(wind.At(1, "N_VW"), "1");
    // The stations' own vector errors count the same pairs, calm ones included.
    int hourly = 0;
    for (std::size_t row = 0; row < wind.rows.size(); ++row) {
        hourly += std::stoi(wind.At(row, "N_VW"));
    }
    const Table stats = ReadCsv(folder_ / "run_StationStats.csv");
    int stations = 0;
    for (std::size_t row = 0; row < stats.rows.size(); ++row) {
        if (stats.Fields(row, "section quantity") == "period wind_vector" &&
            stats.At(row, "station") != "all") {
            stations += std::stoi(stats.At(row, "N"));
        }
    }
    EXPECT_EQ(stations, hourly);

    const Table teHu = ReadTable(folder_ / "run_HourlyTeHuStats.dat");
    // Hour 01: temperatures 280 K / 281 K and 6.5 C / 7 C, both as kelvin; station b has no
    // humidity: only station a counts.
    EXPECT_EQ(teHu.Fields(0, "N_T Obs_T Bias_T N_H Bias_H"), "2 279.8250 0.7500 1 1.0000");
    // Hour 03: observed temperature missing; with filter 0 the other variables stay.
    EXPECT_EQ(teHu.Fields(2, "N_T N_H") + " " + wind.At(2, "N_WS"), "0 1 1");

    // One day: the hours ending 01:00 to 24:00. Directions: hour 01 (+20, -20), hour 03
    // (P 200, O 190, non-calm: +10) and 24:00 (both 0).
    const Table daily = ReadTable(folder_ / "run_DailyWindStats.dat");
    ASSERT_EQ(daily.rows.size(), 1u);
    EXPECT_EQ(daily.Fields(0, "Date N_WS N_WD Bias_WD"), "2008-01-01 5 4 2.5000");
    EXPECT_EQ(ReadTable(folder_ / "run_DailyTeHuStats.dat").At(0, "N_H"), "4");

    const std::string list = ReadFile(folder_ / "run_wxcheck.lst");
    // Station table: records read (one of each file before the period), pairs in the
    // period, missing, used, calm, skipped and duplicates, humidity variable.
    EXPECT_TRUE(Contains(list,
                         "   1  evaluated         5         5         4         1         4"
                         "         1      0/0      0/0  MIXR  WSPEED,WDIR,TEMP,MIXR"))
        << list.substr(list.find("STATIONS"), 800);
    EXPECT_TRUE(Contains(list, "Pooled humidity variable: MIXR (g/kg), used by 1 station(s)"));
    // Hours 02 and 03: station a only (O 0.9999, 1; P 5, 2): bias (4.0001 + 1) / 2, in print.
    const std::vector<std::string> window =
        ListRow(list, "TIME OF DAY 02 TO 03", "Wind speed (m/s)", "All");
    ASSERT_GE(window.size(), 5u) << list;
    EXPECT_EQ(window[1] + " " + window[4], "2 2.5000");
    // Observed speed in (1.5, 3]: station a at 01:00 (O 2, P 3) and 00:00 (O 2, P 4).
    const std::vector<std::string> range =
        ListRow(list, "WIND SPEED RANGE 1.5 < observed WS <= 3 m/s", "Wind speed (m/s)", "All");
    ASSERT_GE(range.size(), 5u) << list;
    EXPECT_EQ(range[1] + " " + range[2] + " " + range[4], "2 2.0000 1.5000");
}

// Every statistic of ROOT_StationStats.csv is the list file's, an empty cell where the list
// file has -999; ROOT_Pairs.csv holds every pair in the period, used or not.
TEST_F(WxcheckHandWorked, CsvFilesAgreeWithTheListFile) {
    std::filesystem::rename(folder_ / "b_prd.tsf", folder_ / "b,\"1\".tsf");
    std::filesystem::rename(folder_ / "b_obs.tsf", folder_ / "b\"2\".tsf");
    WriteFile(folder_ / "run_WXCHECK.TSF.STN",
              StationText({{"a_prd.tsf", "a_obs.tsf"}, {"b,\"1\".tsf", "b\"2\".tsf"}}));
    ControlOptions o;
    o.block = "1 : NTPD\n19,02\n1 : NWSP\n1.5,3\n";
    ASSERT_EQ(RunIn(folder_, o, 2, true, 0).status, kAllEvaluated);
    const std::string list = ReadFile(folder_ / "run_wxcheck.lst");

    const Table stats = ReadCsv(folder_ / "run_StationStats.csv");
    ASSERT_EQ(stats.rows.size(), 3u * (5 + 4));  // three sections; b has no humidity
    EXPECT_EQ(stats.Fields(15, "station predicted_file observed_file period_start period_end"),
              "2 b,\"1\".tsf b\"2\".tsf 2008-01-01T01:00:00+00:00 2008-01-02T00:00:00+00:00");
    const std::map<std::string, std::string> tables = {{"wind_speed", "Wind speed (m/s)"},
                                                       {"wind_direction", "Wind direction"},
                                                       {"temperature", "Temperature (K)"},
                                                       {"humidity", "Humidity"},
                                                       {"wind_vector", "Vector wind error"}};
    const std::vector<std::string> scalars = {"N",    "Obs",   "Prd",   "Bias", "GE",
                                              "RMSE", "RMSEs", "RMSEu", "IOA",  "R"};
    const std::vector<std::string> vectors = {"N", "MVE", "RMSVE"};
    for (std::size_t r = 0; r < stats.rows.size(); ++r) {
        const std::string kind = stats.At(r, "section");
        const std::string section =
            kind == "period" ? "WHOLE PERIOD"
            : kind == "time_of_day"
                ? "TIME OF DAY " + stats.At(r, "first_hour") + " TO 0" + stats.At(r, "last_hour")
                : "WIND SPEED RANGE " + stats.At(r, "speed_above") +
                      " < observed WS <= " + stats.At(r, "speed_up_to") + " m/s";
        const std::vector<std::string> row =
            ListRow(list, section, tables.at(stats.At(r, "quantity")), stats.At(r, "station"));
        SCOPED_TRACE(section + " " + stats.At(r, "quantity") + " " + stats.At(r, "station"));
        ASSERT_GE(row.size(), 4u);
        const std::vector<std::string>& statistics =
            stats.At(r, "quantity") == "wind_vector" ? vectors : scalars;
        for (std::size_t c = 0; c < statistics.size(); ++c) {
            const std::string csv = stats.At(r, statistics[c]);
            EXPECT_EQ(csv.empty() ? "-999" : csv, c + 1 < row.size() ? row[c + 1] : "-999")
                << statistics[c];
        }
    }
    EXPECT_EQ(stats.Fields(3, "variable units N Obs"), "MIXR g/kg 4 4.2500");  // 5, 4, 5, 3
    EXPECT_FALSE(Contains(ReadFile(folder_ / "run_StationStats.csv"), "-999"));

    const Table pairs = ReadCsv(folder_ / "run_Pairs.csv");
    ASSERT_EQ(pairs.rows.size(), 4u + 1u);  // the pairs of the station table
    const std::string columns =
        "station end Obs_WS Prd_WS Obs_WD Obs_T Prd_T Obs_H Prd_H variable_H calm used";
    EXPECT_EQ(pairs.Fields(1, columns),
              "1 2008-01-01T02:00:00+00:00 0.9999 5.0000 90.0000 281.0000 280.0000 4.0000 5.0000 "
              "MIXR 1 1");
    EXPECT_EQ(pairs.At(2, "Obs_T") + "|" + pairs.At(2, "used"), "|1");  // missing, filter 0
    EXPECT_EQ(pairs.Fields(3, "end"), "2008-01-02T00:00:00+00:00");
    EXPECT_EQ(pairs.Fields(4, "station Obs_T Prd_T Obs_H variable_H"), "2 279.6500 280.1500  ");
    // With filter 1 the hour with a missing temperature is in the file, unused.
    o.filter = std::string("1");  // a literal here draws a false -Wrestrict from GCC 12
    ASSERT_EQ(RunIn(folder_, o, 2, true).status, kAllEvaluated);
    EXPECT_EQ(ReadCsv(folder_ / "run_Pairs.csv").At(2, "used"), "0");
}

// An output this run does not write (the report without it, Pairs.csv without --pairs) is
// not left from an earlier run beside this run's results, unless it is an input of this run.
TEST_F(WxcheckHandWorked, OutputsOfOtherOptionsAreNotLeftFromAnEarlierRun) {
    ControlOptions o;
    o.folder = folder_.path();
    WriteFile(folder_ / "wxcheck.inp", ControlText(o));
    WriteFile(folder_ / "run_report.html", "from an earlier run\n");
    WriteFile(folder_ / "run_Pairs.csv", "from an earlier run\n");
    std::ostringstream out, err;
    EngineOptions engine;
    engine.controlPath = folder_ / "wxcheck.inp";
    engine.report = false;
    ASSERT_EQ(RunEngine(engine, out, err), kAllEvaluated) << err.str();
    EXPECT_FALSE(std::filesystem::exists(folder_ / "run_report.html"));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "run_Pairs.csv"));

    std::filesystem::copy_file(folder_ / "b_obs.tsf", folder_ / "run_Pairs.csv");
    WriteFile(folder_ / "run_WXCHECK.TSF.STN",
              StationText({{"a_prd.tsf", "a_obs.tsf"}, {"b_prd.tsf", "run_Pairs.csv"}}));
    ASSERT_EQ(RunEngine(engine, out, err), kAllEvaluated) << err.str();
    EXPECT_EQ(ReadFile(folder_ / "run_Pairs.csv"), ReadFile(folder_ / "b_obs.tsf"));
}

// File names and Site: texts a spreadsheet would take for formulas stay texts, quoted or not.
TEST_F(WxcheckHandWorked, CsvCellsThatLookLikeFormulasStayTexts) {
    std::filesystem::rename(folder_ / "b_prd.tsf", folder_ / "=1+2.tsf");
    WriteFile(folder_ / "@b,obs.tsf",
              TsfText({"WSPEED"}, Record(1, 1, "4"), "UTC+0000", "-2+3\rHYPERLINK"));
    WriteFile(folder_ / "run_WXCHECK.TSF.STN",
              StationText({{"a_prd.tsf", "a_obs.tsf"}, {"=1+2.tsf", "@b,obs.tsf"}}));
    ASSERT_EQ(RunIn(folder_, ControlOptions(), 2, false, 0).status, kAllEvaluated);
    const Table stats = ReadCsv(folder_ / "run_StationStats.csv");
    ASSERT_GE(stats.rows.size(), 2u);
    const std::size_t last = stats.rows.size() - 1;
    EXPECT_EQ(stats.Fields(last, "station predicted_file observed_file predicted_site"),
              "2 '=1+2.tsf '@b,obs.tsf ");
    EXPECT_EQ(stats.At(last, "observed_site").substr(0, 5), "'-2+3");
    EXPECT_EQ(stats.At(0, "predicted_file"), "a_prd.tsf");
}

// Control characters in the title, a file name and a Site: text can neither end a line of an
// output nor steer the terminal: every output shows them as the same escapes.
TEST_F(WxcheckHandWorked, ControlCharactersAreShownEscapedInEveryOutput) {
    const std::string name = "b\x1b]0;x\x07obs.tsf";
    WriteFile(folder_ / name, TsfText({"wspeed", "wdir", "temp degc"}, Record(1, 1, "4 10 6.5"),
                                      "UTC+0000", "Mast\x1b[31m\x7f\rred\xc2\x9b"));
    WriteFile(folder_ / "run_WXCHECK.TSF.STN",
              StationText({{"a_prd.tsf", "a_obs.tsf"}, {"b_prd.tsf", name}}));
    ControlOptions o;
    o.title = "Run\r# Period: forged\tend";
    const RunOutcome run = RunIn(folder_, o);
    ASSERT_EQ(run.status, kAllEvaluated) << run.err;
    const std::string shownName = "b\\x1b]0;x\\x07obs.tsf";
    const std::string shownSite = "Mast\\x1b[31m\\x7f\\rred\\u009b";
    const std::string shownTitle = "Run\\r# Period: forged\\tend";
    const auto plain = [](const std::string& text) {
        return std::none_of(text.begin(), text.end(),
                            [](char c) {
                                return (static_cast<unsigned char>(c) < 0x20 && c != '\n') ||
                                       c == 0x7f;
                            }) &&
               !Contains(text, "\xc2\x9b");
    };
    for (const char* output :
         {"run_wxcheck.lst", "run_HourlyWindStats.dat", "run_DailyTeHuStats.dat",
          "run_StationStats.csv", "run_report.html"}) {
        EXPECT_TRUE(plain(ReadFile(folder_ / output))) << output;
    }
    EXPECT_TRUE(plain(run.out) && plain(run.err)) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, shownName)) << run.out;
    const std::string list = ReadFile(folder_ / "run_wxcheck.lst");
    EXPECT_TRUE(Contains(list, "Title:                      " + shownTitle + "\n")) << list;
    EXPECT_TRUE(Contains(list, "\n      " + shownName + "\n")) << list;
    EXPECT_TRUE(Contains(ReadFile(folder_ / "run_HourlyWindStats.dat"),
                         "\n# Title: " + shownTitle + "\n# Period: 2008-01-01 01:00:00 to"));
    EXPECT_EQ(ReadTable(folder_ / "run_HourlyWindStats.dat").rows.size(), 24u);
    const Table stats = ReadCsv(folder_ / "run_StationStats.csv");
    ASSERT_GE(stats.rows.size(), 2u);
    bool shown = false;  // the second station's rows, whatever rows come after them
    for (std::size_t row = 0; row < stats.rows.size(); ++row) {
        shown |= stats.Fields(row, "observed_file observed_site") == shownName + " " + shownSite;
    }
    EXPECT_TRUE(shown);
    // The report escapes for HTML after the same rule, and replaces nothing.
    const std::string report = ReadFile(folder_ / "run_report.html");
    EXPECT_TRUE(Contains(report, "<title>Run\\r# Period: forged\\tend \u2013 wxcheck report"));
    EXPECT_TRUE(Contains(report, shownName)) << "the station's file in the report";
    EXPECT_FALSE(Contains(report, "\uFFFD"));
}

// A run removes the temporary files that killed runs left beside its outputs, and only
// those: names of this form whose process no longer runs.
TEST_F(WxcheckHandWorked, TemporaryFilesOfDeadRunsAreSwept) {
    // Process ids are below pid_max: no process has this one.
    const std::string pid = std::to_string(std::stoll(ReadFile("/proc/sys/kernel/pid_max")));
    const std::string alive = std::to_string(::getpid());
    const std::vector<std::string> stale = {
        ".run_wxcheck.lst." + pid + "-0-0.tmp", ".run_HourlyWindStats.dat." + pid + "-12-3.tmp",
        ".run_report.html." + pid + "-7-0.tmp",
        ".run_Pairs.csv." + pid + "-1-0.tmp"};  // an output this run does not write
    const std::vector<std::string> kept = {
        ".run_wxcheck.lst." + alive + "-0-0.tmp",     // a run still going on
        ".a_prd.tsf." + pid + "-0-0.tmp",             // not an output's name
        ".run_wxcheck.lst." + pid + "-0-0.tmp.keep",  // other names
        ".run_wxcheck.lst." + pid + "-AbC123.tmp",    // the converter's form
        ".run_wxcheck.lst." + pid + "-0.tmp",         // a tag cut short
        "run_wxcheck.lst." + pid + "-0-0.tmp",        // not hidden
        ".run_wxcheck.lst.0" + pid + "-0-0.tmp"};     // no process id as written
    for (const std::string& name : stale) {
        WriteFile(folder_ / name, "left by a killed run\n");
    }
    for (const std::string& name : kept) {
        WriteFile(folder_ / name, "kept\n");
    }
    std::filesystem::create_directory(folder_ / (".run_StationStats.csv." + pid + "-0-0.tmp"));
    ASSERT_EQ(RunIn(folder_, ControlOptions()).status, kAllEvaluated);
    for (const std::string& name : stale) {
        EXPECT_FALSE(std::filesystem::exists(folder_ / name)) << name;
    }
    for (const std::string& name : kept) {
        EXPECT_EQ(ReadFile(folder_ / name), "kept\n") << name;
    }
    EXPECT_TRUE(
        std::filesystem::is_directory(folder_ / (".run_StationStats.csv." + pid + "-0-0.tmp")));
}

// A group of outputs (the four statistics files, a comparison's three) replaces the earlier
// files together or not at all: while one cannot be written (its name is a folder), the
// others' earlier files stay, as the run says, and no temporary is left.
TEST(WxcheckOutputFile, AGroupReplacesTheEarlierFilesTogetherOrNotAtAll) {
    ScratchFolder f;
    WriteFile(f / "a.dat", "earlier\n");
    std::filesystem::create_directory(f / "b.dat");
    const auto commit = [&] {
        OutputFile a(f / "a.dat");
        OutputFile b(f / "b.dat");
        a.Write("new\n");
        b.Write("new\n");
        return OutputFile::CommitTogether({&a, &b});
    };
    EXPECT_EQ(commit(),
              std::vector<std::string>{f / "b.dat: cannot write the file: it is a folder"});
    EXPECT_EQ(ReadFile(f / "a.dat"), "earlier\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.path()), {}), 2);
    std::filesystem::remove(f / "b.dat");
    EXPECT_EQ(commit(), std::vector<std::string>());
    EXPECT_EQ(ReadFile(f / "a.dat") + ReadFile(f / "b.dat"), "new\nnew\n");
}

// The lower edges: the first hour of the period (at midnight, so it belongs to the day
// before), a speed of 0 (calm at a threshold of 0, yet a value), directions of 0 and 360,
// an observed speed on the lower bound of a range; and February of a century year, of 28
// days in 1900 and 29 in 2000. Hour rows keep the hours of the end stamps: the row 00:00 of
// 1 March holds the pair ending at 00:00 (of the day before) and the one ending at 00:30.
TEST(WxcheckEngine, LowerEdgesAndCenturyFebruaries) {
    for (const std::string year : {"1900", "2000"}) {
        SCOPED_TRACE(year);
        ScratchFolder f;
        std::string observed, predicted;
        for (const auto& [end, o, p] : std::vector<std::array<std::string, 3>>{
                 {"02 27 23 0000", "5 90", "5 90"},  // before the period
                 {"02 28 00 0000", "0 0", "0 360"},
                 {"02 29 12 0000", "3 90", "3 90"},  // no date in 1900: skipped
                 {"03 01 00 0000", "1 0", "2 360"},
                 {"03 01 00 1800", "4 90", "6 90"},
                 {"03 01 01 0000", "2 180", "2 180"}}) {
            const std::string stamp = year + " " + end + " ";  // begin = end: unused
            observed += stamp + stamp + o + "\n";
            predicted += stamp + stamp + p + "\n";
        }
        WriteFile(f / "obs.tsf", TsfText({"WSPEED", "WDIR"}, observed));
        WriteFile(f / "prd.tsf", TsfText({"WSPEED", "WDIR"}, predicted));
        WriteFile(f / "run_WXCHECK.TSF.STN", StationText({{"prd.tsf", "obs.tsf"}}));
        ControlOptions o;
        o.start = year + "0228000000";
        o.end = year + "0301010000";
        o.calm = "0";
        o.block = "0 : NTPD\n1 : NWSP\n1,2\n";
        ASSERT_EQ(RunIn(f, o).status, kAllEvaluated);
        const Table hourly = ReadTable(f / "run_HourlyWindStats.dat");
        const std::size_t rows = year == "1900" ? 26 : 50;
        ASSERT_EQ(hourly.rows.size(), rows);
        EXPECT_EQ(hourly.Fields(0, "Date Hour N_WS Obs_WS Prd_WS N_WD"),
                  year + "-02-28 00 1 0.0000 0.0000 0");
        EXPECT_EQ(hourly.Fields(rows - 2, "Date Hour N_WS N_WD Obs_WD Prd_WD Bias_WD"),
                  year + "-03-01 00 2 2 45.0000 45.0000 0.0000");
        const Table daily = ReadTable(f / "run_DailyWindStats.dat");
        std::string days;
        for (std::size_t d = 0; d < daily.rows.size(); ++d) {
            days += daily.Fields(d, "Date N_WS") + " ";
        }
        EXPECT_EQ(days, year == "1900" ? "1900-02-27 1 1900-02-28 1 1900-03-01 2 "
                                       : "2000-02-27 1 2000-02-28 0 2000-02-29 2 2000-03-01 2 ");
        const std::vector<std::string> range =
            ListRow(ReadFile(f / "run_wxcheck.lst"), "WIND SPEED RANGE 1 < observed WS <= 2 m/s",
                    "Wind speed (m/s)", "All");
        ASSERT_GE(range.size(), 2u);
        EXPECT_EQ(range[1], "1");
    }
}

// Stations of different kinds: under missing filter 1 a missing temperature removes its
// hour, a station without humidity keeps its hours, and the pooled humidity columns hold the
// run's variable only, MIXR winning its tie with SHUM by coming first.
TEST(WxcheckEngine, MixedStationsPoolOnlyTheRunsHumidityVariable) {
    ScratchFolder f;
    const std::vector<std::array<std::string, 3>> stations = {
        {"WSPEED TEMP MIXR", Record(1, 1, "2 280 5") + Record(1, 2, "2 -999 5"),
         Record(1, 1, "3 281 6") + Record(1, 2, "3 281 6")},
        {"WSPEED TEMP", Record(1, 1, "4 282"), Record(1, 1, "4 283")},
        {"WSPEED SHUM", Record(1, 1, "6 9"), Record(1, 1, "6 10")}};
    std::vector<std::pair<std::string, std::string>> files;
    for (std::size_t s = 0; s < stations.size(); ++s) {
        std::istringstream names(stations[s][0]);
        const std::vector<std::string> variables{std::istream_iterator<std::string>(names), {}};
        files.emplace_back(std::to_string(s) + "p.tsf", std::to_string(s) + "o.tsf");
        WriteFile(f / files.back().first, TsfText(variables, stations[s][2]));
        WriteFile(f / files.back().second, TsfText(variables, stations[s][1]));
    }
    WriteFile(f / "run_WXCHECK.TSF.STN", StationText(files));
    ControlOptions o;
    o.filter = "1";
    ASSERT_EQ(RunIn(f, o).status, kAllEvaluated);
    const Table wind = ReadTable(f / "run_HourlyWindStats.dat");
    EXPECT_EQ(wind.Fields(0, "N_WS Obs_WS") + " " + wind.At(1, "N_WS"), "3 4.0000 0");
    EXPECT_EQ(ReadTable(f / "run_HourlyTeHuStats.dat").Fields(0, "N_T N_H Obs_H Prd_H"),
              "2 1 5.0000 6.0000");
    EXPECT_EQ(ReadTable(f / "run_DailyTeHuStats.dat").Fields(0, "N_H Obs_H"), "1 5.0000");
    const std::string list = ReadFile(f / "run_wxcheck.lst");
    EXPECT_TRUE(Contains(list, "Pooled humidity variable: MIXR (g/kg), used by 1 station(s)"));
    const std::vector<std::string> all = ListRow(list, "WHOLE PERIOD", "Humidity", "All");
    ASSERT_GE(all.size(), 5u);
    EXPECT_EQ(all[1] + " " + all[2] + " " + all[4], "1 5.0000 1.0000");  // N Obs Bias
    // Station 2's one exact speed has no index of agreement, and so no verdict on it.
    const Table csv = ReadCsv(f / "run_StationStats.csv");
    EXPECT_EQ(csv.Fields(15, "station quantity IOA Bias_verdict IOA_verdict"),
              "2 wind_speed  pass ");
}

// A station without a used pair has no statistics: it is not evaluated, with the reason,
// and the run's status and pooled statistics say so.
TEST(WxcheckEngine, AStationWithoutAUsedPairIsNotEvaluated) {
    ScratchFolder f;
    WriteFile(f / "good.tsf",
              TsfText(kMet, Record(1, 1, "3 10 281 6") + Record(1, 2, "4 20 282 6")));
    WriteFile(f / "empty.tsf", TsfText(kMet, Record(1, 1, "-999 -999 -999 -999") +
                                                 Record(1, 2, "-999 -999 -999 -999")));
    WriteFile(f / "gaps.tsf",
              TsfText(kMet, Record(1, 1, "3 10 -999 6") + Record(1, 2, "4 20 282 -999")));
    WriteFile(f / "run_WXCHECK.TSF.STN",
              StationText(
                  {{"good.tsf", "empty.tsf"}, {"good.tsf", "good.tsf"}, {"good.tsf", "gaps.tsf"}}));
    ControlOptions o;
    RunOutcome run = RunIn(f, o);
    EXPECT_EQ(run.status, kSomeFailed);
    EXPECT_TRUE(Contains(run.out, "2 of 3 station(s) evaluated")) << run.out;
    EXPECT_TRUE(Contains(run.out, "Station 1 of 3: FAILED")) << run.out;
    std::string list = ReadFile(f / "run_wxcheck.lst");
    EXPECT_TRUE(Contains(list,
                         "station 1 (not evaluated): none of the 2 pairs in the period is "
                         "used: every pair has a missing value of every evaluated variable"))
        << list;
    EXPECT_EQ(ReadTable(f / "run_HourlyWindStats.dat").Fields(0, "N_WS"), "2");  // 2 and 3

    // Under filter 1 every pair of station 3 misses a value too.
    o.filter = std::string("1");
    run = RunIn(f, o);
    EXPECT_EQ(run.status, kSomeFailed);
    EXPECT_TRUE(Contains(run.out, "1 of 3 station(s) evaluated")) << run.out;
    list = ReadFile(f / "run_wxcheck.lst");
    EXPECT_TRUE(Contains(list,
                         "station 3 (not evaluated): none of the 2 pairs in the period is "
                         "used: every pair has a missing value (filter 1"))
        << list;
    EXPECT_EQ(ReadTable(f / "run_HourlyWindStats.dat").Fields(0, "N_WS"), "1");

    // No station with a used pair: nothing evaluated, and no statistics written.
    WriteFile(f / "run_WXCHECK.TSF.STN", StationText({{"good.tsf", "empty.tsf"}}));
    EXPECT_EQ(RunIn(f, o).status, kNothingEvaluated);
    EXPECT_FALSE(std::filesystem::exists(f / "run_HourlyWindStats.dat"));
}

// Every variable both files give in readable units takes part in filter 1, even a wind
// direction whose speed cannot be read: its statistics need the calm hours, so it has none.
TEST(WxcheckEngine, FilterOneCountsADirectionWithoutReadableSpeed) {
    ScratchFolder f;
    WriteFile(f / "prd.tsf", TsfText({"WSPEED bft", "WDIR", "TEMP"},
                                     Record(1, 1, "3 10 281") + Record(1, 2, "4 20 282")));
    WriteFile(f / "obs.tsf", TsfText({"WSPEED", "WDIR", "TEMP"},
                                     Record(1, 1, "3 -999 280") + Record(1, 2, "4 20 283")));
    WriteFile(f / "dir.tsf", TsfText({"WSPEED bft", "WDIR"}, Record(1, 1, "3 10")));
    WriteFile(f / "run_WXCHECK.TSF.STN",
              StationText({{"prd.tsf", "obs.tsf"}, {"dir.tsf", "obs.tsf"}}));
    ControlOptions o;
    o.filter = "1";
    const RunOutcome run = RunIn(f, o);
    EXPECT_EQ(run.status, kSomeFailed);
    const Table hourly = ReadTable(f / "run_HourlyTeHuStats.dat");
    EXPECT_EQ(hourly.At(0, "N_T") + " " + hourly.Fields(1, "N_T Obs_T"), "0 1 283.0000");
    EXPECT_EQ(ReadTable(f / "run_HourlyWindStats.dat").Fields(1, "N_WS N_WD"), "0 0");
    const std::string list = ReadFile(f / "run_wxcheck.lst");
    EXPECT_TRUE(Contains(list,
                         "station 1: wind direction has no statistics: calm hours cannot be "
                         "told without WSPEED in known units in both files"))
        << list;
    EXPECT_TRUE(Contains(list, "station 2 (not evaluated): the two files share no variable"));
}

TEST(WxcheckEngine, BadInputIsReportedAndTheOtherStationsEvaluated) {
    ScratchFolder f;
    const std::string good = Record(1, 1, "3 10 281 6") + Record(1, 2, "4 20 282 6");
    WriteFile(f / "good.tsf", TsfText(kMet, good));
    WriteFile(f / "zone.tsf", TsfText(kMet, good, "utc+1"));
    WriteFile(f / "messy.tsf",
              TsfText(kMet, Record(1, 1, "3 10 281") + Record(1, 1, "3 10 281 6") +
                                Record(1, 2, "4 20 282 6") + Record(1, 2, "5 20 282 6") +
                                Record(1, 3, "4 400 282 six") + Record(1, 4, "-2 20 282 6")));
    WriteFile(f / "units.tsf", TsfText({"WSPEED bft", "WDIR grad", "TEMP R", "MIXR ppm"}, good));
    WriteFile(f / "late.tsf", TsfText(kMet, Record(3, 1, "3 10 281 6")));
    for (const char* name : {"x','y", "y','z", "x", "z"}) {  // "x','y','z" splits two ways
        WriteFile(f / name, TsfText(kMet, good));
    }
    WriteFile(f / "run_WXCHECK.TSF.STN", StationText({{"good.tsf", "good.tsf"},
                                                      {"absent.tsf", "good.tsf"},
                                                      {"good.tsf", "zone.tsf"},
                                                      {"messy.tsf", "good.tsf"},
                                                      {"units.tsf", "good.tsf"},
                                                      {"x','y", "z"},
                                                      {"good.tsf", "late.tsf"}}));
    const RunOutcome run = RunIn(f, ControlOptions());
    EXPECT_EQ(run.status, kSomeFailed);
    const std::string list = ReadFile(f / "run_wxcheck.lst");
    const std::string path = f.path();
    for (const std::string& expected : std::vector<std::string>{
             "station 2 (not evaluated): " + path + "absent.tsf: ",
             "No such file or directory",
             "station 3 (not evaluated): " + path +
                 "zone.tsf:7: the file's time zone utc+1 differs from the processing zone "
                 "UTC+0000, and utc+1 is no zone UTC+HHMM or UTC-HHMM",
             "station 4: " + path +
                 "messy.tsf:15: 2 record(s) skipped; the first is line 15: it has "
                 "too few fields",
             "station 4: " + path + "messy.tsf:20: 1 value(s) out of range",
             "station 4: " + path +
                 "messy.tsf:18: 1 record(s) in the period repeat an earlier end stamp",
             "station 5: " + path +
                 "units.tsf: variable WSPEED (line 1 of the variables) has "
                 "units 'bft', not m/s, kt, mph or km/h; it is not evaluated",
             "station 5 (not evaluated): the two files share no variable",
             "station 6 (not evaluated): " + path + "run_WXCHECK.TSF.STN:9: ambiguous station line",
             "station 7 (not evaluated): no predicted and observed records with the same end "
             "stamp in the period 2008-01-01 01:00:00 to 2008-01-02 00:00:00",
         }) {
        EXPECT_TRUE(Contains(list, expected)) << expected;
    }
    EXPECT_TRUE(Contains(run.err, "station 3: " + path + "zone.tsf:7: the file's time zone"));
    EXPECT_TRUE(Contains(run.out, "2 of 7 station(s) evaluated"));
    // The messy station keeps the first of the duplicated records (speed 4 at 02:00).
    EXPECT_EQ(ReadTable(f / "run_HourlyWindStats.dat").Fields(1, "N_WS Obs_WS Prd_WS"),
              "2 4.0000 4.0000");
}

// Speeds in knots, mph and km/h, temperatures in F and C, a mixing ratio against a specific
// humidity and stamps of another zone are converted (and said so); relative humidity against
// a mixing ratio cannot be, nor are different sites a fault: both are warned about.
TEST(WxcheckEngine, UnitsAndZonesAreConvertedIntoTheEvaluatedOnes) {
    ScratchFolder f;
    WriteFile(f / "1p.tsf", TsfText({"WSPEED kt", "WDIR", "TEMP F", "MIXR"},
                                    Record(1, 1, "10 90 50 10") + Record(1, 3, "1.5 90 50 10"),
                                    "UTC+0000", "Harbour"));
    WriteFile(f / "1o.tsf", TsfText({"WSPEED", "WDIR", "TEMP C", "SHUM g/kg"},
                                    Record(1, 1, "5 80 10 9.9") + Record(1, 3, "5 80 10 9.9"),
                                    "UTC+0000", "HARBOUR "));
    WriteFile(f / "2p.tsf", TsfText({"WSPEED mph", "RHUM %"}, Record(1, 2, "10 80")));
    WriteFile(f / "2o.tsf", TsfText({"WSPEED km/h", "MIXR"}, Record(1, 2, "36 5")));
    WriteFile(f / "3p.tsf",
              TsfText({"WSPEED"}, Record(1, 4, "5") + Record(1, 12, "1") + Record(1, 13, "2"),
                      "UTC+0000", "Harbour"));
    // 23:00 on 31 December at UTC-0500 is 04:00 on 1 January UTC, inside the period.
    WriteFile(f / "3o.tsf",
              TsfText({"WSPEED"}, Record(0, 23, "6") + Record(1, 7, "3") + Record(1, 8, "4"),
                      "UTC-0500", "Harbour mole"));
    WriteFile(f / "run_WXCHECK.TSF.STN",
              StationText({{"1p.tsf", "1o.tsf"}, {"2p.tsf", "2o.tsf"}, {"3p.tsf", "3o.tsf"}}));
    ASSERT_EQ(RunIn(f, ControlOptions()).status, kAllEvaluated);
    const Table wind = ReadTable(f / "run_HourlyWindStats.dat");
    const std::string columns = "Hour N_WS Obs_WS Prd_WS N_WD Bias_WD";
    EXPECT_EQ(wind.Fields(0, columns), "01 1 5.0000 5.1444 1 10.0000");  // 10 kt
    EXPECT_EQ(wind.Fields(1, columns), "02 1 10.0000 4.4704 0 -999");    // 36 km/h, 10 mph
    EXPECT_EQ(wind.Fields(2, columns), "03 1 5.0000 0.7717 0 -999");     // 1.5 kt is calm
    EXPECT_EQ(wind.Fields(3, columns), "04 1 6.0000 5.0000 0 -999");
    EXPECT_EQ(wind.Fields(11, columns), "12 1 3.0000 1.0000 0 -999");
    EXPECT_EQ(wind.Fields(12, columns), "13 1 4.0000 2.0000 0 -999");
    EXPECT_EQ(wind.Fields(6, "N_WS"), "0");
    // 50 F and 10 C are 283.15 K; q = 10 / (1 + 0.010) g/kg.
    EXPECT_EQ(ReadTable(f / "run_HourlyTeHuStats.dat").Fields(0, "Obs_T Prd_T N_H Obs_H Prd_H"),
              "283.1500 283.1500 1 9.9000 9.9010");
    const std::string list = ReadFile(f / "run_wxcheck.lst");
    for (const char* expected : {
             "   1  predicted series: MIXR evaluated as SHUM, q = w / (1 + w) in kg/kg\n",
             "   1  predicted series: WSPEED from kt to m/s, TEMP from F to K\n",
             "   1  observed series: TEMP from C to K\n",
             "   2  predicted series: WSPEED from mph to m/s\n",
             "   2  observed series: WSPEED from km/h to m/s\n",
             "   3  observed series: stamps in UTC-0500 shifted by +05:00 into UTC+0000\n",
             "station 2: humidity is not evaluated: the predicted file gives RHUM, the observed "
             "file MIXR; relative humidity cannot be converted",
             "station 3: the two files name different sites: predicted 'Harbour', observed "
             "'Harbour mole'\n",
             "Pooled humidity variable: SHUM (g/kg), used by 1 station(s)",
         }) {
        EXPECT_TRUE(Contains(list, expected)) << expected << "\n" << list.substr(0, 4000);
    }
    EXPECT_FALSE(Contains(list, "station 1: the two files name different sites"));
}

// Running out of memory on a worker thread must not abort the engine: the work stops and
// the exception reaches the run, which reports it like any other failure.
TEST(WxcheckEngine, OutOfMemoryOnAnyThreadReachesTheRun) {
    for (const std::size_t failing : {std::size_t{0}, std::size_t{5}, std::size_t{39}}) {
        std::atomic<int> done{0};
        EXPECT_THROW(ParallelFor(40, 4,
                                 [&](std::size_t i) {
                                     if (i == failing) {
                                         throw std::bad_alloc();
                                     }
                                     ++done;
                                 }),
                     std::bad_alloc);
        EXPECT_LT(done.load(), 40);
    }
}

TEST(WxcheckEngine, OutputDoesNotDependOnTheThreadCount) {
    ScratchFolder f;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> speed(0, 8), direction(0, 360), temperature(260, 300);
    std::vector<std::pair<std::string, std::string>> stations;
    for (int s = 0; s < 18; ++s) {  // predicted and observed files alternate
        std::string records;
        for (int hour = 1; hour <= 72; ++hour) {
            char values[96];
            std::snprintf(values, sizeof values, "%.2f %.1f %.2f %.2f", speed(random),
                          direction(random), random() % 17 == 0 ? -999.0 : temperature(random),
                          speed(random));
            records += Record(1 + (hour - 1) / 24, 1 + (hour - 1) % 24, values);
        }
        WriteFile(f / (std::to_string(s) + ".tsf"), TsfText(kMet, records));
        if (s % 2 == 1) {
            stations.emplace_back(std::to_string(s - 1) + ".tsf", std::to_string(s) + ".tsf");
        }
    }
    WriteFile(f / "run_WXCHECK.TSF.STN", StationText(stations));
    ControlOptions o;
    o.end = "20080104000000";
    o.block = "2 : NTPD\n22,03\n04,21\n2 : NWSP\n0,3\n3,8\n";
    std::string single;
    for (const unsigned threads : {1u, 2u, 5u}) {
        ASSERT_EQ(RunIn(f, o, threads, true).status, kAllEvaluated);
        std::string all;
        for (const char* name :
             {"wxcheck.lst", "HourlyWindStats.dat", "HourlyTeHuStats.dat", "DailyWindStats.dat",
              "DailyTeHuStats.dat", "StationStats.csv", "Pairs.csv", "report.html"}) {
            all += ReadFile(f / ("run_" + std::string(name)));
        }
        EXPECT_EQ(all, single.empty() ? all : single) << threads << " threads";
        single = all;
    }
}

// Twelve days: the wind speed's bias is 0.2 or 0.8 m/s by turns, 0.5 over the period, so
// its interval straddles the 0.5 limit; the temperature's is 0.1 K every hour, an interval
// of no width well inside. A station of three days has none, said once. The intervals do
// not depend on the thread count.
TEST(WxcheckEngine, IntervalsDecideTheVerdictsOrSayTheyCannot) {
    ScratchFolder f;
    for (const int station : {1, 2, 3}) {
        std::string predicted, observed;
        for (int day = 1; day <= (station == 3 ? 3 : 12); ++day) {
            for (int hour = 1; hour <= 24; ++hour) {
                const double speed = 3 + (hour % 5) * 0.5 + station * 0.1;
                const double bias = day % 2 == 0 ? 0.8 : 0.2;
                const double temperature = 275 + hour * 0.3 + day * 0.1;
                char o[96], p[96];
                std::snprintf(o, sizeof o, "%.2f 90 %.2f 4", speed, temperature);
                std::snprintf(p, sizeof p, "%.2f 90 %.2f 4.5", speed + bias, temperature + 0.1);
                observed += Record(day, hour, o);
                predicted += Record(day, hour, p);
            }
        }
        WriteFile(f / ("p" + std::to_string(station) + ".tsf"), TsfText(kMet, predicted));
        WriteFile(f / ("o" + std::to_string(station) + ".tsf"), TsfText(kMet, observed));
    }
    WriteFile(f / "run_WXCHECK.TSF.STN",
              StationText({{"p1.tsf", "o1.tsf"}, {"p2.tsf", "o2.tsf"}, {"p3.tsf", "o3.tsf"}}));
    ControlOptions o;
    o.end = "20080113000000";
    std::string first;
    for (const unsigned threads : {1u, 3u}) {
        ASSERT_EQ(RunIn(f, o, threads).status, kAllEvaluated);
        const std::string list = ReadFile(f / "run_wxcheck.lst");
        const std::string benchmarks = list.substr(list.find("\nBENCHMARKS"));
        const auto verdict = [&](const std::string& row) {
            const std::size_t at = benchmarks.find("\n" + row);
            return at == std::string::npos
                       ? std::string("<no row>")
                       : benchmarks.substr(at + 1, benchmarks.find('\n', at + 1) - at - 1);
        };
        EXPECT_TRUE(verdict("Wind speed              Bias").ends_with("undecided")) << benchmarks;
        EXPECT_TRUE(verdict("Temperature             Bias")
                        .ends_with("0.1000 to 0.1000       |bias| <= 0.5 K        pass"))
            << benchmarks;
        EXPECT_TRUE(verdict("Wind direction          Bias").ends_with("pass")) << benchmarks;
        EXPECT_TRUE(Contains(list,
                             "Confidence intervals:       95%, day-block bootstrap of 1000 "
                             "resamples, seed 20081"));
        EXPECT_TRUE(Contains(list, "No interval (n/a) with pairs on fewer than 10 days: 3.\n"));
        const std::vector<std::string> low = ListRow(list, "WHOLE PERIOD", "95% interval", "All");
        ASSERT_GE(low.size(), 4u) << list;
        EXPECT_EQ(low[1], "2.5%");
        EXPECT_LT(std::stod(low[2]), 0.5);  // the bias interval holds the limit
        const std::string all =
            list + ReadFile(f / "run_StationStats.csv") + ReadFile(f / "run_report.html");
        EXPECT_EQ(all, first.empty() ? all : first) << threads << " threads";
        first = all;
    }
    // The report's verdict says it as word and symbol, and draws the interval bars.
    const std::string report = ReadFile(f / "run_report.html");
    EXPECT_TRUE(Contains(report, "? undecided</td>"));
    EXPECT_TRUE(Contains(report, "<td class=\"n\">0.1000 to 0.1000</td>"));
    EXPECT_TRUE(Contains(report, "bars: 95% intervals"));
    const Table csv = ReadCsv(f / "run_StationStats.csv");
    const std::size_t last = csv.rows.size() - 1;  // all stations, the vector row
    EXPECT_EQ(csv.Fields(last, "station quantity bootstrap seed"), "all wind_vector 1000 20081");
    EXPECT_EQ(csv.Fields(0, "station quantity Bias_lo"), "1 wind_speed " + csv.At(0, "Bias_lo"));
    EXPECT_FALSE(csv.At(0, "Bias_lo").empty());
    // The CSV's verdicts on all stations are the list file's, word for word; a station's
    // whole-period rows have its own (on the value where it has no interval), other rows none.
    const std::string list = ReadFile(f / "run_wxcheck.lst");
    const std::string table = list.substr(list.find("\nBENCHMARKS"));
    const std::map<std::string, std::string> names = {{"wind_speed", "Wind speed"},
                                                      {"wind_direction", "Wind direction"},
                                                      {"temperature", "Temperature"},
                                                      {"humidity", "Humidity (MIXR)"}};
    std::size_t judged = 0;
    for (std::size_t r = 0; r < csv.rows.size(); ++r) {
        if (csv.At(r, "station") != "all" || csv.At(r, "quantity") == "wind_vector") {
            continue;
        }
        for (const std::string statistic : {"Bias", "GE", "RMSE", "IOA"}) {
            std::string label = names.at(csv.At(r, "quantity"));
            label.resize(24, ' ');
            const std::size_t at = table.find("\n" + label + statistic + " ");
            const std::string line = at == std::string::npos
                                         ? ""
                                         : table.substr(at + 1, table.find('\n', at + 1) - at - 1);
            const std::string word = line.substr(line.rfind(' ') + 1);
            EXPECT_EQ(csv.At(r, statistic + "_verdict"), word) << line;
            judged += !word.empty();
        }
    }
    EXPECT_EQ(judged, 11u);  // every benchmark of the table
    const std::string verdicts =
        "section quantity Bias_verdict GE_verdict RMSE_verdict IOA_verdict";
    EXPECT_EQ(csv.Fields(0, "station " + verdicts), "1 period wind_speed undecided  pass pass");
    EXPECT_EQ(csv.Fields(4, verdicts), "period wind_vector    ");
    EXPECT_EQ(csv.Fields(5, verdicts), "time_of_day wind_speed    ");
    EXPECT_EQ(csv.Fields(50, "station " + verdicts), "3 period wind_speed pass  pass pass");
    EXPECT_EQ(csv.Fields(53, verdicts), "period humidity pass pass  fail");
    // Without intervals the value decides, in the same columns, still the last.
    ASSERT_EQ(RunIn(f, o, 2, false, 0).status, kAllEvaluated);
    const Table values = ReadCsv(f / "run_StationStats.csv");
    EXPECT_EQ(values.names.back(), "IOA_verdict");
    EXPECT_EQ(values.Fields(0, verdicts), "period wind_speed pass  pass pass");  // 0.5 m/s
}

// What a station's files are and what comes of them is said, naming the station: a value too
// large to square, one file given as both series, a pair given twice; large counts keep the
// station table's columns under their headings.
TEST(WxcheckEngine, StationsThatCannotBeTrustedAreWarnedAbout) {
    ScratchFolder f;
    const std::string good = Record(1, 1, "3 10 281 6") + Record(1, 2, "4 20 282 6");
    WriteFile(f / "good.tsf", TsfText(kMet, good));
    WriteFile(f / "huge.tsf",
              TsfText(kMet, Record(1, 1, "1e308 10 281 6") + Record(1, 2, "4 20 282 6")));
    std::string repeated = good;
    for (int i = 0; i < 12000; ++i) {
        repeated += Record(1, 1, "5 30 283 7");
    }
    WriteFile(f / "repeated.tsf", TsfText(kMet, repeated));
    std::filesystem::create_symlink(f / "good.tsf", f / "link.tsf");
    WriteFile(f / "run_WXCHECK.TSF.STN", StationText({{"huge.tsf", "good.tsf"},
                                                      {"good.tsf", "link.tsf"},
                                                      {"link.tsf", "good.tsf"},
                                                      {"repeated.tsf", "repeated.tsf"}}));
    ASSERT_EQ(RunIn(f, ControlOptions()).status, kAllEvaluated);
    std::string outputs;
    for (const char* name : {"wxcheck.lst", "HourlyWindStats.dat", "DailyWindStats.dat"}) {
        outputs += ReadFile(f / ("run_" + std::string(name)));
    }
    EXPECT_FALSE(Contains(outputs, "inf") || Contains(outputs, "nan"));
    const std::string list = ReadFile(f / "run_wxcheck.lst");
    for (const char* expected : {
             "station 1: some statistics are no finite number",
             "station 2: the predicted and the observed series are the same file",
             "station 3: the predicted and the observed series are the same file",
             "station 3: the same predicted and observed files as station 2",
             "some statistics of all stations pooled are no finite number",
         }) {
        EXPECT_TRUE(Contains(list, expected)) << expected;
    }
    EXPECT_EQ(ReadTable(f / "run_HourlyWindStats.dat").Fields(0, "N_WS RMSE_WS"), "4 -999");
    // Under the heading "Hum" stands each station's humidity variable.
    std::istringstream table(list.substr(list.find("  No  Status")));
    std::string heading;
    std::getline(table, heading);
    for (std::string row; std::getline(table, row) && !row.empty();) {
        EXPECT_EQ(row.find("MIXR"), heading.find("Hum")) << heading << "\n" << row;
    }
    EXPECT_TRUE(Contains(list, " 12000/12000  MIXR")) << list.substr(0, 3000);
}

}  // namespace
}  // namespace corvane::wxcheck
