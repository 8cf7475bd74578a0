// The program's windows, created once each at start in a fixed order with the main
// window first, and kept until the program ends. A class whose window is not built
// yet has a stand-in (TfNotBuilt) in its place; the dialogs that already exist are
// taken through their single instances, never made twice.
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace app {

class TForm1;

inline constexpr int kWindowCount = 110;

struct WindowRow {
  const char* className;
  const char* instance;
};
// Creation order (class, instance variable).
extern const std::array<WindowRow, kWindowCount> kWindowTable;

// The stand-in for a window not built yet: an empty form named by its instance,
// captioned with its class; opening it shows the "not implemented" notice.
class TfNotBuilt : public ui::Form {
 public:
  TfNotBuilt(std::string className, std::string instance);
  const std::string& className() const { return className_; }
  void Open();

 private:
  std::string className_;
};

class WindowTable {
 public:
  WindowTable();
  ~WindowTable();
  WindowTable(const WindowTable&) = delete;
  WindowTable& operator=(const WindowTable&) = delete;

  // Creates every window in table order; args go to the main window.
  void CreateAll(std::vector<std::string> args = {});
  // The main window (after CreateAll).
  TForm1& Main() const;
  // The instance of row n (1-based), nullptr before it was created.
  ui::Form* At(int n) const;
  // The first instance of a class, nullptr when there is none.
  ui::Form* Find(const std::string& className) const;
  // Class names in the order they were created.
  const std::vector<std::string>& created() const { return created_; }
  // Run after each creation with the row number (tests watch the order).
  std::function<void(int row, ui::Form& window)> onCreated;

 private:
  std::vector<std::unique_ptr<ui::Form>> owned_;
  std::array<ui::Form*, kWindowCount> windows_{};
  std::vector<std::string> created_;
};

}  // namespace app
