#include "report/report_charts.h"

#include <algorithm>
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
    s.markerRadius = 5.5;
    s.hollow = true;  // stations beneath it stay in sight
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
    return std::string_view(text) == "-0.00" ? "0.00" : text;
}

}  // namespace

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

bool RunHas(const ReportSummary& summary, ReportQuantity q) {
    switch (q) {
        case ReportQuantity::kSpeed:
            return summary.SomeStationEvaluates(kSpeed);
        case ReportQuantity::kDirection:
            return summary.SomeStationEvaluates(kDirection);
        case ReportQuantity::kTemperature:
            return summary.SomeStationEvaluates(kTemperature);
        case ReportQuantity::kHumidity:
            return summary.humidity != HumidityKind::None;
    }
    return false;
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

double BenchmarkDistance(const GroupResult& g, ReportQuantity q, HumidityKind humidity) {
    const QuantityBenchmarks* limits = BenchmarksOf(q, humidity);
    const BiasError v = BiasErrorOf(g, q);
    if (limits == nullptr || v.n == 0 || !std::isfinite(v.bias) || !std::isfinite(v.error)) {
        return kNotComputed;
    }
    return std::max(std::fabs(v.bias) / limits->bias.limit, v.error / limits->error.limit);
}

std::vector<std::size_t> FurthestStations(const ReportSummary& summary, ReportQuantity q,
                                          std::size_t count) {
    std::vector<std::pair<double, std::size_t>> outside;
    const std::vector<ReportStation>& stations = summary.Stations();
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const ReportStation& s = stations[i];
        if (Shows(s, q, summary.humidity)) {
            const double d = BenchmarkDistance(s.whole, q, summary.humidity);
            if (d > 1) {
                outside.emplace_back(d, i);
            }
        }
    }
    const std::size_t n = std::min(count, outside.size());
    std::partial_sort(outside.begin(), outside.begin() + static_cast<std::ptrdiff_t>(n),
                      outside.end(), [](const auto& a, const auto& b) {
                          return a.first != b.first ? a.first > b.first : a.second < b.second;
                      });
    std::vector<std::size_t> furthest;
    for (std::size_t k = 0; k < n; ++k) {
        furthest.push_back(outside[k].second);
    }
    return furthest;
}

std::vector<double> StationDistances(const ReportSummary& summary) {
    std::vector<ReportQuantity> present;
    for (const ReportQuantity q : {ReportQuantity::kSpeed, ReportQuantity::kDirection,
                                   ReportQuantity::kTemperature, ReportQuantity::kHumidity}) {
        if (RunHas(summary, q)) {
            present.push_back(q);
        }
    }
    std::vector<double> distances;
    distances.reserve(summary.Stations().size());
    for (const ReportStation& s : summary.Stations()) {
        double worst = 0;
        for (const ReportQuantity q : present) {
            if (Shows(s, q, summary.humidity)) {
                const double d = BenchmarkDistance(s.whole, q, s.humidity);
                worst = std::isfinite(d) && d > worst ? d : worst;
            }
        }
        distances.push_back(worst);
    }
    return distances;
}

std::vector<bool> ShownStations(const ReportSummary& summary) {
    // The summary holds every station that can be among the first `most` in this order,
    // whichever humidity variable the run has, and perhaps some more.
    const std::size_t most = kMostStationsShown;
    const std::vector<ReportStation>& stations = summary.Stations();
    const std::size_t n = stations.size();
    if (n <= most) {
        return std::vector<bool>(n, true);
    }
    // Outside some box (distance above 1) ranks first, then failed, then inside.
    struct Rank {
        int group;
        double distance;
        std::size_t index;
    };
    const std::vector<double> distances = StationDistances(summary);
    std::vector<Rank> ranks;
    ranks.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double d = distances[i];
        ranks.push_back({!stations[i].evaluated ? 1 : d > 1 ? 0 : 2, d, i});
    }
    std::nth_element(ranks.begin(), ranks.begin() + static_cast<std::ptrdiff_t>(most), ranks.end(),
                     [](const Rank& a, const Rank& b) {
                         if (a.group != b.group) {
                             return a.group < b.group;
                         }
                         if (a.distance != b.distance) {
                             return a.distance > b.distance;
                         }
                         return a.index < b.index;
                     });
    std::vector<bool> shown(n, false);
    for (std::size_t k = 0; k < most; ++k) {
        shown[ranks[k].index] = true;
    }
    return shown;
}

Extent SoccerRange(const Extent& data, double boxLo, double boxHi) {
    const bool box = std::isfinite(boxLo) && std::isfinite(boxHi);
    Extent range;
    if (data.empty()) {
        range.Add(box ? boxLo : 0);
        range.Add(box ? boxHi : 1);
        return range;
    }
    const double span = data.hi - data.lo;
    // Room for the outermost markers' labels.
    range.Add(data.lo - span * 0.08);
    range.Add(data.hi + span * 0.08);
    if (box && span > 0) {
        if (range.lo > boxHi && range.lo - boxHi <= span) {
            range.Add(boxHi - span * 0.04);
        } else if (range.hi < boxLo && boxLo - range.hi <= span) {
            range.Add(boxLo + span * 0.04);
        }
    }
    // Errors are never below zero: no room below it.
    if (box && boxLo == 0 && data.lo >= 0 && range.lo < 0) {
        range.lo = 0;
    }
    return range;
}

namespace {

// The stations furthest outside the box get their labels whatever the crowd around them,
// and so does each of a few stations (one under the pooled marker among them).
void MarkOutliers(const ReportSummary& summary, ReportQuantity q,
                  std::vector<LabelledPoint>& points) {
    if (points.size() <= kOutliersLabelled) {
        for (LabelledPoint& p : points) {
            p.always = true;
        }
        return;
    }
    for (const std::size_t i : FurthestStations(summary, q, kOutliersLabelled)) {
        const std::string label = std::to_string(summary.Stations()[i].number);
        for (LabelledPoint& p : points) {
            p.always |= p.label == label;
        }
    }
}

// Says so in the corner when the zoom leaves no part of the benchmark box in the frame.
void BoxOutOfView(Plot& plot, const Axis& bias, const Axis& error, double biasLimit,
                  double errorLimit) {
    if (bias.lo < biasLimit && bias.hi > -biasLimit && error.lo < errorLimit) {
        return;
    }
    plot.svg().Text(plot.Left() + 5, plot.Bottom() - 6, "benchmark box out of view",
                    "font-size=\"11\" fill=\"#00704F\"");
}

}  // namespace

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
    return SoccerPlot(summary, q, ShownStations(summary));
}

std::string SoccerPlot(const ReportSummary& summary, ReportQuantity q,
                       const std::vector<bool>& shown) {
    const std::string name = QuantityName(q, summary.humidity);
    const std::string unit = QuantityUnit(q, summary.humidity);
    const std::string errorName = q == ReportQuantity::kSpeed ? "RMSE" : "Gross error";
    const QuantityBenchmarks* limits = BenchmarksOf(q, summary.humidity);
    std::vector<LabelledPoint> stations;
    Extent x;
    Extent y;
    const auto place = [&](const BiasError& v, std::string label, std::string who) {
        x.Add(v.bias);
        y.Add(v.error);
        return LabelledPoint{v.bias, v.error, std::move(label),
                             who + ": bias " + FormatValue(v.bias) + " " + unit + ", " + errorName +
                                 " " + FormatValue(v.error) + " " + unit + ", N " +
                                 std::to_string(v.n)};
    };
    const std::vector<ReportStation>& held = summary.Stations();
    for (std::size_t i = 0; i < held.size(); ++i) {
        const ReportStation& s = held[i];
        if (shown[i] && Shows(s, q, summary.humidity)) {
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
    MarkOutliers(summary, q, stations);
    // Interval bars (all stations, and each station while there are few) widen the view.
    struct Bar {
        BiasError at;
        std::pair<Interval, Interval> bounds;
        bool pooled;
    };
    std::vector<Bar> bars;
    const auto bar = [&](const BiasError& v, const GroupIntervals& g, bool pooledBar) {
        const auto bounds = SoccerIntervals(g, q);
        if (v.n == 0 || (!bounds.first.Known() && !bounds.second.Known())) {
            return;
        }
        for (const double b : {bounds.first.low, bounds.first.high}) {
            if (std::isfinite(b)) {
                x.Add(b);
            }
        }
        for (const double e : {bounds.second.low, bounds.second.high}) {
            if (std::isfinite(e)) {
                y.Add(e);
            }
        }
        bars.push_back({v, bounds, pooledBar});
    };
    if (stations.size() <= kMostStationBars) {
        const std::vector<ReportStation>& held = summary.Stations();
        for (std::size_t i = 0; i < held.size(); ++i) {
            const ReportStation& s = held[i];
            if (shown[i] && Shows(s, q, summary.humidity)) {
                bar(BiasErrorOf(s.whole, q), s.intervals, false);
            }
        }
    }
    bar(pooled, summary.allIntervals, true);
    const double biasLimit = limits != nullptr ? limits->bias.limit : kNotComputed;
    const double errorLimit = limits != nullptr ? limits->error.limit : kNotComputed;
    x = SoccerRange(x, -biasLimit, biasLimit);
    y = SoccerRange(y, 0, errorLimit);
    Frame frame{kSmallWidth, kSmallHeight, name,
                name + ": bias against " + errorName +
                    " of each station and of all stations, with the benchmark box"};
    const Axis biasAxis = chart::NiceAxis(x, WithUnit("Bias", unit));
    const Axis errorAxis = chart::NiceAxis(y, WithUnit(errorName, unit));
    Plot plot(frame, biasAxis, errorAxis);
    if (limits != nullptr) {
        plot.Box(-limits->bias.limit, 0, limits->bias.limit, limits->error.limit,
                 chart::kBluishGreen, "Benchmark");
        BoxOutOfView(plot, biasAxis, errorAxis, biasLimit, errorLimit);
    }
    plot.HorizontalLine(0, chart::kAxis);
    for (const Bar& b : bars) {
        IntervalBars(plot, b.at.bias, b.at.error, b.bounds, b.pooled);
    }
    if (!bars.empty()) {
        plot.AddLegendText("bars: 95% intervals");
    }
    if (all.empty()) {
        plot.NoData("no pairs");
    }
    plot.Points(stations, StationMarkers());
    plot.Points(all, AllMarker());
    return plot.Finish();
}

std::string TaylorChart(const ReportSummary& summary, ReportQuantity q) {
    return TaylorChart(summary, q, ShownStations(summary));
}

std::string TaylorChart(const ReportSummary& summary, ReportQuantity q,
                        const std::vector<bool>& shown) {
    const std::size_t k = ScalarOf(q);
    const std::string name = QuantityName(q, summary.humidity);
    std::vector<chart::TaylorSeries> series(2);
    series[0].style = StationMarkers();
    series[1].style = AllMarker();
    const auto tooltip = [](const std::string& who, double ratio, double r) {
        return who + ": standard deviation ratio " + FormatValue(ratio) + ", correlation " +
               FormatValue(r);
    };
    // Observations with spread give a ratio; then only predictions without spread leave
    // the correlation undefined, and they lie at the origin whatever it would be.
    const auto point = [&](double ratio, double r, std::string label, const std::string& who) {
        if (std::isfinite(ratio) && !std::isfinite(r)) {
            return chart::TaylorPoint{0, 0, std::move(label),
                                      who +
                                          ": no spread in the predictions (ratio 0, "
                                          "correlation n/a)"};
        }
        return chart::TaylorPoint{ratio, r, std::move(label), tooltip(who, ratio, r)};
    };
    const std::vector<ReportStation>& held = summary.Stations();
    for (std::size_t i = 0; i < held.size(); ++i) {
        const ReportStation& s = held[i];
        if (shown[i] && Shows(s, q, summary.humidity) && s.whole.scalar[k].n > 0) {
            series[0].points.push_back(point(s.SpreadRatio(k), s.whole.scalar[k].correlation,
                                             std::to_string(s.number), StationText(s)));
        }
    }
    if (summary.all.scalar[k].n > 0) {
        series[1].points.push_back(point(summary.scatter[k].spreadRatio,
                                         summary.all.scalar[k].correlation, "All", "All stations"));
    }
    Frame frame{kSmallWidth, 0, name,
                name +
                    ": standard deviation ratio and correlation of each station against "
                    "its observations"};
    return chart::TaylorDiagram(
        frame, series, summary.all.scalar[k].n > 0 ? "no spread in the observations" : "no pairs");
}

// The value axis of a daily chart.
Axis DailyValueAxis(const ReportSummary& summary, ReportQuantity q) {
    if (q == ReportQuantity::kDirection) {
        return DirectionAxis();
    }
    Extent values;
    for (const DayMeans& d : summary.days) {
        values.Add(d.observed[ScalarOf(q)]);
        values.Add(d.predicted[ScalarOf(q)]);
    }
    const std::string name = QuantityName(q, summary.humidity);
    return chart::NiceAxis(values, WithUnit(name, QuantityUnit(q, summary.humidity)));
}

double DailyLeftMargin(const ReportSummary& summary,
                       const std::vector<ReportQuantity>& quantities) {
    const Axis dates = DateAxis(summary.days);
    double left = 0;
    for (const ReportQuantity q : quantities) {
        left = std::max(left, chart::CartesianMargins(dates, DailyValueAxis(summary, q)).left);
    }
    return left;
}

std::string DailyChart(const ReportSummary& summary, ReportQuantity q, double left) {
    const std::string name = QuantityName(q, summary.humidity);
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
    frame.minLeft = left;
    Plot plot(frame, DateAxis(summary.days), DailyValueAxis(summary, q));
    if (values.empty()) {
        plot.NoData(direction && RunHas(summary, q) && summary.all.direction.n == 0 &&
                            summary.all.scalar[kScalarSpeed].n > 0
                        ? "every hour calm"
                        : "no pairs");
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

// The value axes of the diurnal charts: the means, and the bias with zero in it.
Axis DiurnalAxis(const ReportSummary& summary, ReportQuantity q, bool bias) {
    const std::size_t k = ScalarOf(q);
    Extent values;
    if (bias) {
        values.Add(0);
    }
    for (const FirstPass& sums : summary.hours[k]) {
        if (sums.n > 0) {
            if (bias) {
                values.Add(sums.MeanPredicted() - sums.MeanObserved());
            } else {
                values.Add(sums.MeanObserved());
                values.Add(sums.MeanPredicted());
            }
        }
    }
    return chart::NiceAxis(values, WithUnit(bias ? "Bias" : QuantityName(q, summary.humidity),
                                            QuantityUnit(q, summary.humidity)));
}

double DiurnalLeftMargin(const ReportSummary& summary,
                         const std::vector<ReportQuantity>& quantities, bool bias) {
    double left = 0;
    for (const ReportQuantity q : quantities) {
        left =
            std::max(left, chart::CartesianMargins(HourAxis(), DiurnalAxis(summary, q, bias)).left);
    }
    return left;
}

std::string DiurnalMeansChart(const ReportSummary& summary, ReportQuantity q, double left) {
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
    frame.minLeft = left;
    Plot plot(frame, HourAxis(), DiurnalAxis(summary, q, false));
    if (values.empty()) {
        plot.NoData("no pairs");
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

std::string DiurnalBiasChart(const ReportSummary& summary, ReportQuantity q, double left) {
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
    frame.minLeft = left;
    Plot plot(frame, HourAxis(), DiurnalAxis(summary, q, true));
    plot.HorizontalLine(0, chart::kAxis);
    if (values.lo == 0 && values.hi == 0 && summary.all.scalar[k].n == 0) {
        plot.NoData("no pairs");
    }
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
        plot.NoData("no pairs");
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
        // A class starts at its lower bound or, the lowest ones, above the calm threshold,
        // and is named so; a class wholly at or below the threshold is never filled.
        const bool top = c == kRoseSpeedBounds.size();
        const bool fromCalm = c == 0 || counts.calmThreshold >= kRoseSpeedBounds[c - 1];
        if (!top && counts.calmThreshold >= kRoseSpeedBounds[c]) {
            data.percent.pop_back();
            continue;
        }
        char bound[32];
        std::snprintf(bound, sizeof bound, "%g",
                      top ? kRoseSpeedBounds[c - 1] : kRoseSpeedBounds[c]);
        std::string name;
        if (top) {
            name = std::string("above ") + (fromCalm ? counts.calmText : bound) + " m/s";
        } else if (fromCalm) {
            name = counts.calmText + "\u2013" + bound + " m/s";
        } else {
            char lower[32];
            std::snprintf(lower, sizeof lower, "%g", kRoseSpeedBounds[c - 1]);
            name = std::string(lower) + "\u2013" + bound + " m/s";
        }
        data.classNames.push_back(std::move(name));
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
