// Text inside the program is Windows-1250 bytes; UTF-8 only at the edges
// (file names, console, Qt, XML, JSON). These are the full standard tables.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// UTF-8 to Windows-1250. Characters the code page lacks become `missing`
// (invalid sequences too, one per bad byte).
std::string Utf8ToWin1250(std::string_view utf8, char missing = '?');

// Windows-1250 to UTF-8. The five bytes the code page leaves undefined become `missing`.
std::string Win1250ToUtf8(std::string_view cp1250, char missing = '?');

// True when `text` is valid UTF-8 and holds at least one non-ASCII character: a text
// written in UTF-8 that the program must convert before storing it as Windows-1250.
bool IsUtf8WithNonAscii(std::string_view text);
// A text received from outside, fit to print: its printable ASCII and UTF-8
// characters only (control bytes and bad sequences dropped), at most maxBytes of them.
std::string PrintableUtf8(std::string_view text, std::size_t maxBytes);
// The same for a text received as Windows-1250 (a server's reply): its bytes that are
// characters of the code page (no control bytes, no unassigned ones), at most maxBytes.
std::string PrintableWin1250(std::string_view text, std::size_t maxBytes);
// Such a text converted to Windows-1250 in place; true when it was one.
bool ConvertIfUtf8(std::string& text);

// Czech literals in the source are UTF-8; this turns one into program text.
inline std::string Cz(std::string_view utf8) { return Utf8ToWin1250(utf8); }

namespace literals {
inline std::string operator""_cz(const char* s, std::size_t n) { return Utf8ToWin1250({s, n}); }
}  // namespace literals

}  // namespace common
