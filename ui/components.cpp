#include "ui/components.h"

#include "ui/backend.h"

namespace ui {

MenuItem& PopupMenu::AddItem(std::string name, std::string caption, std::function<void(MenuItem&)> onClick) {
  auto item = std::make_unique<MenuItem>();
  item->name = std::move(name);
  item->caption = std::move(caption);
  item->onClick = std::move(onClick);
  items_.push_back(std::move(item));
  return *items_.back();
}

MenuItem* PopupMenu::Find(const std::string& name) const {
  for (const auto& item : items_)
    if (item->name == name) return item.get();
  return nullptr;
}

MenuItem* PopupMenu::Popup(int screenX, int screenY) {
  MenuItem* chosen = CurrentBackend().Popup(*this, {screenX, screenY});
  if (!chosen || !chosen->visible || !chosen->enabled || chosen->caption == "-") return nullptr;
  if (chosen->onClick) chosen->onClick(*chosen);
  return chosen;
}

Timer::Timer(Form& form, std::string name, int intervalMs)
    : form_(&form), name_(std::move(name)), interval_(intervalMs) {}

Timer::~Timer() {
  if (HasBackend()) CurrentBackend().TimerDestroyed(*this);
}

void Timer::SetInterval(int ms) {
  if (ms == interval_) return;
  interval_ = ms;
  ++generation_;
  if (enabled_ && HasBackend()) CurrentBackend().TimerChanged(*this);
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  ++generation_;
  if (HasBackend()) CurrentBackend().TimerChanged(*this);
}

void Timer::Fire() {
  if (enabled_ && onTimer) onTimer(*this);
}

}  // namespace ui
