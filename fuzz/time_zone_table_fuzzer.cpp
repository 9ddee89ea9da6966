// The time-zone table reader on arbitrary bytes: every zone read has a code and a name.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "period/time_zone_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const corvane::TimeZoneTableLoad load =
        corvane::ParseTimeZoneTable(content, QStringLiteral("TimeZones.txt"));
    if (load.table.codes.size() != load.table.names.size()) {
        std::abort();
    }
    return 0;
}
