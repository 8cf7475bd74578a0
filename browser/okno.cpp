#include "browser/okno.h"

#include <algorithm>
#include <span>

#include "browser/appearance.h"
#include "browser/codec.h"
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/hint.h"
#include "browser/rol.h"
#include "browser/winsettings.h"
#include "common/dates.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/session.h"
#include "common/text.h"
#include "ui/backend.h"
#include "ui/keys.h"

namespace browser {

namespace vk = ui::vk;
using common::Cz;

namespace {

constexpr int Ctrl(int k) { return k + 1000; }
constexpr int Shifted(int k) { return k + 2000; }
constexpr int Alt(int k) { return k + 3000; }
constexpr const char* kColourMask = "-@@@@@@@@@@";
constexpr ui::Color kFooterPaper = ui::Rgb(0, 0, 128);
constexpr ui::Color kFooterInk = ui::Rgb(240, 240, 240);

std::string Cut(std::string_view s, std::size_t n) { return std::string(s.substr(0, std::min(s.size(), n))); }

int Trunc(double v) { return static_cast<int>(v); }

}  // namespace

int OknoFieldType(std::string_view mask) {
  const int t = FieldTypeOfPicture(mask);
  return t <= ft::Word ? t : ft::Text;
}

TfOkno::TfOkno(std::string componentName)
    : ui::Form(std::move(componentName)), TimerError(AddTimer("TimerError", 100)) {
  keyPreview = true;
  TimerError.Stop();
  TimerError.onTimer = [this](ui::Timer&) { TimerErrorTimer(); };
  onShow = [this](ui::Form&) { FormShow(); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  FieldState.assign(kOknoMaxFields + 1, 1);
  FieldError.assign(kOknoMaxFields + 1, 0);
}

TfOkno::~TfOkno() = default;

// ---------------------------------------------------------------- building

void TfOkno::SetFieldCount(int count) {
  if (count < 0 || count > kOknoMaxFields) throw common::RangeError("field screen of " + std::to_string(count) + " fields");
  ReleaseControls();
  FieldCount = count;
  fields_.assign(static_cast<std::size_t>(count) + 1, OknoFieldDescriptor{});
  FieldState.assign(kOknoMaxFields + 1, 1);
  FieldError.assign(kOknoMaxFields + 1, 0);
}

OknoFieldDescriptor& TfOkno::Field(int n) {
  if (n < 1 || n >= static_cast<int>(fields_.size())) throw common::RangeError("field " + std::to_string(n));
  return fields_[static_cast<std::size_t>(n)];
}

const OknoFieldDescriptor& TfOkno::Field(int n) const { return const_cast<TfOkno*>(this)->Field(n); }

void TfOkno::OknoAddField(OknoFieldDescriptor& d, const std::string& caption, int column, int row,
                          const std::string& mask, const std::string& value, int noteColumn, int noteRow,
                          const std::string& note) {
  d = OknoFieldDescriptor{};
  d.caption = Cut(caption, kOknoTextMax);
  d.column = static_cast<std::uint8_t>(column);
  d.line = static_cast<std::uint8_t>(row);
  const std::string m = Cut(mask, kOknoTextMax);
  d.fieldType = static_cast<std::uint8_t>(OknoFieldType(m));
  d.picture = StoredPicture(m);
  d.hint = Cut(note, kOknoTextMax);
  d.value = Cut(value, kOknoValueMax);
  d.initialValue = d.value;
  d.width = static_cast<std::uint8_t>(d.value.size());
  d.hintColumn = static_cast<std::uint8_t>(noteColumn);
  d.hintLine = static_cast<std::uint8_t>(noteRow);
}

void TfOkno::OknoBuildWindow(const std::string& title, const std::string& footer, int leftColumn, int topRow,
                             int rightColumn, int bottomRow, ui::Color background, ui::Color fontColor) {
  if (FieldCount > kOknoMaxFields || FieldCount + 1 > static_cast<int>(fields_.size()))
    throw common::RangeError("field screen of " + std::to_string(FieldCount) + " fields");
  ReleaseControls();
  const common::Session& session = common::CurrentSession();
  SetAutoScroll(false);
  std::string caption = title + session.ComputerId;
  if (!session.CurrentUser.empty()) caption += Cz(" Uživatel:") + session.CurrentUser;
  SetCaption(caption);

  WindowName = name();
  LeftColumn = leftColumn;
  TopRow = topRow;
  RightColumn = rightColumn;
  BottomRow = bottomRow;
  EditAppearance a{WindowFont().LetterHeight, WindowFont().LetterWidth, StateFont(fontColor), background};
  ReadEditAppearance(WindowName, a);
  PaperColor = a.paper;
  InkColor = a.font.color;
  RowHeight = a.letterHeight;
  CharWidth = a.letterWidth;
  SetFont(a.font);

  const double f = ScreenScale() > 0 ? ScreenScale() : 1.0;
  ui::Rect w{(leftColumn - 1) * CharWidth, (topRow - 1) * RowHeight, (rightColumn - leftColumn + 2) * CharWidth,
             (bottomRow - topRow + 1) * (RowHeight + 4) + 4};
  // Tall enough for every shown field above the footer line.
  int lastRow = 0;
  for (int i = 1; i <= FieldCount; ++i)
    if (FieldState[static_cast<std::size_t>(i)] != -1) lastRow = std::max<int>(lastRow, Field(i).line);
  const int contentBottom = Trunc(f * ((lastRow - 1) * (RowHeight + 4) + 4)) + Trunc(f * RowHeight);
  if (lastRow > 0) w.height = std::max(w.height, contentBottom + 4 + RowHeight + ui::kFrameHeight);
  if (const int v = StoredInt(WindowName + " OknoLeft"); v > 0) w.left = v;
  if (const int v = StoredInt(WindowName + " OknoTop"); v > 0) w.top = v;
  if (const int v = StoredInt(WindowName + " OknoWidth"); v > 0) w.width = v;
  if (const int v = StoredInt(WindowName + " OknoHeight"); v > 0) w.height = v;
  SetBounds(w);
  Title = title;
  Footer = footer;
  SetColor(PaperColor);

  const std::size_t slots = static_cast<std::size_t>(FieldCount) + 1;
  labels_.assign(slots, nullptr);
  notes_.assign(slots, nullptr);
  edits_.assign(slots, nullptr);
  for (int i = 1; i <= FieldCount; ++i) {
    const OknoFieldDescriptor& d = Field(i);
    const auto at = static_cast<std::size_t>(i);
    const int state = FieldState[at];
    ui::Label& label = Add<ui::Label>("Label" + std::to_string(i));
    label.SetText(d.caption);
    int labelWidth = Trunc(f * static_cast<double>(d.caption.size()) * CharWidth);
    if (labelWidth == CharWidth) labelWidth = 2 * CharWidth;
    label.SetBounds(Trunc(f * d.column * CharWidth), Trunc(f * ((d.line - 1) * (RowHeight + 4) + 4)), labelWidth,
                    Trunc(f * RowHeight));
    label.SetVisible(state != -1);
    labels_[at] = &label;

    ui::Edit& edit = Add<ui::Edit>("Edit" + std::to_string(i));
    const int extra = d.fieldType == ft::Date || d.fieldType == ft::DateDmy || d.fieldType == ft::Time ? 2 : 0;
    edit.SetBounds(label.left() + label.width() + 10, label.top() - 2, Trunc(f * (d.width + extra + 2) * CharWidth),
                   Trunc(f * RowHeight));
    edit.SetText(d.value);
    edit.SetMaxLength(d.width);
    edit.tag = i;
    edit.SetTabOrder(i - 1);
    edit.onKeyDown = [this](ui::Control& c, int& key, ui::Shift shift) {
      OknoKeyDispatch(static_cast<ui::Edit&>(c), key, shift);
    };
    edit.onEnter = [this](ui::Control& c) { OknoFieldEnterEvent(static_cast<ui::Edit&>(c)); };
    edit.onExit = [this](ui::Control& c) { OknoFieldExitEvent(static_cast<ui::Edit&>(c)); };
    edit.SetVisible(state != -1);
    edit.SetEnabled(state == 1);
    edits_[at] = &edit;

    if (state != -1 && d.hintColumn != 0) {
      ui::Label& note = Add<ui::Label>("Note" + std::to_string(i));
      note.SetText(d.hint);
      int noteWidth = Trunc(f * static_cast<double>(d.hint.size()) * CharWidth);
      if (noteWidth == CharWidth) noteWidth = 2 * CharWidth;
      note.SetBounds(Trunc(f * d.hintColumn * CharWidth), Trunc(f * ((d.hintLine - 1) * (RowHeight + 4) + 4)),
                     noteWidth, Trunc(f * RowHeight));
      notes_[at] = &note;
    }
  }
  CurrentField = 1;
  for (int i = 1; i <= FieldCount; ++i) {
    if (Field(i).hintColumn == 0) continue;
    std::string text = EditText(i);
    AfterFieldChanged(i, text);
    ShowText(i, text);
  }

  bOk_ = &Add<ui::Button>("bOk");
  bOk_->SetText("OK-F2");
  bOk_->SetBounds(w.width - 62, 4, 50, RowHeight);
  bOk_->SetTabOrder(FieldCount);
  bOk_->onClick = [this](ui::Control&) { OkClick(); };
  bOk_->onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { OkKeyDown(key, shift); };

  footer_ = &Add<ui::Edit>("FooterLine");
  footer_->SetReadOnly(true);
  footer_->tabStop = false;
  footer_->SetBorder(ui::BorderKind::Single);
  footer_->SetColor(kFooterPaper);
  ui::Font ff = a.font;
  ff.bold = true;
  ff.color = kFooterInk;
  footer_->SetFont(ff);
  footer_->SetText(Cut(footer, static_cast<std::size_t>(std::max(rightColumn - leftColumn + 1, 0))));
  // At the window's foot, within its client area.
  footer_->SetBounds(0, std::min(w.height - 2 * RowHeight - 10, w.height - ui::kFrameHeight - RowHeight),
                     w.width - CharWidth, RowHeight);

  OknoEditsToValues();
  Cancelled = true;
  DigitRowMode = false;
  PendingKey = 0;
  built_ = CurrentLook();
}

TfOkno::Look TfOkno::CurrentLook() const { return {bounds(), PaperColor, InkColor, font(), RowHeight, CharWidth}; }

void TfOkno::RecordToOknoFields() {
  if (!OknoRecord || FieldCount == 0) return;
  RecordToFields(std::span(fields_).subspan(1, static_cast<std::size_t>(FieldCount)), *OknoRecord);
}

void TfOkno::OknoEditsToValues() {
  for (int i = 1; i <= FieldCount; ++i)
    if (edits_.size() > static_cast<std::size_t>(i)) Field(i).value = Cut(EditText(i), kOknoValueMax);
}

void TfOkno::OknoStoreFields() {
  if (!OknoRecord || FieldCount == 0) return;
  FieldsToRecord(std::span(fields_).subspan(1, static_cast<std::size_t>(FieldCount)), *OknoRecord);
}

void TfOkno::OknoFormatField(int n, std::string& text) {
  if (n < 1 || n > FieldCount) return;
  if (DigitRowMode) {
    text = CzechKeysToDigits(text);
    ShowText(n, text);
  }
  const OknoFieldDescriptor& d = Field(n);
  const std::size_t w = d.width;
  if (IsNumberType(d.fieldType)) std::replace(text.begin(), text.end(), ',', '.');
  switch (d.fieldType) {
    case ft::Text: text = common::StripLeftSp(common::StripRightSp(text)); break;
    case ft::TextRight:
      text = common::StripRightSp(text);
      if (text.size() < w) text.insert(0, w - text.size(), ' ');
      break;
    case ft::CodeLeft:
    case ft::CodeRight:
      text = d.fieldType == ft::CodeLeft ? common::StripLeftSp(text) : common::StripRightSp(text);
      if (text.size() < w) text.insert(d.fieldType == ft::CodeLeft ? text.size() : 0, w - text.size(), '0');
      std::replace(text.begin(), text.end(), ' ', '0');
      break;
    case ft::TextFixed: break;
    case ft::Date:
    case ft::DateDmy: text = common::DateWithDots(common::NormalizeDate(text)); break;
    default:
      if (IsNumberType(d.fieldType)) text = common::FormatFloatMask(d.picture, common::TextToFloat(text));
  }
  text.resize(w, ' ');
  ShowText(n, text);
}

// ---------------------------------------------------------------- controls

ui::Edit* TfOkno::FieldEdit(int n) const {
  return n >= 1 && static_cast<std::size_t>(n) < edits_.size() ? edits_[static_cast<std::size_t>(n)] : nullptr;
}
ui::Label* TfOkno::FieldLabel(int n) const {
  return n >= 1 && static_cast<std::size_t>(n) < labels_.size() ? labels_[static_cast<std::size_t>(n)] : nullptr;
}
ui::Label* TfOkno::NoteLabel(int n) const {
  return n >= 1 && static_cast<std::size_t>(n) < notes_.size() ? notes_[static_cast<std::size_t>(n)] : nullptr;
}

void TfOkno::ShowText(int n, const std::string& text) {
  if (ui::Edit* e = FieldEdit(n); e && e->text() != text) e->SetText(text);
}

std::string TfOkno::EditText(int n) const {
  const ui::Edit* e = FieldEdit(n);
  return e ? e->text() : std::string();
}

void TfOkno::ReleaseControls() {
  for (ui::Edit* e : edits_)
    if (e) e->onExit = nullptr, e->onEnter = nullptr;
  auto drop = [this](auto* c) {
    if (c) Remove(*c);
  };
  for (ui::Edit* e : edits_) drop(e);
  for (ui::Label* l : labels_) drop(l);
  for (ui::Label* l : notes_) drop(l);
  drop(bOk_);
  drop(footer_);
  edits_.clear();
  labels_.clear();
  notes_.clear();
  bOk_ = nullptr;
  footer_ = nullptr;
}

// ---------------------------------------------------------------- keys and moves

void TfOkno::OknoKeyDispatch(ui::Edit& edit, int& key, ui::Shift shift) {
  CurrentText = edit.text();
  CurrentField = edit.tag;
  PendingKey = ui::KeyCode(key, shift);
  const int n = CurrentField;
  bool acted = true;
  switch (PendingKey) {
    case vk::F(1): OknoFieldHelp(n); break;
    case vk::F(3): KeyF3(n); break;
    case vk::F(4): KeyF4(n); break;
    case vk::F(5): KeyF5(n); break;
    case vk::F(6): KeyF6(n); break;
    case vk::F(7): KeyF7(n); break;
    case vk::F(8): KeyF8(n); break;
    case vk::F(9): KeyF9(n); break;
    case vk::F(10): KeyF10(n); break;
    case vk::F(11): OknoAppearanceMenu(); break;
    case vk::F(12):
      CurrentText = Field(n).initialValue;
      ShowText(n, CurrentText);
      PendingKey = vk::Down;
      break;
    case Ctrl(vk::F(1)): OknoShowInstructions(n); break;
    case Ctrl(vk::F(2)): ShowReportList(n); break;
    case Ctrl(vk::F(9)):
      if (CalculateIntoText(CurrentText)) ShowText(n, CurrentText);
      break;
    case Ctrl(vk::F(12)): KeyCtrlF12(n); break;
    case Shifted(vk::F(12)): KeyShiftF12(n); break;
    case Ctrl(vk::Letter('B')): DigitRowMode = true; break;
    case vk::Enter:
      if (DigitRowMode) {
        DigitRowMode = false;
        CurrentText = CzechKeysToDigits(CurrentText);
        ShowText(n, CurrentText);
      }
      break;
    case vk::Esc:
    case vk::Down:
    case vk::Up:
    case vk::Tab:
    case vk::F(2): break;
    default:
      if (PendingKey >= Ctrl(vk::F(3)) && PendingKey <= Ctrl(vk::F(8))) {
        KeyCtrlF(PendingKey - Ctrl(vk::F1) + 1, n);
      } else if (PendingKey >= Alt(vk::F(1)) && PendingKey <= Alt(vk::F(10))) {
        KeyAltF(PendingKey - Alt(vk::F1) + 1, n);
      } else {
        // Other function keys (Shift+F3 and the like) do nothing; typing belongs to the input.
        const int plain = PendingKey % 1000;
        acted = plain >= vk::F(1) && plain <= vk::F(24);
      }
  }
  OknoLeaveField();
  if (acted) key = 0;
}

void TfOkno::OknoLeaveField() {
  const int f = CurrentField;
  if (f < 1 || f > FieldCount) {
    PendingKey = 0;
    return;
  }
  CurrentText = EditText(f);
  std::string& text = CurrentText;
  const auto wrong = [&] { return FieldError[static_cast<std::size_t>(f)] == 1; };
  const auto onward = [&] {
    if (CurrentField == f) MoveForward();
    else FocusField(CurrentField);
  };
  switch (PendingKey) {
    case vk::Esc:
      Cancelled = true;
      CloseWindow();
      break;
    case vk::Down:
    case vk::F(2):
      OknoFieldChanged(f, text);
      ShowText(f, text);
      if (wrong()) FocusField(f);
      else if (PendingKey == vk::F(2)) KeyF2(f);
      else onward();
      break;
    case vk::Enter:
      OknoFormatField(f, text);
      FieldEnter(f, text);
      ShowText(f, text);
      if (wrong()) FocusField(f);
      else onward();
      break;
    case vk::Up:
      OknoFieldChanged(f, text);
      ShowText(f, text);
      if (wrong()) {
        FocusField(f);
      } else if (CurrentField == f) {
        int back = PreviousEnabledField(FieldState, FieldCount, f);
        if (back == 0) back = PreviousEnabledField(FieldState, FieldCount, FieldCount + 1);
        if (back != 0) CurrentField = back;
        FocusField(CurrentField);
      } else {
        FocusField(CurrentField);
      }
      break;
    case vk::Tab:
      OknoFieldChanged(f, text);
      ShowText(f, text);
      if (wrong()) FocusField(f);
      else if (leftByMouse_) break;  // the focus goes where the user put it
      else if (CurrentField != f) FocusField(CurrentField);
      else if (FieldError[static_cast<std::size_t>(f)] != 0) FocusField(f);
      else MoveForward();
      break;
    default: break;
  }
  PendingKey = 0;
}

void TfOkno::MoveForward() {
  const int next = NextEnabledField(FieldState, FieldCount, CurrentField);
  if (next == 0) {
    OknoAccept();
    return;
  }
  CurrentField = next;
  FocusField(next);
}

void TfOkno::FocusField(int n) {
  TimerError.Stop();
  TimerError.Start();
  ui::Edit* e = FieldEdit(n);
  if (e && visible() && e->CanFocus()) FocusControl(e);
}

void TfOkno::CloseWindow() {
  TimerError.Stop();
  if (showingModal()) SetModalResult(Cancelled ? ui::mr::Cancel : ui::mr::Ok);
  else if (visible()) Close();
}

// ---------------------------------------------------------------- focus events

void TfOkno::OknoFieldEnterEvent(ui::Edit& edit) {
  if (CurrentField < 1 || CurrentField > FieldCount || FieldError[static_cast<std::size_t>(CurrentField)] == 0)
    CurrentField = edit.tag;
  const int n = CurrentField;
  CurrentText = EditText(n);
  OknoFormatField(n, CurrentText);
  AfterFieldChanged(n, CurrentText);
  ShowText(n, common::StripRightSp(CurrentText));
  TimerError.Stop();
  TimerError.Start();
}

void TfOkno::OknoFieldExitEvent(ui::Edit& edit) {
  if (PendingKey != 0 || !visible() || (showingModal() && modalDone())) return;
  // The focus left by the mouse: the field is checked as by Tab.
  PendingKey = vk::Tab;
  CurrentField = edit.tag;
  leftByMouse_ = true;
  OknoLeaveField();
  leftByMouse_ = false;
  PendingKey = 0;
}

void TfOkno::FormShow() {
  for (int i = 1; i <= FieldCount; ++i)
    if (FieldState[static_cast<std::size_t>(i)] == 1) {
      CurrentField = i;
      if (ui::Edit* e = FieldEdit(i); e && e->CanFocus()) FocusControl(e);
      return;
    }
}

void TfOkno::TimerErrorTimer() {
  TimerError.Stop();
  if (!active()) return;
  if (ui::Edit* e = FieldEdit(CurrentField)) e->SelectAll();
}

void TfOkno::FormClose() {
  TimerError.Stop();
  const std::string& k = WindowName;
  if (k.empty() || CurrentLook() == built_) return;  // nothing changed: the settings stay as they are
  StoreInt(k + " OknoLeft", "@@@@", left());
  StoreInt(k + " OknoTop", "@@@@", top());
  StoreInt(k + " OknoWidth", "@@@@", width());
  StoreInt(k + " OknoHeight", "@@@@", height());
  StoreInt(k + " FontPaperA", kColourMask, PaperColor);
  StoreInt(k + " FontColorA", kColourMask, InkColor);
  common::WriteParam(kOkna2Par, k + " FontNameA", font().name);
  StoreInt(k + " VyskaFontuA", "###", RowHeight);
  StoreInt(k + " SirkaFontuA", "###", CharWidth);
  StoreInt(k + " FontSizeA", "@@@@-", font().size);
  common::WriteParam(kOkna2Par, k + " FontStyleA", FontStyleText(font()));
}

// ---------------------------------------------------------------- virtual operations

void TfOkno::OknoFinish() {
  if (!Cancelled) {
    OknoEditsToValues();
    OknoStoreFields();
  }
  ReleaseControls();
  fields_.clear();
  FieldCount = 0;
}

void TfOkno::OkKeyDown(int& key, ui::Shift) {
  key = 0;
  OknoAccept();
}

void TfOkno::FieldEnter(int, std::string&) {}

void TfOkno::OknoFieldChanged(int n, std::string& text) {
  if (n <= 0) return;
  for (int i = 1; i <= FieldCount; ++i) {
    const int state = FieldState[static_cast<std::size_t>(i)];
    if (ui::Edit* e = FieldEdit(i)) {
      e->SetVisible(state != -1);
      e->SetEnabled(state == 1);
    }
    if (ui::Label* l = FieldLabel(i)) l->SetVisible(state != -1);
  }
  OknoFormatField(n, text);
  AfterFieldChanged(n, text);
}

void TfOkno::AfterFieldChanged(int, std::string&) {}

void TfOkno::OkClick() { OknoAccept(); }

void TfOkno::OknoAccept() {
  for (int i = 1; i <= FieldCount; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (FieldState[at] == 1 && FieldError[at] > 0) {
      ui::MessageBox(Cz("Údaj ") + Field(i).caption + Cz(" je chybný"), caption());
      return;
    }
  }
  Cancelled = false;
  CloseWindow();
}

void TfOkno::OknoFieldHelp(int n) { ui::ShowMessage("Help SOUB" + common::FormatNumberMask("####", n)); }

void TfOkno::KeyF2(int) { OknoAccept(); }
void TfOkno::KeyF3(int) {}
void TfOkno::KeyF4(int) {}
void TfOkno::KeyF5(int) {}
void TfOkno::KeyF6(int) {}
void TfOkno::KeyF7(int) {}
void TfOkno::KeyF8(int) {}
void TfOkno::KeyF9(int) {}
void TfOkno::KeyF10(int) {}
void TfOkno::KeyAltF(int, int) {}
void TfOkno::KeyCtrlF(int, int) {}
void TfOkno::KeyCtrlF12(int) {}
void TfOkno::KeyShiftF12(int) {}

void TfOkno::OknoAppearanceMenu() {
  const ChoiceResult c =
      ShowVyber(10, 10, nullptr, Cz("Úprava vizáže"), {Cz("Změna barvy pozadí"), Cz("Změna písma a jeho barvy")});
  if (c.chosen == 1) {
    ui::Color colour = PaperColor;
    if (!ui::ChooseColor(colour)) return;
    SetColor(colour);
    PaperColor = colour;
  } else if (c.chosen == 2) {
    ui::Font f = font();
    f.color = InkColor;
    if (ui::ChooseFont(f)) {
      SetFont(f);
      InkColor = f.color;
    }
    int height = RowHeight, width = CharWidth;
    if (!AskLetterSize(10, 10, height, width)) return;
    RowHeight = std::clamp(height, 10, 30);
    CharWidth = std::clamp(width, 5, 30);
  }
}

void TfOkno::OknoShowInstructions(int) { ShowInstructions(WindowName); }

void TfOkno::ShowReportList(int) {
  if (RolHooks().showReportList) RolHooks().showReportList();
}

}  // namespace browser
