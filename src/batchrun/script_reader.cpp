#include "batchrun/script_reader.h"

#include <algorithm>
#include <cerrno>

namespace corvane::batchrun {

ScriptReader::ScriptReader(Source source)
    : source_(std::move(source)), buffer_(kMaxScriptLineBytes) {}

bool ScriptReader::Fill() {
    if (begin_ < end_) {
        return true;
    }
    while (error_ == 0) {
        const long count = source_(buffer_.data(), buffer_.size());
        if (count > 0) {
            begin_ = 0;
            end_ = static_cast<std::size_t>(count);
            return true;
        }
        if (count == 0) {
            return false;
        }
        if (errno != EINTR) {
            error_ = errno != 0 ? errno : EIO;
        }
    }
    return false;
}

std::optional<ScriptReader::Line> ScriptReader::Next() {
    if (lineEndedByCr_) {
        lineEndedByCr_ = false;
        if (Fill() && buffer_[begin_] == '\n') {
            ++begin_;
        }
    }
    if (!Fill()) {
        return std::nullopt;
    }
    Line line;
    line.number = ++number_;
    for (;;) {
        const char* first = buffer_.data() + begin_;
        const char* last = buffer_.data() + end_;
        const char* stop = std::find_if(first, last, [](char c) { return c == '\n' || c == '\r'; });
        const auto piece = static_cast<std::size_t>(stop - first);
        begin_ += piece;
        // A line past the limit is read to its end but not kept: its length costs time,
        // never memory.
        if (!line.tooLong && line.text.size() + piece > kMaxScriptLineBytes) {
            line.tooLong = true;
            line.text = std::string();
        }
        if (!line.tooLong) {
            line.text.append(first, piece);
        }
        if (stop != last) {
            lineEndedByCr_ = *stop == '\r';
            ++begin_;
            break;
        }
        if (!Fill()) {
            if (error_ != 0) {
                return std::nullopt;  // half a line is never run
            }
            break;
        }
    }
    // A script saved by a Windows editor may begin with a UTF-8 byte order mark; it belongs
    // to no command, and left in place it would turn the drive line into a program.
    if (line.number == 1 && line.text.starts_with("\xEF\xBB\xBF")) {
        line.text.erase(0, 3);
    }
    line.holdsNul = line.text.find('\0') != std::string::npos;
    return line;
}

}  // namespace corvane::batchrun
