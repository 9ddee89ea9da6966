#include "wxcheck/outputs/output_text.h"

#include <charconv>
#include <cmath>

#include "tsf/text_scan.h"

#ifndef WXCHECK_VERSION
#define WXCHECK_VERSION "0.0"
#endif

namespace corvane::wxcheck {

const char* EngineVersion() {
    return WXCHECK_VERSION;
}

void AppendValue(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "-999";
        return;
    }
    char buffer[64];
    char* end = buffer;
    // Ten-thousandths as a whole number, where it cannot be a tie: below 1e15 the product
    // is within 1/16 of the exact one, so a product less than 0.4 from a whole number rounds
    // to it as the exact decimal value does. Elsewhere the general conversion decides.
    const double scaled = value * 1e4;
    const double whole = std::nearbyint(scaled);
    if (std::fabs(scaled) < 1e15 && std::fabs(scaled - whole) < 0.4) {
        auto units = static_cast<long long>(whole);
        if (units < 0) {
            *end++ = '-';
            units = -units;
        }
        end = std::to_chars(end, buffer + sizeof buffer, units / 10000).ptr;
        const long long fraction = units % 10000;
        *end++ = '.';
        for (long long digit = 1000; digit > 0; digit /= 10) {
            *end++ = static_cast<char>('0' + fraction / digit % 10);
        }
    } else {
        const auto [ptr, ec] =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
        if (ec != std::errc()) {
            out += "-999";  // too long to be of use in a table
            return;
        }
        end = ptr;
    }
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    out += text == "-0.0000" ? std::string_view("0.0000") : text;
}

std::string FormatValue(double value) {
    std::string text;
    AppendValue(text, value);
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
