// The multiple choice: one check box per option.
#pragma once
#include <string>

#include "browser/choice.h"

namespace browser {

class TfVolby : public ChoiceWindow {
 public:
  TfVolby();

  std::string OptionMarks;  // the state text: "*" ticked, "-" forbidden
  bool Confirmed = false;   // only Esc clears it

  ui::CheckBox& Row(int i) const { return static_cast<ui::CheckBox&>(*Rows[i]); }

  void FormKeyDown(int& key, ui::Shift shift);
  void FormKeyPress(char& ch);
  void F2KlapkaClick();
  // Ctrl + right button: every option becomes available for this showing.
  void FormMouseDown(ui::MouseButton button, ui::Shift shift);
  void FormClose();

  void Build(const std::vector<std::string>& shownItems) override;

 protected:
  ui::Control& MakeRow(int i) override;

 private:
  int FocusedRow() const;
};

TfVolby& fVolby();

}  // namespace browser
