#include "browser/err.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "common/encoding.h"
#include "common/session.h"

namespace browser {

using namespace common::literals;

TfErr& fErr() { return SingleWindow<TfErr>(); }

TfErr::TfErr() : ui::Form("fErr"), Label1(Add<ui::Label>("Label1")), Timer1(AddTimer("Timer1", 5000)) {
  SetCaption("Počkejte na uvolnění !!! "_cz);
  SetColor(ui::colors::Red);
  SetBounds(200, 200, 420, 90);
  ui::Font fixed;
  fixed.name = "Fixedsys";
  fixed.color = ui::colors::Yellow;
  Label1.SetFont(fixed);
  Label1.SetBounds(8, 16, 400, 20);
  onShow = [this](ui::Form&) { FormShow(); };
  Timer1.onTimer = [this](ui::Timer&) { Timer1Timer(); };
  onMouseDown = [this](ui::Control&, ui::MouseButton b, ui::Shift, int, int) { FormMouseDown(b); };
  Label1.onMouseDown = onMouseDown;
  // Esc leaves the wait: the step that waits stops.
  onKeyDown = [this](ui::Control&, int& key, ui::Shift) {
    if (key != ui::vk::Esc) return;
    key = 0;
    Timer1.Stop();
    end = common::WaitEnd::Stopped;
    Close();
  };
}

void TfErr::FormShow() {
  common::CurrentSession().IgnoreLocks = 0;
  end = common::WaitEnd::Stopped;  // unless the time, the retry or the ignore answer ends it
}

void TfErr::Timer1Timer() {
  Timer1.Stop();
  if (retry && !retry()) {
    if (visible()) Timer1.Start();
    return;
  }
  end = common::WaitEnd::Done;
  Close();
}

void TfErr::FormMouseDown(ui::MouseButton button) {
  if (button != ui::MouseButton::Right) return;
  Timer1.Stop();
  if (AskOne(10, 10, "Došlo k poruše, chcete ignorovat ochranu souborů"_cz)) {
    common::CurrentSession().IgnoreLocks = 1;
    end = common::WaitEnd::Ignored;
  } else if (retry) {
    if (visible()) Timer1.Start();  // the wait goes on
    return;
  } else {
    end = common::WaitEnd::Done;
  }
  Close();
}

void DialogNotifier::Message(const std::string& text) { ui::ShowMessage(text); }

void DialogNotifier::BeepMessage(const std::string& text) {
  ui::Beep();
  ui::ShowMessage(text);
}

namespace {

void ShowNotice(TfErr& e, const std::string& text, int ms) {
  e.Label1.SetText(text);
  e.SetWidth(std::max(420, static_cast<int>(text.size()) * 9 + 24));
  e.Label1.SetWidth(e.width() - 20);
  e.Timer1.SetInterval(std::max(ms, 0));
  e.Timer1.Start();
  e.ShowModal();
  e.Timer1.Stop();
}

}  // namespace

bool DialogNotifier::LockWait(const std::string& text, int ms) {
  TfErr& e = fErr();
  // A wait asked for while the notice is up (from inside its own question) is not shown twice.
  if (e.visible()) return common::CurrentSession().IgnoreLocks != 0;
  e.retry = nullptr;
  ShowNotice(e, text, ms);
  // Esc ends the wait as well: the caller gives up.
  if (e.end == common::WaitEnd::Stopped) common::CurrentSession().WaitStopped = 1;
  return e.end != common::WaitEnd::Done;
}

common::WaitEnd DialogNotifier::Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) {
  TfErr& e = fErr();
  if (e.visible()) return common::CurrentSession().IgnoreLocks != 0 ? common::WaitEnd::Ignored : common::WaitEnd::Stopped;
  e.retry = [&] {
    if (retry(text)) return true;
    if (e.Label1.text() != text) e.Label1.SetText(text);
    return false;
  };
  ShowNotice(e, text, ms);
  e.retry = nullptr;
  return e.end;
}

void DialogNotifier::Beep(unsigned type) { ui::Beep(type == 64 ? ui::BeepKind::Asterisk : ui::BeepKind::Default); }

void InstallDialogNotifier() {
  static DialogNotifier notifier;
  common::SetNotifier(&notifier);
}

}  // namespace browser
