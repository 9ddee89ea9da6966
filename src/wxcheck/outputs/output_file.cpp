#include "wxcheck/outputs/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tsf/text_scan.h"

namespace corvane::wxcheck {

namespace {

constexpr std::size_t kBufferBytes = 256 * 1024;

std::string Resolved(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    return real ? std::string(real.get()) : path;
}

// ".NAME.PID-N-N.tmp" beside the target (TemporaryTag::Numbered).
std::string TemporaryName(const std::string& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    return TemporaryStem(target) + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
           "-" + std::to_string(attempt) + ".tmp";
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)), target_(Resolved(path_)) {
    struct stat info {};
    if (::stat(target_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        Fail(S_ISDIR(info.st_mode) ? "it is a folder"
                                   : "it is not a plain file, and is never written over");
        return;
    }
    for (unsigned attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = TemporaryName(target_, attempt);
        // Registered before it exists: a signal in between finds nothing to remove.
        registration_.Register(temporary_);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd_ < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd_ < 0) {
        const int reason = errno;
        registration_.Release();
        temporary_.clear();
        Fail(std::strerror(reason));
        return;
    }
    buffer_.reserve(kBufferBytes);
}

OutputFile::~OutputFile() {
    Abandon();
}

void OutputFile::Fail(const char* reason) {
    if (error_.empty()) {
        error_ = Excerpt(path_) + ": cannot write the file: " + reason;
    }
}

void OutputFile::Write(std::string_view text) {
    if (fd_ < 0 || !ok()) {
        return;
    }
    if (buffer_.size() + text.size() > kBufferBytes) {
        Flush();
    }
    // A large piece goes to the file as it is, never through a grown buffer.
    if (text.size() >= kBufferBytes) {
        WriteAll(text);
    } else {
        buffer_.append(text);
    }
}

void OutputFile::WriteAll(std::string_view text) {
    std::size_t done = 0;
    while (done < text.size() && ok()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Fail(n < 0 ? std::strerror(errno) : "nothing could be written");
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
}

void OutputFile::Flush() {
    WriteAll(buffer_);
    buffer_.clear();
}

bool OutputFile::Finish() {
    if (fd_ < 0) {
        return false;
    }
    Flush();
    // On the disk before it takes the target's name: a crash then leaves the old file or the
    // new one, never an empty one.
    if (ok() && ::fsync(fd_) != 0) {
        Fail(std::strerror(errno));
    }
    if (::close(fd_) != 0) {
        Fail(std::strerror(errno));
    }
    fd_ = -1;
    if (!ok()) {
        Abandon();
    }
    return ok();
}

bool OutputFile::Publish() {
    if (!ok() || temporary_.empty()) {
        return false;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail(std::strerror(errno));
        Abandon();
        return false;
    }
    registration_.Release();
    temporary_.clear();
    return true;
}

bool OutputFile::Commit() {
    return Finish() && Publish();
}

void OutputFile::Abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        registration_.Release();
        temporary_.clear();
    }
    buffer_.clear();
}

std::vector<std::string> OutputFile::CommitTogether(std::initializer_list<OutputFile*> files) {
    bool complete = true;
    for (OutputFile* file : files) {
        complete = file->Finish() && complete;
    }
    std::vector<std::string> errors;
    for (OutputFile* file : files) {
        if (complete) {
            file->Publish();
        } else {
            file->Abandon();
        }
        if (!file->ok()) {
            errors.push_back(file->error());
        }
    }
    return errors;
}

std::size_t OutputFile::SweepStale(const std::vector<std::string>& paths) {
    // Folder by folder, each read once: the names of the outputs that lie in it.
    std::vector<std::pair<std::string, std::vector<std::string>>> folders;
    for (const std::string& path : paths) {
        const std::string stem = TemporaryStem(Resolved(path));
        const std::size_t dot = stem.rfind("/.");
        std::string folder = dot == std::string::npos ? "" : stem.substr(0, dot + 1);
        std::string name = stem.substr(folder.size() + 1, stem.size() - folder.size() - 2);
        auto found = std::find_if(folders.begin(), folders.end(),
                                  [&](const auto& f) { return f.first == folder; });
        if (found == folders.end()) {
            folders.emplace_back(std::move(folder), std::vector<std::string>());
            found = folders.end() - 1;
        }
        found->second.push_back(std::move(name));
    }
    std::size_t removed = 0;
    for (const auto& [folder, names] : folders) {
        removed += SweepStaleTemporaries(folder, TemporaryTag::Numbered, [&](std::string_view n) {
            return std::find(names.begin(), names.end(), n) != names.end();
        });
    }
    return removed;
}

void OutputFile::RemoveEarlier(const std::string& path) {
    struct stat status {};
    if (!path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        ::unlink(path.c_str());
    }
}

}  // namespace corvane::wxcheck
