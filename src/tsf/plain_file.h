#pragma once

// Opening a file that the program reads from outside: only a plain file (or a link to one)
// is read. A named pipe would block the opening until some program writes into it, and a
// device may never end.

#include <cstdint>
#include <string>

namespace corvane {

/// An open file descriptor, closed when it goes out of scope.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

/// Opens `path` for reading, close-on-exec, when it is a plain file; `size` receives its size
/// at the opening. Otherwise an invalid descriptor and the reason in `error`: "it is a
/// folder", "it is not a plain file" or the system's reason. Never waits for a writer.
FileDescriptor OpenPlainFile(const std::string& path, std::string& error,
                             std::uint64_t* size = nullptr);

/// Reads up to `size` bytes, retrying interrupted and short reads; the count read (0 at the
/// end of the file), or -1 with errno set.
long ReadSome(int fd, char* buffer, std::size_t size);

}  // namespace corvane
