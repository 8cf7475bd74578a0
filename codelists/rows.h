// The row routines of the statement outlines, written once for every layout: insert
// and delete a row by position with the renumbering of the rows and of the references
// to them, and the text imports from "roz.xml", "A4.prl" and "rozvaha.txt". Rows are
// moved with the unstamped RecordReadAt / RecordWriteAt; positions are physical.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codelists/engine.h"

namespace codelists {

// Where a layout keeps the parts the row routines touch (field numbers, 0: none).
struct RowLayout {
  int rowField = 1;                // "Řádek": the row number
  std::string_view rowMask = "@@@";
  std::vector<int> refFields;      // the references renumbered ("Kam přič")
  std::string_view refMask = "###";
  int nameField = 2;               // "Název"
  int textField = 0;               // "Text", where the imports land
  int codeField = 0;               // "výkaz"
};

// The text of field f of the record buffer, and a new text for it (padded with
// blanks and cut to the field's width).
std::string FieldText(CodeListWindow& w, int f);
void SetFieldText(CodeListWindow& w, int f, std::string_view text);

// Inserts a copy of the current row c after it: rows c+1.. move down one place and
// are renumbered, references above c raised by one. Needs 1 <= c <= count.
bool InsertRow(CodeListWindow& w, const RowLayout& layout);
// Deletes the current row c: the rows behind it move up and are renumbered,
// references above c lowered by one, the file cut to the new count.
bool DeleteRow(CodeListWindow& w, const RowLayout& layout);

// The text between the first "<" and the first ">" of a line (empty when ">" comes
// first); false when the line lacks one of them.
bool TagText(std::string_view line, std::string& text);
// A text file's lines as raw bytes, up to its end-of-file byte: a line feed ends a line
// and is dropped, a carriage return stays. A text in UTF-8 with non-ASCII letters comes in Windows-1250 (wasUtf8
// set). 0 or the I/O code of the read.
int ReadRawLines(const std::string& path, std::vector<std::string>& lines, bool* wasUtf8 = nullptr);

// The imports; `folder` is where the files are looked for (empty: the current folder).
// A file that cannot be read is reported and nothing is written.
// "Naber XML texty": line i of roz.xml into "Text" of record i, i = 1 .. count - 1.
void ImportXmlTexts(CodeListWindow& w, const RowLayout& layout, const std::string& folder);
// "ID do pozn": "Text" := "výkaz" in every record.
void CodeIntoText(CodeListWindow& w, const RowLayout& layout);
// "Vytvoř 80 z Gordic": one appended row per line of A4.prl with a "<...>" text; the
// row number is the line's, so lines past row 999 are not taken (and counted in a message).
inline constexpr std::size_t kLastGordicRow = 999;
void RowsFromGordic(CodeListWindow& w, const RowLayout& layout, const std::string& folder);
// "Texty 27 z Gordic": line n of rozvaha.txt into "Text" of record n.
void TextsFromGordic(CodeListWindow& w, const RowLayout& layout, const std::string& folder);

}  // namespace codelists
