// Non-visual parts of a form: popup menus and timers.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/types.h"

namespace ui {

class Form;

struct MenuItem {
  std::string name;
  std::string caption;  // Windows-1250; "-" is a separator line
  bool visible = true, enabled = true, checked = false;
  int tag = 0;
  std::function<void(MenuItem& item)> onClick;
};

class PopupMenu {
 public:
  PopupMenu(Form& form, std::string name) : form_(&form), name_(std::move(name)) {}
  const std::string& name() const { return name_; }
  Form& form() const { return *form_; }

  MenuItem& AddItem(std::string name, std::string caption, std::function<void(MenuItem&)> onClick = {});
  const std::vector<std::unique_ptr<MenuItem>>& items() const { return items_; }
  MenuItem* Find(const std::string& name) const;
  MenuItem& item(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  int count() const { return static_cast<int>(items_.size()); }

  // Opens the menu at a screen position and waits until the user chooses an item or
  // dismisses it. The chosen item's onClick runs before this returns it; nullptr when
  // nothing was chosen. Only visible, enabled items can be chosen.
  MenuItem* Popup(int screenX, int screenY);

 private:
  Form* form_;
  std::string name_;
  std::vector<std::unique_ptr<MenuItem>> items_;
};

// The window's menu bar: entries in a row, each either an action of its own (no
// items) or the title of a drop-down list of items.
class MenuBar {
 public:
  explicit MenuBar(Form& form) : form_(&form) {}
  Form& form() const { return *form_; }

  struct Entry {
    MenuItem item;
    std::vector<std::unique_ptr<MenuItem>> items;
  };
  MenuItem& AddEntry(std::string name, std::string caption, std::function<void(MenuItem&)> onClick = {});
  // An item of the entry named `entry` (which must exist).
  MenuItem& AddItem(const std::string& entry, std::string name, std::string caption,
                    std::function<void(MenuItem&)> onClick = {});
  const std::vector<std::unique_ptr<Entry>>& entries() const { return entries_; }
  // An entry or item by its name or caption (Windows-1250), entries first.
  MenuItem* Find(const std::string& nameOrCaption) const;
  // What the user's choice does: onClick of a visible, enabled item that is not a
  // separator, nor the title of a list. False when it cannot be chosen.
  bool Choose(MenuItem& item);
  bool CanChoose(const MenuItem& item) const;

 private:
  Form* form_;
  std::vector<std::unique_ptr<Entry>> entries_;
};

// A timer of the layer's clock. It ticks every interval milliseconds while enabled
// (an interval below 1 counts as 1). Created disabled.
class Timer {
 public:
  Timer(Form& form, std::string name, int intervalMs);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& name() const { return name_; }
  Form& form() const { return *form_; }
  int interval() const { return interval_; }
  bool enabled() const { return enabled_; }
  // Changing the interval of a running timer starts its period anew.
  void SetInterval(int ms);
  void SetEnabled(bool on);
  void Start() { SetEnabled(true); }
  void Stop() { SetEnabled(false); }

  std::function<void(Timer& sender)> onTimer;

  // Back end side: runs onTimer.
  void Fire();
  // Bumped on every start, stop or interval change, so that a back end can drop
  // ticks scheduled before it.
  unsigned generation() const { return generation_; }

 private:
  Form* form_;
  std::string name_;
  int interval_;
  bool enabled_ = false;
  unsigned generation_ = 0;
};

}  // namespace ui
