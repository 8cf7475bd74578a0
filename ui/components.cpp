#include "ui/components.h"

#include <stdexcept>

#include "ui/backend.h"
#include "ui/handlers.h"

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
  MenuItem* chosen = EndingQuietly() ? nullptr : CurrentBackend().Popup(*this, {screenX, screenY});
  if (!chosen || !chosen->visible || !chosen->enabled || chosen->caption == "-") return nullptr;
  if (chosen->onClick) RunHandler([&] { chosen->onClick(*chosen); });
  return chosen;
}

MenuItem& MenuBar::AddEntry(std::string name, std::string caption, std::function<void(MenuItem&)> onClick) {
  auto entry = std::make_unique<Entry>();
  entry->item.name = std::move(name);
  entry->item.caption = std::move(caption);
  entry->item.onClick = std::move(onClick);
  entries_.push_back(std::move(entry));
  return entries_.back()->item;
}

MenuItem& MenuBar::AddItem(const std::string& entry, std::string name, std::string caption,
                           std::function<void(MenuItem&)> onClick) {
  for (auto& e : entries_) {
    if (e->item.name != entry) continue;
    auto item = std::make_unique<MenuItem>();
    item->name = std::move(name);
    item->caption = std::move(caption);
    item->onClick = std::move(onClick);
    e->items.push_back(std::move(item));
    return *e->items.back();
  }
  throw std::logic_error("no menu entry " + entry);
}

MenuItem* MenuBar::Find(const std::string& nameOrCaption) const {
  for (const auto& e : entries_)
    if (e->item.name == nameOrCaption || e->item.caption == nameOrCaption) return &e->item;
  for (const auto& e : entries_)
    for (const auto& item : e->items)
      if (item->name == nameOrCaption || item->caption == nameOrCaption) return item.get();
  return nullptr;
}

bool MenuBar::Choose(MenuItem& item) {
  if (!CanChoose(item)) return false;
  if (item.onClick) RunHandler([&] { item.onClick(item); });
  return true;
}

bool MenuBar::CanChoose(const MenuItem& item) const {
  for (const auto& e : entries_) {
    const bool entry = &e->item == &item;
    bool inside = false;
    for (const auto& i : e->items) inside = inside || i.get() == &item;
    if (!entry && !inside) continue;
    if (!e->item.visible || !e->item.enabled) return false;
    if (entry && !e->items.empty()) return false;
    return item.visible && item.enabled && item.caption != "-";
  }
  return false;
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
  if (enabled_ && onTimer) RunHandler([&] { onTimer(*this); });
}

}  // namespace ui
