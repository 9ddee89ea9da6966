#pragma once

// The engine's station file: the pairs of predicted and observed series, one station a line.

#include <QString>

namespace corvane {

struct RunSetup;

/// OutputDirectory, BaseFilename and "_WXCHECK.TSF.STN", joined without separators.
QString StationFilePath(const RunSetup& setup);

/// Writes the three header lines and PredictedCount pair lines
/// 'PREDICTED','OBSERVED' into OutputDirectory, replacing an existing file, every line ended
/// by CRLF. Sets WriteSucceeded false first and true once the file is closed. Throws
/// RunError, leaving WriteSucceeded false: an index error naming both counts when
/// PredictedFiles or ObservedFiles (as far as ObservedCount reaches) holds fewer than
/// PredictedCount entries, an invalid-value error when a path
/// holds a line break (both before the file is touched), and the system's error when the file
/// cannot be created, written or closed.
void WriteStationFile(RunSetup& setup);

}  // namespace corvane
