// The invisible timed wait: a modal pause that Esc ends early.
#pragma once
#include "ui/ui.h"

namespace browser {

class TfCekej : public ui::Form {
 public:
  TfCekej();

  ui::Timer& Timer1;
  bool WaitAborted = false;  // Esc ended the last wait

  void Timer1Timer();
  void FormKeyDown(int& key, ui::Shift shift);
};

TfCekej& fCekej();

// Waits ms milliseconds (0 or more) in a modal pause; callers read fCekej().WaitAborted.
void ShowCekej(int ms);

}  // namespace browser
