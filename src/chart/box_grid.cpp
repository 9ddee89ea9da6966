#include "chart/box_grid.h"

#include <algorithm>
#include <cmath>

namespace corvane::chart {

namespace {

// About the size of a marker's half: a marker or a label covers at least one whole cell, so
// that a crowded area answers from its cells' marks without looking at boxes.
constexpr double kCell = 4;
constexpr double kMostCells = 1 << 18;

// A coordinate that is not a number fails every comparison: such a box overlaps nothing.
bool Comparable(const PlacedBox& b) {
    return !std::isnan(b.x0) && !std::isnan(b.y0) && !std::isnan(b.x1) && !std::isnan(b.y1);
}

}  // namespace

BoxGrid::BoxGrid(double left, double top, double right, double bottom)
    : left_(left), top_(top), cell_(kCell), columns_(1), rows_(1) {
    const double width = right - left;
    const double height = bottom - top;
    if (std::isfinite(left) && std::isfinite(top) && width > 0 && height > 0 &&
        std::isfinite(width * height)) {
        cell_ = std::max(kCell, std::sqrt(width * height / kMostCells));
        columns_ = std::max(1, static_cast<int>(std::ceil(width / cell_)));
        rows_ = std::max(1, static_cast<int>(std::ceil(height / cell_)));
    } else {
        left_ = 0;
        top_ = 0;
    }
}

BoxGrid::Span BoxGrid::Columns(double x0, double x1) const {
    // Monotonic in x, clamped to the grid: a box beyond an edge goes to the edge cells.
    const auto index = [&](double x) {
        const double i = std::floor((x - left_) / cell_);
        return static_cast<int>(std::clamp(i, 0.0, static_cast<double>(columns_ - 1)));
    };
    return {index(x0), index(x1)};
}

BoxGrid::Span BoxGrid::Rows(double y0, double y1) const {
    const auto index = [&](double y) {
        const double i = std::floor((y - top_) / cell_);
        return static_cast<int>(std::clamp(i, 0.0, static_cast<double>(rows_ - 1)));
    };
    return {index(y0), index(y1)};
}

void BoxGrid::Add(const PlacedBox& box) {
    if (!Comparable(box)) {
        return;
    }
    if (!seen_.insert(box).second) {
        return;  // markers of equal values: one box answers for all of them
    }
    if (cells_.empty()) {
        cells_.resize(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_));
    }
    const auto index = static_cast<std::uint32_t>(boxes_.size());
    boxes_.push_back(box);
    // Filed from its smaller to its larger coordinates: a box of no width (a marker of
    // radius 0) still overlaps what holds it strictly inside.
    const Span columns = Columns(std::min(box.x0, box.x1), std::max(box.x0, box.x1));
    const Span rows = Rows(std::min(box.y0, box.y1), std::max(box.y0, box.y1));
    for (int row = rows.first; row <= rows.last; ++row) {
        for (int column = columns.first; column <= columns.last; ++column) {
            Cell& cell = cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                                static_cast<std::size_t>(column)];
            cell.boxes.push_back(index);
            cell.full =
                cell.full || (box.x0 <= CellLeft(column) && box.x1 >= CellLeft(column + 1) &&
                              box.y0 <= CellTop(row) && box.y1 >= CellTop(row + 1));
        }
    }
}

bool BoxGrid::Overlaps(const PlacedBox& box) const {
    if (!Comparable(box) || cells_.empty()) {
        return false;
    }
    const Span columns = Columns(std::min(box.x0, box.x1), std::max(box.x0, box.x1));
    const Span rows = Rows(std::min(box.y0, box.y1), std::max(box.y0, box.y1));
    for (int row = rows.first; row <= rows.last; ++row) {
        for (int column = columns.first; column <= columns.last; ++column) {
            const Cell& cell =
                cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                       static_cast<std::size_t>(column)];
            // A box covers this cell: `box` overlaps it where it reaches into the cell. What
            // reaches the cell only beyond the grid's edge is looked up among its boxes.
            if (cell.full && box.x0 < CellLeft(column + 1) && box.x1 > CellLeft(column) &&
                box.y0 < CellTop(row + 1) && box.y1 > CellTop(row)) {
                return true;
            }
            for (const std::uint32_t i : cell.boxes) {
                if (boxes_[i].Overlaps(box)) {
                    return true;
                }
            }
        }
    }
    return false;
}

}  // namespace corvane::chart
