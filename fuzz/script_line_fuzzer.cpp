// batchrun's line reader on arbitrary lines. Double quotes only group words: no word may
// keep one, and no word may hold a blank that no quote protected. The same bytes read as a
// whole script, a few bytes at a time: lines come numbered in order, bounded, without line
// ends.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "batchrun/script_line.h"
#include "batchrun/script_reader.h"

namespace {

using corvane::batchrun::ScriptLine;

void CheckLine(std::string_view line) {
    const bool hasQuote = line.find('"') != std::string_view::npos;
    for (const auto& word : corvane::batchrun::SplitWords(line)) {
        if (word.find('"') != std::string::npos) {
            std::abort();
        }
        if (!hasQuote && word.find_first_of(" \t\r\n") != std::string::npos) {
            std::abort();
        }
    }
    const ScriptLine parsed = corvane::batchrun::ParseScriptLine(line);
    if (parsed.kind == ScriptLine::Kind::Program && parsed.words.empty()) {
        std::abort();
    }
    for (const auto& word : parsed.words) {
        if (word.find('"') != std::string::npos) {
            std::abort();
        }
    }
}

void CheckScript(std::string_view script) {
    using corvane::batchrun::ScriptReader;
    ScriptReader reader([&script](char* buffer, std::size_t size) {
        const std::size_t count = std::min({size, std::size_t{3}, script.size()});
        std::copy_n(script.data(), count, buffer);
        script.remove_prefix(count);
        return static_cast<long>(count);
    });
    std::uint64_t expected = 0;
    std::string previous;
    while (const auto line = reader.Next()) {
        if (line->number != ++expected ||
            line->text.size() > corvane::batchrun::kMaxScriptLineBytes ||
            line->text.find_first_of("\r\n") != std::string::npos ||
            (line->tooLong && !line->text.empty())) {
            std::abort();
        }
        CheckLine(line->text);
        (void)corvane::batchrun::IsDriveLineOf(previous,
                                               corvane::batchrun::ParseScriptLine(line->text));
        previous = line->text;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckLine(bytes);
    CheckScript(bytes);
    return 0;
}
