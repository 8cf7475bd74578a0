#include "browser/volby.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "common/params.h"

namespace browser {

namespace {
std::string LeftKey(const std::string& caption) { return DialogKey(caption) + " VolbyLeft"; }
std::string TopKey(const std::string& caption) { return DialogKey(caption) + " VolbyTop"; }
}  // namespace

TfVolby& fVolby() { return SingleWindow<TfVolby>(); }

TfVolby::TfVolby() : ChoiceWindow("fVolby", "fVolby") {
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  onKeyPress = [this](ui::Control&, char& ch) { FormKeyPress(ch); };
  onMouseDown = [this](ui::Control&, ui::MouseButton b, ui::Shift shift, int, int) { FormMouseDown(b, shift); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  F2Klapka.onClick = [this](ui::Control&) { F2KlapkaClick(); };
}

ui::Control& TfVolby::MakeRow(int i) {
  auto& row = Add<ui::CheckBox>("Row" + std::to_string(i));
  row.tag = i;
  return row;
}

void TfVolby::Build(const std::vector<std::string>& shownItems) {
  BuildRows(shownItems, Layout{12, 0, 1, 6, true, true});
}

int TfVolby::FocusedRow() const {
  const ui::Control* c = activeControl();
  return c && c->kind() == ui::ControlKind::CheckBox ? c->tag : 0;
}

void TfVolby::FormKeyDown(int& key, ui::Shift shift) {
  const int code = ui::KeyCode(key, shift);
  if (code == ui::vk::F(1)) {
    SharedKey(code);
    return;
  }
  switch (code) {
    case ui::vk::Esc:
      Confirmed = false;
      SetModalResult(ui::mr::Cancel);
      break;
    case ui::vk::F(2):
      SetModalResult(ui::mr::Ok);
      break;
    case ui::vk::Enter:
      if (const int row = FocusedRow(); row && Row(row).IsEnabled()) Row(row).UserToggle();
      break;
    case ui::vk::Tab:
    case 2000 + ui::vk::Tab:
      return;  // moves between the boxes as in any dialog
    case ui::vk::Down:
    case ui::vk::Right:
    case ui::vk::Up:
    case ui::vk::Left:
      if (const int next = NextEnabledRow(FocusedRow(), code == ui::vk::Down || code == ui::vk::Right)) {
        CurrentRow = static_cast<std::uint16_t>(next);
        FocusControl(Rows[next]);
      }
      break;
    case 1000 + ui::vk::F(1):
      CurrentRow = static_cast<std::uint16_t>(FocusedRow());
      SharedKey(code);
      break;
    default:
      SharedKey(code);
      break;
  }
  key = 0;
}

void TfVolby::FormKeyPress(char& ch) { ch = 0; }

void TfVolby::F2KlapkaClick() { SetModalResult(ui::mr::Ok); }

void TfVolby::FormMouseDown(ui::MouseButton button, ui::Shift shift) {
  if (button != ui::MouseButton::Right || !ui::Has(shift, ui::Shift::Ctrl)) return;
  for (int i = 1; i <= RowCount; ++i) Rows[i]->SetEnabled(true);
}

void TfVolby::FormClose() { StorePosition(*this, LeftKey(caption()), TopKey(caption()), "@@@@@@"); }

void PresetVolbyState(const std::string& title, const std::vector<std::string>& items) {
  std::string state(std::max(ChoiceWindow::kStoredMarks, items.size()), ' ');
  for (std::size_t i = 0; i < items.size(); ++i)
    if (!items[i].empty() && items[i][0] == '*') state[i] = '*';
  common::WriteParam(kVolbyPar, title, state);
}

OptionsResult ShowVolby(int column, int line, const CheckRoutine& check, const std::string& title,
                        const std::vector<std::string>& items) {
  OptionsResult result;
  if (!ChoiceWindow::ItemsFit(title, items)) return result;
  TfVolby& v = fVolby();
  std::string state = common::ReadParam(kVolbyPar, title);
  v.OptionMarks = state;
  const std::vector<std::string> shown = v.Prepare(title, check, items, state);
  for (int i = 1; i <= v.RowCount; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - 1);
    v.Row(i).SetChecked((!shown[k].empty() && shown[k][0] == '*') || (k < state.size() && state[k] == '*'));
  }
  v.Place(column, line, LeftKey(title), TopKey(title));
  v.Confirmed = true;
  v.ShowModal();
  v.Check = nullptr;

  result.confirmed = v.Confirmed;
  ClearAnswers();
  if (state.size() < std::max(ChoiceWindow::kStoredMarks, items.size())) state.resize(std::max(ChoiceWindow::kStoredMarks, items.size()), ' ');
  for (int i = 1; i <= v.RowCount; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - 1);
    const bool ticked = v.Row(i).checked();
    result.checked.push_back(ticked);
    if (ticked) Answer(i) = "A";
    if (state[k] != '-') state[k] = ticked ? '*' : ' ';
  }
  // A cancelled choice changes nothing that is remembered.
  if (result.confirmed) common::WriteParam(kVolbyPar, title, state);
  return result;
}

}  // namespace browser
