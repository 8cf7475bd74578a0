// The notice with an animated progress bar: shown while a caller works, or for a
// set time.
#pragma once
#include <cstdint>

#include "ui/ui.h"

namespace browser {

class TfBlik : public ui::Form {
 public:
  TfBlik();

  ui::Label& Label1;
  ui::ProgressBar& ProgressBar1;
  ui::Timer& Timer1;  // the timed close
  ui::Timer& Timer2;  // the animation, every 300 ms
  ui::Color SavedColor;
  std::uint16_t Step = 0;

  void Timer1Timer();
  void Timer2Timer();
  void FormKeyDown(int& key, ui::Shift shift);
  void FormClose();
};

TfBlik& fBlik();

}  // namespace browser
