#include "tsf/tsf_records.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tsf/plain_file.h"
#include "tsf/text_scan.h"

namespace corvane {

const char* HumidityName(HumidityKind kind) {
    switch (kind) {
        case HumidityKind::MixingRatio:
            return "MIXR";
        case HumidityKind::SpecificHumidity:
            return "SHUM";
        case HumidityKind::Relative:
            return "RHUM";
        case HumidityKind::None:
            break;
    }
    return "none";
}

const char* HumidityUnits(HumidityKind kind) {
    return kind == HumidityKind::Relative ? "%" : "g/kg";
}

FileVariables MapVariables(const std::vector<TsfVariable>& variables) {
    FileVariables result;
    result.variableCount = static_cast<int>(variables.size());
    std::array<bool, 6> seen{};
    for (std::size_t i = 0; i < variables.size(); ++i) {
        const std::string& name = variables[i].name;
        const std::string_view units = Trim(variables[i].units);
        const int index = static_cast<int>(i);
        const auto unitsWarning = [&](const char* accepted) {
            result.warnings.push_back("variable " + Excerpt(name) + " (line " +
                                      std::to_string(i + 1) + " of the variables) has units '" +
                                      Excerpt(units) + "', not " + accepted +
                                      "; it is not evaluated");
        };
        const auto first = [&](std::size_t which) {
            if (seen[which]) {
                return false;
            }
            seen[which] = true;
            return true;
        };
        if (EqualsNoCase(name, "WSPEED")) {
            if (!first(0)) {
                continue;
            }
            if (const std::optional<WindUnit> unit =
                    units.empty() ? WindUnit::MetresPerSecond : WindUnitFromText(units)) {
                result.column[kSpeed] = index;
                result.windUnit = *unit;
            } else {
                unitsWarning("m/s, kt, mph or km/h");
            }
        } else if (EqualsNoCase(name, "WDIR")) {
            if (!first(1)) {
                continue;
            }
            if (units.empty() || EqualsNoCase(units, "deg")) {
                result.column[kDirection] = index;
            } else {
                unitsWarning("deg");
            }
        } else if (EqualsNoCase(name, "TEMP")) {
            if (!first(2)) {
                continue;
            }
            if (const std::optional<TemperatureUnit> unit =
                    units.empty() ? TemperatureUnit::Kelvin : TemperatureUnitFromText(units)) {
                result.column[kTemperature] = index;
                result.temperatureUnit = *unit;
            } else {
                unitsWarning("K, C or F");
            }
        } else {
            static constexpr std::array<const char*, 3> kHumidity = {"MIXR", "SHUM", "RHUM"};
            for (std::size_t h = 0; h < kHumidity.size(); ++h) {
                if (!EqualsNoCase(name, kHumidity[h]) || !first(3 + h)) {
                    continue;
                }
                const char* accepted = h == 2 ? "%" : "g/kg";
                if (units.empty() || EqualsNoCase(units, accepted)) {
                    result.humidityColumn[h] = index;
                } else {
                    unitsWarning(accepted);
                }
            }
        }
    }
    return result;
}

namespace {

inline bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Up to `limit` fields of one line; returns how many were found.
inline int SplitFields(const char* p, const char* end, std::string_view* fields, int limit) {
    int count = 0;
    while (count < limit) {
        while (p < end && IsSeparator(*p)) {
            ++p;
        }
        if (p == end) {
            break;
        }
        const char* begin = p;
        while (p < end && !IsSeparator(*p)) {
            ++p;
        }
        fields[count++] = std::string_view(begin, static_cast<std::size_t>(p - begin));
    }
    return count;
}

inline bool ReadValue(std::string_view field, double& value) {
    const char* first = field.data();
    const char* last = first + field.size();
    if (*first == '+') {
        ++first;
        if (first == last || *first == '-') {
            return false;
        }
    }
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ptr != last) {
        return false;
    }
    // A value too large or too small for a double is still a number: strtod (in the "C"
    // locale the program keeps) gives it as infinity or as a signed zero.
    if (ec == std::errc::result_out_of_range) {
        value = std::strtod(std::string(first, last).c_str(), nullptr);
        return true;
    }
    return ec == std::errc();
}

// Counts a skipped line; the reason is worked out for the first only.
template <typename Reason>
void Skip(RecordCounts& counts, std::int64_t line, Reason reason) {
    if (counts.skipped++ == 0) {
        counts.firstSkippedLine = line;
        counts.firstSkippedReason = reason();
    }
}

std::string TooLongReason() {
    return "it is longer than " + std::to_string(kMaxRecordLine) + " bytes";
}

std::string StampReason(const char* which, const std::string_view* fields) {
    return std::string("its ") + which + " stamp names no time: " +
           RecordStampProblem(fields[0], fields[1], fields[2], fields[3], fields[4]);
}

}  // namespace

void ParseRecordLines(std::string_view text, std::int64_t& lineNumber, const RecordPlan& plan,
                      std::vector<Record>& records, RecordCounts& counts) {
    const int limit = 10 + plan.variableCount;
    std::vector<signed char> slotOf(static_cast<std::size_t>(plan.variableCount), -1);
    for (int s = 0; s < kSlotCount; ++s) {
        const int column = plan.column[static_cast<std::size_t>(s)];
        if (column >= 0 && column < plan.variableCount) {
            slotOf[static_cast<std::size_t>(column)] = static_cast<signed char>(s);
        }
    }
    std::vector<std::string_view> fieldStore(static_cast<std::size_t>(limit));
    std::string_view* const fields = fieldStore.data();
    DateCache beginCache;
    DateCache endCache;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', end - p));
        const char* next = lineEnd == nullptr ? end : lineEnd + 1;
        if (lineEnd == nullptr) {
            lineEnd = end;
        }
        const std::int64_t line = lineNumber++;
        std::size_t length = static_cast<std::size_t>(lineEnd - p);
        if (length > 0 && p[length - 1] == '\r') {
            --length;
        }
        if (length > kMaxRecordLine) {
            p = next;
            Skip(counts, line, TooLongReason);
            continue;
        }
        const int count = SplitFields(p, lineEnd, fields, limit);
        p = next;
        if (count == 0) {
            continue;  // a blank line
        }
        if (count < limit) {
            Skip(counts, line, [&] {
                return "it has too few fields (" + std::to_string(count) + " of the " +
                       std::to_string(limit) + " needed)";
            });
            continue;
        }
        Stamp begin = 0;
        Record record;
        if (!StampFromFields(fields[0], fields[1], fields[2], fields[3], fields[4], begin,
                             beginCache)) {
            Skip(counts, line, [&] { return StampReason("begin", fields); });
            continue;
        }
        if (!StampFromFields(fields[5], fields[6], fields[7], fields[8], fields[9], record.stamp,
                             endCache)) {
            Skip(counts, line, [&] { return StampReason("end", fields + 5); });
            continue;
        }
        int notNumber = -1;
        std::array<double, kSlotCount> raw{};
        for (int v = 0; v < limit - 10; ++v) {
            double value = 0;
            if (!ReadValue(fields[10 + v], value)) {
                notNumber = v;
                break;
            }
            const int slot = slotOf[static_cast<std::size_t>(v)];
            if (slot >= 0) {
                raw[static_cast<std::size_t>(slot)] = value;
            }
        }
        if (notNumber >= 0) {
            Skip(counts, line, [&] {
                return "its value '" + Excerpt(fields[10 + notNumber]) + "' is not a number";
            });
            continue;
        }
        record.line = line;
        for (std::size_t s = 0; s < kSlotCount; ++s) {
            double value = raw[s];
            if (plan.column[s] < 0 || !(value > -900.0) || !std::isfinite(value)) {
                record.value[s] = kMissing;
                continue;
            }
            if ((s == kSpeed && value < 0) || (s == kDirection && (value < 0 || value > 360))) {
                if (counts.outOfRange++ == 0) {
                    counts.firstOutOfRangeLine = line;
                }
                record.value[s] = kMissing;
                continue;
            }
            if (s == kSpeed && plan.windUnit != WindUnit::MetresPerSecond) {
                value = MetresPerSecond(value, plan.windUnit);
            } else if (s == kTemperature) {
                value = Celsius(value, plan.temperatureUnit);
            } else if (s == kHumidity && plan.mixingRatioAsSpecific) {
                value = SpecificHumidity(value);
            }
            record.value[s] = value;
        }
        ++counts.records;
        record.stamp += plan.shift;
        if (record.stamp >= plan.first && record.stamp <= plan.last) {
            records.push_back(record);
        }
    }
}

void DropDuplicateStamps(std::vector<Record>& records, RecordCounts& counts) {
    // Of equal end stamps the record read first stays in front.
    const auto byStamp = [](const Record& a, const Record& b) {
        return a.stamp < b.stamp || (a.stamp == b.stamp && a.line < b.line);
    };
    if (!std::is_sorted(records.begin(), records.end(), byStamp)) {
        std::sort(records.begin(), records.end(), byStamp);
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (out > 0 && records[out - 1].stamp == records[i].stamp) {
            if (counts.duplicates++ == 0 || records[i].line < counts.firstDuplicateLine) {
                counts.firstDuplicateLine = records[i].line;
            }
            continue;
        }
        records[out++] = records[i];
    }
    records.resize(out);
}

std::size_t RecordBufferBytes(unsigned threads) {
    constexpr std::size_t kAllThreads = 32u << 20;
    constexpr std::size_t kMost = 1u << 20;
    constexpr std::size_t kLeast = 2 * kMaxRecordLine;
    return std::clamp<std::size_t>(kAllThreads / std::max(1u, threads), kLeast, kMost);
}

bool ReadRecordFile(int fd, std::uint64_t offset, std::uint64_t end, std::int64_t firstLine,
                    const RecordPlan& plan, std::vector<Record>& records, RecordCounts& counts,
                    std::vector<char>& buffer, std::size_t bufferBytes, std::string& error) {
    if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
        error = std::strerror(errno);
        return false;
    }
    buffer.resize(std::max(bufferBytes, kMaxRecordLine + 2));
    std::uint64_t left = end > offset ? end - offset : 0;
    // Repeated end stamps are dropped whenever the records have doubled since the last time,
    // so a file of repeated records holds no more than twice its distinct stamps.
    std::size_t dropAt = std::size_t{1} << 16;
    std::size_t kept = 0;   // bytes of an unfinished line at the start of the buffer
    bool skipping = false;  // inside a line that is too long
    std::int64_t line = firstLine;
    for (;;) {
        if (kept > kMaxRecordLine + 1) {
            // No line end within the longest record line (and its CR): no record.
            Skip(counts, line, TooLongReason);
            skipping = true;
            kept = 0;
        }
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size() - kept, left));
        const long got = ReadSome(fd, buffer.data() + kept, want);
        if (got < 0) {
            error = std::strerror(errno);
            return false;
        }
        left -= static_cast<std::uint64_t>(got);
        const std::size_t filled = kept + static_cast<std::size_t>(got);
        const bool last = got == 0 || left == 0;
        std::size_t begin = 0;
        if (skipping) {
            const void* newline = std::memchr(buffer.data(), '\n', filled);
            if (newline == nullptr) {
                kept = 0;
                if (last) {
                    break;
                }
                continue;
            }
            begin = static_cast<std::size_t>(static_cast<const char*>(newline) - buffer.data()) + 1;
            ++line;
            skipping = false;
        }
        std::size_t complete = filled;
        if (!last) {
            while (complete > begin && buffer[complete - 1] != '\n') {
                --complete;
            }
        }
        ParseRecordLines(std::string_view(buffer.data() + begin, complete - begin), line, plan,
                         records, counts);
        if (records.size() >= dropAt) {
            DropDuplicateStamps(records, counts);
            dropAt = std::max(dropAt, 2 * records.size());
        }
        if (last) {
            break;
        }
        kept = filled - complete;
        std::memmove(buffer.data(), buffer.data() + complete, kept);
    }
    DropDuplicateStamps(records, counts);
    return true;
}

}  // namespace corvane
