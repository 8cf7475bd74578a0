// The bytes of the two list exports: the ";"-separated text file for spreadsheets
// and word processors, and the dBASE III table. Both work on the value texts of the
// fields (as the edit window shows them); the record-file browser walks the records.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "browser/fields.h"

namespace browser {

// ---- ";"-separated file ----------------------------------------------------------

// "XLS\" + the data file name without folders, less its last three characters,
// upper-cased, + "CSV" ("CI10.DTA" -> "XLS\CI10.CSV"); a piece of the combined code-list
// file gives "XLS\CI_10.CSV" for "CI.10".
std::string CsvExportName(std::string_view dataFileName);
// Captions padded or cut to the field width, each followed by ";", then CR LF.
std::string CsvCaptionLine(std::span<const FieldDescriptor> fields);
// "01;02;...;" and CR LF.
std::string CsvNumberLine(std::size_t count);
// One record from the value texts: texts and dates in double quotes, numbers bare
// with the first "." as ",", two-digit dates as DDMMYY.
std::string CsvRecordLine(std::span<const FieldDescriptor> fields);

// ---- dBASE III table -------------------------------------------------------------

inline constexpr const char* kDbfFolder = "\\TAVONA3W\\";
inline constexpr std::size_t kDbfMaxRecord = 10000;

// folder + the data file name ("=" dropped, without folders) up to its first dot,
// upper-cased, + ".DBF"; "CI_10.DBF" for the piece "CI.10".
std::string DbfExportName(std::string_view dataFileName, std::string_view folder = kDbfFolder);

struct DbfField {
  std::string name;  // up to 10 characters: A-Z, 0-9 and "_", unique in the table
  char type = 'C';   // C, N or D
  int length = 0;
  int decimals = 0;
  int offset = 0;    // in the record; 1 for the first field (byte 0 is the deletion flag)
};

std::vector<DbfField> DbfLayout(std::span<const FieldDescriptor> fields);
// 1 + the sum of the field lengths.
std::size_t DbfRecordLength(const std::vector<DbfField>& layout);
// The header with its field descriptors and the 0x0D that ends it.
std::string DbfHeader(const std::vector<DbfField>& layout, std::uint32_t records);
// One record: a blank (not deleted), then every field padded to exactly its length.
std::string DbfRecord(const std::vector<DbfField>& layout, std::span<const FieldDescriptor> fields);

// A number text as shown ("  1 234,50-") to a dBASE number of `decimals` places,
// right-aligned in length ("-1234.50"); blanks count as 0; "*" fills a value that
// does not fit.
std::string DbfNumber(std::string_view text, int length, int decimals);
// A shown date (DD.MM.YY or DD.MM.YYYY) to YYYYMMDD, or 8 blanks for a blank or
// invalid date. Two-digit years below 40 are the 2000s.
std::string DbfDate(std::string_view text);

}  // namespace browser
