// Text operations on fixed-width Windows-1250 fields (a blank is byte 32 only),
// Czech upper case, and the check digits of birth numbers and bank accounts.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// n copies of ch, at most 255; empty for n <= 0.
std::string FillChars(std::int32_t n, char ch);
// n blanks, at most 255.
std::string Spaces(std::uint16_t n);
std::string StripRightSp(std::string_view s);
std::string StripLeftSp(std::string_view s);
std::string RemoveSpaces(std::string_view s);
// Leading blanks dropped, inner runs of blanks made one blank (a trailing run
// leaves one blank).
std::string CollapseSpaces(std::string_view s);

// The lines of a text: split at LF, a CR before it dropped; a last line without its
// line end counts too, an empty text has no lines.
std::vector<std::string> SplitTextLines(std::string_view text);

// Only the first character of mode counts. "L"/"l": leading blanks removed, fill
// appended, the first width characters kept. "P"/"p": trailing blanks removed,
// fill put in front, the last width characters kept. Any other mode: empty.
// An empty fill counts as a blank.
std::string AlignText(std::string_view s, std::string_view mode, std::string_view fill, std::int32_t width);

// a..z and "áéíúýóěřščž" to capitals. "ů", "ď", "ť", "ň" stay as they are: lock
// keys and sort keys compared with other workstations depend on it.
std::string UpperCz(std::string_view s);

// Even positions (2, 4, ...) added, odd ones subtracted, each character read as a
// number; the difference modulo 11 with its sign (-10..10).
std::int32_t AltDigitSum11(std::string_view s);
// Czech birth number, blanks and the first "/" ignored. Nine digits: valid unless
// the month pair lies in 13..50 or above 62. Ten digits: valid when the number is
// divisible by 11, or when its first nine digits leave 10 and the last digit is 0.
bool IsBirthNumber(std::string_view s);
// 0 when one part of a bank account (prefix or number) passes the weighted
// modulo-11 test; the empty part passes, a part of value 0 fails.
std::int32_t AccountPartCheck(std::string_view s);
// true when the account passes. The text is rewritten as prefix-number (or the
// number alone), padded on the left to its old length, whether or not it passed;
// an account of value 0 is refused and left as it is.
bool IsBankAccount(std::string& account);
// true when an IBAN (blanks allowed between the groups) passes its check digits:
// the country and check digits moved to the end, letters as 10..35, modulo 97 is 1.
bool IbanCheckPasses(std::string_view iban);

}  // namespace common
