// The field screen window: a column of labelled inputs built at run time from up to
// 70 field descriptors, with the keys of the edit windows (Down, Enter, Up, Tab, F2,
// Esc, F12, Ctrl+F9 ...). A descendant adds its fields, builds the window, shows it
// modally and calls OknoFinish; when the user accepted, its record holds the values.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "browser/fields.h"
#include "ui/ui.h"

namespace browser {

inline constexpr int kOknoMaxFields = 70;
inline constexpr int kOknoTextMax = 30;   // caption, mask and note
inline constexpr int kOknoValueMax = 73;  // value and initial value

// One field: caption, column and row (`line`), type and mask (`picture`), note
// (`hint`, with its column and row), max length (`width`), value and initial value.
// The record codec is the record-file codec restricted to types 0-11.
using OknoFieldDescriptor = FieldDescriptor;

// The type of a field screen mask: "X" 0, "Y" 1, "L" 2, "P" 3, " " 4, "D" 9, "d" 10,
// "#"/"@" ending in B 5, I 6, L 7, R 8, W 11; any other mask 0.
int OknoFieldType(std::string_view mask);

class TfOkno : public ui::Form {
 public:
  explicit TfOkno(std::string componentName);
  ~TfOkno() override;

  // ---------------------------------------------------------------- descendant's state
  int FieldCount = 0;
  std::string* OknoRecord = nullptr;  // the descendant's record, fields in order
  std::vector<std::int32_t> FieldState;  // [1..70]: -1 hidden, 0 disabled, 1 enabled
  std::vector<std::int32_t> FieldError;  // [1..70]: 1 = the value is wrong

  int CurrentField = 1;
  int PendingKey = 0;
  std::string CurrentText;
  bool Cancelled = true;
  bool DigitRowMode = false;

  std::string Title, Footer, WindowName;
  ui::Color PaperColor = 0, InkColor = 0;
  int RowHeight = 18, CharWidth = 8;
  int LeftColumn = 1, TopRow = 1, RightColumn = 80, BottomRow = 20;

  ui::Timer& TimerError;  // 100 ms, one shot: selects the text of the field in error

  // ---------------------------------------------------------------- building
  // Allocates `count` empty descriptors (RangeError above 70) with states 1 and no errors.
  void SetFieldCount(int count);
  OknoFieldDescriptor& Field(int n);
  const OknoFieldDescriptor& Field(int n) const;
  // Caption, mask and note cut to 30, value to 73; initial value := value; type from
  // the mask; max length := the length of the value.
  void OknoAddField(OknoFieldDescriptor& d, const std::string& caption, int column, int row, const std::string& mask,
                    const std::string& value, int noteColumn, int noteRow, const std::string& note);
  void OknoBuildWindow(const std::string& title, const std::string& footer, int leftColumn, int topRow,
                       int rightColumn, int bottomRow, ui::Color background, ui::Color fontColor);
  // The values of the descriptors from OknoRecord (the inputs keep their texts).
  void RecordToOknoFields();
  // Every field's value := its input's text, cut to 73.
  void OknoEditsToValues();
  // The values into OknoRecord by the codec.
  void OknoStoreFields();
  void OknoFormatField(int n, std::string& text);
  void OknoLeaveField();

  // ---------------------------------------------------------------- controls
  ui::Edit* FieldEdit(int n) const;
  ui::Label* FieldLabel(int n) const;
  ui::Label* NoteLabel(int n) const;
  ui::Button* OkButton() const { return bOk_; }
  ui::Edit* FooterLine() const { return footer_; }

  // ---------------------------------------------------------------- virtual operations
  virtual void OknoFinish();
  virtual void OkKeyDown(int& key, ui::Shift shift);
  virtual void FieldEnter(int n, std::string& text);
  virtual void OknoFieldChanged(int n, std::string& text);
  virtual void AfterFieldChanged(int n, std::string& text);
  virtual void OkClick();
  virtual void OknoAccept();
  virtual void OknoFieldHelp(int n);
  virtual void KeyF2(int n);
  virtual void KeyF3(int n);
  virtual void KeyF4(int n);
  virtual void KeyF5(int n);
  virtual void KeyF6(int n);
  virtual void KeyF7(int n);
  virtual void KeyF8(int n);
  virtual void KeyF9(int n);
  virtual void KeyF10(int n);
  virtual void OknoAppearanceMenu();
  virtual void KeyAltF(int k, int n);  // Alt+F1..Alt+F10
  virtual void OknoShowInstructions(int n);
  virtual void ShowReportList(int n);
  virtual void KeyCtrlF(int k, int n);  // Ctrl+F3..Ctrl+F8
  virtual void KeyCtrlF12(int n);
  virtual void KeyShiftF12(int n);

  // ---------------------------------------------------------------- events
  void OknoKeyDispatch(ui::Edit& edit, int& key, ui::Shift shift);
  void OknoFieldEnterEvent(ui::Edit& edit);
  void OknoFieldExitEvent(ui::Edit& edit);
  void FormShow();
  void FormClose();
  void TimerErrorTimer();

 protected:
  // Shows text in the input of field n.
  void ShowText(int n, const std::string& text);
  std::string EditText(int n) const;

 private:
  void ReleaseControls();
  void FocusField(int n);
  void MoveForward();
  void CloseWindow();

  std::vector<OknoFieldDescriptor> fields_;  // [0] unused
  std::vector<ui::Label*> labels_, notes_;
  std::vector<ui::Edit*> edits_;
  ui::Button* bOk_ = nullptr;
  ui::Edit* footer_ = nullptr;
  bool leftByMouse_ = false;
  // The appearance the window was built with; closing stores the settings only when
  // the user changed something of it.
  struct Look {
    ui::Rect bounds;
    ui::Color paper = 0, ink = 0;
    ui::Font font;
    int rowHeight = 0, charWidth = 0;
    friend bool operator==(const Look&, const Look&) = default;
  };
  Look CurrentLook() const;
  Look built_;
};

}  // namespace browser
