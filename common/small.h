// Small routines single windows call: birth-number dates, address splitting, time
// texts, "name : value;" item lists and digit boxes of printed forms.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// Trims the birth number and drops its "/" (both written back); date = DD.MM.YYYY
// from its YYMMDD head (months raised by 50 lowered again, century 19 for years
// above 30, else 20); suffix = characters 7-10. A blank birth number empties both.
void BirthNumberToDate(std::string& birthNumber, std::string& suffix, std::string& date);

// true when s holds anything but the digits and blanks.
bool HasNonDigit(std::string_view s);

// Splits an address line (24 significant characters) into the street and the house
// number. The number starts at a digit 1-9 after which, up to position 24, only
// digits, blanks and "/" stand; it runs on through digits, "/" and the Roman "I",
// "V", "X". Without such a digit the number is empty.
void SplitAddressNumber(std::string_view address, std::string& street, std::string& number);

// The time as HH:MM:SS.mmm, and today with the time as YYMMDD-HHMMSS.
std::string TimeText();
std::string TimestampText();
// end - start of two HH:MM:SS.mmm texts in the same form; across midnight the
// difference counts on into the next day.
std::string ElapsedTimeText(std::string_view start, std::string_view end);

// Where ParseItemList found its item: the 1-based position of the key in the text
// that remained at the last search, and the characters from there to just past
// the separator (to the end when there is none). Both 0 when nothing was found.
struct ItemListPosition {
  std::int32_t found = 0;
  std::int32_t length = 0;
};

// The value of key in a list such as "NAME : value;CITY : value;" (key compared in
// Czech upper case). After the key " :", ":" or a blank must follow, else the search
// goes on after it; the value runs to the separator (";" when empty), leading
// blanks removed, its case as written. Only 255 characters after the key count.
std::string ParseItemList(std::string_view key, std::string_view text, std::string_view separator = ";",
                          ItemListPosition* position = nullptr);
// The same with the key matched exactly as written.
std::string ParseItemListExact(std::string_view key, std::string_view text, std::string_view separator = ";",
                               ItemListPosition* position = nullptr);

// Digit boxes of payment forms from n formatted "@@@@@@@@@@-": units, tens,
// hundreds, then thousands with ten-thousands and hundred-thousands with millions
// as two-digit numbers.
std::array<std::uint16_t, 5> SplitNumberDigits(double n);

}  // namespace common
