// The converter's CSV reader on arbitrary bytes: delimiter detection, quoted fields across
// lines, comments, and the time texts of every field. The bytes go through an in-memory
// file, as the reader reads only plain files.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "period/calendar.h"
#include "tsfconvert/csv_reader.h"
#include "tsfconvert/time_text.h"

namespace {

using namespace corvane::tsfconvert;

// Every time read lies from 1 January 100 to 1 January 10000 (24:00 of the last day).
const Seconds kFirst = corvane::DayNumberFromDate(100, 1, 1) * kDay;
const Seconds kLast = (corvane::DayNumberFromDate(9999, 12, 31) + 1) * kDay;

void Check(const TimeRead& read) {
    if (read.ok() == !read.error.empty() ||
        (read.ok() && (read.seconds < kFirst || read.seconds > kLast))) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("csv", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    static const TimeFormat pattern("%d.%m.%Y %H:%M", false);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        return 0;
    }
    const std::optional<Delimiter> given =
        size % 3 == 0 ? std::optional<Delimiter>(Delimiter{';', false}) : std::nullopt;
    try {
        CsvReader reader(path, given);
        std::vector<std::string_view> fields;
        std::int64_t line = reader.HeaderLine();
        while (reader.Next(fields)) {
            // Records go forward, and no field outgrows the longest record.
            if (reader.Line() <= line) {
                std::abort();
            }
            line = reader.Line();
            for (const std::string_view field : fields) {
                if (field.size() > corvane::kMaxLineBytes) {
                    std::abort();
                }
                Check(ReadIsoDateTime(field));
                Check(ReadIsoDate(field));
                Check(ReadHourOfDay(field));
                Check(pattern.Read(field));
            }
        }
    } catch (const ConvertError& error) {
        if (std::string(error.what()).empty()) {
            std::abort();
        }
    }
    return 0;
}
