#pragma once

// Runs a shell command line for tests that drive whole programs and tools, and gives back
// what it printed.

#include <string>

namespace corvane::testing {

struct CommandResult {
    int status = -1;     ///< exit status; -1 when the command did not exit normally
    std::string output;  ///< standard output; add 2>&1 to the command for standard error
};

/// Runs `command` with /bin/sh and reads its standard output to the end.
CommandResult RunShellCommand(const std::string& command);

/// `text` quoted for the shell, whatever it holds.
std::string ShellQuoted(const std::string& text);

}  // namespace corvane::testing
