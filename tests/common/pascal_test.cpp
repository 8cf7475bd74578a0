#include "common/pascal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace common;

TEST(TextPascal, CopyOutOfRangeGivesEmptyAndNeverThrows) {
  struct Case { int index, count; const char* want; };
  const Case cases[] = {
      {1, 3, "abc"}, {2, 2, "bc"}, {3, 10, "cde"}, {5, 1, "e"}, {6, 1, ""}, {100, 5, ""},
      {0, 2, "ab"},  {-7, 1, "a"}, {2, 0, ""},     {2, -3, ""}, {1, std::numeric_limits<int>::max(), "abcde"},
  };
  for (const auto& c : cases) EXPECT_EQ(Copy("abcde", c.index, c.count), c.want) << c.index << "," << c.count;
  EXPECT_EQ(Copy("", 1, 1), "");
  EXPECT_EQ(CopyFrom("abcde", 4), "de");
  EXPECT_EQ(CopyFrom("abcde", 6), "");
  EXPECT_EQ(CopyFrom("abcde", -1), "abcde");
}

TEST(TextPascal, PosIsOneBasedAndEmptyNeedleIsNotFound) {
  EXPECT_EQ(Pos("c", "abcabc"), 3);
  EXPECT_EQ(Pos("c", "abcabc", 4), 6);
  EXPECT_EQ(Pos("c", "abcabc", 7), 0);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);  // never 1: callers loop on the result
  EXPECT_EQ(Pos("abcd", "abc"), 0);
  EXPECT_EQ(Pos("a", ""), 0);
}

TEST(TextPascal, DeleteAndInsert) {
  std::string s = "abcdef";
  Delete(s, 2, 2);
  EXPECT_EQ(s, "adef");
  Delete(s, 0, 2);  // index outside: nothing
  EXPECT_EQ(s, "adef");
  Delete(s, 5, 1);
  EXPECT_EQ(s, "adef");
  Delete(s, 3, 99);
  EXPECT_EQ(s, "ad");
  Insert("XY", s, 2);
  EXPECT_EQ(s, "aXYd");
  Insert("<", s, -4);
  EXPECT_EQ(s, "<aXYd");
  Insert(">", s, 100);
  EXPECT_EQ(s, "<aXYd>");
}

TEST(TextRecordField, LittleEndianIntegersAtOffsets) {
  std::string rec(16, '\0');
  PutLE<std::uint16_t>(rec, 1, 0x1234);
  PutLE<std::int32_t>(rec, 3, -2);
  PutLE<std::int64_t>(rec, 7, 0x0102030405060708LL);
  EXPECT_EQ(rec.substr(1, 2), std::string("\x34\x12", 2));
  EXPECT_EQ(rec.substr(3, 4), std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_EQ(rec.substr(7, 8), std::string("\x08\x07\x06\x05\x04\x03\x02\x01", 8));
  EXPECT_EQ(GetLE<std::uint16_t>(rec, 1), 0x1234);
  EXPECT_EQ(GetLE<std::int32_t>(rec, 3), -2);
  EXPECT_EQ(GetLE<std::uint32_t>(rec, 3), 0xFFFFFFFEu);
  EXPECT_EQ(GetLE<std::int64_t>(rec, 7), 0x0102030405060708LL);

  std::string d(8, '\0');
  PutLE<double>(d, 0, 1.0);
  EXPECT_EQ(d, std::string("\0\0\0\0\0\0\xF0\x3F", 8));
  EXPECT_EQ(GetLE<double>(d, 0), 1.0);
}

TEST(TextRecordField, FieldsOutsideTheRecordRaiseRangeError) {
  std::string rec(4, '\0');
  EXPECT_THROW(GetLE<std::int32_t>(rec, 1), RangeError);
  EXPECT_THROW(PutLE<std::int16_t>(rec, 3, 1), RangeError);
  EXPECT_THROW(GetLE<std::uint8_t>(rec, std::numeric_limits<std::size_t>::max()), RangeError);
  EXPECT_NO_THROW(GetLE<std::int32_t>(rec, 0));
  EXPECT_THROW(GetCounted(rec, 1, 3), RangeError);
  EXPECT_THROW(PutCounted(rec, 0, "abc", 4), RangeError);
}

TEST(TextRecordField, CountedTextCutsAndClamps) {
  std::string rec(8, 'Z');
  PutCounted(rec, 1, "abcdefgh", 5);  // cut to the capacity
  EXPECT_EQ(rec, std::string("Z\x05" "abcdeZ", 8));
  EXPECT_EQ(GetCounted(rec, 1, 5), "abcde");

  PutCounted(rec, 1, "xy", 5);  // the rest of the field stays as it was
  EXPECT_EQ(rec, std::string("Z\x02xycdeZ", 8));
  EXPECT_EQ(GetCounted(rec, 1, 5), "xy");

  rec[1] = static_cast<char>(200);  // a damaged length byte reads as the capacity
  EXPECT_EQ(GetCounted(rec, 1, 5), "xycde");
  rec[1] = 0;
  EXPECT_EQ(GetCounted(rec, 1, 5), "");
}
