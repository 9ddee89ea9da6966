#include "tsf/line_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace corvane {

namespace {
// Room for the longest line with its CRLF, and a little more so that reads are not tiny.
constexpr std::size_t kBufferBytes = 2 * kMaxLineBytes;
}  // namespace

LineReader::LineReader(std::string_view text) : text_(text), eof_(true) {}

LineReader::LineReader(int fd, std::uint64_t limit, std::size_t bufferBytes)
    : fd_(fd), buffer_(std::max(bufferBytes, kBufferBytes)), left_(limit) {}

bool LineReader::Fill() {
    // Keep the unread rest, then read behind it.
    const std::size_t rest = text_.size() - begin_;
    if (rest > 0) {
        std::memmove(buffer_.data(), text_.data() + begin_, rest);
    }
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - rest, left_));
    const long got = wanted == 0 ? 0 : ReadSome(fd_, buffer_.data() + rest, wanted);
    if (got < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    left_ -= static_cast<std::uint64_t>(got);
    eof_ = static_cast<std::size_t>(got) < wanted || left_ == 0;
    text_ = std::string_view(buffer_.data(), rest + static_cast<std::size_t>(got));
    begin_ = 0;
    return true;
}

LineReader::Status LineReader::Next(std::string_view& line) {
    for (;;) {
        const std::string_view rest = text_.substr(begin_);
        const std::size_t newline = rest.find('\n');
        if (skipping_) {
            // The rest of a line reported as too long, passed over a buffer at a time.
            begin_ = newline == std::string_view::npos ? text_.size() : begin_ + newline + 1;
            skipping_ = newline == std::string_view::npos && !eof_;
            if (skipping_ && !Fill()) {
                return Status::ReadError;
            }
            continue;
        }
        if (newline == std::string_view::npos && !eof_) {
            if (rest.size() <= kMaxLineBytes + 1) {
                if (!Fill()) {
                    ++lineNumber_;
                    return Status::ReadError;
                }
                continue;
            }
            // Longer than any line may be: said at once (a caller may stop here, even on an
            // endless line), passed over on the next call.
            ++lineNumber_;
            skipping_ = true;
            return Status::TooLong;
        }
        if (rest.empty() && eof_) {
            return Status::End;
        }
        const std::size_t length = newline == std::string_view::npos ? rest.size() : newline;
        line = rest.substr(0, length);
        begin_ += newline == std::string_view::npos ? length : length + 1;
        ++lineNumber_;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (lineNumber_ == 1 && line.starts_with("\xEF\xBB\xBF")) {
            line.remove_prefix(3);
        }
        if (line.size() > kMaxLineBytes) {
            return Status::TooLong;
        }
        if (line.find('\0') != std::string_view::npos) {
            return Status::HasNul;
        }
        return Status::Line;
    }
}

std::string LineReader::Reason(Status status) const {
    switch (status) {
        case Status::TooLong:
            return "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes";
        case Status::HasNul:
            return "the line holds a NUL byte, which no text of this file may hold";
        case Status::ReadError:
            return "the file cannot be read: " + error_;
        case Status::Line:
        case Status::End:
            break;
    }
    return {};
}

FileDescriptor OpenTextInput(const std::string& path, std::string& error) {
    if (path == "-") {
        const int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
        if (fd < 0) {
            error = std::strerror(errno);
        }
        return FileDescriptor(fd);
    }
    return OpenPlainFile(path, error);
}

}  // namespace corvane
