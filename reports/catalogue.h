// The report catalogue "listw.tab" of the program folder: one line per report code,
// characters 1-8 the code ("*" matches any character), the title from character 19
// when character 18 is "|", else from character 10.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace reports {

inline constexpr char kCatalogueName[] = "listw.tab";
inline constexpr int kCatalogueCodeLength = 8;
inline constexpr int kCatalogueTitleLength = 50;

// The code (characters 1-8 of a line) against the first 8 characters of a name: same
// length, "*" on either side matches, letters compared upper-cased on both sides
// (so "ARl" of an archive's l part matches "ARL").
bool CatalogueCodeMatches(std::string_view code, std::string_view nameStart);
// The title of a catalogue line, up to 50 characters, blank-padded to 50.
std::string CatalogueTitle(std::string_view line);

// The catalogue's full name (program folder).
std::string CatalogueFile();
// Reads the catalogue's lines (line ends removed); a missing file gives none. One that
// cannot be read or is damaged (a folder, binary bytes, a last line cut) gives no lines
// and false, and is said, naming it: nothing of it is used, nor rewritten.
bool ReadCatalogue(std::vector<std::string>& lines);
// Rewrites the catalogue whole with CR LF line ends; 0 or the I/O code.
int WriteCatalogue(const std::vector<std::string>& lines);

// Titles for names: for every name the title of the last matching line, cut to
// `width`; blanks when none. A catalogue that cannot be used gives one message.
std::vector<std::string> CatalogueTitles(const std::vector<std::string>& names, int width);

}  // namespace reports
