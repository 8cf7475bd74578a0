#include "payroll/xmltemplate.h"

#include <algorithm>
#include <cctype>

#include "common/codepages.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"

namespace payroll {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr char kUnfilled[] = "> ######## </";

std::string Trim(std::string_view s) {
  auto weak = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && weak(s.front())) s.remove_prefix(1);
  while (!s.empty() && weak(s.back())) s.remove_suffix(1);
  return std::string(s);
}

bool Blank(std::string_view s) { return s.find_first_not_of(' ') == npos; }

// Reads and writes fail with the action in the error's text ("read" or "write").
void Throw(int code, const std::string& file, const char* action) {
  if (code) throw common::IoError(code, file, action);
}

std::string ReadText(const std::string& file) {
  std::string text;
  Throw(common::ReadFileText(file, text), file, "read");
  return text;
}

// "KKKKK : value" lines; lines without a colon are left out.
std::vector<ValueLine> ReadValues(const std::string& file) { return ParseValues(ReadText(file)); }

}  // namespace

std::vector<ValueLine> ParseValues(std::string_view text) {
  std::vector<ValueLine> values;
  for (const std::string& line : SplitLines(text)) {
    const std::size_t colon = line.find(':');
    if (colon == npos) continue;
    values.push_back({line.substr(0, 5), Trim(std::string_view(line).substr(colon + 1))});
  }
  return values;
}

namespace {

// The value between the first ">" and the first "</" after it.
void PutElementValue(std::string& line, const std::string& text) {
  const std::size_t gt = line.find('>'), ct = line.find("</");
  if (gt == npos || ct == npos || ct < gt) return;
  line = line.substr(0, gt + 1) + text + line.substr(ct);
}

// "<!--KKKKK-->": the marker comment of the value line above it.
bool IsMarkerLine(std::string_view line) {
  const std::size_t a = line.find("<!--");
  return a != npos && line.size() >= a + 12 && line.substr(a + 9, 3) == "-->";
}

bool StartsReference(std::string_view s, std::size_t at) {
  std::size_t j = at + 1;
  if (j < s.size() && s[j] == '#') {
    ++j;
    const bool hex = j < s.size() && s[j] == 'x';
    if (hex) ++j;
    const std::size_t digits = j;
    unsigned long code = 0;
    while (j < s.size() && (hex ? std::isxdigit(static_cast<unsigned char>(s[j])) : std::isdigit(static_cast<unsigned char>(s[j])))) {
      code = code * (hex ? 16 : 10) + static_cast<unsigned long>(std::isdigit(static_cast<unsigned char>(s[j])) ? s[j] - '0' : (std::tolower(s[j]) - 'a' + 10));
      if (code > 0x10FFFF) return false;
      ++j;
    }
    if (j == digits || j >= s.size() || s[j] != ';') return false;
    const bool allowed = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                         (code >= 0xE000 && code <= 0xFFFD) || code >= 0x10000;
    return allowed;
  }
  for (std::string_view name : {"amp;", "lt;", "gt;", "quot;", "apos;"})
    if (s.substr(j, name.size()) == name) return true;
  return false;
}

void FillValues(const TermIndex& terms, const std::vector<ValueLine>& values, std::vector<std::string>& lines,
                std::string& comment) {
  for (const ValueLine& v : values) {
    std::string value = v.value;
    if (v.key == "10495" && value == "true") comment += "PRIM:A; ";
    if (v.key == "10054") comment += "JM:" + value + "; ";
    if (v.key == "10053") comment += "PR:" + value + "; ";
    if (value.empty()) {
      const Term* t = terms.Find(v.key);
      if (t && !t->name.empty() && t->mandatory == "1") value = Trim(t->defaultValue);
    }
    const std::string marker = "<!--" + v.key + "-->", text = EscapeXml(value);
    // A marker on the first line has no value line above it.
    for (std::size_t i = 1; i < lines.size(); ++i)
      if (lines[i].find(marker) != npos) PutElementValue(lines[i - 1], text);
  }
}

void ResolvePlaceholders(const TermIndex& terms, std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t p = lines[i].find(kUnfilled);
    if (p == npos) continue;
    const std::string next = i + 1 < lines.size() ? lines[i + 1] : std::string();
    int mandatory = 0;
    std::string def;
    const std::size_t a = next.find("<!--");
    if (a != npos && next.find("-->", a + 1) != npos) mandatory = TermDefault(terms, next.substr(a + 4, 5), def);
    if (mandatory != 0) {
      lines[i] = lines[i].substr(0, p + 1) + EscapeXml(def) + lines[i].substr(p + 11);
    } else {
      lines[i].clear();
      if (i + 1 < lines.size() && IsMarkerLine(next)) lines[i + 1].clear();
    }
  }
}

void FillLines(const TermIndex& terms, const std::vector<ValueLine>& values, const std::string& output,
               const std::string& templateFile, std::string& comment) {
  std::vector<std::string> lines = ReadLines(templateFile);
  FillElementLines(terms, values, lines, comment);
  if (!lines.empty()) WriteLines(output, lines, true, true);
}

}  // namespace

void FillElementLines(const TermIndex& terms, const std::vector<ValueLine>& values, std::vector<std::string>& lines,
                      std::string& comment) {
  FillValues(terms, values, lines, comment);
  if (JhSwitches().JhZebriky == 0) ResolvePlaceholders(terms, lines);
  if (JhSwitches().JhPoznamky == 0) RemoveComments(lines, true);
  RemoveEmptyElementLines(lines);
}

void AppendNonBlank(const std::vector<std::string>& lines, std::string& out) {
  for (const std::string& line : lines) {
    if (Blank(line)) continue;
    out += line;
    out += "\r\n";
  }
}

void ShowTemplateIoError(const common::IoError& e) {
  common::FileErrorMessage(std::string_view(e.what()) == "read" ? " cte soubor: " : " pise soubor: ", e.file, e.code);
}

TemplateSwitches& JhSwitches() {
  static TemplateSwitches switches;
  return switches;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> ReadLines(const std::string& file) { return SplitLines(ReadText(file)); }

void WriteScratchFile(const std::string& file, std::string_view text) {
  common::File f;
  Throw(f.Create(file, common::kModeReadWrite), file, "write");
  Throw(f.WriteWhole(text), file, "write");
  Throw(f.Close(), file, "write");
}

void WriteLines(const std::string& file, const std::vector<std::string>& lines, bool nonBlankOnly, bool scratch) {
  std::string out;
  for (const std::string& line : lines) {
    if (nonBlankOnly && Blank(line)) continue;
    out += line;
    out += "\r\n";
  }
  if (scratch) return WriteScratchFile(file, out);
  Throw(common::ReplaceFileContents(file, out), file, "write");
}

std::string EscapeXml(std::string_view value, bool attribute) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '&')
      out += StartsReference(value, i) ? "&" : "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (attribute && c == '"')
      out += "&quot;";
    else if (attribute && c == '#')
      out += "&#35;";
    else if (static_cast<unsigned char>(c) < 32 && c != '\t')
      out += ' ';
    else
      out += c;
  }
  return out;
}

std::string CommentSafe(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
    if (c == '-' && !out.empty() && out.back() == '-') out += ' ';
    out += c;
  }
  return out;
}

int TermDefault(const TermIndex& terms, const std::string& key, std::string& defaultText) {
  defaultText.clear();
  const Term* t = terms.Find(key);
  if (!t || t->name.empty()) return 0;
  defaultText = Trim(t->defaultValue);
  return common::TextToInt(t->mandatory);
}

void RemoveComments(std::vector<std::string>& lines, bool keepEmployeeSlot) {
  bool open = false;
  for (std::string& l : lines) {
    const std::size_t a = l.find("<!--"), b = l.find("-->");
    if (a != npos && b != npos && b > a) {
      if (!(keepEmployeeSlot && l.compare(a + 4, 11, "ZAMESTNANEC") == 0)) l.clear();
    } else if (a != npos && b == npos) {
      l.clear();
      open = true;
    } else if (a == npos && b != npos) {
      l.clear();
      open = false;
    } else if (a == npos && b == npos && open) {
      l.clear();
    }
  }
}

void RemoveEmptyElementLines(std::vector<std::string>& lines) {
  struct Opened {
    std::size_t line;
    bool empty;
  };
  std::vector<Opened> open;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string& l = lines[i];
    if (l.find("<!--") != npos) continue;
    const std::size_t lt = l.find('<'), ct = l.find("</");
    if (lt == npos) continue;
    if (ct == npos) {
      open.push_back({i, true});
    } else if (lt == ct) {
      // A closing line with nothing open closes an element of an earlier fragment.
      if (open.empty()) continue;
      const Opened o = open.back();
      open.pop_back();
      if (o.empty)
        for (std::size_t k = o.line; k <= i; ++k) lines[k].clear();
    } else {
      const std::size_t gt = l.find('>');
      std::string_view content;
      if (gt != npos) {
        const std::size_t next = l.find('<', gt + 1);
        content = std::string_view(l).substr(gt + 1, next == npos ? npos : next - gt - 1);
      }
      if (Blank(content))
        l.clear();
      else
        for (Opened& o : open) o.empty = false;
    }
  }
}

void FillXmlTemplate(const TermIndex& terms, const std::string& valueFile, const std::string& output,
                     const std::string& templateFile, std::string& comment) {
  comment.clear();
  common::EraseFiles(output);
  if (common::CheckFile(valueFile) <= 2 || common::CheckFile(templateFile) <= 2) return;
  FillLines(terms, ReadValues(valueFile), output, templateFile, comment);
}

void FillXmlTemplateUnvalued(const TermIndex& terms, const std::string& output, const std::string& templateFile) {
  common::EraseFiles(output);
  if (common::CheckFile(templateFile) <= 2) return;
  std::string comment;
  FillLines(terms, {}, output, templateFile, comment);
}

void FillAttributeTemplate(const TermIndex& terms, const std::string& valueFile, const std::string& output,
                           const std::string& templateFile) {
  common::EraseFiles(output);
  if (common::CheckFile(valueFile) <= 2 || common::CheckFile(templateFile) <= 2) return;
  std::vector<std::string> lines = ReadLines(templateFile);
  FillAttributeLines(terms, ReadValues(valueFile), lines);
  if (!lines.empty()) WriteLines(output, lines, true, true);
}

void FillAttributeLines(const TermIndex& terms, const std::vector<ValueLine>& values, std::vector<std::string>& lines) {
  for (const ValueLine& v : values) {
    if (v.value.empty()) continue;
    const std::string text = EscapeXml(v.value, true);
    for (std::string& line : lines) {
      std::size_t from = 0;
      for (;;) {
        const std::size_t a = line.find("\"#", from), b = line.find("#\"", from);
        if (a == npos || b == npos || b != a + 7) break;
        if (line.compare(a + 2, 5, v.key) == 0) {
          line = line.substr(0, a + 1) + text + line.substr(b + 1);
          break;
        }
        from = b + 2;
      }
    }
  }
  if (JhSwitches().JhZebriky == 0) {
    for (std::string& line : lines) {
      // Every turn takes away the first closing pair, and inserted text holds none;
      // the count of "#" bounds the turns all the same.
      const auto turns = static_cast<std::size_t>(std::count(line.begin(), line.end(), '#'));
      for (std::size_t turn = 0; turn <= turns; ++turn) {
        const std::size_t a = line.find("\"#"), b = line.find("#\"");
        if (b == npos) break;
        if (a != npos && b == a + 7) {
          std::string def;
          if (TermDefault(terms, line.substr(a + 2, 5), def) != 0) {
            line = line.substr(0, a + 1) + EscapeXml(def, true) + line.substr(b + 1);
          } else {
            const std::size_t s = a == 0 ? npos : line.rfind(' ', a - 1);
            line = s == npos ? line.substr(0, a + 1) + line.substr(b + 1) : line.substr(0, s + 1) + line.substr(b + 2);
          }
        } else {
          if (a != npos) line[a] = ' ';
          line[b] = ' ';
        }
      }
    }
  }
  if (JhSwitches().JhPoznamky == 0) RemoveComments(lines, false);
  for (std::string& line : lines) {
    const std::size_t lt = line.find('<'), sc = line.find("/>");
    if (lt == npos || sc == npos || lt > sc) continue;
    if (Trim(std::string_view(line).substr(lt + 1, sc - lt - 1)).find(' ') == npos) line.clear();
  }
}

void RemoveEmptyElements(const std::string& file) {
  if (common::CheckFile(file) < 2) return;
  std::vector<std::string> lines = ReadLines(file);
  RemoveEmptyElementLines(lines);
  WriteLines(file, lines, true);
}

void ClearMatrixValues(const std::string& file) {
  if (common::CheckFile(file) <= 2) return;
  std::vector<std::string> lines = ReadLines(file);
  for (std::string& line : lines) PutElementValue(line, kPlaceholder);
  WriteLines(file, lines, false);
}

void ReplaceInFile(const std::string& oldText, const std::string& newText, const std::string& file) {
  if (oldText.empty() || common::CheckFile(file) <= 2) return;
  std::vector<std::string> lines = ReadLines(file);
  ReplaceInLines(oldText, newText, lines);
  WriteLines(file, lines, false);
}

void ReplaceInLines(const std::string& oldText, const std::string& newText, std::vector<std::string>& lines) {
  if (oldText.empty()) return;
  for (std::string& line : lines) {
    std::string out;
    std::size_t pos = 0, found;
    while ((found = line.find(oldText, pos)) != npos) {
      out += line.substr(pos, found - pos) + newText;
      pos = found + oldText.size();
    }
    line = out + line.substr(pos);
  }
}

void ReplaceEncodingName(const std::string& oldName, const std::string& newName, const std::string& file) {
  if (oldName.empty() || common::CheckFile(file) <= 2) return;
  std::vector<std::string> lines = ReadLines(file);
  ReplaceEncodingInLines(oldName, newName, lines);
  WriteLines(file, lines, false);
}

void ReplaceEncodingInLines(const std::string& oldName, const std::string& newName, std::vector<std::string>& lines) {
  if (oldName.empty()) return;
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const std::string wanted = lower(oldName);
  for (std::string& line : lines) {
    if (line.find("<?xml") == npos) continue;
    const std::string low = lower(line);
    std::string out;
    std::size_t pos = 0, found;
    while ((found = low.find(wanted, pos)) != npos) {
      out += line.substr(pos, found - pos) + newName;
      pos = found + wanted.size();
    }
    line = out + line.substr(pos);
  }
}

void ConvertFileToUtf8(const std::string& source, const std::string& target) {
  std::vector<std::string> lines = ReadLines(source);
  for (std::string& line : lines) line = common::Cp1250ToUtf8(line);
  WriteLines(target, lines, false);
}

}  // namespace payroll
