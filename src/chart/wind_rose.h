#pragma once

// A polar wind rose: 16 sectors of 22.5 degrees centred on north, petals stacked by speed
// class, lengths in percent of all hours, the calm percentage in the centre.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chart/plot.h"

namespace corvane::chart {

inline constexpr int kRoseSectors = 16;

/// The sector of a direction in degrees from north: floor((direction + 11.25) / 22.5)
/// mod 16, so that 359 and 0 degrees are both north; -1 when it is not finite.
int RoseSectorOf(double direction);
/// The same, quick for the directions of 0 to 360 degrees that data files hold.
inline int RoseSector(double direction) {
    const double turns = (direction + 11.25) / 22.5;
    return turns >= 0 && turns < 1e6 ? static_cast<int>(turns) % kRoseSectors
                                     : RoseSectorOf(direction);
}

struct WindRoseData {
    /// Percent of all hours, per speed class (light to dark) and sector (north first,
    /// clockwise).
    std::vector<std::array<double, kRoseSectors>> percent;
    std::vector<std::string> classNames;
    double calmPercent = 0;
    std::int64_t hours = 0;  // none: "no pairs"
};

/// The longest petal of the rose, in percent: two roses drawn to one scale take the
/// larger of theirs.
double LongestPetal(const WindRoseData& data);

/// The rose, its rings scaled so that `scalePercent` reaches the outer ring (rounded up to
/// a nice value). With no petals to scale to (every hour calm) the rings go unlabelled
/// and the rose says so.
std::string WindRose(const Frame& frame, const WindRoseData& data, double scalePercent);

}  // namespace corvane::chart
