#pragma once

// The outputs of a comparison of runs: ROOT_Comparison.csv (every statistic of every run with
// its difference to the reference), the text summary of ROOT_comparison.lst and standard
// output, and the self-contained page ROOT_comparison.html, its scorecard first.

#include <string>

#include "wxcheck/compare/comparison.h"

namespace corvane::wxcheck {

/// The section of group `g`: "period", "hours HH-HH", "speed LOW-HIGH m/s".
std::string SectionName(const ControlSettings& settings, std::size_t g);

std::string ComparisonCsv(const ComparisonResult& result);
std::string ComparisonSummary(const ComparisonResult& result);
std::string ComparisonHtml(const ComparisonResult& result);

}  // namespace corvane::wxcheck
