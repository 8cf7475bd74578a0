#include "browser/codec.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "common/dates.h"
#include "common/errors.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/text.h"

namespace browser {

namespace {

using common::Currency;

bool HasDigit(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsBlank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

std::string Cut255(std::string s) {
  if (s.size() > static_cast<std::size_t>(kValueMax)) s.resize(kValueMax);
  return s;
}

// The largest 6-byte real, with the given sign.
common::Real48Bytes Real48Max(bool negative) {
  return {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, static_cast<unsigned char>(negative ? 0xFF : 0x7F)};
}

void CheckLayout(std::span<const FieldDescriptor> fields, std::size_t recordSize) {
  const int need = LayoutLength(fields);
  if (static_cast<std::size_t>(need) > recordSize)
    throw common::RangeError("record of " + std::to_string(recordSize) + " bytes is shorter than its " +
                             std::to_string(need) + "-byte layout");
}

}  // namespace

std::string NormalizeLongDate(std::string_view typed) {
  std::string s = common::NormalizeDateLong(typed);
  if (IsBlank(s)) return std::string(8, ' ');
  if (s.size() == 6) s = common::IsoToDate8(common::AddCentury(common::SwapDate(s)));
  if (s.size() != 8 || common::DateHasError(s)) return std::string(8, ' ');
  return s;
}

std::string FieldText(const FieldDescriptor& d, std::string_view record, int offset) {
  const auto at = static_cast<std::size_t>(offset);
  common::CheckFieldRange(record.size(), at, static_cast<std::size_t>(FieldStoredSize(d)));
  const std::string& mask = d.picture;
  switch (d.fieldType) {
    case ft::Byte: return common::FormatFloatMask(mask, common::GetLE<std::uint8_t>(record, at));
    case ft::Int:
    case ft::LongInt: return common::FormatFloatMask(mask, common::GetLE<std::int32_t>(record, at));
    case ft::Word: return common::FormatFloatMask(mask, common::GetLE<std::uint16_t>(record, at));
    case ft::Real: return common::FormatFloatMask(mask, common::GetReal48(record, at));
    case ft::Double: return common::FormatFloatMask(mask, common::GetLE<double>(record, at));
    case ft::Amount: return common::FormatCurrencyMask(mask, common::GetLE<std::int64_t>(record, at));
    case ft::Date: return common::DateWithDots(common::SwapDate(common::GetCounted(record, at, 6)));
    case ft::DateDmy: return common::DateWithDots(common::GetCounted(record, at, 6));
    case ft::Time: {
      const std::string t = common::GetCounted(record, at, 6);
      return HasDigit(t) ? common::TimeWithColons(t) : std::string(8, ' ');
    }
    case ft::DateLong:
    case ft::DateLongDmy: {
      std::string t = common::GetCounted(record, at, 8);
      if (!HasDigit(t)) return std::string(10, ' ');
      if (d.fieldType == ft::DateLongDmy) t = common::Date8ToIso(t);
      return common::DateIsoToDots(t);
    }
    case ft::None18:
    case ft::None19: return {};
    default: return Cut255(common::GetCounted(record, at, d.width));
  }
}

CountedTextCheck::CountedTextCheck(std::span<const FieldDescriptor> fields) {
  int at = 0, number = 0;
  for (const FieldDescriptor& d : fields) {
    ++number;
    const int stored = FieldStoredSize(d);
    // A field of no width is no field the layout describes.
    if (stored > 1 && !IsNumberType(d.fieldType)) texts_.push_back({number, at, stored - 1});
    at += stored;
  }
}

int CountedTextCheck::FirstOverlong(std::string_view record) const {
  for (const Text& t : texts_)
    if (static_cast<unsigned char>(record[static_cast<std::size_t>(t.offset)]) > t.capacity) return t.field;
  return 0;
}

int CountedTextCheck::Capacity(int f) const {
  for (const Text& t : texts_)
    if (t.field == f) return t.capacity;
  return 0;
}

int CountedTextCheck::Offset(int f) const {
  for (const Text& t : texts_)
    if (t.field == f) return t.offset;
  return 0;
}

void RecordToFields(std::span<FieldDescriptor> fields, std::string_view record) {
  CheckLayout(fields, record.size());
  int at = 0;
  for (FieldDescriptor& d : fields) {
    d.value = FieldText(d, record, at);
    at += FieldStoredSize(d);
  }
}

std::vector<std::string> RecordToTexts(std::span<const FieldDescriptor> fields, std::string_view record) {
  CheckLayout(fields, record.size());
  std::vector<std::string> texts;
  texts.reserve(fields.size());
  int at = 0;
  for (const FieldDescriptor& d : fields) {
    texts.push_back(FieldText(d, record, at));
    at += FieldStoredSize(d);
  }
  return texts;
}

std::string PrepareFieldText(const FieldDescriptor& d, std::string v) {
  const std::size_t width = d.width;
  switch (d.fieldType) {
    case ft::Text:
    case ft::Key:
    case ft::TextX:
    case ft::TextRightY:
    case ft::CodeLeftL:
    case ft::CodeRightP:
    case ft::TextM:
      if (v.size() < width) v.append(width - v.size(), ' ');
      return v;
    case ft::TextRight:
      if (v.size() < width) v.insert(0, width - v.size(), ' ');
      return v;
    case ft::CodeLeft:
      v = common::StripLeftSp(v);
      if (v.size() < width) v.append(width - v.size(), '0');
      break;
    case ft::CodeRight:
      v = common::StripRightSp(v);
      if (v.size() < width) v.insert(0, width - v.size(), '0');
      break;
    default: return v;
  }
  for (std::size_t i = 0; i < std::min(width, v.size()); ++i)
    if (v[i] == ' ') v[i] = '0';
  return v;
}

bool PackField(const FieldDescriptor& d, std::string_view value, std::string& record, int offset) {
  const auto at = static_cast<std::size_t>(offset);
  common::CheckFieldRange(record.size(), at, static_cast<std::size_t>(FieldStoredSize(d)));
  switch (d.fieldType) {
    case ft::Byte:
    case ft::Word: {
      const std::int32_t limit = d.fieldType == ft::Byte ? 255 : 65535;
      const std::int32_t n = common::TextToInt(value);
      const std::int32_t kept = std::clamp(n, 0, limit);
      if (d.fieldType == ft::Byte) common::PutLE<std::uint8_t>(record, at, static_cast<std::uint8_t>(kept));
      else common::PutLE<std::uint16_t>(record, at, static_cast<std::uint16_t>(kept));
      return kept == n;
    }
    case ft::Int:
    case ft::LongInt: common::PutLE<std::int32_t>(record, at, common::TextToInt(value)); return true;
    case ft::Real: {
      const double v = common::TextToFloat(value);
      common::Real48Bytes bytes;
      bool fits = true;
      try {
        bytes = common::EncodeReal48(v);
      } catch (const common::RangeError&) {
        bytes = Real48Max(std::signbit(v));
        fits = false;
      }
      std::copy(bytes.begin(), bytes.end(), record.begin() + static_cast<std::ptrdiff_t>(at));
      return fits;
    }
    case ft::Double: common::PutLE<double>(record, at, common::TextToFloat(value)); return true;
    case ft::Amount: common::PutLE<std::int64_t>(record, at, common::TextToCurrency(value)); return true;
    case ft::Date: common::PutCounted(record, at, common::SwapDate(common::NormalizeDate(value)), 6); return true;
    case ft::DateDmy: common::PutCounted(record, at, common::NormalizeDate(value), 6); return true;
    case ft::Time:
      common::PutCounted(record, at, HasDigit(value) ? common::NormalizeTime(value) : std::string(6, ' '), 6);
      return true;
    case ft::DateLong: common::PutCounted(record, at, common::Date8ToIso(NormalizeLongDate(value)), 8); return true;
    case ft::DateLongDmy: common::PutCounted(record, at, NormalizeLongDate(value), 8); return true;
    case ft::None18:
    case ft::None19: return true;
    default: common::PutCounted(record, at, value.substr(0, std::min<std::size_t>(value.size(), d.width)), d.width); return true;
  }
}

void FieldsToRecord(std::span<FieldDescriptor> fields, std::string& record, std::vector<int>* wrong) {
  CheckLayout(fields, record.size());
  for (FieldDescriptor& d : fields) d.value = PrepareFieldText(d, std::move(d.value));
  int at = 0;
  int number = 0;
  for (const FieldDescriptor& d : fields) {
    ++number;
    if (!PackField(d, d.value, record, at) && wrong) wrong->push_back(number);
    at += FieldStoredSize(d);
  }
}

void PadFieldValues(std::span<FieldDescriptor> fields) {
  for (FieldDescriptor& d : fields) {
    if (!IsTextType(d.fieldType)) continue;
    std::string& v = d.value;
    v.resize(d.width, ' ');
  }
}

}  // namespace browser
