#pragma once

// batchrun's interpreter: runs a script line by line as the Windows shell runs the wizard's
// scripts, without ever handing script text to a shell.

#include <string>

namespace corvane::batchrun {

/// Runs the lines of the script file at `path` in order. A failing line prints its reason
/// on standard error, naming the script and the line, and the script goes on. Returns 0
/// when every line succeeded, 1 otherwise; a script that is not a plain file, or that cannot
/// be opened, fails with its reason.
int RunScriptFile(const std::string& path);

}  // namespace corvane::batchrun
