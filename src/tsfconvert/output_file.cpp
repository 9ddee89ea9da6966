#include "tsfconvert/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tsfconvert/input_file.h"

namespace corvane::tsfconvert {

void CheckOutputPath(const std::string& output, const std::vector<std::string>& inputs) {
    namespace fs = std::filesystem;
    struct stat out {};
    const bool exists = ::stat(output.c_str(), &out) == 0;
    if (exists && S_ISDIR(out.st_mode)) {
        throw ConvertError("cannot write " + output + ": it is a folder");
    }
    // Renaming over a device or a FIFO would replace the node itself.
    if (exists && !S_ISREG(out.st_mode)) {
        throw ConvertError("cannot write " + output + ": it is not a plain file");
    }
    const auto normal = [](const std::string& path) {
        std::error_code error;
        const fs::path absolute = fs::absolute(path, error);
        return fs::weakly_canonical(absolute, error).lexically_normal();
    };
    for (const std::string& input : inputs) {
        struct stat in {};
        const bool same = exists && ::stat(input.c_str(), &in) == 0
                              ? in.st_dev == out.st_dev && in.st_ino == out.st_ino
                              : normal(input) == normal(output);
        if (same) {
            throw ConvertError("the output " + output + " is the input " + input +
                               "; write the TSF file under another name");
        }
    }
}

namespace {

// The file a link names is the one replaced: the link stays a link. A dangling link, whose
// target cannot be resolved, is replaced itself.
std::string LinkTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string target(real);
    std::free(real);
    return target;
}

// ".NAME.PID-XXXXXX.tmp" beside `target` (a template for mkstemps; TemporaryTag::Random).
std::string TemporaryTemplate(const std::string& target) {
    return TemporaryStem(target) + std::to_string(::getpid()) + "-XXXXXX.tmp";
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace

ReplacingFile::ReplacingFile(std::string path)
    : path_(std::move(path)), target_(LinkTarget(path_)) {
    temporary_ = TemporaryTemplate(target_);
    fd_ = ::mkstemps(temporary_.data(), 4);
    if (fd_ < 0) {
        const int reason = errno;
        temporary_.clear();
        throw ConvertError("cannot write " + path_ + ": " + std::strerror(reason));
    }
    registration_.Register(temporary_);
    // mkstemp makes the file private; the output gets the modes of any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd_, 0666 & ~mask) != 0) {
        Fail(std::strerror(errno));
    }
}

ReplacingFile::~ReplacingFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
    registration_.Release();
}

void ReplacingFile::Fail(const std::string& what) {
    throw ConvertError("cannot write " + path_ + ": " + what);
}

void ReplacingFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail(std::strerror(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void ReplacingFile::Commit() {
    // On the disk before the name points at it: a crash leaves the old file or the new one.
    if (::fsync(fd_) != 0) {
        Fail(std::strerror(errno));
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        Fail(std::strerror(errno));
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail(std::strerror(errno));
    }
    registration_.Release();
    temporary_.clear();
}

void SweepStaleTemporaries(const std::string& output) {
    const std::string stem = TemporaryStem(LinkTarget(output));
    const std::string folder = FolderOf(stem);
    const std::string name = stem.substr(folder.size() + 1, stem.size() - folder.size() - 2);
    corvane::SweepStaleTemporaries(folder, TemporaryTag::Random,
                                   [&](std::string_view n) { return n == name; });
}

void SweepStaleStationTemporaries(const std::string& folder, const std::string& suffix) {
    corvane::SweepStaleTemporaries(folder, TemporaryTag::Random,
                                   [&](std::string_view n) { return n.ends_with(suffix); });
}

void WriteTsfFile(const std::string& path, const Series& series,
                  const std::vector<HourlyRecord>& records, const TsfHeaderText& header) {
    ReplacingFile file(path);
    std::string text = FormatTsfHeader(series.variables, records.front().end, records.back().end,
                                       records.size(), header);
    TsfRecordWriter lines;
    // Written in batches: a century of hours would otherwise be held as one text.
    constexpr std::size_t kBatch = 16384;
    for (std::size_t first = 0; first < records.size(); first += kBatch) {
        for (std::size_t r = first; r < std::min(records.size(), first + kBatch); ++r) {
            lines.Append(text, records[r].end, series.ValuesOf(records[r].observation),
                         series.variables.size());
        }
        file.Write(text);
        text.clear();
    }
    file.Commit();
}

}  // namespace corvane::tsfconvert
