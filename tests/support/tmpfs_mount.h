#pragma once

// A private tmpfs mount for tests of full and read-only disks. Tests run as root, and root
// writes into folders whatever their mode bits say, so a read-only mount is the honest way
// to make a write fail.

#include <string>

namespace corvane::testing {

class TmpfsMount {
public:
    /// Mounts a fresh tmpfs of `sizeKiB` on a new folder under the system's temp folder.
    /// available() is false when mounting is not permitted here; tests then skip.
    explicit TmpfsMount(long sizeKiB = 1024);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool available() const { return mounted_; }
    const std::string& path() const { return path_; }
    /// The last error, for a skip message.
    const std::string& error() const { return error_; }

    bool makeReadOnly();
    bool makeWritable();

private:
    bool remount(bool readOnly);

    std::string path_;
    std::string error_;
    long sizeKiB_;
    bool mounted_ = false;
};

}  // namespace corvane::testing
