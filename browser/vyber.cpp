#include "browser/vyber.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"

namespace browser {

using namespace common::literals;

namespace {
std::string LeftKey(const std::string& caption) { return DialogKey(caption) + " VyberLeft"; }
std::string TopKey(const std::string& caption) { return DialogKey(caption) + " VyberTop"; }
std::string IndexKey(const std::string& caption) { return DialogKey(caption) + " VyberIndex"; }

}  // namespace

TfVyber& fVyber() { return SingleWindow<TfVyber>(); }

TfVyber::TfVyber() : ChoiceWindow("fVyber", "fVyber") {
  onShow = [this](ui::Form&) { FormShow(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  onKeyPress = [this](ui::Control&, char& ch) { FormKeyPress(ch); };
  onMouseDown = [this](ui::Control&, ui::MouseButton b, ui::Shift shift, int, int) { FormMouseDown(b, shift); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  F2Klapka.onClick = [this](ui::Control&) { F2KlapkaClick(); };
}

ui::Control& TfVyber::MakeRow(int i) {
  auto& row = Add<ui::RadioButton>("Row" + std::to_string(i));
  row.tag = i;
  row.onDblClick = [this](ui::Control& c) { DblClick(c.tag); };
  return row;
}

void TfVyber::Build(const std::vector<std::string>& shownItems) {
  BuildRows(shownItems, Layout{7, 5, 0, 5, false, false});
}

int TfVyber::CurrentFromChecks() const {
  int current = 0;
  for (int i = 1; i <= RowCount; ++i)
    if (Row(i).checked() && RowEnabled(i)) current = i;
  return current ? current : NextEnabledRow(RowCount, true);
}

void TfVyber::FormShow() {
  DialogResults().chosen = 0;
  CurrentRow = static_cast<std::uint16_t>(CurrentFromChecks());
  // Shown checked as every key checks it: the row F2 and Enter choose.
  if (RowEnabled(CurrentRow)) {
    FocusControl(Rows[CurrentRow]);
    Row(CurrentRow).SetChecked(true);
  }
}

void TfVyber::Choose(int row) {
  DialogResults().chosen = row;
  SetModalResult(row ? ui::mr::Ok : ui::mr::Cancel);
}

void TfVyber::FormKeyDown(int& key, ui::Shift shift) {
  const int code = ui::KeyCode(key, shift);
  DialogResults().chosen = 0;
  CurrentRow = static_cast<std::uint16_t>(CurrentFromChecks());
  if (RowEnabled(CurrentRow)) {
    FocusControl(Rows[CurrentRow]);
    Row(CurrentRow).SetChecked(true);
  }
  if (code == ui::vk::F(1)) {
    SharedKey(code);
    return;
  }
  switch (code) {
    case ui::vk::Esc:
      SetModalResult(ui::mr::Cancel);
      break;
    case ui::vk::F(2):
    case ui::vk::Enter:
      Choose(CurrentRow);
      break;
    case ui::vk::Down:
    case ui::vk::Up:
      if (const int next = NextEnabledRow(CurrentRow, code == ui::vk::Down)) {
        CurrentRow = static_cast<std::uint16_t>(next);
        FocusControl(Rows[next]);
        Row(next).SetChecked(true);
      }
      break;
    default:
      SharedKey(code);
      break;
  }
  key = 0;
}

// Typed characters choose nothing.
void TfVyber::FormKeyPress(char& ch) { ch = 0; }

void TfVyber::F2KlapkaClick() {
  DialogResults().chosen = 0;
  Choose(CurrentFromChecks());
}

void TfVyber::DblClick(int row) {
  if (!RowEnabled(row)) return;
  Row(row).SetChecked(true);
  CurrentRow = static_cast<std::uint16_t>(row);
  Choose(row);
}

void TfVyber::FormMouseDown(ui::MouseButton button, ui::Shift shift) {
  if (button == ui::MouseButton::Right && ui::Has(shift, ui::Shift::Ctrl)) MarkForbiddenRows();
}

void TfVyber::MarkForbiddenRows() {
  if (RowCount == 0) return;
  std::vector<std::string> items;
  for (int i = 1; i <= RowCount; ++i) items.push_back((RowEnabled(i) ? " " : "*") + Rows[i]->text());
  const std::string title = "Označ zakázané klapky"_cz;
  PresetVolbyState(title, items);
  const OptionsResult r = ShowVolby(10, 10, nullptr, title, items);
  if (!r.confirmed) return;
  std::string marks(std::max(kStoredMarks, static_cast<std::size_t>(RowCount)), ' ');
  for (int i = 1; i <= RowCount; ++i)
    if (r.checked[static_cast<std::size_t>(i - 1)]) marks[static_cast<std::size_t>(i - 1)] = '-';
  common::WriteParam(kVyberPar, caption(), marks);
  Marks = marks;
  for (int i = 1; i <= RowCount; ++i) Rows[i]->SetEnabled(marks[static_cast<std::size_t>(i - 1)] != '-');
}

void TfVyber::FormClose() {
  StorePosition(*this, LeftKey(caption()), TopKey(caption()), "@@@@@@");
  StoreInt(IndexKey(caption()), "@@@@@@-", DialogResults().chosen);
}

ChoiceResult ShowVyber(int column, int line, const CheckRoutine& check, const std::string& title,
                       const std::vector<std::string>& items) {
  ChoiceResult result;
  result.code = "  ";
  DialogResults().chosen = 0;
  if (!ChoiceWindow::ItemsFit(title, items)) return result;
  TfVyber& v = fVyber();
  v.Marks = common::ReadParam(kVyberPar, title);
  v.Prepare(title, check, items, v.Marks);
  v.Place(column, line, LeftKey(title), TopKey(title));
  const int previous = common::TextToInt(common::ReadParam(kVyberIdx, IndexKey(title)));
  if (v.RowEnabled(previous)) v.Row(previous).SetChecked(true);
  v.ShowModal();
  v.Check = nullptr;

  result.chosen = DialogResults().chosen;
  if (result.chosen > 0) {
    common::WriteParam(kVyberIdx, IndexKey(title), common::FormatNumberMask("####", result.chosen));
    result.code = common::Copy(items[static_cast<std::size_t>(result.chosen - 1)], 2, 2);
  }
  Answer(1) = result.code;
  return result;
}

}  // namespace browser
