#include "browser/export.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/pascal.h"

using namespace browser;
using namespace common::literals;

namespace {

FieldDescriptor Field(const std::string& caption, const std::string& picture, const std::string& initial,
                      const std::string& value) {
  FieldDescriptor d;
  FieldSetup s;
  s.caption = common::Cz(caption);
  s.column = s.line = 1;
  s.picture = picture;
  s.initialValue = initial;
  SetFieldDescriptor(d, s);
  d.value = common::Cz(value);
  return d;
}

// Code, name, amount, date, count: five fields of a typical list.
std::vector<FieldDescriptor> FiveFields() {
  return {Field("Kód", "X", "    ", "0012"),
          Field("Název \"firmy\"", "X", std::string(20, ' '), "Škoda \"a.s.\"        "),
          Field("Částka", "#########.##C", std::string(12, ' '), "  1 234.50- "),
          Field("Datum", "D", "      ", "05.12.26"),
          Field("Počet", "#####I", "     ", "   42")};
}

struct SortExport : ::testing::Test {};

}  // namespace

TEST_F(SortExport, CsvAndDbfNamesFollowTheDataFile) {
  EXPECT_EQ(CsvExportName("CI10.DTA"), "XLS\\CI10.CSV");
  EXPECT_EQ(CsvExportName("=/data/2/kodybank.dta"), "XLS\\KODYBANK.CSV");
  EXPECT_EQ(CsvExportName("\\2\\org.dta"), "XLS\\ORG.CSV");
  EXPECT_EQ(DbfExportName("=/data.v2/ci10.dta"), "\\TAVONA3W\\CI10.DBF");
  EXPECT_EQ(DbfExportName("org.dta", "X\\"), "X\\ORG.DBF");
}

TEST_F(SortExport, CsvLinesQuoteTextsAndWriteNumbersWithAComma) {
  auto f = FiveFields();
  EXPECT_EQ(CsvCaptionLine(f), common::Cz("Kód ;Název \"firmy\"       ;Částka      ;Datum ;Počet;\r\n"));
  EXPECT_EQ(CsvNumberLine(5), "01;02;03;04;05;\r\n");
  // Inner quotes stay single; 1 234.50 becomes 1 234,50; the date loses its dots.
  EXPECT_EQ(CsvRecordLine(f), common::Cz("\"0012\";\"Škoda \"a.s.\"        \";  1 234,50- ;\"051226\";   42;\r\n"));

  f[2].value = "1234.50";
  f[3].value = "O5.l2.26";  // letters typed for digits
  EXPECT_EQ(CsvRecordLine(f), common::Cz("\"0012\";\"Škoda \"a.s.\"        \";1234,50;\"051226\";   42;\r\n"));
  f[3].value = "        ";  // a blank date stays blank, in quotes
  EXPECT_EQ(CsvRecordLine(std::span(f).subspan(3, 1)), "\"      \";\r\n");
}

TEST_F(SortExport, CsvTimesAndLongDatesKeepTheirShownForm) {
  std::vector<FieldDescriptor> f = {Field("Čas", "T", "      ", "12:30:05"), Field("Den", "Q", "        ", "05.12.2026")};
  EXPECT_EQ(CsvRecordLine(f), "12:30:05;\"05.12.2026\";\r\n");
}

TEST_F(SortExport, DbfHeaderOfFiveFieldsIs193BytesWithItsDescriptors) {
  auto f = FiveFields();
  auto layout = DbfLayout(f);
  std::string h = DbfHeader(layout, 7);
  ASSERT_EQ(h.size(), 193u);
  EXPECT_EQ(static_cast<unsigned char>(h[0]), 3);
  EXPECT_EQ(h.substr(1, 3), std::string("\x61\x06\x11"));
  EXPECT_EQ(common::GetLE<std::uint32_t>(h, 4), 7u);
  EXPECT_EQ(common::GetLE<std::uint16_t>(h, 8), 193);
  EXPECT_EQ(common::GetLE<std::uint16_t>(h, 10), 1 + 4 + 20 + 12 + 8 + 5);
  EXPECT_EQ(h.substr(12, 20), std::string(20, '\0'));
  EXPECT_EQ(h[192], '\x0D');
  struct Expect {
    const char* name;
    char type;
    int offset, length, decimals;
  } expect[] = {{"KOD", 'C', 1, 4, 0}, {"NAZEV_FIRM", 'C', 5, 20, 0}, {"CASTKA", 'N', 25, 12, 2},
                {"DATUM", 'D', 37, 8, 0}, {"POCET", 'N', 45, 5, 0}};
  for (int i = 0; i < 5; ++i) {
    const std::string d = h.substr(32 + 32 * static_cast<std::size_t>(i), 32);
    SCOPED_TRACE(i);
    std::string name = expect[i].name;
    name.resize(11, '\0');
    EXPECT_EQ(d.substr(0, 11), name);
    EXPECT_EQ(d[11], expect[i].type);
    EXPECT_EQ(common::GetLE<std::uint16_t>(d, 12), expect[i].offset);
    EXPECT_EQ(d.substr(14, 2), std::string(2, '\0'));
    EXPECT_EQ(static_cast<unsigned char>(d[16]), expect[i].length);
    EXPECT_EQ(static_cast<unsigned char>(d[17]), expect[i].decimals);
    EXPECT_EQ(d.substr(18), std::string(14, '\0'));
  }
}

TEST_F(SortExport, DbfRecordsHaveExactlyTheHeadersLength) {
  auto f = FiveFields();
  auto layout = DbfLayout(f);
  EXPECT_EQ(DbfRecord(layout, f), " 0012" + common::Cz("Škoda \"a.s.\"        ") + "    -1234.50" + "20261205" + "   42");
  // Short texts (a stored text without fill), blank numbers and dates still fill every byte.
  f[0].value = "7";
  f[1].value = "";
  f[2].value = "";
  f[3].value = "        ";
  f[4].value = "";
  std::string r = DbfRecord(layout, f);
  EXPECT_EQ(r.size(), DbfRecordLength(layout));
  EXPECT_EQ(r, " 7   " + std::string(20, ' ') + "        0.00" + std::string(8, ' ') + "    0");
}

TEST_F(SortExport, DbfNumbersAreRightAlignedWithAPointAndALeadingSign) {
  EXPECT_EQ(DbfNumber("  1 234,50-", 10, 2), "  -1234.50");
  EXPECT_EQ(DbfNumber("12,345", 8, 2), "   12.35");  // rounded half away from zero
  EXPECT_EQ(DbfNumber("9.995", 6, 2), " 10.00");
  EXPECT_EQ(DbfNumber("-0.001", 6, 2), "  0.00");  // no negative zero
  EXPECT_EQ(DbfNumber("12345678901234.5678", 20, 4), " 12345678901234.5678");  // exact beyond a double
  EXPECT_EQ(DbfNumber("123456", 4, 0), "****");
  EXPECT_EQ(DbfNumber("      ", 5, 0), "    0");
}

TEST_F(SortExport, DbfDatesGetTheirCenturyOrBlanks) {
  EXPECT_EQ(DbfDate("05.12.26"), "20261205");
  EXPECT_EQ(DbfDate("31.12.95"), "19951231");
  EXPECT_EQ(DbfDate("O5.l2.O1"), "20011205");
  EXPECT_EQ(DbfDate("05.12.2026"), "20261205");
  EXPECT_EQ(DbfDate("        "), "        ");
  EXPECT_EQ(DbfDate("00.00.00"), "        ");
  EXPECT_EQ(DbfDate("32.13.26"), "        ");
  EXPECT_EQ(DbfDate("garbage"), "        ");
}

TEST_F(SortExport, DbfFieldNamesAreCleanAndUnique) {
  std::vector<FieldDescriptor> f = {Field("Č.účtu", "X", "  ", ""), Field("Číslo účtu banky", "X", "  ", ""),
                                    Field("Číslo účtu banky", "X", "  ", ""), Field("", "X", "  ", ""),
                                    Field("1. řádek", "X", "  ", ""), Field("Čas", "T", "      ", "12:30:05")};
  auto layout = DbfLayout(f);
  EXPECT_EQ(layout[0].name, "C_UCTU");
  EXPECT_EQ(layout[1].name, "CISLO_UCTU");
  EXPECT_EQ(layout[2].name, "CISLO_UC_2");
  EXPECT_EQ(layout[3].name, "F4");
  EXPECT_EQ(layout[4].name, "F1_RADEK");
  EXPECT_EQ(layout[5].type, 'C');
  EXPECT_EQ(DbfRecord(layout, f).substr(11), "123005");  // times through their packed form
}
