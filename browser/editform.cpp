#include "browser/editform.h"

#include <algorithm>
#include <cmath>

#include "browser/codec.h"
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/kalk.h"
#include "browser/soub.h"
#include "browser/winsettings.h"
#include "common/dates.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/text.h"
#include "ui/backend.h"
#include "ui/form.h"
#include "ui/keys.h"

namespace browser {

namespace vk = ui::vk;

namespace {

constexpr int Ctrl(int k) { return k + 1000; }
constexpr int Shifted(int k) { return k + 2000; }
constexpr int Alt(int k) { return k + 3000; }
constexpr std::size_t kBarcodeMax = 20;
constexpr ui::Color kKeyLinePaper = ui::Rgb(0, 0, 128);
constexpr ui::Color kKeyLineText = ui::Rgb(240, 240, 240);

bool Blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// The number text as typed: digit-row letters to digits, the decimal comma to a point.
std::string TypedNumber(std::string_view text) {
  std::string s = CzechKeysToDigits(text);
  std::replace(s.begin(), s.end(), ',', '.');
  return s;
}

}  // namespace

bool TabEnterOn() { return common::ReadParam(common::kRegistryFile, "TabEnter") != "N"; }

void SwitchTabEnter() { common::WriteParam(common::kRegistryFile, "TabEnter", TabEnterOn() ? "N" : "A"); }

std::string NormaliseFieldText(const FieldDescriptor& d, std::string_view text) {
  const int w = d.width;
  switch (d.fieldType) {
    case ft::Text:
    case ft::Key:
    case ft::TextX: return common::StripLeftSp(common::StripRightSp(text));
    case ft::TextRight:
    case ft::TextRightY: return common::AlignText(text, "P", " ", w);
    case ft::CodeLeft:
    case ft::CodeLeftL: return common::AlignText(text, "L", "0", w);
    case ft::CodeRight:
    case ft::CodeRightP: return common::AlignText(text, "P", "0", w);
    case ft::TextFixed:
    case ft::TextM: {
      std::string t(text.substr(0, std::min<std::size_t>(text.size(), static_cast<std::size_t>(w))));
      t.resize(static_cast<std::size_t>(w), ' ');
      return t;
    }
    case ft::Byte:
    case ft::Int:
    case ft::LongInt:
    case ft::Real:
    case ft::Word:
    case ft::Double: return common::FormatFloatMask(d.picture, common::TextToFloat(TypedNumber(text)));
    case ft::Amount: return common::FormatCurrencyMask(d.picture, common::TextToCurrency(TypedNumber(text)));
    case ft::Date:
    case ft::DateDmy: return common::DateWithDots(common::NormalizeDate(CzechKeysToDigits(text)));
    case ft::Time: {
      if (Blank(text)) return std::string(8, ' ');
      const std::string t = common::NormalizeTime(CzechKeysToDigits(text));
      return Blank(t) ? std::string(8, ' ') : common::TimeWithColons(t);
    }
    case ft::DateLong:
    case ft::DateLongDmy: {
      const std::string t = NormalizeLongDate(CzechKeysToDigits(text));
      return Blank(t) ? std::string(10, ' ') : common::DateIsoToDots(common::Date8ToIso(t));
    }
    default: return std::string(text);
  }
}

// ---------------------------------------------------------------- layout

EditFormLayout ComputeEditLayout(TfSoub& soub) {
  EditFormLayout l;
  const double ppi = ScreenScale() > 0 ? ScreenScale() : 1.0;
  l.letterWidth = WindowFont().LetterWidth;
  l.letterHeight = WindowFont().LetterHeight;
  l.font = StateFont(soub.EditFontColor);
  l.paper = soub.EditColor;

  EditAppearance a{l.letterHeight, l.letterWidth, l.font, l.paper};
  ReadEditAppearance(soub.SettingsKey, a);
  l.letterHeight = a.letterHeight;
  l.letterWidth = a.letterWidth;
  l.font = a.font;
  l.paper = a.paper;

  const int lw = l.letterWidth, lh = l.letterHeight;
  const CellFrame& f = soub.EditFrame;
  ui::Rect& w = l.window;
  w.top = (f.top - 1) * lh;
  w.left = (f.left - 1) * lw;
  w.height = Px(ppi * (f.bottom - f.top + 1) * (lh + 4));
  w.width = (f.right - f.left + 2) * (lw + 1);
  const std::string& k = soub.SettingsKey;
  if (const int v = StoredInt(k + " AktLeft"); v > 0) w.left = v;
  if (const int v = StoredInt(k + " AktTop"); v > 0) w.top = v;
  if (const int v = StoredInt(k + " AktWidth"); v > 0) w.width = v;
  if (const int v = StoredInt(k + " AktHeight"); v > 0) w.height = v;
  if (const std::string v = common::ReadParam(kOkna2Par, k + " AktPaper"); common::TextToInt(v) > 0) l.paper = common::TextToInt(v);

  const int count = std::clamp<int>(soub.FieldCount, 0, kMaxFields);
  l.fields.resize(static_cast<std::size_t>(count) + 1);
  for (int i = 1; i <= count; ++i) {
    const FieldDescriptor& d = soub.Field(i);
    EditFieldLayout& e = l.fields[static_cast<std::size_t>(i)];
    const int captionCells = d.caption.size() == 1 ? 2 : static_cast<int>(d.caption.size());
    e.label = {Px(ppi * d.column * lw), Px(ppi * (d.line - 1) * (lh + 4) + 6), Px(ppi * captionCells * lw), lh};
    int cells = d.width + 2;
    if (d.fieldType == ft::Date || d.fieldType == ft::DateDmy || d.fieldType == ft::Time) cells += 2;
    cells = std::max(cells, FieldDisplayLength(d) + 2);
    e.edit = {e.label.left + e.label.width, e.label.top - 2, Px(ppi * cells * lw), Px(ppi * (lh + 2))};
    e.maxLength = FieldEditLength(d);
    if (d.hintColumn != 0)
      e.hint = {Px(ppi * d.hintColumn * lw), Px(ppi * (std::max<int>(d.hintLine, 1) - 1) * (lh + 4) + 6),
                Px(ppi * static_cast<double>(d.hint.size()) * lw), lh};
  }
  // Fields placed above the first line (line 0) move down into the window, all alike.
  int first = 0;
  for (int i = 1; i <= count; ++i) {
    const EditFieldLayout& e = l.fields[static_cast<std::size_t>(i)];
    first = std::min({first, e.label.top, e.edit.top, e.hint.width > 0 ? e.hint.top : 0});
  }
  if (first < 0)
    for (int i = 1; i <= count; ++i) {
      EditFieldLayout& e = l.fields[static_cast<std::size_t>(i)];
      for (ui::Rect* r : {&e.label, &e.edit, &e.hint})
        if (r->width > 0) r->top -= first;
    }
  // The key line is held at the window's bottom, the fields scroll above it: a window
  // whose fields would reach under it grows to show them (within the work area below).
  const int keyHeight = lh + 4;
  if (soub.KeyLineVisible) {
    int bottom = 0;
    for (int i = 1; i <= count; ++i) {
      const auto at = static_cast<std::size_t>(i);
      if (at < soub.FieldStates.size() && soub.FieldStates[at] < 0) continue;
      const EditFieldLayout& e = l.fields[static_cast<std::size_t>(i)];
      bottom = std::max({bottom, e.label.top + e.label.height, e.edit.top + e.edit.height});
    }
    const int room = w.height - ui::kFrameHeight - keyHeight;
    if (bottom > room) w.height += bottom - room + 2;
  }
  // A window larger than the work area is cut to it (it scrolls) and ends at its right
  // and bottom edges at the most; any window starts at most 100 pixels before them.
  const ui::Rect work = ui::HasBackend() ? ui::WorkArea() : ui::Rect{0, 0, 1920, 1040};
  const bool cut = w.width > work.width || w.height > work.height;
  w.width = std::min(w.width, work.width);
  w.height = std::min(w.height, work.height);
  w.left = std::min(w.left, work.width - 100);
  w.top = std::min(w.top, work.height - 100);
  if (cut) {
    w.left = std::max(std::min(w.left, work.left + work.width - w.width), work.left);
    w.top = std::max(std::min(w.top, work.top + work.height - w.height), work.top);
  }

  const int clientWidth = w.width - ui::kFrameWidth, clientHeight = w.height - ui::kFrameHeight;
  l.ok = {clientWidth - 4 * lw - 7 * lw, 4, 7 * lw, lh};
  l.keyLine = {0, std::max(clientHeight - keyHeight, 0), std::max(clientWidth, 0), keyHeight};
  l.keyLineText = common::Copy(soub.EditKeyLine, 1, w.width / 6 + 1);
  return l;
}

// ---------------------------------------------------------------- the form

EditForm::EditForm(TfSoub& soub) : soub_(soub) {}

void EditForm::Build() {
  count_ = std::clamp<int>(soub_.FieldCount, 0, kMaxFields);
  texts_.assign(static_cast<std::size_t>(count_) + 1, std::string());
  sideLabels_.assign(static_cast<std::size_t>(count_) + 1, std::string());
  for (int i = 1; i <= count_; ++i) {
    texts_[static_cast<std::size_t>(i)] = soub_.Field(i).value;
    sideLabels_[static_cast<std::size_t>(i)] = soub_.Field(i).hint;
  }
  layout_ = ComputeEditLayout(soub_);
  closed_ = false;
  timerOn_ = false;
  autoScroll_ = true;
  keyLineVisible_ = soub_.KeyLineVisible;
  soub_.FinishFlag = false;
  soub_.EditBarcode = false;
  soub_.EditBarcodeText.clear();
  soub_.CurrentField = 0;
  for (int i = 1; i <= count_; ++i)
    if (Visible(i)) {
      soub_.CurrentField = i;
      break;
    }
  finalBounds = layout_.window;
  finalPaper = layout_.paper;
  finalFontColor = layout_.font.color;
}

const std::string& EditForm::Text(int field) const {
  if (field < 1 || field > count_) throw common::RangeError("edit field " + std::to_string(field));
  return texts_[static_cast<std::size_t>(field)];
}

std::string& EditForm::MutableText(int field) {
  if (field < 1 || field > count_) throw common::RangeError("edit field " + std::to_string(field));
  return texts_[static_cast<std::size_t>(field)];
}

void EditForm::SetText(int field, std::string text) { MutableText(field) = std::move(text); }

bool EditForm::Visible(int field) const { return soub_.FieldStates.at(static_cast<std::size_t>(field)) > -1; }
bool EditForm::Enabled(int field) const { return soub_.FieldStates.at(static_cast<std::size_t>(field)) > 0; }
int EditForm::currentField() const { return soub_.CurrentField; }

void EditForm::Close() {
  closed_ = true;
  timerOn_ = false;
}

int EditForm::NextEditable(int after) const { return NextEnabledField(soub_.FieldStates, count_, after); }

int EditForm::PreviousEditable(int before) const { return PreviousEnabledField(soub_.FieldStates, count_, before); }

bool EditForm::KeyDown(int field, int raw, ui::Shift shift) {
  if (closed_) return true;
  const int code = ui::KeyCode(raw, shift);
  if (field >= 1 && field <= count_) soub_.CurrentField = field;
  soub_.LastEditKey = code;
  const int cur = soub_.CurrentField;
  const bool inField = cur >= 1 && cur <= count_;
  bool acted = true;
  int nav = code;
  switch (code) {
    case vk::F(1): soub_.ShowHelp(inField ? cur : 1); break;  // the field number; the list passes 0
    case vk::F(3): soub_.EditKeyF3(); break;
    case vk::F(4): soub_.EditKeyF4(); break;
    case vk::F(5): soub_.EditKeyF5(); break;
    case vk::F(6): soub_.EditKeyF6(); break;
    case vk::F(7): soub_.EditKeyF7(); break;
    case vk::F(8): soub_.EditKeyF8(); break;
    case vk::F(9): soub_.EditKeyF9(); break;
    case vk::F(10): soub_.PrintEditForm(); break;
    case vk::F(11): soub_.EditAppearanceMenu(); break;
    case vk::F(12):
      if (inField) texts_[static_cast<std::size_t>(cur)] = soub_.Field(cur).initialValue;
      nav = vk::Down;
      break;
    case Ctrl(vk::F(1)): soub_.EditShowInstructions(); break;
    case Ctrl(vk::F(2)): soub_.EditShowReportList(); break;
    case Ctrl(vk::F(3)): soub_.EditKeyCtrlF3(); break;
    case Ctrl(vk::F(4)): soub_.EditKeyCtrlF4(); break;
    case Ctrl(vk::F(5)): soub_.EditKeyCtrlF5(); break;
    case Ctrl(vk::F(6)): soub_.EditKeyCtrlF6(); break;
    case Ctrl(vk::F(7)): soub_.EditKeyCtrlF7(); break;
    case Ctrl(vk::F(8)): soub_.EditKeyCtrlF8(); break;
    case Ctrl(vk::F(9)):
      if (inField) Calculator(cur);
      break;
    case Alt(vk::F(1)): soub_.EditKeyAltF1(); break;
    case Alt(vk::F(2)): soub_.EditKeyAltF2(); break;
    case Alt(vk::F(3)): soub_.EditKeyAltF3(); break;
    case Alt(vk::F(4)): soub_.EditKeyAltF4(); break;
    case Alt(vk::F(5)): soub_.EditKeyAltF5(); break;
    case Alt(vk::F(6)): soub_.EditKeyAltF6(); break;
    case Alt(vk::F(7)): soub_.EditKeyAltF7(); break;
    case Alt(vk::F(8)): soub_.EditKeyAltF8(); break;
    case Alt(vk::F(9)): soub_.EditKeyAltF9(); break;
    case Alt(vk::F(10)): soub_.EditKeyAltF10(); break;
    case Ctrl(vk::F(12)): soub_.SaveEditTemplate(); break;
    case Shifted(vk::F(12)): soub_.ApplyEditTemplate(); break;
    default: acted = false;
  }
  // Barcode input: Ctrl+B, and in a key field also Shift then B, End or Caps Lock.
  const bool keyField = inField && soub_.Field(cur).fieldType == ft::Key;
  if (code == Ctrl(vk::Letter('B')) ||
      (keyField && ((raw == vk::Letter('B') && prevRaw_ == vk::Shift) || raw == vk::End || raw == vk::CapsLock))) {
    soub_.EditBarcode = true;
    soub_.EditBarcodeText.clear();
    acted = true;
  } else if (code == vk::Enter && soub_.EditBarcode && inField) {
    soub_.EditBarcode = false;
    std::string& text = texts_[static_cast<std::size_t>(cur)];
    text = CzechKeysToDigits(text);
    soub_.EditBarcodeText = text.substr(0, std::min(text.size(), kBarcodeMax));
    text = soub_.EditBarcodeText;
  }
  prevRaw_ = raw;
  if (!closed_ && Navigate(nav, cur, true)) acted = true;
  if (nav != 0) lastNavKey_ = nav;
  soub_.LastEditKey = 0;
  return acted;
}

const std::string& EditForm::SideLabel(int field) const {
  if (field < 1 || field > count_) throw common::RangeError("side label " + std::to_string(field));
  return sideLabels_[static_cast<std::size_t>(field)];
}

void EditForm::SetSideLabel(int field, std::string text) {
  if (field < 1 || field > count_) throw common::RangeError("side label " + std::to_string(field));
  sideLabels_[static_cast<std::size_t>(field)] = std::move(text);
}

void EditForm::PutText(int field, std::string text) {
  if (field < 1 || field > count_ || closed_) return;
  texts_[static_cast<std::size_t>(field)] = std::move(text);
  soub_.CurrentField = field;
  Navigate(lastNavKey_ != 0 ? lastNavKey_ : vk::Enter, field);
}

// Runs the check of a field (FieldExit after the normalisation for Enter) and puts the
// text back. False when the field stays flagged wrong.
bool EditForm::CheckField(int field, bool onEnter) {
  if (field < 1 || field > count_) return true;
  std::string text = texts_[static_cast<std::size_t>(field)];
  soub_.WorkText = text;
  if (onEnter) {
    soub_.FieldNormalise(field, text);
    soub_.FieldExit(field, text);
  } else {
    soub_.FieldCheck(field, text);
  }
  texts_[static_cast<std::size_t>(field)] = text;
  if (soub_.FieldErrors.at(static_cast<std::size_t>(field)) == 1) {
    soub_.CurrentField = field;
    timerOn_ = true;
    return false;
  }
  return true;
}

bool EditForm::Navigate(int code, int cur, bool typed) {
  switch (code) {
    case vk::Esc:
      timerOn_ = false;
      soub_.EditAborted = true;
      soub_.EditCancelled();
      Close();
      return true;
    case vk::Down:
    case vk::F(2):
    case vk::Enter:
    case vk::Tab:
      if (!CheckField(cur, code == vk::Enter)) return true;
      if (code == vk::Enter && typed && !TabEnterOn()) {
        // Enter only checks: the field keeps the focus unless its check chose another.
        if (soub_.CurrentField != cur) Entered(soub_.CurrentField);
        timerOn_ = true;
        return true;
      }
      if (code == vk::F(2))
        soub_.EditFinish();
      else
        MoveOn(cur);
      return true;
    case vk::Up:
    case Shifted(vk::Tab):
      if (!CheckField(cur, false)) return true;
      if (soub_.CurrentField != cur)
        Entered(soub_.CurrentField);
      else
        MoveBack();
      return true;
    default: return false;
  }
}

void EditForm::MoveOn(int fieldBefore) {
  if (soub_.CurrentField != fieldBefore) {  // the check chose the next field itself
    Entered(soub_.CurrentField);
    return;
  }
  int next = NextEditable(fieldBefore);
  if (next == 0 && soub_.WrapAround) next = NextEditable(0);
  if (next == 0) {
    soub_.EditAccept();
    return;
  }
  soub_.CurrentField = next;
  Entered(next);
}

void EditForm::MoveBack() {
  int prev = PreviousEditable(soub_.CurrentField);
  if (prev == 0) prev = PreviousEditable(count_ + 1);
  if (prev != 0) soub_.CurrentField = prev;
  Entered(soub_.CurrentField);
}

// A field got the focus: its check-end hook runs and its shown text loses trailing blanks.
void EditForm::Entered(int field) {
  timerOn_ = true;
  if (field < 1 || field > count_ || closed_) return;
  std::string text = texts_[static_cast<std::size_t>(field)];
  soub_.FieldChecked(field, text);
  texts_[static_cast<std::size_t>(field)] = common::StripRightSp(text);
}

void EditForm::Show() { Entered(soub_.CurrentField); }

void EditForm::Enter(int field) {
  if (field < 1 || field > count_ || closed_ || field == soub_.CurrentField) return;
  const int cur = soub_.CurrentField;
  if (cur >= 1 && cur <= count_ && soub_.FieldErrors.at(static_cast<std::size_t>(cur)) == 1) {
    timerOn_ = true;  // the focus goes back to the field in error
    return;
  }
  soub_.CurrentField = field;
  Entered(field);
}

void EditForm::Click(int field) {
  if (field < 1 || field > count_ || closed_ || field == soub_.CurrentField) return;
  const int cur = soub_.CurrentField;
  if (cur >= 1 && cur <= count_ && !CheckField(cur, false)) return;
  soub_.CurrentField = field;
  Entered(field);
}

void EditForm::OkPressed() {
  if (!closed_) soub_.EditAccept();
}

void EditForm::RightClick() {
  keyLineVisible_ = false;
  soub_.KeyLineVisible = false;
  autoScroll_ = true;
}

void EditForm::TimerTick() { timerOn_ = false; }

void EditForm::Calculator(int field) {
  CalculateIntoText(texts_[static_cast<std::size_t>(field)], SoubHooks().calculator);
}

void EditForm::ToFields() {
  for (int i = 1; i <= count_; ++i) soub_.Field(i).value = texts_[static_cast<std::size_t>(i)];
  PadFieldValues(soub_.FieldSpan());
}

void EditForm::FromFields() {
  for (int i = 1; i <= count_; ++i) texts_[static_cast<std::size_t>(i)] = soub_.Field(i).value;
}

// ---------------------------------------------------------------- the window

namespace {

// The edit window on the window layer: it mirrors the form after every event.
class EditWindow : public ui::Form {
 public:
  explicit EditWindow(EditForm& model) : ui::Form(model.soub().SettingsKey + "Edit"), model_(model) {
    const EditFormLayout& l = model.layout();
    SetCaption(model.soub().EditTitle);
    SetAutoScroll(true);
    SetBounds(l.window);
    SetColor(l.paper);
    SetFont(l.font);
    const int n = model.fieldCount();
    edits_.assign(static_cast<std::size_t>(n) + 1, nullptr);
    hints_.assign(1, nullptr);
    labels_.assign(static_cast<std::size_t>(n) + 1, nullptr);
    for (int i = 1; i <= n; ++i) {
      const EditFieldLayout& f = l.fields[static_cast<std::size_t>(i)];
      const FieldDescriptor& d = model.soub().Field(i);
      ui::Label& label = Add<ui::Label>("Label" + std::to_string(i));
      label.SetText(d.caption);
      label.SetBounds(f.label);
      labels_[static_cast<std::size_t>(i)] = &label;
      ui::Edit& edit = Add<ui::Edit>("Edit" + std::to_string(i));
      edit.SetBounds(f.edit);
      edit.SetMaxLength(f.maxLength);
      edit.SetColor(l.paper);
      edit.SetTabOrder(i - 1);
      edit.SetText(model.Text(i));
      edit.onKeyDown = [this, i](ui::Control& c, int& key, ui::Shift shift) {
        model_.SetText(i, c.text());
        if (model_.KeyDown(i, key, shift)) key = 0;
        Sync();
      };
      edit.onChange = [this, i](ui::Control& c) { model_.SetText(i, c.text()); };
      edit.onEnter = [this, i](ui::Control&) {
        if (syncing_) return;
        model_.Enter(i);
        Sync();
      };
      edit.onMouseDown = [this, i](ui::Control&, ui::MouseButton b, ui::Shift, int, int) {
        if (b == ui::MouseButton::Right) model_.RightClick();
        else if (b == ui::MouseButton::Left) model_.Click(i);
        Sync();
      };
      edits_[static_cast<std::size_t>(i)] = &edit;
      hints_.push_back(nullptr);
      if (d.hintColumn != 0) {
        ui::Label& hint = Add<ui::Label>("Hint" + std::to_string(i));
        hint.SetText(model.SideLabel(i));
        hint.SetBounds(f.hint);
        hints_.back() = &hint;
      }
    }
    ui::Button& ok = Add<ui::Button>("OK");
    ok.SetText("OK-F2");
    ok.SetBounds(l.ok);
    ok.tabStop = false;
    ok.onClick = [this](ui::Control&) {
      model_.OkPressed();
      Sync();
    };
    keyLine_ = &Add<ui::Edit>("KeyLine");
    keyLine_->SetReadOnly(true);
    keyLine_->tabStop = false;
    keyLine_->SetBounds(l.keyLine);
    keyLine_->SetAlignBottom(true);
    keyLine_->SetColor(kKeyLinePaper);
    ui::Font kf = l.font;
    kf.color = kKeyLineText;
    keyLine_->SetFont(kf);
    keyLine_->SetText(l.keyLineText);
    onMouseDownRight();
    timer_ = &AddTimer("TimerError", 10);
    timer_->onTimer = [this](ui::Timer&) {
      model_.TimerTick();
      Sync();
    };
    onClose = [this](ui::Form&, ui::CloseAction&) {
      if (!model_.closed()) model_.KeyDown(model_.currentField(), vk::Esc, ui::Shift::None);
      Remember();
    };
    onShow = [this](ui::Form&) { Sync(); };
    Sync();
  }

 private:
  void onMouseDownRight() {
    onMouseDown = [this](ui::Control&, ui::MouseButton b, ui::Shift, int, int) {
      if (b != ui::MouseButton::Right) return;
      model_.RightClick();
      Sync();
    };
  }

  void Remember() {
    model_.finalBounds = bounds();
    model_.finalPaper = color();
    model_.finalFontColor = font().color;
  }

  void Sync() {
    syncing_ = true;
    const EditFormLayout& l = model_.layout();
    if (color() != l.paper) SetColor(l.paper);
    if (!(font() == l.font)) SetFont(l.font);
    for (int i = 1; i <= model_.fieldCount(); ++i) {
      ui::Edit& e = *edits_[static_cast<std::size_t>(i)];
      if (e.text() != model_.Text(i)) e.SetText(model_.Text(i));
      e.SetVisible(model_.Visible(i));
      e.SetEnabled(model_.Enabled(i));
      e.SetColor(l.paper);
      labels_[static_cast<std::size_t>(i)]->SetVisible(model_.Visible(i));
      if (ui::Label* hint = hints_[static_cast<std::size_t>(i)]; hint && hint->text() != model_.SideLabel(i)) {
        const std::string& t = model_.SideLabel(i);
        hint->SetText(t);
        hint->SetBounds(hint->left(), hint->top(), std::max(hint->width(), static_cast<int>(t.size()) * l.letterWidth), hint->height());
      }
    }
    keyLine_->SetVisible(model_.keyLineVisible());
    SetAutoScroll(model_.autoScroll());
    timer_->SetEnabled(model_.timerOn());
    if (model_.closed()) {
      syncing_ = false;
      Remember();
      if (showingModal()) SetModalResult(model_.soub().EditAborted ? ui::mr::Cancel : ui::mr::Ok);
      return;
    }
    const int cur = model_.currentField();
    if (cur >= 1 && cur <= model_.fieldCount()) {
      ui::Edit* e = edits_[static_cast<std::size_t>(cur)];
      if (activeControl() != e && e->CanFocus()) FocusControl(e);
    }
    syncing_ = false;
  }

  EditForm& model_;
  std::vector<ui::Edit*> edits_;
  std::vector<ui::Label*> labels_;
  std::vector<ui::Label*> hints_;  // [i]: the side label of field i, nullptr when none
  ui::Edit* keyLine_ = nullptr;
  ui::Timer* timer_ = nullptr;
  bool syncing_ = false;
};

}  // namespace

void CloseOnEscKeyDown(ui::Form& form, int& key) {
  if (key != vk::Esc) return;
  key = 0;
  form.Close();
}

void EditWindowView::ShowModal(EditForm& form) {
  if (!ui::HasBackend()) return;  // nothing to show on: the edit counts as cancelled
  EditWindow window(form);
  shown_ = &window;
  struct Reset {
    ui::Form*& shown;
    ~Reset() { shown = nullptr; }
  } reset{shown_};
  window.ShowModal();
}

void EditWindowView::PrintImage(EditForm&) {
  if (shown_) PrintFormImage(*shown_);
}

}  // namespace browser
