#include "ui/registry.h"

#include <cctype>
#include <stdexcept>

namespace ui {

namespace {
std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}
}  // namespace

void WindowRegistry::Add(std::string className, std::string usage, WindowOpener open) {
  std::string key = Lower(className);
  entries_[key] = WindowEntry{std::move(className), std::move(usage), std::move(open)};
}

const WindowEntry* WindowRegistry::Find(std::string_view className) const {
  auto it = entries_.find(Lower(className));
  return it == entries_.end() ? nullptr : &it->second;
}

std::vector<const WindowEntry*> WindowRegistry::All() const {
  std::vector<const WindowEntry*> all;
  for (const auto& [key, entry] : entries_) all.push_back(&entry);
  return all;
}

void RequireArgs(const WindowEntry& entry, const std::vector<std::string>& args, std::size_t min,
                 std::size_t max) {
  if (args.size() < min || args.size() > max)
    throw std::invalid_argument("usage: open " + entry.className + (entry.usage.empty() ? "" : " " + entry.usage));
}

}  // namespace ui
