// The parts of a plot drawn last, over its series: the point labels, placed where they
// overlap nothing placed before, and the legend below the plot area.

#include <algorithm>
#include <cmath>

#include "chart/box_grid.h"
#include "chart/plot.h"

namespace corvane::chart {

namespace {

constexpr double kLegendRow = 18;

}  // namespace

void Plot::AddLegendLine(const SeriesStyle& style) {
    legend_.push_back({LegendEntry::kLine, style, style.name});
}

void Plot::AddLegendSwatch(const char* fill, std::string_view name) {
    SeriesStyle style;
    style.colour = fill;
    legend_.push_back({LegendEntry::kSwatch, style, std::string(name)});
}

void Plot::AddLegendText(std::string_view text) {
    legend_.push_back({LegendEntry::kText, SeriesStyle(), std::string(text)});
}

void Plot::DrawLabels() {
    // Later layers first; within a layer those that must show, then in the order given.
    std::stable_sort(labels_.begin(), labels_.end(),
                     [](const PendingLabel& a, const PendingLabel& b) {
                         return a.layer != b.layer ? a.layer > b.layer : a.always > b.always;
                     });
    svg_.OpenGroup("font-size=\"11\" fill=\"#222222\"");
    // Every label is checked against the markers and the labels placed before it.
    BoxGrid occupied(left_, top_, right_, bottom_);
    if (!labels_.empty()) {
        for (const Box2& o : occupied_) {
            occupied.Add({o.x0, o.y0, o.x1, o.y1});
        }
    }
    for (const PendingLabel& l : labels_) {
        const double w = TextWidth(l.text, 11);
        const double h = 11;
        // Right, left, above, below the marker; the first spot that is free and inside.
        const double spots[4][2] = {{l.x + l.radius + 1, l.y + 4},
                                    {l.x - l.radius - 1 - w, l.y + 4},
                                    {l.x - w / 2, l.y - l.radius - 3},
                                    {l.x - w / 2, l.y + l.radius + h}};
        const double(*inside)[2] = nullptr;  // the first spot inside the frame
        bool placed = false;
        for (const auto& spot : spots) {
            const Box2 box{spot[0], spot[1] - h + 2, spot[0] + w, spot[1] + 2};
            if (box.x0 < left_ || box.x1 > right_ || box.y0 < top_ || box.y1 > bottom_) {
                continue;
            }
            inside = inside != nullptr ? inside : &spot;
            if (occupied.Overlaps({box.x0, box.y0, box.x1, box.y1})) {
                continue;
            }
            occupied.Add({box.x0, box.y0, box.x1, box.y1});
            svg_.Text(spot[0], spot[1], l.text);
            placed = true;
            break;
        }
        if (!placed && l.always) {
            // Over whatever lies there, on a white halo that keeps it legible.
            const auto& spot = inside != nullptr ? *inside : spots[0];
            occupied.Add({spot[0], spot[1] - h + 2, spot[0] + w, spot[1] + 2});
            svg_.Text(spot[0], spot[1], l.text,
                      "stroke=\"#FFFFFF\" stroke-width=\"3\" paint-order=\"stroke\"");
        }
    }
    svg_.CloseGroup();
    labels_.clear();
}

void Plot::DrawLegend() {
    if (legend_.empty()) {
        return;
    }
    const double rowLeft = 8;
    const double rowRight = svg_.width() - 8;
    double x = rowLeft;
    double y = svg_.height() + 2;  // top of the current row
    for (const LegendEntry& e : legend_) {
        if (e.kind == LegendEntry::kBreak) {
            if (x > rowLeft && &e != &legend_.back()) {
                x = rowLeft;
                y += kLegendRow;
            }
            continue;
        }
        const double sample = e.kind == LegendEntry::kText   ? 0
                              : e.kind == LegendEntry::kLine ? 26
                                                             : 14;
        const double width = sample + (sample > 0 ? 5 : 0) + TextWidth(e.text, 11);
        if (x > rowLeft && x + width > rowRight) {
            x = rowLeft;
            y += kLegendRow;
        }
        const double middle = y + kLegendRow / 2;
        PathData mark;
        switch (e.kind) {
            case LegendEntry::kLine: {
                PathData line;
                line.MoveTo(x, middle).LineTo(x + sample, middle);
                svg_.Path(line, LineAttributes(e.style));
                [[fallthrough]];
            }
            case LegendEntry::kMarker:
                AppendMarker(mark, e.style.marker, x + sample / 2, middle, e.style.markerRadius);
                svg_.Path(mark, MarkerAttributes(e.style));
                break;
            case LegendEntry::kSwatch:
                svg_.Rect(x, middle - 6, 12, 12, std::string("fill=\"") + e.style.colour + '"');
                break;
            case LegendEntry::kOutline:
                svg_.Rect(x, middle - 6, 12, 12,
                          std::string("fill=\"") + e.style.colour +
                              "\" fill-opacity=\"0.12\" stroke=\"" + e.style.colour +
                              "\" stroke-width=\"1.5\" stroke-dasharray=\"3 2\"");
                break;
            case LegendEntry::kText:
            case LegendEntry::kBreak:
                break;
        }
        svg_.Text(x + sample + (sample > 0 ? 5 : 0), middle + 4, e.text, "font-size=\"11\"");
        x += width + 14;
    }
    svg_.SetHeight(y + kLegendRow + 4);
}

}  // namespace corvane::chart
