#include "browser/cekej.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "common/dates.h"

namespace browser {

TfCekej& fCekej() { return SingleWindow<TfCekej>(); }

TfCekej::TfCekej() : ui::Form("fCekej"), Timer1(AddTimer("Timer1", 1000)) {
  SetBorderStyle(ui::BorderStyle::None);
  keyPreview = true;
  Timer1.onTimer = [this](ui::Timer&) { Timer1Timer(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
}

void TfCekej::Timer1Timer() {
  Timer1.Stop();
  Close();
}

void TfCekej::FormKeyDown(int& key, ui::Shift shift) {
  if (ui::KeyCode(key, shift) != ui::vk::Esc) return;
  key = 0;
  Timer1.Stop();
  WaitAborted = true;
  Close();
}

void ShowCekej(int ms) {
  TfCekej& w = fCekej();
  w.WaitAborted = false;
  w.Timer1.SetInterval(std::max(ms, 0));
  w.Timer1.Start();
  w.SetBounds(w.left(), w.top(), 10, 10);
  w.SetCaption(common::TimeText12());
  w.ShowModal();
  w.Timer1.Stop();
}

}  // namespace browser
