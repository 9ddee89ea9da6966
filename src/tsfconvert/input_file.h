#pragma once

// Reading outside text for the converter: plain files only, up to the size they had when
// opened, line by line in large chunks, each line at most kMaxLineBytes long and free of NUL
// bytes. Failures are thrown as ConvertError with a message that names the file and the line.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tsf/line_reader.h"
#include "tsf/plain_file.h"

namespace corvane::tsfconvert {

/// A failure that ends the conversion: nothing is written. The message is complete
/// ("obs.csv:12: ...") and needs only the program's name in front.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// `text` in double quotes for a message: at most about 200 characters (cut at a character
/// boundary, then "..."), control bytes and quotes shown escaped.
std::string Quoted(std::string_view text);

/// "PATH:LINE: " for messages about a line of a file.
std::string Where(const std::string& path, std::int64_t line);

/// An input file of the converter, read line by line through the TSF reading's LineReader,
/// up to the size it had when opened. Every failure is a ConvertError.
class InputFile {
public:
    /// Opens `path` for reading. Throws when it is not a plain file or cannot be opened.
    explicit InputFile(std::string path);

    /// The next line without its line end (LF or CRLF; a last line needs none), valid until
    /// the next call. False at the end of the file. A UTF-8 byte-order mark in front of the
    /// first line is dropped. Throws on a read error, a NUL byte, a line that is too long, and
    /// a first line that holds a carriage return before its end: a file of CR line ends.
    bool Next(std::string_view& line);

    /// 1-based number of the line that Next gave last.
    std::int64_t LineNumber() const { return lines_.LineNumber(); }
    const std::string& Path() const { return path_; }
    /// The file's size in bytes when it was opened.
    std::uint64_t Size() const { return size_; }

private:
    void RefuseCrLineEnds() const;

    std::string path_;
    std::uint64_t size_ = 0;  // set by the opening of file_, so declared before it
    FileDescriptor file_;
    LineReader lines_;
};

}  // namespace corvane::tsfconvert
