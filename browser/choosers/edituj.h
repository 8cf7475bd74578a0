// TfEdituj: a border-less one-line editor laid over a line of text to change it in
// place; overwrite or insert mode, the text never longer than it came.
#pragma once
#include <string>

#include "ui/ui.h"

namespace browser {

class TfEdituj : public ui::Form {
 public:
  TfEdituj();

  ui::Label& lText;    // the shown part of the text
  ui::Label& lCursor;  // the character under the cursor, in grey

  std::string EditText;
  int ScrollStart = 1;    // 1-based index of the first shown character
  int CursorColumn = 1;   // 1-based column in the window
  int VisibleWidth = 1;
  int TextLength = 0;
  int MaxLength = 0;
  bool InsertMode = false;
  int EndKey = 0;

  static constexpr int kCell = 8;

  void init(int left, int top, int cursorColumn, int visibleWidth, int scrollStart, const std::string& text);
  // The 1-based index of the character under the cursor.
  int CursorIndex() const { return ScrollStart + CursorColumn - 1; }
  // The shown part: VisibleWidth characters from ScrollStart, padded with blanks.
  std::string ShownText() const;

  void FormKeyDown(int& key, ui::Shift shift);
  void FormKeyPress(char& ch);

 private:
  void Draw();
  void CursorRight();
};

TfEdituj& fEdituj();

}  // namespace browser
