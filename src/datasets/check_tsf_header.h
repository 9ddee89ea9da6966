#pragma once

// The dataset screen's header check of the first set 1 file.

#include <QString>

#include "tsf/tsf_header.h"

class QWidget;

namespace corvane {

struct RunSetup;

/// Reads the header of `path` and shows the outcome on `fileList` (lstTSFFiles1):
/// - keyword of line 1 wrong: marks the list yellow and shows "The selected file is not a
///   valid Time Series File (*.TSF).";
/// - kind "MET" and no WDIR variable: marks the list yellow and shows "The selected file is
///   not a valid meteorological Time Series File (*.TSF).";
/// - keyword right, and again when the variable test passes: clears a yellow mark while the
///   list has a current entry;
/// - every other failure ends silently.
/// Only a header that passes replaces DataStart, DataEnd and DataTimeZone, in that order.
/// Returns what was read; the dataset screen ignores it.
TsfHeader CheckTSFHeader(const QString& path, const QString& kind, QWidget* fileList,
                         RunSetup& setup);

}  // namespace corvane
