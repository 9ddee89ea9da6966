#include "tsfconvert/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace corvane::tsfconvert {

std::string Quoted(std::string_view text) {
    constexpr std::size_t kShown = 200;
    std::string out = "\"";
    std::size_t shown = 0;
    std::size_t i = 0;
    for (; i < text.size() && shown < kShown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // Continuation bytes of UTF-8 belong to the character before: never cut inside one.
        if ((c & 0xC0) != 0x80) {
            ++shown;
        }
        if (c < 0x20 || c == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            out +=
                c == '\t' ? std::string("\\t") : std::string{'\\', 'x', kHex[c >> 4], kHex[c & 15]};
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(c);
        }
    }
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
        out += text[i++];
    }
    out += i < text.size() ? "\"..." : "\"";
    return out;
}

std::string Where(const std::string& path, std::int64_t line) {
    return path + ":" + std::to_string(line) + ": ";
}

namespace {
constexpr std::size_t kChunk = 1u << 20;
}

LineReader::LineReader(std::string path) : path_(std::move(path)) {
    struct stat info {};
    if (::stat(path_.c_str(), &info) != 0) {
        throw ConvertError("cannot open " + path_ + ": " + std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        throw ConvertError("cannot read " + path_ + ": it is a folder, not a file");
    }
    // A FIFO would wait for a writer and a device may never end: only plain files are read.
    if (!S_ISREG(info.st_mode)) {
        throw ConvertError("cannot read " + path_ + ": it is not a plain file");
    }
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        throw ConvertError("cannot open " + path_ + ": " + std::strerror(errno));
    }
    // The name may have been replaced by something else since the check above.
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd_);
        throw ConvertError("cannot read " + path_ + ": it is not a plain file");
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    buffer_.resize(kChunk);
}

LineReader::~LineReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void LineReader::FailAt(std::size_t offset, const std::string& what) const {
    const auto lines = std::count(buffer_.data() + begin_, buffer_.data() + offset, '\n');
    throw ConvertError(Where(path_, line_ + 1 + lines) + what);
}

void LineReader::Fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    // Only the bytes the file had when it was opened: a file that a logger keeps appending
    // to is read as it was, and the reading ends.
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - end_, size_ - read_));
    ssize_t got = 0;
    do {
        got = wanted == 0 ? 0 : ::read(fd_, buffer_.data() + end_, wanted);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        throw ConvertError("cannot read " + path_ + " after line " + std::to_string(line_) + ": " +
                           std::strerror(errno));
    }
    const std::size_t start = end_;
    end_ += static_cast<std::size_t>(got);
    read_ += static_cast<std::uint64_t>(got);
    if (first_ && end_ >= 2 && buffer_[0] == '\x1f' && buffer_[1] == '\x8b') {
        throw ConvertError("cannot read " + path_ +
                           ": it is compressed with gzip; unpack it first (gunzip)");
    }
    if (const void* nul = std::memchr(buffer_.data() + start, '\0', end_ - start)) {
        FailAt(static_cast<std::size_t>(static_cast<const char*>(nul) - buffer_.data()),
               "the line holds a NUL byte, which no text file has");
    }
    eof_ = got == 0;
}

void LineReader::RefuseCrLineEnds(std::string_view line) const {
    const std::size_t cr = line.find('\r');
    if (cr != std::string_view::npos && cr + 1 < line.size()) {
        throw ConvertError(Where(path_, 1) +
                           "the file ends its lines with a carriage return alone (CR, as old Mac "
                           "programs write); convert them to LF first, for example with "
                           "tr '\\r' '\\n' < " +
                           path_ + " > " + path_ + ".lf");
    }
}

bool LineReader::Next(std::string_view& line) {
    static constexpr const char* kTooLong =
        "the line is longer than 64 KiB, far longer than any line of a real data file";
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const std::size_t available = end_ - begin_;
        const void* newline = std::memchr(start, '\n', available);
        std::size_t length = available;
        if (newline != nullptr) {
            length = static_cast<std::size_t>(static_cast<const char*>(newline) - start);
        } else if (available > kMaxLineBytes + 1) {
            if (first_) {
                RefuseCrLineEnds(std::string_view(start, available));
            }
            FailAt(begin_, kTooLong);
        } else if (!eof_) {
            Fill();  // moves the unfinished line to the front: look again
            continue;
        } else if (available == 0) {
            return false;
        }
        line = std::string_view(start, length);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.size() > kMaxLineBytes) {
            FailAt(begin_, kTooLong);
        }
        begin_ += newline != nullptr ? length + 1 : length;
        ++line_;
        if (first_) {
            RefuseCrLineEnds(line);
            first_ = false;
            if (line.starts_with("\xEF\xBB\xBF")) {
                line.remove_prefix(3);
            }
        }
        return true;
    }
}

}  // namespace corvane::tsfconvert
