#include "browser/kalk.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/text.h"

namespace browser {

using namespace common::literals;

namespace {
constexpr const char* kTapeJob = "Paragon";
constexpr int kTapeWidth = 20;
// The largest magnitude the result picture shows with all its digits.
constexpr double kResultLimit = 1e12;
}  // namespace

TfKalk& fKalk() { return SingleWindow<TfKalk>(); }

std::string TapeNumber(const std::string& text) {
  std::string s = common::StripLeftSp(common::StripRightSp(text));
  if (static_cast<int>(s.size()) > TfKalk::kTapeNumber) s = common::RemoveSpaces(s);
  if (static_cast<int>(s.size()) >= TfKalk::kTapeNumber) return s;
  return common::AlignText(s, "P", " ", TfKalk::kTapeNumber);
}

TfKalk::TfKalk()
    : ui::Form("fKalk"),
      Label1(Add<ui::Label>("Label1")),
      EdtVy(Add<ui::Edit>("EdtVy")),
      Label2(Add<ui::Label>("Label2")),
      EdtOp(Add<ui::Edit>("EdtOp")),
      Button1(Add<ui::Button>("Button1")),
      Button2(Add<ui::Button>("Button2")),
      Memo1(Add<ui::Memo>("Memo1")) {
  SetCaption("Kalkulačka"_cz);
  SetBorderStyle(ui::BorderStyle::Dialog);
  SetClientSize(250, 330);
  keyPreview = true;
  Label1.SetText("Výsledek"_cz);
  Label1.SetBounds(8, 8, 80, 16);
  EdtVy.SetBounds(8, 26, 234, 22);
  EdtVy.SetEnabled(false);
  Label2.SetText("Operand");
  Label2.SetBounds(8, 54, 80, 16);
  EdtOp.SetBounds(8, 72, 234, 22);
  Button1.SetText("F2-OK");
  Button1.SetBounds(8, 100, 110, 25);
  Button2.SetText("C-nuluj");
  Button2.SetBounds(132, 100, 110, 25);
  Memo1.SetBounds(8, 132, 234, 190);
  ui::Font tape;
  tape.name = "Fixedsys";
  Memo1.SetFont(tape);
  Memo1.SetReadOnly(true);
  Memo1.SetScrollBars(ui::ScrollBars::Vertical);
  Memo1.SetWordWrap(false);

  onShow = [this](ui::Form&) { FormShow(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  onKeyPress = [this](ui::Control&, char& ch) { FormKeyPress(ch); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  Button1.onClick = [this](ui::Control&) { Button1Click(); };
  Button2.onClick = [this](ui::Control&) { Button2Click(); };
  Memo1.onEnter = [this](ui::Control&) { Memo1Enter(); };
}

void TfKalk::SetDisplay(double value) { EdtVy.SetText(common::FormatNumberMask("############.##-", value)); }

double TfKalk::Display() const { return common::TextToFloat(EdtVy.text()); }

// Every opening starts with an empty operand and tape; the display keeps the seed.
void TfKalk::FormShow() {
  NewOperand = true;
  Confirmed = false;
  EdtOp.SetText("");
  Memo1.ClearLines();
  DialogResults().CalcResult.clear();
  FocusControl(&EdtOp);
}

void TfKalk::Confirm() {
  Confirmed = true;
  DialogResults().CalcResult = common::RemoveSpaces(EdtVy.text());
  SetModalResult(ui::mr::Ok);
}

void TfKalk::FormKeyDown(int& key, ui::Shift shift) {
  switch (ui::KeyCode(key, shift)) {
    case ui::vk::F(1):
      ShowHelpTopic("2\\kalk", "");
      break;
    case ui::vk::Esc:
      key = 0;
      SetModalResult(ui::mr::Cancel);
      break;
    case ui::vk::F(2):
      key = 0;
      Confirm();
      break;
    case ui::vk::F(10):
      key = 0;
      PrintTape();
      break;
    default:
      break;
  }
}

void TfKalk::FormKeyPress(char& ch) {
  if (ch == '\r') {
    ch = 0;
    Confirm();
  } else if (ch >= '0' && ch <= '9') {
    if (NewOperand) EdtOp.SetText("");
    NewOperand = false;
    std::string t = EdtOp.text();
    const int at = EdtOp.selStart();
    t.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(EdtOp.selLength()), 1, ch);
    EdtOp.SetText(t);
    EdtOp.SetSelection(at + 1, 0);
    ch = 0;
  } else if (ch == '+' || ch == '-' || ch == '*' || ch == '/') {
    const char op = ch;
    ch = 0;
    Operation(op);
  } else if (ch == 'C' || ch == 'c') {
    ch = 0;
    Button2Click();
    Memo1.ClearLines();
  }
}

void TfKalk::AddTapeLine(const std::string& number, const std::string& suffix) {
  Memo1.AddLine(TapeNumber(number) + suffix);
}

void TfKalk::Operation(char op) {
  if (Memo1.lines().empty()) AddTapeLine(EdtVy.text(), " =");
  AddTapeLine(EdtOp.text(), std::string(" ") + op);
  const double operand = common::TextToFloat(EdtOp.text());
  if (op == '/' && operand == 0) {
    ui::ShowMessage("Dělení nulou"_cz);
  } else {
    double result = Display();
    switch (op) {
      case '+': result += operand; break;
      case '-': result -= operand; break;
      case '*': result *= operand; break;
      default: result /= operand; break;
    }
    // The display holds twelve whole digits; a larger result is refused, not cut.
    if (!(std::fabs(result) < kResultLimit)) {
      ui::ShowMessage("Výsledek je příliš velký"_cz);
    } else {
      const auto stored = common::EncodeReal48(result);
      EdtVy.SetText(common::FormatFloatMask(kResultMask, common::DecodeReal48(stored.data())));
    }
  }
  NewOperand = true;
  AddTapeLine(EdtVy.text(), " =");
  FocusControl(&EdtOp);
}

void TfKalk::PrintTape() {
  if (Memo1.lines().empty()) return;
  ReportWriter* writer = CurrentReportWriter();
  if (!writer) return;
  writer->OpenReportOut(kTapeJob, kTapeWidth);
  for (const std::string& line : Memo1.lines()) writer->WriteReportLine(line);
  writer->CloseReportOut();
  PrintReport(kTapeJob);
}

// The "F2-OK" button takes the result over as F2 does.
void TfKalk::Button1Click() { Confirm(); }

void TfKalk::Button2Click() {
  EdtOp.SetText("");
  EdtVy.SetText("");
  NewOperand = true;
}

void TfKalk::Memo1Enter() { FocusControl(&EdtOp); }

void TfKalk::FormClose() {
  StorePosition(*this, caption() + " KalkLeft", caption() + " KalkTop", "@@@@@@");
}

double ShowCalculator(double start) {
  TfKalk& k = fKalk();
  k.SetDisplay(start);
  ApplyStoredPosition(k, k.caption() + " KalkLeft", k.caption() + " KalkTop");
  k.ShowModal();
  return k.Confirmed ? k.Display() : 0;
}

bool CalculateIntoText(std::string& text, const CalculatorEntry& entry) {
  std::string typed = CzechKeysToDigits(text);
  std::replace(typed.begin(), typed.end(), ',', '.');
  const double start = common::TextToFloat(typed);
  std::optional<double> result;
  if (entry) {
    result = entry(start);
  } else {
    const double value = ShowCalculator(start);
    if (fKalk().Confirmed) result = value;
  }
  if (!result) return false;
  text = common::RemoveSpaces(common::RealToText(16, 2, *result));
  return true;
}

}  // namespace browser
