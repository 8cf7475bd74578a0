// The report's XML templates and value files: element templates (one tag a line,
// " ######## " placeholders, "<!--KKKKK-->" markers below the value lines) and
// attribute templates ("#KKKKK#" attribute markers), filled line by line from value
// files ("KKKKK : value" lines). The fragments are not balanced XML, so the work is
// done on lines of Windows-1250 text by the positions of the markers; every value is
// escaped on insertion. Files are read whole and written whole with CR LF line ends.
// Read and write failures raise common::IoError whose text is "read" or "write".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.h"
#include "payroll/jhcis.h"

namespace payroll {

// The fill switches; 0 at program start, toggled by the builder window.
struct TemplateSwitches {
  std::uint8_t JhZebriky = 0;   // not 0: unfilled placeholders stay
  std::uint8_t JhPoznamky = 0;  // not 0: comments stay
};
TemplateSwitches& JhSwitches();

inline constexpr char kPlaceholder[] = " ######## ";

// The lines of a text file (CR LF or LF ends); a failed read raises IoError.
std::vector<std::string> ReadLines(const std::string& file);
// Writes the lines with CR LF; when nonBlankOnly, only the lines holding a character
// other than a blank. A file rewritten in place goes through a replacement file; a
// work file made anew (scratch) is written directly, without waiting for the disk.
void WriteLines(const std::string& file, const std::vector<std::string>& lines, bool nonBlankOnly,
                bool scratch = false);
// A work file made anew with the given text, written directly.
void WriteScratchFile(const std::string& file, std::string_view text);

// Text made safe as XML element content (attribute: also '"' and '#', so that no
// inserted value forms a marker). An '&' that begins a reference stays as it is;
// control characters other than tab become blanks.
std::string EscapeXml(std::string_view value, bool attribute = false);
// Text made safe inside a comment: no "--", no control characters.
std::string CommentSafe(std::string_view text);

// The default of a term and its mandatory number (Povinný read as a number); 0 and an
// empty default when the term is unknown.
int TermDefault(const TermIndex& terms, const std::string& key, std::string& defaultText);

// Fills an element template with the values; the comment collects "PRIM:A; ",
// "JM:...; " and "PR:...; " from the terms 10495, 10054 and 10053. The output is
// erased first and stays absent when the value file or the template is missing or
// has 2 bytes or fewer.
void FillXmlTemplate(const TermIndex& terms, const std::string& valueFile, const std::string& output,
                     const std::string& templateFile, std::string& comment);
// The same with no values at all (every placeholder resolved by its term).
void FillXmlTemplateUnvalued(const TermIndex& terms, const std::string& output, const std::string& templateFile);
// Fills an attribute template; the same rules for missing files.
void FillAttributeTemplate(const TermIndex& terms, const std::string& valueFile, const std::string& output,
                           const std::string& templateFile);
// Drops elements left without content, in place (files under 2 bytes are left).
void RemoveEmptyElements(const std::string& file);
// Puts the placeholder back into every value line, in place; empty lines stay.
void ClearMatrixValues(const std::string& file);
// Replaces every occurrence of oldText in each line, in one pass left to right.
void ReplaceInFile(const std::string& oldText, const std::string& newText, const std::string& file);
// In the XML declaration lines: the encoding name oldName (any case) becomes newName.
void ReplaceEncodingName(const std::string& oldName, const std::string& newName, const std::string& file);
// Converts the text to UTF-8 line by line (CR LF ends); source and target may be one file.
void ConvertFileToUtf8(const std::string& source, const std::string& target);

// The file-error message for a failure these routines raised.
void ShowTemplateIoError(const common::IoError& e);

// The line rules, on a table of lines (for the routines above, the builders that keep
// their fragments in memory, and the tests).
void RemoveEmptyElementLines(std::vector<std::string>& lines);
void RemoveComments(std::vector<std::string>& lines, bool keepEmployeeSlot);

// The lines of a text as ReadLines gives them from a file.
std::vector<std::string> SplitLines(std::string_view text);
// The "KKKKK : value" lines of a value file's text; lines without a colon are left out.
struct ValueLine {
  std::string key, value;
};
std::vector<ValueLine> ParseValues(std::string_view text);
// The fills of FillXmlTemplate and FillAttributeTemplate on a template's lines.
void FillElementLines(const TermIndex& terms, const std::vector<ValueLine>& values, std::vector<std::string>& lines,
                      std::string& comment);
void FillAttributeLines(const TermIndex& terms, const std::vector<ValueLine>& values, std::vector<std::string>& lines);
// ReplaceInFile and ReplaceEncodingName on lines.
void ReplaceInLines(const std::string& oldText, const std::string& newText, std::vector<std::string>& lines);
void ReplaceEncodingInLines(const std::string& oldName, const std::string& newName, std::vector<std::string>& lines);
// The lines holding a character other than a blank, each ended by CR LF, added to out.
void AppendNonBlank(const std::vector<std::string>& lines, std::string& out);

}  // namespace payroll
