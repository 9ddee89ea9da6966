#pragma once

// How batchrun reads a script: line by line, each line bounded, whatever the file holds.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvane::batchrun {

/// The longest line a script may hold, line end not counted: far above any real path.
inline constexpr std::size_t kMaxScriptLineBytes = 64 * 1024;

class ScriptReader {
public:
    /// Reads up to `size` bytes into `buffer`: the count read, 0 at the end, or -1 with
    /// errno set.
    using Source = std::function<long(char* buffer, std::size_t size)>;

    struct Line {
        std::uint64_t number = 0;
        /// The line without its line end; empty when the line is too long.
        std::string text;
        bool tooLong = false;
        bool holdsNul = false;
    };

    explicit ScriptReader(Source source);

    /// The next line, ended by CRLF, LF or CR alone, or by the end of the script; a UTF-8
    /// byte order mark in front of the first line is dropped. Empty at the end, or when
    /// reading failed: then error() holds the errno.
    std::optional<Line> Next();
    int error() const { return error_; }

private:
    /// Makes bytes available; false at the end or on failure.
    bool Fill();

    Source source_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::uint64_t number_ = 0;
    bool lineEndedByCr_ = false;  // the LF of a CRLF may arrive with the next read
    int error_ = 0;
};

}  // namespace corvane::batchrun
