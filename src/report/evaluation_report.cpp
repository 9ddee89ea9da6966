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
#include "tsf/text_scan.h"
#include "wxcheck/evaluation/benchmarks.h"
#include "wxcheck/evaluation/bootstrap.h"
#include "wxcheck/outputs/output_text.h"
#include "wxcheck/outputs/run_outputs.h"

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
.keep{break-inside:avoid;page-break-inside:avoid}
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
.why{font-size:11px}
td.out{color:#B34700;background:#FCEFE6}
nav ol{margin:4px 0;padding-left:22px;columns:2}
ul.messages{padding-left:20px;font-size:13px}
.keep ul.messages{margin-bottom:0}
ul.messages.more{margin-top:0}
ul.messages li{overflow-wrap:anywhere}
footer{margin-top:30px;font-size:12px;color:#555}
@page{margin:12mm}
@media print{main{max-width:none;padding:0}a{color:inherit;text-decoration:none}h2{margin-top:18px}}
)";

std::string Html(std::string_view text) {
    return Escape(ShownText(text));
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

// A number cell, marked when the value misses its benchmark; n/a says why beside it.
std::string NumberCell(double v, const Benchmark* benchmark = nullptr,
                       std::string_view reason = {}) {
    if (std::isnan(v)) {
        return reason.empty() ? "<td class=\"n na\">n/a</td>"
                              : "<td class=\"n na\">n/a <span class=\"why\">(" +
                                    std::string(reason) + ")</span></td>";
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
    // In print, the heading, its introduction and the first line of figures share a page;
    // every section closes this block after them (EndKeep, KeepFigure).
    out += "<div class=\"keep\">\n";
}

void EndKeep(std::string& out) {
    out += "</div>\n";
}

// Figure `index` of `count` in a row of figures `perLine` abreast that began in the
// heading's block: after the first line, the block ends and a row goes on without it.
void KeepFigure(std::string& out, std::size_t index, std::size_t count, std::size_t perLine,
                const std::string& svg, const std::string& caption) {
    Figure(out, svg, caption);
    if (index + 1 == std::min(perLine, count)) {
        out += "</div>\n";
        EndKeep(out);
        out += "<div class=\"row\">\n";
    }
}

// Ends a row of KeepFigure, and the heading's block when the row had no figure.
void EndKeptRow(std::string& out, std::size_t count) {
    out += "</div>\n";
    if (count == 0) {
        EndKeep(out);
    }
}

// The quantities of `all` that the run has, in report order.
template <std::size_t N>
std::vector<ReportQuantity> Present(const ReportSummary& summary,
                                    const std::array<ReportQuantity, N>& all) {
    std::vector<ReportQuantity> present;
    for (const ReportQuantity q : all) {
        if (RunHas(summary, q)) {
            present.push_back(q);
        }
    }
    return present;
}

// Said once, in the header: which quantities have no charts, and why.
std::string AbsentText(const ReportSummary& summary) {
    std::string names;
    const std::vector<ReportQuantity> present = Present(summary, kAllQuantities);
    for (const ReportQuantity q : kAllQuantities) {
        if (std::find(present.begin(), present.end(), q) == present.end()) {
            std::string name = QuantityName(q, HumidityKind::None);
            name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
            names += (names.empty() ? "" : ", ") + name;
        }
    }
    if (names.empty()) {
        return {};
    }
    return names +
           ": no evaluated station has them in both files (wind direction also needs wind "
           "speed), so their charts and tables are left out";
}

// Said once, in the header, when the report shows only some stations one by one.
std::string ShownStationsText(const ControlSettings& settings, const ReportSummary& summary,
                              const std::vector<bool>& shown) {
    const auto count = static_cast<std::size_t>(std::count(shown.begin(), shown.end(), true));
    if (count == summary.StationCount()) {
        return {};
    }
    return std::to_string(count) + " of the " + std::to_string(summary.StationCount()) +
           " stations, those furthest from the benchmarks first (then failed ones), in the "
           "station tables, soccer plots and Taylor diagrams; the pooled charts hold every "
           "station. " +
           (summary.evaluated > 0
                ? "Every evaluated station's statistics are in " +
                      OutputPath(settings, OutputKind::StationStats) + " and the list file."
                : std::string("Every station's messages are in the list file."));
}

void Header(std::string& out, const ControlSettings& settings, const ReportSummary& summary,
            const RunNotes& notes, const std::vector<bool>& shown) {
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
                         std::to_string(summary.StationCount()) + " evaluated");
    fact("Humidity", HumidityText(summary.humidity) + ", " +
                         std::to_string(summary.humidityStations) + " station(s)");
    const std::string absent = AbsentText(summary);
    if (!absent.empty()) {
        fact("Not in this run", absent);
    }
    const std::string some = ShownStationsText(settings, summary, shown);
    if (!some.empty()) {
        fact("Shown one by one", some);
    }
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
    out += "</tbody></table>\n";
    EndKeep(out);
    out += "</section>\n";
}

constexpr std::size_t kFurthestRows = 10;

// Humidity of a station counts where it is the run's variable, as in the plots.
bool Pooled(const ReportStation& s, ReportQuantity q, HumidityKind run) {
    return q != ReportQuantity::kHumidity || s.humidity == run;
}

// The stations furthest outside some benchmark box, worst first, with their files: where
// a crowded plot cannot name them all, this does.
void FurthestTable(std::string& out, const ReportSummary& summary) {
    const std::vector<ReportQuantity> quantities = Present(summary, kAllQuantities);
    const std::vector<double> distances = StationDistances(summary);
    std::vector<std::pair<double, std::size_t>> rows;
    for (std::size_t i = 0; i < distances.size(); ++i) {
        if (distances[i] > 1) {
            rows.emplace_back(distances[i], i);
        }
    }
    out += "<h3>Stations furthest from the benchmarks</h3>\n";
    if (rows.empty()) {
        out += "<p>Every station lies inside every benchmark box it has values for.</p>\n";
        return;
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    out +=
        "<p>How far each station lies from the box: the larger of |bias| and the error, each "
        "over its limit (above 1 is outside, marked \u2717). Worst first; " +
        std::to_string(std::min(rows.size(), kFurthestRows)) + " of the " +
        std::to_string(summary.OutsideCount(summary.humidity)) +
        " outside some box.</p>\n<table class=\"furthest\"><thead><tr><th class=\"n\">No</th>"
        "<th>Predicted file</th><th>Observed file</th>";
    for (const ReportQuantity q : quantities) {
        out += "<th class=\"n\">" + Html(QuantityName(q, HumidityKind::None)) + "</th>";
    }
    out += "</tr></thead><tbody>\n";
    for (std::size_t r = 0; r < rows.size() && r < kFurthestRows; ++r) {
        const ReportStation& s = summary.Stations()[rows[r].second];
        out += "<tr><td class=\"n\">" + std::to_string(s.number) + "</td><td class=\"file\">" +
               Html(s.predicted) + "</td><td class=\"file\">" + Html(s.observed) + "</td>";
        for (const ReportQuantity q : quantities) {
            const double d = Pooled(s, q, summary.humidity)
                                 ? BenchmarkDistance(s.whole, q, s.humidity)
                                 : kNotComputed;
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", d);
            out += !std::isfinite(d) ? "<td class=\"n na\">\u2013</td>"
                   : d > 1           ? "<td class=\"n out\">" + std::string(text) + " \u2717</td>"
                                     : "<td class=\"n\">" + std::string(text) + "</td>";
        }
        out += "</tr>\n";
    }
    out += "</tbody></table>\n";
}

void SoccerSection(std::string& out, const ReportSummary& summary, const std::vector<bool>& shown) {
    Heading(out, 1);
    out +=
        "<p>Each circle is a station (its number beside it where there is room, always for "
        "the five furthest outside the box; hover for its files and values), the hollow "
        "diamond all stations pooled. Markers inside the dashed box meet both benchmarks of "
        "the quantity. The axes span the markers: where the box reaches further, the frame "
        "cuts it.</p>\n<div class=\"row\">\n";
    const std::vector<ReportQuantity> quantities = Present(summary, kAllQuantities);
    for (std::size_t i = 0; i < quantities.size(); ++i) {
        const ReportQuantity q = quantities[i];
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
        KeepFigure(out, i, quantities.size(), 2, SoccerPlot(summary, q, shown), caption);
    }
    EndKeptRow(out, quantities.size());
    FurthestTable(out, summary);
    out += "</section>\n";
}

void TaylorSection(std::string& out, const ReportSummary& summary, const std::vector<bool>& shown) {
    Heading(out, 2);
    out +=
        "<p>Distance from the origin: the standard deviation of the predictions over that "
        "of the observations; angle: their correlation. The closer a marker lies to the "
        "observed reference at 1, the better; the dashed arcs join points of equal centred "
        "RMS difference (in units of the observed standard deviation), labelled along the "
        "outer edge. The hollow diamond pools the pairs of all stations: its spread includes "
        "the differences between the stations' means, so it may lie apart from every "
        "station.</p>\n"
        "<div class=\"row\">\n";
    const std::vector<ReportQuantity> quantities = Present(summary, kScalarQuantities);
    for (std::size_t i = 0; i < quantities.size(); ++i) {
        const ReportQuantity q = quantities[i];
        KeepFigure(out, i, quantities.size(), 2, TaylorChart(summary, q, shown),
                   Html(QuantityName(q, summary.humidity)) + ".");
    }
    EndKeptRow(out, quantities.size());
    out += "</section>\n";
}

void DailySection(std::string& out, const ReportSummary& summary) {
    Heading(out, 3);
    out +=
        "<p>Daily means of all stations, as the daily statistics files give them: a day "
        "holds the hours ending 01:00 to 24:00. A day without pairs leaves a gap. Wind directions "
        "are the directions of the mean unit "
        "vectors, drawn as points since they wrap at north.</p>\n";
    const std::vector<ReportQuantity> quantities = Present(summary, kAllQuantities);
    const double left = DailyLeftMargin(summary, quantities);
    for (std::size_t i = 0; i < quantities.size(); ++i) {
        const ReportQuantity q = quantities[i];
        Figure(
            out, DailyChart(summary, q, left),
            Html(QuantityName(q, summary.humidity)) +
                (q == ReportQuantity::kDirection ? ": observed (circles) and predicted (triangles)."
                                                 : ": observed (solid) and predicted (dashed)."));
        if (i == 0) {
            EndKeep(out);
        }
    }
    if (quantities.empty()) {
        EndKeep(out);
    }
    out += "</section>\n";
}

void DiurnalSection(std::string& out, const ReportSummary& summary) {
    Heading(out, 4);
    out +=
        "<p>Means over the whole period by the hour of the end stamp (00 to 23), all "
        "stations, and the bias (predicted less observed) by hour.</p>\n";
    const std::vector<ReportQuantity> quantities = Present(summary, kScalarQuantities);
    const double meansLeft = DiurnalLeftMargin(summary, quantities, false);
    const double biasLeft = DiurnalLeftMargin(summary, quantities, true);
    for (std::size_t i = 0; i < quantities.size(); ++i) {
        const ReportQuantity q = quantities[i];
        out += "<div class=\"row\">\n";
        const std::string name = Html(QuantityName(q, summary.humidity));
        Figure(out, DiurnalMeansChart(summary, q, meansLeft),
               name + ": observed and predicted means.");
        Figure(out, DiurnalBiasChart(summary, q, biasLeft), name + ": bias by hour.");
        out += "</div>\n";
        if (i == 0) {
            EndKeep(out);
        }
    }
    if (quantities.empty()) {
        EndKeep(out);
    }
    out += "</section>\n";
}

void ScatterSection(std::string& out, const ReportSummary& summary) {
    Heading(out, 5);
    out +=
        "<p>Every pair of all stations, with the 1:1 line and the least-squares line. "
        "Above " +
        std::to_string(kScatterPointLimit) + " pairs the pairs are counted on a grid of about " +
        std::to_string(kScatterCells) + " by " + std::to_string(kScatterCells) +
        " cells, shaded by count; a cell spans a whole number of the steps the values were "
        "recorded in, and a value on the edge between two cells counts in the upper.</p>\n"
        "<div class=\"row\">\n";
    const std::vector<ReportQuantity> quantities = Present(summary, kScalarQuantities);
    for (std::size_t i = 0; i < quantities.size(); ++i) {
        const ReportQuantity q = quantities[i];
        const ScatterSummary& s = summary.scatter[ScalarOf(q)];
        KeepFigure(out, i, quantities.size(), 2, ScatterChart(summary, q),
                   Html(QuantityName(q, summary.humidity)) + ": " + std::to_string(s.pairs) +
                       " pairs" + (s.Histogram() ? ", as a 2-D histogram." : "."));
    }
    EndKeptRow(out, quantities.size());
    out += "</section>\n";
}

void RoseSection(std::string& out, const ReportSummary& summary, const ControlSettings& settings) {
    Heading(out, 6);
    if (!RunHas(summary, ReportQuantity::kDirection)) {
        out += "<p>None: the run has no wind direction.</p>\n";
        EndKeep(out);
        out += "</section>\n";
        return;
    }
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
    out += "</div>\n";
    EndKeep(out);
    out += "</section>\n";
}

// Why a station has no statistics of quantity q at all; empty when it has the quantity.
std::string AbsentReason(const ReportStation& s, ReportQuantity q) {
    switch (q) {
        case ReportQuantity::kSpeed:
            return s.evaluates[kSpeed] ? "" : "no wind speed in both files";
        case ReportQuantity::kDirection:
            return !s.evaluates[kDirection] ? "no wind direction in both files"
                   : !s.evaluates[kSpeed]   ? "no wind speed in both files to tell calm hours"
                                            : "";
        case ReportQuantity::kTemperature:
            return s.evaluates[kTemperature] ? "" : "no temperature in both files";
        case ReportQuantity::kHumidity:
            return "";
    }
    return "";
}

// The whole period's 95% intervals of each station and of all stations: bias and error of
// each quantity and the vector errors, each cell the 2.5% bound over the 97.5% one.
void StationIntervalTable(std::string& out, const ReportSummary& summary, const RunNotes& notes,
                          const std::vector<bool>& shown) {
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
    const std::vector<ReportStation>& stations = summary.Stations();
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const ReportStation& s = stations[i];
        if (shown[i] && s.evaluated) {
            row(std::to_string(s.number), s.intervals);
        }
    }
    row("All", summary.allIntervals);
    out += "</tbody></table>\n";
}

void StationSection(std::string& out, const ReportSummary& summary, const RunNotes& notes,
                    const std::vector<bool>& shown) {
    Heading(out, 7);
    EndKeep(out);  // the tables may run over pages
    out +=
        "<table><thead><tr><th class=\"n\">No</th><th>Predicted file</th><th>Observed file</th>"
        "<th>Status</th></tr></thead><tbody>\n";
    const std::vector<ReportStation>& stations = summary.Stations();
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const ReportStation& s = stations[i];
        if (!shown[i]) {
            continue;
        }
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
    for (const ReportQuantity q : Present(summary, kAllQuantities)) {
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
        for (std::size_t i = 0; i < stations.size(); ++i) {
            const ReportStation& s = stations[i];
            if (!shown[i] || !s.evaluated || (humidity && s.humidity == HumidityKind::None)) {
                continue;
            }
            out += "<tr><td class=\"n\">" + std::to_string(s.number) + "</td>";
            const std::string absent = AbsentReason(s, q);
            if (!absent.empty()) {
                out += "<td class=\"n\">\u2013</td><td class=\"na\" colspan=\"" +
                       std::to_string(direction ? 2 : 4) + "\">" + absent + "</td></tr>\n";
                continue;
            }
            if (direction) {
                const DirectionStats& d = s.whole.direction;
                const char* why = d.n > 0                          ? ""
                                  : s.used > 0 && s.calm == s.used ? "every hour calm"
                                                                   : "no pairs";
                out += "<td class=\"n\">" + std::to_string(d.n) + "</td>" +
                       NumberCell(d.bias, &kDirectionBenchmarks.bias, why) +
                       NumberCell(d.grossError, &kDirectionBenchmarks.error, why) + "</tr>\n";
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
            // With pairs, only the statistics that need spread in both series can fail.
            const char* why = v.n > 0 ? "no spread" : "no pairs";
            out += "<td class=\"n\">" + std::to_string(v.n) + "</td>" +
                   NumberCell(v.bias, b ? &b->bias : nullptr, why) +
                   NumberCell(q == ReportQuantity::kSpeed ? v.rmse : v.grossError,
                              b ? &b->error : nullptr, why) +
                   NumberCell(v.agreement, b ? &b->agreement : nullptr, why) +
                   NumberCell(v.correlation, nullptr, why);
            if (q == ReportQuantity::kSpeed) {
                out += NumberCell(s.whole.vector.meanError) + NumberCell(s.whole.vector.rmsError);
            }
            out += "</tr>\n";
        }
        out += "</tbody></table></div>\n";
    }
    out += "</div>\n";
    if (notes.resamples > 0) {
        StationIntervalTable(out, summary, notes, shown);
    }
    out += "</section>\n";
}

void MessageSection(std::string& out, const ControlSettings& settings, const ReportSummary& summary,
                    const RunNotes& notes) {
    Heading(out, 8);
    // The heading keeps the first list's title and first line with it; the lists may run
    // over pages.
    bool kept = true;
    const auto list = [&](const char* title, const char* lowercase,
                          const std::vector<std::string>& run,
                          const std::vector<std::string>& stations) {
        out += "<h3>";
        out += title;
        out += "</h3>\n";
        if (run.empty() && stations.empty()) {
            out += "<p>none</p>\n";
        } else {
            out += "<ul class=\"messages\">\n";
            // As many station lines as stations shown one by one: a message for every one of
            // very many stations would outgrow the page; the list file has them all.
            const std::size_t most = std::min(stations.size(), kMostStationsShown);
            const std::vector<std::string> more =
                most < stations.size()
                    ? std::vector<std::string>{"\u2026 and " +
                                               std::to_string(stations.size() - most) +
                                               " more station " + lowercase + " in the list file " +
                                               settings.ListPath() + "."}
                    : std::vector<std::string>{};
            const std::vector<std::string> shownLines(
                stations.begin(), stations.begin() + static_cast<std::ptrdiff_t>(most));
            for (const auto* lines : {&run, &shownLines, &more}) {
                for (const std::string& line : *lines) {
                    out += "<li>" + Html(line) + "</li>\n";
                    if (kept) {
                        out += "</ul>\n";
                        EndKeep(out);
                        out += "<ul class=\"messages more\">\n";
                        kept = false;
                    }
                }
            }
            out += "</ul>\n";
        }
        if (kept) {
            EndKeep(out);
            kept = false;
        }
    };
    list("Warnings", "warnings", notes.warnings, summary.stationWarnings);
    list("Errors", "errors", notes.errors, summary.stationErrors);
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
    // Rows and markers of single stations make up most of the page: with very many
    // stations only some are shown one by one, and the header says which.
    const std::vector<bool> shown = ShownStations(summary);
    Header(out, settings, summary, notes, shown);
    Verdict(out, summary, notes);
    SoccerSection(out, summary, shown);
    TaylorSection(out, summary, shown);
    DailySection(out, summary);
    DiurnalSection(out, summary);
    ScatterSection(out, summary);
    RoseSection(out, summary, settings);
    StationSection(out, summary, notes, shown);
    MessageSection(out, settings, summary, notes);
    out += "<footer>Written by wxcheck ";
    out += EngineVersion();
    out += ". The list file " + Html(settings.ListPath()) +
           " has every statistic, also for the time-of-day windows and wind-speed "
           "ranges.</footer>\n</main>\n</body>\n</html>\n";
    return out;
}

}  // namespace corvane::wxcheck
