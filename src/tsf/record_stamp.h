#pragma once

// Integer time stamps of the engine: seconds since 30 December 1899 00:00:00, the origin
// of the wizard's serial date-time. Record stamps are converted here without going through
// date texts, with the same rules as the header's stamps.

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

using Stamp = std::int64_t;

inline constexpr Stamp kSecondsPerHour = 3600;
inline constexpr Stamp kSecondsPerDay = 86400;

/// Reads a record stamp from its five fields: year (100 to 9999, 3 or 4 digits), month
/// (1 to 12), day (1 or 2 digits, a real day), hour (1 or 2 digits, 0 to 23) and the
/// seconds elapsed within the hour (0 to 32767, only the seconds modulo 3600 count).
/// False for anything else.
bool StampFromFields(std::string_view year, std::string_view month, std::string_view day,
                     std::string_view hour, std::string_view seconds, Stamp& stamp);

/// The last date converted, so that the many records of one day convert it once.
struct DateCache {
    int year = -2;  // never a field's value, not even that of an unreadable one (-1)
    int month = -1;
    int day = -1;
    std::int64_t dayNumber = 0;
};

/// As above, reusing the day number of the date last seen.
bool StampFromFields(std::string_view year, std::string_view month, std::string_view day,
                     std::string_view hour, std::string_view seconds, Stamp& stamp,
                     DateCache& cache);

/// Reads the control file's 14-character period text 'YYYYMMDDHHSSSS' (the year may be
/// written with fewer digits; the seconds within the hour are 0000 to 3599).
bool StampFromPeriodText(std::string_view text, Stamp& stamp);

/// Why StampFromPeriodText refuses a text, for a message after the quoted text ("is not a
/// time: February 2008 has 29 days, not a day 30").
std::string PeriodTextProblem(std::string_view text);

/// Why StampFromFields refuses a record's stamp fields, in words.
std::string RecordStampProblem(std::string_view year, std::string_view month, std::string_view day,
                               std::string_view hour, std::string_view seconds);

/// Floor division, for stamps before 1899.
inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

struct StampFields {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int secondsInHour = 0;
};

StampFields FieldsFromStamp(Stamp stamp);

/// "YYYY-MM-DD" of the stamp's day.
std::string FormatDate(Stamp stamp);
/// "YYYY-MM-DD HH:MM:SS".
std::string FormatDateTime(Stamp stamp);

}  // namespace corvane
