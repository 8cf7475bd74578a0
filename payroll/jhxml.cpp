#include "payroll/jhxml.h"

#include <algorithm>
#include <cmath>

#include "browser/choosers/inout.h"
#include "browser/dialogs.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "payroll/jhbuild.h"
#include "payroll/jhcis.h"
#include "payroll/jhvyk.h"
#include "payroll/prrol.h"
#include "payroll/xmltemplate.h"

namespace payroll {

using namespace common::literals;

TfJHXML& fJHXML() { return browser::SingleWindow<TfJHXML>(); }

namespace {

bool ChooseFile(const std::string& caption, std::string& path) { return browser::ChooseFile(caption, "", path); }

bool SameFile(const std::string& a, const std::string& b) {
  common::FileStat sa, sb;
  return common::GetFileInfo(a, sa) == 0 && common::GetFileInfo(b, sb) == 0 && sa.dev == sb.dev && sa.ino == sb.ino;
}

void ShowRows(TfJHvyk& w, const std::string& fileName) {
  w.SetupJHvyk(fileName);
  w.ShowModal();
  w.CloseBrowse();
}

}  // namespace

TfJHXML::TfJHXML()
    : ui::Form("fJHXML"),
      Label1(Add<ui::Label>("Label1")),
      Edit1(Add<ui::Edit>("Edit1")),
      bJHCIS(Add<ui::Button>("bJHCIS")),
      bJHvyk(Add<ui::Button>("bJHvyk")),
      bJHvyk2(Add<ui::Button>("bJHvyk2")),
      Button1(Add<ui::Button>("Button1")),
      bJHvykXml(Add<ui::Button>("bJHvykXml")),
      bVykazXML(Add<ui::Button>("bVykazXML")),
      bPrVzor(Add<ui::Button>("bPrVzor")),
      bPrihl(Add<ui::Button>("bPrihl")),
      bPrihlXML(Add<ui::Button>("bPrihlXML")),
      bZebriky(Add<ui::Button>("bZebriky")),
      bPoznamky(Add<ui::Button>("bPoznamky")),
      Button2(Add<ui::Button>("Button2")) {
  SetCaption("Tvorba JH XML");
  SetBounds(200, 120, 560, 330);
  keyPreview = true;
  ui::Font red = Label1.font();
  red.bold = true;
  red.color = ui::Rgb(0xFF, 0, 0);
  Label1.SetFont(red);
  Label1.SetText("Label1");
  Label1.SetBounds(16, 12, 520, 20);
  Edit1.SetText("Edit1");
  Edit1.SetBounds(16, 260, 121, 21);
  struct Spec {
    ui::Button* button;
    const char* caption;
    int left, top;
    void (TfJHXML::*click)();
  };
  const Spec specs[] = {
      {&bJHCIS, "JHCIS", 16, 48, &TfJHXML::bJHCISClick},
      {&bJHvyk, "JHvyk", 16, 88, &TfJHXML::bJHvykClick},
      {&bJHvyk2, "JHvyk -> JHvyk2", 16, 128, &TfJHXML::bJHvyk2Click},
      {&Button1, "JHvyk2", 16, 168, &TfJHXML::Button1Click},
      {&bJHvykXml, "JHvyk2 -> Xml", 16, 208, &TfJHXML::bJHvykXmlClick},
      {&bVykazXML, "Vykaz do XML", 200, 48, &TfJHXML::bVykazXMLClick},
      {&bPrVzor, "Vzor Prihl (MZ8)", 200, 88, &TfJHXML::bPrVzorClick},
      {&bPrihl, "Prihl rozni", 200, 128, &TfJHXML::bPrihlClick},
      {&bPrihlXML, "Prih do XML", 200, 168, &TfJHXML::bPrihlXMLClick},
      {&bZebriky, "Zebriky NE", 384, 48, &TfJHXML::bZebrikyClick},
      {&bPoznamky, "Poznamky NE", 384, 88, &TfJHXML::bPoznamkyClick},
      {&Button2, "MasterMatrice", 384, 208, &TfJHXML::Button2Click},
  };
  for (const Spec& s : specs) {
    s.button->SetText(s.caption);
    s.button->SetBounds(s.left, s.top, 150, 25);
    s.button->onClick = [this, click = s.click](ui::Control&) { (this->*click)(); };
  }
  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
}

void TfJHXML::FormKeyDown(int& key, ui::Shift) {
  if (key != ui::vk::Esc) return;
  key = 0;
  SetModalResult(ui::mr::Cancel);
}

void TfJHXML::ShowStatus(const std::string& text) {
  Label1.SetText(text);
  ui::ProcessMessages();
}

void TfJHXML::bJHCISClick() {
  TfJHcis& w = fJHcis();
  w.SetupJHcis();
  w.ShowModal();
  w.CloseBrowse();
}

void TfJHXML::bJHvykClick() {
  std::string path;
  if (ChooseFile("Urči výkaz JHvyk.dta"_cz, path)) ShowRows(fJHvyk(), "=" + path);
}

void TfJHXML::bJHvyk2Click() {
  std::string path;
  if (!ChooseFile("Urči výkaz JHvyk.dta"_cz, path)) return;
  const std::int32_t size = common::CheckFile(path);
  if (size < 0) return common::FileErrorMessage(" cte soubor: ", path, -size);
  if (size < kRowLength) return;
  // The extended rows go where the "JHvyk2" button shows them; the source must not be that file.
  if (SameFile(path, kExtendedRowsFile))
    return common::MessageOk("Výkaz "_cz + path + " je cílem rozšíření ("_cz + kExtendedRowsFile + "), zvolte jiný"_cz);
  // The employee data (the OIČ) may be completed first.
  Tfpr_rol& employees = fpr_rol();
  employees.SetupPr_rol(kEmployeeFile);
  employees.MayEdit = employees.MayAdd = true;
  std::fill(employees.FieldStates.begin(), employees.FieldStates.end(), 1);
  employees.ShowModal();
  bool carried = false;
  {
    // A file kept read only said so at its opening: refused here once, not opened again.
    const common::RefusalTail tail(", rozšíření výkazu neproběhlo"_cz);
    carried = employees.MayCarry();
  }
  employees.CloseBrowse();
  if (!carried) return;
  TermIndex terms;
  if (!LoadTermIndex(terms)) return;
  if (!ExtendRowsWithOic(path, kExtendedRowsFile, terms, {}, nullptr)) return;
  ShowRows(fJHvyk2(), std::string("=") + kExtendedRowsFile);
}

void TfJHXML::Button1Click() { ShowRows(fJHvyk2(), std::string("=") + kExtendedRowsFile); }

void TfJHXML::bJHvykXmlClick() {
  std::string path;
  if (ChooseFile("Urči výkaz JHvyk.dta"_cz, path))
    BuildReportXml(path, common::DataDir("\\JH\\VYKAZ.xml"), [this](const std::string& t) { ShowStatus(t); });
}

void TfJHXML::bVykazXMLClick() {
  std::string path;
  if (ChooseFile("Urči výkaz JHvyk.dta"_cz, path))
    BuildReportXml(path, common::DataDir("\\jh\\Vykaz.XML"), [this](const std::string& t) { ShowStatus(t); });
}

void TfJHXML::bPrVzorClick() {
  TfJHcis& terms = fJHcis();
  terms.SetupJHcis();
  ShowRows(fJHvyk(), "=" + common::ProgDir("\\mz8\\JMHZ\\JHPrVzor.dta"));
  terms.CloseBrowse();
}

void TfJHXML::bPrihlClick() {
  std::string path;
  if (!ChooseFile("Urči soubor prihl"_cz, path)) return;
  TfJHcis& terms = fJHcis();
  terms.SetupJHcis();
  ShowRows(fJHvyk(), "=" + path);
  terms.CloseBrowse();
}

void TfJHXML::bPrihlXMLClick() {
  std::string path;
  if (!ChooseFile("Urči soubor prihl"_cz, path)) path = common::DataDir("JHprihl.dta");
  BuildRegistrationXml(path, common::DataDir("\\JH\\PRIHLASKA.XML"), [this](const std::string& t) { ShowStatus(t); });
}

void TfJHXML::bZebrikyClick() {
  std::uint8_t& s = JhSwitches().JhZebriky;
  s = static_cast<std::uint8_t>(1 - s);
  bZebriky.SetText(s == 1 ? "Žebříky ANO"_cz : "Žebříky NE"_cz);
}

void TfJHXML::bPoznamkyClick() {
  std::uint8_t& s = JhSwitches().JhPoznamky;
  s = static_cast<std::uint8_t>(1 - s);
  bPoznamky.SetText(s == 1 ? "Poznámky ANO"_cz : "Poznámky NE"_cz);
}

void TfJHXML::Button2Click() {
  const double x = common::TextToFloat(Edit1.text());
  SetCaption(common::FormatNumberMask("#########", x));
  Button2.SetText(common::FormatNumberMask("######.##", std::trunc(x + 0.999999)));
}

void TfJHXML::ClearMatrixValues(const std::string& file) {
  try {
    payroll::ClearMatrixValues(file);
  } catch (const common::IoError& e) {
    ShowTemplateIoError(e);
  }
}

}  // namespace payroll
