#pragma once

// batchrun's interpreter: runs a script line by line as the Windows shell runs the wizard's
// scripts, without ever handing script text to a shell.

#include <iosfwd>
#include <string>

namespace corvane::batchrun {

/// Runs the lines of `script` in order. A failing line prints its reason on standard error
/// and the script goes on. Returns 0 when every line succeeded, 1 otherwise. `scriptName`
/// only names the script in messages.
int RunScript(std::istream& script, const std::string& scriptName);

/// Opens and runs a script file; a script that cannot be opened fails with its reason.
int RunScriptFile(const std::string& path);

}  // namespace corvane::batchrun
