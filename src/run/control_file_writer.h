#pragma once

// The engine's control file, wxcheck.inp, written from the setup state.

#include <QString>

namespace corvane {

struct RunSetup;

/// OutputDirectory followed by "wxcheck.inp", joined without a separator.
QString ControlFilePath(const RunSetup& setup);

/// The 14-character period text 'YYYYMMDDHHSSSS' of a serial date-time: the last four
/// digits are the seconds within the hour (15 July 2008 23:59:30 gives 20080715233570).
/// Throws RunError for a value outside the calendar.
QString FormatControlFileTime(double serial);

/// The calm wind threshold text read as a single-precision number ("." as the decimal
/// point, blanks around it allowed). Throws RunError: type mismatch for a text that is not
/// a number, overflow for one beyond the single-precision range.
float CalmWindThresholdFromText(const QString& text);

/// The shortest plain decimal text that reads back as the same single-precision value:
/// "0.9999" for 0.9999f, "2" for 2. Never an exponent.
QString FormatCalmWindThreshold(float value);

/// Checks every value that WriteControlFile refuses, without touching a file: a line break,
/// a threshold that is not a number, a period outside the calendar. Throws RunError as
/// WriteControlFile does.
void CheckControlFileValues(const RunSetup& setup);

/// Writes the 50 lines of wxcheck.inp into OutputDirectory, replacing an existing file,
/// every line ended by CRLF. Sets WriteSucceeded false first and true once the file is
/// closed. Throws RunError, leaving WriteSucceeded false, when a value holds a line break
/// or the threshold is not a number (both before the file is touched), and when the file
/// cannot be created, written or closed (with the system's reason and errno).
void WriteControlFile(RunSetup& setup);

}  // namespace corvane
