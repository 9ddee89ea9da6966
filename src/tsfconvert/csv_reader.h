#pragma once

// CSV files as spreadsheets and loggers export them: a header row that names the columns,
// fields split at a delimiter (comma, semicolon, tab or runs of blanks, detected unless
// given), quoted fields as in RFC 4180 (also across lines), comment lines that begin with
// '#', blank lines, CRLF or LF.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tsfconvert/input_file.h"

namespace corvane::tsfconvert {

struct Delimiter {
    char character = ',';
    bool blanks = false;  ///< Runs of spaces and tabs separate the fields.

    friend bool operator==(const Delimiter&, const Delimiter&) = default;
};

/// "comma", "semicolon", "tab", "blanks" or the character in quotes, for messages.
std::string DelimiterName(Delimiter delimiter);

/// Splits one record into fields, unquoted and trimmed of blanks outside quotes. Views
/// point into `record` or into `unquoted`, which holds fields that had doubled quotes.
/// False when the record ends inside a quoted field.
bool SplitRecord(std::string_view record, Delimiter delimiter,
                 std::vector<std::string_view>& fields, std::string& unquoted);

/// Picks the delimiter from the header row and the first data records: of comma,
/// semicolon and tab, the one that splits the header into the most fields while every
/// record has as many (a consistent one before any other); runs of blanks when none of the
/// three splits the header.
Delimiter DetectDelimiter(std::string_view header, const std::vector<std::string>& records);

class CsvReader {
public:
    /// Opens the file and reads up to its header row. Throws ConvertError.
    CsvReader(std::string path, std::optional<Delimiter> delimiter);

    const std::vector<std::string>& Header() const { return header_; }
    std::int64_t HeaderLine() const { return headerLine_; }
    Delimiter delimiter() const { return delimiter_; }
    const std::string& Path() const { return lines_.Path(); }

    /// About how many records the file holds, judged by the first ones; 0 when unknown.
    std::size_t EstimatedRecords() const;

    /// The fields of the next data record, valid until the next call; false at the end.
    bool Next(std::vector<std::string_view>& fields);
    /// The line on which the record that Next gave begins.
    std::int64_t Line() const { return recordLine_; }

private:
    bool NextRecord(std::string_view& record, std::int64_t& line);

    InputFile lines_;
    Delimiter delimiter_;
    std::vector<std::string> header_;
    std::int64_t headerLine_ = 0;
    std::int64_t recordLine_ = 0;
    std::string joined_;    // a record that spans lines
    std::string unquoted_;  // fields with doubled quotes
    // Records read ahead to detect the delimiter, served before the file goes on.
    std::vector<std::string> ahead_;
    std::vector<std::int64_t> aheadLines_;
    std::size_t aheadNext_ = 0;
};

}  // namespace corvane::tsfconvert
