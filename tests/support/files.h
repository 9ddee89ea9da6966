#pragma once

// Files for tests: a scratch folder removed with everything in it, and whole files read and
// written as bytes.

#include <filesystem>
#include <string>
#include <string_view>

namespace corvane::testing {

/// A new folder under the system's temp folder, removed with its contents at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    /// Ends in '/'.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

/// The whole file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
/// Creates or replaces the file with `text`; a failure fails the test.
void WriteFile(const std::filesystem::path& path, std::string_view text);

}  // namespace corvane::testing
