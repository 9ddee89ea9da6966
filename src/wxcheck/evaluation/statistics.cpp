#include "wxcheck/evaluation/statistics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvane::wxcheck {

ScalarStats FinishScalar(const FirstPass& first, const SecondPass& second, double offset,
                         bool* notFinite) {
    ScalarStats s;
    s.n = first.n;
    if (first.n == 0) {
        return s;
    }
    bool finite = true;
    const auto set = [&finite](double& field, double value) {
        finite = finite && std::isfinite(value);
        field = std::isfinite(value) ? value : kNotComputed;
    };
    const double n = static_cast<double>(first.n);
    const double meanObserved = first.MeanObserved();
    const double meanPredicted = first.MeanPredicted();
    set(s.meanObserved, meanObserved + offset);
    set(s.meanPredicted, meanPredicted + offset);
    set(s.bias, second.sumDifference / n);
    set(s.grossError, second.sumAbsDifference / n);
    set(s.rmse, std::sqrt(second.sumSquaredDifference / n));
    // Told by the values, not by the sums of squares, which a constant series leaves at a
    // rounding residue of about 1e-31 rather than 0.
    const bool observedSpread = first.ObservedSpread() && second.sxx > 0;
    const bool predictedSpread = first.PredictedSpread() && second.syy > 0;
    if (first.n >= 2 && observedSpread) {
        // Least-squares line P^ = a + b O. With deviations from the means the cross terms
        // vanish: mean((P^ - O)^2) = (Pbar - Obar)^2 + (b - 1)^2 Sxx / n and
        // mean((P - P^)^2) = (Syy - b Sxy) / n, so RMSE^2 = RMSEs^2 + RMSEu^2.
        const double b = second.sxy / second.sxx;
        const double meanDifference = meanPredicted - meanObserved;
        const double systematic =
            meanDifference * meanDifference + (b - 1) * (b - 1) * second.sxx / n;
        const double unsystematic = (second.syy - b * second.sxy) / n;
        set(s.rmseSystematic, std::sqrt(systematic));
        set(s.rmseUnsystematic, std::sqrt(unsystematic > 0 ? unsystematic : 0.0));
    }
    if (first.n >= 2 && observedSpread && predictedSpread) {
        // Spreads beyond the square root of the largest double are multiplied after their roots.
        const double product = second.sxx * second.syy;
        set(s.correlation,
            second.sxy / (std::isfinite(product) ? std::sqrt(product)
                                                 : std::sqrt(second.sxx) * std::sqrt(second.syy)));
        // Rounding takes an exactly linear forecast a hair beyond 1 (1 + 2e-16), where a
        // Taylor diagram has no angle for it and leaves the marker out.
        s.correlation = std::clamp(s.correlation, -1.0, 1.0);
    }
    // The denominator is 0 when both series are one and the same constant.
    const bool oneConstant =
        !observedSpread && !predictedSpread && first.leastObserved == first.leastPredicted;
    if (first.n >= 2 && !oneConstant && second.agreementDenominator > 0) {
        set(s.agreement, 1.0 - second.sumSquaredDifference / second.agreementDenominator);
    }
    if (notFinite != nullptr && !finite) {
        *notFinite = true;
    }
    return s;
}

double WrappedDifference(double predicted, double observed) {
    double d = predicted - observed;
    while (d > 180.0) {
        d -= 360.0;
    }
    while (d <= -180.0) {
        d += 360.0;
    }
    return d;
}

namespace {
constexpr double kRadians = std::numbers::pi / 180.0;
}

double MeanDirection(double meanU, double meanV) {
    if (std::hypot(meanU, meanV) < 1e-6) {
        return kNotComputed;
    }
    double degrees = std::atan2(-meanU, -meanV) / kRadians;
    if (degrees < 0) {
        degrees += 360.0;
    }
    // Just west of north by less than the printed precision is north: never "360.0000".
    if (degrees >= 360.0 - 0.5e-4) {
        degrees = 0.0;
    }
    return degrees;
}

DirectionSums::Term DirectionSums::TermOf(double observed, double predicted) {
    return {-std::sin(observed * kRadians), -std::cos(observed * kRadians),
            -std::sin(predicted * kRadians), -std::cos(predicted * kRadians),
            WrappedDifference(predicted, observed)};
}

void DirectionSums::Merge(const DirectionSums& other) {
    n += other.n;
    uObserved += other.uObserved;
    vObserved += other.vObserved;
    uPredicted += other.uPredicted;
    vPredicted += other.vPredicted;
    sumDifference += other.sumDifference;
    sumAbsDifference += other.sumAbsDifference;
}

DirectionStats DirectionSums::Result() const {
    DirectionStats s;
    s.n = n;
    if (n == 0) {
        return s;
    }
    const double count = static_cast<double>(n);
    s.meanObserved = MeanDirection(uObserved / count, vObserved / count);
    s.meanPredicted = MeanDirection(uPredicted / count, vPredicted / count);
    s.bias = sumDifference / count;
    s.grossError = sumAbsDifference / count;
    return s;
}

VectorSums::Term VectorSums::TermOf(double observedSpeed, double observedDirection,
                                    double predictedSpeed, double predictedDirection) {
    const double uObserved = -observedSpeed * std::sin(observedDirection * kRadians);
    const double vObserved = -observedSpeed * std::cos(observedDirection * kRadians);
    const double uPredicted = -predictedSpeed * std::sin(predictedDirection * kRadians);
    const double vPredicted = -predictedSpeed * std::cos(predictedDirection * kRadians);
    return {uPredicted - uObserved, vPredicted - vObserved};
}

VectorStats VectorSums::Result() const {
    VectorStats s;
    s.n = n;
    if (n == 0) {
        return s;
    }
    const double count = static_cast<double>(n);
    s.meanError = std::hypot(sumU / count, sumV / count);
    s.rmsError = std::sqrt(sumSquared / count);
    if (!std::isfinite(s.meanError)) {
        s.meanError = kNotComputed;
    }
    if (!std::isfinite(s.rmsError)) {
        s.rmsError = kNotComputed;
    }
    return s;
}

}  // namespace corvane::wxcheck
