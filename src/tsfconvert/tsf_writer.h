#pragma once

// Writing the TSF file: the version 1.3 header as the wizard's header check and the engine
// read it, then one record per hour. The file is written beside its final name and renamed
// over it once complete, so that a failed run leaves an existing file as it was.

#include <string>
#include <vector>

#include "tsfconvert/series.h"

namespace corvane::tsfconvert {

/// What the header says beyond the series itself.
struct TsfHeaderText {
    std::vector<std::string> comments;  ///< One line each; no line breaks.
    std::string zone = "UTC+0000";
    std::string program = "tsfconvert";  ///< Named on the first line after the comments.
};

/// The header for `records` (at least one) of `series`.
std::string FormatTsfHeader(const Series& series, const std::vector<HourlyRecord>& records,
                            const TsfHeaderText& text);

/// Appends the records [first, last) as data lines.
void AppendTsfRecords(std::string& out, const Series& series,
                      const std::vector<HourlyRecord>& records, std::size_t first,
                      std::size_t last);

/// "2024-07-01 13:00" for messages.
std::string HourText(Seconds time);

/// The first and last end stamps a record may have: its begin stamp, an hour earlier, and
/// its end stamp must both lie in the years 100 to 9999.
Seconds FirstRecordEnd();
Seconds LastRecordEnd();

/// Refuses (throws ConvertError) an output that is one of the inputs: the same file where
/// both exist, the same normalised path otherwise; and an output that is a folder.
void CheckOutputPath(const std::string& output, const std::vector<std::string>& inputs);

/// A file written under a temporary name beside `path` and renamed over it by Commit. If
/// Commit is not reached, the temporary file is removed and `path` stays as it was. When
/// `path` is a link, the file it names is replaced and the link stays.
class ReplacingFile {
public:
    explicit ReplacingFile(std::string path);  // throws ConvertError
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void Write(std::string_view bytes);  // throws ConvertError
    void Commit();                       // throws ConvertError

private:
    [[noreturn]] void Fail(const std::string& what);

    std::string path_;    // as given, for messages
    std::string target_;  // the file replaced: a link followed
    std::string temporary_;
    int fd_ = -1;
};

}  // namespace corvane::tsfconvert
