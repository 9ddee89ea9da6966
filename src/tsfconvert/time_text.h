#pragma once

// Times as input files write them: ISO 8601 date-times, dates and hours in separate columns,
// or a pattern with strptime-style fields. Every reader gives seconds since 30 December 1899
// 00:00:00, the origin of the engine's stamps, and on failure a reason for the user
// ("February 2024 has no day 30"); the caller adds the file, line and column.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::tsfconvert {

using Seconds = std::int64_t;

inline constexpr Seconds kHour = 3600;
inline constexpr Seconds kDay = 86400;

/// What a time text read gave.
struct TimeRead {
    Seconds seconds = 0;
    bool utcMark = false;  ///< The text ended in Z.
    std::string error;     ///< Empty when the text was read.
    bool ok() const { return error.empty(); }
};

/// "2024-07-01T13:00", "2024-07-01 13:00:00", "2024-07-01T13:00:00.000Z": a four-digit
/// year, month and day, 'T' or a blank, the hour with optional minutes and seconds (a
/// fraction of zeros is allowed), an optional Z. Hour 24:00 is midnight at the end of the
/// day. Offsets other than Z are refused: the times are taken as they stand.
TimeRead ReadIsoDateTime(std::string_view text);

/// "2024-07-01": midnight at the start of that day.
TimeRead ReadIsoDate(std::string_view text);

/// An hour of a separate hour column: "13", "13:00" or "13:00:00"; 0 to 24, where 24 is
/// midnight at the end of the day. Seconds since the start of the day.
TimeRead ReadHourOfDay(std::string_view text);

/// A pattern with strptime-style fields: %Y (year), %m, %d, %H, %M, %S, %j (day of the
/// year) and %% (a percent sign); a blank matches any run of blanks, even none; any other
/// character matches itself.
class TimeFormat {
public:
    /// Checks the pattern. With `dateOnly` (a date column beside an hour column) it must
    /// name a day and no time of day; otherwise a day and at least the hour. Throws
    /// ConvertError naming the option and the problem.
    TimeFormat(std::string_view pattern, bool dateOnly);

    TimeRead Read(std::string_view text) const;

private:
    struct Item {
        char field = 0;    // 'Y', 'm', ... or 0 for a literal
        char literal = 0;  // the character of a literal; ' ' matches a run of blanks
    };
    std::vector<Item> items_;
};

/// Seconds of a calendar day and time, checked: years 100 to 9999, real days, hour 0 to 24
/// (24 only on the full hour). `dayOfYear` replaces month and day when it is above 0.
TimeRead SecondsFromFields(int year, int month, int day, int dayOfYear, int hour, int minute,
                           int second);

}  // namespace corvane::tsfconvert
