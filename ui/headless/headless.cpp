#include "ui/headless/headless.h"

#include <algorithm>
#include <sstream>

#include "common/encoding.h"
#include "ui/headless/input.h"
#include "ui/headless/printer.h"

namespace ui::headless {

namespace {

std::string Quote(const std::string& cp1250) {
  std::string out = "\"";
  for (char ch : common::Win1250ToUtf8(cp1250)) {
    if (ch == '\n') out += "\\n";
    else if (ch == '\r') continue;
    else if (ch == '"') out += "\\\"";
    else out += ch;
  }
  return out + "\"";
}

const char* ResultName(int r) {
  switch (r) {
    case mr::Ok: return "ok";
    case mr::Cancel: return "cancel";
    case mr::Abort: return "abort";
    case mr::Retry: return "retry";
    case mr::Ignore: return "ignore";
    case mr::Yes: return "yes";
    case mr::No: return "no";
    default: return "none";
  }
}

std::vector<int> ButtonsOf(MsgButtons b) {
  switch (b) {
    case MsgButtons::Ok: return {mr::Ok};
    case MsgButtons::OkCancel: return {mr::Ok, mr::Cancel};
    case MsgButtons::YesNo: return {mr::Yes, mr::No};
    case MsgButtons::YesNoCancel: return {mr::Yes, mr::No, mr::Cancel};
    case MsgButtons::RetryCancel: return {mr::Retry, mr::Cancel};
  }
  return {mr::Ok};
}

const char* BeepName(BeepKind k) {
  switch (k) {
    case BeepKind::Default: return "default";
    case BeepKind::Asterisk: return "asterisk";
    case BeepKind::Exclamation: return "exclamation";
    case BeepKind::Error: return "error";
    case BeepKind::Question: return "question";
  }
  return "default";
}


}  // namespace

HeadlessBackend::HeadlessBackend()
    : previousBackend_(HasBackend() ? &CurrentBackend() : nullptr), previousClock_(&common::CurrentClock()) {
  SetBackend(this);
  common::SetClock(&clock_);
}

HeadlessBackend::~HeadlessBackend() {
  common::SetClock(previousClock_);
  SetBackend(previousBackend_);
}

void HeadlessBackend::Log(const std::string& line) {
  journal_.push_back(line);
  if (onJournal) onJournal(line);
}

void HeadlessBackend::ClearRecords() {
  messages_.clear();
  beeps_.clear();
  jobs_.clear();
  journal_.clear();
}

// ---------------------------------------------------------------- modal forms

void HeadlessBackend::OnModal(const std::string& formName, ModalHandler handler) {
  nameHandlers_[formName] = std::move(handler);
}

void HeadlessBackend::AnswerNextModal(ModalHandler handler) { nextModal_.push_back(std::move(handler)); }

void HeadlessBackend::FormShown(Form& form) { Log("show " + form.name() + " " + Quote(form.caption())); }

void HeadlessBackend::FormHidden(Form& form) {
  if (form.showingModal() || form.modalResult() != mr::None)
    Log("closed " + form.name() + " " + ResultName(form.modalResult()));
  else
    Log("hide " + form.name());
}

void HeadlessBackend::ModalEnded(Form&) {}

void HeadlessBackend::FormDestroyed(Form&) {}

void HeadlessBackend::RunModal(Form& form) {
  Log("modal " + form.name() + " " + Quote(form.caption()));
  auto finished = [&] { return form.modalDone(); };
  auto requireClosed = [&](const char* who) {
    if (!finished()) throw HeadlessError("modal form " + form.name() + " was left open by " + who);
  };
  if (!nextModal_.empty()) {
    auto handler = std::move(nextModal_.front());
    nextModal_.pop_front();
    handler(form);
    return requireClosed("its handler");
  }
  for (auto& matches : typeHandlers_)
    if (matches(form)) return requireClosed("its handler");
  if (auto it = nameHandlers_.find(form.name()); it != nameHandlers_.end()) {
    auto handler = it->second;  // a copy: the handler may register others
    handler(form);
    return requireClosed("its handler");
  }
  running_.push_back(&form);
  try {
    while (!finished()) {
      if (!pendingKeys_.empty()) {
        DrainKeys();
        continue;
      }
      if (scriptEnded || !scriptPump || !scriptPump()) break;
    }
  } catch (...) {
    running_.pop_back();
    throw;
  }
  running_.pop_back();
  if (finished()) return;
  if (scriptEnded || closeUnanswered) {
    Log("end: closing " + form.name());
    if (scriptEnded) leftOpen.push_back(form.name());
    form.SetVisible(false);  // ends the modal run with mr::Cancel
    return;
  }
  throw HeadlessError("nobody answers the modal form " + form.name());
}

void HeadlessBackend::Run(Form& mainForm) {
  mainForm.Show();
  while (mainForm.visible() && !scriptEnded && scriptPump && scriptPump()) {
  }
  if (mainForm.visible()) mainForm.Hide();
}

// ---------------------------------------------------------------- answers

void HeadlessBackend::QueueAnswer(Answer answer) { answers_.push_back(std::move(answer)); }

std::optional<Answer> HeadlessBackend::NextAnswer(const char* what) {
  if (!answers_.empty()) {
    Answer a = std::move(answers_.front());
    answers_.pop_front();
    return a;
  }
  if (scriptAnswer && !scriptEnded) {
    if (auto a = scriptAnswer()) return a;
  }
  (void)what;
  return std::nullopt;
}

void HeadlessBackend::HandlerFailed(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const DriverError&) {
    throw;
  } catch (...) {
  }
  Backend::HandlerFailed(std::move(error));
}

int HeadlessBackend::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                MsgIcon icon) {
  MessageRecord rec{text, caption, buttons, icon, mr::None, false};
  auto allowed = ButtonsOf(buttons);
  auto valid = [&](int r) { return std::find(allowed.begin(), allowed.end(), r) != allowed.end(); };
  if (onMessage) {
    int r = onMessage(rec);
    if (r != mr::None) {
      if (!valid(r)) throw HeadlessError(std::string("answer ") + ResultName(r) + " does not fit the message box");
      rec.answer = r;
      rec.answered = true;
    }
  }
  if (!rec.answered) {
    if (auto a = NextAnswer("message")) {
      int r = a->kind == Answer::Kind::Cancel ? mr::Cancel : a->button;
      if (a->kind != Answer::Kind::Button && a->kind != Answer::Kind::Cancel)
        throw AnswerError(a->line, "a message box needs a button answer: " + common::Win1250ToUtf8(text));
      if (!valid(r))
        throw AnswerError(a->line, std::string("answer ") + ResultName(r) + " does not fit the message box");
      rec.answer = r;
      rec.answered = true;
    }
  }
  if (!rec.answered) rec.answer = allowed.front();
  messages_.push_back(rec);
  Log("message " + Quote(text) + (caption.empty() ? "" : " " + Quote(caption)) + " -> " + ResultName(rec.answer) +
      (rec.answered ? "" : " (default)"));
  return rec.answer;
}

void HeadlessBackend::Beep(BeepKind kind) {
  beeps_.push_back(kind);
  Log(std::string("beep ") + BeepName(kind));
}

namespace {
// A dialog answer must be of its kind or a cancel.
bool Accept(const std::optional<Answer>& a, Answer::Kind kind, const char* dialog) {
  if (!a || a->kind == Answer::Kind::Cancel) return false;
  if (a->kind != kind) throw AnswerError(a->line, std::string("the ") + dialog + " dialog got an answer of another kind");
  return true;
}
}  // namespace

bool HeadlessBackend::ChooseFont(Font& font) {
  auto a = NextAnswer("font");
  if (!Accept(a, Answer::Kind::Font, "font")) {
    Log("font dialog -> cancel");
    return false;
  }
  font = a->font;
  Log("font dialog -> " + Quote(font.name) + " " + std::to_string(font.size) + (font.bold ? " bold" : "") +
      (font.italic ? " italic" : "") + " " + ColorHex(font.color));
  return true;
}

bool HeadlessBackend::ChooseColor(Color& color) {
  auto a = NextAnswer("colour");
  if (!Accept(a, Answer::Kind::Color, "colour")) {
    Log("colour dialog -> cancel");
    return false;
  }
  color = a->color;
  Log("colour dialog -> " + ColorHex(color));
  return true;
}

bool HeadlessBackend::ChooseOpenFile(FileDialogRequest& request) {
  auto a = NextAnswer("file");
  if (!Accept(a, Answer::Kind::File, "file")) {
    Log("file dialog " + Quote(request.title) + " -> cancel");
    return false;
  }
  request.fileName = a->text;
  Log("file dialog " + Quote(request.title) + " -> " + a->text);
  return true;
}

bool HeadlessBackend::ChooseFolder(FolderDialogRequest& request) {
  auto a = NextAnswer("folder");
  if (!Accept(a, Answer::Kind::Folder, "folder")) {
    Log("folder dialog " + Quote(request.title) + " -> cancel");
    return false;
  }
  request.directory = a->text;
  Log("folder dialog " + Quote(request.title) + " -> " + a->text);
  return true;
}

bool HeadlessBackend::ChoosePrinter(const std::string&) {
  auto a = NextAnswer("printer");
  if (!Accept(a, Answer::Kind::Printer, "printer")) {
    Log("print dialog -> cancel");
    return false;
  }
  if (!SetCurrentPrinter(a->text)) throw AnswerError(a->line, "no printer named " + a->text);
  Log("print dialog -> " + a->text);
  return true;
}

bool HeadlessBackend::SetCurrentPrinter(const std::string& name) {
  if (std::find(printers.begin(), printers.end(), name) == printers.end()) return false;
  currentPrinter_ = name;
  return true;
}

MenuItem* HeadlessBackend::Popup(PopupMenu& menu, Point screen) {
  auto a = NextAnswer("menu");
  std::string where = " at " + std::to_string(screen.x) + "," + std::to_string(screen.y);
  if (!Accept(a, Answer::Kind::Menu, "popup menu")) {
    Log("popup " + menu.name() + where + " -> none");
    return nullptr;
  }
  MenuItem* chosen = nullptr;
  if (a->text.empty()) {
    if (a->index >= 0 && a->index < menu.count()) chosen = &menu.item(a->index);
  } else {
    for (const auto& item : menu.items())
      if (item->name == a->text || item->caption == a->text) chosen = item.get();
  }
  if (!chosen)
    throw AnswerError(a->line, "popup menu " + menu.name() + " has no item " + common::Win1250ToUtf8(a->text));
  if (!chosen->visible || !chosen->enabled)
    throw AnswerError(a->line, "menu item " + chosen->name + " is hidden or disabled");
  Log("popup " + menu.name() + where + " -> " + Quote(chosen->caption));
  return chosen;
}

// ---------------------------------------------------------------- timers

void HeadlessBackend::TimerChanged(Timer& timer) {
  TimerDestroyed(timer);
  if (!timer.enabled()) return;
  timers_.push_back({&timer, clock_.MonotonicMs() + std::max(timer.interval(), 1), timer.generation(), timerSeq_++});
}

void HeadlessBackend::TimerDestroyed(Timer& timer) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Scheduled& s) { return s.timer == &timer; }),
                timers_.end());
}

void HeadlessBackend::Advance(std::int64_t ms) {
  if (ms < 0) throw HeadlessError("the clock cannot go back");
  const std::int64_t target = clock_.MonotonicMs() + ms;
  for (;;) {
    auto next = std::min_element(timers_.begin(), timers_.end(), [](const Scheduled& a, const Scheduled& b) {
      return a.due != b.due ? a.due < b.due : a.seq < b.seq;
    });
    if (next == timers_.end() || next->due > target) break;
    Scheduled tick = *next;
    timers_.erase(next);
    if (tick.due > clock_.MonotonicMs()) clock_.Advance(tick.due - clock_.MonotonicMs());
    if (tick.generation != tick.timer->generation() || !tick.timer->enabled()) continue;
    timers_.push_back({tick.timer, tick.due + std::max(tick.timer->interval(), 1), tick.generation, timerSeq_++});
    tick.timer->Fire();
  }
  if (clock_.MonotonicMs() < target) clock_.Advance(target - clock_.MonotonicMs());
}

// ---------------------------------------------------------------- input

Form& HeadlessBackend::Active() const {
  Form* f = ActiveForm();
  if (!f) throw HeadlessError("no form is shown");
  return *f;
}

Control& HeadlessBackend::Target(Form& f) const {
  Control* c = f.activeControl();
  return c && c->CanFocus() ? *c : static_cast<Control&>(f);
}

void HeadlessBackend::Press(int vk, Shift shift) {
  pendingKeys_.push_back({vk, shift, 0});
  DrainKeys();
}

void HeadlessBackend::DrainKeys() {
  try {
    // A key that ended the innermost modal window leaves the rest to the window below,
    // once that window's modal run has returned.
    while (!pendingKeys_.empty() && (running_.empty() || !running_.back()->modalDone())) DeliverPendingKey();
  } catch (...) {
    pendingKeys_.clear();  // the rest of a failed input is not typed later
    throw;
  }
}

bool HeadlessBackend::DeliverPendingKey() {
  if (pendingKeys_.empty()) return false;
  if (!ActiveForm()) {
    std::size_t left = pendingKeys_.size();
    pendingKeys_.clear();
    throw HeadlessError(std::to_string(left) + " key(s) left with no window to take them");
  }
  PendingKey k = pendingKeys_.front();
  pendingKeys_.pop_front();
  k.ch ? DeliverChar(k.ch) : DeliverPress(k.vk, k.shift);
  return true;
}

void HeadlessBackend::DeliverPress(int vk, Shift shift) {
  Form& form = Active();
  Control& target = Target(form);
  auto alive = target.AliveToken();
  int key = vk;
  bool handled = false;
  if (form.DispatchKeyDown(target, key, shift)) handled = DefaultKeyDown(form, target, key, shift);
  // A key the control's own handling used (a dialog key) produces no character.
  char ch = CharForKey(vk, shift);
  bool stillThere = !alive.expired() && form.visible() && !form.modalDone();
  if (ch && !handled && stillThere) {
    if (form.DispatchKeyPress(target, ch)) DefaultKeyPress(form, target, ch);
  }
  if (!alive.expired() && form.visible() && !form.modalDone()) {
    int up = vk;
    form.DispatchKeyUp(target, up, shift);
  }
}

void HeadlessBackend::PressKeys(std::string_view names) {
  std::istringstream in{std::string(names)};
  std::vector<KeyStroke> keys;
  std::string name;
  while (in >> name) {
    auto key = ParseKey(name);
    if (!key) throw HeadlessError("unknown key " + name);
    keys.push_back(*key);
  }
  Press(keys);
}

void HeadlessBackend::Press(const std::vector<KeyStroke>& keys) {
  for (const KeyStroke& k : keys) pendingKeys_.push_back({k.vk, k.shift, 0});
  DrainKeys();
}

void HeadlessBackend::DeliverChar(char ch) {
  Form& form = Active();
  Control& target = Target(form);
  auto u = static_cast<unsigned char>(ch);
  int vk = 0;
  Shift shift = Shift::None;
  if (u >= 'a' && u <= 'z') vk = vk::Letter(static_cast<char>(u));
  else if (u >= 'A' && u <= 'Z') vk = vk::Letter(static_cast<char>(u)), shift = Shift::Shift;
  else if (u >= '0' && u <= '9') vk = vk::Digit(u - '0');
  else if (u == ' ') vk = vk::Space;
  auto alive = target.AliveToken();
  int key = vk;
  if (vk) form.DispatchKeyDown(target, key, shift);
  char c = ch;
  if (!alive.expired() && form.visible() && form.DispatchKeyPress(target, c)) DefaultKeyPress(form, target, c);
  if (vk && !alive.expired() && form.visible()) {
    int up = vk;
    form.DispatchKeyUp(target, up, shift);
  }
}

void HeadlessBackend::Type(std::string_view text) {
  for (char ch : text) pendingKeys_.push_back({0, Shift::None, ch});
  DrainKeys();
}


void HeadlessBackend::RequireUsable(const Control& c) const {
  if (!c.IsShowing()) throw HeadlessError(c.name() + " is not shown");
  if (!c.IsEnabled()) throw HeadlessError(c.name() + " is disabled");
}

void HeadlessBackend::Focus(Control& c) {
  RequireUsable(c);
  if (!c.CanFocus()) throw HeadlessError(c.name() + " cannot take the focus");
  c.form().UserActivate();
  c.form().UserFocus(&c);
}

namespace {
MouseButton ButtonOf(Shift s) { return Has(s, Shift::Right) ? MouseButton::Right : MouseButton::Left; }
Shift ButtonFlag(MouseButton b) {
  return b == MouseButton::Right ? Shift::Right : b == MouseButton::Middle ? Shift::Middle : Shift::Left;
}
}  // namespace

void HeadlessBackend::MouseUpAndClick(Control& c, int x, int y, MouseButton b, Shift shift, bool click) {
  auto alive = c.AliveToken();
  Form& form = c.form();
  form.DispatchMouseUp(c, b, shift, x, y);
  if (click && b == MouseButton::Left && !alive.expired() && c.IsShowing()) NativeClick(form, c, x, y);
}

void HeadlessBackend::ClickAt(Control& c, int x, int y, MouseButton b, Shift shift) {
  RequireUsable(c);
  Form& form = c.form();
  form.UserActivate();
  auto alive = c.AliveToken();
  if (b == MouseButton::Left && c.CanFocus() && c.kind() != ControlKind::Form) form.UserFocus(&c);
  if (alive.expired()) return;
  NativeMouseDown(form, c, x, y, b);
  if (alive.expired()) return;
  form.DispatchMouseDown(c, b, shift | ButtonFlag(b), x, y);
  if (alive.expired()) return;
  MouseUpAndClick(c, x, y, b, shift, true);
}

void HeadlessBackend::ChooseMenu(Form& f, const std::string& item) {
  MenuBar* bar = f.menuBar();
  MenuItem* chosen = bar ? bar->Find(item) : nullptr;
  if (!chosen) throw HeadlessError(f.name() + " has no menu item " + common::Win1250ToUtf8(item));
  if (!bar->CanChoose(*chosen)) throw HeadlessError("menu item " + common::Win1250ToUtf8(item) + " cannot be chosen");
  Log("menu " + common::Win1250ToUtf8(chosen->caption));
  bar->Choose(*chosen);
}

void HeadlessBackend::Click(Control& c) { ClickAt(c, c.width() / 2, c.height() / 2); }

void HeadlessBackend::RightClick(Control& c, Shift shift) {
  ClickAt(c, c.width() / 2, c.height() / 2, MouseButton::Right, shift);
}

void HeadlessBackend::DoubleClick(Control& c) {
  int x = c.width() / 2, y = c.height() / 2;
  auto alive = c.AliveToken();
  ClickAt(c, x, y);
  if (alive.expired() || !c.IsShowing()) return;
  Form& form = c.form();
  form.DispatchMouseDown(c, MouseButton::Left, Shift::Left | Shift::Double, x, y);
  if (alive.expired()) return;
  form.DispatchDblClick(c);
  if (alive.expired() || !c.IsShowing()) return;
  form.DispatchMouseUp(c, MouseButton::Left, Shift::None, x, y);
}

void HeadlessBackend::ClickItem(ListBox& list, int index) {
  if (index < 0 || index >= list.count()) throw HeadlessError(list.name() + " has no item " + std::to_string(index));
  if (index < list.topIndex()) list.UserScroll(index);
  int rows = std::max(1, list.height() / list.itemHeight());
  if (index >= list.topIndex() + rows) list.UserScroll(index - rows + 1);
  ClickAt(list, 4, (index - list.topIndex()) * list.itemHeight() + list.itemHeight() / 2);
}

void HeadlessBackend::DoubleClickItem(ListBox& list, int index) {
  auto alive = list.AliveToken();
  ClickItem(list, index);
  if (alive.expired() || !list.IsShowing()) return;
  int y = (index - list.topIndex()) * list.itemHeight() + list.itemHeight() / 2;
  list.form().DispatchMouseDown(list, MouseButton::Left, Shift::Left | Shift::Double, 4, y);
  if (alive.expired()) return;
  list.form().DispatchDblClick(list);
  if (alive.expired() || !list.IsShowing()) return;
  list.form().DispatchMouseUp(list, MouseButton::Left, Shift::None, 4, y);
}

void HeadlessBackend::ChooseItem(ComboBox& combo, int index) {
  RequireUsable(combo);
  if (index < 0 || index >= combo.count()) throw HeadlessError(combo.name() + " has no item " + std::to_string(index));
  combo.form().UserActivate();
  if (combo.CanFocus()) combo.form().UserFocus(&combo);
  combo.UserSelect(index);
}

void HeadlessBackend::ClickCell(Grid& grid, int col, int row, Shift shift) {
  Rect r = grid.CellRect(col, row);
  if (r.width <= 0 && r.height <= 0) throw HeadlessError(grid.name() + " does not show cell " + std::to_string(col) + "," + std::to_string(row));
  ClickAt(grid, r.left + r.width / 2, r.top + r.height / 2, ButtonOf(shift), shift & (Shift::Shift | Shift::Ctrl | Shift::Alt));
}

void HeadlessBackend::DoubleClickCell(Grid& grid, int col, int row) {
  Rect r = grid.CellRect(col, row);
  auto alive = grid.AliveToken();
  ClickCell(grid, col, row);
  if (alive.expired() || !grid.IsShowing()) return;
  int x = r.left + r.width / 2, y = r.top + r.height / 2;
  grid.form().DispatchMouseDown(grid, MouseButton::Left, Shift::Left | Shift::Double, x, y);
  if (alive.expired()) return;
  grid.form().DispatchDblClick(grid);
  if (alive.expired() || !grid.IsShowing()) return;
  grid.form().DispatchMouseUp(grid, MouseButton::Left, Shift::None, x, y);
}

void HeadlessBackend::Drag(Control& c, Point from, Point to, MouseButton b) {
  RequireUsable(c);
  Form& form = c.form();
  auto alive = c.AliveToken();
  Point origin = c.PositionInForm();
  Point start{origin.x + from.x, origin.y + from.y}, end{origin.x + to.x, origin.y + to.y};
  form.DispatchMouseDown(c, b, ButtonFlag(b), from.x, from.y);
  const int steps = 4;
  for (int i = 1; i <= steps && !alive.expired(); ++i) {
    Point now = c.PositionInForm();
    int fx = start.x + (end.x - start.x) * i / steps, fy = start.y + (end.y - start.y) * i / steps;
    form.DispatchMouseMove(c, ButtonFlag(b), fx - now.x, fy - now.y);
  }
  if (alive.expired()) return;
  Point now = c.PositionInForm();
  MouseUpAndClick(c, end.x - now.x, end.y - now.y, b, Shift::None, false);
}

void HeadlessBackend::MoveMouse(Control& c, int x, int y) { c.form().DispatchMouseMove(c, Shift::None, x, y); }

// ---------------------------------------------------------------- pictures, printing

Bitmap HeadlessBackend::GrabForm(Form& form) {
  Bitmap bmp(form.clientWidth(), form.clientHeight(), form.color());
  for (const auto& c : form.controls()) {
    if (!c->VisibleInForm()) continue;  // a hidden form is drawn too
    Point p = c->PositionInForm();
    Rect r{p.x - form.scrollPos().x, p.y - form.scrollPos().y, c->width(), c->height()};
    if (c->kind() == ControlKind::Image && !static_cast<Image&>(*c).picture().empty()) {
      Bitmap pic = Stretch(static_cast<Image&>(*c).picture(), r.width, r.height);
      for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) bmp.SetPixel(r.left + x, r.top + y, pic.Pixel(x, y));
    } else if (!(c->kind() == ControlKind::Label && static_cast<Label&>(*c).transparent())) {
      bmp.Fill(r, c->color());
    }
  }
  return bmp;
}

std::unique_ptr<PrinterCanvas> HeadlessBackend::BeginPrint(const std::string& title, PageOrientation orientation) {
  const bool landscape = orientation == PageOrientation::Landscape;
  jobs_.push_back(PrintJob{title, currentPrinter_, {}, 1, false, false, landscape});
  PrintJob& job = jobs_.back();
  Log("print " + Quote(title) + " on " + currentPrinter_ + (landscape ? " landscape" : ""));
  return std::make_unique<RecordingPrinter>(job, [this](const std::string& line) { Log(line); });
}

}  // namespace ui::headless
