// The edit window a record-file browser builds from its field descriptors: one label
// and one input per field, an "OK-F2" button and a key line. EditForm is the whole
// window without a toolkit: layout, the field texts, the keys and the navigation
// between fields, the checks through the browser's hooks, accepting and cancelling.
// An EditFormView shows it: EditWindowView with the window layer in the program, a
// scripted fake in tests.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/entries.h"
#include "browser/fields.h"
#include "ui/types.h"

namespace ui {
class Form;
}

namespace browser {

class TfSoub;
class EditForm;

// Pixel layout of one field of the edit window.
struct EditFieldLayout {
  ui::Rect label, edit, hint;
  int maxLength = 0;
};

struct EditFormLayout {
  ui::Rect window;  // outer geometry
  ui::Rect ok;      // the "OK-F2" button
  ui::Rect keyLine;
  std::string keyLineText;
  int letterWidth = 8, letterHeight = 18;
  ui::Font font;
  ui::Color paper = 0;
  std::vector<EditFieldLayout> fields;  // [0] unused
};

// The geometry the formulas give for the edit window of a browser (fonts and stored
// " Akt..." settings included), pulled to within the work area less 100 pixels.
EditFormLayout ComputeEditLayout(TfSoub& soub);

// "TabEnter" of REGISTRY.DTA: missing or "A", Enter moves on; "N", Enter checks the
// field and stays on it.
bool TabEnterOn();
void SwitchTabEnter();

// The text normalisation of the edit window by type and picture.
std::string NormaliseFieldText(const FieldDescriptor& d, std::string_view text);

// Shows an edit form modally and returns when it has closed.
class EditFormView {
 public:
  virtual ~EditFormView() = default;
  virtual void ShowModal(EditForm& form) = 0;
  // The picture of the shown window for printing (F10); nullptr-like empty by default.
  virtual void PrintImage(EditForm&) {}
};

// The window layer's view (needs a back end; without one the edit is cancelled).
class EditWindowView : public EditFormView {
 public:
  void ShowModal(EditForm& form) override;
  void PrintImage(EditForm& form) override;

 private:
  ui::Form* shown_ = nullptr;
};

// A key-down handler that closes the window it is attached to on Esc.
void CloseOnEscKeyDown(ui::Form& form, int& key);

class EditForm {
 public:
  explicit EditForm(TfSoub& soub);
  EditForm(const EditForm&) = delete;
  EditForm& operator=(const EditForm&) = delete;

  TfSoub& soub() { return soub_; }
  // Current field 0, aborted, texts from the values, the layout; the first shown field
  // becomes current.
  void Build();
  const EditFormLayout& layout() const { return layout_; }
  int fieldCount() const { return count_; }

  // Texts of the inputs (1..fieldCount); the view hands over what the user typed.
  const std::string& Text(int field) const;
  std::string& MutableText(int field);
  void SetText(int field, std::string text);
  // A barcode read into field n, then the navigation of the last key.
  void PutText(int field, std::string text);
  // The appearance menu changed the window's colour or font.
  void SetPaper(ui::Color paper) { layout_.paper = paper; }
  void SetFont(const ui::Font& font) { layout_.font = font; }
  // The side label of a field (its hint at first); a new text shows at once.
  const std::string& SideLabel(int field) const;
  void SetSideLabel(int field, std::string text);
  bool Visible(int field) const;  // state above -1
  bool Enabled(int field) const;  // state above 0
  int currentField() const;

  // A key in the input of `field` (the key line's modifiers fold as everywhere: +1000
  // Ctrl, +2000 Shift, +3000 Alt). True when the form acted on the key; other keys
  // (typing) belong to the input.
  bool KeyDown(int field, int vk, ui::Shift shift);
  // The window is about to show: the current field is entered.
  void Show();
  // The user put the focus into the input of `field` (not the form's own moves).
  void Enter(int field);
  // A left click into the input of `field`: leaves the current one through its check.
  void Click(int field);
  // "OK-F2" pressed.
  void OkPressed();
  // A right click anywhere: the key line goes, scrolling comes.
  void RightClick();
  // The refocus timer ticked.
  void TimerTick();

  bool closed() const { return closed_; }
  bool timerOn() const { return timerOn_; }
  bool keyLineVisible() const { return keyLineVisible_; }
  bool autoScroll() const { return autoScroll_; }
  // The window closes (Esc, or accepted).
  void Close();
  void SetTimer(bool on) { timerOn_ = on; }

  // Every input's text into its value, then the values padded (PadFieldValues).
  void ToFields();
  // Shows the values again in every input.
  void FromFields();
  // The outer geometry the window had when it closed (stored afterwards).
  ui::Rect finalBounds;
  ui::Color finalPaper = 0, finalFontColor = 0;

 private:
  // `typed`: the key came from the keyboard (not a value a picker put back).
  bool Navigate(int code, int field, bool typed = false);
  bool CheckField(int field, bool onEnter);
  void Entered(int field);
  void MoveOn(int fieldBefore);
  void MoveBack();
  int NextEditable(int after) const;
  int PreviousEditable(int before) const;
  void Calculator(int field);

  TfSoub& soub_;
  int count_ = 0;
  std::vector<std::string> texts_;
  std::vector<std::string> sideLabels_;
  EditFormLayout layout_;
  bool closed_ = false, timerOn_ = false, keyLineVisible_ = true, autoScroll_ = true;
  int prevRaw_ = 0;
  int lastNavKey_ = 0;
};

}  // namespace browser
