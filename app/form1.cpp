#include "app/form1.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/ci60.h"
#include "app/cicopy.h"
#include "app/codelistmenu.h"
#include "app/ending.h"
#include "app/language.h"
#include "app/payrolltools.h"
#include "browser/buttons.h"
#include "browser/choosers/inout.h"
#include "browser/entries.h"
#include "browser/rol.h"
#include "codelists/cis60.h"
#include "codelists/csvregs.h"
#include "codelists/firm.h"
#include "codelists/lists.h"
#include "codelists/postal.h"
#include "codelists/registers.h"
#include "combined/form2.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/lockclient.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/session.h"
#include "common/text.h"
#include "common/usertab.h"
#include "common/winpath.h"
#include "app/printpartners.h"
#include "partners/orvekorg.h"
#include "partners/stitky.h"
#include "partners/windows.h"
#include "payroll/jhcis.h"
#include "payroll/jhxml.h"
#include "payroll/mzrzd.h"
#include "payroll/prrol.h"
#include "payroll/supplements.h"
#include "reports/spool.h"
#include "reports/spoolexc.h"

namespace app {

using namespace common::literals;

namespace {

constexpr int kWatchMs = 10000;
constexpr int kKeepAliveMs = 10000;
constexpr int kSignalPollMs = 100;
TForm1* g_main = nullptr;
constexpr int kWindowFontHeight = 11;

}  // namespace

// clang-format off
const std::array<MainButtonSpec, kMainButtonCount> kMainButtons = {{
    {"bOpisOrg", "Opis obchodních partnerů", 4, 95, 227, 25, nullptr, 15, true, MainButtonSpec::Usable},
    {"bSortOrg", "Třízení obchodních partnerů", 4, 124, 227, 25, nullptr, 15, true, MainButtonSpec::Hidden},
    {"bAktOrg", "Změny obchodních partnerů", 4, 66, 227, 25, nullptr, 15, true, MainButtonSpec::Usable},
    {"bTisky", "Tisky", 484, 126, 123, 25, nullptr, 15, true, MainButtonSpec::Usable},
    {"bKopCis", "Kopie číselníku", 236, 37, 227, 25, nullptr, 15, true, MainButtonSpec::Usable},
    {"bOnovCis", "Obnova číselníku", 236, 66, 227, 25, nullptr, 15, true, MainButtonSpec::Usable},
    {"nFma", "Naše firma", 4, 37, 227, 25, nullptr, 15, true, MainButtonSpec::Usable},
    {"bStitky", "Tisk adres na obálky a samolepky", 236, 95, 217, 25, nullptr, 12, true, MainButtonSpec::Disabled},
    {"bStaraAktCi", "Stará aktualizace číselníků", 236, 152, 175, 25, nullptr, 0, false, MainButtonSpec::Disabled},
    {"bAktCi", "Aktualizace číselníků", 4, 8, 227, 23, nullptr, 15, true, MainButtonSpec::Usable},
    {"Button2", "ZUJ", 648, 156, 75, 25, nullptr, 0, false, MainButtonSpec::Usable},
    {"Button4", "Ci6160", 204, 262, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"Button5", "Akt \\CI\\ci60", 288, 262, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bJazyk", "Volba jazykové verze", 472, 36, 177, 25, nullptr, 11, true, MainButtonSpec::Usable},
    {"bpsc", "PSČ - obec-pošta-okres", 236, 124, 227, 25, nullptr, 11, true, MainButtonSpec::Usable},
    {"bOrvekOrg", "Orvek přenos Org", 516, 298, 227, 25, "Fixedsys", 0, false, MainButtonSpec::Usable},
    {"bSpotrDane", "Spotřební Daně", 4, 152, 227, 25, nullptr, 13, true, MainButtonSpec::Usable},
    {"bCisExc", "Soubory pro Excel", 484, 154, 123, 25, nullptr, 11, true, MainButtonSpec::Usable},
    {"CI60x2024", "Uprava CI60 2024", 72, 276, 97, 25, nullptr, 0, false, MainButtonSpec::Usable},
    {"bJHcis", "JH vytvor", 408, 344, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bJHakt", "JH XML", 408, 304, 75, 25, nullptr, 11, true, MainButtonSpec::Hidden},
    {"bJHcis01", "JH pridej XML", 408, 376, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bXsdMat", "Xsd-Mat", 512, 344, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bNactiOIC", "OIC do Prac", 640, 496, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bXSDmat2", "XSD-Mat2", 512, 376, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bNulujMatrici", "Nuluj Matrici", 408, 440, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bPridejDalsi", "Pridej Další", 408, 408, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bISCO", "ISCO", 648, 192, 75, 25, nullptr, 0, false, MainButtonSpec::Usable},
    {"bDodatecne", "Prev Dod", 640, 448, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bZeme", "Země", 648, 224, 75, 25, nullptr, 0, false, MainButtonSpec::Usable},
    {"bPrDod", "PrDod", 48, 344, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
    {"bMZ_RZD", "MZ_RZD", 48, 376, 75, 25, nullptr, 0, false, MainButtonSpec::Hidden},
}};

const std::array<const char*, kMainButtonCount> kMainTabOrder = {
    "bAktCi", "nFma", "bAktOrg", "bpsc", "bOpisOrg", "bSortOrg", "bKopCis", "bOnovCis",
    "bStitky", "bStaraAktCi", "bTisky", "Button2", "Button4", "Button5", "bJazyk", "bOrvekOrg",
    "bSpotrDane", "bCisExc", "CI60x2024", "bJHcis", "bJHakt", "bJHcis01", "bXsdMat", "bNactiOIC",
    "bXSDmat2", "bNulujMatrici", "bPridejDalsi", "bISCO", "bDodatecne", "bZeme", "bPrDod", "bMZ_RZD"};
// clang-format on

namespace {

// A font given by its pixel height (as the form resource stores it) in points.
ui::Font FontOfHeight(const char* face, int height, bool bold) {
  ui::Font f;
  if (face) f.name = face;
  f.size = static_cast<int>(std::lround((height ? height : kWindowFontHeight) * 72.0 / 96.0));
  f.bold = bold;
  return f;
}

ui::Button& MakeButton(ui::Form& form, const MainButtonSpec& b) {
  auto& button = form.Add<ui::Button>(b.name);
  button.SetText(common::Cz(b.caption));
  button.SetBounds(b.left, b.top, b.width, b.height);
  if (b.face || b.fontHeight || b.bold) button.SetFont(FontOfHeight(b.face, b.fontHeight, b.bold));
  button.SetEnabled(b.state != MainButtonSpec::Disabled);
  button.SetVisible(b.state != MainButtonSpec::Hidden);
  return button;
}

// The buttons are made in table order before the members bind to them by name.
ui::Form& WithButtons(ui::Form& form) {
  for (const auto& b : kMainButtons) MakeButton(form, b);
  for (std::size_t i = 0; i < kMainTabOrder.size(); ++i)
    form.Find(kMainTabOrder[i])->SetTabOrder(static_cast<int>(i));
  return form;
}

ui::Button& ButtonOf(ui::Form& form, const char* name) { return *form.FindAs<ui::Button>(name); }

bool HasText(const std::string& s) { return s.find_first_not_of(' ') != std::string::npos; }

// The report layer's list of produced reports; the chosen entry's report by its full name.
class ReportList : public SpoolWindow {
 public:
  void SetupSpool() override { reports::fSpool().SetupSpool(); }
  void ShowSpool() override { reports::fSpool().ShowModal(); }
  int CurrentEntry() const override { return reports::fSpool().Current; }
  std::string EntryLine(int n) const override { return reports::fSpool().EntryReport(n); }
  void CloseBrowse() override { reports::fSpool().CloseBrowse(); }
};

SpoolWindow& TheReportList() {
  static ReportList list;
  return list;
}

}  // namespace

MainWindowServices::MainWindowServices()
    : userSlotTaken([] { return common::UserSlotTaken(); }),
      connectLockServer([](common::Session& s) { return common::ConnectLockServer(s); }),
      keepAlive([] { common::CurrentLockClient().KeepAliveTimer(); }),
      showHelp([] { browser::ShowHelpTopic("\\CI\\CI", "0"); }),
      printReport([](const std::string& report) { browser::PrintReport(report); }) {}

TForm1::TForm1(std::vector<std::string> args)
    : ui::Form("Form1"),
      bOpisOrg(ButtonOf(WithButtons(*this), "bOpisOrg")),
      bSortOrg(ButtonOf(*this, "bSortOrg")),
      bAktOrg(ButtonOf(*this, "bAktOrg")),
      bTisky(ButtonOf(*this, "bTisky")),
      bKopCis(ButtonOf(*this, "bKopCis")),
      bOnovCis(ButtonOf(*this, "bOnovCis")),
      nFma(ButtonOf(*this, "nFma")),
      bStitky(ButtonOf(*this, "bStitky")),
      bStaraAktCi(ButtonOf(*this, "bStaraAktCi")),
      bAktCi(ButtonOf(*this, "bAktCi")),
      Button2(ButtonOf(*this, "Button2")),
      Button4(ButtonOf(*this, "Button4")),
      Button5(ButtonOf(*this, "Button5")),
      bJazyk(ButtonOf(*this, "bJazyk")),
      bpsc(ButtonOf(*this, "bpsc")),
      bOrvekOrg(ButtonOf(*this, "bOrvekOrg")),
      bSpotrDane(ButtonOf(*this, "bSpotrDane")),
      bCisExc(ButtonOf(*this, "bCisExc")),
      CI60x2024(ButtonOf(*this, "CI60x2024")),
      bJHcis(ButtonOf(*this, "bJHcis")),
      bJHakt(ButtonOf(*this, "bJHakt")),
      bJHcis01(ButtonOf(*this, "bJHcis01")),
      bXsdMat(ButtonOf(*this, "bXsdMat")),
      bNactiOIC(ButtonOf(*this, "bNactiOIC")),
      bXSDmat2(ButtonOf(*this, "bXSDmat2")),
      bNulujMatrici(ButtonOf(*this, "bNulujMatrici")),
      bPridejDalsi(ButtonOf(*this, "bPridejDalsi")),
      bISCO(ButtonOf(*this, "bISCO")),
      bDodatecne(ButtonOf(*this, "bDodatecne")),
      bZeme(ButtonOf(*this, "bZeme")),
      bPrDod(ButtonOf(*this, "bPrDod")),
      bMZ_RZD(ButtonOf(*this, "bMZ_RZD")),
      lJazyk(Add<ui::Label>("lJazyk")),
      Label1(Add<ui::Label>("Label1")),
      ProgressBar1(Add<ui::ProgressBar>("ProgressBar1")),
      Timer1(AddTimer("Timer1", kWatchMs)),
      TimerKeepAlive(AddTimer("TimerKeepAlive", kKeepAliveMs)),
      TimerEnd(AddTimer("TimerEnd", kSignalPollMs)),
      args_(std::move(args)) {
  SetCaption("TAVONA");
  SetBounds(100, 60, 810, 592);
  SetFont(FontOfHeight(nullptr, kWindowFontHeight, false));
  keyPreview = true;

  ui::Font bold = font();
  bold.bold = true;
  lJazyk.SetBounds(658, 40, 100, 13);
  lJazyk.SetFont(bold);
  lJazyk.SetText("CZ");
  Label1.SetBounds(4, 202, 200, 13);
  Label1.SetText("Label1");
  Label1.Hide();
  ProgressBar1.SetBounds(6, 220, 429, 16);
  ProgressBar1.SetRange(0, 100);
  ProgressBar1.Hide();

  const std::vector<std::pair<ui::Button*, void (TForm1::*)()>> clicks = {
      {&bOpisOrg, &TForm1::bOpisOrgClick},     {&bSortOrg, &TForm1::bSortOrgClick},
      {&bAktOrg, &TForm1::bAktOrgClick},       {&bTisky, &TForm1::bTiskyClick},
      {&bKopCis, &TForm1::bKopCisClick},       {&bOnovCis, &TForm1::bOnovCisClick},
      {&nFma, &TForm1::nFmaClick},             {&bStitky, &TForm1::bStitkyClick},
      {&bStaraAktCi, &TForm1::bStaraAktCiClick}, {&bAktCi, &TForm1::bAktCiClick},
      {&Button2, &TForm1::Button2Click},       {&Button4, &TForm1::Button4Click},
      {&Button5, &TForm1::Button5Click},       {&bJazyk, &TForm1::bJazykClick},
      {&bpsc, &TForm1::bpscClick},             {&bOrvekOrg, &TForm1::bOrvekOrgClick},
      {&bSpotrDane, &TForm1::bSpotrDaneClick}, {&bCisExc, &TForm1::bCisExcClick},
      {&CI60x2024, &TForm1::CI60x2024Click},   {&bJHcis, &TForm1::bJHcisClick},
      {&bJHakt, &TForm1::bJHaktClick},         {&bJHcis01, &TForm1::bJHcis01Click},
      {&bXsdMat, &TForm1::bXsdMatClick},       {&bNactiOIC, &TForm1::bNactiOICClick},
      {&bXSDmat2, &TForm1::bXSDmat2Click},     {&bNulujMatrici, &TForm1::bNulujMatriciClick},
      {&bPridejDalsi, &TForm1::bPridejDalsiClick}, {&bISCO, &TForm1::bISCOClick},
      {&bDodatecne, &TForm1::bDodatecneClick}, {&bZeme, &TForm1::bZemeClick},
      {&bPrDod, &TForm1::bPrDodClick},         {&bMZ_RZD, &TForm1::bMZ_RZDClick},
  };
  for (const auto& [button, handler] : clicks)
    button->onClick = [this, h = handler](ui::Control&) { RunAction([this, h] { (this->*h)(); }); };

  onActivate = [this](ui::Form&) { FormActivate(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  onMouseDown = [this](ui::Control&, ui::MouseButton b, ui::Shift shift, int, int) { FormMouseDown(b, shift); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  Timer1.onTimer = [this](ui::Timer&) { Timer1Timer(); };
  TimerKeepAlive.onTimer = [this](ui::Timer& t) {
    t.Stop();
    services.keepAlive();
  };
  TimerEnd.onTimer = [this](ui::Timer&) {
    if (NotedSignal()) EndBySignal();
  };
  Timer1.Start();
  TimerEnd.Start();
  g_main = this;
  // The old code-list panel reads and clears the account-added mark, and its "Tisky"
  // is this window's report list.
  combined::OldPanelHooks().takeAccountAddedMark = [this] { return std::exchange(AccountAdded, false); };
  combined::OldPanelHooks().reportList = [this] { bTiskyClick(); };
  spool = &TheReportList();
  FormCreate();
}

TForm1::~TForm1() {
  if (g_main == this) g_main = nullptr;
  combined::OldPanelHooks().takeAccountAddedMark = nullptr;
  combined::OldPanelHooks().reportList = nullptr;
}

void TForm1::FormCreate() { browser::CollectButtons(*this); }

void TForm1::FormActivate() {
  if (!FirstActivation) return;
  common::Session& s = common::CurrentSession();
  SetCaption(("TAVONA " + s.CurrentUser).substr(0, 9));
  FirstActivation = false;
  AccountAdded = false;
  if (HasText(s.LockServerName)) {
    Timer1.Stop();
    LockServerResult = services.connectLockServer(s);
    if (LockServerResult != 0) {
      ExitStatus = 1;
      RequestExit();
      return;
    }
    TimerKeepAlive.Start();
  }
  RefreshLanguageLabel();
  if (IsRebuildCommandLine(args_)) {
    RunAction([this] {
      const bool done = MergeCi60Hook() ? MergeCi60Hook()() : MergeCi60(RebuildMode::Batch);
      if (!done) ExitStatus = 1;
    });
    RequestExit();
  }
}

void TForm1::RefreshLanguageLabel() {
  lJazyk.SetVisible(bJazyk.enabled());
  lJazyk.SetText("Platí: "_cz + CurrentCodeListLanguage());
}

void TForm1::Timer1Timer() {
  common::Session& s = common::CurrentSession();
  Timer1.Stop();
  const bool taken = services.userSlotTaken();
  if (taken && s.UserWatchCount < 2) {
    ++s.UserWatchCount;
    Timer1.Start();
    return;
  }
  if (taken) {
    common::BeepMessage("Program \"Číselníky\" byl opuštěn programem TAVONA"_cz);
    RequestExit();
  }
  s.UserWatchCount = 0;
  if (!s.Exiting) Timer1.Start();
}

void TForm1::FormKeyDown(int& key, ui::Shift) {
  if (key == ui::vk::Esc) {
    key = 0;
    RequestExit();
    return;
  }
  if (key == ui::vk::F(1)) {
    key = 0;
    RunAction(services.showHelp);
  }
}

void TForm1::FormMouseDown(ui::MouseButton button, ui::Shift shift) {
  if (button != ui::MouseButton::Right) return;
  // Exactly Ctrl and the right button: the second press of a double click is not one.
  if (shift != (ui::Shift::Ctrl | ui::Shift::Right)) return;
  RunAction([this] {
    browser::EditDisabledButtons(*this);
    RefreshLanguageLabel();
  });
}

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  StopTimers();
  EndOfRunClose();
}

void TForm1::StopTimers() {
  Timer1.Stop();
  TimerKeepAlive.Stop();
}

void TForm1::RejectModalForms() { LeaveModalForms(this); }

void TForm1::EndBySignal() {
  TimerEnd.Stop();
  BeginQuietEnd();
  // A close already running (Esc) goes on, its waits now bounded and silent.
  if (closed_)
    RejectModalForms();
  else
    RequestExit();
}

void TForm1::CloseInPlace() {
  common::CurrentSession().Exiting = true;
  StopTimers();
  TimerEnd.Stop();
  RejectModalForms();
  // A close already under way (Esc) cannot go on: what it has not released yet is.
  if (closed_) common::ReleaseLeftLocks(common::CurrentSession());
  FormClose();
}

void TForm1::RequestExit() {
  common::CurrentSession().Exiting = true;
  StopTimers();
  RejectModalForms();
  // Inside a button's action the openers finish first; RunAction then closes.
  if (actionDepth_ > 0) {
    exitPending_ = true;
    return;
  }
  Close();
}

void TForm1::RunAction(const std::function<void()>& action) {
  if (Exiting() || !action) return;
  struct Depth {
    int& n;
    explicit Depth(int& d) : n(d) { ++n; }
    ~Depth() { --n; }
  };
  {
    Depth depth(actionDepth_);
    action();
  }
  if (exitPending_ && actionDepth_ == 0) {
    exitPending_ = false;
    Close();
  }
}

// ---------------------------------------------------------------- buttons

void TForm1::bOpisOrgClick() { PrintPartners(); }

void TForm1::PrintPartners() { app::PrintPartners(Label1, ProgressBar1); }

void TForm1::bAktOrgClick() { partners::ShowPartnerRegister(); }

void TForm1::bTiskyClick() {
  if (!spool) return NotImplemented("TfSpool");
  spool->SetupSpool();
  for (;;) {
    spool->ShowSpool();
    const int n = spool->CurrentEntry();
    if (n < 1 || Exiting()) {
      spool->CloseBrowse();
      return;
    }
    services.printReport(common::StripRightSp(spool->EntryLine(n)));
    if (Exiting()) {
      spool->CloseBrowse();
      return;
    }
  }
}

void TForm1::bKopCisClick() { CopyCodeListsOut(ProgressBar1); }
void TForm1::bOnovCisClick() { RestoreCodeLists(ProgressBar1); }
void TForm1::nFmaClick() { codelists::EditFirmData(); }
void TForm1::bStitkyClick() { partners::ShowLabels(); }
void TForm1::bStaraAktCiClick() { combined::fForm2().ShowModal(); }
void TForm1::bAktCisOldClick() { combined::fForm2().Button4Click(); }
void TForm1::bAktCiClick() { RunCodeListMenu(); }
void TForm1::Button2Click() { Browse(codelists::fZuj(), [] { codelists::SetupZuj(codelists::fZuj()); }); }
void TForm1::Button4Click() {
  if (MergeCi60Hook())
    MergeCi60Hook()();
  else
    MergeCi60(RebuildMode::Button);
}
void TForm1::Button5Click() {
  codelists::TfCis60b& w = codelists::fCis60b();
  Browse(w, [&w] { codelists::SetupCis60b(w, codelists::Ci60ReferenceFile()); });
}
void TForm1::bJazykClick() {
  ChooseCodeListLanguage();
  RefreshLanguageLabel();
}
void TForm1::bpscClick() { Browse(codelists::fpsc(), [] { codelists::SetupPsc(codelists::fpsc()); }); }
void TForm1::bOrvekOrgClick() { partners::fOrvekOrg().ShowModal(); }
void TForm1::bSpotrDaneClick() { codelists::OpenSpotrDan(); }
void TForm1::bCisExcClick() { reports::ShowSpoolExcModal(); }
void TForm1::CI60x2024Click() {
  if (!ConvertCi60For2024()) return;
  codelists::TfCis60& w = codelists::fCis60();
  Browse(w, [&w] {
    codelists::SetupCis60(w);
    codelists::SortCis60(w);
  });
}
void TForm1::bJHcisClick() {
  std::string path;
  if (!browser::ChooseFile("Urči soubor CSV"_cz, "", path)) return;
  Browse(payroll::fJHcis(), [&path] {
    payroll::fJHcis().SetupJHcis();
    ImportTermsFromCsv(payroll::fJHcis(), path);
  });
}
void TForm1::bJHaktClick() { payroll::fJHXML().ShowModal(); }
void TForm1::bJHcis01Click() {
  std::string path;
  if (!browser::ChooseFile("Urči soubor TXT"_cz, "", path)) return;
  Browse(payroll::fJHcis(), [&path] {
    payroll::fJHcis().SetupJHcis();
    AddXmlNamesFromTemplate(payroll::fJHcis(), path);
  });
}
void TForm1::bXsdMatClick() {
  std::string path;
  if (browser::ChooseFile("Urči soubor XSD"_cz, "", path)) WriteXsdSkeleton(path, WorkFolderFile("JHmatr.TXT"));
}
void TForm1::bNactiOICClick() {
  std::string path;
  if (!browser::ChooseFile("Urči soubor CSV"_cz, "", path)) return;
  Browse(payroll::fpr_rol(), [&path] {
    payroll::fpr_rol().SetupPr_rol(payroll::kEmployeeFile);
    ImportEmployeeIdentifiers(payroll::fpr_rol(), path);
  });
}
void TForm1::bXSDmat2Click() {
  std::string path;
  if (browser::ChooseFile("Urči soubor XSD"_cz, "", path)) WriteXsdTypeList(path, WorkFolderFile("JHmatr.TXT"));
}
void TForm1::bNulujMatriciClick() {
  std::string path;
  if (browser::ChooseFile("Urči Matrici"_cz, "", path)) payroll::fJHXML().ClearMatrixValues(path);
}
void TForm1::bPridejDalsiClick() {
  std::string path;
  if (!browser::ChooseFile("Urči soubor TXT"_cz, "", path)) return;
  Browse(payroll::fJHcis(), [&path] {
    payroll::fJHcis().SetupJHcis();
    AddFurtherTerms(payroll::fJHcis(), path);
  });
}
void TForm1::bISCOClick() { Browse(codelists::fISCO(), [] { codelists::SetupISCO(codelists::fISCO()); }); }
void TForm1::bDodatecneClick() {
  std::string path;
  if (browser::ChooseFile("Urči soubor Dodatků"_cz, "", path)) WriteSupplementLayout(path, WorkFolderFile("PrDod.pol"));
}
void TForm1::bZemeClick() { Browse(codelists::fZeme(), [] { codelists::SetupZeme(codelists::fZeme()); }); }
void TForm1::bPrDodClick() { Browse(payroll::fPrDod(), [] { payroll::fPrDod().SetupPrDod(); }); }
void TForm1::bMZ_RZDClick() { Browse(payroll::fMZ_RZD(), [] { payroll::fMZ_RZD().SetupMZ_RZD(); }); }

// ---------------------------------------------------------------- services

bool Exiting() { return common::CurrentSession().Exiting; }

void EndOfRunClose() {
  // A signal noted where no loop looked yet (a start-up step): the close shows nothing.
  if (NotedSignal() != 0) BeginQuietEnd();
  common::Session& s = common::CurrentSession();
  s.Exiting = true;
  CloseCodeListForms();
  common::ReleaseLocksAndDisconnect(s);
}

void LeaveModalForms(const ui::Form* keep) {
  const std::vector<ui::Form*> modal = ui::ModalForms();
  for (auto it = modal.rbegin(); it != modal.rend(); ++it) {
    ui::Form* f = *it;
    if (f == keep || f->modalDone()) continue;
    f->SetModalResult(ui::mr::Cancel);
    if (!f->modalDone()) f->SetVisible(false);  // a window that refuses to close still ends its run
  }
}

TForm1* RunningMainWindow() { return g_main; }

std::function<void()>& CloseCodeListFormsHook() {
  static std::function<void()> hook;
  return hook;
}

void CloseCodeListForms() {
  try {
    if (CloseCodeListFormsHook())
      CloseCodeListFormsHook()();
    else
      codelists::CloseCodeListForms();
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" pise soubor: ", e.file, e.code);
  }
}

std::function<bool()>& MergeCi60Hook() {
  static std::function<bool()> hook;
  return hook;
}

bool IsRebuildCommandLine(const std::vector<std::string>& args) { return args.size() == 1 && args[0] == "CI6160"; }

void Browse(browser::TfRol& window, const std::function<void()>& setup) {
  if (setup) setup();
  window.ShowModal();
  window.CloseBrowse();
}

void NotImplemented(const std::string& className) {
  ui::ShowMessage("Tato funkce zatím není k dispozici (okno "_cz + className + ").");
}

}  // namespace app
