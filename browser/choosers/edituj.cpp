#include "browser/choosers/edituj.h"

#include <algorithm>

#include "browser/dialogs.h"

namespace browser {

TfEdituj& fEdituj() { return SingleWindow<TfEdituj>(); }

TfEdituj::TfEdituj()
    : ui::Form("fEdituj"), lText(Add<ui::Label>("lText")), lCursor(Add<ui::Label>("lCursor")) {
  SetBorderStyle(ui::BorderStyle::None);
  keyPreview = true;
  ui::Font fixed = font();
  fixed.name = "Fixedsys";
  lText.SetFont(fixed);
  fixed.color = ui::colors::GrayText;
  lCursor.SetFont(fixed);
  lCursor.SetTransparent(false);
  lCursor.SetColor(ui::colors::Window);
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  onKeyPress = [this](ui::Control&, char& ch) { FormKeyPress(ch); };
  onActivate = [this](ui::Form&) { Draw(); };
}

void TfEdituj::init(int left, int top, int cursorColumn, int visibleWidth, int scrollStart, const std::string& text) {
  EditText = text;
  VisibleWidth = std::max(visibleWidth, 1);
  CursorColumn = std::clamp(cursorColumn, 1, VisibleWidth);
  ScrollStart = std::max(scrollStart, 1);
  TextLength = MaxLength = static_cast<int>(text.size());
  InsertMode = false;
  EndKey = 0;
  SetBounds(left, top, VisibleWidth * kCell + 2, 18);
  lText.SetBounds(1, 1, VisibleWidth * kCell, 16);
  Draw();
}

std::string TfEdituj::ShownText() const {
  std::string s = ScrollStart - 1 < static_cast<int>(EditText.size()) ? EditText.substr(static_cast<std::size_t>(ScrollStart - 1)) : "";
  s.resize(static_cast<std::size_t>(VisibleWidth), ' ');
  return s;
}

void TfEdituj::Draw() {
  const std::string shown = ShownText();
  lText.SetText(shown);
  lCursor.SetBounds((CursorColumn - 1) * kCell + 1, 1, kCell, 16);
  lCursor.SetText(shown.substr(static_cast<std::size_t>(CursorColumn - 1), 1));
}

void TfEdituj::CursorRight() {
  if (CursorColumn < VisibleWidth) ++CursorColumn;
  else ++ScrollStart;
}

void TfEdituj::FormKeyDown(int& key, ui::Shift) {
  namespace vk = ui::vk;
  EndKey = key;
  const int at = CursorIndex() - 1;  // 0-based
  switch (key) {
    case vk::Insert: InsertMode = !InsertMode; break;
    case vk::Esc:
    case vk::Enter:
    case vk::Down:
    case vk::Up:
      key = 0;
      SetModalResult(ui::mr::Ok);
      return;
    case vk::Left:
      if (CursorColumn > 1) --CursorColumn;
      else if (ScrollStart > 1) --ScrollStart;
      break;
    case vk::Right:
      // Up to one place past the longest text, and no scrolling past the text.
      if (CursorIndex() > MaxLength) break;
      if (CursorColumn < VisibleWidth) ++CursorColumn;
      else if (CursorIndex() < TextLength) ++ScrollStart;
      break;
    case vk::Back:
      if (CursorColumn <= 1) break;
      if (InsertMode && at - 1 < static_cast<int>(EditText.size())) EditText.erase(static_cast<std::size_t>(at - 1), 1);
      --CursorColumn;
      break;
    case vk::Delete:
      if (CursorColumn < VisibleWidth && InsertMode && at < static_cast<int>(EditText.size()))
        EditText.erase(static_cast<std::size_t>(at), 1);
      break;
    case vk::F(8): EditText.assign(static_cast<std::size_t>(TextLength), ' '); break;
    default: return;
  }
  key = 0;
  TextLength = static_cast<int>(EditText.size());
  Draw();
}

void TfEdituj::FormKeyPress(char& ch) {
  const auto c = static_cast<unsigned char>(ch);
  ch = 0;
  if (!((c >= 32 && c <= 122) || (c >= 129 && c <= 254))) return;
  const auto at = static_cast<std::size_t>(CursorIndex() - 1);
  const auto max = static_cast<std::size_t>(MaxLength);
  if (at < max) {
    // A cursor past the text's end first pads it with blanks.
    if (EditText.size() < at) EditText.resize(at, ' ');
    if (InsertMode) EditText.insert(at, 1, static_cast<char>(c));
    else if (at < EditText.size()) EditText[at] = static_cast<char>(c);
    else EditText += static_cast<char>(c);
    if (EditText.size() > max) EditText.resize(max);
    CursorRight();
  }
  TextLength = static_cast<int>(EditText.size());
  Draw();
}

}  // namespace browser
