#include "browser/fields.h"

#include <algorithm>

#include "common/errors.h"

namespace browser {

namespace {

std::string Cut(std::string_view s, std::size_t n) { return std::string(s.substr(0, std::min(s.size(), n))); }

std::uint8_t Byte(int v) { return static_cast<std::uint8_t>(v); }

}  // namespace

int FieldTypeOfPicture(std::string_view picture) {
  if (picture.empty()) return ft::Text;
  switch (picture.front()) {
    case ' ': return ft::TextFixed;
    case 'X': return ft::Text;
    case 'Y': return ft::TextRight;
    case 'L': return ft::CodeLeft;
    case 'P': return ft::CodeRight;
    case 'D': return ft::Date;
    case 'd': return ft::DateDmy;
    case 'K': return ft::Key;
    case 'Q': return ft::DateLong;
    case 'q': return ft::DateLongDmy;
    case 'T':
    case 't': return ft::Time;
    case 'x': return ft::TextX;
    case 'y': return ft::TextRightY;
    case 'l': return ft::CodeLeftL;
    case 'p': return ft::CodeRightP;
    case 'm': return ft::TextM;
    case '#':
    case '@':
      switch (picture.back()) {
        case 'B': return ft::Byte;
        case 'C': return ft::Amount;
        case 'D': return ft::Double;
        case 'I': return ft::Int;
        case 'L': return ft::LongInt;
        case 'R': return ft::Real;
        case 'W': return ft::Word;
        default: return ft::Text;
      }
    default: return ft::Text;
  }
}

std::string StoredPicture(std::string_view picture) {
  const std::string p = Cut(picture, kPictureMax);
  if (!p.empty() && (p.front() == '#' || p.front() == '@')) return p.substr(0, p.size() - 1);
  return p;
}

void SetFieldDescriptor(FieldDescriptor& d, const FieldSetup& s) {
  d.caption = Cut(s.caption, kCaptionMax);
  d.column = Byte(s.column);
  d.line = Byte(s.line);
  const std::string picture = Cut(s.picture, kPictureMax);
  d.value = Cut(s.initialValue, kValueMax);
  d.initialValue = d.value;
  d.hintColumn = Byte(s.hintColumn);
  d.hintLine = Byte(s.hintLine);
  d.fieldType = Byte(FieldTypeOfPicture(picture));
  d.picture = StoredPicture(picture);
  d.width = Byte(static_cast<int>(d.value.size()));
  d.hint = Cut(s.hint, kHintMax);
}

int FieldStoredSize(int fieldType, int width) {
  switch (fieldType) {
    case ft::Byte: return 1;
    case ft::Int:
    case ft::LongInt: return 4;
    case ft::Real: return 6;
    case ft::Date:
    case ft::DateDmy:
    case ft::Time: return 7;
    case ft::Word: return 2;
    case ft::Double:
    case ft::Amount: return 8;
    case ft::DateLong:
    case ft::DateLongDmy: return 9;
    case ft::None18:
    case ft::None19: return 0;
    default: return width + 1;
  }
}

int LayoutLength(std::span<const FieldDescriptor> fields) {
  int total = 0;
  for (const FieldDescriptor& d : fields) total += FieldStoredSize(d);
  return total;
}

std::vector<int> FieldOffsets(std::span<const FieldDescriptor> fields) {
  std::vector<int> offsets;
  offsets.reserve(fields.size());
  int at = 0;
  for (const FieldDescriptor& d : fields) {
    offsets.push_back(at);
    at += FieldStoredSize(d);
  }
  return offsets;
}

bool IsTextType(int t) { return (t >= 0 && t <= 4) || t == ft::Key || (t >= 20 && t <= 24); }
bool IsNumberType(int t) { return (t >= 5 && t <= 8) || t == ft::Word || t == ft::Double || t == ft::Amount; }
bool IsDateTimeType(int t) { return t == ft::Date || t == ft::DateDmy || t == ft::Time || t == ft::DateLong || t == ft::DateLongDmy; }

int FieldDisplayLength(const FieldDescriptor& d) {
  switch (d.fieldType) {
    case ft::Date:
    case ft::DateDmy:
    case ft::Time: return 8;
    case ft::DateLong:
    case ft::DateLongDmy: return 10;
    default: return d.width;
  }
}

int FieldEditLength(const FieldDescriptor& d) { return std::max<int>(d.width, FieldDisplayLength(d)); }

int NextEnabledField(std::span<const std::int32_t> states, int count, int after) {
  const int last = std::min<int>(count, static_cast<int>(states.size()) - 1);
  for (int i = std::max(after + 1, 1); i <= last; ++i)
    if (states[static_cast<std::size_t>(i)] > 0) return i;
  return 0;
}

int PreviousEnabledField(std::span<const std::int32_t> states, int count, int before) {
  const int last = std::min<int>(count, static_cast<int>(states.size()) - 1);
  for (int i = std::min(before - 1, last); i >= 1; --i)
    if (states[static_cast<std::size_t>(i)] > 0) return i;
  return 0;
}

}  // namespace browser
