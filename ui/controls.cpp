#include "ui/controls.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <stdexcept>

#include "ui/form.h"
#include "ui/handlers.h"
#include "ui/keys.h"

namespace ui {

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Form: return "form";
    case ControlKind::Label: return "label";
    case ControlKind::Edit: return "edit";
    case ControlKind::SpinEdit: return "spin";
    case ControlKind::Button: return "button";
    case ControlKind::CheckBox: return "check";
    case ControlKind::RadioButton: return "radio";
    case ControlKind::ComboBox: return "combo";
    case ControlKind::ListBox: return "list";
    case ControlKind::Memo: return "memo";
    case ControlKind::Image: return "image";
    case ControlKind::Panel: return "panel";
    case ControlKind::ProgressBar: return "progress";
    case ControlKind::ScrollBar: return "scrollbar";
    case ControlKind::Grid: return "grid";
    case ControlKind::PaintBox: return "paintbox";
  }
  return "control";
}

namespace {
std::atomic<std::uint64_t> g_nextId{1};

bool IsFieldKind(ControlKind k) {
  return k == ControlKind::Edit || k == ControlKind::Memo || k == ControlKind::ListBox ||
         k == ControlKind::ComboBox || k == ControlKind::Grid;
}
}  // namespace

// ---------------------------------------------------------------- Control

Control::Control(ControlKind kind, Form* form, std::string name, Control* parent)
    : kind_(kind), form_(form), parent_(parent), name_(std::move(name)), id_(g_nextId++) {
  if (parent && &parent->form() != form) throw std::invalid_argument("parent of " + name_ + " is on another form");
  if (parent && parent->kind() != ControlKind::Panel)
    throw std::invalid_argument("parent of " + name_ + " is not a panel");
  bounds_ = {0, 0, 100, 24};
  if (IsFieldKind(kind)) color_ = colors::Window;
}

Control::~Control() = default;

void Control::Changed(unsigned bits) {
  dirty_ |= bits;
  form_->MarkChanged();
}

void Control::SetBounds(int left, int top, int width, int height) {
  Rect r{left, top, std::max(width, 0), std::max(height, 0)};
  if (r == bounds_) return;
  bounds_ = r;
  Changed(dirty::Geometry);
}

void Control::UserSetBounds(const Rect& r) { bounds_ = r; }

Point Control::PositionInForm() const {
  if (kind_ == ControlKind::Form) return {0, 0};
  Point p{bounds_.left, bounds_.top};
  for (Control* c = parent_; c; c = c->parent_) {
    p.x += c->bounds_.left;
    p.y += c->bounds_.top;
  }
  return p;
}

Point Control::ClientToScreen(Point p) const {
  const Form& f = *form_;
  Point origin = PositionInForm();
  int frameX = f.borderStyle() == BorderStyle::None ? 0 : kFrameWidth / 2;
  int frameY = f.borderStyle() == BorderStyle::None ? 0 : kFrameHeight - kFrameWidth / 2;
  return {f.left() + frameX + origin.x - f.scrollPos().x + p.x, f.top() + frameY + origin.y - f.scrollPos().y + p.y};
}

void Control::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  Changed(dirty::State);
  if (alignBottom_) form_->AlignControls();
}

void Control::SetAlignBottom(bool v) {
  if (alignBottom_ == v || parent_ || kind_ == ControlKind::Form) return;
  alignBottom_ = v;
  Changed(dirty::Geometry);
  form_->AlignControls();
}

bool Control::VisibleInForm() const {
  for (const Control* c = this; c && c->kind_ != ControlKind::Form; c = c->parent_)
    if (!c->visible_) return false;
  return true;
}

bool Control::IsShowing() const {
  if (kind_ == ControlKind::Form) return visible_;
  if (!visible_) return false;
  return parent_ ? parent_->IsShowing() : form_->visible();
}

void Control::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  Changed(dirty::State);
}

bool Control::IsEnabled() const {
  for (const Control* c = this; c; c = c->parent_)
    if (!c->enabled_) return false;
  return true;
}

void Control::SetText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  Changed(dirty::Text);
}

const Font& Control::font() const {
  if (!parentFont_ || kind_ == ControlKind::Form) return font_;
  return parent_ ? parent_->font() : form_->font();
}

namespace {
// Whether c takes its font from `source` (directly or through parent-font panels).
bool InheritsFontFrom(const Control* c, const Control* source) {
  for (const Control* p = c; p->parentFont() && p->kind() != ControlKind::Form;) {
    const Control* up = p->parent() ? p->parent() : static_cast<const Control*>(&p->form());
    if (up == source) return true;
    p = up;
  }
  return false;
}
}  // namespace

void Control::SetFont(const Font& f) {
  bool same = !parentFont_ && font_ == f;
  font_ = f;
  parentFont_ = false;
  if (same) return;
  Changed(dirty::Style);
  if (kind_ == ControlKind::Form || kind_ == ControlKind::Panel)
    for (const auto& c : form_->controls())
      if (InheritsFontFrom(c.get(), this)) c->Changed(dirty::Style);
}

void Control::SetParentFont(bool v) {
  if (parentFont_ == v) return;
  if (!v) font_ = font();
  parentFont_ = v;
  Changed(dirty::Style);
}

void Control::SetColor(Color c) {
  if (color_ == c) return;
  color_ = c;
  Changed(dirty::Style);
}

void Control::SetTabOrder(int order) {
  if (tabOrder_ == order) return;
  tabOrder_ = order;
  Changed(dirty::State);
}

void Control::SetCursor(CursorShape c) {
  if (cursor_ == c) return;
  cursor_ = c;
  Changed(dirty::Style);
}

bool Control::CanFocus() const { return Focusable() && IsShowing() && IsEnabled(); }

bool Control::Focused() const { return form_->activeControl() == this && form_->visible(); }

void Control::SetFocus() { form_->FocusControl(this); }

// ---------------------------------------------------------------- Label

Label::Label(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::Label, &form, std::move(name), parent) {
  SetBounds(0, 0, 65, 16);
}

void Label::SetAlignment(Alignment a) {
  if (alignment_ == a) return;
  alignment_ = a;
  Changed(dirty::Style);
}

void Label::SetTransparent(bool v) {
  if (transparent_ == v) return;
  transparent_ = v;
  Changed(dirty::Style);
}

void Label::SetWordWrap(bool v) {
  if (wordWrap_ == v) return;
  wordWrap_ = v;
  Changed(dirty::Style);
}

// ---------------------------------------------------------------- Edit

Edit::Edit(Passkey, Form& form, std::string name, Control* parent)
    : Edit(ControlKind::Edit, form, std::move(name), parent) {}

Edit::Edit(ControlKind kind, Form& form, std::string name, Control* parent)
    : Control(kind, &form, std::move(name), parent) {
  SetBounds(0, 0, 121, 21);
}

SpinEdit::SpinEdit(Passkey, Form& form, std::string name, Control* parent)
    : Edit(ControlKind::SpinEdit, form, std::move(name), parent) {
  SetText("0");
}

void SpinEdit::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  Changed(dirty::State);
}

int SpinEdit::value() const {
  long v = 0;
  bool digits = false, negative = false;
  for (char ch : text()) {
    if (ch == '-' && !digits) negative = true;
    if (ch < '0' || ch > '9') continue;
    digits = true;
    v = std::min(v * 10 + (ch - '0'), 1000000000L);
  }
  if (!digits) return min_;
  return static_cast<int>(std::clamp(negative ? -v : v, static_cast<long>(min_), static_cast<long>(max_)));
}

void SpinEdit::SetValue(int v) { SetText(std::to_string(std::clamp(v, min_, max_))); }

void SpinEdit::UserStep(int steps) {
  const std::string before = text();
  SetValue(value() + steps * increment);
  if (text() != before && onChange) RunHandler([&] { onChange(*this); });
}

void Edit::SetMaxLength(int n) {
  n = std::max(n, 0);
  if (maxLength_ == n) return;
  maxLength_ = n;
  Changed(dirty::State);
}

void Edit::SetReadOnly(bool v) {
  if (readOnly_ == v) return;
  readOnly_ = v;
  Changed(dirty::State);
}

void Edit::SetBorder(BorderKind b) {
  if (border_ == b) return;
  border_ = b;
  Changed(dirty::Style);
}

void Edit::SetPasswordChar(char c) {
  if (passwordChar_ == c) return;
  passwordChar_ = c;
  Changed(dirty::Style);
}

void Edit::SetSelection(int start, int length) {
  int size = static_cast<int>(text().size());
  start = std::clamp(start, 0, size);
  length = std::clamp(length, 0, size - start);
  selStart_ = start;
  selLength_ = length;
  Changed(dirty::Selection);
}

std::string Edit::SelectedText() const { return text().substr(selStart_, selLength_); }

void Edit::SetText(std::string text) {
  if (text == this->text()) return;
  Control::SetText(std::move(text));
  selStart_ = std::min(selStart_, static_cast<int>(this->text().size()));
  selLength_ = 0;
}

void Edit::UserSetText(std::string text) {
  bool cut = maxLength_ > 0 && static_cast<int>(text.size()) > maxLength_;
  if (cut) text.resize(maxLength_);
  if (text == this->text()) return;
  StoreUserText(std::move(text));
  selStart_ = std::min(selStart_, static_cast<int>(this->text().size()));
  selLength_ = std::min(selLength_, static_cast<int>(this->text().size()) - selStart_);
  if (cut) Changed(dirty::Text);
  if (onChange) RunHandler([&] { onChange(*this); });
}

void Edit::UserSetSelection(int start, int length) {
  int size = static_cast<int>(text().size());
  selStart_ = std::clamp(start, 0, size);
  selLength_ = std::clamp(length, 0, size - selStart_);
}

// ---------------------------------------------------------------- Button, check, radio

Button::Button(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::Button, &form, std::move(name), parent) {
  SetBounds(0, 0, 75, 25);
}

CheckBox::CheckBox(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::CheckBox, &form, std::move(name), parent) {
  SetBounds(0, 0, 97, 17);
}

void CheckBox::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  Changed(dirty::State);
}

void CheckBox::UserToggle() {
  SetChecked(!checked_);
  if (onClick) RunHandler([&] { onClick(*this); });
}

RadioButton::RadioButton(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::RadioButton, &form, std::move(name), parent) {
  SetBounds(0, 0, 113, 17);
}

void RadioButton::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  Changed(dirty::State);
  if (!v) return;
  for (const auto& c : form().controls())
    if (c.get() != this && c->kind() == ControlKind::RadioButton && c->parent() == parent())
      static_cast<RadioButton*>(c.get())->SetChecked(false);
}

void RadioButton::UserCheck() {
  SetChecked(true);
  if (onClick) RunHandler([&] { onClick(*this); });
}

// ---------------------------------------------------------------- item lists

namespace {
bool LessNoCase(const std::string& a, const std::string& b) {
  auto lower = [](unsigned char ch) { return ch < 128 ? std::tolower(ch) : ch; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
    return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y));
  });
}
}  // namespace

void ItemList::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  itemIndex_ = -1;
  if (sorted_) std::stable_sort(items_.begin(), items_.end(), LessNoCase);
  ItemsChanged(true);
}

int ItemList::AddItem(std::string item) {
  int index = count();
  if (sorted_) {
    auto at = std::upper_bound(items_.begin(), items_.end(), item, LessNoCase);
    index = static_cast<int>(at - items_.begin());
    items_.insert(at, std::move(item));
    if (itemIndex_ >= index) ++itemIndex_;
  } else {
    items_.push_back(std::move(item));
  }
  ItemsChanged(false);
  return index;
}

void ItemList::SetSorted(bool v) {
  if (sorted_ == v) return;
  sorted_ = v;
  if (v) {
    std::string chosen = itemIndex_ >= 0 ? items_[itemIndex_] : std::string();
    std::stable_sort(items_.begin(), items_.end(), LessNoCase);
    if (itemIndex_ >= 0)
      itemIndex_ = static_cast<int>(std::find(items_.begin(), items_.end(), chosen) - items_.begin());
  }
  ItemsChanged(false);
}

// ---------------------------------------------------------------- ComboBox

ComboBox::ComboBox(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::ComboBox, &form, std::move(name), parent) {
  SetBounds(0, 0, 145, 21);
}

void ComboBox::SetStyle(ComboStyle s) {
  if (style_ == s) return;
  style_ = s;
  Changed(dirty::Style | dirty::Items);
}

void ComboBox::ItemsChanged(bool) { Changed(dirty::Items | dirty::Current); }

void ComboBox::SetItemIndex(int i) {
  if (i < -1 || i >= count()) i = -1;
  itemIndex_ = i;
  if (i >= 0) Control::SetText(items_[i]);
  else if (style_ == ComboStyle::DropDownList) Control::SetText({});
  Changed(dirty::Current);
}

void ComboBox::SetText(std::string text) {
  auto at = std::find(items_.begin(), items_.end(), text);
  int index = at == items_.end() ? -1 : static_cast<int>(at - items_.begin());
  if (style_ == ComboStyle::DropDownList) {
    SetItemIndex(index);
    return;
  }
  itemIndex_ = index;
  Control::SetText(std::move(text));
  Changed(dirty::Current);
}

void ComboBox::UserSelect(int index) {
  if (index < 0 || index >= count()) return;
  SetItemIndex(index);
  if (onChange) RunHandler([&] { onChange(*this); });
}

void ComboBox::UserSetText(std::string text) {
  if (text == this->text()) return;
  auto at = std::find(items_.begin(), items_.end(), text);
  itemIndex_ = at == items_.end() ? -1 : static_cast<int>(at - items_.begin());
  StoreUserText(std::move(text));
  if (onChange) RunHandler([&] { onChange(*this); });
}

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::ListBox, &form, std::move(name), parent) {
  SetBounds(0, 0, 121, 97);
}

void ListBox::ItemsChanged(bool replaced) {
  if (replaced) topIndex_ = 0;
  Changed(dirty::Items | dirty::Current | dirty::Scroll);
}

void ListBox::SetItemIndex(int i) {
  if (i < -1 || i >= count()) i = -1;
  itemIndex_ = i;
  if (i >= 0) {
    int rows = std::max(1, height() / std::max(1, itemHeight_));
    if (i < topIndex_) topIndex_ = i;
    else if (i >= topIndex_ + rows) topIndex_ = i - rows + 1;
  }
  Changed(dirty::Current | dirty::Scroll);
}

void ListBox::SetTopIndex(int i) {
  topIndex_ = std::clamp(i, 0, std::max(0, count() - 1));
  Changed(dirty::Scroll);
}

void ListBox::SetItemHeight(int h) {
  itemHeight_ = std::max(1, h);
  Changed(dirty::Style);
}

int ListBox::ItemAt(int, int y) const {
  if (y < 0) return -1;
  int i = topIndex_ + y / std::max(1, itemHeight_);
  return i < count() ? i : -1;
}

void ListBox::UserSelect(int index) {
  if (index < 0 || index >= count()) return;
  SetItemIndex(index);
  if (onClick) RunHandler([&] { onClick(*this); });
}

void ListBox::UserScroll(int topIndex) { topIndex_ = std::clamp(topIndex, 0, std::max(0, count() - 1)); }

// ---------------------------------------------------------------- Memo

Memo::Memo(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::Memo, &form, std::move(name), parent) {
  SetBounds(0, 0, 185, 89);
}

void Memo::SetLines(std::vector<std::string> lines) {
  if (lines == lines_) return;
  lines_ = std::move(lines);
  joinedValid_ = false;
  selStart_ = std::min(selStart_, static_cast<int>(text().size()));
  selLength_ = 0;
  Changed(dirty::Text);
}

void Memo::AddLine(std::string line) {
  lines_.push_back(std::move(line));
  joinedValid_ = false;
  Changed(dirty::Text);
}

const std::string& Memo::text() const {
  if (!joinedValid_) {
    joined_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (i) joined_ += "\r\n";
      joined_ += lines_[i];
    }
    joinedValid_ = true;
  }
  return joined_;
}

void Memo::SetText(std::string text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += ch;
    }
  }
  if (!line.empty() || (!text.empty() && text.back() != '\n' && text.back() != '\r')) lines.push_back(std::move(line));
  SetLines(std::move(lines));
}

void Memo::SetReadOnly(bool v) {
  if (readOnly_ == v) return;
  readOnly_ = v;
  Changed(dirty::State);
}

void Memo::SetWordWrap(bool v) {
  if (wordWrap_ == v) return;
  wordWrap_ = v;
  Changed(dirty::Style);
}

void Memo::SetScrollBars(ScrollBars s) {
  if (scrollBars_ == s) return;
  scrollBars_ = s;
  Changed(dirty::Style);
}

void Memo::SetSelection(int start, int length) {
  UserSetSelection(start, length);
  Changed(dirty::Selection);
}

void Memo::UserSetText(std::string text) {
  if (text == this->text()) return;
  SetText(std::move(text));
  if (onChange) RunHandler([&] { onChange(*this); });
}

void Memo::UserSetSelection(int start, int length) {
  int size = static_cast<int>(text().size());
  selStart_ = std::clamp(start, 0, size);
  selLength_ = std::clamp(length, 0, size - selStart_);
}

// ---------------------------------------------------------------- Image, Panel, bars

Image::Image(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::Image, &form, std::move(name), parent) {
  SetBounds(0, 0, 105, 105);
}

void Image::SetPicture(Bitmap picture) {
  picture_ = std::move(picture);
  if (autoSize_ && !picture_.empty()) SetBounds(left(), top(), picture_.width, picture_.height);
  Changed(dirty::Picture);
}

void Image::LoadFromFile(const std::string& path) { SetPicture(LoadPictureFile(path)); }

void Image::SetStretch(bool v) {
  if (stretch_ == v) return;
  stretch_ = v;
  Changed(dirty::Picture);
}

void Image::SetProportional(bool v) {
  if (proportional_ == v) return;
  proportional_ = v;
  Changed(dirty::Picture);
}

void Image::SetCenter(bool v) {
  if (center_ == v) return;
  center_ = v;
  Changed(dirty::Picture);
}

void Image::SetAutoSize(bool v) {
  if (autoSize_ == v) return;
  autoSize_ = v;
  if (v && !picture_.empty()) SetBounds(left(), top(), picture_.width, picture_.height);
  Changed(dirty::Picture);
}

Panel::Panel(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::Panel, &form, std::move(name), parent) {
  SetBounds(0, 0, 185, 41);
}

void Panel::SetBevel(Bevel b) {
  if (bevel_ == b) return;
  bevel_ = b;
  Changed(dirty::Style);
}

void Panel::SetBorder(BorderKind b) {
  if (border_ == b) return;
  border_ = b;
  Changed(dirty::Style);
}

ProgressBar::ProgressBar(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::ProgressBar, &form, std::move(name), parent) {
  SetBounds(0, 0, 150, 17);
}

void ProgressBar::SetRange(int min, int max) {
  if (max < min) max = min;
  min_ = min;
  max_ = max;
  position_ = std::clamp(position_, min_, max_);
  Changed(dirty::State);
}

void ProgressBar::SetPosition(int p) {
  p = std::clamp(p, min_, max_);
  if (p == position_) return;
  position_ = p;
  Changed(dirty::State);
}

ScrollBar::ScrollBar(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::ScrollBar, &form, std::move(name), parent) {
  SetBounds(0, 0, 17, 121);
}

void ScrollBar::SetVertical(bool v) {
  if (vertical_ == v) return;
  vertical_ = v;
  Changed(dirty::Style);
}

void ScrollBar::SetRange(int min, int max) {
  if (max < min) max = min;
  min_ = min;
  max_ = max;
  position_ = std::clamp(position_, min_, max_);
  Changed(dirty::State);
}

void ScrollBar::SetPosition(int p) {
  p = std::clamp(p, min_, max_);
  if (p == position_) return;
  position_ = p;
  Changed(dirty::State);
}

void ScrollBar::SetPageSize(int p) {
  pageSize_ = std::max(0, p);
  Changed(dirty::State);
}

void ScrollBar::UserSetPosition(int p) {
  p = std::clamp(p, min_, max_);
  if (p == position_) return;
  position_ = p;
  if (onChange) RunHandler([&] { onChange(*this); });
}

// ---------------------------------------------------------------- Grid

Grid::Grid(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::Grid, &form, std::move(name), parent) {
  SetBounds(0, 0, 320, 120);
  cells_.resize(static_cast<std::size_t>(cols_) * rows_);
  colWidths_.assign(cols_, defaultColWidth_);
}

void Grid::Resize(int cols, int rows) {
  cols = std::max(cols, 1);
  rows = std::max(rows, 1);
  if (cols == cols_ && rows == rows_) return;
  std::vector<std::string> cells(static_cast<std::size_t>(cols) * rows);
  for (int r = 0; r < std::min(rows, rows_); ++r)
    for (int c = 0; c < std::min(cols, cols_); ++c)
      cells[static_cast<std::size_t>(r) * cols + c] = std::move(cells_[static_cast<std::size_t>(r) * cols_ + c]);
  cells_ = std::move(cells);
  colWidths_.resize(cols, defaultColWidth_);
  cols_ = cols;
  rows_ = rows;
  fixedCols_ = std::min(fixedCols_, cols_ - 1 < 0 ? 0 : cols_ - 1);
  fixedRows_ = std::min(fixedRows_, rows_ - 1 < 0 ? 0 : rows_ - 1);
  row_ = std::clamp(row_, fixedRows_, rows_ - 1);
  col_ = std::clamp(col_, fixedCols_, cols_ - 1);
  topRow_ = std::clamp(topRow_, fixedRows_, rows_ - 1);
  leftCol_ = std::clamp(leftCol_, fixedCols_, cols_ - 1);
  dirtyCells_ = {};
  Changed(dirty::Structure | dirty::Cells | dirty::Current);
}

void Grid::SetColCount(int n) { Resize(n, rows_); }
void Grid::SetRowCount(int n) { Resize(cols_, n); }

void Grid::SetFixedCols(int n) {
  n = std::clamp(n, 0, cols_ - 1);
  if (n == fixedCols_) return;
  fixedCols_ = n;
  col_ = std::max(col_, n);
  leftCol_ = std::max(leftCol_, n);
  Changed(dirty::Structure | dirty::Current);
}

void Grid::SetFixedRows(int n) {
  n = std::clamp(n, 0, rows_ - 1);
  if (n == fixedRows_) return;
  fixedRows_ = n;
  row_ = std::max(row_, n);
  topRow_ = std::max(topRow_, n);
  Changed(dirty::Structure | dirty::Current);
}

namespace {
void CheckCell(int col, int row, int cols, int rows) {
  if (col < 0 || row < 0 || col >= cols || row >= rows)
    throw std::out_of_range("grid cell " + std::to_string(col) + "," + std::to_string(row) + " out of range");
}
}  // namespace

const std::string& Grid::Cell(int col, int row) const {
  CheckCell(col, row, cols_, rows_);
  return cells_[static_cast<std::size_t>(row) * cols_ + col];
}

void Grid::MarkCell(int col, int row) {
  if (dirtyCells_.width == 0) {
    dirtyCells_ = {col, row, 1, 1};
  } else {
    int l = std::min(dirtyCells_.left, col), t = std::min(dirtyCells_.top, row);
    int r = std::max(dirtyCells_.right(), col + 1), b = std::max(dirtyCells_.bottom(), row + 1);
    dirtyCells_ = {l, t, r - l, b - t};
  }
  Changed(dirty::Cells);
}

void Grid::SetCell(int col, int row, std::string_view text) {
  CheckCell(col, row, cols_, rows_);
  std::string& cell = cells_[static_cast<std::size_t>(row) * cols_ + col];
  if (cell == text) return;
  cell.assign(text);
  MarkCell(col, row);
}

void Grid::SetRowCells(int row, std::span<const std::string> texts) {
  for (int c = 0; c < cols_; ++c)
    SetCell(c, row, c < static_cast<int>(texts.size()) ? std::string_view(texts[c]) : std::string_view());
}

void Grid::ClearCells() {
  for (int r = 0; r < rows_; ++r)
    for (int c = 0; c < cols_; ++c) SetCell(c, r, {});
}

void Grid::SetDefaultColWidth(int w) {
  defaultColWidth_ = std::max(w, 0);
  colWidths_.assign(cols_, defaultColWidth_);
  Changed(dirty::Structure);
}

int Grid::colWidth(int col) const {
  CheckCell(col, 0, cols_, 1);
  return colWidths_[col];
}

void Grid::SetColWidth(int col, int w) {
  CheckCell(col, 0, cols_, 1);
  w = std::max(w, 0);
  if (colWidths_[col] == w) return;
  colWidths_[col] = w;
  Changed(dirty::Structure);
}

void Grid::SetRowHeight(int h) {
  h = std::max(h, 1);
  if (h == rowHeight_) return;
  rowHeight_ = h;
  Changed(dirty::Structure);
}

void Grid::SetGridLineWidth(int w) {
  w = std::max(w, 0);
  if (w == gridLineWidth_) return;
  gridLineWidth_ = w;
  Changed(dirty::Structure);
}

void Grid::SetRow(int r) {
  r = std::clamp(r, fixedRows_, std::max(fixedRows_, rows_ - 1));
  if (r == row_) return;
  row_ = r;
  int visible = std::max(1, VisibleRowCount());
  if (row_ < topRow_) topRow_ = row_;
  else if (row_ >= topRow_ + visible) topRow_ = row_ - visible + 1;
  Changed(dirty::Current | dirty::Scroll);
}

void Grid::SetCol(int c) {
  c = std::clamp(c, fixedCols_, std::max(fixedCols_, cols_ - 1));
  if (c == col_) return;
  col_ = c;
  if (col_ < leftCol_) leftCol_ = col_;
  Changed(dirty::Current | dirty::Scroll);
}

void Grid::SetTopRow(int r) {
  r = std::clamp(r, fixedRows_, std::max(fixedRows_, rows_ - 1));
  if (r == topRow_) return;
  topRow_ = r;
  Changed(dirty::Scroll);
}

void Grid::SetLeftCol(int c) {
  c = std::clamp(c, fixedCols_, std::max(fixedCols_, cols_ - 1));
  if (c == leftCol_) return;
  leftCol_ = c;
  Changed(dirty::Scroll);
}

void Grid::SetRowSelect(bool v) {
  if (rowSelect_ == v) return;
  rowSelect_ = v;
  Changed(dirty::Style);
}

void Grid::SetColSizing(bool v) {
  if (colSizing_ == v) return;
  colSizing_ = v;
  Changed(dirty::Style);
}

void Grid::SetScrollBars(ScrollBars s) {
  if (scrollBars_ == s) return;
  scrollBars_ = s;
  Changed(dirty::Style);
}

void Grid::SetFixedColor(Color c) {
  if (fixedColor_ == c) return;
  fixedColor_ = c;
  Changed(dirty::Style);
}

Rect Grid::CellRect(int col, int row) const {
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return {};
  if (col >= fixedCols_ && col < leftCol_) return {};
  if (row >= fixedRows_ && row < topRow_) return {};
  int x = 0;
  for (int c = 0; c < fixedCols_ && c < col; ++c) x += colWidths_[c] + gridLineWidth_;
  if (col >= fixedCols_)
    for (int c = leftCol_; c < col; ++c) x += colWidths_[c] + gridLineWidth_;
  int step = rowHeight_ + gridLineWidth_;
  int y = row < fixedRows_ ? row * step : (fixedRows_ + row - topRow_) * step;
  return {x, y, colWidths_[col], rowHeight_};
}

Point Grid::MouseToCell(int x, int y) const {
  Point cell{-1, -1};
  if (x >= 0) {
    int edge = 0;
    auto probe = [&](int c) {
      edge += colWidths_[c] + gridLineWidth_;
      if (x < edge) cell.x = c;
      return cell.x >= 0;
    };
    bool found = false;
    for (int c = 0; c < fixedCols_ && !found; ++c) found = probe(c);
    for (int c = leftCol_; c < cols_ && !found; ++c) found = probe(c);
  }
  if (y >= 0) {
    int step = rowHeight_ + gridLineWidth_;
    int r = y / step;
    r = r < fixedRows_ ? r : topRow_ + r - fixedRows_;
    if (r < rows_) cell.y = r;
  }
  return cell;
}

int Grid::VisibleRowCount() const {
  int step = rowHeight_ + gridLineWidth_;
  return std::max(0, (height() - fixedRows_ * step) / step);
}

void Grid::UserSelectCell(int col, int row) {
  if (col < fixedCols_ || row < fixedRows_ || col >= cols_ || row >= rows_) return;
  if (onSelectCell) {
    bool ok = true;
    if (!RunHandler([&] { onSelectCell(*this, col, row, ok); })) ok = false;
    if (!ok) {
      Changed(dirty::Current);  // the back end shows the old cell again
      return;
    }
  }
  row_ = row;
  col_ = col;
  Changed(dirty::Current);
}

bool Grid::UserMoveByKey(int key) {
  int row = row_, col = col_, page = std::max(1, VisibleRowCount());
  int first = fixedRows_, last = rows_ - 1;
  switch (key) {
    case vk::Up: row = std::max(first, row - 1); break;
    case vk::Down: row = std::min(last, row + 1); break;
    case vk::PgUp: row = std::max(first, row - page); break;
    case vk::PgDn: row = std::min(last, row + page); break;
    case vk::Home: row = first; break;
    case vk::End: row = last; break;
    case vk::Left: col = std::max(fixedCols_, col - 1); break;
    case vk::Right: col = std::min(cols_ - 1, col + 1); break;
    default: return false;
  }
  if (row != row_ || col != col_) UserSelectCell(col, row);
  return true;
}

void Grid::UserSetColWidth(int col, int w) {
  if (col < 0 || col >= cols_) return;
  colWidths_[col] = std::max(w, 0);
  if (onColumnResized) RunHandler([&] { onColumnResized(*this, col, colWidths_[col]); });
}

void Grid::UserScroll(int topRow, int leftCol) {
  topRow_ = std::clamp(topRow, fixedRows_, std::max(fixedRows_, rows_ - 1));
  leftCol_ = std::clamp(leftCol, fixedCols_, std::max(fixedCols_, cols_ - 1));
}

// ---------------------------------------------------------------- PaintBox

PaintBox::PaintBox(Passkey, Form& form, std::string name, Control* parent)
    : Control(ControlKind::PaintBox, &form, std::move(name), parent) {}

void PaintBox::Invalidate() { Changed(dirty::Picture); }

}  // namespace ui
