// Field descriptors: one column of a list or one input of an edit window, with
// the type code that decides how the field is stored, shown and normalised.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace browser {

inline constexpr int kMaxFields = 264;
inline constexpr int kCaptionMax = 50;
inline constexpr int kPictureMax = 30;
inline constexpr int kHintMax = 100;
inline constexpr int kValueMax = 255;

// `FieldType` codes.
namespace ft {
constexpr int Text = 0, TextRight = 1, CodeLeft = 2, CodeRight = 3, TextFixed = 4, Byte = 5, Int = 6,
              LongInt = 7, Real = 8, Date = 9, DateDmy = 10, Word = 11, Double = 12, Time = 13, Amount = 14,
              DateLong = 15, DateLongDmy = 16, Key = 17, None18 = 18, None19 = 19, TextX = 20, TextRightY = 21,
              CodeLeftL = 22, CodeRightP = 23, TextM = 24;
}

struct FieldDescriptor {
  std::string caption;            // at most 50 characters
  std::uint8_t column = 0;        // label column of the edit window, in characters
  std::uint8_t line = 0;          // line of the edit window, from 1
  std::uint8_t fieldType = 0;     // `FieldType`
  std::string picture;            // at most 30; a number mask without its type letter
  std::string hint;               // at most 100
  std::uint8_t width = 0;         // length of the initial value
  std::string value;              // display form, at most 255
  std::string initialValue;       // at most 255
  std::string valueBeforeEdit;    // kept by the record-file browser when an edit starts
  std::uint8_t hintColumn = 0;    // 0 = no hint label
  std::uint8_t hintLine = 0;
};

// The arguments of SetFieldDescriptor by name, so that no argument order matters:
//   SetFieldDescriptor(Field(1), FieldSetup().Caption("Kód").At(2, 1).Picture("X").Initial("      "));
struct FieldSetup {
  std::string caption;
  int column = 0;  // edit window: label column in characters
  int line = 0;    // edit window: line from 1
  std::string picture = " ";
  std::string initialValue;
  int hintColumn = 0;  // 0 = no hint label
  int hintLine = 0;
  std::string hint;

  FieldSetup& Caption(std::string v) { caption = std::move(v); return *this; }
  FieldSetup& At(int col, int ln) { column = col; line = ln; return *this; }
  FieldSetup& Picture(std::string v) { picture = std::move(v); return *this; }
  FieldSetup& Initial(std::string v) { initialValue = std::move(v); return *this; }
  FieldSetup& Hint(std::string text, int col, int ln) { hint = std::move(text); hintColumn = col; hintLine = ln; return *this; }
};

// Fills one descriptor: texts cut to their limits, value and initial value from the
// initial value, width its length, the type from the picture (a number mask loses
// its type letter). A picture that names no type gives type 0.
void SetFieldDescriptor(FieldDescriptor& d, const FieldSetup& s);

// The type code of a picture, and the picture as stored (a "#"/"@" mask without its
// last character). Unknown pictures give 0.
int FieldTypeOfPicture(std::string_view picture);
std::string StoredPicture(std::string_view picture);

// Bytes a field takes in the record.
int FieldStoredSize(int fieldType, int width);
inline int FieldStoredSize(const FieldDescriptor& d) { return FieldStoredSize(d.fieldType, d.width); }
// Layouts are spans of descriptors in record order (fields 1..n of a window).
// Sum of the stored sizes.
int LayoutLength(std::span<const FieldDescriptor> fields);
// Byte offset of each field, in descriptor order.
std::vector<int> FieldOffsets(std::span<const FieldDescriptor> fields);

// Characters of the shown form: 8 for 9, 10 and 13, 10 for 15 and 16, else the width.
int FieldDisplayLength(const FieldDescriptor& d);
// What an edit of the field must accept: the larger of width and shown length.
int FieldEditLength(const FieldDescriptor& d);
// Moving between the fields of an edit window: states[1..count], a state of 1 or
// more takes the focus. The next such field after `after`, the previous one before
// `before`; 0 when there is none.
int NextEnabledField(std::span<const std::int32_t> states, int count, int after);
int PreviousEnabledField(std::span<const std::int32_t> states, int count, int before);

bool IsTextType(int fieldType);    // 0-4, 17, 20-24: counted text of the width
bool IsNumberType(int fieldType);  // 5-8, 11, 12, 14
bool IsDateTimeType(int fieldType);  // 9, 10, 13, 15, 16

}  // namespace browser
