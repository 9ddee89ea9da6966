#include "wxcheck/station_file.h"

#include "wxcheck/text_scan.h"

namespace corvane::wxcheck {

namespace {

void SplitStationLine(std::string_view line, StationEntry& entry,
                      const std::function<std::string(std::string_view)>& resolve,
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
    // A path with "','" in it: only the split whose two files exist is meant.
    std::vector<std::size_t> existing;
    for (const std::size_t at : splits) {
        if (exists(resolve(inner.substr(0, at))) && exists(resolve(inner.substr(at + 3)))) {
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

StationFileResult ParseStationFile(std::string_view text, const std::string& path,
                                   const std::function<std::string(std::string_view)>& resolve,
                                   const FileExists& exists) {
    StationFileResult result;
    const std::vector<std::string_view> lines = SplitLines(text);
    const std::vector<std::string_view> head =
        lines.empty() ? std::vector<std::string_view>() : SplitBlanks(lines[0]);
    if (head.size() < 2 || !EqualsNoCase(head[0], "WXCHECK.TSF.STN") || head[1] != "1.0") {
        result.error = path + ":1: not a WXCHECK.TSF.STN station file of version 1.0";
        return result;
    }
    for (std::size_t i = 3; i < lines.size(); ++i) {
        if (Trim(lines[i]).empty()) {
            continue;
        }
        StationEntry entry;
        entry.line = static_cast<int>(i + 1);
        SplitStationLine(lines[i], entry, resolve, exists);
        result.stations.push_back(std::move(entry));
    }
    if (result.stations.empty()) {
        result.error = path + ": the station file lists no station";
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace corvane::wxcheck
