// What the small dialogs share: the answer list that callers read right after a
// question or choice, the chosen item, the calculator's result, the settings keys
// and remembered positions of the dialog windows, and their single instances.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ui {
class Form;
}

namespace browser {

inline constexpr int kAnswerCount = 60;
inline constexpr const char* kOkna2Par = "par\\okna2.par";
inline constexpr const char* kDotazPar = "par\\dotaz.par";
inline constexpr const char* kVyberPar = "par\\VYBER.PAR";
inline constexpr const char* kVyberIdx = "par\\VYBER.IDX";
inline constexpr const char* kVolbyPar = "par\\VOLBY.PAR";

struct DialogState {
  // answers[1..60]; [0] is not used.
  std::array<std::string, kAnswerCount + 1> answers;
  // 1 when the last question window was confirmed (its answers are filled after Esc too).
  std::uint8_t confirmed = 0;
  // The item chosen in the last single choice, 0 = none.
  std::int32_t chosen = 0;
  // The calculator's confirmed display with every blank removed.
  std::string CalcResult;
};

DialogState& DialogResults();
// Answer i of the answer list (1..60); RangeError outside.
std::string& Answer(int i);
void ClearAnswers();

// A dialog window's settings key: the first 15 characters of its caption.
std::string DialogKey(std::string_view caption);
// The number stored under key in "par\okna2.par" (0 when absent or not a number).
int StoredInt(const std::string& key);
void StoreInt(const std::string& key, std::string_view mask, double value);
// Moves the form to the stored left and top, each only when above 0.
void ApplyStoredPosition(ui::Form& form, const std::string& leftKey, const std::string& topKey);
void StorePosition(const ui::Form& form, const std::string& leftKey, const std::string& topKey,
                   std::string_view mask);
// Pixels of a generated layout: rounded half to even.
int Px(double value);

// The print dialog, then the form's picture on the chosen printer.
void PrintFormImage(ui::Form& form);

// The folder of the instruction files, "\NAVODY\" of the program folder.
std::string InstructionsFolder();

// Each dialog window exists once for the whole run, created on first use.
void RegisterWindowReset(std::function<void()> reset);
// Destroys every dialog window (tests; the program's end).
void DestroyDialogWindows();

template <class T>
T& SingleWindow() {
  static std::unique_ptr<T> window;
  if (!window) {
    window = std::make_unique<T>();
    RegisterWindowReset([] { window.reset(); });
  }
  return *window;
}

}  // namespace browser
