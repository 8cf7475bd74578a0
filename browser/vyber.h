// The single choice: radio buttons, forbidden rows, and the administrator's marking
// of forbidden rows (Ctrl + right button).
#pragma once
#include <string>

#include "browser/choice.h"

namespace browser {

class TfVyber : public ChoiceWindow {
 public:
  TfVyber();

  // One character per row, "-" = forbidden.
  std::string Marks;

  ui::RadioButton& Row(int i) const { return static_cast<ui::RadioButton&>(*Rows[i]); }
  // The row Enter would choose: the last checked enabled row, else the first
  // enabled row, else 0.
  int CurrentFromChecks() const;

  void FormShow();
  void FormKeyDown(int& key, ui::Shift shift);
  void FormKeyPress(char& ch);
  void F2KlapkaClick();
  void DblClick(int row);
  void FormMouseDown(ui::MouseButton button, ui::Shift shift);
  void FormClose();
  // Lets the user tick the forbidden rows, stores them in "par\VYBER.PAR" under
  // the caption and applies them at once.
  void MarkForbiddenRows();

  void Build(const std::vector<std::string>& shownItems) override;

 protected:
  ui::Control& MakeRow(int i) override;

 private:
  void Choose(int row);
};

TfVyber& fVyber();

}  // namespace browser
