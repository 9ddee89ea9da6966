#pragma once

// The tsfconvert program as a function: the arguments in, the exit status out.

#include <iosfwd>
#include <string>
#include <vector>

namespace corvane::tsfconvert {

/// Exit statuses: everything written, written with warnings, nothing written.
inline constexpr int kWritten = 0;
inline constexpr int kWrittenWithWarnings = 1;
inline constexpr int kNothingWritten = 2;

/// Runs a conversion (or --help, --version) with `arguments` (without the program's name).
/// The summary goes to `out`, warnings and errors to `err`.
int RunConvert(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

/// The arguments as a shell would take them back: plain words as they are, others in
/// single quotes (a header comment shows their control characters as '?').
std::string CommandText(const std::vector<std::string>& arguments);

/// The comment lines every written file starts with: its inputs ("Source:", the first hundred
/// by name) and the command that wrote it ("Command:").
std::vector<std::string> ProvenanceComments(const std::vector<std::string>& inputs,
                                            const std::vector<std::string>& arguments);

}  // namespace corvane::tsfconvert
