#include "tsf/text_scan.h"

#include <charconv>

namespace corvane {

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
// std::errc::invalid_argument also when anything is left.
template <typename Number>
std::errc ParseWhole(std::string_view text, Number& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') {
            return std::errc::invalid_argument;
        }
    }
    const auto [ptr, ec] = std::from_chars(first, last, value);
    return ptr == last && first != last ? ec : std::errc::invalid_argument;
}

}  // namespace

bool ParseDouble(std::string_view text, double& value) {
    return ParseWhole(text, value) == std::errc();
}

const char* NumberProblem(std::string_view text) {
    double value = 0;
    return ParseWhole(text, value) == std::errc::result_out_of_range ? "is out of range"
                                                                     : "is not a number";
}

bool ParseInt(std::string_view text, std::int64_t& value) {
    return ParseWhole(text, value) == std::errc();
}

std::string ShownText(std::string_view text) {
    const auto control = [&](std::size_t i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            return 1;
        }
        // U+0080 to U+009F are 0xC2 0x80 to 0xC2 0x9F in UTF-8.
        const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                        (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
        return c1 ? 2 : 0;
    };
    std::size_t i = 0;
    while (i < text.size() && control(i) == 0) {
        ++i;
    }
    if (i == text.size()) {
        return std::string(text);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out(text.substr(0, i));
    while (i < text.size()) {
        const int length = control(i);
        const auto c = static_cast<unsigned char>(text[i]);
        if (length == 0) {
            out += text[i++];
        } else if (length == 2) {
            const auto code = static_cast<unsigned char>(text[i + 1]);
            out += "\\u00";
            out += kHex[code >> 4];
            out += kHex[code & 0xF];
            i += 2;
        } else if (c == '\t' || c == '\n' || c == '\r') {
            out += c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r";
            ++i;
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            ++i;
        }
    }
    return out;
}

std::string Excerpt(std::string_view text) {
    constexpr std::size_t kHead = 96;
    constexpr std::size_t kTail = 100;
    if (text.size() <= kHead + kTail + 8) {
        return ShownText(text);
    }
    const auto continuation = [&](std::size_t at) {
        return (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
    };
    std::size_t head = kHead;
    while (head > 0 && continuation(head)) {
        --head;
    }
    std::size_t tail = text.size() - kTail;
    while (tail < text.size() && continuation(tail)) {
        ++tail;
    }
    std::string out(text.substr(0, head));
    out += "...";
    out.append(text.substr(tail));
    return ShownText(out);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path.append(name);
    return path;
}

}  // namespace corvane
