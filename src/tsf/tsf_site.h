#pragma once

// The site lines of a station's two series: a TSF comment line that begins with "Site:"
// names the place the series belongs to. The wizard's dataset screen and the engine compare
// the predicted and the observed file's site by the same rule.
//
// Standard C++ only, like the header reader.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

/// Longest site text kept, in bytes; a longer one is cut at a character boundary.
inline constexpr std::size_t kMaxTsfSiteLength = 1024;

/// The site named by a header comment line: the text after "Site:" (any letter case; blanks
/// and tabs before it allowed), trimmed of blanks and tabs. nullopt for any other line.
std::optional<std::string> SiteOfCommentLine(std::string_view line);

/// True when the two site texts name the same site: equal once trimmed of blanks and tabs,
/// with letter case ignored (ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters;
/// texts are UTF-8, and bytes that are not are compared as they stand).
bool SameSite(std::string_view first, std::string_view second);

/// True when both texts name a site and the sites differ. A file without a site line (an
/// empty text) is not compared.
bool SitesDiffer(std::string_view first, std::string_view second);

/// The site of the TSF file at `path` (bytes in the file system's encoding), read from its
/// header only; empty when the file has no site line or its header cannot be read as far.
std::string ReadTsfSite(const std::string& path);

}  // namespace corvane
