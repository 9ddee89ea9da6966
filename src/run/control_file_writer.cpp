#include "run/control_file_writer.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "period/calendar.h"
#include "run/crlf_file.h"
#include "run/run_error.h"
#include "run/run_script.h"
#include "shell/run_setup.h"

namespace corvane {
namespace {

// Lines 12 to 50: the fixed wind-rose block and the comments that describe lines 1 to 11.
constexpr std::array<const char*, 39> kFixedLines = {
    "--- LINES BELOW CONFIGURE WINDROSE OPTIONS --- (Do not delete this line)",
    "4                  : Number of time periods for additional analysis (NTPD)",
    "01,06              : Time Range in the UTC above",
    "07,12              : Time Range in the UTC above",
    "13,18              : Time Range in the UTC above",
    "19,00              : Time Range in the UTC above",
    "0                  : Number of WS ranges for additional analysis in m/s (NWSP)",
    "",
    "",
    "****** Below are Comment lines *******************",
    "",
    "Line 1:  File dataset version (introduced in WXCHECK v3.0)  [format 2a16,a64]",
    "Line 2:  Title                                              [format a80]",
    "Line 3:  Path for all output files (this folder must exist) [free format quoted string]",
    "Line 4:  WXCHECK List filename without the path             [free format quoted string]",
    "Line 5:  Base part of the FOUR output statistics file names [free format quoted string]",
    "         This base part will be added to the beginning of",
    "         the four statistics files:",
    "         DailyTeHuStats.dat",
    "         DailyWindStats.dat",
    "         HourlyTeHuStats.dat",
    "         HourlyWindStats.dat",
    "Line 6:  Path-filename of file containing names of input    [free format quoted string]",
    "         timeseries files. This file consists of all station/site timeseries",
    "         filenames for this application.  Each record must have the modeled",
    "         data filename followed by the corresponding observed data filename.",
    "Line 7:  UTC time zone for processing.                      [free format quoted string]",
    "         Currently it must be same as the UTC zone used in",
    "         the time series files ('UTCsHHMM')",
    "Line 8:  Start-time of the FIRST period to process          [free format quoted string]",
    "         ('YYYYMMDDHHSSSS')",
    "Line 9:  End-time of the LAST  period to process            [free format quoted string]",
    "         ('YYYYMMDDHHSSSS')",
    "Line 10: Calm wind value. Wind speed equal or less than     [free format real]",
    "         this value will be treated as calm wind.",
    "Line 11: Missing filter flag.                               [free format integer]",
    "          0 = keep hours with missing values in processing.",
    "          1 = remove hours with missing values from both observation",
    "              and prediction time series.",
};

QString Quoted(const QString& value) {
    return u'\'' + value + u'\'';
}

QString Trimmed(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && (text[first] == u' ' || text[first] == u'\t')) {
        ++first;
    }
    while (last > first && (text[last - 1] == u' ' || text[last - 1] == u'\t')) {
        --last;
    }
    return text.mid(first, last - first);
}

[[noreturn]] void NotANumber(const QString& text) {
    throw RunError(
        QStringLiteral("Type mismatch: the calm wind threshold \"%1\" is not a number").arg(text),
        RunError::kTypeMismatch);
}

}  // namespace

QString ControlFilePath(const RunSetup& setup) {
    return setup.OutputDirectory + QString::fromUtf16(kControlFileName);
}

QString FormatControlFileTime(double serial) {
    CalendarFields fields;
    try {
        fields = FieldsFromSerial(serial);
    } catch (const CalendarError& error) {
        throw RunError(QString::fromStdString(error.what()), error.number());
    }
    return QStringLiteral("%1%2%3%4%5")
        .arg(fields.year)
        .arg(fields.month, 2, 10, QLatin1Char('0'))
        .arg(fields.day, 2, 10, QLatin1Char('0'))
        .arg(fields.hour, 2, 10, QLatin1Char('0'))
        .arg(fields.minute * 60 + fields.second, 4, 10, QLatin1Char('0'));
}

float CalmWindThresholdFromText(const QString& text) {
    const QByteArray bytes = Trimmed(text).toLatin1();
    std::string_view number(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    std::size_t first = 0;
    if (!number.empty() && number.front() == '+') {
        number.remove_prefix(1);
    } else if (!number.empty() && number.front() == '-') {
        first = 1;
    }
    // from_chars also reads "inf" and "nan"; a threshold starts with a digit or a point.
    if (number.size() <= first ||
        !((number[first] >= '0' && number[first] <= '9') || number[first] == '.')) {
        NotANumber(text);
    }
    const char* end = number.data() + number.size();
    float value = 0;
    const auto result = std::from_chars(number.data(), end, value);
    if (result.ptr != end) {
        NotANumber(text);
    }
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for a float reads as zero; too large is an overflow.
        double wide = 0;
        const auto again = std::from_chars(number.data(), end, wide);
        if (again.ec == std::errc() && std::fabs(wide) < 1.0) {
            return static_cast<float>(wide);
        }
        throw RunError(
            QStringLiteral("Overflow: the calm wind threshold \"%1\" is too large").arg(text),
            RunError::kOverflow);
    }
    if (result.ec != std::errc()) {
        NotANumber(text);
    }
    return value;
}

QString FormatCalmWindThreshold(float value) {
    // Fixed notation without a precision is the shortest text that reads back as `value`.
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed);
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

void CheckControlFileValues(const RunSetup& setup) {
    FormatControlFileTime(setup.PeriodStart);
    FormatControlFileTime(setup.PeriodEnd);
    const QString path = ControlFilePath(setup);
    RejectLineBreak(setup.TitleLine, QStringLiteral("title line"), path);
    RejectLineBreak(setup.OutputDirectory, QStringLiteral("output folder"), path);
    RejectLineBreak(setup.BaseFilename, QStringLiteral("output root name"), path);
    RejectLineBreak(setup.DataTimeZone, QStringLiteral("time zone"), path);
    RejectLineBreak(setup.MissingFilterFlag, QStringLiteral("missing filter flag"), path);
    CalmWindThresholdFromText(setup.CalmWindText);
}

void WriteControlFile(RunSetup& setup) {
    setup.WriteSucceeded = false;
    // Everything that can be refused is checked before the file is touched, so a refused
    // write leaves an existing file as it was.
    CheckControlFileValues(setup);
    const QString start = FormatControlFileTime(setup.PeriodStart);
    const QString end = FormatControlFileTime(setup.PeriodEnd);
    const QString path = ControlFilePath(setup);
    const float threshold = CalmWindThresholdFromText(setup.CalmWindText);

    CrlfFile file(path);
    file.WriteLine(QStringLiteral("WXCHECK.INP     1.0             First used in WXCHECK v3.0"));
    file.WriteLine(Quoted(setup.TitleLine));
    file.WriteLine(Quoted(setup.OutputDirectory));
    file.WriteLine(Quoted(ListFileName(setup.BaseFilename)));
    file.WriteLine(Quoted(setup.BaseFilename + QStringLiteral("_")));
    file.WriteLine(Quoted(StationFileName(setup.BaseFilename)));
    file.WriteLine(Quoted(setup.DataTimeZone));
    file.WriteLine(Quoted(start));
    file.WriteLine(Quoted(end));
    file.WriteLine(FormatCalmWindThreshold(threshold));
    file.WriteLine(setup.MissingFilterFlag);
    for (const char* line : kFixedLines) {
        file.WriteLine(QString::fromLatin1(line));
    }
    file.Close();
    setup.WriteSucceeded = true;
}

}  // namespace corvane
