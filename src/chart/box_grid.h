#pragma once

// The boxes already placed on a plot (markers and labels), filed on a uniform grid of cells
// over the drawing area, so that asking whether a new label's box is free looks at the boxes
// near it only: placing the labels of N markers takes about N steps, not N * N.

#include <cstdint>
#include <functional>
#include <unordered_set>
#include <vector>

namespace corvane::chart {

/// An axis-parallel rectangle in picture coordinates.
struct PlacedBox {
    double x0, y0, x1, y1;
    /// Whether the two share an area; boxes that only touch do not.
    bool Overlaps(const PlacedBox& o) const {
        return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1;
    }
    bool operator==(const PlacedBox&) const = default;
};

class BoxGrid {
public:
    /// A grid over the drawing area [left, right] x [top, bottom]. Boxes that reach beyond it
    /// are filed in its edge cells, so that the answers stay exact for every box.
    BoxGrid(double left, double top, double right, double bottom);

    void Add(const PlacedBox& box);
    /// Whether any box added overlaps `box`: the same answer as asking every one of them.
    bool Overlaps(const PlacedBox& box) const;

private:
    struct Cell {
        std::vector<std::uint32_t> boxes;  // indexes into boxes_
        /// A box covers the whole cell: whatever reaches into the cell overlaps it. The
        /// cell still lists its boxes, for what only touches its edges.
        bool full = false;
    };
    struct Span {
        int first, last;
    };
    Span Columns(double x0, double x1) const;
    Span Rows(double y0, double y1) const;
    double CellLeft(int column) const { return left_ + column * cell_; }
    double CellTop(int row) const { return top_ + row * cell_; }

    double left_;
    double top_;
    double cell_;
    int columns_;
    int rows_;
    struct Hash {
        std::size_t operator()(const PlacedBox& b) const {
            const std::hash<double> h;
            return h(b.x0) ^ (h(b.y0) * 31) ^ (h(b.x1) * 961) ^ (h(b.y1) * 29791);
        }
    };
    std::vector<PlacedBox> boxes_;
    std::unordered_set<PlacedBox, Hash> seen_;
    std::vector<Cell> cells_;  // row by row, made with the first box
};

}  // namespace corvane::chart
