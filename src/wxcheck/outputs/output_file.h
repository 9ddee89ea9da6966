#pragma once

// A run's output file: written into a temporary file beside its target and renamed over the
// target only once complete, so that a failed run never leaves a cut-off file and never
// destroys the file of an earlier run half-way.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "tsf/temporary_files.h"

namespace corvane::wxcheck {

class OutputFile {
public:
    /// Creates the temporary file beside `path`. A link is followed, so the file it names is
    /// replaced; an existing target that is not a plain file (a folder, a device) is refused.
    /// A failure shows in error(); writing then does nothing.
    explicit OutputFile(std::string path);
    /// Removes the temporary file unless the file was committed.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Appends text; the first failure is kept.
    void Write(std::string_view text);
    /// Completes the file and renames it over its target. False when anything failed: the
    /// target is then as it was, and the temporary file is gone.
    bool Commit();
    /// Drops what was written; the target stays as it was.
    void Abandon();

    bool ok() const { return error_.empty(); }
    /// "path: cannot write the file: reason", empty while all is well.
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

    /// Completes every file and renames them over their targets only when all are complete:
    /// the files of a group are then all from the same run. Returns the errors.
    static std::vector<std::string> CommitTogether(std::initializer_list<OutputFile*> files);

    /// Removes the temporary files that runs which no longer run (killed, out of memory, a
    /// file-size limit) left beside the outputs at `paths`. Returns how many were removed.
    static std::size_t SweepStale(const std::vector<std::string>& paths);

    /// Removes an earlier run's output at `path` (a plain file only), which would otherwise
    /// show that run's results as this one's.
    static void RemoveEarlier(const std::string& path);

private:
    void WriteAll(std::string_view text);
    void Flush();
    bool Finish();
    bool Publish();
    void Fail(const char* reason);

    std::string path_;    // as the caller names it, for messages
    std::string target_;  // the file replaced (a link followed)
    std::string temporary_;
    TemporaryRegistration registration_;  // removes temporary_ on SIGTERM, SIGINT, SIGHUP
    int fd_ = -1;
    std::string buffer_;
    std::string error_;
};

}  // namespace corvane::wxcheck
