#include "common/small.h"

#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/encoding.h"

using namespace common;
using namespace common::literals;

TEST(SmallRoutinesBirthNumber, DateAndSuffix) {
  struct Case { const char* in; const char* number; const char* suffix; const char* date; };
  const Case cases[] = {
      {"855612/1234", "8556121234", "1234", "12.06.1985"},
      {"  0152011234 ", "0152011234", "1234", "01.02.2001"},
      {"015201", "015201", "", "01.02.2001"},
      {"300101/123", "300101123", "123", "01.01.2030"},   // year 30 stays in 20..
      {"310101/123", "310101123", "123", "01.01.1931"},
      {"806115/0012", "8061150012", "0012", "15.11.1980"},
      {"85", "85", "", "..2085"},                          // too short: no month or century to mend
  };
  for (const auto& c : cases) {
    std::string number = c.in, suffix = "x", date = "x";
    BirthNumberToDate(number, suffix, date);
    EXPECT_EQ(number, c.number) << c.in;
    EXPECT_EQ(suffix, c.suffix) << c.in;
    EXPECT_EQ(date, c.date) << c.in;
  }
  for (const char* blank : {"", "    "}) {
    std::string number = blank, suffix = "old", date = "old";
    BirthNumberToDate(number, suffix, date);
    EXPECT_EQ(number, "");
    EXPECT_EQ(suffix, "");
    EXPECT_EQ(date, "");
  }
}

TEST(SmallRoutinesText, HasNonDigit) {
  EXPECT_FALSE(HasNonDigit("12 34"));
  EXPECT_FALSE(HasNonDigit(""));
  EXPECT_TRUE(HasNonDigit("12-34"));
  EXPECT_TRUE(HasNonDigit("12a"));
  EXPECT_TRUE(HasNonDigit("1\t2"));
}

TEST(SmallRoutinesAddress, StreetAndNumber) {
  struct Case { const char* address; const char* street; const char* number; };
  const Case cases[] = {
      {"28. října 15/3", "28. října ", "15/3"},    // the date stays in the street
      {"Dlouhá 12", "Dlouhá ", "12"},
      {"Dlouhá 1205/10", "Dlouhá ", "1205/10"},
      {"Dlouhá", "Dlouhá", ""},
      {"Dlouhá 12a", "Dlouhá 12a", ""},            // a letter after the digits: no number
      {"Náměstí 5. května 3", "Náměstí 5. května ", "3"},
      {"Komenského 1234567890123456789", "Komenského ", "1234567890123"},  // 24 positions count
      {"", "", ""},
      {"0 Street 7", "0 Street ", "7"},            // 0 never starts a number
      {"12", "", "12"},
  };
  for (const auto& c : cases) {
    std::string street = "x", number = "x";
    SplitAddressNumber(Cz(c.address), street, number);
    EXPECT_EQ(street, Cz(c.street)) << c.address;
    EXPECT_EQ(number, c.number) << c.address;
  }
}

TEST(SmallRoutinesTime, TextsFromTheClock) {
  FakeClock clock({2024, 3, 7, 9, 5, 7, 42});
  ScopedClock scoped(clock);
  EXPECT_EQ(TimeText(), "09:05:07.042");
  EXPECT_EQ(TimestampText(), "240307-090507");
  clock.Set({1999, 12, 31, 23, 59, 59, 999});
  EXPECT_EQ(TimeText(), "23:59:59.999");
  EXPECT_EQ(TimestampText(), "991231-235959");
}

TEST(SmallRoutinesTime, ElapsedTime) {
  EXPECT_EQ(ElapsedTimeText("10:00:00.000", "10:01:02.500"), "00:01:02.500");
  EXPECT_EQ(ElapsedTimeText("08:59:59.999", "09:00:00.000"), "00:00:00.001");
  EXPECT_EQ(ElapsedTimeText("10:00:00.000", "10:00:00.000"), "00:00:00.000");
  EXPECT_EQ(ElapsedTimeText("23:59:00.000", "00:01:00.500"), "00:02:00.500");  // across midnight
}

TEST(SmallRoutinesItemList, KeysAndValues) {
  EXPECT_EQ(ParseItemList("ICO", "DICO : 1;ICO : 2"), "1");  // found inside DICO first
  EXPECT_EQ(ParseItemList("ICO", "DICOX : 1;ICO : 2"), "2");  // followed by a letter: searched again
  EXPECT_EQ(ParseItemList("mesto", "JMENO : Jan Novák;MĚSTO:  Brno ;"_cz), "");  // Ě is not E
  EXPECT_EQ(ParseItemList("město"_cz, "JMENO : Jan Novák;MĚSTO:  Brno ;"_cz), "Brno ");
  EXPECT_EQ(ParseItemList("jmeno", "JMENO : Jan Novák;MĚSTO:  Brno"_cz), "Jan Novák"_cz);
  EXPECT_EQ(ParseItemList("jmeno", "jmeno Jan|psc 110 00", "|"), "Jan");
  EXPECT_EQ(ParseItemList("psc", "jmeno Jan|psc 110 00", "|"), "110 00");
  EXPECT_EQ(ParseItemList("ICO", "ICO"), "");
  EXPECT_EQ(ParseItemList("ICO", "nothing here"), "");
  EXPECT_EQ(ParseItemList("", "ICO : 1"), "");  // an empty key finds nothing
  EXPECT_EQ(ParseItemList("ICO", ""), "");
  EXPECT_EQ(ParseItemListExact("ico", "ICO : 1;ico : 2"), "2");
  EXPECT_EQ(ParseItemListExact("ICO", "ico : 2"), "");
  // Only 255 characters after the key are looked at.
  EXPECT_EQ(ParseItemList("K", "K:" + std::string(300, 'v')), std::string(254, 'v'));
}

TEST(SmallRoutinesItemList, PositionsForTheCaller) {
  ItemListPosition pos{9, 9};
  EXPECT_EQ(ParseItemList("ICO", "NAZEV : A;ICO : 123;DIC : X", ";", &pos), "123");
  EXPECT_EQ(pos.found, 11);
  EXPECT_EQ(pos.length, 10);  // "ICO : 123;"
  EXPECT_EQ(ParseItemList("DIC", "NAZEV : A;ICO : 123;DIC : X", ";", &pos), "X");
  EXPECT_EQ(pos.found, 21);
  EXPECT_EQ(pos.length, 7);   // to the end
  EXPECT_EQ(ParseItemList("ICO", "ICOX:1;ICO:2;", ";", &pos), "2");
  EXPECT_EQ(pos.found, 5);    // within the text left after the first find: "X:1;ICO:2;"
  EXPECT_EQ(pos.length, 6);
  EXPECT_EQ(ParseItemList("ZIP", "ICO : 1", ";", &pos), "");
  EXPECT_EQ(pos.found, 0);
  EXPECT_EQ(pos.length, 0);
}

TEST(SmallRoutinesDigits, DigitBoxes) {
  using D = std::array<std::uint16_t, 5>;
  EXPECT_EQ(SplitNumberDigits(1234567), (D{7, 6, 5, 34, 12}));
  EXPECT_EQ(SplitNumberDigits(42), (D{2, 4, 0, 0, 0}));
  EXPECT_EQ(SplitNumberDigits(0), (D{0, 0, 0, 0, 0}));
  EXPECT_EQ(SplitNumberDigits(-905), (D{5, 0, 9, 0, 0}));
  EXPECT_EQ(SplitNumberDigits(987654321), (D{1, 2, 3, 54, 76}));
}
