// The question window: up to 60 labelled fields in two columns.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/entries.h"
#include "ui/ui.h"

namespace browser {

class TfDotazy : public ui::Form {
 public:
  static constexpr int kMaxPairs = 60;

  TfDotazy();

  ui::Button& F2Klapka;
  std::int32_t FieldCount = 0;  // fields shown
  std::uint16_t CurrentField = 0;  // pair number of the field that last had a key
  // Per pair (1-based); nullptr where a pair has no field (an empty caption).
  std::array<ui::Edit*, kMaxPairs + 1> Edits{};
  std::array<ui::Label*, kMaxPairs + 1> Labels{};
  CheckRoutine Check;
  std::int32_t FirstField = -1;  // first visible field, -1 when none

  // Builds the fields of (caption, value) pairs; the caption becomes the title.
  void Build(const std::string& title, const std::vector<std::string>& items);
  int PairCount() const { return pairCount_; }

  void FieldKeyDown(ui::Edit& edit, int& key, ui::Shift shift);
  void F2KlapkaClick();
  void F2KlapkaKeyDown(int& key, ui::Shift shift);
  void FormActivate();  // run when shown
  void FormClose();

 private:
  void Confirm();
  // The next (or previous) pair whose field is enabled, wrapping; 0 when none.
  int NextEnabled(int from, bool forward) const;
  void FreeFields();
  int pairCount_ = 0;
};

TfDotazy& fDotazy();

}  // namespace browser
