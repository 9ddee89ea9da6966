#include "batchrun/script_line.h"

#include <algorithm>
#include <cctype>

namespace corvane::batchrun {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

/// The first word of a line, as typed (before quote removal), and the text after it.
std::pair<std::string_view, std::string_view> FirstWord(std::string_view line) {
    std::size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) {
        ++end;
    }
    return {line.substr(0, end), Trim(line.substr(end))};
}

}  // namespace

std::vector<std::string> SplitWords(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;  // "" is an empty word
        } else if (!quoted && (IsBlank(c) || c == '\r' || c == '\n')) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

ScriptLine ParseScriptLine(std::string_view rawLine) {
    const std::string_view line = Trim(rawLine);
    ScriptLine result;
    if (line.empty()) {
        return result;
    }
    // Only a drive letter is a drive line here: "x:" at the end of any other line is text.
    if (line.size() == 2 && line[1] == ':' && IsAsciiLetter(line[0])) {
        result.kind = ScriptLine::Kind::Drive;
        return result;
    }
    const auto [command, rest] = FirstWord(line);
    if (EqualsIgnoringCase(command, "rem")) {
        return result;
    }
    if (EqualsIgnoringCase(command, "cd")) {
        // The Windows shell takes the rest of the line as the folder, blanks included, so an
        // unquoted folder with blanks works too.
        result.kind = ScriptLine::Kind::ChangeDirectory;
        std::string folder;
        std::copy_if(rest.begin(), rest.end(), std::back_inserter(folder),
                     [](char c) { return c != '"'; });
        if (!folder.empty()) {
            result.words.push_back(std::move(folder));
        }
        return result;
    }
    if (EqualsIgnoringCase(command, "copy")) {
        result.kind = ScriptLine::Kind::Copy;
        result.words = SplitWords(rest);
        return result;
    }
    if (EqualsIgnoringCase(command, "pause")) {
        result.kind = ScriptLine::Kind::Pause;
        return result;
    }
    if (EqualsIgnoringCase(command, "notepad")) {
        result.kind = ScriptLine::Kind::Notepad;
        result.words = SplitWords(rest);
        return result;
    }
    result.kind = ScriptLine::Kind::Program;
    result.words = SplitWords(line);
    return result;
}

bool IsDriveLineOf(std::string_view rawLine, const ScriptLine& next) {
    const std::string_view line = Trim(rawLine);
    if (next.kind != ScriptLine::Kind::ChangeDirectory || next.words.empty() || line.size() < 2 ||
        line.back() != ':') {
        return false;
    }
    // The run script's drive of a folder: its text up to the first ":", or all of it.
    const std::string_view folder = next.words.front();
    return folder.substr(0, folder.find(':')) == line.substr(0, line.size() - 1);
}

}  // namespace corvane::batchrun
