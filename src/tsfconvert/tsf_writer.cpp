#include "tsfconvert/tsf_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

#include "period/calendar.h"
#include "tsfconvert/line_reader.h"

namespace corvane::tsfconvert {
namespace {

constexpr std::size_t kValueBytes = 32;  // the longest shortest double is 24 characters

Seconds FloorDays(Seconds time) {
    Seconds days = time / kDay;
    return days * kDay > time ? days - 1 : days;
}

void AppendDigits(std::string& out, int value, int width) {
    char text[12];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    for (int pad = width - static_cast<int>(end - text); pad > 0; --pad) {
        out += '0';
    }
    out.append(text, end);
}

// "YYYY-MM-DD" with `separator` between the fields.
std::string DateText(Seconds day, char separator) {
    const CalendarFields date = DateFromDayNumber(day);
    std::string text;
    AppendDigits(text, date.year, 4);
    text += separator;
    AppendDigits(text, date.month, 2);
    text += separator;
    AppendDigits(text, date.day, 2);
    return text;
}

// Writes "YYYY MM DD HH 0000", converting a day once for all its hours.
class StampWriter {
public:
    char* Write(char* out, Seconds time) {
        const Seconds day = FloorDays(time);
        if (day != day_) {
            day_ = day;
            date_ = DateText(day, ' ') + ' ';
        }
        out = std::copy(date_.begin(), date_.end(), out);
        const int hour = static_cast<int>((time - day * kDay) / kHour);
        *out++ = static_cast<char>('0' + hour / 10);
        *out++ = static_cast<char>('0' + hour % 10);
        std::memcpy(out, " 0000", 5);
        return out + 5;
    }

    void Append(std::string& out, Seconds time) {
        char text[kStampBytes];
        out.append(text, Write(text, time));
    }

    static constexpr std::size_t kStampBytes = 18;

private:
    Seconds day_ = std::numeric_limits<Seconds>::min();
    std::string date_;  // "YYYY MM DD "
};

// A value as text that reads back as the same number; -999 for missing. Values with up to
// four decimals, which is nearly all of them, are written in fixed notation from a whole
// number: quicker than the general shortest form, and never as 1e+05.
char* WriteValue(char* out, double value) {
    if (std::isnan(value)) {
        std::memcpy(out, "-999", 4);
        return out + 4;
    }
    static constexpr std::array<double, 5> kScale = {1, 10, 100, 1000, 10000};
    if (std::fabs(value) < 1e12) {
        for (std::size_t decimals = 0; decimals < kScale.size(); ++decimals) {
            const double whole = std::round(value * kScale[decimals]);
            // The quotient is rounded correctly, so it equals the value exactly when the
            // decimal text whole / 10^decimals reads back as the value.
            if (whole / kScale[decimals] != value) {
                continue;
            }
            const long long number = static_cast<long long>(whole);
            char digits[24];
            const int length = static_cast<int>(
                std::to_chars(digits, digits + sizeof digits, number < 0 ? -number : number).ptr -
                digits);
            if (number < 0) {
                *out++ = '-';
            }
            const int point = length - static_cast<int>(decimals);
            if (point <= 0) {
                *out++ = '0';
                *out++ = '.';
                out = std::fill_n(out, -point, '0');
                return std::copy(digits, digits + length, out);
            }
            out = std::copy(digits, digits + point, out);
            if (decimals > 0) {
                *out++ = '.';
                out = std::copy(digits + point, digits + length, out);
            }
            return out;
        }
    }
    return std::to_chars(out, out + kValueBytes, value).ptr;
}

}  // namespace

std::string HourText(Seconds time) {
    const Seconds day = FloorDays(time);
    std::string text = DateText(day, '-') + ' ';
    AppendDigits(text, static_cast<int>((time - day * kDay) / kHour), 2);
    return text + ":00";
}

Seconds FirstRecordEnd() {
    return DayNumberFromDate(kFirstYear, 1, 1) * kDay + kHour;
}

Seconds LastRecordEnd() {
    return DayNumberFromDate(kLastYear, 12, 31) * kDay + 23 * kHour;
}

std::string FormatTsfHeader(const Series& series, const std::vector<HourlyRecord>& records,
                            const TsfHeaderText& text) {
    std::string out = "TIMESERIES.TSF 1.3\n";
    out += std::to_string(text.comments.size()) + " - comment lines\n";
    for (const std::string& comment : text.comments) {
        out += comment + '\n';
    }
    out += "Written by " + text.program + '\n';
    out += std::to_string(records.size()) + " records, one an hour; missing values are -999\n";
    out += text.zone + '\n';
    out += "GREGORIAN_YMD\n";
    StampWriter stamps;
    stamps.Append(out, records.front().end);
    out += ' ';
    stamps.Append(out, records.back().end);
    out += " 3600\n";
    out += std::to_string(series.variables.size()) + " - variables\n";
    for (const OutputVariable& variable : series.variables) {
        out += variable.name + ' ' + variable.units + '\n';
    }
    return out;
}

void AppendTsfRecords(std::string& out, const Series& series,
                      const std::vector<HourlyRecord>& records, std::size_t first,
                      std::size_t last) {
    const std::size_t count = series.variables.size();
    const std::size_t longest = 2 * StampWriter::kStampBytes + count * (kValueBytes + 1) + 2;
    const std::size_t start = out.size();
    out.resize(start + (last - first) * longest);
    char* p = out.data() + start;
    StampWriter begins;
    StampWriter ends;
    for (std::size_t r = first; r < last; ++r) {
        const HourlyRecord& record = records[r];
        p = begins.Write(p, record.end - kHour);
        *p++ = ' ';
        p = ends.Write(p, record.end);
        const double* values = series.ValuesOf(record.observation);
        for (std::size_t v = 0; v < count; ++v) {
            *p++ = ' ';
            p = WriteValue(p, values[v]);
        }
        *p++ = '\n';
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

void CheckOutputPath(const std::string& output, const std::vector<std::string>& inputs) {
    namespace fs = std::filesystem;
    struct stat out {};
    const bool exists = ::stat(output.c_str(), &out) == 0;
    if (exists && S_ISDIR(out.st_mode)) {
        throw ConvertError("cannot write " + output + ": it is a folder");
    }
    // Renaming over a device or a FIFO would replace the node itself.
    if (exists && !S_ISREG(out.st_mode)) {
        throw ConvertError("cannot write " + output + ": it is not a plain file");
    }
    const auto normal = [](const std::string& path) {
        std::error_code error;
        const fs::path absolute = fs::absolute(path, error);
        return fs::weakly_canonical(absolute, error).lexically_normal();
    };
    for (const std::string& input : inputs) {
        struct stat in {};
        const bool same = exists && ::stat(input.c_str(), &in) == 0
                              ? in.st_dev == out.st_dev && in.st_ino == out.st_ino
                              : normal(input) == normal(output);
        if (same) {
            throw ConvertError("the output " + output + " is the input " + input +
                               "; write the TSF file under another name");
        }
    }
}

namespace {

// The file a link names is the one replaced: the link stays a link. A dangling link, whose
// target cannot be resolved, is replaced itself.
std::string LinkTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string target(real);
    std::free(real);
    return target;
}

// ".NAME.PID-XXXXXX.tmp" beside `target` (a template for mkstemps): hidden, and with the
// name cut to 100 bytes at a character's start, valid for any valid name of the target.
std::string TemporaryTemplate(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.size() > 100) {
        std::size_t cut = 100;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        name.resize(cut);
    }
    return folder + "." + name + "." + std::to_string(::getpid()) + "-XXXXXX.tmp";
}

}  // namespace

ReplacingFile::ReplacingFile(std::string path)
    : path_(std::move(path)), target_(LinkTarget(path_)) {
    temporary_ = TemporaryTemplate(target_);
    fd_ = ::mkstemps(temporary_.data(), 4);
    if (fd_ < 0) {
        const int reason = errno;
        temporary_.clear();
        throw ConvertError("cannot write " + path_ + ": " + std::strerror(reason));
    }
    // mkstemp makes the file private; the output gets the modes of any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd_, 0666 & ~mask) != 0) {
        Fail(std::strerror(errno));
    }
}

ReplacingFile::~ReplacingFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

void ReplacingFile::Fail(const std::string& what) {
    throw ConvertError("cannot write " + path_ + ": " + what);
}

void ReplacingFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail(std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void ReplacingFile::Commit() {
    // On the disk before the name points at it: a crash leaves the old file or the new one.
    if (::fsync(fd_) != 0) {
        Fail(std::strerror(errno));
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        Fail(std::strerror(errno));
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail(std::strerror(errno));
    }
    temporary_.clear();
}

}  // namespace corvane::tsfconvert
