#pragma once

// Colours of the charts. Series take the Okabe-Ito palette, which colour-blind readers tell
// apart; ordered classes (speed classes, histogram counts) take one hue from light to
// dark, so that they also read in grey print.

#include <array>

namespace corvane::chart {

inline constexpr const char* kBlack = "#000000";
inline constexpr const char* kOrange = "#E69F00";
inline constexpr const char* kSkyBlue = "#56B4E9";
inline constexpr const char* kBluishGreen = "#009E73";
inline constexpr const char* kYellow = "#F0E442";
inline constexpr const char* kBlue = "#0072B2";
inline constexpr const char* kVermillion = "#D55E00";
inline constexpr const char* kReddishPurple = "#CC79A7";

/// Light to dark.
inline constexpr std::array<const char*, 6> kSequential = {"#DCEAF6", "#A9CCE8", "#6CA8D4",
                                                           "#3A84BF", "#1A5E9C", "#0B3466"};

/// Light to dark for the five speed classes of a wind rose: lightness 90, 72, 54, 38 and 20,
/// steps wide enough that neighbouring classes stay apart in grey print.
inline constexpr std::array<const char*, 5> kRoseClassColours = {"#CDE6FC", "#79B7E5", "#008AC3",
                                                                 "#005D92", "#003259"};

inline constexpr const char* kGrid = "#E3E3E3";
inline constexpr const char* kAxis = "#555555";

}  // namespace corvane::chart
