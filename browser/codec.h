// The record codec: field values (display texts) to the stored bytes of a record
// and back. Fields are packed in descriptor order with no gaps; bytes the fields
// do not cover (and the unused tail of a counted text) keep what the buffer held.
// Layouts are spans of descriptors in record order (fields 1..n of a window).
#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "browser/fields.h"

namespace browser {

// The shown text of one field stored at offset of the record (cut to 255).
// A counted-text length above the field's width is read as the width.
// RangeError when the field lies outside the record.
std::string FieldText(const FieldDescriptor& d, std::string_view record, int offset);

// Where a layout keeps its counted texts, to tell a record that does not decode under
// it: a length byte above its field's capacity, which no writer of the layout makes.
class CountedTextCheck {
 public:
  explicit CountedTextCheck(std::span<const FieldDescriptor> fields);
  bool empty() const { return texts_.empty(); }
  // The 1-based number of the first field whose length byte exceeds its capacity, 0
  // when every one fits. The record must hold the layout.
  int FirstOverlong(std::string_view record) const;
  // The capacity of field f (0 for a field that is no counted text).
  int Capacity(int f) const;
  // Its offset in the record.
  int Offset(int f) const;

 private:
  struct Text {
    int field, offset, capacity;
  };
  std::vector<Text> texts_;
};

// Stored form -> the value text of every descriptor.
void RecordToFields(std::span<FieldDescriptor> fields, std::string_view record);
// Stored form -> one shown text per field (the column texts of a grid row).
std::vector<std::string> RecordToTexts(std::span<const FieldDescriptor> fields, std::string_view record);

// Value texts -> record, in two passes: the text types are prepared in the value
// texts themselves (filled or aligned to the width), then every field is packed.
// The record must hold the layout (RangeError otherwise, and nothing is written).
// Numbers out of their field's range are clamped; the 1-based numbers of those
// fields are added to `wrong` when given.
void FieldsToRecord(std::span<FieldDescriptor> fields, std::string& record, std::vector<int>* wrong = nullptr);

// Pads (and cuts) the value texts of the text types to their width. Date and time
// texts are left alone: their packers give fixed sizes.
void PadFieldValues(std::span<FieldDescriptor> fields);

// The typed text of one field prepared for packing (pass 1 of FieldsToRecord).
std::string PrepareFieldText(const FieldDescriptor& d, std::string value);
// Packs one value at offset; returns false when a number was out of range and clamped.
bool PackField(const FieldDescriptor& d, std::string_view value, std::string& record, int offset);

// Date texts of the 8-digit types: what was typed to DDMMYYYY (a two-digit year
// gets its century: below 40 the 2000s), 8 blanks when empty or not a date.
std::string NormalizeLongDate(std::string_view typed);

}  // namespace browser
