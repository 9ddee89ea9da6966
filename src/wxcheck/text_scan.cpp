#include "wxcheck/text_scan.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

namespace corvane::wxcheck {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

namespace {
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) {
            return false;
        }
    }
    return true;
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = Upper(c);
    }
    return out;
}

std::vector<std::string_view> SplitBlanks(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        const std::size_t begin = i;
        while (i < text.size() && !IsBlank(text[i])) {
            ++i;
        }
        if (i > begin) {
            fields.push_back(text.substr(begin, i - begin));
        }
    }
    return fields;
}

namespace {

// from_chars with an optional leading '+', which it does not take itself; "+-1" stays wrong.
template <typename Number>
bool ParseWhole(std::string_view text, Number& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') {
            return false;
        }
    }
    const auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last && first != last;
}

}  // namespace

bool ParseDouble(std::string_view text, double& value) {
    return ParseWhole(text, value);
}

bool ParseInt(std::string_view text, std::int64_t& value) {
    return ParseWhole(text, value);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    // Editors on other systems may put a byte-order mark in front of the first line.
    std::size_t begin = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        begin = next;
    }
    return lines;
}

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

bool ReadWholeFile(const std::string& path, std::string& contents, std::string& error) {
    contents.clear();
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        contents.append(buffer, got);
        if (got < sizeof buffer) {
            if (std::ferror(file.get())) {
                error = std::strerror(errno);
                return false;
            }
            return true;
        }
    }
}

bool WriteWholeFile(const std::string& path, std::string_view contents, std::string& error) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = std::strerror(written ? errno : writeErrno);
        // A cut-off file must not stand under the name: the run script copies the list
        // file to the completion marker, and the wizard would report a run that failed.
        std::remove(path.c_str());
        return false;
    }
    return true;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path.append(name);
    return path;
}

}  // namespace corvane::wxcheck
