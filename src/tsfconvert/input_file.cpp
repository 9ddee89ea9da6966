#include "tsfconvert/input_file.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

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

// Large reads: a CSV export of a year of minutes is hundreds of megabytes.
constexpr std::size_t kChunk = 1u << 20;

FileDescriptor OpenInput(const std::string& path, std::uint64_t& size) {
    std::string error;
    FileDescriptor file = OpenPlainFile(path, error, &size);
    if (file.valid()) {
        return file;
    }
    if (error == "it is a folder") {
        throw ConvertError("cannot read " + path + ": it is a folder, not a file");
    }
    if (error == "it is not a plain file") {
        throw ConvertError("cannot read " + path + ": " + error);
    }
    throw ConvertError("cannot open " + path + ": " + error);
}

}  // namespace

InputFile::InputFile(std::string path)
    : path_(std::move(path)), file_(OpenInput(path_, size_)), lines_(file_.get(), size_, kChunk) {
    unsigned char magic[2] = {};
    if (size_ >= 2 && ::pread(file_.get(), magic, 2, 0) == 2 && magic[0] == 0x1f &&
        magic[1] == 0x8b) {
        throw ConvertError("cannot read " + path_ +
                           ": it is compressed with gzip; unpack it first (gunzip)");
    }
    RefuseCrLineEnds();
}

// A carriage return inside the first line, not at its end, means lines ended by CR alone:
// the whole file would read as one line, too long or with fields run together.
void InputFile::RefuseCrLineEnds() const {
    std::vector<char> head(
        static_cast<std::size_t>(std::min<std::uint64_t>(size_, kMaxLineBytes + 2)));
    const ssize_t got = ::pread(file_.get(), head.data(), head.size(), 0);
    if (got <= 0) {
        return;
    }
    const std::string_view text(head.data(), static_cast<std::size_t>(got));
    const std::string_view first = text.substr(0, text.find('\n'));
    const std::size_t cr = first.find('\r');
    if (cr != std::string_view::npos && cr + 1 < first.size()) {
        throw ConvertError(Where(path_, 1) +
                           "the file ends its lines with a carriage return alone (CR, as old Mac "
                           "programs write); convert them to LF first, for example with "
                           "tr '\\r' '\\n' < " +
                           path_ + " > " + path_ + ".lf");
    }
}

bool InputFile::Next(std::string_view& line) {
    switch (lines_.Next(line)) {
        case LineReader::Status::Line:
            return true;
        case LineReader::Status::End:
            return false;
        case LineReader::Status::TooLong:
            throw ConvertError(
                Where(path_, LineNumber()) +
                "the line is longer than 64 KiB, far longer than any line of a real data file");
        case LineReader::Status::HasNul:
            throw ConvertError(Where(path_, LineNumber()) +
                               "the line holds a NUL byte, which no text file has");
        case LineReader::Status::ReadError:
            break;
    }
    throw ConvertError("cannot read " + path_ + " after line " +
                       std::to_string(std::max<std::int64_t>(0, LineNumber() - 1)) + ": " +
                       lines_.error());
}

}  // namespace corvane::tsfconvert
