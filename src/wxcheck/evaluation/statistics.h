#pragma once

// Statistics of a group of pairs. Scalar quantities take two passes over the group, as a
// two-pass double-precision computation does: the means first, then the sums of the
// deviations from them. Partial sums of disjoint parts of a group merge, so a group can be
// summed station by station and merged in station order, whatever thread did the work.

#include <algorithm>
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

/// Vector wind error of the pairs with both speeds and both directions (calm ones too).
struct VectorStats {
    std::int64_t n = 0;
    double meanError = kNotComputed;  // MVE: the length of mean(P - O) as a vector
    double rmsError = kNotComputed;   // RMSVE: sqrt(mean(|P - O|^2))
};

struct DirectionStats {
    std::int64_t n = 0;
    double meanObserved = kNotComputed;
    double meanPredicted = kNotComputed;
    double bias = kNotComputed;
    double grossError = kNotComputed;
};

/// First pass of a scalar group: count and sums, giving the means, and the least and the
/// largest values. A series whose least value is its largest has no spread, which its sums
/// of squares cannot tell: equal values leave a rounding residue of about 1e-31 there.
struct FirstPass {
    std::int64_t n = 0;
    double sumObserved = 0;
    double sumPredicted = 0;
    double leastObserved = std::numeric_limits<double>::infinity();
    double largestObserved = -std::numeric_limits<double>::infinity();
    double leastPredicted = std::numeric_limits<double>::infinity();
    double largestPredicted = -std::numeric_limits<double>::infinity();

    void Add(double observed, double predicted) {
        ++n;
        sumObserved += observed;
        sumPredicted += predicted;
        leastObserved = std::min(leastObserved, observed);
        largestObserved = std::max(largestObserved, observed);
        leastPredicted = std::min(leastPredicted, predicted);
        largestPredicted = std::max(largestPredicted, predicted);
    }
    void Merge(const FirstPass& other) {
        n += other.n;
        sumObserved += other.sumObserved;
        sumPredicted += other.sumPredicted;
        leastObserved = std::min(leastObserved, other.leastObserved);
        largestObserved = std::max(largestObserved, other.largestObserved);
        leastPredicted = std::min(leastPredicted, other.leastPredicted);
        largestPredicted = std::max(largestPredicted, other.largestPredicted);
    }
    double MeanObserved() const { return n > 0 ? sumObserved / static_cast<double>(n) : 0.0; }
    double MeanPredicted() const { return n > 0 ? sumPredicted / static_cast<double>(n) : 0.0; }
    /// Whether the observed (predicted) values are not all equal.
    bool ObservedSpread() const { return leastObserved < largestObserved; }
    bool PredictedSpread() const { return leastPredicted < largestPredicted; }
};

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

/// Vector wind error; one pass suffices, since its squares are not taken about a mean.
struct VectorSums {
    std::int64_t n = 0;
    double sumU = 0;  // of u_P - u_O
    double sumV = 0;
    double sumSquared = 0;  // of |P - O|^2

    /// The difference vector P - O of one pair, u = -s sin(theta), v = -s cos(theta): a
    /// speed of 0 gives the vector (0, 0) whatever its direction.
    struct Term {
        double u, v;
    };
    static Term TermOf(double observedSpeed, double observedDirection, double predictedSpeed,
                       double predictedDirection);

    void Add(const Term& t) {
        ++n;
        sumU += t.u;
        sumV += t.v;
        sumSquared += t.u * t.u + t.v * t.v;
    }
    void Merge(const VectorSums& other) {
        n += other.n;
        sumU += other.sumU;
        sumV += other.sumV;
        sumSquared += other.sumSquared;
    }
    VectorStats Result() const;
};

}  // namespace corvane::wxcheck
