#pragma once

// The evaluation report ROOT_report.html: one self-contained HTML file (inline CSS and SVG,
// no scripts, nothing fetched) with the run's results as tables and charts, in ten
// sections from the header to the warnings and errors.

#include <string>
#include <string_view>

#include "report/report_summary.h"
#include "wxcheck/control_file.h"
#include "wxcheck/outputs/list_file.h"

namespace corvane::wxcheck {

/// The whole report. Deterministic: the same summary gives the same bytes.
std::string BuildEvaluationReport(const ControlSettings& settings, const ReportSummary& summary,
                                  const RunNotes& notes);

}  // namespace corvane::wxcheck
