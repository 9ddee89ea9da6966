#include "batchrun/plain_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace corvane::batchrun {
namespace {

std::string SystemReason(const std::string& what, const std::string& path, int error) {
    return what + " " + Quoted(path) + ": " + std::strerror(error);
}

/// Why a path that is not a plain file cannot be used as one.
std::string NotAPlainFile(const std::string& path, mode_t mode) {
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "a special file";
    return Quoted(path) + " is " + kind + ", not a plain file";
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    /// Closes now: the errno of a failed close (a late write error), else 0.
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 || errno == EINTR ? 0 : errno;
    }

private:
    int fd_;
};

/// A file created beside the one it is to replace; removed again unless it was put in place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& folder)
        : path_((folder.empty() ? std::filesystem::path(".") : folder) / ".batchrun-copy-XXXXXX"),
          fd_(::mkostemp(path_.data(), O_CLOEXEC)) {
        if (fd_.get() < 0) {
            path_.clear();
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    Descriptor& fd() { return fd_; }
    /// Renames the file over `target`: the errno of a failure, else 0.
    int PutInPlace(const std::string& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            return errno;
        }
        path_.clear();
        return 0;
    }

private:
    std::string path_;
    Descriptor fd_;
};

/// Copies all bytes of `in` into `out`. Returns why it failed, empty when it succeeded.
std::string CopyBytes(int in, const std::string& source, int out, const std::string& target) {
    std::vector<char> buffer(128 * 1024);
    for (;;) {
        const ssize_t count = ::read(in, buffer.data(), buffer.size());
        if (count == 0) {
            return {};
        }
        if (count < 0 && errno != EINTR) {
            return SystemReason("cannot read", source, errno);
        }
        for (ssize_t done = 0; done < count;) {
            const ssize_t written =
                ::write(out, buffer.data() + done, static_cast<size_t>(count - done));
            if (written < 0 && errno != EINTR) {
                return SystemReason("cannot write", target, errno);
            }
            done += std::max<ssize_t>(written, 0);
        }
    }
}

}  // namespace

std::string Quoted(std::string_view text) {
    constexpr std::size_t kShown = 200;
    std::size_t shown = text.size();
    if (shown > kShown) {
        shown = kShown;
        while (shown > 0 && (static_cast<unsigned char>(text[shown]) & 0xC0) == 0x80) {
            --shown;
        }
    }
    std::string quoted;
    quoted.reserve(shown + 5);
    quoted.append(1, '"').append(text.substr(0, shown));
    quoted.append(shown < text.size() ? "...\"" : "\"");
    return quoted;
}

int OpenPlainFile(const std::string& path, struct stat& info, std::string& reason) {
    // Checked before opening, so that a device is never opened at all, and again after, for a
    // path that changed in between.
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        reason = NotAPlainFile(path, info.st_mode);
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        reason = SystemReason("cannot open", path, errno);
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        reason = NotAPlainFile(path, info.st_mode);
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::string CopyPlainFile(const std::string& source, const std::string& target) {
    struct stat from {};
    std::string reason;
    const Descriptor in(OpenPlainFile(source, from, reason));
    if (in.get() < 0) {
        return reason;
    }
    std::string destination = target;
    struct stat to {};
    bool exists = ::stat(destination.c_str(), &to) == 0;
    if (exists && S_ISDIR(to.st_mode)) {
        // As the Windows shell does: the copy goes into the folder, under the source's name.
        destination =
            (std::filesystem::path(target) / std::filesystem::path(source).filename()).string();
        exists = ::stat(destination.c_str(), &to) == 0;
    }
    if (exists && !S_ISREG(to.st_mode)) {
        return NotAPlainFile(destination, to.st_mode) + "; it is left as it is";
    }
    if (exists && to.st_dev == from.st_dev && to.st_ino == from.st_ino) {
        return Quoted(source) + " and " + Quoted(destination) + " are the same file";
    }
    // A link to the file stays a link: the file it leads to is the one replaced.
    std::string replaced = destination;
    if (char* real = exists ? ::realpath(destination.c_str(), nullptr) : nullptr) {
        replaced = real;
        std::free(real);
    }

    TemporaryFile copy(std::filesystem::path(replaced).parent_path());
    if (copy.fd().get() < 0) {
        return SystemReason("cannot write", destination, errno);
    }
    reason = CopyBytes(in.get(), source, copy.fd().get(), destination);
    if (!reason.empty()) {
        return reason;
    }
    // Durable before it is visible: after a crash the target is the old file or the whole
    // new one, never an empty one.
    if (::fchmod(copy.fd().get(), from.st_mode & 0777) != 0 || ::fsync(copy.fd().get()) != 0) {
        return SystemReason("cannot write", destination, errno);
    }
    if (const int error = copy.fd().Close(); error != 0) {
        return SystemReason("cannot write", destination, error);
    }
    if (const int error = copy.PutInPlace(replaced); error != 0) {
        return SystemReason("cannot write", destination, error);
    }
    return {};
}

}  // namespace corvane::batchrun
