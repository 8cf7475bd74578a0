// Dates and times as fixed-width digit texts: DDMMYY (typed), YYMMDD (record
// keys), DDMMYYYY, YYYYMMDD and HHMMSS, shown as DD.MM.YY, DD.MM.YYYY and HH:MM:SS.
// February has 29 days when the two-digit year is divisible by 4.
#pragma once
#include <string>
#include <string_view>

namespace common {

// Today as DD.MM.YY and the time as HH:MM:SS (24 hours), from the current clock.
std::string TodayText();
std::string TimeText12();

// DDMMYY <-> YYMMDD: characters 5-6, 3-4, 1-2.
std::string SwapDate(std::string_view s);
// A 6-character date with "l"/"O" typed for the first digit of day or year mended;
// "000000" becomes blanks.
std::string RepairDateDigits(std::string_view s);
// DDMMYY -> DD.MM.YY; a blank date gives 8 blanks.
std::string DateWithDots(std::string_view s);
// DD.MM.YY -> DDMMYY.
std::string DateNoDots(std::string_view s);
// HHMMSS -> HH:MM:SS and back.
std::string TimeWithColons(std::string_view s);
std::string PackTime(std::string_view s);
// YYMMDD -> YYYYMMDD, years below "40" in 20YY; other lengths unchanged.
std::string AddCentury(std::string_view s);
// DDMMYY -> DDMMYYYY, always 20YY; a blank date gives 8 blanks.
std::string Date6To8(std::string_view s);
// DDMMYYYY -> DDMMYY; other lengths unchanged.
std::string Date8To6(std::string_view s);
// DDMMYYYY -> YYYYMMDD, YYYYMMDD -> DDMMYYYY, YYYYMMDD -> DD.MM.YYYY.
std::string Date8ToIso(std::string_view s);
std::string IsoToDate8(std::string_view s);
std::string DateIsoToDots(std::string_view s);
// DDMMYY -> DD.MM.YYYY (century by AddCentury); blank or zero dates give 10 blanks.
std::string DateLongText(std::string_view s);

// DDMMYY or DDMMYYYY (blanks ignored); an empty or all-zero date is no error. The
// 8-digit form accepts the centuries 19 and 20 only.
bool DateHasError(std::string_view s);
// HHMMSS or HH:MM:SS up to 24:60:60; empty or all-zero is no error.
bool TimeHasError(std::string_view s);

// What a user typed ("7.3.2024", "7/3/24", "070324", "O7.O3.24") to DDMMYY; 6 blanks
// when empty or not a valid date.
std::string NormalizeDate(std::string_view s);
// The same without the validity test; a year typed with more than two digits
// gives DDMMYYYY.
std::string NormalizeDateLong(std::string_view s);
// Day, month and year as typed, one-digit fields padded: "7.3.2024" -> "07032024".
std::string NormalizeNumberText(std::string_view s);
// Typed time ("9:5", "9.05.30", "0905") to HHMMSS; 6 blanks when not valid.
std::string NormalizeTime(std::string_view s);

}  // namespace common
