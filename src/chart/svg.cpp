#include "chart/svg.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace corvane::chart {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the UTF-8 sequence at `text[i]` and its code point, 0 when it is not UTF-8
// (overlong forms, surrogates, beyond U+10FFFF, cut short).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char c = byte(k);
        if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) {
            return 0;
        }
        code = (code << 6) | (c & 0x3Fu);
    }
    return length;
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
                case '&':
                    out += "&amp;";
                    break;
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                case '\'':
                    out += "&#39;";
                    break;
                default:
                    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                        out += kReplacement;
                    } else if (c == 0x7F) {
                        out += kReplacement;
                    } else {
                        out += static_cast<char>(c);
                    }
            }
            ++i;
            continue;
        }
        std::uint32_t code = 0;
        const std::size_t length = DecodeUtf8(text, i, code);
        // C1 controls and the two non-characters XML excludes are replaced as well.
        if (length == 0 || code < 0xA0 || code == 0xFFFE || code == 0xFFFF) {
            out += kReplacement;
            i += length == 0 ? 1 : length;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
}

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendEscaped(out, text);
    return out;
}

void AppendNumber(std::string& out, double value) {
    // Far outside any picture; keeps the text short whatever comes in.
    constexpr double kLimit = 1e6;
    if (!std::isfinite(value)) {
        value = 0;
    }
    value = std::fmax(-kLimit, std::fmin(kLimit, value));
    const long long tenths = std::llround(value * 10);
    if (tenths == 0) {
        out += '0';
        return;
    }
    char buffer[32];
    const long long whole = tenths / 10;
    const long long tenth = tenths % 10;
    char* end = buffer;
    if (tenths < 0) {
        *end++ = '-';
    }
    end = std::to_chars(end, buffer + sizeof buffer, whole < 0 ? -whole : whole).ptr;
    if (tenth != 0) {
        *end++ = '.';
        *end++ = static_cast<char>('0' + (tenth < 0 ? -tenth : tenth));
    }
    out.append(buffer, end);
}

PathData& PathData::Command(char c, double x, double y) {
    d_ += c;
    AppendNumber(d_, x);
    d_ += ' ';
    AppendNumber(d_, y);
    return *this;
}

PathData& PathData::MoveTo(double x, double y) {
    return Command('M', x, y);
}

PathData& PathData::LineTo(double x, double y) {
    return Command('L', x, y);
}

PathData& PathData::ArcTo(double r, double x, double y, bool largeArc, bool sweep) {
    d_ += 'A';
    AppendNumber(d_, r);
    d_ += ' ';
    AppendNumber(d_, r);
    d_ += largeArc ? " 0 1 " : " 0 0 ";
    d_ += sweep ? "1 " : "0 ";
    AppendNumber(d_, x);
    d_ += ' ';
    AppendNumber(d_, y);
    return *this;
}

PathData& PathData::Dot(double x, double y) {
    Command('M', x, y);
    d_ += "h0";
    return *this;
}

PathData& PathData::Close() {
    d_ += 'Z';
    return *this;
}

PathData& PathData::Rect(double x, double y, double width, double height) {
    Command('M', x, y);
    d_ += 'h';
    AppendNumber(d_, width);
    d_ += 'v';
    AppendNumber(d_, height);
    d_ += 'h';
    AppendNumber(d_, -width);
    d_ += 'Z';
    return *this;
}

SvgDocument::SvgDocument(double width, double height, std::string_view title,
                         std::string_view description)
    : width_(width), height_(height) {
    head_ += "<title>";
    AppendEscaped(head_, title);
    head_ += "</title><desc>";
    AppendEscaped(head_, description);
    head_ += "</desc>\n";
}

namespace {

void AppendAttribute(std::string& out, std::string_view name, double value) {
    out += ' ';
    out.append(name);
    out += "=\"";
    AppendNumber(out, value);
    out += '"';
}

// The caller's ready-made attributes ("fill=\"none\" ..."), after a blank.
void AppendAttributes(std::string& out, std::string_view attributes) {
    if (!attributes.empty()) {
        out += ' ';
        out.append(attributes);
    }
}

void CloseTag(std::string& out, std::string_view attributes) {
    AppendAttributes(out, attributes);
    out += "/>\n";
}

}  // namespace

void SvgDocument::Line(double x1, double y1, double x2, double y2, std::string_view attributes) {
    body_ += "<line";
    AppendAttribute(body_, "x1", x1);
    AppendAttribute(body_, "y1", y1);
    AppendAttribute(body_, "x2", x2);
    AppendAttribute(body_, "y2", y2);
    CloseTag(body_, attributes);
}

void SvgDocument::Rect(double x, double y, double width, double height,
                       std::string_view attributes) {
    body_ += "<rect";
    AppendAttribute(body_, "x", x);
    AppendAttribute(body_, "y", y);
    AppendAttribute(body_, "width", width);
    AppendAttribute(body_, "height", height);
    CloseTag(body_, attributes);
}

void SvgDocument::Circle(double cx, double cy, double r, std::string_view attributes) {
    body_ += "<circle";
    AppendAttribute(body_, "cx", cx);
    AppendAttribute(body_, "cy", cy);
    AppendAttribute(body_, "r", r);
    CloseTag(body_, attributes);
}

void SvgDocument::Path(const PathData& d, std::string_view attributes, std::string_view tooltip) {
    if (d.empty()) {
        return;
    }
    body_ += "<path d=\"";
    body_ += d.str();
    body_ += '"';
    if (tooltip.empty()) {
        CloseTag(body_, attributes);
        return;
    }
    AppendAttributes(body_, attributes);
    body_ += "><title>";
    AppendEscaped(body_, tooltip);
    body_ += "</title></path>\n";
}

void SvgDocument::Text(double x, double y, std::string_view text, std::string_view attributes) {
    body_ += "<text";
    AppendAttribute(body_, "x", x);
    AppendAttribute(body_, "y", y);
    AppendAttributes(body_, attributes);
    body_ += '>';
    AppendEscaped(body_, text);
    body_ += "</text>\n";
}

void SvgDocument::OpenGroup(std::string_view attributes) {
    body_ += "<g";
    AppendAttributes(body_, attributes);
    body_ += ">\n";
}

void SvgDocument::CloseGroup() {
    body_ += "</g>\n";
}

std::string SvgDocument::Finish() const {
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" role=\"img\"";
    AppendAttribute(out, "width", width_);
    AppendAttribute(out, "height", height_);
    out += " viewBox=\"0 0 ";
    AppendNumber(out, width_);
    out += ' ';
    AppendNumber(out, height_);
    out += "\" font-family=\"'Liberation Sans',Arial,Helvetica,sans-serif\" font-size=\"12\">\n";
    out += head_;
    out += body_;
    out += "</svg>\n";
    return out;
}

}  // namespace corvane::chart
