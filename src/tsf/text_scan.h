#pragma once

// Small, allocation-free helpers for reading the engine's text inputs: blanks, letter case
// and numbers the way std::from_chars reads them (plus an optional leading '+').

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

/// Strips blanks (space, tab, carriage return) at both ends.
std::string_view Trim(std::string_view text);

/// Compares two texts without letter case (ASCII).
bool EqualsNoCase(std::string_view a, std::string_view b);

std::string UpperCase(std::string_view text);

/// Splits at runs of spaces and tabs; no empty fields.
std::vector<std::string_view> SplitBlanks(std::string_view text);

/// Reads the whole text as a double (optional leading '+'); false when anything is left.
bool ParseDouble(std::string_view text, double& value);

/// Why a text that ParseDouble refuses is no number: "is out of range" for a number too
/// large for a double (1e400), "is not a number" otherwise.
const char* NumberProblem(std::string_view text);

/// Reads the whole text as a decimal integer (optional leading '+').
bool ParseInt(std::string_view text, std::int64_t& value);

/// At most about 200 characters of `text` for a message: a longer text keeps its start and
/// its end (where a file name stands) around "...", never half a UTF-8 character. Control
/// characters are shown as ShownText shows them.
std::string Excerpt(std::string_view text);

/// A text from outside (a title, a site text, a file name) as an output shows it: control
/// characters, which would end a line of a file or steer a terminal, become escapes: "\t",
/// "\n", "\r", "\x1b" for the other C0 controls and DEL, "\u009b" for the C1 controls
/// (U+0080 to U+009F). Any other text comes back as it is, byte for byte.
std::string ShownText(std::string_view text);

/// `folder` and `name` joined with one '/' (none added to an empty folder).
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace corvane
