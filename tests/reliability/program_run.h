#pragma once

// Runs a program of the build folder as the wizard's scripts do: a program and its
// arguments, never a shell, in a given folder, with standard input closed.

#include <string>
#include <vector>

namespace corvane::testing {

struct ProgramResult {
    int status = -1;  ///< exit status, or -1 when the program did not end normally
    std::string out;
    std::string err;
};

/// The folder of the running test program, where the build puts every program.
std::string ProgramFolder();

/// Runs `program` in `folder` with standard input closed. A program still running after
/// `timeoutSeconds` is killed and gives status -2.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& folder, int timeoutSeconds = 120);

std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& contents);

/// Fills the file system of `folder` with a file `name` until no byte is left; false when
/// the disk never became full.
bool FillDisk(const std::string& folder, const std::string& name);

}  // namespace corvane::testing
