#pragma once

// Small, allocation-free helpers for reading the engine's text inputs: blanks, letter case
// and numbers the way std::from_chars reads them (plus an optional leading '+').

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::wxcheck {

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

/// Reads the whole text as a decimal integer (optional leading '+').
bool ParseInt(std::string_view text, std::int64_t& value);

/// Splits a file's contents into lines; LF or CRLF ends a line, a last line without an end
/// counts too. A UTF-8 byte-order mark at the start is dropped.
std::vector<std::string_view> SplitLines(std::string_view text);

/// Reads a whole file; false with the system's reason in `error`.
bool ReadWholeFile(const std::string& path, std::string& contents, std::string& error);

/// Writes a whole file, replacing it; false with the system's reason in `error`.
bool WriteWholeFile(const std::string& path, std::string_view contents, std::string& error);

/// `folder` and `name` joined with one '/' (none added to an empty folder).
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace corvane::wxcheck
