// The spreadsheet export: a ";"-separated file "XLS\NAME.CSV" becomes the workbook
// "XLS\NAME.xlsx" (written directly, then handed to the desktop): the firm and the
// time of the export on row 1, the workbook's path on row 3, the headers bold on
// row 5, the records from row 7, 65,501 records a sheet. An optional type line
// (fields 1-3 of two characters each, before the first record) gives the columns'
// field types: numbers, dates, texts, or no cell. The numbering line "01;02;..."
// of the list export is not a type line.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace reports {

inline constexpr int kXlsMaxColumns = 255;
inline constexpr std::int32_t kXlsSheetRecords = 65500;  // a sheet takes one more
inline constexpr int kXlsFirstDataRow = 7;

struct ExportSettings {
  bool openDocument = true;           // hand the workbook to the desktop when done
  std::string sheetPrefix = "List";   // sheets "List1", "List2", ...
  std::int32_t sheetRecords = kXlsSheetRecords;
};
ExportSettings& XlsExportSettings();

// How a column of field type `type` is written.
enum class CellKind { Text, Integer, Number, Date, None };
CellKind CellKindOfType(int type);
// A line 2 of the list export: fields "01", "02", ... in order (the last one may be empty).
bool IsNumberingLine(const std::vector<std::string>& fields, int count);

// The conversion; `visible` is kept for its callers (there is no application to show).
// Returns the workbook written (Windows form), empty when none was.
std::string ExportToExcel(const std::string& name, bool visible);

}  // namespace reports
