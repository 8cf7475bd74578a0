#include "browser/buttons.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/text.h"

namespace browser {

using namespace common::literals;

std::vector<ui::Button*> CollectedButtons(const ui::Form& form) {
  std::vector<ui::Button*> buttons;
  for (const auto& c : form.controls())
    if (c->kind() == ui::ControlKind::Button && buttons.size() < kMaxMaskedButtons)
      buttons.push_back(static_cast<ui::Button*>(c.get()));
  return buttons;
}

// The key does not depend on whether the first button is disabled at the moment.
std::string ButtonMaskKey(const ui::Form& form) {
  const auto buttons = CollectedButtons(form);
  return buttons.empty() ? std::string() : buttons.front()->text();
}

void CollectButtons(ui::Form& form) {
  const auto buttons = CollectedButtons(form);
  if (buttons.empty()) return;
  const std::string mask = common::StripRightSp(common::ReadParam(kVyberPar, ButtonMaskKey(form)));
  for (std::size_t k = 0; k < mask.size() && k < buttons.size(); ++k) {
    if (mask[k] == '-') {
      buttons[k]->SetEnabled(false);
    } else {
      buttons[k]->SetEnabled(true);
      buttons[k]->SetVisible(true);
    }
  }
}

void EditDisabledButtons(ui::Form& form) {
  const auto buttons = CollectedButtons(form);
  if (buttons.empty()) return;
  const std::string key = ButtonMaskKey(form);
  const std::string mask = common::StripRightSp(common::ReadParam(kVyberPar, key));
  std::vector<std::string> items;
  for (std::size_t k = 0; k < buttons.size(); ++k) {
    std::string text = " " + buttons[k]->text();
    if (!buttons[k]->enabled() || (k < mask.size() && mask[k] == '-')) text = "*" + text;
    items.push_back(text);
  }
  const std::string title = "Označ zakázané klapky (počet:"_cz +
                            common::FormatNumberMask("###", static_cast<double>(buttons.size())) + ")";
  PresetVolbyState(title, items);
  const OptionsResult r = ShowVolby(10, 10, nullptr, title, items);
  if (!r.confirmed) return;
  std::string newMask(kMaxMaskedButtons, ' ');
  for (std::size_t k = 0; k < buttons.size(); ++k) {
    if (r.checked[k]) {
      newMask[k] = '-';
      buttons[k]->SetEnabled(false);
    } else {
      buttons[k]->SetEnabled(true);
      buttons[k]->SetVisible(true);
    }
  }
  common::WriteParam(kVyberPar, key, newMask);
}

}  // namespace browser
