#pragma once

// The data records of a time series file, after its header: begin stamp, end stamp, then
// one value per variable. Parsed from large chunks with std::from_chars; never line by
// line through streams.

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "tsf/record_stamp.h"
#include "tsf/tsf_header.h"
#include "tsf/units.h"

namespace corvane {

/// The quantities the engine evaluates, in the order of its tables.
enum Slot : int { kSpeed = 0, kDirection = 1, kTemperature = 2, kHumidity = 3, kSlotCount = 4 };

/// Temperatures are kept as the difference to 273.15 K: the statistics are in kelvin,
/// and values near 20 keep more digits in single precision than values near 293.
inline constexpr double kKelvinOffset = 273.15;

/// The humidity variables in the order a station picks them.
enum class HumidityKind : int { None = -1, MixingRatio = 0, SpecificHumidity = 1, Relative = 2 };

const char* HumidityName(HumidityKind kind);
const char* HumidityUnits(HumidityKind kind);

/// Where the known variables of one file stand (index among its variables; -1 absent) and
/// what the file says about them.
struct FileVariables {
    std::array<int, 3> column{-1, -1, -1};  // speed, direction, temperature
    WindUnit windUnit = WindUnit::MetresPerSecond;
    TemperatureUnit temperatureUnit = TemperatureUnit::Kelvin;
    std::array<int, 3> humidityColumn{-1, -1, -1};  // by HumidityKind
    int variableCount = 0;
    /// Variables that are not evaluated because of their units.
    std::vector<std::string> warnings;
};

/// Finds the known variables among a header's variable lines (names and units compared
/// without letter case; where a name occurs twice, the first counts).
FileVariables MapVariables(const std::vector<TsfVariable>& variables);

/// What to read from each record.
struct RecordPlan {
    int variableCount = 0;
    /// Index among the variables for each slot, -1 when the slot is not read.
    std::array<int, kSlotCount> column{-1, -1, -1, -1};
    /// Speeds are converted into m/s, temperatures into C (kelvin less 273.15).
    WindUnit windUnit = WindUnit::MetresPerSecond;
    TemperatureUnit temperatureUnit = TemperatureUnit::Kelvin;
    /// The humidity column holds a mixing ratio that is evaluated as specific humidity.
    bool mixingRatioAsSpecific = false;
    /// Seconds added to every end stamp: the file's zone into the processing zone.
    Stamp shift = 0;
    /// Records whose end stamp (once shifted) lies outside [first, last] are read and counted
    /// but not kept, so that memory follows the period, not the file.
    Stamp first = std::numeric_limits<Stamp>::min();
    Stamp last = std::numeric_limits<Stamp>::max();
};

inline constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

struct Record {
    Stamp stamp = 0;
    std::int64_t line = 0;
    /// NaN for a missing value; in the evaluated units, temperature as kelvin less 273.15.
    std::array<double, kSlotCount> value{};
};

struct RecordCounts {
    std::int64_t records = 0;  // valid records read, kept or not
    std::int64_t skipped = 0;
    std::int64_t firstSkippedLine = 0;
    /// Why the first was skipped: "it has too few fields", ...
    std::string firstSkippedReason;
    std::int64_t outOfRange = 0;
    std::int64_t firstOutOfRangeLine = 0;
    /// Records in the period that repeat an earlier end stamp, and the first line of one.
    std::int64_t duplicates = 0;
    std::int64_t firstDuplicateLine = 0;
};

/// Longest record line, line end not counted; a longer line is skipped. Fixed, so that what
/// is read never depends on the number of threads.
inline constexpr std::size_t kMaxRecordLine = 64 * 1024;

/// Parses complete lines (the last may lack its line end). `lineNumber` is the number of
/// the first line and is advanced past the text.
void ParseRecordLines(std::string_view text, std::int64_t& lineNumber, const RecordPlan& plan,
                      std::vector<Record>& records, RecordCounts& counts);

/// Sorts records by end stamp, keeping the first read of equal stamps; counts the others.
void DropDuplicateStamps(std::vector<Record>& records, RecordCounts& counts);

/// The read buffer of one thread when `threads` read at once: all of them together stay
/// within a few tens of MiB, whatever the count.
std::size_t RecordBufferBytes(unsigned threads);

/// Reads the records of an open file from byte `offset` up to byte `end` (its size when it
/// was opened: what is appended during the run is not read), in chunks through `buffer`
/// (kept by the caller so that its memory is reused from file to file; it is sized to
/// `bufferBytes`). The records come sorted by end stamp without repeated stamps, which are
/// dropped as they come, so memory follows the period, never the text read. False with the
/// system's reason when the file cannot be read.
bool ReadRecordFile(int fd, std::uint64_t offset, std::uint64_t end, std::int64_t firstLine,
                    const RecordPlan& plan, std::vector<Record>& records, RecordCounts& counts,
                    std::vector<char>& buffer, std::size_t bufferBytes, std::string& error);

}  // namespace corvane
