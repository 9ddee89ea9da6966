#pragma once

// Linear scales and "nice" axis ticks: 1, 2, 2.5 or 5 times a power of ten, 4 to 8 ticks an
// axis, the axis running from tick to tick.

#include <limits>
#include <string>
#include <vector>

namespace corvane::chart {

/// The smallest and largest of the finite values added; values that are not finite (a
/// statistic that could not be computed) are left out.
struct Extent {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();

    void Add(double value) {
        if (value - value == 0) {  // finite
            lo = value < lo ? value : lo;
            hi = value > hi ? value : hi;
        }
    }
    void Add(const Extent& other) {
        Add(other.lo);
        Add(other.hi);
    }
    bool empty() const { return lo > hi; }
};

struct Tick {
    double value = 0;
    std::string label;
};

/// An axis: its domain, labelled ticks and the quantity with its unit.
struct Axis {
    double lo = 0;
    double hi = 1;
    std::vector<Tick> ticks;
    std::string label;
};

/// Ticks covering [lo, hi]: the step is 1, 2, 2.5 or 5 times a power of ten, there are 4 to
/// 8 of them, and the first and last lie at or beyond lo and hi. A single value, equal
/// values or an empty extent get a range around them (0 to 1 when there is nothing).
struct NiceTicks {
    double lo = 0;
    double hi = 1;
    double step = 0.25;  // mantissa x 10^exponent
    double mantissa = 2.5;
    int exponent = -1;
    std::vector<double> values;
    /// The labels, all written alike: fixed decimals as the step needs them, or a
    /// mantissa and exponent ("2.5e-7") for very large or very small values.
    std::vector<std::string> Labels() const;
};

NiceTicks ComputeNiceTicks(double lo, double hi);
inline NiceTicks ComputeNiceTicks(const Extent& extent) {
    return ComputeNiceTicks(extent.lo, extent.hi);
}

/// An axis over the nice ticks of `extent`.
Axis NiceAxis(const Extent& extent, std::string label);

/// Maps a domain linearly onto a range (pixels); the range may run backwards, as the
/// vertical axis does.
class LinearScale {
public:
    LinearScale(double domainLo, double domainHi, double rangeLo, double rangeHi)
        : domainLo_(domainLo),
          rangeLo_(rangeLo),
          factor_(domainHi != domainLo ? (rangeHi - rangeLo) / (domainHi - domainLo) : 0) {}
    double operator()(double value) const { return rangeLo_ + (value - domainLo_) * factor_; }

private:
    double domainLo_;
    double rangeLo_;
    double factor_;
};

}  // namespace corvane::chart
