#include "ui/headless/input.h"

#include <algorithm>

#include "ui/keys.h"

namespace ui::headless {

namespace {

bool Plain(Shift s) { return !Has(s, Shift::Ctrl) && !Has(s, Shift::Alt); }

// Caret and selection editing shared by edits and memos.
struct TextState {
  std::string text;
  int start, length;
  int maxLength;

  void Replace(std::string_view with) {
    std::string next = text.substr(0, start) + std::string(with) + text.substr(start + length);
    if (maxLength > 0 && static_cast<int>(next.size()) > maxLength) return;
    text = std::move(next);
    start += static_cast<int>(with.size());
    length = 0;
  }
  void Backspace() {
    if (length == 0 && start > 0) --start, length = 1;
    Replace({});
  }
  void Delete() {
    if (length == 0 && start < static_cast<int>(text.size())) length = 1;
    Replace({});
  }
  // Moves the caret to `to`; with extend the selection grows from its anchor.
  void Move(int to, bool extend) {
    to = std::clamp(to, 0, static_cast<int>(text.size()));
    if (extend) {
      int anchor = start;
      int lo = std::min(anchor, to), hi = std::max(anchor, to);
      start = lo;
      length = hi - lo;
    } else {
      start = to;
      length = 0;
    }
  }
};

bool IsEdit(const Control& c) { return c.kind() == ControlKind::Edit || c.kind() == ControlKind::SpinEdit; }

TextState StateOf(Control& c) {
  if (IsEdit(c)) {
    auto& e = static_cast<Edit&>(c);
    return {e.text(), e.selStart(), e.selLength(), e.maxLength()};
  }
  auto& m = static_cast<Memo&>(c);
  return {m.text(), m.selStart(), m.selLength(), 0};
}

void Apply(Control& c, const TextState& s) {
  if (IsEdit(c)) {
    auto& e = static_cast<Edit&>(c);
    e.UserSetText(s.text);
    e.UserSetSelection(s.start, s.length);
  } else {
    auto& m = static_cast<Memo&>(c);
    m.UserSetText(s.text);
    m.UserSetSelection(s.start, s.length);
  }
}

bool ReadOnly(const Control& c) {
  return IsEdit(c) ? static_cast<const Edit&>(c).readOnly() : static_cast<const Memo&>(c).readOnly();
}

// Start of the line holding offset `at` in CR LF text, and the offset `column`
// characters into the line before or after it.
int LineStart(const std::string& t, int at) {
  while (at > 0 && t[at - 1] != '\n') --at;
  return at;
}

int LineEnd(const std::string& t, int at) {
  while (at < static_cast<int>(t.size()) && t[at] != '\r' && t[at] != '\n') ++at;
  return at;
}

bool EditKey(Control& c, int key, Shift shift) {
  TextState s = StateOf(c);
  bool extend = Has(shift, Shift::Shift);
  int caret = s.start + s.length;
  switch (key) {
    case vk::Left: s.Move(s.length && !extend ? s.start : s.start - 1, extend); break;
    case vk::Right: s.Move(s.length && !extend ? caret : caret + 1, extend); break;
    case vk::Home: s.Move(LineStart(s.text, s.start), extend); break;
    case vk::End: s.Move(LineEnd(s.text, caret), extend); break;
    case vk::Up:
    case vk::Down: {
      if (c.kind() != ControlKind::Memo) return false;
      int begin = LineStart(s.text, s.start), column = s.start - begin;
      int target;
      if (key == vk::Up) {
        if (begin == 0) return false;
        int prevEnd = begin - 1;
        if (prevEnd > 0 && s.text[prevEnd - 1] == '\r') --prevEnd;
        int prevBegin = LineStart(s.text, prevEnd);
        target = std::min(prevBegin + column, prevEnd);
      } else {
        int end = LineEnd(s.text, s.start);
        if (end >= static_cast<int>(s.text.size())) return false;
        int nextBegin = end + (s.text[end] == '\r' && end + 1 < static_cast<int>(s.text.size()) ? 2 : 1);
        target = std::min(nextBegin + column, LineEnd(s.text, nextBegin));
      }
      s.Move(target, extend);
      break;
    }
    case vk::Delete:
      if (ReadOnly(c)) return false;
      s.Delete();
      break;
    default: return false;
  }
  Apply(c, s);
  return false;
}

void SelectBy(ListBox& l, int key) {
  int rows = std::max(1, l.height() / l.itemHeight());
  int i = l.itemIndex();
  switch (key) {
    case vk::Up: i = std::max(0, i - 1); break;
    case vk::Down: i = std::min(l.count() - 1, i + 1); break;
    case vk::Home: i = 0; break;
    case vk::End: i = l.count() - 1; break;
    case vk::PgUp: i = std::max(0, i - rows + 1); break;
    case vk::PgDn: i = std::min(l.count() - 1, i + rows - 1); break;
    default: return;
  }
  if (i >= 0 && i != l.itemIndex()) l.UserSelect(i);
}

void ScrollBy(ScrollBar& s, int key) {
  switch (key) {
    case vk::Up:
    case vk::Left: s.UserSetPosition(s.position() - s.smallChange); break;
    case vk::Down:
    case vk::Right: s.UserSetPosition(s.position() + s.smallChange); break;
    case vk::PgUp: s.UserSetPosition(s.position() - s.largeChange); break;
    case vk::PgDn: s.UserSetPosition(s.position() + s.largeChange); break;
    case vk::Home: s.UserSetPosition(s.min()); break;
    case vk::End: s.UserSetPosition(s.max()); break;
    default: break;
  }
}

}  // namespace

bool DefaultKeyDown(Form& form, Control& target, int key, Shift shift) {
  if (key == vk::Tab && Plain(shift) &&
      !(target.kind() == ControlKind::Memo && static_cast<Memo&>(target).wantTabs)) {
    Control* from = &target == &form ? nullptr : &target;
    if (Control* next = form.NextTabControl(from, !Has(shift, Shift::Shift))) form.UserFocus(next);
    return true;
  }
  if (&target == &form || !Plain(shift)) return false;
  switch (target.kind()) {
    case ControlKind::SpinEdit:
      if (key == vk::Up || key == vk::Down) {
        static_cast<SpinEdit&>(target).UserStep(key == vk::Up ? 1 : -1);
        return true;
      }
      return EditKey(target, key, shift);
    case ControlKind::Edit:
    case ControlKind::Memo: return EditKey(target, key, shift);
    case ControlKind::Button:
      if (key == vk::Enter || key == vk::Space) {
        form.DispatchClick(target);
        return true;
      }
      break;
    case ControlKind::CheckBox:
      if (key == vk::Space) {
        static_cast<CheckBox&>(target).UserToggle();
        return true;
      }
      break;
    case ControlKind::RadioButton:
      if (key == vk::Space) {
        static_cast<RadioButton&>(target).UserCheck();
        return true;
      }
      break;
    case ControlKind::ListBox: SelectBy(static_cast<ListBox&>(target), key); break;
    case ControlKind::ComboBox: {
      auto& cb = static_cast<ComboBox&>(target);
      if (key == vk::Up && cb.itemIndex() > 0) cb.UserSelect(cb.itemIndex() - 1);
      if (key == vk::Down && cb.itemIndex() + 1 < cb.count()) cb.UserSelect(cb.itemIndex() + 1);
      break;
    }
    case ControlKind::Grid: static_cast<Grid&>(target).UserMoveByKey(key); break;
    case ControlKind::ScrollBar: ScrollBy(static_cast<ScrollBar&>(target), key); break;
    default: break;
  }
  return false;
}

void DefaultKeyPress(Form&, Control& target, char ch) {
  auto u = static_cast<unsigned char>(ch);
  switch (target.kind()) {
    case ControlKind::SpinEdit:
      if (u >= 32 && u != '-' && (u < '0' || u > '9')) return;  // digits only
      [[fallthrough]];
    case ControlKind::Edit:
    case ControlKind::Memo: {
      if (ReadOnly(target)) return;
      TextState s = StateOf(target);
      bool memo = target.kind() == ControlKind::Memo;
      if (u == 8) s.Backspace();
      else if (u == 13 && memo && static_cast<Memo&>(target).wantReturns) s.Replace("\r\n");
      else if (u == 9 && memo && static_cast<Memo&>(target).wantTabs) s.Replace("\t");
      else if (u >= 32 && u != 127) s.Replace(std::string_view(&ch, 1));
      else return;
      Apply(target, s);
      break;
    }
    case ControlKind::ComboBox: {
      auto& cb = static_cast<ComboBox&>(target);
      if (cb.style() != ComboStyle::DropDown) return;
      std::string t = cb.text();
      if (u == 8) {
        if (!t.empty()) t.pop_back();
      } else if (u >= 32 && u != 127) {
        t += ch;
      } else {
        return;
      }
      cb.UserSetText(t);
      break;
    }
    default: break;
  }
}

void NativeMouseDown(Form&, Control& c, int x, int y, MouseButton b) {
  if (b != MouseButton::Left) return;
  if (c.kind() == ControlKind::Grid) {
    auto& g = static_cast<Grid&>(c);
    Point cell = g.MouseToCell(x, y);
    if (cell.x >= g.fixedCols() && cell.y >= g.fixedRows()) g.UserSelectCell(cell.x, cell.y);
  } else if (c.kind() == ControlKind::ListBox) {
    auto& l = static_cast<ListBox&>(c);
    int i = l.ItemAt(x, y);
    if (i >= 0) l.UserSelect(i);
  }
}

void NativeClick(Form& form, Control& c, int, int) {
  switch (c.kind()) {
    case ControlKind::CheckBox: static_cast<CheckBox&>(c).UserToggle(); break;
    case ControlKind::RadioButton: static_cast<RadioButton&>(c).UserCheck(); break;
    case ControlKind::ListBox: break;  // its click came with the selection
    default: form.DispatchClick(c); break;
  }
}

}  // namespace ui::headless
