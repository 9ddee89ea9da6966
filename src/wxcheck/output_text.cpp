#include "wxcheck/output_text.h"

#include <charconv>
#include <cmath>

#include "wxcheck/text_scan.h"

#ifndef WXCHECK_VERSION
#define WXCHECK_VERSION "0.0"
#endif

namespace corvane::wxcheck {

const char* EngineVersion() {
    return WXCHECK_VERSION;
}

std::string FormatValue(double value) {
    if (!std::isfinite(value)) {
        return "-999";
    }
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    if (ec != std::errc()) {
        return "-999";
    }
    std::string text(buffer, end);
    if (text == "-0.0000") {
        text = "0.0000";
    }
    return text;
}

std::string PeriodText(const ControlSettings& s) {
    return FormatDateTime(s.start) + " to " + FormatDateTime(s.end) + " (" + s.startText + " to " +
           s.endText + ", both inclusive)";
}

std::string FilterText(int filter) {
    return filter == 1 ? "1 (remove hours with missing values)"
                       : "0 (keep hours with missing values)";
}

std::string HumidityText(HumidityKind kind) {
    if (kind == HumidityKind::None) {
        return "none";
    }
    return std::string(HumidityName(kind)) + " (" + HumidityUnits(kind) + ")";
}

}  // namespace corvane::wxcheck
