#include "ui/form.h"
#include "ui/overlap.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "ui/backend.h"
#include "ui/handlers.h"

namespace ui {

namespace {

struct Registry {
  std::vector<Form*> modal;  // outermost first
  std::vector<Form*> shown;  // in showing order
  Form* lastActive = nullptr;
};

Registry& Reg() {
  static Registry r;
  return r;
}

void Erase(std::vector<Form*>& v, Form* f) { v.erase(std::remove(v.begin(), v.end(), f), v.end()); }

bool Contains(const std::vector<Form*>& v, const Form* f) { return std::find(v.begin(), v.end(), f) != v.end(); }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

Form* ActiveForm() {
  auto& r = Reg();
  if (r.lastActive && Contains(r.shown, r.lastActive)) return r.lastActive;
  if (!r.modal.empty()) return r.modal.back();
  return r.shown.empty() ? nullptr : r.shown.back();
}

const std::vector<Form*>& ModalForms() { return Reg().modal; }
const std::vector<Form*>& ShownForms() { return Reg().shown; }

Form::Form(std::string name) : Control(ControlKind::Form, this, std::move(name), nullptr) {
  Control::visible_ = false;
  Control::parentFont_ = false;
  Control::bounds_ = {0, 0, 400, 300};
}

Form::~Form() {
  auto& r = Reg();
  Erase(r.modal, this);
  Erase(r.shown, this);
  if (r.lastActive == this) r.lastActive = nullptr;
  if (HasBackend()) CurrentBackend().FormDestroyed(*this);
  peer_.reset();
  timers_.clear();
  menus_.clear();
  activeControl_ = nullptr;
  controls_.clear();
}

// ---------------------------------------------------------------- contents

void Form::Adopt(std::unique_ptr<Control> c) {
  c->tabOrder_ = nextTabOrder_++;
  controls_.push_back(std::move(c));
  MarkChanged();
}

void Form::Remove(Control& control) {
  if (&control == this) throw std::invalid_argument("a form cannot remove itself");
  if (&control.form() != this) throw std::invalid_argument(control.name() + " is not on form " + name());
  RemoveTree(&control);
  MarkChanged();
}

void Form::RemoveTree(Control* c) {
  for (Control* child : ChildrenOf(c)) RemoveTree(child);
  if (activeControl_ == c) activeControl_ = nullptr;
  if (HasBackend()) CurrentBackend().ControlRemoved(*this, *c);
  auto at = std::find_if(controls_.begin(), controls_.end(), [c](const auto& p) { return p.get() == c; });
  if (at != controls_.end()) controls_.erase(at);
}

Timer& Form::AddTimer(std::string name, int intervalMs) {
  timers_.push_back(std::make_unique<Timer>(*this, std::move(name), intervalMs));
  return *timers_.back();
}

void Form::RemoveTimer(Timer& timer) {
  auto at = std::find_if(timers_.begin(), timers_.end(), [&](const auto& t) { return t.get() == &timer; });
  if (at != timers_.end()) timers_.erase(at);
}

PopupMenu& Form::AddPopupMenu(std::string name) {
  menus_.push_back(std::make_unique<PopupMenu>(*this, std::move(name)));
  return *menus_.back();
}

MenuBar& Form::AddMenuBar() {
  if (!menuBar_) menuBar_ = std::make_unique<MenuBar>(*this);
  return *menuBar_;
}

Control* Form::Find(std::string_view name) const {
  for (const auto& c : controls_)
    if (SameName(c->name(), name)) return c.get();
  return nullptr;
}

Timer* Form::FindTimer(std::string_view name) const {
  for (const auto& t : timers_)
    if (SameName(t->name(), name)) return t.get();
  return nullptr;
}

PopupMenu* Form::FindPopupMenu(std::string_view name) const {
  for (const auto& m : menus_)
    if (SameName(m->name(), name)) return m.get();
  return nullptr;
}

std::vector<Control*> Form::ChildrenOf(const Control* parent) const {
  std::vector<Control*> out;
  for (const auto& c : controls_)
    if (c->parent() == parent) out.push_back(c.get());
  return out;
}

// ---------------------------------------------------------------- properties

void Form::SetBorderStyle(BorderStyle s) {
  if (borderStyle_ == s) return;
  borderStyle_ = s;
  Changed(dirty::Style);
  AlignControls();
}

void Form::SetTopmost(bool v) {
  if (topmost_ == v) return;
  topmost_ = v;
  Changed(dirty::Style);
}

void Form::SetAutoScroll(bool v) {
  if (autoScroll_ == v) return;
  autoScroll_ = v;
  if (!v) scroll_ = {};
  Changed(dirty::Scroll);
}

void Form::ScrollTo(int x, int y) {
  Point p{std::max(x, 0), std::max(y, 0)};
  if (p == scroll_) return;
  scroll_ = p;
  Changed(dirty::Scroll);
}

int Form::clientWidth() const { return std::max(0, width() - (borderStyle_ == BorderStyle::None ? 0 : kFrameWidth)); }

int Form::clientHeight() const {
  return std::max(0, height() - (borderStyle_ == BorderStyle::None ? 0 : kFrameHeight));
}

void Form::SetClientSize(int w, int h) {
  bool frame = borderStyle_ != BorderStyle::None;
  SetBounds(left(), top(), w + (frame ? kFrameWidth : 0), h + (frame ? kFrameHeight : 0));
}

void Form::AlignControls() {
  int bottom = clientHeight();
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    Control& c = **it;
    if (!c.alignBottom() || !c.visible()) continue;
    bottom -= c.height();
    c.SetBounds(0, bottom, clientWidth(), c.height());
  }
}

int Form::BottomAlignedHeight() const {
  int h = 0;
  for (const auto& c : controls_)
    if (c->alignBottom() && c->visible()) h += c->height();
  return std::min(h, clientHeight());
}

Point Form::ContentExtent() const {
  Point p;
  for (const auto& c : controls_)
    if (c->parent() == nullptr && c->visible() && !c->alignBottom()) {
      p.x = std::max(p.x, c->left() + c->width());
      p.y = std::max(p.y, c->top() + c->height());
    }
  return p;
}

void Form::SetBounds(int left, int top, int width, int height) {
  bool resized = width != this->width() || height != this->height();
  Control::SetBounds(left, top, width, height);
  if (resized) AlignControls();
  if (resized && onResize) onResize(*this);
}

void Form::MarkChanged() {
  if (changePending_) return;
  changePending_ = true;
  if (HasBackend()) CurrentBackend().FormChanged(*this);
}

// ---------------------------------------------------------------- showing

void Form::MakeActive() {
  auto& r = Reg();
  Form* previous = r.lastActive;
  if (previous == this) return;
  r.lastActive = this;
  if (previous && previous->visible() && previous->onDeactivate) previous->onDeactivate(*previous);
  if (onActivate) onActivate(*this);
}

void Form::FocusInitial() {
  if (!visible()) return;
  if (activeControl_ && activeControl_->CanFocus()) {
    Control* c = activeControl_;
    Changed(dirty::Selection);
    if ((c->kind() == ControlKind::Edit || c->kind() == ControlKind::SpinEdit) && static_cast<Edit*>(c)->autoSelect) static_cast<Edit*>(c)->SelectAll();
    if (c->onEnter) c->onEnter(*c);
    return;
  }
  activeControl_ = nullptr;
  if (Control* c = NextTabControl(nullptr)) FocusControl(c);
}

int Form::ShowModal() {
  Backend& backend = CurrentBackend();
  if (EndingQuietly()) {
    modalResult_ = mr::Cancel;
    return modalResult_;
  }
  if (modal_) throw std::logic_error("form " + name() + " is already shown modally");
  if (visible()) throw std::logic_error("form " + name() + " is already shown");
  auto& r = Reg();
  Form* previous = ActiveForm();
  modal_ = true;
  modalDone_ = false;
  closing_ = false;
  modalResult_ = mr::None;
  Control::visible_ = true;
  Changed(dirty::State);
  r.modal.push_back(this);
  r.shown.push_back(this);

  struct Finish {
    Form* form;
    Form* previous;
    Backend& backend;
    ~Finish() {
      auto& r = Reg();
      Erase(r.modal, form);
      Erase(r.shown, form);
      form->Control::visible_ = false;
      form->Changed(dirty::State);
      backend.FormHidden(*form);
      form->modal_ = false;
      if (r.lastActive == form) r.lastActive = nullptr;
      if (form->onHide) form->onHide(*form);
      if (previous && previous != form && previous->visible()) previous->MakeActive();
    }
  } finish{this, previous, backend};

  if (onShow) onShow(*this);
  if (!modalDone_) MakeActive();
  if (!modalDone_) FocusInitial();
  if (!modalDone_) backend.RunModal(*this);
  int result = modalResult_;
  return result;
}

void Form::SetVisible(bool v) {
  if (v == visible()) {
    if (v) BringToFront();
    return;
  }
  auto& r = Reg();
  if (v) {
    if (EndingQuietly()) return;
    Control::visible_ = true;
    Changed(dirty::State);
    r.shown.push_back(this);
    if (onShow) onShow(*this);
    if (!visible()) return;
    CurrentBackend().FormShown(*this);
    MakeActive();
    FocusInitial();
    return;
  }
  if (modal_) {  // hiding a modal form ends its run
    if (!modalDone_) {
      if (modalResult_ == mr::None) modalResult_ = mr::Cancel;
      modalDone_ = true;
      CurrentBackend().ModalEnded(*this);
    }
    return;
  }
  Control::visible_ = false;
  Changed(dirty::State);
  Erase(r.shown, this);
  if (HasBackend()) CurrentBackend().FormHidden(*this);
  if (onHide) onHide(*this);
  if (r.lastActive == this) {
    r.lastActive = nullptr;
    if (Form* next = ActiveForm()) next->MakeActive();
  }
}

void Form::BringToFront() {
  if (!visible()) return;
  auto& r = Reg();
  Erase(r.shown, this);
  r.shown.push_back(this);
  Changed(dirty::Style);
  MakeActive();
}

bool Form::active() const { return ActiveForm() == this; }

bool Form::RunCloseHandlers() {
  if (onCloseQuery) {
    bool canClose = true;
    onCloseQuery(*this, canClose);
    if (!canClose) return false;
  }
  CloseAction action = CloseAction::Hide;
  closing_ = true;
  try {
    if (onClose) onClose(*this, action);
  } catch (...) {
    closing_ = false;
    throw;
  }
  closing_ = false;
  return action != CloseAction::None;
}

void Form::Close() {
  if (!visible() || closing_ || (modal_ && modalDone_)) return;
  if (RunCloseHandlers()) FinishClose();
}

void Form::FinishClose() {
  if (modal_) {
    if (modalResult_ == mr::None) modalResult_ = mr::Cancel;
    modalDone_ = true;
    CurrentBackend().ModalEnded(*this);
  } else {
    SetVisible(false);
  }
}

void Form::SetModalResult(int result) {
  if (!modal_ || modalDone_ || result == mr::None) {
    if (!modalDone_) modalResult_ = result;
    return;
  }
  modalResult_ = result;
  if (closing_) return;  // set from onClose: Close finishes
  if (RunCloseHandlers()) FinishClose();
  else modalResult_ = mr::None;
}

// ---------------------------------------------------------------- focus

Control* Form::NextTabControl(Control* from, bool forward) const {
  std::vector<Control*> order;
  for (const auto& c : controls_)
    if (c->Focusable() && c->tabStop && c->IsEnabled() && c->VisibleInForm()) order.push_back(c.get());
  if (order.empty()) return nullptr;
  std::stable_sort(order.begin(), order.end(), [](Control* a, Control* b) { return a->tabOrder() < b->tabOrder(); });
  auto at = std::find(order.begin(), order.end(), from);
  if (at == order.end()) return forward ? order.front() : order.back();
  auto index = at - order.begin();
  auto n = static_cast<long>(order.size());
  return order[static_cast<std::size_t>(((forward ? index + 1 : index - 1) % n + n) % n)];
}

void Form::FocusControl(Control* c) {
  if (c && &c->form() != this) throw std::invalid_argument(c->name() + " is not on form " + name());
  if (c == this) c = nullptr;
  ++focusSerial_;
  if (c == activeControl_) {
    Changed(dirty::Selection);
    return;
  }
  Control* old = activeControl_;
  if (visible() && old && old != exiting_) {
    unsigned serial = focusSerial_;
    auto alive = old->AliveToken();
    if (old->onExit) {
      Control* outer = exiting_;
      exiting_ = old;
      try {
        old->onExit(*old);
      } catch (...) {
        exiting_ = outer;
        throw;
      }
      exiting_ = outer;
    }
    if (serial != focusSerial_) return;  // the handler moved the focus itself
    if (c && !c->AliveToken().lock()) return;
    (void)alive;
  }
  activeControl_ = c;
  Changed(dirty::Selection);
  if (!visible() || !c) return;
  if ((c->kind() == ControlKind::Edit || c->kind() == ControlKind::SpinEdit) && static_cast<Edit*>(c)->autoSelect) static_cast<Edit*>(c)->SelectAll();
  if (c->onEnter) c->onEnter(*c);
}

void Form::UserFocus(Control* c) {
  if (c == this) c = nullptr;
  if (c == activeControl_) return;
  RunHandler([&] { FocusControl(c); });
}

// ---------------------------------------------------------------- dispatch

namespace {
// Key events: the form first when it previews keys (or is the target itself), then
// the target, unless a handler swallowed the key or removed the target. A handler
// that throws has taken the key (ui/handlers.h).
template <class Handler, class Value, class... Args>
bool RouteKey(Form& form, Control& target, Handler Control::*handler, Value& value, Args... args) {
  auto alive = target.AliveToken();
  auto call = [&](Control& c) {
    if (const auto& h = c.*handler)
      if (!RunHandler([&] { h(c, value, args...); })) value = 0;
  };
  if (&target == &form || form.keyPreview) {
    call(form);
    if (value == 0 || &target == &form) return value != 0;
  }
  if (alive.expired()) return false;
  call(target);
  return value != 0 && !alive.expired();
}
}  // namespace

bool Form::DispatchKeyDown(Control& target, int& key, Shift shift) {
  return RouteKey(*this, target, &Control::onKeyDown, key, shift);
}

bool Form::DispatchKeyPress(Control& target, char& ch) { return RouteKey(*this, target, &Control::onKeyPress, ch); }

bool Form::DispatchKeyUp(Control& target, int& key, Shift shift) {
  return RouteKey(*this, target, &Control::onKeyUp, key, shift);
}

void Form::DispatchMouseDown(Control& target, MouseButton b, Shift shift, int x, int y) {
  if (target.onMouseDown) RunHandler([&] { target.onMouseDown(target, b, shift, x, y); });
}

void Form::DispatchMouseUp(Control& target, MouseButton b, Shift shift, int x, int y) {
  auto alive = target.AliveToken();
  if (target.onMouseUp && !RunHandler([&] { target.onMouseUp(target, b, shift, x, y); })) return;
  if (b == MouseButton::Right && !alive.expired() && target.popupMenu) {
    Point p = target.ClientToScreen({x, y});
    target.popupMenu->Popup(p.x, p.y);
  }
}

void Form::DispatchMouseMove(Control& target, Shift shift, int x, int y) {
  if (target.onMouseMove) RunHandler([&] { target.onMouseMove(target, shift, x, y); });
}

void Form::DispatchClick(Control& target) {
  if (target.onClick) RunHandler([&] { target.onClick(target); });
}

void Form::DispatchDblClick(Control& target) {
  if (target.onDblClick) RunHandler([&] { target.onDblClick(target); });
}

void Form::DispatchMouseEnter(Control& target) {
  if (target.onMouseEnter) RunHandler([&] { target.onMouseEnter(target); });
}

void Form::DispatchMouseLeave(Control& target) {
  if (target.onMouseLeave) RunHandler([&] { target.onMouseLeave(target); });
}

void Form::UserSetGeometry(const Rect& outer) {
  bool resized = outer.width != width() || outer.height != height();
  UserSetBounds(outer);
  if (resized) AlignControls();
  if (resized && onResize) RunHandler([&] { onResize(*this); });
}

void Form::UserClose() {
  RunHandler([&] { Close(); });
}

void Form::UserScroll(int x, int y) { scroll_ = {std::max(x, 0), std::max(y, 0)}; }

void Form::UserActivate() {
  if (visible()) RunHandler([&] { MakeActive(); });
}

std::vector<std::pair<const Control*, const Control*>> OverlappingControls(const Form& form) {
  std::vector<std::pair<const Control*, const Control*>> out;
  const auto& all = form.controls();
  const auto takesPlace = [](const Control& c) { return c.VisibleInForm() && c.width() > 0 && c.height() > 0; };
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Control& a = *all[i];
    if (!takesPlace(a)) continue;
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      const Control& b = *all[j];
      if (b.parent() != a.parent() || !takesPlace(b)) continue;
      const Rect &p = a.bounds(), &q = b.bounds();
      if (p.left < q.right() && q.left < p.right() && p.top < q.bottom() && q.top < p.bottom()) out.emplace_back(&a, &b);
    }
  }
  return out;
}

}  // namespace ui
