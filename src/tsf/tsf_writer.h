#pragma once

// Writing TSF text: the version 1.3 header as the wizard's header check and the engine read
// it, then one record per hour. Times are record stamps: seconds since 30 December 1899.

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "tsf/record_stamp.h"
#include "tsf/tsf_header.h"

namespace corvane {

/// What the header says beyond the series itself.
struct TsfHeaderText {
    std::vector<std::string> comments;  ///< One line each; control characters written as ?.
    std::string zone = "UTC+0000";
    std::string program = "tsfconvert";  ///< Named on the first line after the comments.
};

/// The header of `count` hourly records (at least one) of `variables`, the first ending at
/// `firstEnd`, the last at `lastEnd`.
std::string FormatTsfHeader(const std::vector<TsfVariable>& variables, Stamp firstEnd,
                            Stamp lastEnd, std::size_t count, const TsfHeaderText& text);

/// Appends data lines, one an hour; a day's date is converted once for all its hours.
class TsfRecordWriter {
public:
    /// The record that ends at `end` with `count` values (NaN is written as missing).
    void Append(std::string& out, Stamp end, const double* values, std::size_t count);

private:
    class StampWriter {
    public:
        char* Write(char* out, Stamp time);
        void Append(std::string& out, Stamp time);
        static constexpr std::size_t kStampBytes = 18;

    private:
        Stamp day_ = std::numeric_limits<Stamp>::min();
        std::string date_;  // "YYYY MM DD "
    };

    StampWriter begins_;
    StampWriter ends_;
    friend std::string FormatTsfHeader(const std::vector<TsfVariable>&, Stamp, Stamp, std::size_t,
                                       const TsfHeaderText&);
};

/// "2024-07-01 13:00" for messages.
std::string HourText(Stamp time);

/// The first and last end stamps a record may have: its begin stamp, an hour earlier, and
/// its end stamp must both lie in the years 100 to 9999.
Stamp FirstRecordEnd();
Stamp LastRecordEnd();

}  // namespace corvane
