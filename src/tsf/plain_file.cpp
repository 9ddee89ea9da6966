#include "tsf/plain_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvane {

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.Release();
    }
    return *this;
}

FileDescriptor OpenPlainFile(const std::string& path, std::string& error, std::uint64_t* size) {
    if (path.empty()) {
        error = "no file is given";
        return FileDescriptor();
    }
    // Non-blocking, so that a named pipe opens at once and is refused by its type below;
    // the type is taken from the descriptor, so the file cannot be swapped in between.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.valid()) {
        error = std::strerror(errno);
        return file;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        error = std::strerror(errno);
        return FileDescriptor();
    }
    if (!S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a plain file";
        return FileDescriptor();
    }
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error = std::strerror(errno);
        return FileDescriptor();
    }
    if (size != nullptr) {
        *size = static_cast<std::uint64_t>(info.st_size);
    }
    return file;
}

long ReadSome(int fd, char* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

}  // namespace corvane
