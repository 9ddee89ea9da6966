#pragma once

// The lines of outside text (control and station files, the converter's inputs), read as
// they are needed: a line ends at LF or CRLF (a last line needs no end), is at most
// kMaxLineBytes long and holds no NUL byte. Memory stays at one buffer whatever the file
// holds, so a file of any size or a device cannot grow it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tsf/plain_file.h"

namespace corvane {

/// Longest line of outside text, line end not counted: far above any real path, CSV row or
/// archive line.
inline constexpr std::size_t kMaxLineBytes = 64 * 1024;

class LineReader {
public:
    enum class Status {
        Line,       ///< `line` holds the next line
        End,        ///< no more lines
        TooLong,    ///< the line is longer than kMaxLineBytes; the next call passes it over
        HasNul,     ///< the line holds a NUL byte
        ReadError,  ///< the system failed a read; error() says why
    };

    /// Reads text held in memory.
    explicit LineReader(std::string_view text);
    /// Reads an open file from its current position, at most `limit` bytes of it (a file that
    /// a logger keeps appending to is read as it was when opened), with reads of
    /// `bufferBytes`; `fd` stays the caller's.
    explicit LineReader(int fd, std::uint64_t limit = kWholeFile,
                        std::size_t bufferBytes = 2 * kMaxLineBytes);

    static constexpr std::uint64_t kWholeFile = ~std::uint64_t{0};

    /// The next line; `line` stays valid until the next call. A UTF-8 byte-order mark at the
    /// start of the first line is dropped.
    Status Next(std::string_view& line);
    /// 1-based number of the line last returned (also for TooLong and HasNul).
    std::int64_t LineNumber() const { return lineNumber_; }
    const std::string& error() const { return error_; }

    /// The reason of a status other than Line and End, for a message after "path:line: ".
    std::string Reason(Status status) const;

private:
    bool Fill();

    int fd_ = -1;
    std::string_view text_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;            // first unread byte in text_
    std::uint64_t left_ = kWholeFile;  // bytes the limit still allows
    std::int64_t lineNumber_ = 0;
    bool eof_ = false;
    bool skipping_ = false;  // inside a line reported as too long
    std::string error_;
};

/// Opens a control or station file of the engine: a plain file, or standard input for "-".
/// The reason otherwise in `error`.
FileDescriptor OpenTextInput(const std::string& path, std::string& error);

/// How a path names standard input in messages.
inline constexpr std::string_view kStandardInputName = "standard input";

}  // namespace corvane
