#include "tsf/tsf_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "period/calendar.h"

namespace corvane {
namespace {

constexpr std::size_t kValueBytes = 32;  // the longest shortest double is 24 characters

Stamp FloorDays(Stamp time) {
    Stamp days = time / kSecondsPerDay;
    return days * kSecondsPerDay > time ? days - 1 : days;
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
std::string DateText(Stamp day, char separator) {
    const CalendarFields date = DateFromDayNumber(day);
    std::string text;
    AppendDigits(text, date.year, 4);
    text += separator;
    AppendDigits(text, date.month, 2);
    text += separator;
    AppendDigits(text, date.day, 2);
    return text;
}

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

// Writes "YYYY MM DD HH 0000", converting a day once for all its hours.
char* TsfRecordWriter::StampWriter::Write(char* out, Stamp time) {
    const Stamp day = FloorDays(time);
    if (day != day_) {
        day_ = day;
        date_ = DateText(day, ' ') + ' ';
    }
    out = std::copy(date_.begin(), date_.end(), out);
    const int hour = static_cast<int>((time - day * kSecondsPerDay) / kSecondsPerHour);
    *out++ = static_cast<char>('0' + hour / 10);
    *out++ = static_cast<char>('0' + hour % 10);
    std::memcpy(out, " 0000", 5);
    return out + 5;
}

void TsfRecordWriter::StampWriter::Append(std::string& out, Stamp time) {
    char text[kStampBytes];
    out.append(text, Write(text, time));
}

std::string HourText(Stamp time) {
    const Stamp day = FloorDays(time);
    std::string text = DateText(day, '-') + ' ';
    AppendDigits(text, static_cast<int>((time - day * kSecondsPerDay) / kSecondsPerHour), 2);
    return text + ":00";
}

Stamp FirstRecordEnd() {
    return DayNumberFromDate(kFirstYear, 1, 1) * kSecondsPerDay + kSecondsPerHour;
}

Stamp LastRecordEnd() {
    return DayNumberFromDate(kLastYear, 12, 31) * kSecondsPerDay + 23 * kSecondsPerHour;
}

std::string FormatTsfHeader(const std::vector<TsfVariable>& variables, Stamp firstEnd,
                            Stamp lastEnd, std::size_t count, const TsfHeaderText& text) {
    std::string out = "TIMESERIES.TSF 1.3\n";
    out += std::to_string(text.comments.size()) + " - comment lines\n";
    // A comment is one header line whatever text it quotes (file names, site texts): a
    // control character would end it or hide from the readers what follows.
    for (const std::string& comment : text.comments) {
        for (const char c : comment) {
            out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
        }
        out += '\n';
    }
    out += "Written by " + text.program + '\n';
    out += std::to_string(count) + " records, one an hour; missing values are -999\n";
    out += text.zone + '\n';
    out += "GREGORIAN_YMD\n";
    TsfRecordWriter::StampWriter stamps;
    stamps.Append(out, firstEnd);
    out += ' ';
    stamps.Append(out, lastEnd);
    out += " 3600\n";
    out += std::to_string(variables.size()) + " - variables\n";
    for (const TsfVariable& variable : variables) {
        out += variable.name + ' ' + variable.units + '\n';
    }
    return out;
}

void TsfRecordWriter::Append(std::string& out, Stamp end, const double* values, std::size_t count) {
    const std::size_t longest = 2 * StampWriter::kStampBytes + count * (kValueBytes + 1) + 2;
    const std::size_t start = out.size();
    out.resize(start + longest);
    char* p = out.data() + start;
    p = begins_.Write(p, end - kSecondsPerHour);
    *p++ = ' ';
    p = ends_.Write(p, end);
    for (std::size_t v = 0; v < count; ++v) {
        *p++ = ' ';
        p = WriteValue(p, values[v]);
    }
    *p++ = '\n';
    out.resize(static_cast<std::size_t>(p - out.data()));
}

}  // namespace corvane
