#pragma once

// Statistics of a group of pairs. Scalar quantities take two passes over the group, as a
// two-pass double-precision computation does: the means first, then the sums of the
// deviations from them. Partial sums of disjoint parts of a group merge, so a group can be
// summed station by station and merged in station order, whatever thread did the work.

#include <cstdint>
#include <limits>

namespace corvane::wxcheck {

inline constexpr double kNotComputed = std::numeric_limits<double>::quiet_NaN();

/// Wind speed, temperature or humidity of a group. A value that cannot be computed is NaN
/// (written as -999).
struct ScalarStats {
    std::int64_t n = 0;
    double meanObserved = kNotComputed;
    double meanPredicted = kNotComputed;
    double bias = kNotComputed;
    double grossError = kNotComputed;
    double rmse = kNotComputed;
    double rmseSystematic = kNotComputed;
    double rmseUnsystematic = kNotComputed;
    double agreement = kNotComputed;  // Willmott's 1981 index of agreement
    double correlation = kNotComputed;
};

struct DirectionStats {
    std::int64_t n = 0;
    double meanObserved = kNotComputed;
    double meanPredicted = kNotComputed;
    double bias = kNotComputed;
    double grossError = kNotComputed;
};

/// A sum that carries the rounding error of every addition (Neumaier): the mean of many
/// equal values is that value to the last bit or two, whatever their number, so that a
/// constant series shows no spread.
struct CompensatedSum {
    double sum = 0;
    double carry = 0;

    void Add(double value) {
        const double total = sum + value;
        carry += (sum < 0 ? -sum : sum) >= (value < 0 ? -value : value) ? (sum - total) + value
                                                                        : (value - total) + sum;
        sum = total;
    }
    void Merge(const CompensatedSum& other) {
        Add(other.sum);
        carry += other.carry;
    }
    double Value() const { return sum + carry; }
};

/// First pass of a scalar group: count and sums, giving the means.
struct FirstPass {
    std::int64_t n = 0;
    CompensatedSum observed;
    CompensatedSum predicted;

    void Add(double o, double p) {
        ++n;
        observed.Add(o);
        predicted.Add(p);
    }
    void Merge(const FirstPass& other) {
        n += other.n;
        observed.Merge(other.observed);
        predicted.Merge(other.predicted);
    }
    double MeanObserved() const { return n > 0 ? observed.Value() / static_cast<double>(n) : 0.0; }
    double MeanPredicted() const {
        return n > 0 ? predicted.Value() / static_cast<double>(n) : 0.0;
    }
};

/// Whether `squares`, a sum of n squared deviations from a mean of `magnitude` (or of
/// squared differences between values of that magnitude), is more than rounding leaves of
/// values that are all equal. A series with no more has no spread.
bool Spread(double squares, std::int64_t n, double magnitude);

/// Second pass: sums of deviations from the group's means.
struct SecondPass {
    double sumDifference = 0;
    double sumAbsDifference = 0;
    double sumSquaredDifference = 0;
    double sxx = 0;
    double syy = 0;
    double sxy = 0;
    double agreementDenominator = 0;

    void Add(double observed, double predicted, double meanObserved, double meanPredicted) {
        const double o = observed - meanObserved;
        const double p = predicted - meanPredicted;
        const double d = predicted - observed;
        const double po = predicted - meanObserved;
        sumDifference += d;
        sumAbsDifference += d < 0 ? -d : d;
        sumSquaredDifference += d * d;
        sxx += o * o;
        syy += p * p;
        sxy += o * p;
        const double spread = (po < 0 ? -po : po) + (o < 0 ? -o : o);
        agreementDenominator += spread * spread;
    }
    void Merge(const SecondPass& other) {
        sumDifference += other.sumDifference;
        sumAbsDifference += other.sumAbsDifference;
        sumSquaredDifference += other.sumSquaredDifference;
        sxx += other.sxx;
        syy += other.syy;
        sxy += other.sxy;
        agreementDenominator += other.agreementDenominator;
    }
};

/// The statistics of a group from its two passes. `offset` is added to the means only
/// (temperatures are kept relative to 273.15 K). A statistic that comes out as no finite
/// number (values too large to square and sum) is NaN, and `notFinite` is then set.
ScalarStats FinishScalar(const FirstPass& first, const SecondPass& second, double offset = 0,
                         bool* notFinite = nullptr);

/// P - O wrapped into (-180, 180]: exactly 180 either way gives +180.
double WrappedDifference(double predicted, double observed);

/// Direction (0 to < 360 degrees from north) of the mean unit vector (u = -sin, v = -cos),
/// NaN when that vector is shorter than 1e-6.
double MeanDirection(double meanU, double meanV);

/// Wind direction of non-calm pairs; one pass suffices.
struct DirectionSums {
    std::int64_t n = 0;
    double uObserved = 0;
    double vObserved = 0;
    double uPredicted = 0;
    double vPredicted = 0;
    double sumDifference = 0;
    double sumAbsDifference = 0;

    /// The terms one pair adds, worked out once for several groups.
    struct Term {
        double uObserved, vObserved, uPredicted, vPredicted, difference;
    };
    static Term TermOf(double observed, double predicted);

    void Add(double observed, double predicted) { Add(TermOf(observed, predicted)); }
    void Add(const Term& t) {
        ++n;
        uObserved += t.uObserved;
        vObserved += t.vObserved;
        uPredicted += t.uPredicted;
        vPredicted += t.vPredicted;
        sumDifference += t.difference;
        sumAbsDifference += t.difference < 0 ? -t.difference : t.difference;
    }
    void Merge(const DirectionSums& other);
    DirectionStats Result() const;
};

}  // namespace corvane::wxcheck
