#include "browser/hint.h"

#include "browser/dialogs.h"
#include "common/codepages.h"
#include "common/dirs.h"
#include "common/fileops.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/text.h"

namespace browser {

namespace {

std::string Replace(std::string s, std::string_view chars) {
  for (char& c : s)
    if (chars.find(c) != std::string_view::npos) c = '_';
  return s;
}

constexpr const char* kKeys[] = {" HintLeft", " HintTop", " HintWidth", " HintHeight"};

}  // namespace

TfHint& fHint() { return SingleWindow<TfHint>(); }

TfHint::TfHint() : ui::Form("fHint"), Memo1(Add<ui::Memo>("Memo1")) {
  SetBounds(100, 100, 600, 400);
  keyPreview = true;
  ui::Font fixed;
  fixed.name = "Fixedsys";
  Memo1.SetFont(fixed);
  Memo1.SetColor(ui::colors::White);
  Memo1.SetScrollBars(ui::ScrollBars::Vertical);
  Memo1.SetReadOnly(true);
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
}

void TfHint::Load(const std::string& folder, const std::string& name) {
  int geometry[4] = {left(), top(), width(), height()};
  for (int i = 0; i < 4; ++i)
    if (const int v = StoredInt(kKeys[i]); v > 0) geometry[i] = v;
  SetBounds(geometry[0], geometry[1], geometry[2], geometry[3]);

  HintFolder = Replace(folder, "?*");
  HintName = Replace(common::StripDiacritics(common::RemoveSpaces(name)), "\".:\\/?*");
  SetCaption(HintFolder + " : " + HintName);
  Memo1.ClearLines();
  HintLoaded = false;
  HintTail.clear();

  std::string text;
  if (common::CheckFile(FileName()) >= 3 && common::ReadTextFile(FileName(), text, &HintTail) == 0) {
    HintLoaded = true;
    Memo1.SetText(text);
    std::vector<std::string> lines;
    for (const std::string& line : Memo1.lines())
      if (line.empty() || line[0] != '&') lines.push_back(line);
    Memo1.SetLines(std::move(lines));
  } else {
    common::ForceDirs(HintFolder);
  }
  Memo1.SetReadOnly(!Editable);
  Memo1.SetBounds(0, 0, width() - 25, height() - 5);
}

void TfHint::FormKeyDown(int& key, ui::Shift shift) {
  const int code = ui::KeyCode(key, shift);
  if (code == ui::vk::Esc) {
    key = 0;
    Close();
  } else if (code == ui::vk::F(2) && activeControl() == &Memo1) {
    key = 0;
    Editable = true;
    Memo1.SetReadOnly(false);
  }
}

void TfHint::FormClose() {
  if (Editable) {
    std::string text;
    for (const std::string& line : Memo1.lines()) text += line + "\r\n";
    text += "&" + FileName() + "\r\n" + HintTail;
    if (const int code = common::ReplaceFileContents(FileName(), text))
      ui::ShowMessage("Err" + common::FormatNumberMask("##### ", code) + FileName());
  }
  StoreInt(kKeys[0], "@@@@", left());
  StoreInt(kKeys[1], "@@@@", top());
  StoreInt(kKeys[2], "@@@@", width());
  StoreInt(kKeys[3], "@@@@", height());
}

void HintLoad(const std::string& folder, const std::string& name) {
  TfHint& h = fHint();
  h.Load(folder, name);
  h.ShowModal();
}

void ShowInstructions(const std::string& name) { HintLoad(InstructionsFolder(), name); }

}  // namespace browser
