#include "browser/dotazy.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "browser/hint.h"
#include "browser/kalk.h"
#include "browser/winsettings.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/text.h"

namespace browser {

using namespace common::literals;

namespace {
constexpr int kCharWidth = 6;  // the question window's fixed character width
constexpr ui::Color kPaper = 15724543;
constexpr int kColumn = 30;
}  // namespace

TfDotazy& fDotazy() { return SingleWindow<TfDotazy>(); }

TfDotazy::TfDotazy() : ui::Form("fDotazy"), F2Klapka(Add<ui::Button>("F2Klapka")) {
  SetCaption("fDotazy");
  SetColor(ui::colors::Olive);
  hint = "Šipky nahoru, dolu, Ukonči F2 nebo Esc"_cz;
  F2Klapka.SetText("F2-OK");
  F2Klapka.SetBounds(0, 0, 60, 18);
  F2Klapka.onClick = [this](ui::Control&) { F2KlapkaClick(); };
  F2Klapka.onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { F2KlapkaKeyDown(key, shift); };
  onShow = [this](ui::Form&) { FormActivate(); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
}

void TfDotazy::FreeFields() {
  for (int i = 1; i <= kMaxPairs; ++i) {
    if (Edits[i]) Remove(*Edits[i]);
    if (Labels[i]) Remove(*Labels[i]);
    Edits[i] = nullptr;
    Labels[i] = nullptr;
  }
  FieldCount = 0;
  pairCount_ = 0;
}

void TfDotazy::Build(const std::string& title, const std::vector<std::string>& items) {
  FreeFields();
  pairCount_ = std::min(kMaxPairs, static_cast<int>((items.size() + 1) / 2));
  auto captionOf = [&](int i) { return items[static_cast<std::size_t>(2 * i - 2)]; };
  auto valueOf = [&](int i) {
    const auto at = static_cast<std::size_t>(2 * i - 1);
    return at < items.size() ? items[at] : std::string();
  };
  int c1 = 0, v1 = 0, c2 = 0, v2 = 0;
  for (int i = 1; i <= pairCount_; ++i) {
    int& c = i <= kColumn ? c1 : c2;
    int& v = i <= kColumn ? v1 : v2;
    c = std::max(c, static_cast<int>(captionOf(i).size()));
    v = std::max(v, static_cast<int>(valueOf(i).size()));
  }
  const double f = ScreenScale();
  const int rowHeight = WindowFont().LetterHeight;
  const int w = std::max(c1 + v1 + c2 + v2 + 5, static_cast<int>(title.size()));
  SetCaption(title);
  SetColor(kPaper);
  SetWidth(Px((w + 8) * kCharWidth * f));
  SetHeight(Px(5 * rowHeight * f));

  FirstField = -1;
  const int firstColumnEditLeft = Px(c1 * kCharWidth * f);
  for (int i = 1; i <= pairCount_; ++i) {
    const std::string caption = captionOf(i);
    if (caption.empty()) continue;
    ++FieldCount;
    const std::string value = valueOf(i);
    ui::Label& label = Add<ui::Label>("Label" + std::to_string(i));
    label.SetText(caption);
    int top, labelLeft, editLeft;
    if (i <= kColumn) {
      top = Px(i * (rowHeight + 4) * f);
      labelLeft = Px(kCharWidth * f);
      editLeft = firstColumnEditLeft;
    } else {
      top = Px((i - kColumn) * (rowHeight + 4) * f);
      labelLeft = firstColumnEditLeft + Px((v1 + 5) * kCharWidth * f);
      editLeft = labelLeft + Px(c2 * kCharWidth * f);
    }
    const int height = Px(rowHeight * f);
    label.SetBounds(labelLeft, top, Px(static_cast<int>(caption.size()) * kCharWidth * f), height);
    if (i <= kColumn) SetHeight(top + 4 * height);
    ui::Edit& edit = Add<ui::Edit>("Edit" + std::to_string(i));
    edit.SetText(value);
    edit.tag = i;
    edit.SetBounds(editLeft, top, Px((static_cast<int>(value.size()) + 3) * kCharWidth * f), height);
    edit.onKeyDown = [this](ui::Control& c, int& key, ui::Shift shift) {
      FieldKeyDown(static_cast<ui::Edit&>(c), key, shift);
    };
    const bool heading = value.empty();
    edit.SetEnabled(!heading);
    edit.SetVisible(!heading);
    edit.SetTabOrder(i - 1);
    if (!heading && FirstField < 0) FirstField = i;
    Edits[i] = &edit;
    Labels[i] = &label;
  }
  F2Klapka.SetTabOrder(kMaxPairs);
}

int TfDotazy::NextEnabled(int from, bool forward) const {
  for (int step = 1; step <= pairCount_; ++step) {
    int i = forward ? from + step : from - step;
    i = ((i - 1) % pairCount_ + pairCount_) % pairCount_ + 1;
    if (Edits[i] && Edits[i]->enabled()) return i;
  }
  return 0;
}

void TfDotazy::Confirm() {
  DialogResults().confirmed = 1;
  SetModalResult(ui::mr::Ok);
}

void TfDotazy::FieldKeyDown(ui::Edit& edit, int& key, ui::Shift shift) {
  CurrentField = static_cast<std::uint16_t>(edit.tag);
  const int code = ui::KeyCode(key, shift);
  switch (code) {
    case ui::vk::Esc:
      key = 0;
      SetModalResult(ui::mr::Cancel);
      return;
    case ui::vk::F(2):
    case ui::vk::F(4):
    case ui::vk::Enter:
      key = 0;
      Confirm();
      return;
    case ui::vk::F(9): {
      key = 0;
      const double result = ShowCalculator(common::TextToFloat(edit.text()));
      if (fKalk().Confirmed) edit.SetText(common::RemoveSpaces(common::RealToText(16, 2, result)));
      return;
    }
    case ui::vk::F(10): {
      key = 0;
      const std::string folder = common::CurrentFolder();
      ui::FileDialogRequest request;
      request.title = caption();
      if (ui::ChooseOpenFile(request)) edit.SetText(common::RemoveSpaces(request.fileName));
      (void)common::SetCurrentFolder(folder);
      return;
    }
    case ui::vk::Down:
    case ui::vk::Up:
      key = 0;
      if (const int next = NextEnabled(CurrentField, code == ui::vk::Down)) {
        CurrentField = static_cast<std::uint16_t>(next);
        FocusControl(Edits[next]);
      }
      return;
    case 1000 + ui::vk::F(1):
      key = 0;
      ShowInstructions(caption() + (Labels[CurrentField] ? Labels[CurrentField]->text() : std::string()));
      return;
    case ui::vk::F(1):
      if (Check) {
        std::string text = edit.text();
        Check(CurrentField, text);
      }
      return;
    default:
      return;
  }
}

void TfDotazy::F2KlapkaClick() { Confirm(); }

void TfDotazy::F2KlapkaKeyDown(int& key, ui::Shift shift) {
  const int code = ui::KeyCode(key, shift);
  if (code == ui::vk::F(2)) {
    key = 0;
    Confirm();
  } else if (code == ui::vk::Esc) {
    key = 0;
    SetModalResult(ui::mr::Cancel);
  }
}

// The first field gets the focus when the window is shown (not again after the
// calculator or a file choice closes over it).
void TfDotazy::FormActivate() {
  if (FirstField >= 1 && Edits[FirstField]) FocusControl(Edits[FirstField]);
}

// Every pair is walked, so a pair without a field among real ones loses no later
// answer. The fields stay until the next Build (a key handler of one of them may
// still be running).
void TfDotazy::FormClose() {
  for (int i = 1; i <= pairCount_; ++i)
    if (Edits[i]) Answer(i) = Edits[i]->text();
  StorePosition(*this, DialogKey(caption()) + " DotazyLeft", DialogKey(caption()) + " DotazyTop", "@@@@@@");
}

FieldsResult AskFields(int column, int line, const CheckRoutine& check, const std::string& title,
                       const std::vector<std::string>& items) {
  FieldsResult result;
  if (items.size() > 2 * TfDotazy::kMaxPairs) {
    common::BeepMessage(title + " - příliš mnoho parametrů"_cz);
    return result;
  }
  ClearAnswers();
  DialogResults().confirmed = 0;
  TfDotazy& d = fDotazy();
  d.Check = check;
  d.Build(title, items);
  const int pairs = d.PairCount();
  d.SetLeft((column - 1) * 8);
  d.SetTop((line - 1) * WindowFont().LetterHeight);
  ApplyStoredPosition(d, DialogKey(title) + " DotazyLeft", DialogKey(title) + " DotazyTop");
  d.ShowModal();
  d.Check = nullptr;
  result.confirmed = DialogResults().confirmed != 0;
  for (int i = 1; i <= pairs; ++i) result.answers.push_back(Answer(i));
  return result;
}

bool AskString(int column, int line, const std::string& caption, std::string& text) {
  const FieldsResult r = AskFields(column, line, nullptr, "", {caption, text});
  if (r.confirmed) text = Answer(1);
  return r.confirmed;
}

}  // namespace browser
