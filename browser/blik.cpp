#include "browser/blik.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/winsettings.h"
#include "common/notifier.h"

namespace browser {

namespace {
constexpr ui::Color kTimedText = 0xF0F0F0;
constexpr ui::Color kTimedPaper = 0xD0FFD0;

// Width and left of the notice for a text: (length + 5) character cells of
// width + 4 pixels, centred on 400.
void SizeFor(TfBlik& b, const std::string& text) {
  const int cell = WindowFont().LetterWidth + 4;
  const int n = static_cast<int>(text.size()) + 5;
  b.SetBounds(400 - (n / 2) * cell, b.top(), n * cell, b.height());
  b.Label1.SetText(text);
  b.Label1.SetBounds(8, 8, n * cell - 24, 20);
  b.ProgressBar1.SetBounds(8, 36, n * cell - 24, 16);
}

std::string LeftKey(const TfBlik& b) { return DialogKey(b.caption()) + " BlikLeft"; }
std::string TopKey(const TfBlik& b) { return DialogKey(b.caption()) + " BlikTop"; }

}  // namespace

TfBlik& fBlik() { return SingleWindow<TfBlik>(); }

TfBlik::TfBlik()
    : ui::Form("fBlik"),
      Label1(Add<ui::Label>("Label1")),
      ProgressBar1(Add<ui::ProgressBar>("ProgressBar1")),
      Timer1(AddTimer("Timer1", 1000)),
      Timer2(AddTimer("Timer2", 300)) {
  SetCaption("fBlik");
  SetBounds(316, 200, 180, 100);
  SetColor(ui::colors::White);
  SavedColor = color();
  keyPreview = true;
  ui::Font bold;
  bold.bold = true;
  Label1.SetFont(bold);
  ProgressBar1.SetRange(0, 100);
  Timer1.onTimer = [this](ui::Timer&) { Timer1Timer(); };
  Timer2.onTimer = [this](ui::Timer&) { Timer2Timer(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift) {
    int k = key;
    FormKeyDown(k, ui::Shift::None);
    key = 0;
  };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  onHide = [this](ui::Form&) { Timer2.Stop(); };
}

void TfBlik::Timer1Timer() {
  SetColor(SavedColor);
  Timer1.Stop();
  Close();
}

void TfBlik::Timer2Timer() {
  if (ui::ActiveForm() != this) return;
  Step = static_cast<std::uint16_t>(Step % 10 + 1);
  BlikProgress(10, Step);
}

void TfBlik::FormKeyDown(int&, ui::Shift) { Close(); }

void TfBlik::FormClose() {
  StorePosition(*this, LeftKey(*this), TopKey(*this), "@@@@@@");
  Timer1.Stop();
}

void ShowBlik(const std::string& text) {
  TfBlik& b = fBlik();
  if (b.visible()) b.Close();
  SizeFor(b, text);
  ApplyStoredPosition(b, LeftKey(b), TopKey(b));
  b.Timer2.Start();
  b.SetVisible(true);
  ui::ProcessMessages();
}

void ShowBlikTimed(const std::string& text, int ms) {
  common::BeepAsterisk();
  TfBlik& b = fBlik();
  if (b.visible()) {
    b.Timer1.Stop();
    b.Close();
  }
  SizeFor(b, text);
  b.Label1.SetColor(kTimedText);
  b.Label1.SetTransparent(false);
  b.SetColor(kTimedPaper);
  b.Timer1.SetInterval(std::max(ms, 0));
  b.Timer1.Start();
  b.ProgressBar1.Hide();
  b.SetTopmost(true);
  b.ShowModal();
  b.SetTopmost(false);
  b.Label1.SetTransparent(true);
  b.SetColor(b.SavedColor);
}

void BlikProgress(int maximum, int position) {
  TfBlik& b = fBlik();
  b.ProgressBar1.Show();
  b.ProgressBar1.SetRange(1, std::max(1, maximum));
  b.ProgressBar1.SetPosition(position);
  ui::ProcessMessages();
}

void CloseBlik() {
  TfBlik& b = fBlik();
  if (!b.visible()) return;
  b.ProgressBar1.Hide();
  b.Timer1.Stop();
  b.Close();
}

}  // namespace browser
