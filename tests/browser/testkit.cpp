#include "tests/browser/testkit.h"

#include <filesystem>
#include <stdexcept>

#include "browser/dialogs.h"
#include "browser/winsettings.h"
#include "common/params.h"
#include "common/session.h"

namespace dlgtest {

namespace {

class NullCanvas : public ui::PrinterCanvas {
 public:
  explicit NullCanvas(ScriptBackend& b) : b_(b) {}
  void TextOut(int, int, std::string_view) override {}
  void FillRect(ui::Rect) override {}
  void FrameRect(ui::Rect) override {}
  void Line(ui::Point, ui::Point) override {}
  bool StretchDraw(ui::Rect, const ui::Bitmap&) override {
    ++b_.stretchDraws;
    return true;
  }
  int TextWidth(std::string_view t) override { return static_cast<int>(t.size()) * 8; }
  int TextHeight(std::string_view) override { return 16; }
  int PageWidth() const override { return 2400; }
  int PageHeight() const override { return 3400; }
  int DpiX() const override { return 300; }
  int DpiY() const override { return 300; }
  int PageNumber() const override { return 1; }
  void NewPage() override {}
  void EndDoc() override {}
  void Abort() override {}

 private:
  ScriptBackend& b_;
};

bool Running(ui::Form& form) { return form.visible() && !form.modalDone(); }

}  // namespace

void ScriptBackend::RunModal(ui::Form& form) {
  modalLog.push_back(form.name());
  auto handler = onModal.find(form.name());
  if (handler != onModal.end() && handler->second) handler->second(form);
  // What the script left open runs on its timers; a form without one would hang.
  for (int guard = 0; Running(form) && guard < 100000; ++guard) {
    std::int64_t next = -1;
    for (const auto& [timer, due] : due_)
      if (&timer->form() == &form && (next < 0 || due < next)) next = due;
    if (next < 0) throw std::logic_error("modal form " + form.name() + " was left open without a timer");
    Advance(next - now_);
  }
}

void ScriptBackend::FormDestroyed(ui::Form& form) {
  for (auto it = due_.begin(); it != due_.end();)
    it = &it->first->form() == &form ? due_.erase(it) : std::next(it);
}

void ScriptBackend::TimerChanged(ui::Timer& timer) {
  if (timer.enabled()) due_[&timer] = now_ + std::max(1, timer.interval());
  else due_.erase(&timer);
}

void ScriptBackend::Advance(std::int64_t ms) {
  const std::int64_t end = now_ + ms;
  for (;;) {
    ui::Timer* first = nullptr;
    std::int64_t when = 0;
    for (const auto& [timer, due] : due_)
      if (due <= end && (!first || due < when)) first = timer, when = due;
    if (!first) break;
    now_ = when;
    due_[first] = when + std::max(1, first->interval());
    first->Fire();
  }
  now_ = end;
}

std::vector<std::string> ScriptBackend::BoxTexts() const {
  std::vector<std::string> out;
  for (const Box& b : boxes) out.push_back(b.text);
  return out;
}

int ScriptBackend::MessageBox(const std::string& text, const std::string& caption, ui::MsgButtons buttons,
                              ui::MsgIcon) {
  boxes.push_back({text, caption, buttons});
  if (!boxAnswers.empty()) {
    int a = boxAnswers.front();
    boxAnswers.pop_front();
    return a;
  }
  return buttons == ui::MsgButtons::YesNo ? ui::mr::No : ui::mr::Ok;
}

void ScriptBackend::Beep(ui::BeepKind kind) {
  ++beeps;
  if (kind == ui::BeepKind::Asterisk) ++asteriskBeeps;
}

std::unique_ptr<ui::PrinterCanvas> ScriptBackend::BeginPrint(const std::string&) {
  ++printJobs;
  return std::make_unique<NullCanvas>(*this);
}

void Key(ui::Form& form, int vk, ui::Shift shift) {
  if (!Running(form)) throw std::logic_error("key sent to " + form.name() + ", which is not shown");
  ui::Control* target = form.activeControl() ? form.activeControl() : &form;
  int key = vk;
  const bool keyLeft = form.DispatchKeyDown(*target, key, shift);
  if (keyLeft && Running(form) && target == form.activeControl()) {
    if (vk == ui::vk::Tab) form.FocusControl(form.NextTabControl(target, shift != ui::Shift::Shift));
  }
  char ch = ui::CharForKey(vk, shift);
  if (!ch || !Running(form)) return;
  target = form.activeControl() ? form.activeControl() : &form;
  if (!form.DispatchKeyPress(*target, ch) || !Running(form)) return;
  // The control's own handling of the character.
  if (auto* edit = dynamic_cast<ui::Edit*>(target); edit && !edit->readOnly() && static_cast<unsigned char>(ch) >= 32) {
    std::string t = edit->text();
    t.replace(static_cast<std::size_t>(edit->selStart()), static_cast<std::size_t>(edit->selLength()), 1, ch);
    const int caret = edit->selStart() + 1;
    edit->UserSetText(t);
    edit->UserSetSelection(caret, 0);
  } else if (target->kind() == ui::ControlKind::Button && (ch == 13 || ch == ' ')) {
    form.DispatchClick(*target);
  } else if (auto* box = dynamic_cast<ui::CheckBox*>(target); box && ch == ' ') {
    box->UserToggle();
  }
}

void Type(ui::Form& form, const std::string& text) {
  for (char c : text) {
    int vk = 0;
    ui::Shift shift = ui::Shift::None;
    if (c >= '0' && c <= '9') vk = ui::vk::Digit(c - '0');
    else if (c >= 'a' && c <= 'z') vk = ui::vk::Letter(c);
    else if (c >= 'A' && c <= 'Z') vk = ui::vk::Letter(c), shift = ui::Shift::Shift;
    else if (c == '+') vk = ui::vk::NumPlus;
    else if (c == '-') vk = ui::vk::NumMinus;
    else if (c == '*') vk = ui::vk::NumStar;
    else if (c == '/') vk = ui::vk::NumSlash;
    else if (c == '.') vk = ui::vk::Period;
    else if (c == ',') vk = ui::vk::Comma;
    else if (c == ' ') vk = ui::vk::Space;
    else throw std::invalid_argument(std::string("no key for ") + c);
    Key(form, vk, shift);
  }
}

DialogTest::DialogTest() : cwd_(dir_.path()), scopedBackend_(backend_), scopedNotifier_(notes_) {
  common::ResetSession();
  common::CurrentSession().ProgDirPath = dir_.path() + "/";
  common::CurrentSession().DataDirPath = dir_.path() + "/";
  std::filesystem::create_directories(dir_ / "par");
  browser::DestroyDialogWindows();
  browser::ResetWindowFont();
  browser::DialogResults() = {};
}

DialogTest::~DialogTest() {
  browser::DestroyDialogWindows();
  common::ResetSession();
}

void DialogTest::ReloadParams() {
  common::FlushParams();
}

std::string DialogTest::FileText(const std::string& rel) {
  common::FlushParams();
  return ostest::ReadRaw(dir_ / rel);
}

void DialogTest::WriteFile(const std::string& rel, const std::string& data) { ostest::WriteRaw(dir_ / rel, data); }

bool DialogTest::Exists(const std::string& rel) const { return std::filesystem::exists(dir_ / rel); }

}  // namespace dlgtest
