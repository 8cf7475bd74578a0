#include "common/csvfile.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "tests/common/os_tempdir.h"

using namespace common;

namespace {

struct CsvTest : ::testing::Test {
  ostest::TempDir tmp;
  tFormSoub r;
  void Open(const std::string& content) {
    ostest::WriteRaw(tmp / "in.csv", content);
    CsvOpen(r, tmp / "in.csv");
  }
};

}  // namespace

TEST_F(CsvTest, QuotedSeparatorAndMissingFields) {
  Open("A;\"B;C\";D\r\n");
  EXPECT_FALSE(r.recordRead);  // flags start at 0
  CsvReadRecord(r);
  EXPECT_TRUE(r.recordRead);
  EXPECT_EQ(r.fieldCount, 3);
  EXPECT_EQ(r.Field(1), "A");
  EXPECT_EQ(r.Field(2), "B;C");
  EXPECT_EQ(r.Field(3), "D");
  EXPECT_EQ(r.Field(4), "***");
  EXPECT_EQ(r.Field(399), "***");
  EXPECT_THROW(r.Field(400), RangeError);
  CsvReadRecord(r);
  EXPECT_FALSE(r.recordRead);
  EXPECT_TRUE(r.endOfFile);
}

TEST_F(CsvTest, EmptyLineEndsTheLoop) {
  Open("1;2\n\n3;4\n");
  int records = 0;
  for (CsvReadRecord(r); r.recordRead; CsvReadRecord(r)) ++records;
  EXPECT_EQ(records, 1);
  EXPECT_FALSE(r.endOfFile);
}

TEST_F(CsvTest, QuotesAreDroppedAndLineEndsInsideQuotes) {
  Open("a\"b\"c;\"x\"\"y\";\"open\nnext;z");
  CsvReadRecord(r);
  EXPECT_EQ(r.Field(1), "abc");
  EXPECT_EQ(r.Field(2), "xy");
  EXPECT_EQ(r.Field(3), "open");  // LF ends the line even when quoted
  CsvReadRecord(r);
  EXPECT_EQ(r.Field(1), "next");
  EXPECT_EQ(r.Field(2), "z");
  EXPECT_TRUE(r.recordRead);  // a last line without LF still counts
  EXPECT_TRUE(r.endOfFile);
  EXPECT_EQ(r.position, r.size);
}

TEST_F(CsvTest, LongLineKeepsOverwritingTheLastField) {
  std::string line;
  for (int i = 1; i <= 401; ++i) line += std::to_string(i) + ";";
  Open(line + "\n");
  CsvReadRecord(r);
  EXPECT_EQ(r.fieldCount, 399);
  EXPECT_EQ(r.Field(398), "398");
  EXPECT_EQ(r.Field(399), "");  // 399, 400, 401 and the empty one after the last ";"
}

TEST_F(CsvTest, LargeFileIsReadWhole) {
  std::string content;
  for (int i = 0; i < 20000; ++i) content += std::to_string(i) + ";x\r\n";
  Open(content);
  int n = 0;
  for (CsvReadRecord(r); r.recordRead; CsvReadRecord(r)) {
    ASSERT_EQ(r.Field(1), std::to_string(n));
    ++n;
  }
  EXPECT_EQ(n, 20000);
}

TEST_F(CsvTest, MissingFileRaises) {
  try {
    CsvOpen(r, tmp / "none.csv");
    FAIL();
  } catch (const IoError& e) {
    EXPECT_EQ(e.code, 2);
  }
}
