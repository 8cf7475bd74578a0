#include "browser/choice.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "browser/hint.h"
#include "browser/winsettings.h"
#include "common/encoding.h"
#include "common/notifier.h"

namespace browser {

using namespace common::literals;

namespace {
constexpr ui::Color kPaper = 15724543;
}

ChoiceWindow::ChoiceWindow(std::string name, std::string designCaption)
    : ui::Form(std::move(name)), F2Klapka(Add<ui::Button>("F2Klapka")) {
  SetCaption(std::move(designCaption));
  SetColor(ui::colors::Olive);
  keyPreview = true;
  hint = "Enter nebo F2 = OK, Esc = nic";
  F2Klapka.SetText("F2-OK");
}

std::string ChoiceWindow::ShownText(const std::string& item) {
  if (!item.empty() && (item[0] == '*' || item[0] == '-')) return " " + item.substr(1);
  return item;
}

int ChoiceWindow::NextEnabledRow(int from, bool forward) const {
  for (int step = 1; step <= RowCount; ++step) {
    int i = forward ? from + step : from - step;
    i = ((i - 1) % RowCount + RowCount) % RowCount + 1;
    if (RowEnabled(i)) return i;
  }
  return 0;
}

void ChoiceWindow::Place(int column, int line, const std::string& leftKey, const std::string& topKey) {
  SetLeft(std::max(0, (column - 1) * WindowFont().LetterWidth));
  SetTop(std::max(0, (line - 1) * WindowFont().LetterHeight));
  ApplyStoredPosition(*this, leftKey, topKey);
  int areaWidth = 0, areaHeight = 0;
  GetWorkArea(areaWidth, areaHeight);
  SetLeft(std::min(left(), areaWidth - 100));
  SetTop(std::min(top(), areaHeight - 100));
}

bool ChoiceWindow::ItemsFit(const std::string& title, const std::vector<std::string>& items) {
  if (static_cast<int>(items.size()) <= kMaxRows) return true;
  common::BeepMessage(title + " - příliš mnoho parametrů"_cz);
  return false;
}

std::vector<std::string> ChoiceWindow::Prepare(const std::string& title, const CheckRoutine& check,
                                               const std::vector<std::string>& items, const std::string& marks) {
  std::vector<std::string> shown = items;
  for (std::size_t i = 0; i < shown.size(); ++i)
    if (i < marks.size() && marks[i] == '-' && !shown[i].empty() && shown[i][0] != '-') shown[i] = "-" + shown[i];
  SetCaption(title);
  Check = check;
  Build(shown);
  for (int i = 1; i <= RowCount; ++i) {
    const std::string& item = shown[static_cast<std::size_t>(i - 1)];
    Rows[i]->SetEnabled(item.empty() || item[0] != '-');
  }
  return shown;
}

std::string ChoiceWindow::RowText(int i) const {
  return i >= 1 && i <= RowCount ? Rows[i]->text() : std::string();
}

void ChoiceWindow::FreeRows() {
  for (auto& row : Rows) {
    if (row) Remove(*row);
    row = nullptr;
  }
  RowCount = 0;
}

void ChoiceWindow::BuildRows(const std::vector<std::string>& items, const Layout& layout) {
  FreeRows();
  RowCount = std::min(static_cast<int>(items.size()), kMaxRows);
  CurrentRow = 0;
  const WindowFontState& font = WindowFont();
  const double f = ScreenScale();
  const int cw = font.LetterWidth;
  int l1 = 0, l2 = 0;
  for (int i = 1; i <= RowCount; ++i) {
    int& l = i <= kColumn ? l1 : l2;
    l = std::max(l, static_cast<int>(items[static_cast<std::size_t>(i - 1)].size()));
  }
  const bool twoColumns = RowCount > kColumn;
  SetColor(kPaper);
  SetWidth(Px((l1 + l2 + layout.extraWidth + (twoColumns ? layout.secondColumnExtra : 0)) * cw * f));
  const int rowHeight = layout.scaledRowHeight ? Px(font.LetterHeight * f) : font.LetterHeight;
  int lastTop = 0;
  for (int i = 1; i <= RowCount; ++i) {
    const std::string& item = items[static_cast<std::size_t>(i - 1)];
    ui::Control& row = MakeRow(i);
    row.SetText(ShownText(item));
    ui::Font black = row.font();
    black.color = ui::colors::Black;
    row.SetFont(black);
    row.SetColor(kPaper);
    const int column = i <= kColumn ? i : i - kColumn;  // the second column stands beside the first
    const int top = Px((column + layout.firstTop) * font.LetterHeight * f);
    const int left = i <= kColumn ? cw : Px((l1 + layout.secondLeft) * cw * f);
    row.SetBounds(left, top, Px((static_cast<int>(item.size()) + 3) * cw * f), rowHeight);
    row.SetTabOrder(i);
    if (i <= kColumn) lastTop = top;
    Rows[i] = &row;
  }
  const double height = lastTop + 4 * font.LetterHeight * f;
  SetHeight(Px(layout.heightScaledTwice ? height * f : height));
  F2Klapka.SetBounds(cw, lastTop + rowHeight + 2, 60, rowHeight);
  F2Klapka.SetTabOrder(kMaxRows + 1);
}

bool ChoiceWindow::SharedKey(int code) {
  switch (code) {
    case ui::vk::F(9):
      ShowCalculator(0);
      return true;
    case ui::vk::F(10):
      PrintFormImage(*this);
      return true;
    case 1000 + ui::vk::F(1):
      ShowInstructions(caption() + RowText(CurrentRow));
      return true;
    case ui::vk::F(1):
      if (Check) {
        std::string text = RowText(CurrentRow);
        Check(CurrentRow, text);
      }
      return true;
    default:
      return false;
  }
}

}  // namespace browser
