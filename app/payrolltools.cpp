#include "app/payrolltools.h"

#include <limits>
#include <vector>

#include "common/codepages.h"
#include "common/csvfile.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/inplace.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "payroll/jhcis.h"
#include "payroll/prrol.h"
#include "payroll/xmltemplate.h"

namespace app {

using common::Copy;
using common::Pos;
using namespace common::literals;

namespace {

// Offsets and widths of the term record's fields.
constexpr std::size_t kKey = 0, kMandatory = 8, kDefault = 10, kName = 21, kXmlName = 222;

std::string Padded(std::string s, std::size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

std::string FiveDigits(std::string_view text) { return common::FormatNumberMask("@@@@@", common::TextToInt(text)); }

// The value of attribute `name` on a schema line: the text after name="
// up to the next quote, looked for within 200 characters; empty when absent.
bool AttributeValue(const std::string& line, const std::string& name, std::string& value) {
  const int p = Pos(name + "=\"", line);
  if (p == 0) return false;
  const std::string rest = Copy(line, p + static_cast<int>(name.size()) + 2, 200);
  const int q = Pos("\"", rest);
  if (q == 0) return false;
  value = Copy(rest, 1, q - 1);
  return true;
}

bool Has(const std::string& line, std::string_view what) { return line.find(what) != std::string::npos; }

// Every line of a ";"-separated file after the first, as its fields; a file with a ^Z
// inside its text is refused before any line, `outcome` saying what stays unchanged.
template <class F>
bool ForEachCsvLine(const std::string& path, const char* outcome, F&& each) {
  common::tFormSoub csv;
  try {
    common::CsvOpen(csv, path);
    if (!csv.endOfFile) common::CsvReadRecord(csv);
    while (!csv.endOfFile) {
      common::CsvReadRecord(csv);
      if (csv.recordRead) each(csv);
    }
    common::CsvClose(csv);
  } catch (const common::IoError& e) {
    common::CsvClose(csv);
    common::FileErrorMessage(" cte soubor: ", e.file, e.code);
    return false;
  } catch (const common::CsvEndByteError& e) {
    common::MessageOk(e.Refusal(path, common::Cz(outcome)));
    return false;
  }
  return true;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
  try {
    lines = payroll::ReadLines(path);
    return true;
  } catch (const common::IoError& e) {
    payroll::ShowTemplateIoError(e);
    return false;
  }
}

// The lines of a list kept as text (terms, supplement fields), up to its end-of-file byte.
bool ReadListLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (const int code = common::ReadTextFile(path, text)) {
    payroll::ShowTemplateIoError(common::IoError(code, path, "read"));
    return false;
  }
  lines = payroll::SplitLines(text);
  return true;
}

int WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
  try {
    payroll::WriteLines(path, lines, false);
    return 0;
  } catch (const common::IoError& e) {
    payroll::ShowTemplateIoError(e);
    return e.code;
  }
}

// The schema's element skeleton: a pending line collects an opening tag until the
// next element or its close decides where the line ends.
class Skeleton {
 public:
  void Line(const std::string& line) {
    if (Has(line, "<?xml ")) {
      out.push_back(line);
    } else if (Has(line, "</xs:sequence>")) {
      if (level_ > 0) --level_;
    } else if (Has(line, "<xs:sequence>")) {
      ++level_;
    } else if (Has(line, "</xs:element>")) {
      Close();
    } else if (Has(line, "<xs:element")) {
      std::string name;
      if (!AttributeValue(line, "name", name)) return;
      if (depth_ < kMaxDepth) ++depth_;
      stack_[static_cast<std::size_t>(depth_ - 1)] = name;
      if (current_.empty()) {
        current_ = name;
      } else if (current_ != name) {
        Flush("");
        current_ = name;
      }
      Append(Indent() + "<" + name + ">");
    }
  }
  void Finish() {
    Close();
    Flush("");
  }
  std::vector<std::string> out;

 private:
  static constexpr int kMaxDepth = 10;
  std::string Indent() const { return std::string(static_cast<std::size_t>(2 * level_ + 1), ' '); }
  void Append(const std::string& piece) { pending_ += pending_.empty() ? piece : common::StripLeftSp(piece); }
  void Flush(const std::string& tail) {
    if (pending_.empty()) return;
    out.push_back(pending_ + tail);
    pending_.clear();
  }
  void Close() {
    if (depth_ <= 0) return;
    const std::string& top = stack_[static_cast<std::size_t>(depth_ - 1)];
    if (current_ != top) {
      Flush("");
      Append(Indent() + "</" + top + ">");
    } else {
      Flush("</" + top + ">");
    }
    --depth_;
  }
  int level_ = 0, depth_ = 0;
  std::string stack_[kMaxDepth];
  std::string current_, pending_;
};

}  // namespace

// ---------------------------------------------------------------- term list

int ImportTermsFromCsv(payroll::TfJHcis& terms, const std::string& csvPath) {
  if (terms.RefusedWhileCopyLeft()) return 0;  // a list opened for reading: said once, not at every line
  int added = 0;
  const bool read = ForEachCsvLine(csvPath, ", číselník zůstal beze změny", [&](const common::tFormSoub& csv) {
    const std::string column1 = common::StripRightSp(common::StripLeftSp(csv.Field(1)));
    if (column1 != FiveDigits(column1)) return;
    terms.RecordBuffer = terms.BlankRecord;
    common::PutCounted(terms.RecordBuffer, kKey, column1, 5);
    common::PutCounted(terms.RecordBuffer, kName, Padded(csv.Field(2), 200), 200);
    if (terms.AppendRecord()) ++added;
  });
  terms.DataFileReopen();
  return read ? added : -1;
}

int AddXmlNamesFromTemplate(payroll::TfJHcis& terms, const std::string& path) {
  int named = 0;
  std::string previous;
  bool read = false;
  // The terms are looked up and named under the list's turn, counted as the file holds them.
  const bool done = terms.RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
    read = ForEachCsvLine(path, ", číselník zůstal beze změny", [&](const common::tFormSoub& csv) {
      const std::string line = csv.Field(1);
      const int p = Pos("<!--", line);
      if (p > 0 && Copy(line, p + 9, 3) == "-->") {
        const std::int32_t n = terms.JHcisFindTerm(Copy(line, p + 4, 5));
        const int open = Pos("<", previous);
        const int close = open > 0 ? Pos(">", previous, open + 1) : 0;
        if (n >= 1 && common::RemoveSpaces(payroll::Term::FromRecord(terms.RecordBuffer).xmlName).empty() && close > 0) {
          const std::string tag = Copy(previous, open + 1, close - open - 1);
          if (tag.rfind("!--", 0) != 0) {
            common::PutCounted(terms.RecordBuffer, kXmlName, Padded(tag, 64), 64);
            terms.RecordWrite(n);
            ++named;
          }
        }
      }
      previous = line;
    });
    return read;
  });
  if (!done) return read ? 0 : -1;  // taken back
  return named;
}

int AddFurtherTerms(payroll::TfJHcis& terms, const std::string& path) {
  std::vector<std::string> lines;
  if (!ReadListLines(path, lines)) return -1;
  if (terms.RefusedWhileCopyLeft()) return 0;
  int added = 0;
  for (const std::string& line : lines) {
    const std::string key = FiveDigits(Copy(line, 1, 5));
    if (terms.JHcisFindTerm(key) < 1) continue;
    common::PutCounted(terms.RecordBuffer, kKey, key, 5);
    common::PutCounted(terms.RecordBuffer, kName, Padded(common::CopyFrom(line, 7), 200), 200);
    common::PutCounted(terms.RecordBuffer, kXmlName, std::string(64, ' '), 64);
    common::PutCounted(terms.RecordBuffer, kMandatory, " ", 1);
    common::PutCounted(terms.RecordBuffer, kDefault, std::string(6, ' '), 6);
    if (terms.AppendRecord()) ++added;
    terms.DataFileReopen();
  }
  return added;
}

// ---------------------------------------------------------------- schema

int WriteXsdSkeleton(const std::string& xsdPath, const std::string& outPath) {
  std::vector<std::string> lines;
  if (!ReadTextLines(xsdPath, lines)) return -1;
  Skeleton s;
  for (const std::string& line : lines) s.Line(line);
  s.Finish();
  return WriteTextLines(outPath, s.out);
}

int WriteXsdTypeList(const std::string& xsdPath, const std::string& outPath) {
  std::vector<std::string> lines, out;
  if (!ReadTextLines(xsdPath, lines)) return -1;
  int level = 0;
  std::string lastElement;
  auto indent = [&level] { return std::string(static_cast<std::size_t>(5 * level), ' '); };
  for (const std::string& line : lines) {
    std::string name, type;
    if (Has(line, "<xs:element")) {
      AttributeValue(line, "name", name);
      AttributeValue(line, "type", type);
      lastElement = name;
      if (!name.empty()) out.push_back(indent() + std::string(7, ' ') + name + " : " + type);
    } else if (Has(line, "<xs:complexType")) {
      ++level;
      AttributeValue(line, "name", name);
      if (name.empty()) name = lastElement + "Type";
      out.push_back(indent() + "typ : " + name);
    } else if (Has(line, "</xs:complexType")) {
      if (level > 0) --level;
    } else if (Has(line, "<xs:simpleType") || Has(line, "<simpleType")) {
      AttributeValue(line, "name", name);
      if (!name.empty()) out.push_back(indent() + "sim : " + name);
    }
  }
  return WriteTextLines(outPath, out);
}

// ---------------------------------------------------------------- employees

std::string EmployeeBirthNumber(const payroll::Tfpr_rol& w, std::string_view record) {
  const std::string born = w.FieldOf(record, 4);
  std::string month = Copy(born, 3, 2);
  if (record.size() > 37 && record[37] == 1) month = common::FormatNumberMask("@@", common::TextToInt(month) + 50);
  return Copy(born, 7, 2) + month + Copy(born, 1, 2) + w.FieldOf(record, 5);
}

std::string EmployeeKindCode(std::string_view kind) {
  std::string code = Copy(kind, 1, 1);
  if (Copy(kind, 1, 2) == "11") {
    code = Copy(kind, 4, 1);
    if (code.empty() || code == " ") code = "T";
  }
  const std::int32_t number = common::TextToInt(Copy(kind, 1, 2));
  if (number >= 90) code = common::FormatNumberMask("##", number - 80);
  return code;
}

int ImportEmployeeIdentifiers(payroll::Tfpr_rol& employees, const std::string& csvPath) {
  int written = 0;
  {
    const common::RefusalTail tail(common::Cz(", zaměstnanci zůstali beze změny"));
    if (!employees.MayCarry()) return -1;
  }
  bool read = false, readFailed = false;
  // The employees are read and written under the file's turn, counted as the file holds them.
  const bool done = employees.RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
    read = ForEachCsvLine(csvPath, ", zaměstnanci zůstali beze změny", [&](const common::tFormSoub& csv) {
      for (std::int32_t n = 1; n <= employees.Count; ++n) {
        employees.RecordRead(n);
        if (!employees.lastIoOk()) {
          readFailed = true;
          return;
        }
        const std::string& r = employees.RecordBuffer;
        if (EmployeeBirthNumber(employees, r) != csv.Field(1) || EmployeeKindCode(employees.FieldOf(r, 35)) != csv.Field(6))
          continue;
        employees.PutFieldOf(employees.RecordBuffer, 102, common::AlignText(csv.Field(10), "P", " ", 10));
        employees.PutFieldOf(employees.RecordBuffer, 99, common::AlignText(csv.Field(9), "L", " ", 70));
        employees.RecordWrite(n);
        ++written;
        break;
      }
    });
    return read && !readFailed;
  });
  if (!done) return read ? 0 : -1;  // taken back
  return written;
}

// ---------------------------------------------------------------- supplement layout

int WriteSupplementLayout(const std::string& listPath, const std::string& outPath) {
  std::vector<std::string> lines;
  if (!ReadListLines(listPath, lines)) return -1;
  std::vector<std::string> out = {"type tPrDod = record", "osc : string[5];       { \"Osc   \"    \"P\"   }",
                                  "Jméno : string[30];    { \"Jméno \"    \" \"   }"_cz};
  for (std::size_t i = 0; i < lines.size(); i += 2) {
    const std::string code = common::RemoveSpaces(lines[i]);
    const std::string caption = i + 1 < lines.size() ? common::Utf8ToCp1250(lines[i + 1]) : std::string();
    out.push_back(code + " : string[30];  { \"" + code + Copy(caption, 6, 20) + "\" \" \"}");
  }
  out.push_back("      end;");
  return WriteTextLines(outPath, out);
}

std::string WorkFolderFile(const std::string& name) { return common::CurrentSession().StartDir + name; }

}  // namespace app
