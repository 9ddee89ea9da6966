#pragma once

// The report's charts, drawn from its summary: soccer plots, Taylor diagrams, daily series,
// diurnal cycles, scatter plots and wind roses, each an SVG element.

#include <string>
#include <vector>

#include "report/report_summary.h"

namespace corvane::wxcheck {

/// The four quantities of the soccer plots, in report order.
enum class ReportQuantity { kSpeed, kDirection, kTemperature, kHumidity };

/// "m/s", "deg", "K", or the units of the run's humidity variable.
std::string QuantityUnit(ReportQuantity q, HumidityKind humidity);
/// "Wind speed", ..., "Humidity (MIXR)".
std::string QuantityName(ReportQuantity q, HumidityKind humidity);
/// The scalar index of wind speed, temperature and humidity.
std::size_t ScalarOf(ReportQuantity q);
/// Whether some evaluated station has quantity q in both files (wind direction: with wind
/// speed, without which it has no statistics); the report leaves out the charts of the
/// others.
bool RunHas(const ReportSummary& summary, ReportQuantity q);

/// How far a station's (or the pool's) values of q lie from the benchmark box: the larger
/// of |bias| and the error, each over its limit, so that above 1 lies outside. NaN without
/// pairs or where q has no benchmark (relative humidity).
double BenchmarkDistance(const GroupResult& g, ReportQuantity q, HumidityKind humidity);
/// The stations that lie outside the benchmark box of q, furthest first (the lower number
/// first among equals), at most `count` (up to kOutliersLabelled); indices into
/// summary.Stations().
std::vector<std::size_t> FurthestStations(const ReportSummary& summary, ReportQuantity q,
                                          std::size_t count);
/// How far each station lies outside the benchmark boxes of the quantities the run has:
/// the largest BenchmarkDistance among them, 0 where there is none (a failed station, or
/// no benchmark). In the order of summary.Stations().
std::vector<double> StationDistances(const ReportSummary& summary);

/// Which stations the report shows one by one, by index into summary.Stations(): all of
/// them up to kMostStationsShown, otherwise the kMostStationsShown that matter: furthest
/// outside the benchmark boxes first (StationDistances, the lower number first among
/// equals), then those that failed, then the rest nearest the box edges first.
std::vector<bool> ShownStations(const ReportSummary& summary);

/// The range of one soccer axis: the data's with room for labels, reaching to the nearest
/// edge of the benchmark range [boxLo, boxHi] when that lies no further away than the data
/// span, so that a box far larger than the cloud does not shrink it to a dot.
chart::Extent SoccerRange(const chart::Extent& data, double boxLo, double boxHi);

/// Bias against RMSE (wind speed) or gross error, a marker per station, the pooled value
/// and the benchmark box, zoomed to the markers; the stations furthest outside the box
/// are always labelled.
std::string SoccerPlot(const ReportSummary& summary, ReportQuantity q);
std::string TaylorChart(const ReportSummary& summary, ReportQuantity q);
/// The same with markers of the `shown` stations only (ShownStations).
std::string SoccerPlot(const ReportSummary& summary, ReportQuantity q,
                       const std::vector<bool>& shown);
std::string TaylorChart(const ReportSummary& summary, ReportQuantity q,
                        const std::vector<bool>& shown);
/// Pooled daily means, observed and predicted; wind direction as points. The plot area
/// starts at least `left` pixels in.
std::string DailyChart(const ReportSummary& summary, ReportQuantity q, double left = 0);
/// The left margin that fits the value labels of every daily chart of `quantities`.
double DailyLeftMargin(const ReportSummary& summary, const std::vector<ReportQuantity>& quantities);
/// Mean observed and predicted by hour of day, and the bias by hour; the plot areas start
/// at least `left` pixels in.
std::string DiurnalMeansChart(const ReportSummary& summary, ReportQuantity q, double left = 0);
std::string DiurnalBiasChart(const ReportSummary& summary, ReportQuantity q, double left = 0);
/// The left margin that fits every diurnal chart of means (or of the bias) of `quantities`.
double DiurnalLeftMargin(const ReportSummary& summary,
                         const std::vector<ReportQuantity>& quantities, bool bias);
std::string ScatterChart(const ReportSummary& summary, ReportQuantity q);
std::string WindRoseChart(const ReportSummary& summary, bool observed, double scalePercent);

/// The date axis of the day rows `days` (0 to n - 1), and the hour-of-day axis of the
/// diurnal charts.
chart::Axis DateAxis(const std::vector<DayMeans>& days);
chart::Axis HourAxis();
chart::Axis DirectionAxis();

/// The wind rose of the observed or predicted series, in percent of the hours.
chart::WindRoseData RoseData(const RoseCounts& counts);

}  // namespace corvane::wxcheck
