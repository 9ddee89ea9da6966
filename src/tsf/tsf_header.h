#pragma once

// Reading the header of a time series file (TSF), version 1.3.
//
// The header, line by line:
//   1. keyword and version: "TIMESERIES.TSF 1.3" (any letter case, spaces between fields);
//   2. the number N of comment lines, before the first "-" ("3 - comment lines");
//   N comment lines, then two further lines, all skipped but for the first comment line
//   that begins with "Site:", which names the station's site;
//   any lines up to the zone line, the first whose trimmed text begins with "UTC";
//   "GREGORIAN_YMD" on the line right after the zone line;
//   the period line: start stamp, end stamp (Y M D H SSSS each) and an eleventh field;
//   the number K of variables, before the first "-";
//   K variable lines: name, then (optionally) units;
//   then the data records.
// Lines may end in CRLF or LF. Only spaces separate fields; a tab is an ordinary character.
//
// Standard C++ only: the wizard's header check and the engine share this reader.

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "period/calendar.h"

namespace corvane {

/// What ended the reading of a header. Everything before the failure is filled in.
enum class TsfFailure {
    None,               ///< The header is complete and valid.
    CannotOpen,         ///< The file cannot be opened (an empty path too).
    ReadError,          ///< The system failed a read.
    UnexpectedEnd,      ///< The file ends before the header does.
    MissingField,       ///< Line 1 empty, or the keyword without a version field.
    NotTimeSeriesFile,  ///< Field 0 of line 1 is not "TIMESERIES.TSF" in any letter case.
    WrongVersion,       ///< The version field is not exactly "1.3".
    BadCount,           ///< N or K is not a number or lies outside -32768 to 32767.
    NoCalendarLine,     ///< The line after the zone line is not "GREGORIAN_YMD".
    ShortPeriodLine,    ///< The period line has fewer than 11 fields.
    BadStamp,           ///< A stamp that is not a real date or time of day.
    BlankVariable,      ///< A blank variable line.
    NotMeteorological,  ///< Kind "MET" and no variable named WDIR.
    LineTooLong,        ///< A header line longer than kMaxTsfHeaderLine bytes.
};

/// Longest header line kept for reading, in bytes (line end not counted). Lines that are only
/// skipped (comments, the two lines before the zone) may be of any length.
inline constexpr std::size_t kMaxTsfHeaderLine = 16u << 20;

/// The kind of series whose header must name a WDIR variable.
inline constexpr std::string_view kMeteorologicalKind = "MET";

/// A header stamp: the five texts as the file gives them, and what they convert to.
struct TsfStamp {
    std::array<std::string, 5> texts;  ///< year, month, day, hour, seconds within the hour
    CalendarFields fields;             ///< set when `converted`
    double serial = 0;                 ///< serial date-time, set when `converted`
    bool converted = false;
};

/// One variable line: field 0 as the name, field 1 (when present) as the units, both
/// trimmed of spaces and kept in their letter case.
struct TsfVariable {
    std::string name;
    std::string units;
};

/// Everything a header gave, up to the point where reading stopped.
struct TsfHeader {
    TsfFailure failure = TsfFailure::None;
    /// A sentence for the user that names the line and the problem ("line 7: ..."), never
    /// the file's path.
    std::string message;
    /// 1-based line where reading stopped with a failure, 0 when it did not get that far.
    std::int64_t failureLine = 0;

    bool keywordPassed = false;  ///< Field 0 of line 1 is "TIMESERIES.TSF".
    std::string version;         ///< Field 1 of line 1, as written.
    std::int16_t commentCount = 0;
    /// The station's site: SiteOfCommentLine (tsf_site.h) of the first comment line that
    /// names one; empty without one.
    std::string site;
    std::string zone;           ///< The trimmed zone line, e.g. "UTC+0300".
    std::int64_t zoneLine = 0;  ///< Its 1-based line number.
    TsfStamp start;
    TsfStamp end;
    std::int16_t variableCount = 0;
    std::vector<TsfVariable> variables;

    /// 1-based number of the first line after the header (the first data record), and the
    /// byte offset where it begins. Set only for a complete header.
    std::int64_t dataLine = 0;
    std::uint64_t dataOffset = 0;

    bool ok() const { return failure == TsfFailure::None; }
    /// True when some variable's name is `name`, compared without letter case.
    bool hasVariable(std::string_view name) const;
};

/// Reads the header from the current position of `in` (offsets count from there). `kind`
/// "MET" demands a WDIR variable; any other kind skips that test.
TsfHeader ReadTsfHeader(std::istream& in, std::string_view kind = kMeteorologicalKind);

/// Reads the header of a header held in memory.
TsfHeader ReadTsfHeaderFromBuffer(std::string_view buffer,
                                  std::string_view kind = kMeteorologicalKind);

/// Reads the header from the start of an open file; `dataOffset` counts from there.
TsfHeader ReadTsfHeaderFromDescriptor(int fd, std::string_view kind = kMeteorologicalKind);

/// Opens `path` (bytes in the file system's encoding) and reads its header. A path that
/// cannot be opened, an empty path, a folder, a pipe or a device gives CannotOpen with the
/// reason. Messages never name the path: the caller does.
TsfHeader ReadTsfHeaderFile(const std::string& path, std::string_view kind = kMeteorologicalKind);

/// Why the five fields of a stamp (year, month, day, hour, seconds within the hour) name no
/// time, in words ("February 2008 has 29 days, not a day 30"); empty when each field is a
/// whole number in its range.
std::string StampFieldsProblem(std::string_view year, std::string_view month, std::string_view day,
                               std::string_view hour, std::string_view seconds, int maxSeconds);

}  // namespace corvane
