#include "tsfconvert/convert.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <ostream>

#include "tsf/tsf_writer.h"
#include "tsfconvert/gridded_extraction.h"
#include "tsfconvert/input_file.h"
#include "tsfconvert/options.h"
#include "tsfconvert/output_file.h"
#include "tsfconvert/sources.h"
#include "tsfconvert/station_list.h"

#ifndef TSFCONVERT_VERSION
#define TSFCONVERT_VERSION "dev"
#endif

namespace corvane::tsfconvert {
namespace {

constexpr std::size_t kListedLines = 10;  // duplicate lines named in the warning

std::vector<std::string> Comments(const ConvertOptions& options, const std::string& site) {
    std::vector<std::string> comments = ProvenanceComments(options.inputs, options.arguments);
    if (!site.empty()) {
        comments.push_back("Site: " + site);
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

void WriteSeries(const ConvertOptions& options, const std::string& output, const Series& series,
                 const std::string& site, std::vector<std::string> warnings, std::ostream& out,
                 std::ostream& err, int& status);

// --station: one output per station value, each written as a single conversion would.
void SplitStations(const ConvertOptions& options, const Series& all,
                   const std::vector<std::string>& warnings, std::ostream& out, std::ostream& err,
                   int& status) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(options.output, error) &&
        (fs::exists(options.output, error) || !fs::create_directory(options.output, error))) {
        throw ConvertError("cannot write into " + options.output +
                           ": it is not a folder and cannot be made one");
    }
    if (all.stations.empty()) {
        throw ConvertError("the input holds no records");
    }
    SweepStaleStationTemporaries(options.output, options.suffix);
    std::vector<std::uint32_t> order(all.stations.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return all.stations[a] < all.stations[b]; });
    std::vector<std::vector<std::size_t>> members(all.stations.size());
    for (std::size_t i = 0; i < all.station.size(); ++i) {
        members[all.station[i]].push_back(i);
    }
    const std::size_t count = all.variables.size();
    std::size_t written = 0;
    std::vector<std::string> ids;
    for (const std::uint32_t s : order) {
        const std::string& id = all.stations[s];
        if (const std::string problem = StationIdProblem(id); !problem.empty()) {
            err << "tsfconvert: station " << Quoted(id) << ": the station value " << problem
                << "; no file written\n";
            continue;
        }
        Series one;
        one.files = all.files;
        one.variables = all.variables;
        for (const std::size_t i : members[s]) {
            one.observations.push_back(all.observations[i]);
            const double* values = all.ValuesOf(i);
            one.values.insert(one.values.end(), values, values + count);
        }
        int stationStatus = kNothingWritten;
        try {
            WriteSeries(options, (fs::path(options.output) / (id + options.suffix)).string(), one,
                        all.sites[s].empty() ? id : all.sites[s], warnings, out, err,
                        stationStatus);
        } catch (const ConvertError& failure) {
            err << "tsfconvert: station " << id << ": " << failure.what() << "; no file written\n";
            continue;
        }
        ++written;
        ids.push_back(id);
        status = std::max(status == kNothingWritten ? kWritten : status, stationStatus);
    }
    if (const std::string problem = OrderProblem(ids, options.suffix); !problem.empty()) {
        err << "tsfconvert: warning: the files of stations " << problem
            << " sort in another order than their ids; lists of other suffixes may not pair\n";
    }
    status = written == 0                    ? kNothingWritten
             : written < all.stations.size() ? kWrittenWithWarnings
                                             : status;
}

void Convert(const ConvertOptions& options, std::ostream& out, std::ostream& err, int& status) {
    if (options.Gridded()) {
        status = ExtractGridded(options, out, err);
        return;
    }
    if (options.stationColumn.empty()) {
        CheckOutputPath(options.output, options.inputs);
        SweepStaleTemporaries(options.output);
    }
    std::vector<std::string> warnings;
    std::string site = options.site;
    const Series series = options.format == InputFormat::Csv
                              ? ReadCsvInputs(options, warnings)
                              : ReadIsdLiteInputs(options, site, warnings);
    if (!options.stationColumn.empty()) {
        SplitStations(options, series, warnings, out, err, status);
        return;
    }
    WriteSeries(options, options.output, series, site, warnings, out, err, status);
}

void WriteSeries(const ConvertOptions& options, const std::string& output, const Series& series,
                 const std::string& site, std::vector<std::string> warnings, std::ostream& out,
                 std::ostream& err, int& status) {
    CheckOutputPath(output, options.inputs);
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
    WriteTsfFile(output, series, records, header);

    for (const std::string& warning : warnings) {
        err << "tsfconvert: warning: " << warning << '\n';
    }
    out << output << ": " << records.size() << " hourly records from "
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
        for (const char c : argument) {
            text += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        text += '\'';
    }
    return text;
}

std::vector<std::string> ProvenanceComments(const std::vector<std::string>& inputs,
                                            const std::vector<std::string>& arguments) {
    constexpr std::size_t kListedSources = 100;
    std::vector<std::string> comments;
    for (std::size_t i = 0; i < inputs.size() && i < kListedSources; ++i) {
        comments.push_back("Source: " + inputs[i]);
    }
    if (inputs.size() > kListedSources) {
        comments.push_back("Source: and " + std::to_string(inputs.size() - kListedSources) +
                           " more files");
    }
    comments.push_back("Command: tsfconvert " + CommandText(arguments));
    return comments;
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
