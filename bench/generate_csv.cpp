// Writes a synthetic hourly CSV export of one station, as loggers and archives give them:
// ISO 8601 times, wind in knots, temperature and dew point in C, and columns the converter
// does not read. The same size gives the same file.
//   tsfconvert_generate_csv MEGABYTES FILE

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "period/calendar.h"

int main(int argc, char** argv) {
    long megabytes = 0;
    if (argc != 3 ||
        std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), megabytes).ec != std::errc() ||
        megabytes <= 0 || megabytes > 100000) {
        std::fputs("usage: tsfconvert_generate_csv MEGABYTES FILE\n", stderr);
        return 2;
    }
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "tsfconvert_generate_csv: %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    const long long bytes = megabytes * 1000000LL;
    std::string text =
        "time,station,ws_kt,wd,temp_c,dewpoint_c,pressure_hpa,visibility_m,"
        "remark\n";
    long long written = 0;
    const std::int64_t firstDay = corvane::DayNumberFromDate(1900, 1, 1);
    std::uint32_t noise = 12345;
    for (std::int64_t hour = 0; written + static_cast<long long>(text.size()) < bytes; ++hour) {
        const corvane::CalendarFields date = corvane::DateFromDayNumber(firstDay + hour / 24);
        noise = noise * 1664525u + 1013904223u;
        const double r = (noise >> 8) / 16777216.0;
        const double daily = std::sin(6.2831853 * static_cast<double>(hour % 24 - 9) / 24.0);
        char line[160];
        const int n = std::snprintf(
            line, sizeof line, "%04d-%02d-%02dT%02d:00:00Z,HARBOUR,%d,%d,%.1f,%.1f,%.1f,%d,%s\n",
            date.year, date.month, date.day, static_cast<int>(hour % 24),
            static_cast<int>(8 + 6 * daily + 4 * r), static_cast<int>(360 * r) / 10 * 10,
            12 + 6 * daily + 2 * r, 4 + 6 * daily - 3 * r, 1013.2 + 8 * (r - 0.5),
            static_cast<int>(10000 * r), r < 0.1 ? "\"gusts, squalls\"" : "");
        text.append(line, static_cast<std::size_t>(n));
        if (text.size() > (1u << 20)) {
            written += static_cast<long long>(std::fwrite(text.data(), 1, text.size(), file));
            text.clear();
        }
    }
    written += static_cast<long long>(std::fwrite(text.data(), 1, text.size(), file));
    if (std::fclose(file) != 0) {
        std::fprintf(stderr, "tsfconvert_generate_csv: %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    return 0;
}
