#pragma once

// How batchrun reads one line of a script: which kind of line it is and its words.

#include <string>
#include <string_view>
#include <vector>

namespace corvane::batchrun {

/// Splits a line into words at blanks and tabs. Double quotes group words and are removed;
/// nothing else has a meaning of its own, so `&`, `;`, `$`, `|` and `*` stay as they stand. An
/// unclosed quote runs to the end of the line.
std::vector<std::string> SplitWords(std::string_view line);

struct ScriptLine {
    enum class Kind {
        Empty,            // blank line or a `rem` comment
        Drive,            // "C:" and the like: nothing to do where there are no drives
        ChangeDirectory,  // cd DIR
        Copy,             // copy A B
        Pause,            // pause
        Notepad,          // notepad FILE
        Program,          // a program and its arguments
    };
    Kind kind = Kind::Empty;
    /// For cd, copy and notepad: the arguments; for a program: the program, then its
    /// arguments.
    std::vector<std::string> words;
};

/// Classifies a line. Trailing carriage returns and surrounding blanks are ignored; the
/// command words are matched without regard to case, as the Windows shell does.
ScriptLine ParseScriptLine(std::string_view line);

}  // namespace corvane::batchrun
