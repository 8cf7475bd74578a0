// The adding-machine calculator with its paper tape, opened over a field.
#pragma once
#include <string>
#include <vector>

#include "ui/ui.h"

namespace browser {

class TfKalk : public ui::Form {
 public:
  TfKalk();

  ui::Label& Label1;
  ui::Edit& EdtVy;  // the running result (not typed into)
  ui::Label& Label2;
  ui::Edit& EdtOp;  // the operand being typed
  ui::Button& Button1;
  ui::Button& Button2;
  ui::Memo& Memo1;  // the tape

  bool Confirmed = false;  // the result was taken over
  bool NewOperand = true;  // the next digit starts a new operand

  // Width of a tape line's number; the line is that plus " =", " +" ...
  static constexpr int kTapeNumber = 15;
  // The picture of the result: two decimals, twelve whole digits, sign last.
  static constexpr const char* kResultMask = "### ### ### ###.##-";

  std::vector<std::string> Tape() const { return Memo1.lines(); }
  // The result in the display (the seed of ShowCalculator, then each operation's).
  void SetDisplay(double value);
  double Display() const;

  void FormShow();
  void FormKeyDown(int& key, ui::Shift shift);
  void FormKeyPress(char& ch);
  void FormClose();
  void Button1Click();
  void Button2Click();
  void Memo1Enter();

 private:
  void Operation(char op);
  void AddTapeLine(const std::string& number, const std::string& suffix);
  void Confirm();
  void PrintTape();
};

TfKalk& fKalk();

// A number right-aligned in a tape line's 15 places; a number that does not fit
// loses its group blanks, and is never cut.
std::string TapeNumber(const std::string& text);

}  // namespace browser
