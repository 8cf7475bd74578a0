#include "browser/dialogs.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "common/dirs.h"
#include "common/errors.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"
#include "ui/backend.h"
#include "ui/form.h"
#include "ui/handlers.h"

namespace browser {

namespace {
std::vector<std::function<void()>>& Resets() {
  static std::vector<std::function<void()>> resets;
  return resets;
}
}  // namespace

DialogState& DialogResults() {
  static DialogState state;
  return state;
}

std::string& Answer(int i) {
  if (i < 1 || i > kAnswerCount) throw common::RangeError("answer " + std::to_string(i) + " outside 1..60");
  return DialogResults().answers[static_cast<std::size_t>(i)];
}

void ClearAnswers() {
  for (auto& a : DialogResults().answers) a.clear();
}

std::string DialogKey(std::string_view caption) { return common::Copy(caption, 1, 15); }

int StoredInt(const std::string& key) { return common::TextToInt(common::ReadParam(kOkna2Par, key)); }

void StoreInt(const std::string& key, std::string_view mask, double value) {
  common::WriteParam(kOkna2Par, key, common::FormatNumberMask(mask, value));
}

void ApplyStoredPosition(ui::Form& form, const std::string& leftKey, const std::string& topKey) {
  const int left = StoredInt(leftKey);
  const int top = StoredInt(topKey);
  if (left > 0) form.SetLeft(left);
  if (top > 0) form.SetTop(top);
}

void StorePosition(const ui::Form& form, const std::string& leftKey, const std::string& topKey,
                   std::string_view mask) {
  StoreInt(leftKey, mask, form.left());
  StoreInt(topKey, mask, form.top());
}

int Px(double value) { return static_cast<int>(std::nearbyint(value)); }

void PrintFormImage(ui::Form& form) {
  if (!ui::ChoosePrinter(form.caption())) return;
  const ui::Bitmap picture = ui::GrabForm(form);
  if (picture.empty()) return;
  try {
    auto canvas = ui::BeginPrint(form.caption());
    const double scale = static_cast<double>(canvas->DpiX()) / std::max(1, ui::PixelsPerInch());
    canvas->StretchDraw({0, 0, Px(picture.width * scale), Px(picture.height * scale)}, picture);
    canvas->EndDoc();
  } catch (const ui::DriverError&) {
    throw;
  } catch (const std::runtime_error& e) {
    ui::ShowMessage(e.what());
  }
}

std::string InstructionsFolder() { return common::ProgDir("\\NAVODY\\"); }

void RegisterWindowReset(std::function<void()> reset) { Resets().push_back(std::move(reset)); }

void DestroyDialogWindows() {
  auto resets = std::move(Resets());
  Resets().clear();
  for (auto it = resets.rbegin(); it != resets.rend(); ++it) (*it)();
}

}  // namespace browser
