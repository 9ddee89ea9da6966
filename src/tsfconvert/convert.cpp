#include "tsfconvert/convert.h"

#include <algorithm>
#include <new>
#include <ostream>

#include "tsfconvert/line_reader.h"
#include "tsfconvert/options.h"
#include "tsfconvert/sources.h"
#include "tsfconvert/tsf_writer.h"

#ifndef TSFCONVERT_VERSION
#define TSFCONVERT_VERSION "dev"
#endif

namespace corvane::tsfconvert {
namespace {

constexpr std::size_t kListedSources = 100;  // comment lines naming input files
constexpr std::size_t kListedLines = 10;     // duplicate lines named in the warning

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return text;
}

std::vector<std::string> Comments(const ConvertOptions& options, const std::string& site) {
    std::vector<std::string> comments;
    for (std::size_t i = 0; i < options.inputs.size() && i < kListedSources; ++i) {
        comments.push_back("Source: " + OneLine(options.inputs[i]));
    }
    if (options.inputs.size() > kListedSources) {
        comments.push_back("Source: and " + std::to_string(options.inputs.size() - kListedSources) +
                           " more files");
    }
    comments.push_back("Command: tsfconvert " + CommandText(options.arguments));
    if (!site.empty()) {
        comments.push_back("Site: " + OneLine(site));
    }
    return comments;
}

std::string DuplicatesWarning(const Series& series, const std::vector<std::size_t>& duplicates) {
    std::string text = std::to_string(duplicates.size()) +
                       (duplicates.size() == 1 ? " record repeats" : " records repeat") +
                       " the time of an earlier one and " +
                       (duplicates.size() == 1 ? "was" : "were") +
                       " left out (the first in the input is kept): ";
    // "a.csv line 3; b.csv lines 2, 7": the lines grouped by file, in input order.
    std::size_t i = 0;
    const std::size_t listed = std::min(duplicates.size(), kListedLines);
    while (i < listed) {
        const std::uint32_t file = series.observations[duplicates[i]].file;
        std::string lines;
        std::size_t count = 0;
        for (; i < listed && series.observations[duplicates[i]].file == file; ++i, ++count) {
            lines +=
                (count == 0 ? "" : ", ") + std::to_string(series.observations[duplicates[i]].line);
        }
        text += (text.back() == ' ' ? "" : "; ") + series.files[file] +
                (count == 1 ? " line " : " lines ") + lines;
    }
    if (duplicates.size() > kListedLines) {
        text += " and " + std::to_string(duplicates.size() - kListedLines) + " more";
    }
    return text;
}

void Convert(const ConvertOptions& options, std::ostream& out, std::ostream& err, int& status) {
    CheckOutputPath(options.output, options.inputs);
    std::vector<std::string> warnings;
    std::string site = options.site;
    const Series series = options.format == InputFormat::Csv
                              ? ReadCsvInputs(options, warnings)
                              : ReadIsdLiteInputs(options, site, warnings);
    const HourlySelection selection = SelectHours(series, options.hourly, options.windowMinutes);
    const auto& records = selection.records;
    if (records.empty()) {
        throw ConvertError(series.observations.empty()
                               ? "the input holds no records"
                               : "no report lies within " + std::to_string(options.windowMinutes) +
                                     " minutes of a full hour");
    }
    for (const HourlyRecord* record : {&records.front(), &records.back()}) {
        if (record->end < FirstRecordEnd() || record->end > LastRecordEnd()) {
            const Observation& o = series.observations[record->observation];
            throw ConvertError(Where(series.files[o.file], o.line) +
                               "the record's hour lies outside the years 100 to 9999 that a "
                               "TSF file can hold");
        }
    }
    if (!selection.duplicates.empty()) {
        warnings.push_back(DuplicatesWarning(series, selection.duplicates));
    }

    TsfHeaderText header;
    header.comments = Comments(options, site);
    header.zone = options.format == InputFormat::Csv ? options.zone : "UTC+0000";
    header.program = std::string("tsfconvert ") + TSFCONVERT_VERSION;
    ReplacingFile file(options.output);
    std::string text = FormatTsfHeader(series, records, header);
    constexpr std::size_t kBatch = 16384;
    for (std::size_t first = 0; first < records.size(); first += kBatch) {
        AppendTsfRecords(text, series, records, first, std::min(records.size(), first + kBatch));
        file.Write(text);
        text.clear();
    }
    file.Commit();

    for (const std::string& warning : warnings) {
        err << "tsfconvert: warning: " << warning << '\n';
    }
    out << options.output << ": " << records.size() << " hourly records from "
        << HourText(records.front().end) << " to " << HourText(records.back().end) << ' '
        << header.zone;
    if (options.hourly == HourlyRule::Nearest) {
        out << ", picked from " << series.observations.size() << " reports";
    }
    out << "; variables";
    for (const OutputVariable& variable : series.variables) {
        out << ' ' << variable.name << " [" << variable.units << ']';
    }
    out << '\n';
    status = warnings.empty() ? kWritten : kWrittenWithWarnings;
}

}  // namespace

std::string CommandText(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) {
            text += ' ';
        }
        const bool plain =
            !argument.empty() && argument.find_first_not_of(
                                     "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnop"
                                     "qrstuvwxyz0123456789_./:=,+-%@") == std::string::npos;
        if (plain) {
            text += argument;
            continue;
        }
        text += '\'';
        for (const char c : OneLine(argument)) {
            text += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        text += '\'';
    }
    return text;
}

int RunConvert(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    switch (parsed.action) {
        case ParsedCommandLine::Action::Help:
            out << UsageText();
            return kWritten;
        case ParsedCommandLine::Action::Version:
            out << "tsfconvert " << TSFCONVERT_VERSION << '\n';
            return kWritten;
        case ParsedCommandLine::Action::Fail:
            err << "tsfconvert: " << parsed.error << "\nTry 'tsfconvert --help'.\n";
            return kNothingWritten;
        case ParsedCommandLine::Action::Convert:
            break;
    }
    int status = kNothingWritten;
    try {
        Convert(parsed.options, out, err, status);
    } catch (const ConvertError& error) {
        err << "tsfconvert: " << error.what() << '\n';
    } catch (const std::bad_alloc&) {
        err << "tsfconvert: out of memory\n";
    }
    return status;
}

}  // namespace corvane::tsfconvert
