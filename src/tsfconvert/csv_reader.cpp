#include "tsfconvert/csv_reader.h"

#include <algorithm>
#include <cstring>

namespace corvane::tsfconvert {
namespace {

// Records read ahead of the data to detect the delimiter.
constexpr std::size_t kDetectionRecords = 20;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool OddQuotes(std::string_view text) {
    return std::count(text.begin(), text.end(), '"') % 2 != 0;
}

bool IsCommentOrBlank(std::string_view line) {
    const auto first = std::find_if_not(line.begin(), line.end(), IsBlank);
    return first == line.end() || *first == '#';
}

}  // namespace

std::string DelimiterName(Delimiter delimiter) {
    if (delimiter.blanks) {
        return "runs of blanks";
    }
    switch (delimiter.character) {
        case ',':
            return "comma";
        case ';':
            return "semicolon";
        case '\t':
            return "tab";
        default:
            return Quoted(std::string_view(&delimiter.character, 1));
    }
}

bool SplitRecord(std::string_view record, Delimiter delimiter,
                 std::vector<std::string_view>& fields, std::string& unquoted) {
    fields.clear();
    unquoted.clear();
    // Unquoted text is never longer than the record: views into it stay valid.
    unquoted.reserve(record.size());
    const char* p = record.data();
    const char* const end = p + record.size();
    const char separator = delimiter.character;
    const auto blank = [&](char c) { return c == ' ' || (c == '\t' && separator != '\t'); };
    const auto fieldEnd = [&](const char* from) {
        if (from >= end) {
            return end;
        }
        if (delimiter.blanks) {
            while (from < end && !IsBlank(*from)) {
                ++from;
            }
            return from;
        }
        const void* found = std::memchr(from, separator, static_cast<std::size_t>(end - from));
        return found != nullptr ? static_cast<const char*>(found) : end;
    };
    const auto trimmed = [&](const char* from, const char* to) {
        while (from < to && blank(*from)) {
            ++from;
        }
        while (to > from && blank(to[-1])) {
            --to;
        }
        return std::string_view(from, static_cast<std::size_t>(to - from));
    };

    if (delimiter.blanks) {
        while (p < end && IsBlank(*p)) {
            ++p;
        }
        if (p == end) {
            return true;
        }
    }
    for (;;) {
        while (p < end && blank(*p)) {
            ++p;
        }
        if (p < end && *p == '"') {
            const char* const start = ++p;
            bool doubled = false;
            const char* close = nullptr;
            for (;;) {
                close = static_cast<const char*>(
                    std::memchr(p, '"', static_cast<std::size_t>(end - p)));
                if (close == nullptr) {
                    return false;
                }
                if (close + 1 < end && close[1] == '"') {
                    doubled = true;
                    p = close + 2;
                    continue;
                }
                break;
            }
            p = close + 1;
            const char* const stop = fieldEnd(p);
            const std::string_view after = trimmed(p, stop);
            std::string_view content(start, static_cast<std::size_t>(close - start));
            if (doubled || !after.empty()) {
                // Doubled quotes stand for one; text after the closing quote is kept, as
                // lenient readers do, rather than lost.
                const std::size_t from = unquoted.size();
                for (std::size_t i = 0; i < content.size(); ++i) {
                    unquoted += content[i];
                    if (content[i] == '"') {
                        ++i;
                    }
                }
                unquoted.append(after);
                content = std::string_view(unquoted).substr(from);
            }
            fields.push_back(content);
            p = stop;
        } else {
            const char* const stop = fieldEnd(p);
            fields.push_back(trimmed(p, stop));
            p = stop;
        }
        if (delimiter.blanks) {
            while (p < end && IsBlank(*p)) {
                ++p;
            }
            if (p == end) {
                return true;
            }
        } else {
            if (p == end) {
                return true;
            }
            ++p;  // the delimiter
        }
    }
}

Delimiter DetectDelimiter(std::string_view header, const std::vector<std::string>& records) {
    std::vector<std::string_view> fields;
    std::string unquoted;
    const auto count = [&](std::string_view text, Delimiter delimiter) {
        return SplitRecord(text, delimiter, fields, unquoted) ? fields.size() : 0;
    };
    Delimiter best;
    std::size_t bestFields = 1;
    bool bestConsistent = false;
    for (const char c : {',', ';', '\t'}) {
        const Delimiter candidate{c, false};
        const std::size_t n = count(header, candidate);
        if (n < 2) {
            continue;
        }
        const bool consistent = std::all_of(records.begin(), records.end(), [&](const auto& r) {
            return count(r, candidate) == n;
        });
        if (std::pair(consistent, n) > std::pair(bestConsistent, bestFields)) {
            best = candidate;
            bestFields = n;
            bestConsistent = consistent;
        }
    }
    if (bestFields < 2 && count(header, Delimiter{' ', true}) >= 2) {
        return Delimiter{' ', true};
    }
    return best;
}

CsvReader::CsvReader(std::string path, std::optional<Delimiter> delimiter)
    : lines_(std::move(path)) {
    std::string_view record;
    if (!NextRecord(record, headerLine_)) {
        throw ConvertError(Path() + ": the file has no header row" +
                           (lines_.LineNumber() == 0 ? " (it is empty)" : ""));
    }
    const std::string header(record);
    if (delimiter) {
        delimiter_ = *delimiter;
    } else {
        std::int64_t line = 0;
        while (ahead_.size() < kDetectionRecords && NextRecord(record, line)) {
            ahead_.emplace_back(record);
            aheadLines_.push_back(line);
        }
        delimiter_ = DetectDelimiter(header, ahead_);
    }
    std::vector<std::string_view> fields;
    if (!SplitRecord(header, delimiter_, fields, unquoted_)) {
        throw ConvertError(Where(Path(), headerLine_) + "a quoted field is not closed");
    }
    header_.assign(fields.begin(), fields.end());
}

std::size_t CsvReader::EstimatedRecords() const {
    std::size_t bytes = 0;
    for (const std::string& record : ahead_) {
        bytes += record.size() + 1;
    }
    return bytes == 0 ? 0 : static_cast<std::size_t>(lines_.Size() / bytes * ahead_.size());
}

bool CsvReader::NextRecord(std::string_view& record, std::int64_t& line) {
    if (aheadNext_ < ahead_.size()) {
        record = ahead_[aheadNext_];
        line = aheadLines_[aheadNext_++];
        return true;
    }
    std::string_view text;
    do {
        if (!lines_.Next(text)) {
            return false;
        }
    } while (IsCommentOrBlank(text));
    line = lines_.LineNumber();
    if (text.find('"') == std::string_view::npos || !OddQuotes(text)) {
        record = text;
        return true;
    }
    // A quoted field goes on over the next lines until its quote closes.
    joined_.assign(text);
    do {
        if (!lines_.Next(text)) {
            throw ConvertError(Where(Path(), line) +
                               "a quoted field begins here and is never closed");
        }
        joined_ += '\n';
        joined_.append(text);
        if (joined_.size() > kMaxLineBytes) {
            throw ConvertError(Where(Path(), line) +
                               "the record is longer than 64 KiB, far longer than any real "
                               "one: a quoted field that is never closed?");
        }
    } while (!OddQuotes(text));
    record = joined_;
    return true;
}

bool CsvReader::Next(std::vector<std::string_view>& fields) {
    std::string_view record;
    if (!NextRecord(record, recordLine_)) {
        return false;
    }
    if (!SplitRecord(record, delimiter_, fields, unquoted_)) {
        throw ConvertError(Where(Path(), recordLine_) + "a quoted field is not closed");
    }
    return true;
}

}  // namespace corvane::tsfconvert
