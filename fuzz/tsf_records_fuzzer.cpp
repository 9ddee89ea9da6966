// The engine's TSF reading on arbitrary bytes: the header, the variable map and the data
// records behind it. Inputs whose header fails are read as records of five variables, so
// that the record parser sees every input.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tsf/tsf_header.h"
#include "tsf/tsf_records.h"

namespace {

using namespace corvane;

RecordPlan PlanFor(const FileVariables& variables) {
    RecordPlan plan;
    plan.variableCount = variables.variableCount;
    plan.column[kSpeed] = variables.column[0];
    plan.column[kDirection] = variables.column[1];
    plan.column[kTemperature] = variables.column[2];
    plan.temperatureUnit = variables.temperatureUnit;
    for (const int column : variables.humidityColumn) {
        if (column >= 0) {
            plan.column[kHumidity] = column;
            break;
        }
    }
    return plan;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const corvane::TsfHeader header = corvane::ReadTsfHeaderFromBuffer(text, "OBS");
    RecordPlan plan;
    std::string_view records = text;
    std::int64_t line = 1;
    if (header.ok()) {
        plan = PlanFor(MapVariables(header.variables));
        records = text.substr(header.dataOffset);
        line = header.dataLine;
    } else {
        plan.variableCount = 5;
        plan.column = {0, 1, 2, 4};
        plan.temperatureUnit =
            size % 2 == 0 ? TemperatureUnit::Celsius : TemperatureUnit::Fahrenheit;
    }
    const std::int64_t firstLine = line;
    std::vector<Record> read;
    RecordCounts counts;
    ParseRecordLines(records, line, plan, read, counts);

    // Every line is read or skipped at most once, and the line count moves on.
    if (line < firstLine || counts.skipped < 0 ||
        static_cast<std::int64_t>(read.size()) + counts.skipped > line - firstLine + 1) {
        std::abort();
    }
    for (const Record& record : read) {
        if (record.line < firstLine || record.line > line) {
            std::abort();
        }
        // Out-of-range winds are missing, never kept as values.
        const double speed = record.value[kSpeed];
        const double direction = record.value[kDirection];
        if ((!std::isnan(speed) && !(speed >= 0 && std::isfinite(speed))) ||
            (!std::isnan(direction) && !(direction >= 0 && direction <= 360))) {
            std::abort();
        }
    }
    return 0;
}
