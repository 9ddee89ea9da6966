#include "wxcheck/compare/compare_outputs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <span>

#include "chart/palette.h"
#include "chart/plot.h"
#include "chart/svg.h"
#include "chart/taylor_diagram.h"
#include "report/report_charts.h"
#include "wxcheck/evaluation/benchmarks.h"
#include "wxcheck/outputs/csv_output.h"
#include "wxcheck/outputs/output_text.h"

namespace corvane::wxcheck {

std::string SectionName(const ControlSettings& settings, std::size_t g) {
    if (g == 0) {
        return "period";
    }
    if (g <= settings.windows.size()) {
        const TimeWindow& w = settings.windows[g - 1];
        const auto two = [](int h) { return std::string(h < 10 ? "0" : "") + std::to_string(h); };
        return "hours " + two(w.first) + "-" + two(w.last);
    }
    const SpeedRange& r = settings.ranges[g - 1 - settings.windows.size()];
    return "speed " + r.lowText + "-" + r.highText + " m/s";
}

namespace {

constexpr int kPooled = -1;

// One value of the comparison: station (kPooled for all stations), run, group, quantity and
// statistic, with its difference to the reference (none for the reference itself).
struct Cell {
    int station;
    std::size_t run;
    std::size_t group;
    int quantity;
    std::size_t statistic;
    double value;
    std::optional<DifferenceInterval> interval;  // of the value; the whole period only
    Difference difference;
};

const std::vector<GroupResult>& GroupsOf(const ComparisonResult& r, int station, std::size_t run) {
    return station == kPooled ? r.pooled[run]
                              : r.stations[static_cast<std::size_t>(station)].runs[run];
}

// The whole-period intervals of a run; none made when the comparison has none.
const RunIntervals* IntervalsOf(const ComparisonResult& r, int station, std::size_t run) {
    const std::vector<RunIntervals>& all =
        station == kPooled ? r.pooledIntervals
                           : r.stations[static_cast<std::size_t>(station)].intervals;
    return run < all.size() ? &all[run] : nullptr;
}

// Every cell of one station (or all stations pooled), the reference first within each
// statistic's runs. A quantity no common case has is left out.
void ForEachCell(const ComparisonResult& r, int station,
                 const std::function<void(const Cell&)>& f) {
    const std::size_t groups = GroupsOf(r, station, 0).size();
    for (std::size_t g = 0; g < groups; ++g) {
        for (int q = 0; q < kQuantityCount; ++q) {
            if (StatisticValue(GroupsOf(r, station, 0)[g], q, 0) <= 0) {
                continue;
            }
            const std::vector<StatisticKind>& kinds = StatisticsOf(q);
            for (std::size_t s = 0; s < kinds.size(); ++s) {
                const double reference = StatisticValue(GroupsOf(r, station, 0)[g], q, s);
                for (std::size_t k = 0; k < r.runs.size(); ++k) {
                    const double value = StatisticValue(GroupsOf(r, station, k)[g], q, s);
                    Cell cell{station, k, g, q, s, value, {}, {}};
                    const RunIntervals* intervals = g == 0 ? IntervalsOf(r, station, k) : nullptr;
                    if (intervals != nullptr) {
                        cell.interval = StatisticInterval(*intervals, q, s);
                    }
                    if (k > 0) {
                        cell.difference = MakeDifference(value, reference, kinds[s].sense);
                        const int i = ResampledIndex(q, s);
                        if (intervals != nullptr && i >= 0) {
                            cell.difference.interval =
                                intervals->difference[static_cast<std::size_t>(i)];
                            cell.difference.judgedInterval =
                                intervals->judged[static_cast<std::size_t>(i)];
                        }
                    }
                    f(cell);
                }
            }
        }
    }
}

std::string CsvField(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

std::string CsvText(std::string_view text) {
    return CsvField(SpreadsheetText(text));
}

std::string Number(double value, bool count) {
    if (!std::isfinite(value)) {
        return {};
    }
    return count ? std::to_string(static_cast<std::int64_t>(value)) : FormatValue(value);
}

std::string IntervalCells(const std::optional<DifferenceInterval>& i) {
    return i ? FormatValue(i->low) + "," + FormatValue(i->high) : std::string(",");
}

// "[low, high]", or empty without an interval.
std::string IntervalText(const std::optional<DifferenceInterval>& i) {
    return i ? "[" + FormatValue(i->low) + ", " + FormatValue(i->high) + "]" : std::string();
}

std::string StationName(const ComparisonResult& r, int station) {
    return station == kPooled ? std::string("all stations")
                              : r.stations[static_cast<std::size_t>(station)].name;
}

}  // namespace

std::string ComparisonCsv(const ComparisonResult& r) {
    std::string text =
        "run,control_file,station,section,quantity,statistic,value,interval_low,interval_high,"
        "difference,difference_low,difference_high,verdict,resamples,seed\n";
    const std::string runCells =
        "," + std::to_string(r.bootstrap.resamples) + "," + std::to_string(r.bootstrap.seed) + "\n";
    for (int station = kPooled; station < static_cast<int>(r.stations.size()); ++station) {
        const std::string name = CsvText(StationName(r, station));
        ForEachCell(r, station, [&](const Cell& c) {
            const StatisticKind& kind = StatisticsOf(c.quantity)[c.statistic];
            const bool count = c.statistic == 0;
            text += std::to_string(c.run + 1) + "," + CsvText(r.runs[c.run]) + "," + name + "," +
                    CsvField(SectionName(r.settings, c.group)) + "," + QuantityName(c.quantity) +
                    "," + kind.name + "," + Number(c.value, count) + "," +
                    IntervalCells(c.interval) + ",";
            if (c.run > 0) {
                text += Number(c.difference.value, count) + "," +
                        IntervalCells(c.difference.interval) + "," +
                        VerdictText(kind.sense, Decide(kind.sense, c.difference));
            } else {
                text += ",,,";
            }
            text += runCells;
        });
    }
    return text;
}

namespace {

std::string Padded(std::string text, std::size_t width, bool right = true) {
    if (text.size() < width) {
        text.insert(right ? 0 : text.size(), width - text.size(), ' ');
    }
    return text;
}

}  // namespace

std::string ComparisonSummary(const ComparisonResult& r) {
    const ControlSettings& s = r.settings;
    std::string text = std::string("wxcheck ") + EngineVersion() + ": comparison of " +
                       std::to_string(r.runs.size()) + " runs on their common cases\n\n";
    for (std::size_t k = 0; k < r.runs.size(); ++k) {
        text +=
            (k == 0 ? "Run 1 (reference): " : "Run " + std::to_string(k + 1) + ":             ") +
            r.runs[k] + (r.titles[k].empty() ? "" : "  '" + r.titles[k] + "'") + "\n";
    }
    text += "\nPeriod:          " + PeriodText(s) + "\nZone:            " + s.zone +
            "\nCalm threshold:  " + s.calmText +
            " m/s\nMissing filter:  " + FilterText(s.missingFilter) +
            "\nHumidity:        " + HumidityText(r.humidity) + "\nIntervals:       " +
            (r.bootstrap.resamples > 0
                 ? "95%, day-block bootstrap of " + std::to_string(r.bootstrap.resamples) +
                       " resamples, seed " + std::to_string(r.bootstrap.seed) +
                       " (whole period; the differences paired on the same days)"
                 : std::string("none (--bootstrap 0)")) +
            "\n\nStations compared: " + std::to_string(r.stations.size()) + "\n";
    for (const ComparedStation& station : r.stations) {
        text += "  " + station.name + ": " + std::to_string(station.commonPairs) +
                " common end stamps\n";
    }
    text += "Stations left out: " + std::to_string(r.leftOut.size()) + "\n";
    for (const LeftOutStation& station : r.leftOut) {
        text += "  " + station.name + ": " + station.reason + "\n";
    }
    for (const std::string& note : r.notes) {
        text += "Note: " + note + "\n";
    }
    if (r.bootstrap.resamples > 0) {
        // Said once: where the common cases span too few days to resample.
        std::string none;
        for (const ComparedStation& station : r.stations) {
            if (!station.intervals.empty() && !station.intervals[0].own.made) {
                none += (none.empty() ? "" : ", ") + station.name;
            }
        }
        if (r.pooledIntervals.empty() || !r.pooledIntervals[0].own.made) {
            none += std::string(none.empty() ? "" : ", ") + "all stations";
        }
        if (!none.empty()) {
            text += "No interval with common cases on fewer than " +
                    std::to_string(kMinimumIntervalDays) + " days: " + none + "\n";
        }
    }

    text += "\nAll stations pooled, whole period, common cases\n";
    std::string header = Padded("Quantity", 16, false) + Padded("Statistic", 12, false);
    for (std::size_t k = 0; k < r.runs.size(); ++k) {
        header += Padded("Run " + std::to_string(k + 1), 11);
    }
    for (std::size_t k = 1; k < r.runs.size(); ++k) {
        header += Padded(std::to_string(k + 1) + "-1", 11) + "  " +
                  Padded("Interval " + std::to_string(k + 1) + "-1", 20, false) +
                  Padded("Verdict " + std::to_string(k + 1), 14, false);
    }
    while (!header.empty() && header.back() == ' ') {
        header.pop_back();
    }
    text += header + "\n" + std::string(header.size(), '-') + "\n";
    std::string line;
    std::string verdicts;
    ForEachCell(r, kPooled, [&](const Cell& c) {
        if (c.group != 0) {
            return;
        }
        const StatisticKind& kind = StatisticsOf(c.quantity)[c.statistic];
        const bool count = c.statistic == 0;
        if (c.run == 0) {
            line = Padded(QuantityLabel(c.quantity), 16, false) + Padded(kind.label, 12, false);
            verdicts.clear();
        }
        line += Padded(count ? Number(c.value, true) : FormatValue(c.value), 11);
        if (c.run > 0) {
            verdicts +=
                Padded(count ? Number(c.difference.value, true) : FormatValue(c.difference.value),
                       11) +
                "  " + Padded(IntervalText(c.difference.interval), 20, false) +
                Padded(VerdictText(kind.sense, Decide(kind.sense, c.difference)), 14, false);
        }
        if (c.run + 1 == r.runs.size()) {
            line += verdicts;
            while (!line.empty() && line.back() == ' ') {
                line.pop_back();
            }
            text += line + "\n";
        }
    });
    text +=
        "\nLegend: every run is evaluated on the same cases, the end stamps at which every\n"
        "run's predicted series and the observed series give the variable (a gap in one run\n"
        "removes those hours from all). K-1 is run K less the reference. Its interval is paired:\n"
        "the days with common cases are resampled with replacement, and each resample draws\n"
        "the same days for every run (for all stations, the same days for every station too);\n"
        "run K's statistic less the reference's on each resample gives the 2.5 and 97.5\n"
        "percentiles. A run is called better or worse only when that 95% interval excludes\n"
        "zero: for the bias, the interval of |run K| - |reference| (nearer zero is better); for\n"
        "IOA and R larger is better, for the errors smaller. 'no significant difference': the\n"
        "interval holds zero; 'no interval': none could be made (--bootstrap 0, or common cases\n"
        "on fewer than " +
        std::to_string(kMinimumIntervalDays) +
        " days). Counts and means get no verdict. Per-station values and\n"
        "the intervals of every run's own statistics are in the CSV file.\n";
    return text;
}

namespace {

void Html(std::string& out, std::string_view text) {
    chart::AppendEscaped(out, text);
}

struct VerdictStyle {
    const char* symbol;
    const char* cssClass;
};

VerdictStyle StyleOf(Verdict v) {
    switch (v) {
        case Verdict::Better:
            return {"&#9650; better", "better"};
        case Verdict::Worse:
            return {"&#9660; worse", "worse"};
        case Verdict::NoSignificantDifference:
            return {"&#9679; no significant difference", "same"};
        case Verdict::NoInterval:
            break;
    }
    return {"&#8211; no interval", "none"};
}

// Each run keeps one colour, marker and dash in every chart; the marker shape, the dash and
// the run's number beside its marker tell the runs apart also without colour.
constexpr std::array<const char*, 6> kRunColours = {chart::kBlack,         chart::kVermillion,
                                                    chart::kBlue,          chart::kBluishGreen,
                                                    chart::kReddishPurple, chart::kOrange};
constexpr std::array<chart::Marker, 4> kRunMarkers = {
    chart::Marker::Circle, chart::Marker::Square, chart::Marker::Triangle, chart::Marker::Diamond};
constexpr std::array<const char*, 4> kRunDashes = {"", "6 3", "2 2", "8 3 2 3"};

std::string RunName(std::size_t k) {
    return "Run " + std::to_string(k + 1) + (k == 0 ? " (reference)" : "");
}

// A run's name and colour, which its markers and its lines share.
chart::SeriesStyle RunStyle(std::size_t k) {
    chart::SeriesStyle s;
    s.name = RunName(k);
    s.colour = kRunColours[k % kRunColours.size()];
    return s;
}

chart::SeriesStyle RunMarkers(std::size_t k) {
    chart::SeriesStyle s = RunStyle(k);
    s.marker = kRunMarkers[k % kRunMarkers.size()];
    s.markerRadius = 4.5;
    return s;
}

chart::SeriesStyle RunLine(std::size_t k) {
    chart::SeriesStyle s = RunStyle(k);
    s.dash = kRunDashes[k % kRunDashes.size()];
    s.lineWidth = 1.8;
    return s;
}

ReportQuantity ReportQuantityOf(int quantity) {
    return static_cast<ReportQuantity>(quantity);  // both in the order speed, direction, T, q
}

std::string WithUnit(const std::string& text, const std::string& unit) {
    return unit.empty() ? text : text + " (" + unit + ")";
}

const QuantityBenchmarks* BenchmarksFor(int quantity, HumidityKind humidity) {
    switch (quantity) {
        case 0:
            return &kSpeedBenchmarks;
        case 1:
            return &kDirectionBenchmarks;
        case 2:
            return &kTemperatureBenchmarks;
        default:
            return humidity == HumidityKind::Relative ? nullptr : &kHumidityBenchmarks;
    }
}

// The scalar index of a quantity of StatisticsOf (wind direction has none).
std::size_t ScalarIndexOf(int quantity) {
    return quantity == 0 ? kScalarSpeed : quantity == 2 ? kScalarTemperature : kScalarHumidity;
}

// Bias across and error up (the RMSE of wind speed, the gross error of the others), one
// marker per run on the groups `runs`, with the benchmark box; `who` says whose cases.
std::string RunsSoccerChart(const std::vector<const GroupResult*>& runs, int quantity,
                            HumidityKind humidity, const std::string& who) {
    const ReportQuantity rq = ReportQuantityOf(quantity);
    const std::string name = QuantityName(rq, humidity);
    const std::string unit = QuantityUnit(rq, humidity);
    const std::size_t errorStat = quantity == 0 ? 5 : 4;
    const std::string errorName = quantity == 0 ? "RMSE" : "Gross error";
    chart::Extent x;
    chart::Extent y;
    std::vector<chart::LabelledPoint> points(runs.size());
    std::vector<bool> drawn(runs.size(), false);
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const double n = StatisticValue(*runs[k], quantity, 0);
        const double bias = StatisticValue(*runs[k], quantity, 3);
        const double error = StatisticValue(*runs[k], quantity, errorStat);
        if (n > 0 && std::isfinite(bias) && std::isfinite(error)) {
            x.Add(bias);
            y.Add(error);
            points[k] = {bias, error, std::to_string(k + 1),
                         RunName(k) + ": bias " + FormatValue(bias) + " " + unit + ", " +
                             errorName + " " + FormatValue(error) + " " + unit + ", N " +
                             Number(n, true),
                         true};
            drawn[k] = true;
        }
    }
    const QuantityBenchmarks* limits = BenchmarksFor(quantity, humidity);
    const double biasLimit = limits != nullptr ? limits->bias.limit : kNotComputed;
    const double errorLimit = limits != nullptr ? limits->error.limit : kNotComputed;
    x = SoccerRange(x, -biasLimit, biasLimit);
    y = SoccerRange(y, 0, errorLimit);
    chart::Frame frame{350, 330, name,
                       name + ": bias against " + errorName + " of every run, " + who +
                           ", with the benchmark box"};
    chart::Plot plot(frame, chart::NiceAxis(x, WithUnit("Bias", unit)),
                     chart::NiceAxis(y, WithUnit(errorName, unit)));
    if (limits != nullptr) {
        plot.Box(-biasLimit, 0, biasLimit, errorLimit, chart::kBluishGreen, "Benchmark");
    }
    plot.HorizontalLine(0, chart::kAxis);
    if (std::find(drawn.begin(), drawn.end(), true) == drawn.end()) {
        plot.NoData("no common cases");
    }
    for (std::size_t k = 0; k < runs.size(); ++k) {
        if (drawn[k]) {
            plot.Points(std::span(&points[k], 1), RunMarkers(k));
        }
    }
    return plot.Finish();
}

// Spread ratio and correlation of every run on the groups `runs`, one marker per run.
std::string RunsTaylorChart(const std::vector<const GroupResult*>& runs,
                            const std::vector<std::array<double, 3>>& ratios, int quantity,
                            HumidityKind humidity, const std::string& who) {
    const std::size_t k3 = ScalarIndexOf(quantity);
    const std::string name = QuantityName(ReportQuantityOf(quantity), humidity);
    std::vector<chart::TaylorSeries> series;
    bool any = false;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        chart::TaylorSeries& s = series.emplace_back();
        s.style = RunMarkers(k);
        const ScalarStats& stats = runs[k]->scalar[k3];
        if (stats.n == 0) {
            continue;
        }
        any = true;
        const double ratio = ratios[k][k3];
        const double r = stats.correlation;
        // Predictions without spread have no correlation; they lie at the origin.
        s.points.push_back(
            std::isfinite(ratio) && !std::isfinite(r)
                ? chart::TaylorPoint{0, 0, std::to_string(k + 1),
                                     RunName(k) + ": no spread in the predictions (ratio "
                                                  "0, correlation n/a)"}
                : chart::TaylorPoint{ratio, r, std::to_string(k + 1),
                                     RunName(k) + ": standard deviation ratio " +
                                         FormatValue(ratio) + ", correlation " + FormatValue(r)});
    }
    chart::Frame frame{350, 0, name,
                       name + ": standard deviation ratio and correlation of every run, " + who};
    return chart::TaylorDiagram(frame, series,
                                any ? "no spread in the observations" : "no common cases");
}

// Whether some run has common cases of the quantity in `runs`.
bool AnyCases(const std::vector<const GroupResult*>& runs, int quantity) {
    return std::any_of(runs.begin(), runs.end(),
                       [&](const GroupResult* g) { return StatisticValue(*g, quantity, 0) > 0; });
}

std::vector<const GroupResult*> WholePeriod(const std::vector<std::vector<GroupResult>>& runs) {
    std::vector<const GroupResult*> out;
    for (const std::vector<GroupResult>& run : runs) {
        out.push_back(&run[0]);
    }
    return out;
}

// One line per run over `x` (`lines[k]` the values of run k), against a value axis that
// holds zero; `zeroLine` draws the line at zero, as a bias wants.
std::string RunLinesChart(const chart::Frame& frame, const chart::Axis& xAxis,
                          std::span<const double> x,
                          const std::vector<std::span<const double>>& lines,
                          const std::string& valueLabel, bool zeroLine) {
    chart::Extent values;
    values.Add(0);
    for (const std::span<const double> line : lines) {
        for (const double v : line) {
            values.Add(v);
        }
    }
    chart::Plot plot(frame, xAxis, chart::NiceAxis(values, valueLabel));
    if (zeroLine) {
        plot.HorizontalLine(0, chart::kAxis);
    }
    for (std::size_t k = 0; k < lines.size(); ++k) {
        plot.Line(x, lines[k], RunLine(k));
    }
    return plot.Finish();
}

// The daily error of every run, one line per run, over the days of the period.
std::string DailyErrorChart(const ComparisonResult& r, int quantity) {
    const ReportQuantity rq = ReportQuantityOf(quantity);
    const std::string name = QuantityName(rq, r.humidity);
    const std::string errorName = quantity == 0 ? "RMSE" : "Gross error";
    const auto q = static_cast<std::size_t>(quantity);
    std::vector<DayMeans> days(r.dailyError.empty() ? 0 : r.dailyError[0][q].size());
    std::vector<double> x(days.size());
    for (std::size_t d = 0; d < days.size(); ++d) {
        days[d].day = r.firstDay + static_cast<Stamp>(d) * 86400;
        x[d] = static_cast<double>(d);
    }
    std::vector<std::span<const double>> lines;
    for (const auto& run : r.dailyError) {
        lines.emplace_back(run[q]);
    }
    const chart::Frame frame{710, 270, name,
                             "Daily " + errorName + " of " + name +
                                 " of every run, all stations on their common cases; days "
                                 "without cases leave gaps"};
    return RunLinesChart(frame, DateAxis(days), x, lines,
                         WithUnit(errorName, QuantityUnit(rq, r.humidity)), false);
}

// The bias of every run by hour of the day, one line per run.
std::string DiurnalBiasChart(const ComparisonResult& r, int quantity) {
    const ReportQuantity rq = ReportQuantityOf(quantity);
    const std::string name = QuantityName(rq, r.humidity);
    std::array<double, 24> x{};
    for (std::size_t h = 0; h < x.size(); ++h) {
        x[h] = static_cast<double>(h);
    }
    std::vector<std::span<const double>> lines;
    for (const auto& run : r.diurnalBias) {
        lines.emplace_back(run[ScalarIndexOf(quantity)]);
    }
    const chart::Frame frame{350, 270, name,
                             name +
                                 ": mean bias (predicted - observed) by hour of the day of "
                                 "every run, all stations on their common cases"};
    return RunLinesChart(frame, HourAxis(), x, lines,
                         WithUnit("Bias", QuantityUnit(rq, r.humidity)), true);
}

void Figure(std::string& out, const std::string& svg, const std::string& caption) {
    out += "<figure>" + svg + "<figcaption>";
    Html(out, caption);
    out += "</figcaption></figure>";
}

// Per-station plots while the page stays within the 2 MB that the report keeps to: a
// station's seven charts take about 58 KB.
constexpr std::size_t kMostStationPlots = 30;

// The soccer plots and Taylor diagrams of one station, every run on its common cases.
void StationPlots(std::string& out, const ComparisonResult& r, std::size_t s) {
    const ComparedStation& station = r.stations[s];
    const std::vector<const GroupResult*> runs = WholePeriod(station.runs);
    const std::string who = "station " + std::to_string(s + 1) + " (" + station.name + ")";
    for (const int q : {0, 1, 2, 3}) {
        if (AnyCases(runs, q) && (q != 3 || station.humidity == r.humidity)) {
            Figure(out, RunsSoccerChart(runs, q, r.humidity, who),
                   std::string(QuantityLabel(q)) + ", " + who);
        }
    }
    for (const int q : {0, 2, 3}) {
        if (AnyCases(runs, q) && (q != 3 || station.humidity == r.humidity)) {
            Figure(out, RunsTaylorChart(runs, station.spreadRatio, q, r.humidity, who),
                   std::string(QuantityLabel(q)) + ", " + who);
        }
    }
}

}  // namespace

std::string ComparisonHtml(const ComparisonResult& r) {
    std::string out =
        "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\"><head><meta "
        "charset=\"utf-8\"/><title>Comparison of "
        "runs</title><style>body{font-family:sans-serif;margin:1.5em;color:#222}"
        "table{border-collapse:collapse;margin:0.5em 0 1.5em}td,th{border:1px solid #ccc;"
        "padding:3px 8px;text-align:right}th{background:#eee}td.l,th.l{text-align:left}"
        ".better{background:#d8f0d8}.worse{background:#f6d5d5}.same{background:#eeeeee}"
        ".none{color:#666}figure{display:inline-block;margin:0 1em 1em 0;vertical-align:top}"
        "figcaption{font-size:90%;color:#444}tr.plots td{border-top:none;background:#fcfcfc}"
        "summary{cursor:pointer;color:#0b5394}</style></head><body>"
        "<h1>Comparison of runs</h1><p>";
    Html(out, PeriodText(r.settings) + ", zone " + r.settings.zone + "; " +
                  std::to_string(r.stations.size()) +
                  " station(s) compared on their common "
                  "cases, " +
                  std::to_string(r.leftOut.size()) + " left out.");
    out += "</p><ol>";
    for (std::size_t k = 0; k < r.runs.size(); ++k) {
        out += "<li>";
        Html(out, r.runs[k] + (r.titles[k].empty() ? "" : " '" + r.titles[k] + "'"));
        out += k == 0 ? " (reference)</li>" : "</li>";
    }
    out += "</ol>";

    // The scorecard: each run against the reference, all stations pooled, whole period.
    out +=
        "<h2>Scorecard</h2><p>Each cell is the run less the reference with its 95% interval, "
        "paired on the same resampled days for every run. Better or worse is said only where "
        "the interval of the difference (for the bias, of the difference of magnitudes, "
        "|bias| in its cells) excludes zero. ";
    out += r.bootstrap.resamples > 0
               ? "Day-block bootstrap of " + std::to_string(r.bootstrap.resamples) +
                     " resamples, seed " + std::to_string(r.bootstrap.seed) + ".</p>"
               : std::string("No intervals (--bootstrap 0).</p>");
    out += "<table><tr><th class=\"l\">Quantity</th><th class=\"l\">Statistic</th>";
    for (std::size_t k = 1; k < r.runs.size(); ++k) {
        out += "<th>Run " + std::to_string(k + 1) + " vs 1</th>";
    }
    out += "</tr>";
    ForEachCell(r, kPooled, [&](const Cell& c) {
        const StatisticKind& kind = StatisticsOf(c.quantity)[c.statistic];
        if (c.group != 0 || kind.sense == Sense::None) {
            return;
        }
        if (c.run == 0) {
            out += "<tr><td class=\"l\">";
            Html(out, QuantityLabel(c.quantity));
            out += "</td><td class=\"l\">";
            Html(out, kind.label);
            out += "</td>";
            return;
        }
        const VerdictStyle style = StyleOf(Decide(kind.sense, c.difference));
        out += std::string("<td class=\"") + style.cssClass + "\">" +
               FormatValue(c.difference.value) +
               (c.difference.interval
                    ? "<br/><small>" + IntervalText(c.difference.interval) + "</small>"
                    : std::string());
        if (kind.sense == Sense::SmallerMagnitude && c.difference.judgedInterval) {
            // What the verdict rests on: a bias of the other sign can be larger and still
            // nearer zero.
            out += "<br/><small>|bias| " + FormatValue(c.difference.judged) + " " +
                   IntervalText(c.difference.judgedInterval) + "</small>";
        }
        out += std::string("<br/><small>") + style.symbol + "</small></td>";
        if (c.run + 1 == r.runs.size()) {
            out += "</tr>";
        }
    });
    out += "</table>";

    const std::vector<const GroupResult*> pooled = WholePeriod(r.pooled);
    out +=
        "<section id=\"soccer\"><h2>Soccer plots</h2><p>Bias against error of every run, all "
        "stations pooled on their common cases; the numbers beside the markers are the "
        "runs.</p>";
    for (const int q : {0, 1, 2, 3}) {
        if (AnyCases(pooled, q)) {
            Figure(out, RunsSoccerChart(pooled, q, r.humidity, "all stations"),
                   std::string(QuantityLabel(q)) + ", all stations pooled");
        }
    }
    out +=
        "</section><section id=\"taylor\"><h2>Taylor diagrams</h2><p>Standard deviation of "
        "the predictions over that of the observations (the distance from the origin) and "
        "their correlation (the angle) of every run, all stations pooled.</p>";
    for (const int q : {0, 2, 3}) {
        if (AnyCases(pooled, q)) {
            Figure(out, RunsTaylorChart(pooled, r.spreadRatio, q, r.humidity, "all stations"),
                   std::string(QuantityLabel(q)) + ", all stations pooled");
        }
    }
    out +=
        "</section><section id=\"daily\"><h2>Daily errors</h2><p>The RMSE of wind speed and "
        "the gross error of the others, of every run on each day, all stations pooled on their "
        "common cases.</p>";
    for (const int q : {0, 1, 2, 3}) {
        if (AnyCases(pooled, q)) {
            Figure(out, DailyErrorChart(r, q), std::string(QuantityLabel(q)) + ", by day");
        }
    }
    out += "</section><section id=\"diurnal\"><h2>Diurnal bias</h2>";
    for (const int q : {0, 2, 3}) {
        if (AnyCases(pooled, q)) {
            Figure(out, DiurnalBiasChart(r, q),
                   std::string(QuantityLabel(q)) + ": mean P - O by hour, all stations");
        }
    }
    out += "</section>";

    out +=
        "<h2>Benchmarks</h2><table><tr><th class=\"l\">Quantity</th><th class=\"l\">"
        "Statistic</th><th class=\"l\">Benchmark</th>";
    for (std::size_t k = 0; k < r.runs.size(); ++k) {
        out += "<th>Run " + std::to_string(k + 1) + "</th>";
    }
    out += "</tr>";
    std::vector<std::vector<BenchmarkCheck>> checks;
    for (const std::vector<GroupResult>& run : r.pooled) {
        checks.push_back(CheckBenchmarks(run[0], r.humidity));
    }
    for (std::size_t i = 0; i < checks[0].size(); ++i) {
        out += "<tr><td class=\"l\">";
        Html(out, checks[0][i].quantity);
        out += "</td><td class=\"l\">";
        Html(out, checks[0][i].statistic);
        out += "</td><td class=\"l\">";
        Html(out, checks[0][i].goal);
        out += "</td>";
        for (const std::vector<BenchmarkCheck>& run : checks) {
            out += "<td>" + FormatValue(run[i].value) + " ";
            Html(out, run[i].result);
            out += "</td>";
        }
        out += "</tr>";
    }
    out += "</table>";

    out += "<section id=\"stations\"><h2>Stations</h2><p>";
    const std::size_t plotted = std::min(r.stations.size(), kMostStationPlots);
    Html(out, plotted == r.stations.size()
                  ? std::string("Open a station's row for its soccer plots and Taylor diagrams "
                                "with every run.")
                  : "Soccer plots and Taylor diagrams with every run open from the rows of the "
                    "first " +
                        std::to_string(plotted) + " of " + std::to_string(r.stations.size()) +
                        " stations, so that the page stays small; the values of all are in the "
                        "comparison's CSV file.");
    out += "</p><table><tr><th>No</th><th class=\"l\">Station</th><th>Common end stamps</th>";
    for (std::size_t k = 0; k < r.runs.size(); ++k) {
        out += "<th>Run " + std::to_string(k + 1) + " wind speed bias</th>";
    }
    out += "</tr>";
    for (std::size_t s = 0; s < r.stations.size(); ++s) {
        const ComparedStation& station = r.stations[s];
        out += "<tr><td>" + std::to_string(s + 1) + "</td><td class=\"l\">";
        Html(out, station.name);
        out += "</td><td>" + std::to_string(station.commonPairs) + "</td>";
        for (const std::vector<GroupResult>& run : station.runs) {
            out += "<td>" + FormatValue(run[0].scalar[kScalarSpeed].bias) + "</td>";
        }
        out += "</tr>";
        if (s < plotted) {
            out += "<tr class=\"plots\"><td></td><td class=\"l\" colspan=\"" +
                   std::to_string(2 + r.runs.size()) + "\"><details id=\"station-" +
                   std::to_string(s + 1) + "\"><summary>Plots of ";
            Html(out, station.name);
            out += "</summary>";
            StationPlots(out, r, s);
            out += "</details></td></tr>";
        }
    }
    out += "</table></section>";
    if (!r.leftOut.empty()) {
        out += "<h2>Left out</h2><ul>";
        for (const LeftOutStation& station : r.leftOut) {
            out += "<li>";
            Html(out, station.name + ": " + station.reason);
            out += "</li>";
        }
        out += "</ul>";
    }
    out += "</body></html>\n";
    return out;
}

}  // namespace corvane::wxcheck
