#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/codec.h"
#include "browser/fields.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/pascal.h"

namespace {

using browser::FieldDescriptor;
using browser::FieldSetup;
using browser::SetFieldDescriptor;
namespace ft = browser::ft;

FieldDescriptor Make(const std::string& picture, const std::string& initial) {
  FieldDescriptor d;
  SetFieldDescriptor(d, FieldSetup().Caption("F").Picture(picture).Initial(initial));
  return d;
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s += static_cast<char>(v);
  return s;
}

// Packs one field with the value into a fresh record (filled with 0xEE) and returns its bytes.
std::string PackOne(FieldDescriptor d, const std::string& value, std::vector<int>* wrong = nullptr) {
  std::string rec(static_cast<std::size_t>(browser::FieldStoredSize(d)), '\xEE');
  d.value = value;
  std::vector<FieldDescriptor> v{d};
  browser::FieldsToRecord(v, rec, wrong);
  return rec;
}

std::string ShowOne(const FieldDescriptor& d, const std::string& stored) { return browser::FieldText(d, stored, 0); }

// ---------------------------------------------------------------- descriptors

TEST(FieldDesc, PictureGivesTypeAndStoredPicture) {
  struct Case {
    const char* picture;
    int type;
    const char* stored;
  };
  const Case cases[] = {
      {" ", ft::TextFixed, " "}, {"X", ft::Text, "X"},      {"Y", ft::TextRight, "Y"},  {"L", ft::CodeLeft, "L"},
      {"P", ft::CodeRight, "P"}, {"D", ft::Date, "D"},      {"d", ft::DateDmy, "d"},    {"K", ft::Key, "K"},
      {"Q", ft::DateLong, "Q"},  {"q", ft::DateLongDmy, "q"}, {"T", ft::Time, "T"},     {"t", ft::Time, "t"},
      {"x", ft::TextX, "x"},     {"y", ft::TextRightY, "y"}, {"l", ft::CodeLeftL, "l"}, {"p", ft::CodeRightP, "p"},
      {"m", ft::TextM, "m"},     {"@@B", ft::Byte, "@@"},   {"###.##C", ft::Amount, "###.##"},
      {"###.##D", ft::Double, "###.##"}, {"#####I", ft::Int, "#####"}, {"###L", ft::LongInt, "###"},
      {"###.##R", ft::Real, "###.##"}, {"@@@@@W", ft::Word, "@@@@@"}, {"##Z", ft::Text, "##"},
      {"Z", ft::Text, "Z"},
  };
  for (const Case& c : cases) {
    const FieldDescriptor d = Make(c.picture, "00000");
    EXPECT_EQ(d.fieldType, c.type) << c.picture;
    EXPECT_EQ(d.picture, c.stored) << c.picture;
  }
}

TEST(FieldDesc, SetupCutsTextsAndTakesTheWidthFromTheInitialValue) {
  FieldDescriptor d;
  SetFieldDescriptor(d, FieldSetup()
                            .Caption(std::string(60, 'c'))
                            .At(3, 7)
                            .Picture("@@@@@W")
                            .Initial("00000")
                            .Hint(std::string(120, 'h'), 40, 7));
  EXPECT_EQ(d.caption.size(), 50u);
  EXPECT_EQ(d.hint.size(), 100u);
  EXPECT_EQ(d.fieldType, ft::Word);
  EXPECT_EQ(d.picture, "@@@@@");
  EXPECT_EQ(d.width, 5);
  EXPECT_EQ(d.value, "00000");
  EXPECT_EQ(d.initialValue, "00000");
  EXPECT_EQ(d.column, 3);
  EXPECT_EQ(d.line, 7);
  EXPECT_EQ(d.hintColumn, 40);
  EXPECT_EQ(browser::FieldStoredSize(d), 2);

  SetFieldDescriptor(d, FieldSetup().Picture(std::string(40, '#') + "I").Initial(std::string(300, ' ')));
  EXPECT_EQ(d.picture.size(), 29u);   // cut to 30, then a number mask loses its last character
  EXPECT_EQ(d.fieldType, ft::Text);   // the type letter was cut off with the rest
  EXPECT_EQ(d.value.size(), 255u);
  EXPECT_EQ(d.width, 255);
}

TEST(FieldDesc, StoredSizesAndOffsetsOfAMixedLayout) {
  std::vector<FieldDescriptor> f{Make("X", std::string(30, ' ')), Make("@@B", "000"),  Make("#####I", "00000"),
                                 Make("###.##R", "000000"),     Make("D", "      "), Make("@@@@W", "0000"),
                                 Make("###.##D", "000000"),     Make("T", "      "), Make("###.##C", "000000"),
                                 Make("Q", "        "),         Make("P", "000")};
  const std::vector<int> offsets = browser::FieldOffsets(f);
  EXPECT_EQ(offsets, (std::vector<int>{0, 31, 32, 36, 42, 49, 51, 59, 66, 74, 83}));
  EXPECT_EQ(browser::LayoutLength(f), 87);
  EXPECT_EQ(browser::FieldStoredSize(ft::None18, 12), 0);
  EXPECT_EQ(browser::FieldStoredSize(ft::None19, 12), 0);
}

TEST(FieldDesc, EditLengthHoldsTheShownDate) {
  EXPECT_EQ(browser::FieldEditLength(Make("D", "      ")), 8);
  EXPECT_EQ(browser::FieldEditLength(Make("Q", "        ")), 10);
  EXPECT_EQ(browser::FieldEditLength(Make("T", "      ")), 8);
  EXPECT_EQ(browser::FieldEditLength(Make("X", "   ")), 3);
}

// ---------------------------------------------------------------- numbers

TEST(CodecReal48, VectorsOfTheSixByteReal) {
  const FieldDescriptor d = Make("####.####R", "000000000");
  EXPECT_EQ(PackOne(d, "1"), Bytes({0x81, 0, 0, 0, 0, 0}));
  EXPECT_EQ(PackOne(d, "-1"), Bytes({0x81, 0, 0, 0, 0, 0x80}));
  EXPECT_EQ(PackOne(d, "0,5"), Bytes({0x80, 0, 0, 0, 0, 0}));
  EXPECT_EQ(PackOne(d, "100"), Bytes({0x87, 0, 0, 0, 0, 0x48}));
  EXPECT_EQ(PackOne(d, "0.1"), Bytes({0x7D, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C}));
  EXPECT_EQ(PackOne(d, ""), Bytes({0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ShowOne(d, Bytes({0x87, 0, 0, 0, 0, 0x48})), " 100.0000");
  EXPECT_EQ(ShowOne(d, Bytes({0, 1, 2, 3, 4, 5})), "         ");  // exponent 0 is zero
}

TEST(CodecReal48, AValueBeyondTheRangeIsClampedAndFlagged) {
  const FieldDescriptor d = Make("#R", "0");
  std::vector<int> wrong;
  EXPECT_EQ(PackOne(d, std::string(40, '9'), &wrong), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
  EXPECT_EQ(PackOne(d, "-" + std::string(40, '9'), &wrong), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(wrong, (std::vector<int>{1, 1}));
}

TEST(CodecNumbers, AmountsAreExactTenThousandths) {
  const FieldDescriptor d = Make("################.####C", std::string(21, '0'));
  EXPECT_EQ(PackOne(d, "12,5"), Bytes({0x48, 0xE8, 0x01, 0, 0, 0, 0, 0}));
  // 2^53 + 1 ten-thousandths: a double (and the 6-byte real) cannot hold it.
  std::string stored(8, '\0');
  const std::int64_t big = 9007199254740993;
  for (int i = 0; i < 8; ++i) stored[static_cast<std::size_t>(i)] = static_cast<char>((big >> (8 * i)) & 0xFF);
  const std::string shown = ShowOne(d, stored);
  EXPECT_EQ(shown, "    900719925474.0993");
  EXPECT_EQ(PackOne(d, shown), stored);
}

TEST(CodecNumbers, IntegersOfEachSize) {
  EXPECT_EQ(PackOne(Make("###I", "000"), "-2"), Bytes({0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(PackOne(Make("#########L", "000000000"), "305419896"), Bytes({0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(PackOne(Make("@@@@@W", "00000"), "513"), Bytes({0x01, 0x02}));
  EXPECT_EQ(PackOne(Make("@@@B", "000"), "7"), Bytes({0x07}));
  EXPECT_EQ(ShowOne(Make("@@@@@W", "00000"), Bytes({0x01, 0x02})), "00513");
  EXPECT_EQ(ShowOne(Make("#####W", "00000"), Bytes({0, 0})), "     ");
  EXPECT_EQ(ShowOne(Make("###I", "000"), Bytes({0xFE, 0xFF, 0xFF, 0xFF})), " -2");
}

TEST(CodecNumbers, BytesAndWordsOutOfRangeAreClampedAndFlagged) {
  std::vector<int> wrong;
  EXPECT_EQ(PackOne(Make("@@@B", "000"), "300", &wrong), Bytes({0xFF}));
  EXPECT_EQ(PackOne(Make("@@@B", "000"), "-1", &wrong), Bytes({0x00}));
  EXPECT_EQ(PackOne(Make("@@@@@W", "00000"), "70000", &wrong), Bytes({0xFF, 0xFF}));
  EXPECT_EQ(PackOne(Make("@@@@@W", "00000"), "65535", &wrong), Bytes({0xFF, 0xFF}));
  EXPECT_EQ(wrong, (std::vector<int>{1, 1, 1}));

  std::vector<FieldDescriptor> f{Make("X", "ab"), Make("@@@B", "000"), Make("@@@B", "000")};
  f[1].value = "12";
  f[2].value = "999";
  std::string rec(7, '\0');
  wrong.clear();
  browser::FieldsToRecord(f, rec, &wrong);
  EXPECT_EQ(wrong, std::vector<int>{3});
}

TEST(CodecNumbers, DoublesAreShownFromTheDouble) {
  const FieldDescriptor d = Make("##############.##D", std::string(17, '0'));
  const std::string packed = PackOne(d, "123456789012.34");
  EXPECT_EQ(ShowOne(d, packed), "  123456789012.34");
  EXPECT_EQ(PackOne(d, ShowOne(d, packed)), packed);
}

// ---------------------------------------------------------------- texts

TEST(CodecText, PreparationOfTheTextTypes) {
  EXPECT_EQ(PackOne(Make("P", "0000"), "12"), Bytes({4}) + "0012");
  EXPECT_EQ(PackOne(Make("P", "0000"), "1 2"), Bytes({4}) + "0102");
  EXPECT_EQ(PackOne(Make("L", "0000"), " 12"), Bytes({4}) + "1200");
  EXPECT_EQ(PackOne(Make("Y", "     "), "ab"), Bytes({5}) + "   ab");
  EXPECT_EQ(PackOne(Make("X", "     "), "ab"), Bytes({5}) + "ab   ");
  EXPECT_EQ(PackOne(Make("X", "   "), "abcdef"), Bytes({3}) + "abc");
  // Type 4 is not filled: the bytes behind the text keep what the record held.
  EXPECT_EQ(PackOne(Make(" ", "     "), "ab"), Bytes({2}) + "ab\xEE\xEE\xEE");
  const std::string cz = common::Cz("Žluťoučký");
  EXPECT_EQ(PackOne(Make("X", std::string(10, ' ')), cz), Bytes({10}) + cz + " ");
}

TEST(CodecText, PadFieldValuesCutsTextsButNotDates) {
  std::vector<FieldDescriptor> f{Make("X", "   "), Make(" ", "    "), Make("d", "      "), Make("Q", "        "),
                                 Make("@@@B", "000")};
  f[0].value = "abcdef";
  f[1].value = "a";
  f[2].value = "05.12.26";
  f[3].value = "05.12.2026";
  f[4].value = "12345";
  browser::PadFieldValues(f);
  EXPECT_EQ(f[0].value, "abc");
  EXPECT_EQ(f[1].value, "a   ");
  EXPECT_EQ(f[2].value, "05.12.26");
  EXPECT_EQ(f[3].value, "05.12.2026");
  EXPECT_EQ(f[4].value, "12345");
}

TEST(CodecText, ALengthByteAboveTheWidthIsReadAsTheWidth) {
  std::vector<FieldDescriptor> f{Make("X", "     "), Make("X", "  ")};
  std::string rec = Bytes({200}) + "abcde" + Bytes({2}) + "xy";
  const std::string before = rec;
  browser::RecordToFields(f, rec);
  EXPECT_EQ(f[0].value, "abcde");
  EXPECT_EQ(f[1].value, "xy");
  EXPECT_EQ(rec, before);
  browser::FieldsToRecord(f, rec);
  EXPECT_EQ(rec, Bytes({5}) + "abcde" + Bytes({2}) + "xy");
}

TEST(CodecText, UnstoredTypesTakeNoRoom) {
  std::vector<FieldDescriptor> f{Make("X", "ab"), Make("X", "??"), Make("X", "cd")};
  f[1].fieldType = ft::None18;
  f[0].value = "12";
  f[2].value = "34";
  EXPECT_EQ(browser::LayoutLength(f), 6);
  std::string rec(6, '\0');
  browser::FieldsToRecord(f, rec);
  EXPECT_EQ(rec, Bytes({2}) + "12" + Bytes({2}) + "34");
  const std::vector<std::string> shown = browser::RecordToTexts(f, rec);
  EXPECT_EQ(shown, (std::vector<std::string>{"12", "", "34"}));
}

TEST(CodecText, AShortRecordIsRefusedAndLeftAlone) {
  std::vector<FieldDescriptor> f{Make("X", "abc"), Make("#####I", "00000")};
  std::string rec(6, 'z');
  EXPECT_THROW(browser::FieldsToRecord(f, rec), common::RangeError);
  EXPECT_EQ(rec, "zzzzzz");
  EXPECT_THROW(browser::RecordToFields(f, rec), common::RangeError);
}

// ---------------------------------------------------------------- dates and times

TEST(CodecDates, SixDigitDates) {
  const FieldDescriptor ymd = Make("D", "      ");
  EXPECT_EQ(PackOne(ymd, "05.12.26"), Bytes({6}) + "261205");
  EXPECT_EQ(PackOne(ymd, "5.12.2026"), Bytes({6}) + "261205");
  EXPECT_EQ(ShowOne(ymd, Bytes({6}) + "261205"), "05.12.26");
  EXPECT_EQ(PackOne(ymd, "31.02.26"), Bytes({6}) + "      ");
  EXPECT_EQ(PackOne(ymd, ""), Bytes({6}) + "      ");
  // Day first: stored as typed in DDMMYY, never the shown text.
  const FieldDescriptor dmy = Make("d", "      ");
  EXPECT_EQ(PackOne(dmy, "05.12.26"), Bytes({6}) + "051226");
  EXPECT_EQ(ShowOne(dmy, Bytes({6}) + "051226"), "05.12.26");
  EXPECT_EQ(PackOne(dmy, "        "), Bytes({6}) + "      ");
}

TEST(CodecDates, EightDigitDates) {
  const FieldDescriptor iso = Make("Q", "        ");
  EXPECT_EQ(PackOne(iso, "05.12.2026"), Bytes({8}) + "20261205");
  EXPECT_EQ(PackOne(iso, "5.12.26"), Bytes({8}) + "20261205");  // the century is added
  EXPECT_EQ(PackOne(iso, "5.12.85"), Bytes({8}) + "19851205");
  EXPECT_EQ(PackOne(iso, "31.02.2026"), Bytes({8}) + "        ");
  EXPECT_EQ(ShowOne(iso, Bytes({8}) + "20261205"), "05.12.2026");
  EXPECT_EQ(ShowOne(iso, Bytes({8}) + "        "), "          ");
  const FieldDescriptor dmy = Make("q", "        ");
  EXPECT_EQ(PackOne(dmy, "05.12.2026"), Bytes({8}) + "05122026");
  EXPECT_EQ(ShowOne(dmy, Bytes({8}) + "05122026"), "05.12.2026");
}

TEST(CodecDates, Times) {
  const FieldDescriptor t = Make("T", "      ");
  EXPECT_EQ(PackOne(t, "13:05:09"), Bytes({6}) + "130509");
  EXPECT_EQ(PackOne(t, "9:5"), Bytes({6}) + "090500");
  EXPECT_EQ(ShowOne(t, Bytes({6}) + "130509"), "13:05:09");
  EXPECT_EQ(ShowOne(t, Bytes({6}) + "      "), "        ");
  EXPECT_EQ(PackOne(t, "        "), Bytes({6}) + "      ");
}

TEST(CodecDates, DatesSurviveTheEditRoundTrip) {
  // Text shown, padded as the edit window does, then packed again: the same bytes.
  std::vector<FieldDescriptor> f{Make("X", "     "), Make("D", "      "), Make("d", "      "), Make("T", "      "),
                                 Make("Q", "        "), Make("q", "        "), Make("@@@B", "000"),
                                 Make("#####I", "00000"), Make("###.##R", "000000"), Make("@@@@@W", "00000"),
                                 Make("#####.##D", "00000000"), Make("#######.####C", "000000000000"),
                                 Make("P", "000"), Make("Y", "    ")};
  std::string rec = Bytes({5}) + "ab cd" + Bytes({6}) + "261205" + Bytes({6}) + "051226" + Bytes({6}) + "235959" +
                    Bytes({8}) + "20261205" + Bytes({8}) + "05122026" + Bytes({200}) + Bytes({0x39, 0x30, 0, 0}) +
                    Bytes({0x87, 0, 0, 0, 0, 0x48}) + Bytes({0xFF, 0xFF}) +
                    std::string("\0\0\0\0\0\0\x24\x40", 8) + Bytes({0x48, 0xE8, 0x01, 0, 0, 0, 0, 0}) +
                    Bytes({3}) + "007" + Bytes({4}) + "  xy" + "tail";
  ASSERT_EQ(static_cast<int>(rec.size()), browser::LayoutLength(f) + 4);
  const std::string before = rec;
  browser::RecordToFields(f, rec);
  EXPECT_EQ(f[1].value, "05.12.26");
  EXPECT_EQ(f[2].value, "05.12.26");
  EXPECT_EQ(f[4].value, "05.12.2026");
  browser::PadFieldValues(f);
  std::vector<int> wrong;
  browser::FieldsToRecord(f, rec, &wrong);
  EXPECT_TRUE(wrong.empty());
  EXPECT_EQ(rec, before);
}

}  // namespace

TEST(CodecNumbers, ExtremeWholeNumbersSurviveASaveUnchanged) {
  std::vector<FieldDescriptor> f{Make("###########L", std::string(11, ' ')),
                                 Make("###########L", std::string(11, ' '))};
  std::string rec(8, '\0');
  common::PutLE<std::int32_t>(rec, 0, std::numeric_limits<std::int32_t>::min());
  common::PutLE<std::int32_t>(rec, 4, std::numeric_limits<std::int32_t>::max());
  const std::string before = rec;
  browser::RecordToFields(f, rec);
  browser::FieldsToRecord(f, rec);
  EXPECT_EQ(rec, before) << f[0].value;
}
