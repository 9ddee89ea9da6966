#pragma once

class QListWidget;

namespace corvane {

struct RunSetup;

/// The first step of the dataset screen's NEXT, run whatever "Disable Error Checking" says:
/// checks the header of the first set 1 entry (CheckTSFHeader, kind "MET"), fits every
/// non-empty entry of both lists to the engine's path limit (CheckPathLength, one message
/// for each path that stays too long) and writes the fitted text back into the entry, then
/// stores the entries and their counts into PredictedFiles/PredictedCount and
/// ObservedFiles/ObservedCount. A list without non-empty entries stores count 0 and leaves
/// the stored list as it was. Empty entries are neither counted nor stored.
void StoreFileLists(QListWidget* lstTSFFiles1, QListWidget* lstTSFFiles2, RunSetup& setup);

}  // namespace corvane
