#include "report/evaluation_report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "chart/svg.h"
#include "chart/wind_rose.h"
#include "report/report_charts.h"
#include "wxcheck/evaluation/benchmarks.h"
#include "wxcheck/evaluation/bootstrap.h"
#include "wxcheck/outputs/output_text.h"

namespace corvane::wxcheck {

namespace {

using chart::AppendEscaped;
using chart::Escape;

constexpr std::array<ReportQuantity, 4> kAllQuantities = {
    ReportQuantity::kSpeed, ReportQuantity::kDirection, ReportQuantity::kTemperature,
    ReportQuantity::kHumidity};
constexpr std::array<ReportQuantity, 3> kScalarQuantities = {
    ReportQuantity::kSpeed, ReportQuantity::kTemperature, ReportQuantity::kHumidity};

struct SectionName {
    const char* id;
    const char* title;
};

constexpr std::array<SectionName, 9> kSections = {{
    {"verdict", "Verdict"},
    {"soccer", "Bias and error against the benchmarks"},
    {"taylor", "Taylor diagrams"},
    {"daily", "Daily means"},
    {"diurnal", "Diurnal cycle"},
    {"scatter", "Predicted against observed"},
    {"roses", "Wind roses"},
    {"stations", "Stations"},
    {"messages", "Warnings and errors"},
}};

// Screen and print alike: one column as wide as an A4 or Letter page, charts two abreast.
constexpr std::string_view kStyle = R"(
body{margin:0;background:#fff;color:#222;font:14px/1.45 'Liberation Sans',Arial,Helvetica,sans-serif}
main{max-width:730px;margin:0 auto;padding:12px 16px 40px}
h1{font-size:24px;margin:4px 0 10px;overflow-wrap:anywhere}
h2{font-size:18px;margin:30px 0 8px;padding-bottom:3px;border-bottom:2px solid #0072B2;break-after:avoid}
h3{font-size:15px;margin:16px 0 6px;break-after:avoid}
p{margin:6px 0}
.kicker{margin:0;color:#555;font-size:13px;text-transform:uppercase;letter-spacing:.05em}
.row{display:flex;flex-wrap:wrap;gap:6px 16px}
figure{margin:8px 0;break-inside:avoid;page-break-inside:avoid}
figcaption{font-size:12px;color:#444;max-width:700px;margin-top:2px}
.row figcaption{max-width:350px}
svg{display:block;max-width:100%;height:auto}
table{border-collapse:collapse;font-size:12px;margin:6px 0}
th,td{padding:2px 7px;border-bottom:1px solid #ddd;text-align:left;vertical-align:top}
th{background:#f2f5f8;font-weight:bold}
th.n,td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
table.facts th{background:none;font-weight:normal;color:#555;white-space:nowrap}
table.facts td,td.file{overflow-wrap:anywhere}
.pass{color:#00704F;font-weight:bold}
.fail{color:#B34700;font-weight:bold}
.na{color:#777}
td.out{color:#B34700;background:#FCEFE6}
nav ol{margin:4px 0;padding-left:22px;columns:2}
ul.messages{padding-left:20px;font-size:13px}
ul.messages li{overflow-wrap:anywhere}
footer{margin-top:30px;font-size:12px;color:#555}
@page{margin:12mm}
@media print{main{max-width:none;padding:0}a{color:inherit;text-decoration:none}h2{margin-top:18px}}
)";

std::string Html(std::string_view text) {
    return Escape(text);
}

// A benchmark's goal as the tables show it, with proper signs.
std::string GoalText(std::string_view goal) {
    std::string out;
    for (std::size_t i = 0; i < goal.size(); ++i) {
        if (i + 1 < goal.size() && goal[i + 1] == '=' && (goal[i] == '<' || goal[i] == '>')) {
            out += goal[i] == '<' ? "\u2264" : "\u2265";
            ++i;
        } else {
            out += goal[i];
        }
    }
    return out;
}

// A verdict as word and symbol, coloured by class: never colour alone.
std::string ResultCell(std::string_view result) {
    if (result == "pass") {
        return "<td class=\"pass\">\u2713 pass</td>";
    }
    if (result == "fail") {
        return "<td class=\"fail\">\u2717 fail</td>";
    }
    if (result == "undecided") {
        // Styled in place: a run without intervals keeps its style sheet as it was.
        return "<td class=\"undecided\" style=\"color:#5A4A00;font-weight:bold\">? "
               "undecided</td>";
    }
    return "<td class=\"na\">\u2013 n/a</td>";
}

// A number cell, marked when the value misses its benchmark.
std::string NumberCell(double v, const Benchmark* benchmark = nullptr) {
    if (std::isnan(v)) {
        return "<td class=\"n na\">n/a</td>";
    }
    if (benchmark != nullptr && std::string_view(Judge(v, *benchmark)) == "fail") {
        return "<td class=\"n out\">" + FormatValue(v) + " \u2717</td>";
    }
    return "<td class=\"n\">" + FormatValue(v) + "</td>";
}

void Figure(std::string& out, const std::string& svg, const std::string& caption) {
    out += "<figure>\n";
    out += svg;
    out += "<figcaption>";
    out += caption;  // written by this file, escaped where it quotes outside text
    out += "</figcaption></figure>\n";
}

void Heading(std::string& out, std::size_t section) {
    out += "<section id=\"";
    out += kSections[section].id;
    out += "\">\n<h2>";
    out += kSections[section].title;
    out += "</h2>\n";
}

void Header(std::string& out, const ControlSettings& settings, const ReportSummary& summary,
            const RunNotes& notes) {
    const std::string title = settings.title.empty() ? "Evaluation" : settings.title;
    out += "<header id=\"top\">\n<p class=\"kicker\">wxcheck evaluation report</p>\n<h1>";
    out += Html(title);
    out += "</h1>\n<table class=\"facts\">\n";
    const auto fact = [&](std::string_view name, const std::string& value) {
        out += "<tr><th>";
        out += name;
        out += "</th><td>";
        out += Html(value);
        out += "</td></tr>\n";
    };
    fact("Period", PeriodText(settings));
    fact("Time zone", settings.zone);
    fact("Calm threshold", settings.calmText + " m/s");
    fact("Missing filter", FilterText(settings.missingFilter));
    fact("Stations", std::to_string(summary.evaluated) + " of " +
                         std::to_string(summary.stations.size()) + " evaluated");
    fact("Humidity", HumidityText(summary.humidity) + ", " +
                         std::to_string(summary.humidityStations) + " station(s)");
    fact("Control file", notes.controlPath);
    fact("List file", settings.ListPath());
    out += "</table>\n<nav aria-label=\"Contents\"><ol>\n";
    for (const SectionName& s : kSections) {
        out += "<li><a href=\"#";
        out += s.id;
        out += "\">";
        out += s.title;
        out += "</a></li>\n";
    }
    out += "</ol></nav>\n</header>\n";
}

void Verdict(std::string& out, const ReportSummary& summary, const RunNotes& notes) {
    Heading(out, 0);
    const bool intervals = notes.resamples > 0;
    const std::vector<BenchmarkCheck> checks =
        CheckBenchmarks(summary.all, summary.humidity, intervals ? &summary.allIntervals : nullptr);
    int passed = 0;
    int judged = 0;
    for (const BenchmarkCheck& c : checks) {
        passed += c.result == "pass" ? 1 : 0;
        judged += c.result != "n/a" ? 1 : 0;
    }
    out +=
        "<p>All stations over the whole period against the commonly used simple-terrain "
        "benchmarks: <strong>" +
        std::to_string(passed) + " of " + std::to_string(judged) + " met</strong>" +
        (judged < static_cast<int>(checks.size())
             ? " (" + std::to_string(checks.size() - static_cast<std::size_t>(judged)) +
                   " not applicable)"
             : std::string()) +
        ".</p>\n";
    if (intervals) {
        out += "<p>Judged on the 95% interval of each value (a day-block bootstrap of " +
               std::to_string(notes.resamples) + " resamples, seed " + std::to_string(notes.seed) +
               "): pass when the whole interval meets the benchmark, fail when none of it "
               "does, undecided when it straddles the limit, so that the data cannot tell. "
               "Without an interval the value decides.</p>\n";
    }
    out += "<table><thead><tr><th>Quantity</th><th>Statistic</th><th class=\"n\">Value</th>" +
           std::string(intervals ? "<th class=\"n\">95% interval</th>" : "") +
           "<th>Benchmark</th><th>Result</th></tr></thead><tbody>\n";
    for (const BenchmarkCheck& c : checks) {
        out += "<tr><td>" + Html(c.quantity) + "</td><td>" + Html(c.statistic) + "</td>" +
               NumberCell(c.value);
        if (intervals) {
            out += c.interval.Known() ? "<td class=\"n\">" + FormatValue(c.interval.low) + " to " +
                                            FormatValue(c.interval.high) + "</td>"
                                      : std::string("<td class=\"n na\">n/a</td>");
        }
        out += "<td>" + Html(GoalText(c.goal)) + "</td>" + ResultCell(c.result) + "</tr>\n";
    }
    out += "</tbody></table>\n</section>\n";
}

void SoccerSection(std::string& out, const ReportSummary& summary) {
    Heading(out, 1);
    out +=
        "<p>Each circle is a station (its number beside it where there is room; hover for "
        "its files and values), the diamond all stations pooled. Markers inside the dashed "
        "box meet both benchmarks of the quantity.</p>\n<div class=\"row\">\n";
    for (const ReportQuantity q : kAllQuantities) {
        std::string caption = Html(QuantityName(q, summary.humidity)) + ": ";
        caption += q == ReportQuantity::kSpeed ? "bias against RMSE." : "bias against gross error.";
        if (q == ReportQuantity::kHumidity && summary.humidity != HumidityKind::None) {
            caption += " Stations that use " + Html(HumidityName(summary.humidity)) + " only.";
            if (summary.humidity == HumidityKind::Relative) {
                caption += " Relative humidity has no benchmark.";
            }
        }
        if (q == ReportQuantity::kDirection) {
            caption += " Non-calm pairs only.";
        }
        Figure(out, SoccerPlot(summary, q), caption);
    }
    out += "</div>\n</section>\n";
}

void TaylorSection(std::string& out, const ReportSummary& summary) {
    Heading(out, 2);
    out +=
        "<p>Distance from the origin: the standard deviation of the predictions over that "
        "of the observations; angle: their correlation. The closer a marker lies to the "
        "observed reference at 1, the better; the dashed arcs join points of equal centred "
        "RMS difference (in units of the observed standard deviation).</p>\n"
        "<div class=\"row\">\n";
    for (const ReportQuantity q : kScalarQuantities) {
        Figure(out, TaylorChart(summary, q), Html(QuantityName(q, summary.humidity)) + ".");
    }
    out += "</div>\n</section>\n";
}

void DailySection(std::string& out, const ReportSummary& summary) {
    Heading(out, 3);
    out +=
        "<p>Daily means of all stations, as the daily statistics files give them: a day "
        "holds the hours ending 01:00 to 24:00. A day without pairs leaves a gap. Wind directions "
        "are the directions of the mean unit "
        "vectors, drawn as points since they wrap at north.</p>\n";
    for (const ReportQuantity q : kAllQuantities) {
        Figure(
            out, DailyChart(summary, q),
            Html(QuantityName(q, summary.humidity)) +
                (q == ReportQuantity::kDirection ? ": observed (circles) and predicted (triangles)."
                                                 : ": observed (solid) and predicted (dashed)."));
    }
    out += "</section>\n";
}

void DiurnalSection(std::string& out, const ReportSummary& summary) {
    Heading(out, 4);
    out +=
        "<p>Means over the whole period by the hour of the end stamp (00 to 23), all "
        "stations, and the bias (predicted less observed) by hour.</p>\n";
    for (const ReportQuantity q : kScalarQuantities) {
        out += "<div class=\"row\">\n";
        const std::string name = Html(QuantityName(q, summary.humidity));
        Figure(out, DiurnalMeansChart(summary, q), name + ": observed and predicted means.");
        Figure(out, DiurnalBiasChart(summary, q), name + ": bias by hour.");
        out += "</div>\n";
    }
    out += "</section>\n";
}

void ScatterSection(std::string& out, const ReportSummary& summary) {
    Heading(out, 5);
    out +=
        "<p>Every pair of all stations, with the 1:1 line and the least-squares line. "
        "Above " +
        std::to_string(kScatterPointLimit) + " pairs the pairs are counted on a grid of " +
        std::to_string(kScatterCells) + " by " + std::to_string(kScatterCells) +
        " cells, shaded by count.</p>\n<div class=\"row\">\n";
    for (const ReportQuantity q : kScalarQuantities) {
        const ScatterSummary& s = summary.scatter[ScalarOf(q)];
        Figure(out, ScatterChart(summary, q),
               Html(QuantityName(q, summary.humidity)) + ": " + std::to_string(s.pairs) + " pairs" +
                   (s.Histogram() ? ", as a 2-D histogram." : "."));
    }
    out += "</div>\n</section>\n";
}

void RoseSection(std::string& out, const ReportSummary& summary, const ControlSettings& settings) {
    Heading(out, 6);
    out += "<p>The used hours with wind speed and direction in both series (" +
           std::to_string(summary.observedRose.hours) +
           "), by the sector the wind blows from (16 sectors of 22.5&#176; centred on north) and "
           "speed class. Petal lengths are percent of those hours; the centre gives the hours "
           "at or below the calm threshold of " +
           Html(settings.calmText) + " m/s. Both roses share one scale.</p>\n<div class=\"row\">\n";
    const double scale = std::max(chart::LongestPetal(RoseData(summary.observedRose)),
                                  chart::LongestPetal(RoseData(summary.predictedRose)));
    Figure(out, WindRoseChart(summary, true, scale), "Observed.");
    Figure(out, WindRoseChart(summary, false, scale), "Predicted.");
    out += "</div>\n</section>\n";
}

// The whole period's 95% intervals of each station and of all stations: bias and error of
// each quantity and the vector errors, each cell the 2.5% bound over the 97.5% one.
void StationIntervalTable(std::string& out, const ReportSummary& summary, const RunNotes& notes) {
    out += "<h3>95% intervals (day-block bootstrap of " + std::to_string(notes.resamples) +
           " resamples, seed " + std::to_string(notes.seed) +
           ")</h3>\n<p>Each cell: the 2.5% bound above the 97.5% bound; n/a with pairs on "
           "fewer than " +
           std::to_string(kMinimumIntervalDays) +
           " days.</p>\n<table><thead><tr><th class=\"n\">No</th><th class=\"n\">WS "
           "bias</th><th class=\"n\">WS RMSE</th><th class=\"n\">WD bias</th><th "
           "class=\"n\">WD GE</th><th class=\"n\">T bias</th><th class=\"n\">T GE</th><th "
           "class=\"n\">H bias</th><th class=\"n\">H GE</th><th class=\"n\">MVE</th><th "
           "class=\"n\">RMSVE</th></tr></thead><tbody>\n";
    const auto row = [&](const std::string& label, const GroupIntervals& g) {
        out += "<tr><td class=\"n\">" + label + "</td>";
        for (const Interval& i :
             {g.scalar[kScalarSpeed][kIntervalBias], g.scalar[kScalarSpeed][kIntervalRmse],
              g.directionBias, g.directionError, g.scalar[kScalarTemperature][kIntervalBias],
              g.scalar[kScalarTemperature][kIntervalGrossError],
              g.scalar[kScalarHumidity][kIntervalBias],
              g.scalar[kScalarHumidity][kIntervalGrossError], g.vectorMean, g.vectorRms}) {
            out += i.Known() ? "<td class=\"n\">" + FormatValue(i.low) + "<br/>" +
                                   FormatValue(i.high) + "</td>"
                             : std::string("<td class=\"n na\">n/a</td>");
        }
        out += "</tr>\n";
    };
    for (const ReportStation& s : summary.stations) {
        if (s.evaluated) {
            row(std::to_string(s.number), s.intervals);
        }
    }
    row("All", summary.allIntervals);
    out += "</tbody></table>\n";
}

void StationSection(std::string& out, const ReportSummary& summary, const RunNotes& notes) {
    Heading(out, 7);
    out +=
        "<table><thead><tr><th class=\"n\">No</th><th>Predicted file</th><th>Observed file</th>"
        "<th>Status</th></tr></thead><tbody>\n";
    for (const ReportStation& s : summary.stations) {
        out += "<tr><td class=\"n\">" + std::to_string(s.number) + "</td><td class=\"file\">" +
               Html(s.predicted) + "</td><td class=\"file\">" + Html(s.observed) + "</td>" +
               (s.evaluated ? "<td>evaluated</td>" : "<td class=\"fail\">\u2717 failed</td>") +
               "</tr>\n";
    }
    out +=
        "</tbody></table>\n<p>Whole period. A value that misses its benchmark is marked "
        "\u2717. MVE and RMSVE: the vector wind error (m/s), the length of the mean vector "
        "difference and the root mean square of its length, calm pairs included.</p>\n"
        "<div class=\"row\">\n";
    for (const ReportQuantity q : kAllQuantities) {
        const bool direction = q == ReportQuantity::kDirection;
        const bool humidity = q == ReportQuantity::kHumidity;
        out += "<div><h3>" + Html(QuantityName(q, HumidityKind::None)) + " (" +
               (humidity ? std::string("each station's variable")
                         : QuantityUnit(q, HumidityKind::None)) +
               ")</h3>\n<table><thead><tr><th class=\"n\">No</th>" +
               (humidity ? "<th>Var</th>" : "") +
               "<th class=\"n\">N</th><th class=\"n\">Bias</th><th class=\"n\">" +
               (q == ReportQuantity::kSpeed ? "RMSE" : "GE") + "</th>" +
               (direction ? "" : "<th class=\"n\">IOA</th><th class=\"n\">R</th>") +
               (q == ReportQuantity::kSpeed
                    ? "<th class=\"n\" title=\"vector wind error\">MVE</th><th "
                      "class=\"n\" title=\"vector wind error\">RMSVE</th>"
                    : "") +
               "</tr></thead><tbody>\n";
        for (const ReportStation& s : summary.stations) {
            if (!s.evaluated || (humidity && s.humidity == HumidityKind::None)) {
                continue;
            }
            out += "<tr><td class=\"n\">" + std::to_string(s.number) + "</td>";
            if (direction) {
                const DirectionStats& d = s.whole.direction;
                out += "<td class=\"n\">" + std::to_string(d.n) + "</td>" +
                       NumberCell(d.bias, &kDirectionBenchmarks.bias) +
                       NumberCell(d.grossError, &kDirectionBenchmarks.error) + "</tr>\n";
                continue;
            }
            const ScalarStats& v = s.whole.scalar[ScalarOf(q)];
            const QuantityBenchmarks* b =
                q == ReportQuantity::kSpeed            ? &kSpeedBenchmarks
                : q == ReportQuantity::kTemperature    ? &kTemperatureBenchmarks
                : s.humidity == HumidityKind::Relative ? nullptr
                                                       : &kHumidityBenchmarks;
            if (humidity) {
                out += "<td>";
                out += HumidityName(s.humidity);
                out += "</td>";
            }
            out += "<td class=\"n\">" + std::to_string(v.n) + "</td>" +
                   NumberCell(v.bias, b ? &b->bias : nullptr) +
                   NumberCell(q == ReportQuantity::kSpeed ? v.rmse : v.grossError,
                              b ? &b->error : nullptr) +
                   NumberCell(v.agreement, b ? &b->agreement : nullptr) + NumberCell(v.correlation);
            if (q == ReportQuantity::kSpeed) {
                out += NumberCell(s.whole.vector.meanError) + NumberCell(s.whole.vector.rmsError);
            }
            out += "</tr>\n";
        }
        out += "</tbody></table></div>\n";
    }
    out += "</div>\n";
    if (notes.resamples > 0) {
        StationIntervalTable(out, summary, notes);
    }
    out += "</section>\n";
}

void MessageSection(std::string& out, const ReportSummary& summary, const RunNotes& notes) {
    Heading(out, 8);
    const auto list = [&](const char* title, const std::vector<std::string>& run,
                          const std::vector<std::string>& stations) {
        out += "<h3>";
        out += title;
        out += "</h3>\n";
        if (run.empty() && stations.empty()) {
            out += "<p>none</p>\n";
            return;
        }
        out += "<ul class=\"messages\">\n";
        for (const auto* lines : {&run, &stations}) {
            for (const std::string& line : *lines) {
                out += "<li>" + Html(line) + "</li>\n";
            }
        }
        out += "</ul>\n";
    };
    list("Warnings", notes.warnings, summary.stationWarnings);
    list("Errors", notes.errors, summary.stationErrors);
    out += "</section>\n";
}

}  // namespace

std::string BuildEvaluationReport(const ControlSettings& settings, const ReportSummary& summary,
                                  const RunNotes& notes) {
    std::string out;
    out.reserve(1 << 20);
    out +=
        "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
        "<meta charset=\"utf-8\"/>\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
        "<meta name=\"generator\" content=\"wxcheck ";
    out += EngineVersion();
    out += "\"/>\n<title>";
    out += Html(settings.title.empty() ? "Evaluation" : settings.title);
    out += " \u2013 wxcheck report</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n<body>\n<main>\n";
    Header(out, settings, summary, notes);
    Verdict(out, summary, notes);
    SoccerSection(out, summary);
    TaylorSection(out, summary);
    DailySection(out, summary);
    DiurnalSection(out, summary);
    ScatterSection(out, summary);
    RoseSection(out, summary, settings);
    StationSection(out, summary, notes);
    MessageSection(out, summary, notes);
    out += "<footer>Written by wxcheck ";
    out += EngineVersion();
    out += ". The list file " + Html(settings.ListPath()) +
           " has every statistic, also for the time-of-day windows and wind-speed "
           "ranges.</footer>\n</main>\n</body>\n</html>\n";
    return out;
}

}  // namespace corvane::wxcheck
