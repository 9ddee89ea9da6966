#include "chart/scale.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace corvane::chart {

namespace {

// 10^exponent, exact for the exponents ticks use.
double PowerOfTen(int exponent) {
    return exponent >= 0 ? std::pow(10.0, exponent) : 1.0 / std::pow(10.0, -exponent);
}

std::string Fixed(double value, int decimals) {
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text = ec == std::errc() ? std::string(buffer, end) : std::string("?");
    // "-0.0" reads as a value below zero.
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') {
        text.erase(0, 1);
    }
    return text;
}

}  // namespace

NiceTicks ComputeNiceTicks(double lo, double hi) {
    if (!(lo <= hi) || !std::isfinite(lo) || !std::isfinite(hi)) {
        lo = 0;
        hi = 1;
    }
    const double magnitude = std::fmax(std::fabs(lo), std::fabs(hi));
    if (hi - lo <= magnitude * 1e-9 || hi - lo < 1e-200) {
        // One value: a range around it of a tenth of its size.
        const double centre = lo / 2 + hi / 2;
        const double half = centre != 0 ? std::fabs(centre) * 0.1 : 1.0;
        lo = centre - half;
        hi = centre + half;
        if (!(hi - lo >= 1e-200)) {  // too close to zero for a tenth of it to count
            lo = centre - 1;
            hi = centre + 1;
        }
    }
    NiceTicks best;
    const double span = hi - lo;
    if (!std::isfinite(span)) {
        best.lo = lo;
        best.hi = hi;
        best.step = hi / 2 - lo / 2;
        best.values = {lo, hi};
        best.exponent = 308;
        return best;
    }
    double bestScore = -1e300;
    const int top = static_cast<int>(std::floor(std::log10(span)));
    for (int exponent = top - 2; exponent <= top + 1; ++exponent) {
        for (const double mantissa : {1.0, 2.0, 2.5, 5.0}) {
            const double step = mantissa * PowerOfTen(exponent);
            // The tolerance keeps 0.3 / 0.1 = 2.9999999999999996 on tick 3.
            const double first = std::floor(lo / step + 1e-9);
            const double last = std::ceil(hi / step - 1e-9);
            const double count = last - first + 1;
            if (count < 4 || count > 8) {
                continue;
            }
            // Fill the axis, keep near six ticks, and prefer steps of 1, 2 and 5.
            const double score = span / ((last - first) * step) - 0.05 * std::fabs(count - 6) -
                                 (mantissa == 2.5 ? 0.05 : 0.0);
            if (score > bestScore + 1e-12) {
                bestScore = score;
                best.step = step;
                best.mantissa = mantissa;
                best.exponent = exponent;
                best.values.clear();
                for (double k = first; k <= last; ++k) {
                    // k * m / 10^-e rounds once, so 3 x 0.1 gives 0.3.
                    best.values.push_back(exponent >= 0 ? k * mantissa * PowerOfTen(exponent)
                                                        : k * mantissa / PowerOfTen(-exponent));
                }
                best.lo = best.values.front();
                best.hi = best.values.back();
            }
        }
    }
    return best;
}

std::vector<std::string> NiceTicks::Labels() const {
    const double magnitude = std::fmax(std::fabs(lo), std::fabs(hi));
    const int extra = mantissa == 2.5 ? 1 : 0;
    std::vector<std::string> labels;
    if (exponent >= -5 && magnitude < 1e9) {
        const int decimals = std::max(0, extra - exponent);
        for (const double v : values) {
            labels.push_back(Fixed(v, decimals));
        }
        return labels;
    }
    // One exponent for the whole axis, so that the labels line up: 0.90e-6, 0.95e-6, ...
    const int shared = static_cast<int>(std::floor(std::log10(magnitude)));
    const double unit = PowerOfTen(shared);
    const int decimals = std::max(0, shared - exponent + extra);
    std::string suffix(1, 'e');  // not "e" + ..., which GCC 12 warns about wrongly
    suffix += std::to_string(shared);
    for (const double v : values) {
        labels.push_back(v == 0 ? std::string("0") : Fixed(v / unit, decimals) + suffix);
    }
    return labels;
}

Axis NiceAxis(const Extent& extent, std::string label) {
    const NiceTicks ticks = ComputeNiceTicks(extent);
    Axis axis;
    axis.lo = ticks.lo;
    axis.hi = ticks.hi;
    axis.label = std::move(label);
    const std::vector<std::string> labels = ticks.Labels();
    for (std::size_t i = 0; i < ticks.values.size(); ++i) {
        axis.ticks.push_back({ticks.values[i], labels[i]});
    }
    return axis;
}

}  // namespace corvane::chart
