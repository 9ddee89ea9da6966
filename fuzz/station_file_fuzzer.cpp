// The engine's station file reader on arbitrary text. Which files "exist" is decided from
// the path itself, so that the search for the one split of "','" that names two existing
// files is explored too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "wxcheck/station_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto resolve = [](std::string_view path) { return "/out/" + std::string(path); };
    const auto exists = [](const std::string& path) {
        return path.find('x') != std::string::npos || path.size() % 3 == 0;
    };
    const corvane::wxcheck::StationFileResult result =
        corvane::wxcheck::ParseStationFile(text, "fuzz.stn", resolve, exists);
    if (!result.ok && result.error.empty()) {
        std::abort();
    }
    for (const auto& station : result.stations) {
        // Every station names its line. (Empty paths are kept; the engine cannot open them
        // and reports the station.)
        if (station.line < 4) {
            std::abort();
        }
    }
    return 0;
}
