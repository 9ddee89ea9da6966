// batchrun's line reader on arbitrary lines. Double quotes only group words: no word may
// keep one, and no word may hold a blank that no quote protected.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "batchrun/script_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const bool hasQuote = line.find('"') != std::string_view::npos;
    for (const auto& word : corvane::batchrun::SplitWords(line)) {
        if (word.find('"') != std::string::npos) {
            std::abort();
        }
        if (!hasQuote && word.find_first_of(" \t\r\n") != std::string::npos) {
            std::abort();
        }
    }
    const corvane::batchrun::ScriptLine parsed = corvane::batchrun::ParseScriptLine(line);
    using Kind = corvane::batchrun::ScriptLine::Kind;
    if (parsed.kind == Kind::Program && parsed.words.empty()) {
        std::abort();
    }
    for (const auto& word : parsed.words) {
        if (word.find('"') != std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
