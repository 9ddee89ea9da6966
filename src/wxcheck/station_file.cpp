#include "wxcheck/station_file.h"

#include <climits>

#include "tsf/text_scan.h"

namespace corvane::wxcheck {

namespace {

void SplitStationLine(std::string_view line, StationEntry& entry, const ResolvePath& resolve,
                      const FileExists& exists) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '\'' || trimmed.back() != '\'') {
        entry.error = "not a station line 'PREDICTED','OBSERVED'";
        return;
    }
    const std::string_view inner = trimmed.substr(1, trimmed.size() - 2);
    std::vector<std::size_t> splits;
    for (std::size_t at = inner.find("','"); at != std::string_view::npos;
         at = inner.find("','", at + 1)) {
        splits.push_back(at);
    }
    if (splits.empty()) {
        entry.error = "not a station line 'PREDICTED','OBSERVED' (no ',' between the two files)";
        return;
    }
    const auto take = [&](std::size_t at) {
        entry.predicted.assign(inner.substr(0, at));
        entry.observed.assign(inner.substr(at + 3));
    };
    if (splits.size() == 1) {
        take(splits.front());
        return;
    }
    // A path with "','" in it: only the split whose two files exist is meant. No file has a
    // path longer than PATH_MAX, so only splits near the middle of a long line are tried:
    // a line of many "','" costs time in proportion to its length, not its square.
    std::vector<std::size_t> existing;
    for (const std::size_t at : splits) {
        if (at < PATH_MAX && inner.size() - at - 3 < PATH_MAX &&
            exists(resolve(inner.substr(0, at))) && exists(resolve(inner.substr(at + 3)))) {
            existing.push_back(at);
        }
    }
    if (existing.size() == 1) {
        take(existing.front());
        return;
    }
    entry.predicted.assign(inner);
    entry.error = existing.empty()
                      ? "ambiguous station line: no way of splitting it at ',' names two "
                        "existing files"
                      : "ambiguous station line: " + std::to_string(existing.size()) +
                            " ways of splitting it at ',' name two existing files";
}

}  // namespace

StationFileResult ParseStationFile(LineReader& reader, const std::string& path,
                                   const ResolvePath& resolve, const FileExists& exists) {
    StationFileResult result;
    std::string_view line;
    for (int header = 1; header <= 3; ++header) {
        const LineReader::Status status = reader.Next(line);
        if (status == LineReader::Status::End && header > 1) {
            break;
        }
        if (status == LineReader::Status::End) {
            line = {};
        } else if (status != LineReader::Status::Line) {
            result.error =
                path + ":" + std::to_string(reader.LineNumber()) + ": " + reader.Reason(status);
            return result;
        }
        const std::vector<std::string_view> head = SplitBlanks(line);
        if (header == 1 &&
            (head.size() < 2 || !EqualsNoCase(head[0], "WXCHECK.TSF.STN") || head[1] != "1.0")) {
            result.error = path + ":1: not a WXCHECK.TSF.STN station file of version 1.0";
            return result;
        }
    }
    for (;;) {
        const LineReader::Status status = reader.Next(line);
        if (status == LineReader::Status::End) {
            break;
        }
        if (status == LineReader::Status::ReadError) {
            result.error =
                path + ":" + std::to_string(reader.LineNumber()) + ": " + reader.Reason(status);
            return result;
        }
        if (status == LineReader::Status::Line && Trim(line).empty()) {
            continue;
        }
        StationEntry entry;
        entry.line = reader.LineNumber();
        if (status == LineReader::Status::Line) {
            SplitStationLine(line, entry, resolve, exists);
        } else {
            entry.error = reader.Reason(status);
        }
        result.stations.push_back(std::move(entry));
    }
    if (result.stations.empty()) {
        result.error = path + ": the station file lists no station";
        return result;
    }
    result.ok = true;
    return result;
}

StationFileResult ParseStationFile(std::string_view text, const std::string& path,
                                   const ResolvePath& resolve, const FileExists& exists) {
    LineReader reader(text);
    return ParseStationFile(reader, path, resolve, exists);
}

StationFileResult ReadStationFile(const std::string& path, const ResolvePath& resolve,
                                  const FileExists& exists) {
    std::string error;
    const FileDescriptor file = OpenPlainFile(path, error);
    if (!file.valid()) {
        StationFileResult result;
        result.error = Excerpt(path) + ": cannot read the station file: " + error;
        return result;
    }
    LineReader reader(file.get());
    return ParseStationFile(reader, Excerpt(path), resolve, exists);
}

}  // namespace corvane::wxcheck
