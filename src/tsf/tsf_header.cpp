#include "tsf/tsf_header.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <istream>
#include <optional>

#include "tsf/plain_file.h"
#include "tsf/tsf_site.h"

namespace corvane {
namespace {

// Lines of a stream or of a buffer, ended by LF or CRLF. The last line needs no line end.
class LineSource {
public:
    enum class Status { Line, End, Error, TooLong };

    explicit LineSource(std::istream& in) : in_(&in), reads_(true) {}
    explicit LineSource(int fd) : fd_(fd), reads_(true) {}
    explicit LineSource(std::string_view text) : view_(text) {}

    // Reads the next line into `line` when `keep`, else only its first `prefix` bytes.
    Status Next(std::string& line, bool keep, std::size_t prefix = 0) {
        line.clear();
        bool any = false;
        while (true) {
            if (pos_ == Available().size() && !Fill()) {
                if (failed_) {
                    return Status::Error;
                }
                if (!any) {
                    return Status::End;
                }
                ++lineNumber_;
                return Finish(line, keep);
            }
            const std::string_view rest = Available().substr(pos_);
            const std::size_t newline = rest.find('\n');
            const std::size_t take = newline == std::string_view::npos ? rest.size() : newline;
            any = true;
            if (keep) {
                if (line.size() + take > kMaxTsfHeaderLine + 1) {
                    ++lineNumber_;
                    return Status::TooLong;
                }
                line.append(rest.substr(0, take));
            } else if (line.size() < prefix) {
                line.append(rest.substr(0, std::min(take, prefix - line.size())));
            }
            if (newline == std::string_view::npos) {
                offset_ += take;
                pos_ += take;
                continue;
            }
            offset_ += take + 1;
            pos_ += take + 1;
            ++lineNumber_;
            return Finish(line, keep);
        }
    }

    std::int64_t LineNumber() const { return lineNumber_; }
    std::uint64_t Offset() const { return offset_; }

private:
    // Most headers fit into the first, small read; reads grow for long ones. Reading more
    // than a header needs costs dearly when the headers of thousands of files are read.
    static constexpr std::size_t kFirstChunk = 4 * 1024;
    static constexpr std::size_t kChunk = 64 * 1024;

    std::string_view Available() const {
        return reads_ ? std::string_view(buffer_.data(), length_) : view_;
    }

    bool Fill() {
        if (!reads_ || failed_) {
            return false;
        }
        buffer_.resize(buffer_.empty() ? kFirstChunk : std::min(2 * buffer_.size(), kChunk));
        pos_ = 0;
        if (in_ == nullptr) {
            const long got = ReadSome(fd_, buffer_.data(), buffer_.size());
            failed_ = got < 0;
            length_ = got < 0 ? 0 : static_cast<std::size_t>(got);
            return length_ > 0;
        }
        in_->read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        length_ = static_cast<std::size_t>(in_->gcount());
        if (in_->bad()) {
            failed_ = true;
            return false;
        }
        return length_ > 0;
    }

    static Status Finish(std::string& line, bool keep) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (keep && line.size() > kMaxTsfHeaderLine) {
            return Status::TooLong;
        }
        return Status::Line;
    }

    std::istream* in_ = nullptr;
    int fd_ = -1;
    std::string buffer_;
    std::string_view view_;
    std::size_t length_ = 0;
    std::size_t pos_ = 0;
    std::int64_t lineNumber_ = 0;
    std::uint64_t offset_ = 0;
    bool failed_ = false;
    bool reads_ = false;  // from a stream or a descriptor, not from a buffer
};

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

// Trims the space character only, as the header's "trimmed" means.
std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

std::string Shown(std::string_view text) {
    std::size_t shown = 40;
    if (text.size() > shown) {
        // Never half a UTF-8 character.
        while (shown > 0 && (static_cast<unsigned char>(text[shown]) & 0xC0) == 0x80) {
            --shown;
        }
    }
    std::string out = "\"";
    out.append(text.substr(0, shown));
    if (text.size() > shown) {
        out += "...";
    }
    out += '"';
    return out;
}

class HeaderReader {
    // How much of a comment line is read: room for blanks, the keyword and a whole site.
    static constexpr std::size_t kSitePrefix = 2 * kMaxTsfSiteLength;

public:
    HeaderReader(LineSource& source, std::string_view kind) : source_(source), kind_(kind) {}

    TsfHeader Read() {
        if (ReadAll()) {
            header_.failure = TsfFailure::None;
            header_.message.clear();
        }
        return std::move(header_);
    }

private:
    bool Fail(TsfFailure failure, const std::string& text) {
        header_.failure = failure;
        header_.failureLine = source_.LineNumber();
        header_.message = "line " + std::to_string(header_.failureLine) + ": " + text;
        return false;
    }

    // The next line, or a failure naming what the header still needed.
    bool Line(std::string& line, bool keep, const char* expected, std::size_t prefix = 0) {
        switch (source_.Next(line, keep, prefix)) {
            case LineSource::Status::Line:
                return true;
            case LineSource::Status::End:
                header_.failure = TsfFailure::UnexpectedEnd;
                header_.failureLine = source_.LineNumber() + 1;
                header_.message = "the file ends after line " +
                                  std::to_string(source_.LineNumber()) + ", where " + expected +
                                  " was expected";
                return false;
            case LineSource::Status::TooLong:
                return Fail(
                    TsfFailure::LineTooLong,
                    "the line is longer than " + std::to_string(kMaxTsfHeaderLine) + " bytes");
            case LineSource::Status::Error:
                break;
        }
        header_.failure = TsfFailure::ReadError;
        header_.failureLine = source_.LineNumber() + 1;
        header_.message = "the file cannot be read after line " +
                          std::to_string(source_.LineNumber()) + ": " + std::strerror(errno);
        return false;
    }

    // A count line: the number before the first "-". The message shows the whole line: the
    // part before a leading "-" is empty.
    bool Count(const std::string& line, const char* what, std::int16_t& count) {
        const std::string_view text = std::string_view(line).substr(0, line.find('-'));
        try {
            count = Int16FromText(text);
            return true;
        } catch (const CalendarError&) {
            return Fail(TsfFailure::BadCount, std::string("the line ") + Shown(line) +
                                                  " does not begin with the " + what +
                                                  ", a number from 0 to 32767 before a \"-\"");
        }
    }

    bool Stamp(const std::vector<std::string>& fields, std::size_t first, const char* which,
               TsfStamp& stamp) {
        for (std::size_t i = 0; i < stamp.texts.size(); ++i) {
            stamp.texts[i] = fields[first + i];
        }
        const auto& t = stamp.texts;
        try {
            stamp.serial = SerialFromHeaderStamp(t[0], t[1], t[2], t[3], t[4]);
            stamp.fields = FieldsFromSerial(stamp.serial);
            stamp.converted = true;
            return true;
        } catch (const CalendarError& error) {
            std::string why = StampFieldsProblem(t[0], t[1], t[2], t[3], t[4], 3599);
            return Fail(TsfFailure::BadStamp,
                        std::string("the ") + which + " stamp " +
                            Shown(t[0] + " " + t[1] + " " + t[2] + " " + t[3] + " " + t[4]) +
                            " names no time: " + (why.empty() ? error.what() : why));
        }
    }

    bool ReadAll() {
        std::string line;
        if (!Line(line, true, "the line \"TIMESERIES.TSF 1.3\"")) {
            return false;
        }
        // A byte-order mark from an editor is not part of the keyword.
        if (line.starts_with("\xEF\xBB\xBF")) {
            line.erase(0, 3);
        }
        const std::vector<std::string> first = SplitAtSpaces(CollapseSpaces(line));
        if (first.empty()) {
            return Fail(TsfFailure::MissingField, "the first line is empty");
        }
        if (Upper(first[0]) != "TIMESERIES.TSF") {
            return Fail(TsfFailure::NotTimeSeriesFile,
                        "the file does not begin with TIMESERIES.TSF but with " + Shown(first[0]));
        }
        header_.keywordPassed = true;
        if (first.size() < 2) {
            return Fail(TsfFailure::MissingField, "the header version is missing");
        }
        header_.version = first[1];
        if (Upper(first[1]) != "1.3") {
            return Fail(TsfFailure::WrongVersion,
                        "the header version is " + Shown(first[1]) + ", not 1.3");
        }

        if (!Line(line, true, "the number of comment lines") ||
            !Count(line, "number of comment lines", header_.commentCount)) {
            return false;
        }
        // Comment lines are only looked at up to the site line, and only at their start.
        bool siteFound = false;
        for (int i = 0; i < header_.commentCount; ++i) {
            if (!Line(line, false, "a comment line", siteFound ? 0 : kSitePrefix)) {
                return false;
            }
            if (!siteFound) {
                if (std::optional<std::string> site = SiteOfCommentLine(line)) {
                    header_.site = std::move(*site);
                    siteFound = true;
                }
            }
        }
        for (int i = 0; i < 2; ++i) {
            if (!Line(line, false, "a header line")) {
                return false;
            }
        }

        while (true) {
            if (!Line(line, true, "the UTC zone line")) {
                return false;
            }
            const std::string_view trimmed = TrimSpaces(line);
            if (Upper(trimmed.substr(0, 3)) == "UTC") {
                header_.zone = std::string(trimmed);
                header_.zoneLine = source_.LineNumber();
                break;
            }
        }

        if (!Line(line, true, "the line GREGORIAN_YMD")) {
            return false;
        }
        if (Upper(TrimSpaces(line)) != "GREGORIAN_YMD") {
            return Fail(TsfFailure::NoCalendarLine,
                        "GREGORIAN_YMD was expected after the zone line, not " + Shown(line));
        }

        if (!Line(line, true, "the data period line")) {
            return false;
        }
        const std::vector<std::string> period = SplitAtSpaces(CollapseSpaces(line));
        if (period.size() < 11) {
            return Fail(TsfFailure::ShortPeriodLine, "the data period line has " +
                                                         std::to_string(period.size()) +
                                                         " fields, 11 are needed");
        }
        if (!Stamp(period, 0, "start", header_.start) || !Stamp(period, 5, "end", header_.end)) {
            return false;
        }

        if (!Line(line, true, "the number of variables") ||
            !Count(line, "number of variables", header_.variableCount)) {
            return false;
        }
        for (int i = 0; i < header_.variableCount; ++i) {
            if (!Line(line, true, "a variable line")) {
                return false;
            }
            const std::vector<std::string> fields = SplitAtSpaces(CollapseSpaces(line));
            if (fields.empty()) {
                return Fail(TsfFailure::BlankVariable, "the variable line is blank");
            }
            TsfVariable variable;
            variable.name = std::string(TrimSpaces(fields[0]));
            if (fields.size() > 1) {
                variable.units = std::string(TrimSpaces(fields[1]));
            }
            header_.variables.push_back(std::move(variable));
        }
        header_.dataLine = source_.LineNumber() + 1;
        header_.dataOffset = source_.Offset();

        if (kind_ == kMeteorologicalKind && !header_.hasVariable("WDIR")) {
            return Fail(TsfFailure::NotMeteorological,
                        "no variable is named WDIR, so this is not a meteorological series");
        }
        return true;
    }

    LineSource& source_;
    std::string_view kind_;
    TsfHeader header_;
};

}  // namespace

bool TsfHeader::hasVariable(std::string_view name) const {
    const std::string wanted = Upper(name);
    return std::any_of(variables.begin(), variables.end(),
                       [&](const TsfVariable& v) { return Upper(v.name) == wanted; });
}

TsfHeader ReadTsfHeader(std::istream& in, std::string_view kind) {
    LineSource source(in);
    return HeaderReader(source, kind).Read();
}

TsfHeader ReadTsfHeaderFromBuffer(std::string_view buffer, std::string_view kind) {
    LineSource source(buffer);
    return HeaderReader(source, kind).Read();
}

TsfHeader ReadTsfHeaderFromDescriptor(int fd, std::string_view kind) {
    LineSource source(fd);
    return HeaderReader(source, kind).Read();
}

TsfHeader ReadTsfHeaderFile(const std::string& path, std::string_view kind) {
    std::string error;
    const FileDescriptor file = OpenPlainFile(path, error);
    if (!file.valid()) {
        TsfHeader header;
        header.failure = TsfFailure::CannotOpen;
        header.message = path.empty() ? error : "cannot open the file: " + error;
        return header;
    }
    return ReadTsfHeaderFromDescriptor(file.get(), kind);
}

namespace {

// A whole number of digits with an optional leading '+'; -1 when it is none or too large.
long FieldNumber(std::string_view text) {
    if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    long value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool digitsOnly = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return c >= '0' && c <= '9';
    });
    return ec == std::errc() && end == text.data() + text.size() && digitsOnly ? value : -1;
}

}  // namespace

std::string StampFieldsProblem(std::string_view year, std::string_view month, std::string_view day,
                               std::string_view hour, std::string_view seconds, int maxSeconds) {
    static constexpr std::array<const char*, 12> kMonths = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    const std::array<std::string_view, 5> texts = {year, month, day, hour, seconds};
    for (const std::string_view text : texts) {
        if (FieldNumber(text) < 0) {
            return Shown(text) + " is not a whole number";
        }
    }
    const long y = FieldNumber(year);
    const long m = FieldNumber(month);
    const long d = FieldNumber(day);
    const long h = FieldNumber(hour);
    const long s = FieldNumber(seconds);
    if (y < kFirstYear || y > kLastYear) {
        return "year " + std::to_string(y) + " is outside " + std::to_string(kFirstYear) + " to " +
               std::to_string(kLastYear);
    }
    if (m < 1 || m > 12) {
        return "month " + std::to_string(m) + " is not 1 to 12";
    }
    const int days = DaysInMonth(static_cast<int>(y), static_cast<int>(m));
    if (d < 1 || d > days) {
        return std::string(kMonths[static_cast<std::size_t>(m - 1)]) + " " + std::to_string(y) +
               " has " + std::to_string(days) + " days, not a day " + std::to_string(d);
    }
    if (h > 23) {
        return "hour " + std::to_string(h) +
               " is not 0 to 23 (the hour that ends a day is hour 0 of the next)";
    }
    if (s > maxSeconds) {
        return "the seconds within the hour, " + std::to_string(s) + ", are more than " +
               std::to_string(maxSeconds);
    }
    return {};
}

}  // namespace corvane
