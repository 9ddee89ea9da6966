#pragma once

// wxcheck --compare: the whole comparison of runs, from the control files to the outputs.

#include <iosfwd>

#include "wxcheck/compare/comparison.h"

namespace corvane::wxcheck {

/// Compares the runs; the summary goes to `out`, errors to `err`. Exit status 0 when every
/// station of the reference was compared, 1 when some were left out or an output could not
/// be written, 2 when nothing was compared.
int RunComparison(const CompareOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::wxcheck
