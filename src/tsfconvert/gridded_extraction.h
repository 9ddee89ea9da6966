#pragma once

// Station series from gridded model output (WRF files, CF-convention NetCDF files): the
// files joined by time, each station's value taken from its grid points, one TSF file per
// station in the output folder.

#include <iosfwd>

#include "tsfconvert/options.h"

namespace corvane::tsfconvert {

/// Runs the extraction that `options` describe and gives the exit status: kWritten when
/// every station was written, kWrittenWithWarnings when some were, kNothingWritten when none
/// was. Stations that fail are named on `err`; a failure of the files as a whole throws
/// ConvertError and writes nothing.
int ExtractGridded(const ConvertOptions& options, std::ostream& out, std::ostream& err);

}  // namespace corvane::tsfconvert
