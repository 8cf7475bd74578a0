// The windows that can be opened by class name: each window module adds how its
// caller opens it (set-up routine and modal show over the session's data folder),
// so the scenario driver can open every window and name them all.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// Opens the window; `args` are the words after the class name.
using WindowOpener = std::function<void(const std::vector<std::string>& args)>;

struct WindowEntry {
  std::string className;
  std::string usage;  // the arguments, e.g. "FILE LAYOUT.pol"; empty when none
  WindowOpener open;
};

class WindowRegistry {
 public:
  // A second entry of one class name replaces the first.
  void Add(std::string className, std::string usage, WindowOpener open);
  // Case-insensitive; nullptr when none.
  const WindowEntry* Find(std::string_view className) const;
  // In class-name order.
  std::vector<const WindowEntry*> All() const;

 private:
  std::map<std::string, WindowEntry> entries_;  // by lower-case name
};

// Throws std::invalid_argument naming the usage unless `args` has between `min` and
// `max` words.
void RequireArgs(const WindowEntry& entry, const std::vector<std::string>& args, std::size_t min,
                 std::size_t max);

}  // namespace ui
