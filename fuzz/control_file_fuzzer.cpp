// The engine's control file reader on arbitrary text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "wxcheck/control_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const corvane::wxcheck::ControlFileResult result =
        corvane::wxcheck::ParseControlFile(text, "fuzz.inp");
    // A refused file always says why. (An accepted one may name an empty list or station
    // file; the engine reports that when it cannot write or read the path.)
    if (!result.ok && result.error.empty()) {
        std::abort();
    }
    if (result.ok) {
        const auto& settings = result.settings;
        (void)settings.ListPath();
        (void)settings.StationPath();
        (void)settings.StatisticsPath("DailyWindStats.dat");
        for (const auto& window : settings.windows) {
            for (int hour = 0; hour < 24; ++hour) {
                (void)window.Contains(hour);
            }
        }
    }
    return 0;
}
