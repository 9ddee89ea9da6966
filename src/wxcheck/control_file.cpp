#include "wxcheck/control_file.h"

#include <cmath>
#include <cstdint>

#include "tsf/line_reader.h"
#include "tsf/text_scan.h"

namespace corvane::wxcheck {

std::string ControlSettings::JoinPath(std::string_view name) const {
    return corvane::JoinPath(folder, name);
}

std::string ControlSettings::StatisticsPath(std::string_view suffix) const {
    std::string name = statisticsBase;
    name.append(suffix);
    return JoinPath(name);
}

std::string ControlSettings::ResolveInFolder(std::string_view path) const {
    if (!path.empty() && path.front() == '/') {
        return std::string(path);
    }
    return JoinPath(path);
}

void ControlSettings::AdoptEvaluationSettings(const ControlSettings& other) {
    start = other.start;
    end = other.end;
    startText = other.startText;
    endText = other.endText;
    zone = other.zone;
    calmText = other.calmText;
    calmThreshold = other.calmThreshold;
    missingFilter = other.missingFilter;
    windows = other.windows;
    ranges = other.ranges;
}

namespace {

// The last line read is the end of the additional-analysis block: comment lines after it
// are never read, so their length and contents do not matter.
class ControlParser {
public:
    ControlParser(LineReader& reader, const std::string& path) : reader_(reader), path_(path) {}

    ControlFileResult Parse();

private:
    bool Fail(std::int64_t lineNumber, const std::string& reason) {
        result_.error = path_ + ":" + std::to_string(lineNumber) + ": " + reason;
        return false;
    }
    // Reads lines until `count` are held or the file ends; false on a line that cannot be
    // read.
    bool ReadLines(std::size_t count);
    std::string_view Line(std::size_t lineNumber) const {
        return lineNumber <= lines_.size() ? std::string_view(lines_[lineNumber - 1])
                                           : std::string_view();
    }
    bool FirstLine();
    bool Quoted(std::size_t lineNumber, const char* what, std::string& value);
    bool Period(std::size_t lineNumber, const char* what, std::string& text, Stamp& stamp);
    bool CountBeforeColon(std::size_t lineNumber, const char* what, std::int64_t& count);
    bool Windows();

    LineReader& reader_;
    std::vector<std::string> lines_;
    bool ended_ = false;
    std::string path_;
    ControlFileResult result_;
};

// The number or pair of numbers at the start of a line, before its ':' comment.
std::string_view ValuePart(std::string_view line) {
    const std::size_t colon = line.find(':');
    return Trim(colon == std::string_view::npos ? line : line.substr(0, colon));
}

std::string Shown(std::string_view text) {
    return '\'' + Excerpt(text) + '\'';
}

bool ControlParser::ReadLines(std::size_t count) {
    while (lines_.size() < count && !ended_) {
        std::string_view line;
        const LineReader::Status status = reader_.Next(line);
        if (status == LineReader::Status::End) {
            ended_ = true;
        } else if (status == LineReader::Status::Line) {
            lines_.emplace_back(line);
        } else {
            return Fail(reader_.LineNumber(), reader_.Reason(status));
        }
    }
    return true;
}

bool ControlParser::FirstLine() {
    if (!ReadLines(1)) {
        return false;
    }
    if (lines_.empty()) {
        result_.error = path_ + ": the file is empty, not a WXCHECK.INP control file";
        return false;
    }
    const std::vector<std::string_view> head = SplitBlanks(Line(1));
    if (head.size() >= 2 && EqualsNoCase(head[0], "WXCHECK.INP") && head[1] == "1.0") {
        return true;
    }
    // Files that are easily given by mistake are named for what they are.
    const std::string_view first = head.empty() ? std::string_view() : head[0];
    if (EqualsNoCase(first, "TIMESERIES.TSF")) {
        return Fail(1, "a time series file (TIMESERIES.TSF), not a WXCHECK.INP control file");
    }
    if (EqualsNoCase(first, "WXCHECK.TSF.STN")) {
        return Fail(1, "a station file (WXCHECK.TSF.STN), not a WXCHECK.INP control file");
    }
    return Fail(1, "not a WXCHECK.INP control file of version 1.0 (first line " +
                       Shown(Trim(Line(1))) + ")");
}

bool ControlParser::Quoted(std::size_t lineNumber, const char* what, std::string& value) {
    const std::string_view line = Line(lineNumber);
    const std::size_t first = line.find('\'');
    const std::size_t last = line.rfind('\'');
    if (lineNumber > lines_.size()) {
        return Fail(static_cast<std::int64_t>(lineNumber),
                    std::string("the file ends before the ") + what);
    }
    if (first == std::string_view::npos || first == last) {
        return Fail(static_cast<std::int64_t>(lineNumber),
                    std::string("the ") + what + " must stand between apostrophes");
    }
    value.assign(line.substr(first + 1, last - first - 1));
    return true;
}

bool ControlParser::Period(std::size_t lineNumber, const char* what, std::string& text,
                           Stamp& stamp) {
    if (!Quoted(lineNumber, what, text)) {
        return false;
    }
    text = std::string(Trim(text));
    if (!StampFromPeriodText(text, stamp)) {
        return Fail(static_cast<std::int64_t>(lineNumber),
                    std::string("the ") + what + " " + Shown(text) + " " + PeriodTextProblem(text));
    }
    return true;
}

bool ControlParser::CountBeforeColon(std::size_t lineNumber, const char* what,
                                     std::int64_t& count) {
    const std::string_view value = ValuePart(Line(lineNumber));
    if (!ParseInt(value, count) || count < 0 || count > 1000) {
        return Fail(
            static_cast<std::int64_t>(lineNumber),
            std::string("the ") + what + " " + Shown(value) + " is not a count from 0 to 1000");
    }
    return true;
}

bool ControlParser::Windows() {
    ControlSettings& s = result_.settings;
    // Line 12 is the marker; an older file that stops after line 11 asks for no
    // additional analysis.
    if (!ReadLines(13)) {
        return false;
    }
    if (lines_.size() <= 12) {
        s.warnings.push_back(path_ + ": no additional-analysis block after line 11; none is done");
        return true;
    }
    std::size_t lineNumber = 13;
    std::int64_t windowCount = 0;
    if (!CountBeforeColon(lineNumber, "number of time periods (NTPD)", windowCount) ||
        !ReadLines(lineNumber + static_cast<std::size_t>(windowCount) + 1)) {
        return false;
    }
    for (std::int64_t i = 0; i < windowCount; ++i) {
        ++lineNumber;
        const std::string_view value = ValuePart(Line(lineNumber));
        const std::size_t comma = value.find(',');
        std::int64_t first = -1;
        std::int64_t last = -1;
        if (lineNumber > lines_.size() || comma == std::string_view::npos ||
            !ParseInt(Trim(value.substr(0, comma)), first) ||
            !ParseInt(Trim(value.substr(comma + 1)), last) || first < 0 || first > 23 || last < 0 ||
            last > 23) {
            return Fail(
                static_cast<std::int64_t>(lineNumber),
                "the time period " + Shown(value) + " is not 'HH,HH' with hours from 00 to 23");
        }
        s.windows.push_back({static_cast<int>(first), static_cast<int>(last)});
    }
    ++lineNumber;
    std::int64_t rangeCount = 0;
    if (lineNumber > lines_.size()) {
        return Fail(static_cast<std::int64_t>(lineNumber),
                    "the file ends before the number of wind-speed ranges (NWSP)");
    }
    if (!CountBeforeColon(lineNumber, "number of wind-speed ranges (NWSP)", rangeCount) ||
        !ReadLines(lineNumber + static_cast<std::size_t>(rangeCount))) {
        return false;
    }
    for (std::int64_t i = 0; i < rangeCount; ++i) {
        ++lineNumber;
        const std::string_view value = ValuePart(Line(lineNumber));
        const std::size_t comma = value.find(',');
        SpeedRange range;
        if (lineNumber > lines_.size() || comma == std::string_view::npos) {
            return Fail(static_cast<std::int64_t>(lineNumber),
                        "the wind-speed range " + Shown(value) + " is not 'LO,HI'");
        }
        range.lowText = std::string(Trim(value.substr(0, comma)));
        range.highText = std::string(Trim(value.substr(comma + 1)));
        for (const std::string* bound : {&range.lowText, &range.highText}) {
            double number = 0;
            if (!ParseDouble(*bound, number)) {
                return Fail(static_cast<std::int64_t>(lineNumber),
                            "in the wind-speed range " + Shown(value) + ", " + Shown(*bound) + " " +
                                NumberProblem(*bound));
            }
        }
        ParseDouble(range.lowText, range.low);
        ParseDouble(range.highText, range.high);
        if (!(range.low < range.high)) {
            return Fail(static_cast<std::int64_t>(lineNumber),
                        "the wind-speed range " + Shown(value) + " is not 'LO,HI' with LO < HI");
        }
        s.ranges.push_back(range);
    }
    return true;
}

ControlFileResult ControlParser::Parse() {
    ControlSettings& s = result_.settings;
    // Line 1 first: a file that is no control file is not read any further.
    if (!FirstLine() || !ReadLines(12)) {
        return result_;
    }
    if (!Quoted(2, "title", s.title) || !Quoted(3, "output folder", s.outputFolder) ||
        !Quoted(4, "list file name", s.listName) ||
        !Quoted(5, "statistics file base name", s.statisticsBase) ||
        !Quoted(6, "station file name", s.stationName) || !Quoted(7, "time zone", s.zone) ||
        !Period(8, "period start", s.startText, s.start) ||
        !Period(9, "period end", s.endText, s.end)) {
        return result_;
    }
    s.folder = s.outputFolder;
    if (s.listName.empty()) {
        Fail(4, "the list file name is empty");
        return result_;
    }
    s.zone = std::string(Trim(s.zone));
    if (s.zone.empty()) {
        Fail(7,
             "the processing time zone is empty; it is written as in the series' headers, "
             "such as 'UTC+0000'");
        return result_;
    }
    if (s.start > s.end) {
        Fail(9, "the period ends (" + s.endText + ") before it starts (" + s.startText + ")");
        return result_;
    }
    // The statistics files hold a row for every hour and day of the period, whether any pair
    // falls in it or not: a period of centuries would write gigabytes of empty rows.
    if (s.end - s.start > kLongestPeriodDays * kSecondsPerDay) {
        Fail(9, "the period from " + s.startText + " to " + s.endText + " spans " +
                    std::to_string((s.end - s.start) / kSecondsPerDay) +
                    " days; the statistics files hold a row for every hour of the period, and "
                    "a period may span at most " +
                    std::to_string(kLongestPeriodDays) + " days (100 years)");
        return result_;
    }
    const std::vector<std::string_view> calm = SplitBlanks(Line(10));
    if (calm.empty() || !ParseDouble(calm[0], s.calmThreshold) || !std::isfinite(s.calmThreshold)) {
        Fail(10, "the calm wind threshold " + Shown(Trim(Line(10))) + " " +
                     (calm.empty()                            ? "is not a number"
                      : ParseDouble(calm[0], s.calmThreshold) ? "is not a finite number"
                                                              : NumberProblem(calm[0])));
        return result_;
    }
    s.calmText = std::string(calm[0]);
    const std::vector<std::string_view> filter = SplitBlanks(Line(11));
    std::int64_t flag = -1;
    if (filter.empty() || !ParseInt(filter[0], flag) || (flag != 0 && flag != 1)) {
        Fail(11, "the missing filter flag " + Shown(Trim(Line(11))) + " is not 0 or 1");
        return result_;
    }
    s.missingFilter = static_cast<int>(flag);
    if (!Windows()) {
        return result_;
    }
    result_.ok = true;
    return result_;
}

}  // namespace

ControlFileResult ParseControlFile(std::string_view text, const std::string& path) {
    LineReader reader(text);
    return ControlParser(reader, path).Parse();
}

ControlFileResult ReadControlFile(const std::string& path) {
    const std::string shown = path == "-" ? std::string(kStandardInputName) : Excerpt(path);
    std::string error;
    const FileDescriptor file = OpenTextInput(path, error);
    if (!file.valid()) {
        ControlFileResult result;
        result.error = shown + ": cannot read the control file: " + error;
        return result;
    }
    LineReader reader(file.get());
    ControlFileResult result = ControlParser(reader, shown).Parse();
    // A relative output folder lies in the control file's folder, wherever the program is
    // started ("./" as the wizard writes it: the control file's own folder).
    ControlSettings& s = result.settings;
    const std::size_t slash = path.rfind('/');
    if (result.ok && !s.folder.starts_with('/') && slash != std::string::npos) {
        std::string_view relative = s.folder;
        while (relative == "." || relative.starts_with("./")) {
            relative.remove_prefix(relative.size() == 1 ? 1 : 2);
        }
        s.folder = path.substr(0, slash + 1) + std::string(relative);
    }
    return result;
}

}  // namespace corvane::wxcheck
