#include "report/report_charts.h"

#include <cmath>

#include "chart/palette.h"
#include "chart/taylor_diagram.h"
#include "wxcheck/evaluation/benchmarks.h"
#include "wxcheck/outputs/list_file.h"
#include "wxcheck/outputs/output_text.h"

namespace corvane::wxcheck {

namespace {

using chart::Axis;
using chart::Extent;
using chart::Frame;
using chart::LabelledPoint;
using chart::Marker;
using chart::Plot;
using chart::SeriesStyle;

constexpr double kSmallWidth = 350;
constexpr double kSmallHeight = 330;
constexpr double kWideWidth = 710;
constexpr double kWideHeight = 270;

struct QuantityTexts {
    const char* name;
    const char* unit;
};
// In the order of ReportQuantity.
constexpr std::array<QuantityTexts, 4> kQuantityTexts = {
    {{"Wind speed", "m/s"}, {"Wind direction", "deg"}, {"Temperature", "K"}, {"Humidity", ""}}};

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

SeriesStyle ObservedLine() {
    SeriesStyle s;
    s.name = "Observed";
    s.colour = chart::kBlue;
    return s;
}

SeriesStyle PredictedLine() {
    SeriesStyle s;
    s.name = "Predicted";
    s.colour = chart::kVermillion;
    s.dash = "6 3";
    return s;
}

SeriesStyle StationMarkers() {
    SeriesStyle s;
    s.name = "Station";
    s.colour = chart::kBlue;
    s.marker = Marker::Circle;
    return s;
}

SeriesStyle AllMarker() {
    SeriesStyle s;
    s.name = "All stations";
    s.colour = chart::kVermillion;
    s.marker = Marker::Diamond;
    s.markerRadius = 5;
    return s;
}

std::string WithUnit(const std::string& text, const std::string& unit) {
    return unit.empty() ? text : text + " (" + unit + ")";
}

std::string StationText(const ReportStation& s) {
    return "Station " + std::to_string(s.number) + " (" + s.predicted + ", " + s.observed + ")";
}

// Whether a station's values of quantity q are shown beside the pooled ones.
bool Shows(const ReportStation& s, ReportQuantity q, HumidityKind humidity) {
    return s.evaluated && (q != ReportQuantity::kHumidity || s.humidity == humidity);
}

const QuantityBenchmarks* BenchmarksOf(ReportQuantity q, HumidityKind humidity) {
    switch (q) {
        case ReportQuantity::kSpeed:
            return &kSpeedBenchmarks;
        case ReportQuantity::kDirection:
            return &kDirectionBenchmarks;
        case ReportQuantity::kTemperature:
            return &kTemperatureBenchmarks;
        case ReportQuantity::kHumidity:
            return humidity == HumidityKind::Relative ? nullptr : &kHumidityBenchmarks;
    }
    return nullptr;
}

struct BiasError {
    double bias = kNotComputed;
    double error = kNotComputed;
    std::int64_t n = 0;
};

BiasError BiasErrorOf(const GroupResult& g, ReportQuantity q) {
    if (q == ReportQuantity::kDirection) {
        return {g.direction.bias, g.direction.grossError, g.direction.n};
    }
    const ScalarStats& s = g.scalar[ScalarOf(q)];
    return {s.bias, q == ReportQuantity::kSpeed ? s.rmse : s.grossError, s.n};
}

std::string TwoDecimals(double v) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

// Ticks of a date axis over day rows 0 .. n-1: month starts (every k-th month or year) for
// long periods, every k-th day for short ones; at most eight.
Axis DateAxis(const std::vector<DayMeans>& days) {
    Axis axis;
    axis.lo = 0;
    axis.hi = days.size() > 1 ? static_cast<double>(days.size() - 1) : 1;
    axis.label = "Date";
    std::vector<std::size_t> monthStarts;
    for (std::size_t i = 0; i < days.size(); ++i) {
        if (FieldsFromStamp(days[i].day).day == 1) {
            monthStarts.push_back(i);
        }
    }
    if (monthStarts.size() >= 3) {
        for (const int step : {1, 2, 3, 4, 6, 12, 24, 60, 120, 240, 600, 1200}) {
            std::vector<std::size_t> picked;
            for (const std::size_t i : monthStarts) {
                const StampFields f = FieldsFromStamp(days[i].day);
                if ((f.year * 12 + f.month - 1) % step == 0) {
                    picked.push_back(i);
                }
            }
            if (picked.size() <= 8 || step == 1200) {
                for (const std::size_t i : picked) {
                    const StampFields f = FieldsFromStamp(days[i].day);
                    const bool yearOnly = step >= 12;
                    std::string label = yearOnly ? std::to_string(f.year)
                                                 : kMonths[static_cast<std::size_t>(f.month - 1)];
                    if (!yearOnly && (f.month == 1 || i == picked.front())) {
                        label += " " + std::to_string(f.year);
                    }
                    axis.ticks.push_back({static_cast<double>(i), label});
                }
                return axis;
            }
        }
    }
    std::size_t step = 1;
    for (const std::size_t s : {1, 2, 3, 5, 7, 10, 14, 15, 20, 30}) {
        step = s;
        if (days.size() <= 8 * s) {
            break;
        }
    }
    for (std::size_t i = 0; i < days.size(); i += step) {
        const StampFields f = FieldsFromStamp(days[i].day);
        char label[16];
        std::snprintf(label, sizeof label, "%s %02d",
                      kMonths[static_cast<std::size_t>(f.month - 1)], f.day);
        axis.ticks.push_back({static_cast<double>(i), label});
    }
    return axis;
}

Axis HourAxis() {
    Axis axis;
    axis.lo = -0.5;  // the markers of hours 00 and 23 stay whole
    axis.hi = 23.5;
    axis.label = "Hour of the end stamp";
    for (int h = 0; h < 24; h += 3) {
        char label[16];
        std::snprintf(label, sizeof label, "%02d", h);
        axis.ticks.push_back({static_cast<double>(h), label});
    }
    return axis;
}

Axis DirectionAxis() {
    Axis axis;
    axis.lo = 0;
    axis.hi = 360;
    axis.label = "Wind direction (deg)";
    for (int d = 0; d <= 360; d += 90) {
        axis.ticks.push_back({static_cast<double>(d), std::to_string(d)});
    }
    return axis;
}

}  // namespace

std::size_t ScalarOf(ReportQuantity q) {
    switch (q) {
        case ReportQuantity::kTemperature:
            return kScalarTemperature;
        case ReportQuantity::kHumidity:
            return kScalarHumidity;
        default:
            return kScalarSpeed;
    }
}

std::string QuantityUnit(ReportQuantity q, HumidityKind humidity) {
    if (q == ReportQuantity::kHumidity) {
        return humidity == HumidityKind::None ? "" : HumidityUnits(humidity);
    }
    return kQuantityTexts[static_cast<std::size_t>(q)].unit;
}

std::string QuantityName(ReportQuantity q, HumidityKind humidity) {
    if (q == ReportQuantity::kHumidity && humidity != HumidityKind::None) {
        return std::string("Humidity (") + HumidityName(humidity) + ")";
    }
    return kQuantityTexts[static_cast<std::size_t>(q)].name;
}

// The 95% intervals of a soccer marker's bias and error.
std::pair<Interval, Interval> SoccerIntervals(const GroupIntervals& g, ReportQuantity q) {
    if (q == ReportQuantity::kDirection) {
        return {g.directionBias, g.directionError};
    }
    const auto& s = g.scalar[ScalarOf(q)];
    return {s[kIntervalBias], s[q == ReportQuantity::kSpeed ? kIntervalRmse : kIntervalGrossError]};
}

// Interval bars through a soccer marker: its bias interval across, its error interval
// upright, thin lines with end ticks, drawn before the markers so that these stay on top.
// A station's bars are fainter than those of all stations, which matter most.
void IntervalBars(chart::Plot& plot, double bias, double error,
                  const std::pair<Interval, Interval>& bounds, bool pooled) {
    const std::string_view kStyle = pooled ? "stroke=\"#333333\" stroke-width=\"1.4\""
                                           : "stroke=\"#9A9A9A\" stroke-width=\"0.8\"";
    const double tick = pooled ? 4 : 2;
    chart::SvgDocument& svg = plot.svg();
    if (bounds.first.Known()) {
        const double y = plot.Y(error);
        const double x0 = plot.X(bounds.first.low);
        const double x1 = plot.X(bounds.first.high);
        svg.Line(x0, y, x1, y, kStyle);
        svg.Line(x0, y - tick, x0, y + tick, kStyle);
        svg.Line(x1, y - tick, x1, y + tick, kStyle);
    }
    if (bounds.second.Known()) {
        const double x = plot.X(bias);
        const double y0 = plot.Y(bounds.second.low);
        const double y1 = plot.Y(bounds.second.high);
        svg.Line(x, y0, x, y1, kStyle);
        svg.Line(x - tick, y0, x + tick, y0, kStyle);
        svg.Line(x - tick, y1, x + tick, y1, kStyle);
    }
}

// Per station only while the bars stay legible.
constexpr std::size_t kMostStationBars = 12;

std::string SoccerPlot(const ReportSummary& summary, ReportQuantity q) {
    const std::string name = QuantityName(q, summary.humidity);
    const std::string unit = QuantityUnit(q, summary.humidity);
    const std::string errorName = q == ReportQuantity::kSpeed ? "RMSE" : "Gross error";
    const QuantityBenchmarks* limits = BenchmarksOf(q, summary.humidity);
    std::vector<LabelledPoint> stations;
    Extent x;
    Extent y;
    y.Add(0);
    if (limits != nullptr) {
        // The whole box shows, with room above it.
        x.Add(-limits->bias.limit * 1.2);
        x.Add(limits->bias.limit * 1.2);
        y.Add(limits->error.limit * 1.15);
    }
    const auto place = [&](const BiasError& v, std::string label, std::string who) {
        // The bias axis is kept symmetric, so that over- and underprediction read alike;
        // a little room beyond the outermost marker keeps its label inside.
        x.Add(v.bias * 1.1);
        x.Add(-v.bias * 1.1);
        y.Add(v.error * 1.1);
        return LabelledPoint{v.bias, v.error, std::move(label),
                             who + ": bias " + FormatValue(v.bias) + " " + unit + ", " + errorName +
                                 " " + FormatValue(v.error) + " " + unit + ", N " +
                                 std::to_string(v.n)};
    };
    for (const ReportStation& s : summary.stations) {
        if (Shows(s, q, summary.humidity)) {
            const BiasError v = BiasErrorOf(s.whole, q);
            if (v.n > 0) {
                stations.push_back(place(v, std::to_string(s.number), StationText(s)));
            }
        }
    }
    const BiasError pooled = BiasErrorOf(summary.all, q);
    std::vector<LabelledPoint> all;
    if (pooled.n > 0) {
        all.push_back(place(pooled, "All", "All stations"));
    }
    Frame frame{kSmallWidth, kSmallHeight, name,
                name + ": bias against " + errorName +
                    " of each station and of all stations, with the benchmark box"};
    // Interval bars (all stations, and each station while there are few) widen the axes.
    struct Bar {
        BiasError at;
        std::pair<Interval, Interval> bounds;
        bool pooled;
    };
    std::vector<Bar> bars;
    const auto bar = [&](const BiasError& v, const GroupIntervals& g, bool all) {
        const auto bounds = SoccerIntervals(g, q);
        if (v.n == 0 || (!bounds.first.Known() && !bounds.second.Known())) {
            return;
        }
        for (const double b : {bounds.first.low, bounds.first.high}) {
            if (std::isfinite(b)) {
                x.Add(b * 1.05);
                x.Add(-b * 1.05);
            }
        }
        for (const double e : {bounds.second.low, bounds.second.high}) {
            if (std::isfinite(e)) {
                y.Add(e * 1.05);
            }
        }
        bars.push_back({v, bounds, all});
    };
    if (stations.size() <= kMostStationBars) {
        for (const ReportStation& s : summary.stations) {
            if (Shows(s, q, summary.humidity)) {
                bar(BiasErrorOf(s.whole, q), s.intervals, false);
            }
        }
    }
    bar(pooled, summary.allIntervals, true);
    Plot plot(frame, chart::NiceAxis(x, WithUnit("Bias", unit)),
              chart::NiceAxis(y, WithUnit(errorName, unit)));
    if (limits != nullptr) {
        plot.Box(-limits->bias.limit, 0, limits->bias.limit, limits->error.limit,
                 chart::kBluishGreen, "Benchmark");
    }
    plot.HorizontalLine(0, chart::kAxis);
    for (const Bar& b : bars) {
        IntervalBars(plot, b.at.bias, b.at.error, b.bounds, b.pooled);
    }
    if (!bars.empty()) {
        plot.AddLegendText("bars: 95% intervals");
    }
    if (all.empty()) {
        plot.NoData();
    }
    plot.Points(stations, StationMarkers());
    plot.Points(all, AllMarker());
    return plot.Finish();
}

std::string TaylorChart(const ReportSummary& summary, ReportQuantity q) {
    const std::size_t k = ScalarOf(q);
    const std::string name = QuantityName(q, summary.humidity);
    std::vector<chart::TaylorSeries> series(2);
    series[0].style = StationMarkers();
    series[1].style = AllMarker();
    const auto tooltip = [](const std::string& who, double ratio, double r) {
        return who + ": standard deviation ratio " + FormatValue(ratio) + ", correlation " +
               FormatValue(r);
    };
    for (const ReportStation& s : summary.stations) {
        if (Shows(s, q, summary.humidity)) {
            const double r = s.whole.scalar[k].correlation;
            series[0].points.push_back({s.SpreadRatio(k), r, std::to_string(s.number),
                                        tooltip(StationText(s), s.SpreadRatio(k), r)});
        }
    }
    const double ratio = summary.scatter[k].spreadRatio;
    const double r = summary.all.scalar[k].correlation;
    series[1].points.push_back({ratio, r, "All", tooltip("All stations", ratio, r)});
    Frame frame{kSmallWidth, 0, name,
                name +
                    ": standard deviation ratio and correlation of each station against "
                    "its observations"};
    return chart::TaylorDiagram(frame, series);
}

std::string DailyChart(const ReportSummary& summary, ReportQuantity q) {
    const std::string name = QuantityName(q, summary.humidity);
    const std::string unit = QuantityUnit(q, summary.humidity);
    std::vector<double> x;
    std::vector<double> observed;
    std::vector<double> predicted;
    Extent values;
    for (std::size_t i = 0; i < summary.days.size(); ++i) {
        const DayMeans& d = summary.days[i];
        x.push_back(static_cast<double>(i));
        if (q == ReportQuantity::kDirection) {
            observed.push_back(d.directionObserved);
            predicted.push_back(d.directionPredicted);
        } else {
            observed.push_back(d.observed[ScalarOf(q)]);
            predicted.push_back(d.predicted[ScalarOf(q)]);
        }
        values.Add(observed.back());
        values.Add(predicted.back());
    }
    const bool direction = q == ReportQuantity::kDirection;
    Frame frame{kWideWidth, kWideHeight, name,
                "Daily mean " + name + ", observed and predicted, all stations" +
                    (direction ? ", as points" : "; days without pairs leave gaps")};
    Plot plot(frame, DateAxis(summary.days),
              direction ? DirectionAxis() : chart::NiceAxis(values, WithUnit(name, unit)));
    if (values.empty()) {
        plot.NoData();
    }
    if (direction) {
        SeriesStyle o = ObservedLine();
        o.marker = Marker::Circle;
        o.markerRadius = 2.8;
        SeriesStyle p = PredictedLine();
        p.marker = Marker::Triangle;
        p.markerRadius = 3.2;
        plot.Dots(x, observed, o);
        plot.Dots(x, predicted, p);
    } else {
        plot.Line(x, observed, ObservedLine());
        plot.Line(x, predicted, PredictedLine());
    }
    return plot.Finish();
}

std::string DiurnalMeansChart(const ReportSummary& summary, ReportQuantity q) {
    const std::size_t k = ScalarOf(q);
    const std::string name = QuantityName(q, summary.humidity);
    std::vector<double> x;
    std::vector<double> observed;
    std::vector<double> predicted;
    Extent values;
    for (std::size_t h = 0; h < 24; ++h) {
        const FirstPass& sums = summary.hours[k][h];
        x.push_back(static_cast<double>(h));
        observed.push_back(sums.n > 0 ? sums.MeanObserved() : kNotComputed);
        predicted.push_back(sums.n > 0 ? sums.MeanPredicted() : kNotComputed);
        values.Add(observed.back());
        values.Add(predicted.back());
    }
    Frame frame{kSmallWidth, kSmallHeight, name + ": mean",
                "Mean observed and predicted " + name + " by hour of day, all stations"};
    Plot plot(frame, HourAxis(),
              chart::NiceAxis(values, WithUnit(name, QuantityUnit(q, summary.humidity))));
    if (values.empty()) {
        plot.NoData();
    }
    SeriesStyle o = ObservedLine();
    o.marker = Marker::Circle;
    o.markerRadius = 3;
    SeriesStyle p = PredictedLine();
    p.marker = Marker::Triangle;
    p.markerRadius = 3;
    plot.Line(x, observed, o);
    plot.Line(x, predicted, p);
    return plot.Finish();
}

std::string DiurnalBiasChart(const ReportSummary& summary, ReportQuantity q) {
    const std::size_t k = ScalarOf(q);
    const std::string name = QuantityName(q, summary.humidity);
    std::vector<double> x;
    std::vector<double> bias;
    Extent values;
    values.Add(0);
    for (std::size_t h = 0; h < 24; ++h) {
        const FirstPass& sums = summary.hours[k][h];
        x.push_back(static_cast<double>(h));
        bias.push_back(sums.n > 0 ? sums.MeanPredicted() - sums.MeanObserved() : kNotComputed);
        values.Add(bias.back());
    }
    Frame frame{kSmallWidth, kSmallHeight, name + ": bias",
                "Mean bias (predicted less observed) of " + name + " by hour of day"};
    Plot plot(frame, HourAxis(),
              chart::NiceAxis(values, WithUnit("Bias", QuantityUnit(q, summary.humidity))));
    plot.HorizontalLine(0, chart::kAxis);
    SeriesStyle style;
    style.name = "Bias (predicted - observed)";
    style.colour = chart::kReddishPurple;
    style.marker = Marker::Square;
    style.markerRadius = 3;
    plot.Line(x, bias, style);
    return plot.Finish();
}

std::string ScatterChart(const ReportSummary& summary, ReportQuantity q) {
    const std::size_t k = ScalarOf(q);
    const ScatterSummary& scatter = summary.scatter[k];
    const std::string name = QuantityName(q, summary.humidity);
    const std::string unit = QuantityUnit(q, summary.humidity);
    Frame frame{kSmallWidth, kSmallHeight, name,
                "Predicted against observed " + name + ", " + std::to_string(scatter.pairs) +
                    " pairs" + (scatter.Histogram() ? " counted on a grid" : "") +
                    ", with the 1:1 line and the least-squares line"};
    Axis observed = chart::NiceAxis(scatter.extent, WithUnit("Observed", unit));
    Axis predicted = observed;
    predicted.label = WithUnit("Predicted", unit);
    // A square area, so that the 1:1 line runs at 45 degrees.
    const chart::Margins m = chart::CartesianMargins(observed, predicted);
    frame.height = m.top + (frame.width - m.left - m.right) + m.bottom;
    Plot plot(frame, observed, predicted);
    if (scatter.pairs == 0) {
        plot.NoData();
    } else if (scatter.Histogram()) {
        plot.Histogram(scatter.grid, "Pairs per cell:");
    } else {
        SeriesStyle dots;
        dots.name = "Pair";
        dots.colour = chart::kBlue;
        dots.marker = Marker::Circle;
        dots.markerRadius = 1.8;
        dots.markerOpacity = 0.45;
        const std::vector<double> o(scatter.observed.begin(), scatter.observed.end());
        const std::vector<double> p(scatter.predicted.begin(), scatter.predicted.end());
        plot.Dots(o, p, dots);
    }
    SeriesStyle identity;
    identity.name = "1:1";
    identity.colour = chart::kBlack;
    identity.dash = "4 3";
    identity.lineWidth = 1;
    plot.StraightLine(0, 1, identity);
    SeriesStyle fit;
    fit.name = "Least squares: P = " + TwoDecimals(scatter.slope) + " O " +
               (scatter.intercept < 0 ? "\u2212 " : "+ ") +
               TwoDecimals(std::fabs(scatter.intercept));
    fit.colour = chart::kVermillion;
    plot.StraightLine(scatter.intercept, scatter.slope, fit);
    return plot.Finish();
}

chart::WindRoseData RoseData(const RoseCounts& counts) {
    chart::WindRoseData data;
    data.hours = counts.hours;
    const double total = counts.hours > 0 ? static_cast<double>(counts.hours) : 1;
    data.calmPercent = 100.0 * static_cast<double>(counts.calm) / total;
    for (std::size_t c = 0; c < kRoseClasses; ++c) {
        auto& row = data.percent.emplace_back();
        for (std::size_t s = 0; s < row.size(); ++s) {
            row[s] = 100.0 * static_cast<double>(counts.counts[c][s]) / total;
        }
        char name[48];
        if (c == 0) {
            std::snprintf(name, sizeof name, "up to %g m/s", kRoseSpeedBounds[0]);
        } else if (c == kRoseSpeedBounds.size()) {
            std::snprintf(name, sizeof name, "above %g m/s", kRoseSpeedBounds[c - 1]);
        } else {
            std::snprintf(name, sizeof name, "%g\u2013%g m/s", kRoseSpeedBounds[c - 1],
                          kRoseSpeedBounds[c]);
        }
        data.classNames.emplace_back(name);
    }
    return data;
}

std::string WindRoseChart(const ReportSummary& summary, bool observed, double scalePercent) {
    const RoseCounts& counts = observed ? summary.observedRose : summary.predictedRose;
    const std::string which = observed ? "Observed" : "Predicted";
    Frame frame{kSmallWidth, 360, which + " wind",
                which + " wind rose: percent of " + std::to_string(counts.hours) +
                    " hours by direction sector and speed class"};
    return chart::WindRose(frame, RoseData(counts), scalePercent);
}

}  // namespace corvane::wxcheck
