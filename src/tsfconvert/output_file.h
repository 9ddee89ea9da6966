#pragma once

// The converter's output file: never one of its inputs, written beside its final name and
// renamed over it once complete, so that a failed run leaves an existing file as it was.

#include <string>
#include <string_view>
#include <vector>

#include "tsf/temporary_files.h"
#include "tsf/tsf_writer.h"
#include "tsfconvert/series.h"

namespace corvane::tsfconvert {

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
    TemporaryRegistration registration_;  // removes temporary_ on SIGTERM, SIGINT, SIGHUP
    int fd_ = -1;
};

/// Removes the temporary files that conversions which no longer run (killed, a file-size
/// limit) left beside `output`.
void SweepStaleTemporaries(const std::string& output);
/// The same for the files of one station each in `folder`: outputs whose names end with
/// `suffix`.
void SweepStaleStationTemporaries(const std::string& folder, const std::string& suffix);

/// Writes the hourly `records` of `series` as a TSF file at `path`, replacing it only once
/// complete (ReplacingFile).
void WriteTsfFile(const std::string& path, const Series& series,
                  const std::vector<HourlyRecord>& records, const TsfHeaderText& header);

}  // namespace corvane::tsfconvert
