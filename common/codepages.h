// Czech code pages: accent removal, Kamenický and code page 852 to and from
// Windows-1250, UTF-8 to and from Windows-1250, and the Czech sort key.
// All but the UTF-8 converters give a text of the same length.
#pragma once
#include <string>
#include <string_view>

namespace common {

// Accented Czech and Slovak letters to plain ones (37 letters; Ľ, ä, ô, Ä and the
// others outside the table stay).
std::string StripDiacritics(std::string_view s);

// Kamenický letters to Windows-1250; box-drawing lines become "|", "-" or blanks.
std::string KamenickyToCp1250(std::string_view s);
// Windows-1250 letters to Kamenický, as the printers expect it: "í" becomes a plain
// "i" and "ó" byte 147.
std::string Cp1250ToKamenicky(std::string_view s);

// Code page 852 and Windows-1250 by the standard correspondence; characters the
// other page lacks (box drawing, blocks, typographic marks) become blanks. Towards
// 852 the no-break space becomes 170, the middle dot 250, and the currency sign,
// not sign and dot above become blanks.
std::string Cp852ToCp1250(std::string_view s);
std::string Cp1250ToCp852(std::string_view s);

// Both UTF-8 converters use the one full Windows-1250 table of encoding.h, so every
// letter the code page has (Ľ, Ď, Ň, Ť, „ “ – § ...) converts both ways.
// UTF-8 to Windows-1250: characters the code page lacks and malformed bytes become blanks.
std::string Utf8ToCp1250(std::string_view s);
// Windows-1250 to valid UTF-8: the five undefined bytes become "?".
std::string Cp1250ToUtf8(std::string_view s);

// Czech collation key of the same length: the first "CH", "Ch" and "ch" count as
// one letter after "h", accented letters sort after their base letter, capitals
// just before small letters, everything else after "ž". Compare keys byte by byte.
std::string CzSortKey(std::string_view s);

}  // namespace common
