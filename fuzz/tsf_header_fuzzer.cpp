// The TSF header reader on arbitrary bytes. The in-memory and the stream reader must agree,
// and a complete header must point at a data offset inside the input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "tsf/tsf_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const corvane::TsfHeader fromBuffer = corvane::ReadTsfHeaderFromBuffer(text);
    std::istringstream stream{std::string(text)};
    const corvane::TsfHeader fromStream = corvane::ReadTsfHeader(stream);
    if (fromBuffer.failure != fromStream.failure ||
        fromBuffer.failureLine != fromStream.failureLine || fromBuffer.zone != fromStream.zone ||
        fromBuffer.site != fromStream.site ||
        fromBuffer.variables.size() != fromStream.variables.size() ||
        fromBuffer.dataOffset != fromStream.dataOffset) {
        std::abort();
    }
    if (fromBuffer.ok()) {
        if (fromBuffer.dataOffset > size || !fromBuffer.start.converted ||
            !fromBuffer.end.converted || !fromBuffer.hasVariable("WDIR")) {
            std::abort();
        }
    } else if (fromBuffer.message.empty()) {
        std::abort();
    }
    // Any other kind skips only the WDIR test.
    (void)corvane::ReadTsfHeaderFromBuffer(text, "OBS");
    return 0;
}
