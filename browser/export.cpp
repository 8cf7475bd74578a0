#include "browser/export.h"

#include <algorithm>
#include <set>

#include "common/codepages.h"
#include "common/dates.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/text.h"
#include "common/winpath.h"

namespace browser {

namespace {

constexpr const char* kCrLf = "\r\n";

// The data file name without a leading "=" and without its folders.
std::string BareName(std::string_view dataFileName) {
  if (!dataFileName.empty() && dataFileName.front() == '=') dataFileName.remove_prefix(1);
  return std::string(common::NamePart(dataFileName));
}

std::string PadCut(std::string_view s, std::size_t width) {
  std::string t(s.substr(0, std::min(s.size(), width)));
  t.resize(width, ' ');
  return t;
}

bool QuotedInCsv(int type) {
  return (type >= ft::Text && type <= ft::TextFixed) || type == ft::Date || type == ft::DateDmy ||
         (type >= ft::DateLong && type <= ft::Key) || (type >= ft::TextX && type <= ft::TextM);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal places of a number picture: digit places after its decimal point.
int PictureDecimals(std::string_view picture) {
  const std::size_t dp = picture.find_first_of(".,");
  if (dp == std::string_view::npos) return 0;
  return static_cast<int>(std::count_if(picture.begin() + static_cast<long>(dp) + 1, picture.end(),
                                        [](char c) { return c == '#' || c == '@'; }));
}

// A caption as a dBASE field name: capitals, digits and "_" only, a letter first.
std::string DbfName(std::string_view caption) {
  const std::string plain = common::StripDiacritics(common::UpperCz(caption));
  std::string name;
  for (char c : plain) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const bool keep = (c >= 'A' && c <= 'Z') || IsDigit(c);
    if (keep)
      name += c;
    else if (!name.empty() && name.back() != '_')
      name += '_';
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  if (!name.empty() && IsDigit(name.front())) name.insert(0, "F");
  return name.substr(0, std::min<std::size_t>(name.size(), 10));
}

// A piece of the combined code-list file ("CI.10" ... "ci.99"): its exports are named
// "CI_10", so that no two pieces share one. Empty for any other file.
std::string PieceExportBase(const std::string& bareName) {
  const std::size_t dot = bareName.find('.');
  if (dot == std::string::npos || bareName.size() != dot + 3 || !IsDigit(bareName[dot + 1]) || !IsDigit(bareName[dot + 2]))
    return {};
  return common::UpperCz(bareName.substr(0, dot)) + "_" + bareName.substr(dot + 1);
}

}  // namespace

std::string CsvExportName(std::string_view dataFileName) {
  const std::string name = BareName(dataFileName);
  if (const std::string piece = PieceExportBase(name); !piece.empty()) return "XLS\\" + piece + ".CSV";
  return "XLS\\" + common::UpperCz(common::Copy(name, 1, static_cast<int>(name.size()) - 3)) + "CSV";
}

std::string CsvCaptionLine(std::span<const FieldDescriptor> fields) {
  std::string line;
  for (const FieldDescriptor& d : fields) line += PadCut(d.caption, d.width) + ";";
  return line + kCrLf;
}

std::string CsvNumberLine(std::size_t count) {
  std::string line;
  for (std::size_t i = 1; i <= count; ++i) line += common::FormatFloatMask("@@", static_cast<double>(i)) + ";";
  return line + kCrLf;
}

std::string CsvRecordLine(std::span<const FieldDescriptor> fields) {
  std::string line;
  for (const FieldDescriptor& d : fields) {
    std::string text = d.value;
    if ((d.fieldType == ft::Date || d.fieldType == ft::DateDmy) && text.size() == 8) {
      text = common::DateNoDots(text);
      for (char& c : text) c = c == 'O' ? '0' : c == 'l' ? '1' : c;
    }
    if (QuotedInCsv(d.fieldType)) {
      line += "\"" + text + "\";";
    } else {
      if (IsNumberType(d.fieldType)) {
        const std::size_t dot = text.find('.');
        if (dot != std::string::npos) text[dot] = ',';
      }
      line += text + ";";
    }
  }
  return line + kCrLf;
}

std::string DbfExportName(std::string_view dataFileName, std::string_view folder) {
  const std::string name = BareName(dataFileName);
  if (const std::string piece = PieceExportBase(name); !piece.empty()) return std::string(folder) + piece + ".DBF";
  return std::string(folder) + common::UpperCz(name.substr(0, name.find('.'))) + ".DBF";
}

std::vector<DbfField> DbfLayout(std::span<const FieldDescriptor> fields) {
  std::vector<DbfField> layout;
  std::set<std::string> taken;
  int offset = 1;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldDescriptor& d = fields[i];
    DbfField f;
    f.name = DbfName(d.caption);
    if (f.name.empty()) f.name = "F" + std::to_string(i + 1);
    // Names must differ: a repeated one gets "_" and a number in place of its tail.
    for (int n = 2; taken.count(f.name); ++n) {
      const std::string tail = "_" + std::to_string(n);
      f.name = DbfName(d.caption).substr(0, 10 - tail.size()) + tail;
    }
    taken.insert(f.name);
    switch (d.fieldType) {
      case ft::Date:
      case ft::DateDmy:
      case ft::DateLong:
      case ft::DateLongDmy:
        f.type = 'D';
        f.length = 8;
        break;
      default:
        f.type = IsNumberType(d.fieldType) ? 'N' : 'C';
        f.length = d.width;
        f.decimals = f.type == 'N' ? PictureDecimals(d.picture) : 0;
    }
    f.offset = offset;
    offset += f.length;
    layout.push_back(std::move(f));
  }
  return layout;
}

std::size_t DbfRecordLength(const std::vector<DbfField>& layout) {
  std::size_t n = 1;
  for (const DbfField& f : layout) n += static_cast<std::size_t>(f.length);
  return n;
}

std::string DbfHeader(const std::vector<DbfField>& layout, std::uint32_t records) {
  std::string h(32 + 32 * layout.size() + 1, '\0');
  h[0] = 3;
  h[1] = 97;
  h[2] = 6;
  h[3] = 17;
  common::PutLE<std::uint32_t>(h, 4, records);
  common::PutLE<std::uint16_t>(h, 8, static_cast<std::uint16_t>(h.size()));
  common::PutLE<std::uint16_t>(h, 10, static_cast<std::uint16_t>(DbfRecordLength(layout)));
  std::size_t at = 32;
  for (const DbfField& f : layout) {
    h.replace(at, f.name.size(), f.name);
    h[at + 11] = f.type;
    common::PutLE<std::uint16_t>(h, at + 12, static_cast<std::uint16_t>(f.offset));
    h[at + 16] = static_cast<char>(f.length);
    h[at + 17] = static_cast<char>(f.decimals);
    at += 32;
  }
  h[at] = 0x0D;
  return h;
}

std::string DbfRecord(const std::vector<DbfField>& layout, std::span<const FieldDescriptor> fields) {
  std::string r(" ");
  for (std::size_t i = 0; i < layout.size() && i < fields.size(); ++i) {
    const DbfField& f = layout[i];
    const FieldDescriptor& d = fields[i];
    const auto len = static_cast<std::size_t>(f.length);
    if (f.type == 'D')
      r += DbfDate(d.value);
    else if (f.type == 'N')
      r += DbfNumber(d.value, f.length, f.decimals);
    else if (d.fieldType == ft::Time)
      r += PadCut(common::PackTime(d.value), len);
    else
      r += PadCut(d.value, len);
  }
  return r;
}

std::string DbfNumber(std::string_view text, int length, int decimals) {
  const bool negative = text.find('-') != std::string_view::npos;
  const std::size_t dp = text.find_first_of(".,");
  std::string whole, frac;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (IsDigit(text[i])) (dp != std::string_view::npos && i > dp ? frac : whole) += text[i];
  const auto places = static_cast<std::size_t>(std::max(decimals, 0));
  std::string digits = whole + frac.substr(0, std::min(frac.size(), places));
  digits.append(places - std::min(frac.size(), places), '0');
  if (frac.size() > places && frac[places] >= '5') {  // half away from zero
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0)
      digits.insert(0, "1");
    else
      ++digits[i - 1];
  }
  std::string intPart = digits.substr(0, digits.size() - places);
  const std::string fracPart = digits.substr(digits.size() - places);
  intPart.erase(0, std::min(intPart.find_first_not_of('0'), intPart.size()));
  if (intPart.empty()) intPart = "0";
  const bool zero = digits.find_first_not_of('0') == std::string::npos;
  std::string s = (negative && !zero ? "-" : "") + intPart + (places > 0 ? "." + fracPart : "");
  const auto len = static_cast<std::size_t>(std::max(length, 0));
  if (s.size() > len) return std::string(len, '*');
  return std::string(len - s.size(), ' ') + s;
}

std::string DbfDate(std::string_view text) {
  std::string d;
  for (char c : text)
    if (c != '.' && c != ' ') d += c == 'O' ? '0' : c == 'l' ? '1' : c;  // letters typed for digits
  const std::string blank(8, ' ');
  if (d.size() == 6) {
    if (d == "000000" || common::DateHasError(d)) return blank;
    return common::AddCentury(common::SwapDate(d));
  }
  if (d.size() == 8) {
    if (d == "00000000" || common::DateHasError(d)) return blank;
    return common::Date8ToIso(d);
  }
  return blank;
}

}  // namespace browser
