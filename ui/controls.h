// The controls of a form. A control holds all its state and its event handlers;
// a back end only mirrors the state on screen and reports what the user did
// through the User... calls, which fire the handlers.
//
// Text is Windows-1250 everywhere. Geometry is in pixels relative to the parent's
// client area (the form's, or a panel's).
//
// Events:
//  - onKeyDown / onKeyUp get the virtual key by reference: setting it to 0 swallows
//    the key (the control's own handling does not see it). onKeyPress gets the
//    character the key produced; setting it to 0 swallows it. A key-down swallowed
//    by its handler still produces its key press, as on the original platform.
//  - onChange, and onClick of check boxes, radio buttons and list boxes, fire on what
//    the user does (typing, choosing, toggling, scrolling); setting a value from code
//    fires nothing.
//  - onEnter / onExit fire when the focus moves between controls of a shown form.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/bitmap.h"
#include "ui/types.h"

namespace ui {

class Form;
class Canvas;
class PopupMenu;

enum class ControlKind {
  Form, Label, Edit, Button, CheckBox, RadioButton, ComboBox, ListBox, Memo, Image, Panel,
  ProgressBar, ScrollBar, Grid, PaintBox, SpinEdit
};
const char* KindName(ControlKind kind);

// What changed since a back end last mirrored a control (bits of Control::dirty()).
namespace dirty {
constexpr unsigned Geometry = 1, Text = 2, Style = 4, State = 8, Items = 16, Cells = 32, Current = 64,
                   Picture = 128, Structure = 256, Scroll = 512, Selection = 1024, All = 0xFFFF;
}

enum class Alignment { Left, Right, Center };

class Control {
 public:
  // Only a Form creates controls (Form::Add).
  class Passkey {
    friend class Form;
    Passkey() = default;
  };

  using NotifyEvent = std::function<void(Control& sender)>;
  using KeyEvent = std::function<void(Control& sender, int& key, Shift shift)>;
  using KeyPressEvent = std::function<void(Control& sender, char& ch)>;
  using MouseEvent = std::function<void(Control& sender, MouseButton button, Shift shift, int x, int y)>;
  using MouseMoveEvent = std::function<void(Control& sender, Shift shift, int x, int y)>;

  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  Form& form() const { return *form_; }
  Control* parent() const { return parent_; }
  std::uint64_t id() const { return id_; }  // unique in the process

  // Geometry.
  int left() const { return bounds_.left; }
  int top() const { return bounds_.top; }
  int width() const { return bounds_.width; }
  int height() const { return bounds_.height; }
  const Rect& bounds() const { return bounds_; }
  virtual void SetBounds(int left, int top, int width, int height);
  void SetBounds(const Rect& r) { SetBounds(r.left, r.top, r.width, r.height); }
  void SetLeft(int v) { SetBounds(v, top(), width(), height()); }
  void SetTop(int v) { SetBounds(left(), v, width(), height()); }
  void SetWidth(int v) { SetBounds(left(), top(), v, height()); }
  void SetHeight(int v) { SetBounds(left(), top(), width(), v); }
  // Top-left of this control in the form's client area, and on the screen.
  Point PositionInForm() const;
  Point ClientToScreen(Point p) const;

  // A control on the form itself held along the bottom of the client area, across its
  // width: it stays in view while the rest of a scrolling form scrolls in the room above.
  bool alignBottom() const { return alignBottom_; }
  void SetAlignBottom(bool v);

  bool visible() const { return visible_; }
  virtual void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, its parents visible, and its form shown.
  bool IsShowing() const;
  // Visible with every parent, whether or not the form is shown.
  bool VisibleInForm() const;

  bool enabled() const { return enabled_; }
  void SetEnabled(bool v);
  // Enabled together with every parent.
  bool IsEnabled() const;

  // Caption of labels, buttons, check and radio buttons, panels and forms; the text
  // of edits and combo boxes; the whole text of a memo (lines joined by CR LF).
  virtual const std::string& text() const { return text_; }
  virtual void SetText(std::string text);

  // The font: the control's own, or with parentFont the parent's (the form's).
  const Font& font() const;
  void SetFont(const Font& f);
  bool parentFont() const { return parentFont_; }
  void SetParentFont(bool v);

  // Background colour.
  Color color() const { return color_; }
  void SetColor(Color c);

  int tag = 0;
  std::string hint;
  bool tabStop = true;

  // Order of Tab navigation among focusable controls (ties keep creation order).
  int tabOrder() const { return tabOrder_; }
  void SetTabOrder(int order);

  CursorShape cursor() const { return cursor_; }
  void SetCursor(CursorShape c);

  // A popup menu opened by a right click on the control (after onMouseDown/Up).
  PopupMenu* popupMenu = nullptr;

  // Focus.
  bool CanFocus() const;
  bool Focused() const;
  void SetFocus();

  NotifyEvent onClick, onDblClick, onEnter, onExit, onChange, onMouseEnter, onMouseLeave;
  KeyEvent onKeyDown, onKeyUp;
  KeyPressEvent onKeyPress;
  MouseEvent onMouseDown, onMouseUp;
  MouseMoveEvent onMouseMove;

  // Back end side: what changed since the last ClearDirty.
  unsigned dirty() const { return dirty_; }
  void ClearDirty() { dirty_ = 0; }
  // True while the control exists; handlers may remove controls during dispatch.
  std::weak_ptr<int> AliveToken() const { return alive_; }
  // The user moved or resized the control (a splitter, a drag by the back end).
  void UserSetBounds(const Rect& r);

 protected:
  Control(ControlKind kind, Form* form, std::string name, Control* parent);
  void Changed(unsigned bits);
  // Stores a text the back end already shows (the user typed it).
  void StoreUserText(std::string text) { text_ = std::move(text); }
  virtual bool Focusable() const { return false; }

 private:
  friend class Form;
  ControlKind kind_;
  Form* form_;
  Control* parent_;
  std::string name_;
  std::uint64_t id_;
  Rect bounds_;
  bool visible_ = true, enabled_ = true, parentFont_ = true, alignBottom_ = false;
  std::string text_;
  Font font_;
  Color color_ = colors::BtnFace;
  int tabOrder_ = 0;
  CursorShape cursor_ = CursorShape::Default;
  unsigned dirty_ = dirty::All;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

class Label : public Control {
 public:
  Label(Passkey, Form& form, std::string name, Control* parent);
  Alignment alignment() const { return alignment_; }
  void SetAlignment(Alignment a);
  // A transparent label shows its parent's colour; otherwise its own.
  bool transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool wordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);

 private:
  Alignment alignment_ = Alignment::Left;
  bool transparent_ = true, wordWrap_ = false;
};

enum class BorderKind { None, Single };

class Edit : public Control {
 public:
  Edit(Passkey, Form& form, std::string name, Control* parent);
  int maxLength() const { return maxLength_; }  // 0 = no limit
  void SetMaxLength(int n);
  bool readOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  BorderKind border() const { return border_; }
  void SetBorder(BorderKind b);
  char passwordChar() const { return passwordChar_; }
  void SetPasswordChar(char c);
  // Select the whole text whenever the edit gets the focus.
  bool autoSelect = true;
  // Caret and selection, in characters.
  int selStart() const { return selStart_; }
  int selLength() const { return selLength_; }
  void SetSelection(int start, int length);
  void SelectAll() { SetSelection(0, static_cast<int>(text().size())); }
  std::string SelectedText() const;
  void SetText(std::string text) override;
  // The user edited the text: stored (cut to maxLength) and onChange fired.
  void UserSetText(std::string text);
  void UserSetSelection(int start, int length);

 protected:
  Edit(ControlKind kind, Form& form, std::string name, Control* parent);
  bool Focusable() const override { return true; }

 private:
  int maxLength_ = 0;
  bool readOnly_ = false;
  BorderKind border_ = BorderKind::Single;
  char passwordChar_ = 0;
  int selStart_ = 0, selLength_ = 0;
};

// An edit for a whole number within min..max with up and down arrows. The text is
// kept as typed; value() reads it, pulled into the range (min when it is no number).
class SpinEdit : public Edit {
 public:
  SpinEdit(Passkey, Form& form, std::string name, Control* parent);
  int min() const { return min_; }
  int max() const { return max_; }
  void SetRange(int min, int max);
  int value() const;
  void SetValue(int v);  // written into the range
  int increment = 1;
  // The user pressed an arrow (Up, Down): the value moves by steps increments, onChange.
  void UserStep(int steps);

 private:
  int min_ = 0, max_ = 100;
};

class Button : public Control {
 public:
  Button(Passkey, Form& form, std::string name, Control* parent);

 protected:
  bool Focusable() const override { return true; }
};

class CheckBox : public Control {
 public:
  CheckBox(Passkey, Form& form, std::string name, Control* parent);
  bool checked() const { return checked_; }
  void SetChecked(bool v);
  // The user toggled it: onClick.
  void UserToggle();

 protected:
  bool Focusable() const override { return true; }

 private:
  bool checked_ = false;
};

// Radio buttons with the same parent form one group: checking one unchecks the others.
class RadioButton : public Control {
 public:
  RadioButton(Passkey, Form& form, std::string name, Control* parent);
  bool checked() const { return checked_; }
  void SetChecked(bool v);
  // The user chose it: checked, then onClick.
  void UserCheck();

 protected:
  bool Focusable() const override { return true; }

 private:
  bool checked_ = false;
};

// A list of texts with one chosen item; shared by list and combo boxes.
class ItemList {
 public:
  virtual ~ItemList() = default;
  const std::vector<std::string>& items() const { return items_; }
  int count() const { return static_cast<int>(items_.size()); }
  int itemIndex() const { return itemIndex_; }  // -1 = none
  bool sorted() const { return sorted_; }
  void SetItems(std::vector<std::string> items);
  int AddItem(std::string item);  // index of the new item
  void ClearItems() { SetItems({}); }
  void SetSorted(bool v);

 protected:
  virtual void ItemsChanged(bool replaced) = 0;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  bool sorted_ = false;
};

enum class ComboStyle { DropDown, DropDownList };

class ComboBox : public Control, public ItemList {
 public:
  ComboBox(Passkey, Form& form, std::string name, Control* parent);
  ComboStyle style() const { return style_; }
  void SetStyle(ComboStyle s);
  // Chooses an item (its text becomes the text); -1 chooses none.
  void SetItemIndex(int i);
  void SetText(std::string text) override;
  // The user chose an item or typed: onChange.
  void UserSelect(int index);
  void UserSetText(std::string text);

 protected:
  bool Focusable() const override { return true; }
  void ItemsChanged(bool replaced) override;

 private:
  ComboStyle style_ = ComboStyle::DropDown;
};

class ListBox : public Control, public ItemList {
 public:
  ListBox(Passkey, Form& form, std::string name, Control* parent);
  void SetItemIndex(int i);
  int topIndex() const { return topIndex_; }
  void SetTopIndex(int i);
  int itemHeight() const { return itemHeight_; }
  void SetItemHeight(int h);
  // Index of the item under a point of the control, -1 when none.
  int ItemAt(int x, int y) const;
  // The user selected an item: onClick.
  void UserSelect(int index);
  void UserScroll(int topIndex);

 protected:
  bool Focusable() const override { return true; }
  void ItemsChanged(bool replaced) override;

 private:
  int topIndex_ = 0, itemHeight_ = 16;
};

enum class ScrollBars { None, Horizontal, Vertical, Both };

class Memo : public Control {
 public:
  Memo(Passkey, Form& form, std::string name, Control* parent);
  const std::vector<std::string>& lines() const { return lines_; }
  void SetLines(std::vector<std::string> lines);
  void AddLine(std::string line);
  void ClearLines() { SetLines({}); }
  const std::string& text() const override;  // lines joined by CR LF
  void SetText(std::string text) override;    // split at CR LF, LF or CR
  bool readOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  bool wordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  ScrollBars scrollBars() const { return scrollBars_; }
  void SetScrollBars(ScrollBars s);
  bool wantTabs = false;
  bool wantReturns = true;
  // Caret and selection as offsets into text().
  int selStart() const { return selStart_; }
  int selLength() const { return selLength_; }
  void SetSelection(int start, int length);
  void UserSetText(std::string text);
  void UserSetSelection(int start, int length);

 protected:
  bool Focusable() const override { return true; }

 private:
  std::vector<std::string> lines_;
  mutable std::string joined_;
  mutable bool joinedValid_ = false;
  bool readOnly_ = false, wordWrap_ = true;
  ScrollBars scrollBars_ = ScrollBars::None;
  int selStart_ = 0, selLength_ = 0;
};

class Image : public Control {
 public:
  Image(Passkey, Form& form, std::string name, Control* parent);
  const Bitmap& picture() const { return picture_; }
  void SetPicture(Bitmap picture);
  void ClearPicture() { SetPicture({}); }
  // Loads a JPEG or bitmap file; throws ImageError ("JPEG error #<n>" for JPEG faults).
  void LoadFromFile(const std::string& path);
  bool stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool proportional() const { return proportional_; }
  void SetProportional(bool v);
  bool center() const { return center_; }
  void SetCenter(bool v);
  // With autoSize the control takes the picture's size whenever a picture is set.
  bool autoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool transparent = false;

 private:
  Bitmap picture_;
  bool stretch_ = false, proportional_ = false, center_ = false, autoSize_ = false;
};

enum class Bevel { None, Raised, Lowered };

// A container; its children's positions are relative to it.
class Panel : public Control {
 public:
  Panel(Passkey, Form& form, std::string name, Control* parent);
  Bevel bevel() const { return bevel_; }
  void SetBevel(Bevel b);
  BorderKind border() const { return border_; }
  void SetBorder(BorderKind b);

 private:
  Bevel bevel_ = Bevel::Raised;
  BorderKind border_ = BorderKind::None;
};

class ProgressBar : public Control {
 public:
  ProgressBar(Passkey, Form& form, std::string name, Control* parent);
  int min() const { return min_; }
  int max() const { return max_; }
  int position() const { return position_; }
  void SetRange(int min, int max);
  void SetPosition(int p);  // kept within min..max

 private:
  int min_ = 0, max_ = 100, position_ = 0;
};

class ScrollBar : public Control {
 public:
  ScrollBar(Passkey, Form& form, std::string name, Control* parent);
  bool vertical() const { return vertical_; }
  void SetVertical(bool v);
  int min() const { return min_; }
  int max() const { return max_; }
  int position() const { return position_; }
  int smallChange = 1, largeChange = 1;
  int pageSize() const { return pageSize_; }
  void SetRange(int min, int max);  // the position is pulled into the range
  void SetMin(int v) { SetRange(v, max_ < v ? v : max_); }
  void SetMax(int v) { SetRange(min_ > v ? v : min_, v); }
  void SetPosition(int p);
  void SetPageSize(int p);
  // The user moved the thumb: onChange.
  void UserSetPosition(int p);

 protected:
  bool Focusable() const override { return true; }

 private:
  bool vertical_ = true;
  int min_ = 0, max_ = 100, position_ = 0, pageSize_ = 0;
};

// A grid of texts. Columns and rows count the fixed ones (column 0 and row 0 when
// fixedCols and fixedRows are 1). All rows have one height. A text cell holding the
// character 17 is shown as a mark.
class Grid : public Control {
 public:
  Grid(Passkey, Form& form, std::string name, Control* parent);

  int colCount() const { return cols_; }
  int rowCount() const { return rows_; }
  void SetColCount(int n);
  void SetRowCount(int n);
  int fixedCols() const { return fixedCols_; }
  int fixedRows() const { return fixedRows_; }
  void SetFixedCols(int n);
  void SetFixedRows(int n);

  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string_view text);
  // Texts of one row from column 0 on; columns past the span are emptied.
  void SetRowCells(int row, std::span<const std::string> texts);
  void ClearCells();

  int defaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int w);  // also sets every column to it
  int colWidth(int col) const;
  void SetColWidth(int col, int w);
  int rowHeight() const { return rowHeight_; }
  void SetRowHeight(int h);
  int gridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int w);

  // The current cell.
  int row() const { return row_; }
  int col() const { return col_; }
  void SetRow(int r);
  void SetCol(int c);
  // First non-fixed row and column shown.
  int topRow() const { return topRow_; }
  int leftCol() const { return leftCol_; }
  void SetTopRow(int r);
  void SetLeftCol(int c);

  bool rowSelect() const { return rowSelect_; }
  void SetRowSelect(bool v);
  bool colSizing() const { return colSizing_; }  // the user may drag column widths
  void SetColSizing(bool v);
  ScrollBars scrollBars() const { return scrollBars_; }
  void SetScrollBars(ScrollBars s);
  Color fixedColor() const { return fixedColor_; }
  void SetFixedColor(Color c);

  // Pixel rectangle of a cell within the control (columns from leftCol on), and the
  // cell under a point: {col, row}, -1 where nothing lies.
  Rect CellRect(int col, int row) const;
  Point MouseToCell(int x, int y) const;
  // How many non-fixed rows fit fully in the control's height.
  int VisibleRowCount() const;

  // onSelectCell may refuse a cell the user moves to.
  std::function<void(Grid& sender, int col, int row, bool& canSelect)> onSelectCell;
  std::function<void(Grid& sender, int col, int width)> onColumnResized;

  // Back end side.
  void UserSelectCell(int col, int row);  // onSelectCell, then the cell becomes current
  // The grid's own handling of a key nobody swallowed: arrows, pages, Home and End
  // move the current cell. False when the key is not one of those.
  bool UserMoveByKey(int key);
  void UserSetColWidth(int col, int w);
  void UserScroll(int topRow, int leftCol);
  // Cells changed since the last ClearDirtyCells: a bounding box, empty when none.
  const Rect& dirtyCells() const { return dirtyCells_; }
  void ClearDirtyCells() { dirtyCells_ = {}; }

 protected:
  bool Focusable() const override { return true; }

 private:
  void MarkCell(int col, int row);
  void Resize(int cols, int rows);
  int cols_ = 5, rows_ = 5, fixedCols_ = 1, fixedRows_ = 1;
  std::vector<std::string> cells_;  // row-major
  std::vector<int> colWidths_;
  int defaultColWidth_ = 64, rowHeight_ = 24, gridLineWidth_ = 1;
  int row_ = 1, col_ = 1, topRow_ = 1, leftCol_ = 1;
  bool rowSelect_ = false, colSizing_ = false;
  ScrollBars scrollBars_ = ScrollBars::Both;
  Color fixedColor_ = colors::BtnFace;
  Rect dirtyCells_;
};

// A control its owner draws: onPaint runs whenever it must be shown anew.
class PaintBox : public Control {
 public:
  PaintBox(Passkey, Form& form, std::string name, Control* parent);
  std::function<void(PaintBox& sender, Canvas& canvas)> onPaint;
  void Invalidate();
};

}  // namespace ui
