#pragma once

// batchrun's file access: it reads only plain files (a folder, a named pipe or a device as a
// script or a source never blocks and never runs without end) and replaces a file only once
// its new content is complete.

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace corvane::batchrun {

/// `text` in double quotes for a message; beyond 200 bytes it is cut at a whole UTF-8
/// character and ends in "...", so a huge name cannot flood the console.
std::string Quoted(std::string_view text);

/// Opens a plain file (or a link to one) for reading, close-on-exec; a named pipe never
/// blocks the opening. Returns the descriptor and fills `info`, or returns -1 with `reason`
/// naming the path and what is wrong with it.
int OpenPlainFile(const std::string& path, struct stat& info, std::string& reason);

/// Copies the plain file `source` to `target`, as the Windows shell's copy does: an existing
/// file is replaced, and a folder as target receives the copy under the source's name. The
/// copy is written beside the file it replaces and renamed over it once complete, so a copy
/// that fails leaves the target exactly as it was. Returns why the copy failed, empty when
/// it succeeded.
std::string CopyPlainFile(const std::string& source, const std::string& target);

}  // namespace corvane::batchrun
