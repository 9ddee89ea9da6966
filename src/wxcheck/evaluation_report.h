#pragma once

// The evaluation report ROOT_report.html: one self-contained HTML file (inline CSS and SVG,
// no scripts, nothing fetched) with the run's results as tables and charts, in ten
// sections from the header to the warnings and errors.

#include <string>
#include <string_view>

#include "wxcheck/control_file.h"
#include "wxcheck/list_file.h"
#include "wxcheck/report_summary.h"

namespace corvane::wxcheck {

/// The suffix of the report after the base name of line 5.
inline constexpr std::string_view kReportFile = "report.html";

/// The whole report. Deterministic: the same summary gives the same bytes.
std::string BuildEvaluationReport(const ControlSettings& settings, const ReportSummary& summary,
                                  const RunNotes& notes);

/// Writes `contents` into a new file beside `path` and renames it over `path` once it is
/// complete, so that a failure never leaves a cut-off file; false with the reason.
bool WriteFileReplacing(const std::string& path, std::string_view contents, std::string& error);

}  // namespace corvane::wxcheck
