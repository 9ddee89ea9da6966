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
        Drive,            // a drive letter and ":": nothing to do where there are no drives
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

/// Whether `line`, a script's first line, is the drive line that the run script writes
/// before it changes to its folder: `next`, the line after it, is that `cd`, and `line` is the
/// folder's text up to its first ":" (all of it when it has none), followed by ":". Such a
/// line has nothing to do where there are no drives.
bool IsDriveLineOf(std::string_view line, const ScriptLine& next);

}  // namespace corvane::batchrun
