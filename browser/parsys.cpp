#include "browser/parsys.h"

#include <array>
#include <span>

#include "browser/appearance.h"
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "ui/backend.h"

namespace browser {

using common::Cz;

namespace {

constexpr const char* kUcParam = "UCPARAM.DTA";
constexpr const char* kSysPar = "sys.par";
constexpr std::array<int, kParSysFields + 1> kWidth{0, 4, 3, 14, 4, 4, 4, 3, 3, 2, 4, 1, 1,
                                                    4, 8, 1, 1, 3, 3, 1, 1, 2, 2, 1, 1};

std::string Left(const std::string& s, int width) { return common::AlignText(s, "L", " ", width); }
std::string Right(const std::string& s, int width) { return common::AlignText(s, "P", " ", width); }

std::string FixedWidth(std::string s, int width) {
  s.resize(static_cast<std::size_t>(width), ' ');
  return s;
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

std::string RateCaption(const std::string& from, const std::string& to) {
  return "Kurs " + from + " k " + to + std::string(15, ' ');
}

int YesNo(const std::string& v) { return v == "A" ? 1 : 0; }

}  // namespace

TfParSys::TfParSys() : TfOkno("fParSys") {}

TfParSys& fParSys() { return SingleWindow<TfParSys>(); }

std::function<void()>& PrintFontsHook() {
  static std::function<void()> hook;
  return hook;
}

std::string TfParSys::Value(int i) const {
  if (i < 1 || i > kParSysFields) throw common::RangeError("system parameter " + std::to_string(i));
  std::size_t at = 0;
  for (int k = 1; k < i; ++k) at += static_cast<std::size_t>(kWidth[static_cast<std::size_t>(k)]) + 1;
  return common::GetCounted(Record, at, kWidth[static_cast<std::size_t>(i)]);
}

void SetupParSys(TfParSys& w) {
  const std::string okna2 = kOkna2Par;
  common::SayDamagedParamFile(kUcParam);
  common::SayDamagedParamFile(common::DataDir(kUcParam));
  std::array<std::string, kParSysFields + 1> v;
  v[1] = Left(common::GetJob("MENA"), 4);
  v[2] = Left(common::ReadParam(kUcParam, "MenaEU"), 3);
  v[3] = Left(common::ReadParam(kUcParam, "KursEU"), 14);
  v[4] = Left(common::GetJob("DAN2"), 4);
  v[5] = Left(common::GetJob("DAN1"), 4);
  v[6] = Left(common::GetJob("DAN3"), 4);
  v[7] = Left(common::GetJob("LIMRAD"), 3);
  v[8] = Left(common::GetJob("TAB"), 3);
  v[9] = Left(common::GetJob("TOPLIST"), 3).substr(0, 2);
  v[10] = Left(common::GetJob("DAN_DOLU"), 4);
  v[11] = Left(common::GetJob("LPT"), 1);
  v[12] = Left(common::GetJob("F10FF"), 1);
  v[13] = "    ";
  v[14] = Left(common::GetJob("TISKARNA"), 8);
  v[15] = Left(common::GetJob("DIAKTISK"), 1);
  v[16] = Left(common::GetJob("FMA343"), 1);
  v[17] = FixedWidth(common::ReadParam(okna2, "Vyska pismen"), 3);
  if (IsBlank(v[17])) v[17] = " 15";
  v[18] = FixedWidth(common::ReadParam(okna2, "Sirka pismen"), 3);
  if (IsBlank(v[18])) v[18] = "  8";
  v[19] = Left(common::GetJob("NovyList"), 1);
  v[20] = Left(common::ReadParam(common::DataDir(kUcParam), "Kontr56"), 1);
  v[21] = Right(common::ReadParam(kUcParam, "UcRok"), 2);
  v[22] = Right(common::ReadParam(kUcParam, "UcObd"), 2);
  v[23] = common::UpperCz(Left(common::ReadParam(okna2, "CencTisk"), 1));
  (void)common::ReadParam(kSysPar, "TiskDefault");  // the field opens blank whatever is stored
  v[24] = " ";

  w.Record.clear();
  for (int i = 1; i <= kParSysFields; ++i) {
    const int width = kWidth[static_cast<std::size_t>(i)];
    std::string field(static_cast<std::size_t>(width) + 1, ' ');
    common::PutCounted(field, 0, v[static_cast<std::size_t>(i)], width);
    w.Record += field;
  }

  w.SetFieldCount(kParSysFields);
  w.OknoRecord = &w.Record;
  const std::array<std::string, kParSysFields + 1> captions{
      "",
      Cz("                         Měna "),
      Cz("Přepočítávat na měnu          "),
      RateCaption(v[1], v[2]),
      Cz("         DPH základní sazba % "),
      Cz("          DPH snížená sazba % "),
      Cz("    DPH druhá snížená sazba % "),
      Cz("          Délka stránky řádků "),
      Cz("           Levý okraj stránky "),
      Cz("          Horní okraj stránky "),
      Cz("     Výpočet DPH (nahoru nic) "),
      Cz("                          LPT "),
      Cz(" Odstránkování na konci tisku "),
      Cz(">  Úprava vel. fontu pro tisk "),
      Cz("> Tiskárna pro DOSovské tisky "),
      "Diakritika LPT \"K\",\"L\",\" \",\"N\"",
      Cz("DPH účtovat dle údajů o firmě "),
      Cz("Výška písmen                  "),
      Cz("Šířka písmen                  "),
      Cz("Tisky začínat novou stránkou  "),
      Cz("Kontr. stř. jen u úč.tř. 5 a 6"),
      Cz("Účetní rok pro kontrolu       "),
      Cz("Účetní období pro kontrolu    "),
      Cz("Odstranit problém tisků       "),
      Cz("Vybrana tiskárna pro TAVONU   "),
  };
  for (int i = 1; i <= kParSysFields; ++i)
    w.OknoAddField(w.Field(i), captions[static_cast<std::size_t>(i)], 2, i, i == 13 ? " " : "X",
                   v[static_cast<std::size_t>(i)], 0, 0, "");
  for (int i = 1; i <= kParSysFields; ++i) w.FieldState[static_cast<std::size_t>(i)] = 1;
  w.FieldState[17] = -1;
  w.FieldState[18] = -1;
  w.PrinterTyped = false;
  w.OknoBuildWindow(Cz(" Parametry systému "), Cz(" F2=zápis parametrů  >Enter-Výběr varianty  ESC=ven "), 50, 2,
                    100, 22, ui::Rgb(0xF0, 0xF0, 0xF0), 0);
  if (ui::Edit* printer = w.FieldEdit(24))
    printer->onKeyPress = [&w](ui::Control&, char& ch) {
      if (ch != 0 && ch != '\r' && ch != 27 && ch != '\t') w.PrinterTyped = true;
    };
  w.RecordToOknoFields();
}

void TfParSys::FieldEnter(int n, std::string& text) {
  if (n == 13) {
    if (PrintFontsHook()) PrintFontsHook()();
  } else if (n == 14) {
    std::vector<std::string> names;
    common::ListFiles(common::ProgDir("2\\*.dst"), names, 13, 20);
    for (std::string& name : names) name = name.substr(0, name.find('.'));
    const ChoiceResult c = ShowVyber(10, 10, nullptr, Cz("Typ tiskárny"), names);
    if (c.chosen > 0 && c.chosen <= static_cast<int>(names.size())) text = names[static_cast<std::size_t>(c.chosen - 1)];
  }
  OknoFieldChanged(n, text);
}

void TfParSys::OknoFieldChanged(int n, std::string& text) {
  TfOkno::OknoFieldChanged(n, text);
  if (n == 1 || n == 2) {
    if (ui::Label* l = FieldLabel(2)) l->SetText(Cz("Přepočítávat na měnu"));
    if (ui::Label* l = FieldLabel(3)) l->SetText("Kurs " + EditText(2) + " k " + EditText(1));
  } else if (n == 10) {
    if (!common::StripRightSp(text).empty()) text = "DOLU";
  }
}

void TfParSys::OknoFieldHelp(int) { ShowHelpTopic("2\\serv", "Parametry"); }

void TfParSys::OknoFinish() {
  const bool accepted = !Cancelled;
  TfOkno::OknoFinish();
  if (!accepted) return;  // Esc stores nothing

  common::Session& s = common::CurrentSession();
  const std::string okna2 = kOkna2Par;
  auto v = [this](int i) { return Value(i); };
  common::WriteJob("MENA", v(1));
  common::WriteParam(kUcParam, "MenaEU", v(2));
  s.MenaEU = v(2);
  common::WriteParam(kUcParam, "KursEU", v(3));
  try {
    const common::Real48Bytes r = common::EncodeReal48(common::TextToFloat(v(3)));
    s.KursEU = common::DecodeReal48(r.data());
  } catch (const common::RangeError&) {
    s.KursEU = 0;
  }
  common::WriteJob("DAN3", v(6));
  common::WriteJob("DAN1", v(5));
  common::WriteJob("DAN2", v(4));
  common::WriteJob("LPT", v(11));
  const std::string pageLength = common::TextToInt(v(7)) <= 0 ? "64 " : v(7);
  common::WriteJob("LIMRAD", pageLength);
  common::WriteJob("TAB", v(8));
  common::WriteJob("TOPLIST", v(9));
  common::WriteJob("F10FF", v(12));
  common::WriteJob("DAN_DOLU", common::StripRightSp(v(10)).empty() ? v(10) : "DOLU");
  common::WriteJob("TISKARNA", v(14));
  common::WriteJob("DIAKTISK", v(15));
  common::WriteJob("FMA343", Left(v(16), 1));
  s.Fma343 = YesNo(v(16));
  s.JobTab = common::TextToInt(v(8));
  s.LimRad = common::TextToInt(pageLength);
  s.VatRateDan1 = common::TextToInt(v(5));
  s.VatRateDan2 = common::TextToInt(v(4));
  s.CurrencyCode = v(1).substr(0, 3);
  common::WriteParam(okna2, "Vyska pismen", common::TextToInt(v(17)) < 15 ? " 15" : v(17));
  common::WriteParam(okna2, "Sirka pismen", common::TextToInt(v(18)) < 6 ? "  6" : v(18));
  common::WriteJob("NovyList", common::UpperCz(v(19)));
  s.NovyList = YesNo(common::UpperCz(v(19)));
  common::WriteParam(common::DataDir(kUcParam), "Kontr56", common::UpperCz(v(20)));
  common::WriteParam(kUcParam, "UcRok", v(21));
  s.AccYear = common::RemoveSpaces(v(21));
  common::WriteParam(kUcParam, "UcObd", v(22));
  s.AccPeriod = common::RemoveSpaces(v(22));
  common::WriteParam(okna2, "CencTisk", v(23));
  s.CencTisk = YesNo(v(23));
  if (PrinterTyped) common::WriteParam(kSysPar, "TiskDefault", v(24));
}

void OpenSystemParameters() {
  TfParSys& w = fParSys();
  const char* action = " cte soubor: ";
  try {
    SetupParSys(w);
    w.ShowModal();
    action = " pise soubor: ";
    w.OknoFinish();
  } catch (const common::IoError& e) {
    w.Cancelled = true;
    w.OknoFinish();
    common::FileErrorMessage(action, e.file, e.code);
  }
}

}  // namespace browser
