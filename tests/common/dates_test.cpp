#include "common/dates.h"

#include <gtest/gtest.h>

#include <clocale>

#include "common/clock.h"

using namespace common;

TEST(DateValidity, DateHasError) {
  struct Case { const char* date; bool error; };
  const Case cases[] = {
      {"290200", false}, {"290204", false}, {"290201", true},   // leap years on the 2-digit year
      {"310424", true},  {"300424", false}, {"310124", false},
      {"000124", true},  {"011324", true},  {"010024", true},   {"320124", true},
      {"", false},       {"      ", false}, {"000000", false},  {"00000000", false},
      {"01 01 24", false},                                      // blanks are ignored
      {"0101241", true}, {"01012", true},
      {"1a0124", true},  {"01a124", true},  {"01012x", true},   {"-10124", true},
      {"31122024", false}, {"31121999", false}, {"01012124", true},  // centuries 19 and 20 only
      {"29021996", false}, {"29022000", false}, {"29021999", true},
      {"29021900", false},                                      // the 2-digit rule: 00 is a leap year
  };
  for (const auto& c : cases) EXPECT_EQ(DateHasError(c.date), c.error) << '"' << c.date << '"';
}

TEST(DateValidity, TimeHasError) {
  struct Case { const char* time; bool error; };
  const Case cases[] = {
      {"246060", false}, {"250000", true},   {"006100", true},   {"000061", true},
      {"123045", false}, {"12:30:45", false}, {"24:60:60", false}, {"25:00:00", true},
      {"", false},       {"      ", false},  {"000000", false},  {"  :  :  ", false},
      {"12a045", true},  {"1230", true},     {"1230456", true},
  };
  for (const auto& c : cases) EXPECT_EQ(TimeHasError(c.time), c.error) << '"' << c.time << '"';
}

TEST(DateForms, Conversions) {
  EXPECT_EQ(SwapDate("311224"), "241231");
  EXPECT_EQ(SwapDate("241231"), "311224");
  EXPECT_EQ(DateWithDots("311224"), "31.12.24");
  EXPECT_EQ(DateWithDots("l20195"), "12.01.95");
  EXPECT_EQ(DateWithDots("O1019l"), "01.01.9l");   // only the first digit of day and year is mended
  EXPECT_EQ(DateWithDots("0102O5"), "01.02.05");
  EXPECT_EQ(DateWithDots("000000"), "        ");
  EXPECT_EQ(DateWithDots(""), "        ");
  EXPECT_EQ(DateWithDots("      "), "        ");
  EXPECT_EQ(RepairDateDigits("l2O1O5"), "12O105");
  EXPECT_EQ(RepairDateDigits("l2345"), "l2345");    // only 6-character texts
  EXPECT_EQ(DateNoDots("31.12.24"), "311224");
  EXPECT_EQ(DateNoDots("31.12.2024"), "311220");
  EXPECT_EQ(TimeWithColons("093005"), "09:30:05");
  EXPECT_EQ(PackTime("09:30:05"), "093005");
  EXPECT_EQ(AddCentury("391231"), "20391231");
  EXPECT_EQ(AddCentury("400101"), "19400101");
  EXPECT_EQ(AddCentury("000101"), "20000101");
  EXPECT_EQ(AddCentury("99123"), "99123");          // not 6 long: unchanged
  EXPECT_EQ(Date6To8("311299"), "31122099");        // always century 20
  EXPECT_EQ(Date6To8("      "), "        ");
  EXPECT_EQ(Date8To6("31122024"), "311224");
  EXPECT_EQ(Date8To6("311224"), "311224");
  EXPECT_EQ(Date8ToIso("31122024"), "20241231");
  EXPECT_EQ(IsoToDate8("20241231"), "31122024");
  EXPECT_EQ(DateIsoToDots("20241231"), "31.12.2024");
  EXPECT_EQ(DateLongText("311224"), "31.12.2024");
  EXPECT_EQ(DateLongText("010185"), "01.01.1985");
  EXPECT_EQ(DateLongText("000000"), "          ");
  EXPECT_EQ(DateLongText("        "), "          ");
  EXPECT_EQ(DateLongText(""), "          ");
}

TEST(DateTyped, NormalizeDate) {
  struct Case { const char* typed; const char* want; };
  const Case cases[] = {
      {"7.3.2024", "070324"}, {"07.03.24", "070324"}, {"070324", "070324"}, {"7/3/24", "070324"},
      {"7-3-24", "070324"},   {"7,3,24", "070324"},   {" 7. 3. 24 ", "070324"}, {"O7.O3.24", "070324"},
      {"l7.03.24", "170324"}, {"o7o324", "070324"},   {".7.3.24", "070324"},  {"29.2.23", "      "},
      {"29.2.24", "290224"},  {"", "      "},         {"000000", "      "},  {"31.4.24", "      "},
      {"7.3", "      "},      {"ab", "      "},       {"7.3.4", "070304"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeDate(c.typed), c.want) << '"' << c.typed << '"';
}

TEST(DateTyped, NormalizeDateLongAndNumberText) {
  EXPECT_EQ(NormalizeDateLong("7.3.2024"), "07032024");
  EXPECT_EQ(NormalizeDateLong("7.3.24"), "070324");
  EXPECT_EQ(NormalizeDateLong("31.4.24"), "310424");  // no validity test
  EXPECT_EQ(NormalizeDateLong(""), "      ");
  EXPECT_EQ(NormalizeDateLong("0.0.0000"), "        ");
  EXPECT_EQ(NormalizeNumberText("7.3.2024"), "07032024");
  EXPECT_EQ(NormalizeNumberText("7/3/4"), "070304");
  EXPECT_EQ(NormalizeNumberText("  "), "");
  EXPECT_EQ(NormalizeNumberText("12.11.19876"), "12111987");
}

TEST(DateTyped, NormalizeTime) {
  struct Case { const char* typed; const char* want; };
  const Case cases[] = {
      {"9:5", "090500"},     {"9:05:30", "090530"}, {"09.05.3", "090503"}, {"0905", "090500"},
      {"", "000000"},        {"23", "230000"},      {"12:30:45:99", "123045"},
      {"25:00", "      "},   {"9:61", "      "},    {"24:60:60", "246060"}, {"9 5", "      "},
      {"1234567", "123456"}, {"12/3", "120300"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeTime(c.typed), c.want) << '"' << c.typed << '"';
}

TEST(DateClock, TodayAndTimeFromTheClock) {
  FakeClock clock({2024, 3, 7, 9, 5, 7, 250});
  ScopedClock scoped(clock);
  EXPECT_EQ(TodayText(), "07.03.24");
  EXPECT_EQ(TimeText12(), "09:05:07");
  clock.Set({2000, 12, 31, 23, 59, 59, 999});
  EXPECT_EQ(TodayText(), "31.12.00");
  EXPECT_EQ(TimeText12(), "23:59:59");
}

TEST(DateClock, TodayDoesNotDependOnTheLocale) {
  FakeClock clock({2024, 11, 2, 14, 0, 0, 0});
  ScopedClock scoped(clock);
  const std::string before = TodayText();
  // A month-first locale must not swap day and month (when the machine has one).
  if (std::setlocale(LC_ALL, "en_US.UTF-8") != nullptr) {
    EXPECT_EQ(TodayText(), "02.11.24");
    EXPECT_EQ(TimeText12(), "14:00:00");
    std::setlocale(LC_ALL, "C");
  }
  EXPECT_EQ(before, "02.11.24");
}
