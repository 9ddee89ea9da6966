#pragma once

// The Taylor diagram: each point at the ratio of predicted to observed standard deviation
// (radius) and the correlation (angle from the horizontal axis, cos = R), with the observed
// reference at 1 and arcs of equal centred RMS difference around it.

#include <span>
#include <string>
#include <vector>

#include "chart/plot.h"

namespace corvane::chart {

struct TaylorPoint {
    double ratio = 0;        // predicted / observed standard deviation
    double correlation = 0;  // -1 to 1
    std::string label;
    std::string tooltip;
};

struct TaylorSeries {
    std::vector<TaylorPoint> points;
    SeriesStyle style;
};

/// Where a point lies in the diagram's own units (observed standard deviation = 1).
struct TaylorPosition {
    double x = 0;
    double y = 0;
};
TaylorPosition TaylorPlace(double ratio, double correlation);

/// The diagram; `frame.height` is worked out from the width. A quarter circle, or a half
/// circle when some correlation is negative. Points without a finite ratio and
/// correlation are left out; none at all gives `empty` in the middle, which says why.
std::string TaylorDiagram(Frame frame, std::span<const TaylorSeries> series,
                          std::string_view empty = "no data");

}  // namespace corvane::chart
