#include "wxcheck/outputs/list_file.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "tsf/text_scan.h"
#include "wxcheck/engine.h"
#include "wxcheck/evaluation/benchmarks.h"
#include "wxcheck/outputs/output_text.h"
#include "wxcheck/outputs/run_outputs.h"
#include "wxcheck/outputs/statistics_files.h"

namespace corvane::wxcheck {

namespace {

// The list file's text goes straight into the file (which writes it in large blocks), so the
// list file of many stations is never held whole in memory.
class Sink {
public:
    explicit Sink(OutputFile& file) : file_(file) {}

    Sink& operator+=(std::string_view text) {
        file_.Write(text);
        return *this;
    }
    Sink& operator+=(char c) { return *this += std::string_view(&c, 1); }
    void append(std::string_view text) { file_.Write(text); }

private:
    OutputFile& file_;
};

std::string Padded(std::string_view text, std::size_t width, bool left = false) {
    std::string out;
    if (text.size() < width && !left) {
        out.append(width - text.size(), ' ');
    }
    out.append(text);
    if (text.size() < width && left) {
        out.append(width - text.size(), ' ');
    }
    return out;
}

void Rule(Sink& out) {
    out += std::string(100, '-') + '\n';
}

void Heading(Sink& out, std::string_view title) {
    out += '\n';
    out.append(title);
    out += '\n';
    out += std::string(title.size(), '=') + '\n';
}

void EchoInputs(Sink& out, const ControlSettings& s, const RunNotes& notes, bool anyEvaluated) {
    const auto line = [&](std::string_view label, const std::string& value) {
        out += Padded(label, 28, true);
        out += ShownText(value);
        out += '\n';
    };
    Heading(out, "INPUTS");
    line("Control file:", notes.controlPath);
    line("Title:", s.title);
    line("Output folder:", s.folder);
    line("List file:", s.ListPath());
    line("Statistics files:", s.StatisticsPath(kHourlyWindFile));
    for (const std::string_view suffix : {kHourlyTeHuFile, kDailyWindFile, kDailyTeHuFile}) {
        line("", s.StatisticsPath(suffix));
    }
    const std::string notWritten = anyEvaluated ? "" : " (not written: no station evaluated)";
    if (!anyEvaluated) {
        line("", notWritten.substr(1));
    }
    line("Report:",
         notes.reportPath.empty() ? "none (--no-report)" : notes.reportPath + notWritten);
    line("Per-station statistics:", OutputPath(s, OutputKind::StationStats) + notWritten);
    line("Pairs:",
         notes.pairsPath.empty() ? "none (without --pairs)" : notes.pairsPath + notWritten);
    line("Station file:", s.StationPath());
    line("Processing time zone:", s.zone);
    line("Period:", PeriodText(s));
    line("Calm wind threshold:",
         s.calmText + " m/s (a pair is calm when either speed is at or below it)");
    line("Missing filter:", FilterText(s.missingFilter));
    std::string windows;
    for (const TimeWindow& w : s.windows) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%02d-%02d", windows.empty() ? "" : ", ", w.first,
                      w.last);
        windows += text;
    }
    line("Time-of-day windows:", windows.empty() ? "none" : windows);
    std::string ranges;
    for (const SpeedRange& r : s.ranges) {
        ranges += (ranges.empty() ? "" : ", ") + r.lowText + " < WS <= " + r.highText;
    }
    line("Wind-speed ranges (m/s):", ranges.empty() ? "none" : ranges);
    if (notes.resamples > 0) {
        line("Confidence intervals:", "95%, day-block bootstrap of " +
                                          std::to_string(notes.resamples) + " resamples, seed " +
                                          std::to_string(notes.seed) + " (whole period)");
    }
}

std::string WindowTitle(const TimeWindow& w) {
    char text[96];
    std::snprintf(text, sizeof text, "TIME OF DAY %02d TO %02d (hours of the end stamps, %s)",
                  w.first, w.last, w.first <= w.last ? "inclusive" : "wrapping past midnight");
    return text;
}

// The station table's cells of one station, in column order from Rec_Prd on.
std::array<std::string, 8> CountCells(const StationResult& s) {
    const RecordCounts& p = s.predicted.counts;
    const RecordCounts& o = s.observed.counts;
    return {std::to_string(p.records),
            std::to_string(o.records),
            std::to_string(s.pairs),
            std::to_string(s.missing),
            std::to_string(s.used),
            std::to_string(s.calm),
            std::to_string(p.skipped) + "/" + std::to_string(o.skipped),
            std::to_string(p.duplicates) + "/" + std::to_string(o.duplicates)};
}

std::string Variables(const StationResult& s) {
    std::string variables;
    for (const auto& [slot, name] : {std::pair{kSpeed, "WSPEED"}, std::pair{kDirection, "WDIR"},
                                     std::pair{kTemperature, "TEMP"}}) {
        if (s.evaluates[static_cast<std::size_t>(slot)]) {
            variables += variables.empty() ? "" : ",";
            variables += name;
        }
    }
    if (s.humidity != HumidityKind::None) {
        variables += variables.empty() ? "" : ",";
        variables += HumidityName(s.humidity);
    }
    return variables.empty() ? "-" : variables;
}

void StationTable(Sink& out, const std::vector<StationResult>& stations) {
    Heading(out, "STATIONS");
    out +=
        "Records: data records read; Pairs: same end stamp in both files and in the period;\n"
        "Missing: pairs with a missing value of an evaluated variable; Used: pairs left after\n"
        "the missing filter; Calm: used pairs with either speed at or below the threshold;\n"
        "Skipped: unreadable records; Dup: records in the period repeating an end stamp\n"
        "(Skipped and Dup: predicted/observed).\n\n";
    // Columns widen for large counts, so that every row stays under its heading.
    std::array<std::size_t, 8> width = {9, 9, 9, 9, 9, 9, 8, 8};
    std::size_t numberWidth = 4;
    for (const StationResult& s : stations) {
        const std::array<std::string, 8> cells = CountCells(s);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            width[c] = std::max(width[c], cells[c].size());
        }
        numberWidth = std::max(numberWidth, std::to_string(s.number).size());
    }
    const auto row = [&](std::string_view number, std::string_view status,
                         const std::array<std::string, 8>& cells, std::string_view humidity,
                         std::string_view variables) {
        out += Padded(number, numberWidth) + "  " + Padded(status, 9, true);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            out += ' ' + Padded(cells[c], width[c]);
        }
        out += "  " + Padded(humidity, 4, true) + "  ";
        out += variables;
        out += '\n';
    };
    row("No", "Status",
        {"Rec_Prd", "Rec_Obs", "Pairs", "Missing", "Used", "Calm", "Skipped", "Dup"}, "Hum",
        "Variables");
    for (const StationResult& s : stations) {
        row(std::to_string(s.number), s.evaluated ? "evaluated" : "FAILED", CountCells(s),
            s.humidity == HumidityKind::None ? "-" : HumidityName(s.humidity), Variables(s));
    }
    out += "\nFiles (predicted, observed):\n";
    const std::string indent(numberWidth + 2, ' ');
    for (const StationResult& s : stations) {
        out += Padded(std::to_string(s.number), numberWidth) + "  " +
               ShownText(s.predicted.written) + '\n';
        out += indent + ShownText(s.observed.written) + '\n';
    }
    bool anyNote = false;
    for (const StationResult& s : stations) {
        for (const std::string& note : s.notes) {
            if (!anyNote) {
                out += "\nConverted into the processing zone and the evaluated units:\n";
                anyNote = true;
            }
            out += Padded(std::to_string(s.number), numberWidth) + "  " + note + '\n';
        }
    }
    bool anyError = false;
    for (const StationResult& s : stations) {
        for (const std::string& e : s.errors) {
            if (!anyError) {
                out += "\nStations not evaluated (see ERRORS):\n";
                anyError = true;
            }
            out += Padded(std::to_string(s.number), numberWidth) + "  " + ShownText(e) + '\n';
        }
    }
}

std::string TableHeader(std::initializer_list<const char*> names) {
    std::string out = Padded("Station", 8, true) + Padded("N", 10);
    for (const char* name : names) {
        out += ' ';
        out += Padded(name, 10);
    }
    out += '\n';
    return out;
}

void ScalarRow(Sink& out, std::string_view label, const ScalarStats& s,
               std::string_view extra = {}) {
    out += Padded(label, 8, true);
    out += Padded(std::to_string(s.n), 10);
    for (const double v : {s.meanObserved, s.meanPredicted, s.bias, s.grossError, s.rmse,
                           s.rmseSystematic, s.rmseUnsystematic, s.agreement, s.correlation}) {
        out += ' ';
        out += Padded(FormatValue(v), 10);
    }
    if (!extra.empty()) {
        out += "  ";
        out.append(extra);
    }
    out += '\n';
}

void DirectionRow(Sink& out, std::string_view label, const DirectionStats& s) {
    out += Padded(label, 8, true);
    out += Padded(std::to_string(s.n), 10);
    for (const double v : {s.meanObserved, s.meanPredicted, s.bias, s.grossError}) {
        out += ' ';
        out += Padded(FormatValue(v), 10);
    }
    out += '\n';
}

void VectorRow(Sink& out, std::string_view label, const VectorStats& s) {
    out += Padded(label, 8, true);
    out += Padded(std::to_string(s.n), 10);
    for (const double v : {s.meanError, s.rmsError}) {
        out += ' ';
        out += Padded(FormatValue(v), 10);
    }
    out += '\n';
}

// The 2.5% and 97.5% bounds of a table's intervals, in the columns of their statistics
// (Obs and Prd left blank); "n/a" where there is none.
void IntervalRows(Sink& out, std::string_view label, const std::vector<Interval>& intervals) {
    for (const bool low : {true, false}) {
        out += Padded(label, 8, true);
        out += Padded(low ? "2.5%" : "97.5%", 10);
        out += std::string(22, ' ');
        for (const Interval& i : intervals) {
            out += ' ';
            out += Padded(i.Known() ? FormatValue(low ? i.low : i.high) : "n/a", 10);
        }
        out += '\n';
    }
}

std::vector<Interval> ScalarIntervals(const GroupIntervals& g, std::size_t k) {
    return {g.scalar[k].begin(), g.scalar[k].end()};
}

void IntervalHeader(Sink& out, std::initializer_list<const char*> names) {
    out += "\n95% interval (day-block bootstrap)\n";
    out += Padded("Station", 8, true) + Padded("Bound", 10) + std::string(22, ' ');
    for (const char* name : names) {
        out += ' ';
        out += Padded(name, 10);
    }
    out += '\n';
}

// Stations without an interval, said once above the tables.
void IntervalNote(Sink& out, const std::vector<StationResult>& stations,
                  const PooledResults& pooled) {
    std::string missing;
    for (const StationResult& s : stations) {
        if (s.evaluated && !s.intervals.made) {
            missing += (missing.empty() ? "" : ", ") + std::to_string(s.number);
        }
    }
    if (!pooled.intervals.made) {
        missing += std::string(missing.empty() ? "" : ", ") + "All";
    }
    if (!missing.empty()) {
        out += "\nNo interval (n/a) with pairs on fewer than " +
               std::to_string(kMinimumIntervalDays) + " days: " + missing + ".\n";
    }
}

// The statistics of one group (the whole period, a window or a range) for every station
// and for all stations; with `intervals` (the whole period) also their 95% intervals.
void GroupTables(Sink& out, std::string_view title, std::size_t group,
                 const std::vector<StationResult>& stations, const PooledResults& pooled,
                 bool intervals = false) {
    Heading(out, title);
    if (intervals) {
        IntervalNote(out, stations, pooled);
    }
    const auto scalarTable = [&](std::string_view name, std::size_t k, bool humidity) {
        out += '\n';
        out.append(name);
        out += '\n';
        out += TableHeader({"Obs", "Prd", "Bias", "GE", "RMSE", "RMSEs", "RMSEu", "IOA", "R"});
        for (const StationResult& s : stations) {
            if (!s.evaluated || (humidity && s.humidity == HumidityKind::None)) {
                continue;
            }
            const ScalarStats& stats = s.groups[group].scalar[k];
            ScalarRow(out, std::to_string(s.number), stats,
                      humidity ? std::string(HumidityName(s.humidity)) : std::string());
        }
        ScalarRow(out, "All", pooled.all[group].scalar[k],
                  humidity ? std::string(HumidityName(pooled.humidity)) : std::string());
        if (!intervals) {
            return;
        }
        IntervalHeader(out, {"Bias", "GE", "RMSE", "RMSEs", "RMSEu", "IOA", "R"});
        for (const StationResult& s : stations) {
            if (s.evaluated && !(humidity && s.humidity == HumidityKind::None)) {
                IntervalRows(out, std::to_string(s.number), ScalarIntervals(s.intervals, k));
            }
        }
        IntervalRows(out, "All", ScalarIntervals(pooled.intervals, k));
    };
    scalarTable("Wind speed (m/s)", kScalarSpeed, false);
    out += "\nWind direction (degrees; non-calm pairs; differences wrapped into (-180, 180])\n";
    out += TableHeader({"Obs", "Prd", "Bias", "GE"});
    for (const StationResult& s : stations) {
        if (s.evaluated) {
            DirectionRow(out, std::to_string(s.number), s.groups[group].direction);
        }
    }
    DirectionRow(out, "All", pooled.all[group].direction);
    if (intervals) {
        IntervalHeader(out, {"Bias", "GE"});
        for (const StationResult& s : stations) {
            if (s.evaluated) {
                IntervalRows(out, std::to_string(s.number),
                             {s.intervals.directionBias, s.intervals.directionError});
            }
        }
        IntervalRows(out, "All", {pooled.intervals.directionBias, pooled.intervals.directionError});
    }
    out +=
        "\nVector wind error (m/s; pairs with both speeds and both directions, calm ones "
        "included)\n";
    out += TableHeader({"MVE", "RMSVE"});
    for (const StationResult& s : stations) {
        if (s.evaluated) {
            VectorRow(out, std::to_string(s.number), s.groups[group].vector);
        }
    }
    VectorRow(out, "All", pooled.all[group].vector);
    if (intervals) {
        out += "\n95% interval (day-block bootstrap)\n";
        out += Padded("Station", 8, true) + Padded("Bound", 10) + ' ' + Padded("MVE", 10) + ' ' +
               Padded("RMSVE", 10) + '\n';
        const auto rows = [&](std::string_view label, const GroupIntervals& g) {
            for (const bool low : {true, false}) {
                out += Padded(label, 8, true) + Padded(low ? "2.5%" : "97.5%", 10);
                for (const Interval& i : {g.vectorMean, g.vectorRms}) {
                    out += ' ';
                    out += Padded(i.Known() ? FormatValue(low ? i.low : i.high) : "n/a", 10);
                }
                out += '\n';
            }
        };
        for (const StationResult& s : stations) {
            if (s.evaluated) {
                rows(std::to_string(s.number), s.intervals);
            }
        }
        rows("All", pooled.intervals);
    }
    scalarTable("Temperature (K)", kScalarTemperature, false);
    scalarTable("Humidity (each station's variable; All: " + HumidityText(pooled.humidity) +
                    ", stations using it)",
                kScalarHumidity, true);
}

}  // namespace

std::string StationWarningText(int station, const std::string& warning) {
    return "station " + std::to_string(station) + ": " + warning;
}

std::string StationErrorText(int station, const std::string& error) {
    return "station " + std::to_string(station) + " (not evaluated): " + error;
}

namespace {

void BenchmarkTable(Sink& out, const PooledResults& pooled, bool intervals) {
    Heading(out, "BENCHMARKS (all stations, whole period)");
    out += "Commonly used simple-terrain benchmarks; a value that cannot be computed is n/a.\n";
    if (!intervals) {
        out += "\nQuantity                Statistic       Value  Benchmark              Result\n";
        for (const BenchmarkCheck& c : CheckBenchmarks(pooled.all[0], pooled.humidity)) {
            out += Padded(c.quantity, 24, true) + Padded(c.statistic, 9, true) +
                   Padded(FormatValue(c.value), 10) + "  " + Padded(c.goal, 23, true) + c.result +
                   '\n';
        }
        return;
    }
    out +=
        "Judged on the 95% interval: pass when the whole interval meets the benchmark, fail\n"
        "when none of it does, undecided when it straddles the limit (the data cannot tell);\n"
        "without an interval (n/a) on the value.\n\n";
    out +=
        "Quantity                Statistic       Value   95% interval           Benchmark"
        "              Result\n";
    for (const BenchmarkCheck& c :
         CheckBenchmarks(pooled.all[0], pooled.humidity, &pooled.intervals)) {
        const std::string interval =
            c.interval.Known() ? FormatValue(c.interval.low) + " to " + FormatValue(c.interval.high)
                               : "n/a";
        out += Padded(c.quantity, 24, true) + Padded(c.statistic, 9, true) +
               Padded(FormatValue(c.value), 10) + "   " + Padded(interval, 23, true) +
               Padded(c.goal, 23, true) + c.result + '\n';
    }
}

void Messages(Sink& out, const std::vector<StationResult>& stations, const RunNotes& notes) {
    Heading(out, "WARNINGS");
    std::size_t count = 0;
    for (const std::string& w : notes.warnings) {
        out += ShownText(w) + '\n';
        ++count;
    }
    for (const StationResult& s : stations) {
        for (const std::string& w : s.warnings) {
            out += ShownText(StationWarningText(s.number, w)) + '\n';
            ++count;
        }
    }
    if (count == 0) {
        out += "none\n";
    }
    Heading(out, "ERRORS");
    count = 0;
    for (const std::string& e : notes.errors) {
        out += ShownText(e) + '\n';
        ++count;
    }
    for (const StationResult& s : stations) {
        for (const std::string& e : s.errors) {
            out += ShownText(StationErrorText(s.number, e)) + '\n';
            ++count;
        }
    }
    if (count == 0) {
        out += "none\n";
    }
}

std::string Banner() {
    return std::string("WXCHECK statistics engine, version ") + EngineVersion() + '\n';
}

void ExitStatus(Sink& out, int status, std::size_t evaluated, std::size_t stations) {
    out += "\nExit status: " + std::to_string(status) + " (";
    if (status == kAllEvaluated) {
        out += "every station evaluated)\n";
    } else if (status == kSomeFailed) {
        out += std::to_string(evaluated) + " of " + std::to_string(stations) +
               " stations evaluated; see ERRORS)\n";
    } else {
        out += "nothing evaluated; see ERRORS)\n";
    }
}

}  // namespace

void WriteListFile(OutputFile& file, const ControlSettings& settings,
                   const std::vector<StationResult>& stations, const PooledResults& pooled,
                   const RunNotes& notes, int status) {
    Sink out(file);
    out += Banner();
    Rule(out);
    std::size_t evaluated = 0;
    for (const StationResult& s : stations) {
        evaluated += s.evaluated ? 1 : 0;
    }
    EchoInputs(out, settings, notes, evaluated > 0);
    out += '\n';
    out += std::to_string(evaluated) + " of " + std::to_string(stations.size()) +
           " station(s) evaluated. Pooled humidity variable: " + HumidityText(pooled.humidity) +
           ", used by " + std::to_string(pooled.humidityStations) + " station(s).\n";
    StationTable(out, stations);
    out +=
        "\nStatistics: N pairs; Obs, Prd means; Bias mean(P-O); GE mean|P-O|; RMSE; RMSEs and\n"
        "RMSEu systematic and unsystematic RMSE about the least-squares line P = a + b O;\n"
        "IOA Willmott's 1981 index of agreement; R Pearson correlation; -999 cannot be computed.\n"
        "Wind direction: Obs and Prd are the directions of the mean unit vectors of the\n"
        "observed and the predicted directions (-999 when that vector is shorter than 1e-6),\n"
        "not means of degrees; Bias and GE are the mean and the mean absolute difference P-O,\n"
        "each difference wrapped into (-180, 180]. Where directions scatter, the mean vectors\n"
        "may point far apart while the differences average out: Obs 32, Prd 107, Bias -1.\n"
        "Vector wind error: with u = -s sin(dir), v = -s cos(dir), MVE is the length of the\n"
        "mean vector difference P-O and RMSVE the root mean square of its length; calm pairs\n"
        "count (their vectors are short) and a speed of 0 is the vector (0, 0).\n"
        "Hours and days: the hour of a pair is the hour of its end stamp; its day (in the daily\n"
        "statistics files) is the date of its end stamp less one second, so that a day holds\n"
        "the hours ending 01:00 to 24:00 (00:00 of the next date).\n";
    const bool intervals = notes.resamples > 0;
    if (intervals) {
        out +=
            "Intervals (whole period): 95% percentile intervals of a day-block bootstrap. The\n"
            "days that hold pairs are drawn with replacement, as many as there are, " +
            std::to_string(notes.resamples) + " times\n(seed " + std::to_string(notes.seed) +
            "); each statistic is computed on every resample and its 2.5 and 97.5\n"
            "percentiles bound the interval. Whole days keep the hours of a day together, so\n"
            "that their correlation and the diurnal cycle stay in each block; All resamples\n"
            "the same days for every station. No interval with pairs on fewer than " +
            std::to_string(kMinimumIntervalDays) + " days.\n";
    }
    GroupTables(out, "WHOLE PERIOD", 0, stations, pooled, intervals);
    for (std::size_t w = 0; w < settings.windows.size(); ++w) {
        GroupTables(out, WindowTitle(settings.windows[w]), 1 + w, stations, pooled);
    }
    for (std::size_t r = 0; r < settings.ranges.size(); ++r) {
        const SpeedRange& range = settings.ranges[r];
        GroupTables(
            out,
            "WIND SPEED RANGE " + range.lowText + " < observed WS <= " + range.highText + " m/s",
            1 + settings.windows.size() + r, stations, pooled);
    }
    BenchmarkTable(out, pooled, intervals);
    Messages(out, stations, notes);
    ExitStatus(out, status, evaluated, stations.size());
}

void WriteFailureListFile(OutputFile& file, const ControlSettings& settings,
                          const RunNotes& notes) {
    Sink out(file);
    out += Banner();
    Rule(out);
    out += "\nNOTHING WAS EVALUATED: no statistics files and no report were written.\n";
    out += "\nControl file: " + ShownText(notes.controlPath) + '\n';
    if (!settings.title.empty()) {
        out += "Title: " + ShownText(settings.title) + '\n';
    }
    Messages(out, {}, notes);
    ExitStatus(out, kNothingEvaluated, 0, 0);
}

}  // namespace corvane::wxcheck
