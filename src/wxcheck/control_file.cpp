#include "wxcheck/control_file.h"

#include <cmath>
#include <cstdint>

#include "wxcheck/text_scan.h"

namespace corvane::wxcheck {

std::string ControlSettings::JoinPath(std::string_view name) const {
    return wxcheck::JoinPath(outputFolder, name);
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

namespace {

class ControlParser {
public:
    ControlParser(std::string_view text, const std::string& path)
        : lines_(SplitLines(text)), path_(path) {}

    ControlFileResult Parse();

private:
    bool Fail(std::size_t lineNumber, const std::string& reason) {
        result_.error = path_ + ":" + std::to_string(lineNumber) + ": " + reason;
        return false;
    }
    std::string_view Line(std::size_t lineNumber) const {
        return lineNumber <= lines_.size() ? lines_[lineNumber - 1] : std::string_view();
    }
    bool Quoted(std::size_t lineNumber, const char* what, std::string& value);
    bool Period(std::size_t lineNumber, const char* what, std::string& text, Stamp& stamp);
    bool CountBeforeColon(std::size_t lineNumber, const char* what, std::int64_t& count);
    bool Windows();

    std::vector<std::string_view> lines_;
    std::string path_;
    ControlFileResult result_;
};

// The number or pair of numbers at the start of a line, before its ':' comment.
std::string_view ValuePart(std::string_view line) {
    const std::size_t colon = line.find(':');
    return Trim(colon == std::string_view::npos ? line : line.substr(0, colon));
}

std::string Shown(std::string_view text) {
    std::string shown;
    shown.reserve(text.size() + 2);
    shown += '\'';
    shown.append(text);
    shown += '\'';
    return shown;
}

bool ControlParser::Quoted(std::size_t lineNumber, const char* what, std::string& value) {
    const std::string_view line = Line(lineNumber);
    const std::size_t first = line.find('\'');
    const std::size_t last = line.rfind('\'');
    if (lineNumber > lines_.size()) {
        return Fail(lineNumber, std::string("the file ends before the ") + what);
    }
    if (first == std::string_view::npos || first == last) {
        return Fail(lineNumber, std::string("the ") + what + " must stand between apostrophes");
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
        return Fail(lineNumber, std::string("the ") + what + " " + Shown(text) +
                                    " is not a time 'YYYYMMDDHHSSSS'");
    }
    return true;
}

bool ControlParser::CountBeforeColon(std::size_t lineNumber, const char* what,
                                     std::int64_t& count) {
    const std::string_view value = ValuePart(Line(lineNumber));
    if (!ParseInt(value, count) || count < 0 || count > 1000) {
        return Fail(lineNumber, std::string("the ") + what + " " + Shown(value) +
                                    " is not a count from 0 to 1000");
    }
    return true;
}

bool ControlParser::Windows() {
    ControlSettings& s = result_.settings;
    // Line 12 is the marker; an older file that stops after line 11 asks for no
    // additional analysis.
    if (lines_.size() <= 12) {
        s.warnings.push_back(path_ + ": no additional-analysis block after line 11; none is done");
        return true;
    }
    std::size_t lineNumber = 13;
    std::int64_t windowCount = 0;
    if (!CountBeforeColon(lineNumber, "number of time periods (NTPD)", windowCount)) {
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
            return Fail(lineNumber, "the time period " + Shown(value) +
                                        " is not 'HH,HH' with hours from 00 to 23");
        }
        s.windows.push_back({static_cast<int>(first), static_cast<int>(last)});
    }
    ++lineNumber;
    std::int64_t rangeCount = 0;
    if (lineNumber > lines_.size()) {
        return Fail(lineNumber, "the file ends before the number of wind-speed ranges (NWSP)");
    }
    if (!CountBeforeColon(lineNumber, "number of wind-speed ranges (NWSP)", rangeCount)) {
        return false;
    }
    for (std::int64_t i = 0; i < rangeCount; ++i) {
        ++lineNumber;
        const std::string_view value = ValuePart(Line(lineNumber));
        const std::size_t comma = value.find(',');
        SpeedRange range;
        if (lineNumber > lines_.size() || comma == std::string_view::npos) {
            return Fail(lineNumber, "the wind-speed range " + Shown(value) + " is not 'LO,HI'");
        }
        range.lowText = std::string(Trim(value.substr(0, comma)));
        range.highText = std::string(Trim(value.substr(comma + 1)));
        if (!ParseDouble(range.lowText, range.low) || !ParseDouble(range.highText, range.high) ||
            !(range.low < range.high)) {
            return Fail(lineNumber, "the wind-speed range " + Shown(value) +
                                        " is not 'LO,HI' with numbers LO < HI");
        }
        s.ranges.push_back(range);
    }
    return true;
}

ControlFileResult ControlParser::Parse() {
    ControlSettings& s = result_.settings;
    // The list file's name first: even a file refused for other reasons then gets a list
    // file that says why.
    if (Quoted(3, "output folder", s.outputFolder) && Quoted(4, "list file name", s.listName)) {
        result_.listPathKnown = !s.listName.empty();
        if (s.listName.empty()) {
            Fail(4, "the list file name is empty");
            return result_;
        }
    } else {
        return result_;
    }

    const std::vector<std::string_view> head = SplitBlanks(Line(1));
    if (lines_.empty() || head.size() < 2 || !EqualsNoCase(head[0], "WXCHECK.INP") ||
        head[1] != "1.0") {
        Fail(1, "not a WXCHECK.INP control file of version 1.0 (first line " +
                    Shown(Trim(Line(1))) + ")");
        return result_;
    }
    if (!Quoted(2, "title", s.title) || !Quoted(5, "statistics file base name", s.statisticsBase) ||
        !Quoted(6, "station file name", s.stationName) || !Quoted(7, "time zone", s.zone) ||
        !Period(8, "period start", s.startText, s.start) ||
        !Period(9, "period end", s.endText, s.end)) {
        return result_;
    }
    s.zone = std::string(Trim(s.zone));
    if (s.start > s.end) {
        Fail(9, "the period ends (" + s.endText + ") before it starts (" + s.startText + ")");
        return result_;
    }
    const std::vector<std::string_view> calm = SplitBlanks(Line(10));
    if (calm.empty() || !ParseDouble(calm[0], s.calmThreshold) || !std::isfinite(s.calmThreshold)) {
        Fail(10, "the calm wind threshold " + Shown(Trim(Line(10))) + " is not a number");
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
    return ControlParser(text, path).Parse();
}

ControlFileResult ReadControlFile(const std::string& path) {
    std::string contents;
    std::string error;
    if (!ReadWholeFile(path, contents, error)) {
        ControlFileResult result;
        result.error = path + ": cannot read the control file: " + error;
        return result;
    }
    return ParseControlFile(contents, path);
}

}  // namespace corvane::wxcheck
