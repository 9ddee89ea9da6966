#include "wxcheck/compare/compare_outputs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "chart/svg.h"
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

// One colour per run, told apart also without colour by the run's number beside it.
constexpr std::array<const char*, 6> kColours = {"#000000", "#d55e00", "#0072b2",
                                                 "#009e73", "#cc79a7", "#e69f00"};

// A soccer plot of one quantity: bias across, error up, one marker per run.
void SoccerPlot(std::string& out, const ComparisonResult& r, int quantity) {
    const std::size_t errorStat = quantity == 0 ? 5 : 4;  // RMSE for wind speed
    double extent = 0;
    for (const std::vector<GroupResult>& run : r.pooled) {
        const double b = StatisticValue(run[0], quantity, 3);
        const double e = StatisticValue(run[0], quantity, errorStat);
        if (std::isfinite(b) && std::isfinite(e)) {
            extent = std::max({extent, std::fabs(b), e});
        }
    }
    if (extent <= 0) {
        return;
    }
    extent *= 1.2;
    const double w = 320, h = 220, left = 40, bottom = 190, top = 20, right = 300;
    out +=
        "<figure><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"320\" height=\"240\" "
        "viewBox=\"0 0 320 240\" role=\"img\"><title>";
    Html(out, std::string(QuantityLabel(quantity)) + ": bias and " +
                  (quantity == 0 ? "RMSE" : "gross error") + " of every run");
    out +=
        "</title><rect x=\"40\" y=\"20\" width=\"260\" height=\"170\" fill=\"#fafafa\" "
        "stroke=\"#888\"/>";
    const auto x = [&](double b) { return left + (b / extent + 1) / 2 * (right - left); };
    const auto y = [&](double e) { return bottom - e / extent * (bottom - top); };
    out += "<line x1=\"";
    chart::AppendNumber(out, x(0));
    out += "\" y1=\"20\" x2=\"";
    chart::AppendNumber(out, x(0));
    out += "\" y2=\"190\" stroke=\"#bbb\"/>";
    for (std::size_t k = 0; k < r.pooled.size(); ++k) {
        const double b = StatisticValue(r.pooled[k][0], quantity, 3);
        const double e = StatisticValue(r.pooled[k][0], quantity, errorStat);
        if (!std::isfinite(b) || !std::isfinite(e)) {
            continue;
        }
        out += "<circle r=\"5\" cx=\"";
        chart::AppendNumber(out, x(b));
        out += "\" cy=\"";
        chart::AppendNumber(out, y(e));
        out += std::string("\" fill=\"") + kColours[k % kColours.size()] +
               "\"/><text font-size=\"11\" x=\"";
        chart::AppendNumber(out, x(b) + 7);
        out += "\" y=\"";
        chart::AppendNumber(out, y(e) + 4);
        out += "\">" + std::to_string(k + 1) + "</text>";
    }
    out += "<text font-size=\"11\" x=\"170\" y=\"210\" text-anchor=\"middle\">bias (";
    chart::AppendNumber(out, -extent);
    out += " to ";
    chart::AppendNumber(out, extent);
    out += std::string(
               ")</text><text font-size=\"11\" x=\"12\" y=\"105\" transform=\"rotate(-90 "
               "12 105)\" text-anchor=\"middle\">") +
           (quantity == 0 ? "RMSE" : "gross error") + "</text></svg><figcaption>";
    Html(out, QuantityLabel(quantity));
    out += ", all stations pooled; the numbers are the runs</figcaption></figure>";
    (void)w;
    (void)h;
}

// The bias of every run by hour of the day, one line per run.
void DiurnalBias(std::string& out, const ComparisonResult& r, std::size_t q) {
    double least = 0;
    double largest = 0;
    for (const auto& run : r.diurnalBias) {
        for (const double b : run[q]) {
            if (std::isfinite(b)) {
                least = std::min(least, b);
                largest = std::max(largest, b);
            }
        }
    }
    if (least == largest) {
        return;
    }
    const double left = 50, right = 420, top = 20, bottom = 190;
    const auto x = [&](std::size_t h) {
        return left + static_cast<double>(h) / 23 * (right - left);
    };
    const auto y = [&](double b) {
        return bottom - (b - least) / (largest - least) * (bottom - top);
    };
    static const std::array<const char*, 3> names = {"Wind speed", "Temperature", "Humidity"};
    out +=
        "<figure><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"440\" height=\"230\" "
        "viewBox=\"0 0 440 230\" role=\"img\"><title>";
    Html(out, std::string(names[q]) + ": bias by hour of the day of every run");
    out +=
        "</title><rect x=\"50\" y=\"20\" width=\"370\" height=\"170\" fill=\"#fafafa\" "
        "stroke=\"#888\"/><line x1=\"50\" x2=\"420\" stroke=\"#bbb\" y1=\"";
    chart::AppendNumber(out, y(0));
    out += "\" y2=\"";
    chart::AppendNumber(out, y(0));
    out += "\"/>";
    for (std::size_t k = 0; k < r.diurnalBias.size(); ++k) {
        chart::PathData path;
        bool open = false;
        for (std::size_t h = 0; h < 24; ++h) {
            const double b = r.diurnalBias[k][q][h];
            if (!std::isfinite(b)) {
                open = false;
                continue;
            }
            open ? path.LineTo(x(h), y(b)) : path.MoveTo(x(h), y(b));
            open = true;
        }
        out += "<path fill=\"none\" stroke-width=\"2\" stroke=\"" +
               std::string(kColours[k % kColours.size()]) + "\" d=\"" + path.str() +
               "\"/><text font-size=\"11\" x=\"425\" fill=\"" + kColours[k % kColours.size()] +
               "\" y=\"";
        chart::AppendNumber(out, 30 + 13 * static_cast<double>(k));
        out += "\">" + std::to_string(k + 1) + "</text>";
    }
    out += "<text font-size=\"11\" x=\"46\" y=\"24\" text-anchor=\"end\">" + FormatValue(largest) +
           "</text><text font-size=\"11\" x=\"46\" y=\"190\" "
           "text-anchor=\"end\">" +
           FormatValue(least) +
           "</text><text font-size=\"11\" "
           "x=\"235\" y=\"210\" text-anchor=\"middle\">hour of the day of the end stamp, 0 "
           "to 23</text></svg><figcaption>";
    Html(out, std::string(names[q]) +
                  ": mean P - O by hour, all stations; the numbers are the "
                  "runs");
    out += "</figcaption></figure>";
}

}  // namespace

std::string ComparisonHtml(const ComparisonResult& r) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Comparison of "
        "runs</title><style>body{font-family:sans-serif;margin:1.5em;color:#222}"
        "table{border-collapse:collapse;margin:0.5em 0 1.5em}td,th{border:1px solid #ccc;"
        "padding:3px 8px;text-align:right}th{background:#eee}td.l,th.l{text-align:left}"
        ".better{background:#d8f0d8}.worse{background:#f6d5d5}.same{background:#eeeeee}"
        ".none{color:#666}figure{display:inline-block;margin:0 1em 1em 0}</style></head><body>"
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
        "the interval of the difference (for the bias, of the difference of magnitudes) "
        "excludes zero. ";
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
                    ? "<br><small>" + IntervalText(c.difference.interval) + "</small>"
                    : std::string()) +
               "<br><small>" + style.symbol + "</small></td>";
        if (c.run + 1 == r.runs.size()) {
            out += "</tr>";
        }
    });
    out += "</table>";

    out += "<h2>Soccer plots</h2>";
    for (int q : {0, 2, 3}) {
        SoccerPlot(out, r, q);
    }
    out += "<h2>Diurnal bias</h2>";
    for (std::size_t q = 0; q < 3; ++q) {
        DiurnalBias(out, r, q);
    }

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

    out += "<h2>Stations</h2><table><tr><th class=\"l\">Station</th><th>Common end stamps</th>";
    for (std::size_t k = 0; k < r.runs.size(); ++k) {
        out += "<th>Run " + std::to_string(k + 1) + " wind speed bias</th>";
    }
    out += "</tr>";
    for (const ComparedStation& station : r.stations) {
        out += "<tr><td class=\"l\">";
        Html(out, station.name);
        out += "</td><td>" + std::to_string(station.commonPairs) + "</td>";
        for (const std::vector<GroupResult>& run : station.runs) {
            out += "<td>" + FormatValue(run[0].scalar[kScalarSpeed].bias) + "</td>";
        }
        out += "</tr>";
    }
    out += "</table>";
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
