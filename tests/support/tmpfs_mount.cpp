#include "support/tmpfs_mount.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace corvane::testing {

TmpfsMount::TmpfsMount(long sizeKiB) : sizeKiB_(sizeKiB) {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-tmpfs-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        error_ = std::string("mkdtemp: ") + std::strerror(errno);
        return;
    }
    path_ = buffer.data();
    std::string options = "size=" + std::to_string(sizeKiB_) + "k,mode=0755";
    if (mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        error_ = std::string("mount tmpfs: ") + std::strerror(errno);
        rmdir(path_.c_str());
        return;
    }
    mounted_ = true;
}

TmpfsMount::~TmpfsMount() {
    if (mounted_) {
        umount2(path_.c_str(), MNT_DETACH);
    }
    if (!path_.empty()) {
        rmdir(path_.c_str());
    }
}

bool TmpfsMount::remount(bool readOnly) {
    if (!mounted_) {
        return false;
    }
    std::string options = "size=" + std::to_string(sizeKiB_) + "k,mode=0755";
    unsigned long flags = MS_REMOUNT;
    if (readOnly) {
        flags |= MS_RDONLY;
    }
    if (mount("tmpfs", path_.c_str(), "tmpfs", flags, options.c_str()) != 0) {
        error_ = std::string("remount: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool TmpfsMount::makeReadOnly() { return remount(true); }
bool TmpfsMount::makeWritable() { return remount(false); }

}  // namespace corvane::testing
