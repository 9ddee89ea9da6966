#include "tsf/tsf_site.h"

#include "tsf/tsf_header.h"

namespace corvane {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The length of the UTF-8 sequence that `lead` begins; 0 for a byte that begins none.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead < 0xC2) {
        return 0;
    }
    return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
}

// The next character of UTF-8 `text` at `pos`, which moves past it. A byte that does not
// begin a well-formed sequence stands for itself, apart from every real character.
char32_t NextCharacter(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    const std::size_t length = SequenceLength(lead);
    if (length == 1) {
        ++pos;
        return lead;
    }
    bool wellFormed = length > 0 && pos + length <= text.size();
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; wellFormed && i < length; ++i) {
        wellFormed = (byte(pos + i) & 0xC0) == 0x80;
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    if (!wellFormed) {
        ++pos;
        return 0x110000 + lead;  // beyond every code point
    }
    pos += length;
    return code;
}

// The lower-case form of the capital letters of the scripts European station names use.
char32_t LowerCase(char32_t c) {
    const bool evenIsCapital =
        (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool oddIsCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
        return c + 0x20;
    }
    if ((evenIsCapital && c % 2 == 0) || (oddIsCapital && c % 2 == 1)) {
        return c + 1;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 0x50;
    }
    if (c == 0x178) {
        return 0xFF;  // Ÿ
    }
    if (c == 0x3C2) {
        return 0x3C3;  // a final sigma is a sigma
    }
    return c;
}

std::u32string Folded(std::string_view text) {
    text = TrimBlanks(text);
    std::u32string folded;
    folded.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        folded.push_back(LowerCase(NextCharacter(text, pos)));
    }
    return folded;
}

}  // namespace

std::optional<std::string> SiteOfCommentLine(std::string_view line) {
    constexpr std::string_view kKeyword = "site:";
    line = TrimBlanks(line);
    if (line.size() < kKeyword.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kKeyword.size(); ++i) {
        if (LowerCase(static_cast<unsigned char>(line[i])) != static_cast<char32_t>(kKeyword[i])) {
            return std::nullopt;
        }
    }
    std::string_view site = TrimBlanks(line.substr(kKeyword.size()));
    if (site.size() > kMaxTsfSiteLength) {
        std::size_t cut = kMaxTsfSiteLength;
        while (cut > 0 && (static_cast<unsigned char>(site[cut]) & 0xC0) == 0x80) {
            --cut;  // not inside a UTF-8 sequence
        }
        site = TrimBlanks(site.substr(0, cut));
    }
    return std::string(site);
}

bool SameSite(std::string_view first, std::string_view second) {
    return Folded(first) == Folded(second);
}

bool SitesDiffer(std::string_view first, std::string_view second) {
    return !TrimBlanks(first).empty() && !TrimBlanks(second).empty() && !SameSite(first, second);
}

std::string ReadTsfSite(const std::string& path) {
    // Any kind but "MET": the site does not depend on the variables.
    return ReadTsfHeaderFile(path, "SITE").site;
}

}  // namespace corvane
