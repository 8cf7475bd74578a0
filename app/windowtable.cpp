#include "app/windowtable.h"

#include <map>
#include <stdexcept>

#include "app/form1.h"
#include "browser/blik.h"
#include "browser/cekej.h"
#include "browser/choosers/dirdialog.h"
#include "browser/choosers/edituj.h"
#include "browser/choosers/foto.h"
#include "browser/choosers/inout.h"
#include "browser/dotaz.h"
#include "browser/dotazy.h"
#include "browser/err.h"
#include "browser/hint.h"
#include "browser/kalk.h"
#include "browser/okno.h"
#include "browser/parsys.h"
#include "browser/rol.h"
#include "browser/soub.h"
#include "browser/volby.h"
#include "browser/vyber.h"
#include "backup/doccopy.h"
#include "backup/globkop.h"
#include "codelists/assets.h"
#include "codelists/cashflow.h"
#include "codelists/banks.h"
#include "codelists/cashkeys.h"
#include "codelists/firm.h"
#include "codelists/ownbanks.h"
#include "codelists/chart.h"
#include "codelists/csvregs.h"
#include "codelists/postal.h"
#include "codelists/slov.h"
#include "codelists/cis60.h"
#include "codelists/registers.h"
#include "codelists/stock.h"
#include "codelists/lists.h"
#include "codelists/outlines.h"
#include "codelists/schemes.h"
#include "codelists/income.h"
#include "codelists/livestock.h"
#include "codelists/small.h"
#include "partners/org.h"
#include "partners/orgvk.h"
#include "partners/orvekorg.h"
#include "partners/poukazka.h"
#include "partners/stitky.h"
#include "payroll/jhcis.h"
#include "payroll/jhvyk.h"
#include "payroll/jhxml.h"
#include "payroll/mzrzd.h"
#include "payroll/prrol.h"
#include "payroll/supplements.h"
#include "reports/fonty.h"
#include "reports/pozri.h"
#include "reports/spool.h"
#include "reports/spoolexc.h"
#include "combined/ci2005.h"
#include "combined/ciwindows.h"
#include "combined/fci92.h"
#include "combined/form2.h"
#include "common/lockclient.h"

namespace app {

// clang-format off
const std::array<WindowRow, kWindowCount> kWindowTable = {{
    {"TForm1", "Form1"}, {"TfRol", "fRol"}, {"TfSoub", "fSoub"}, {"TfBlik", "fBlik"},
    {"TfErr", "fErr"}, {"TfHelp", "fHelp"}, {"TfPozri", "fPozri"}, {"TfPozri", "fPozri2"},
    {"TfCi30", "fCi30"}, {"TfCi99", "fCi99"}, {"TfOrg", "fOrg"}, {"TfOrg", "fOrg2"},
    {"TfBankKody", "fBankKody"}, {"TfDotazy", "fDotazy"}, {"TfDotaz", "fDotaz"}, {"TfOkno", "fOkno"},
    {"TfParSys", "fParSys"}, {"TfORGVK", "fORGVK"}, {"TfKl", "fKl"}, {"TfSpool", "fSpool"},
    {"TfCIOUT", "fCIOUT"}, {"TfCIIN", "fCIIN"}, {"TfCi15", "fCi15"}, {"TFCI92", "FCI92"},
    {"TfCi61", "fCi61"}, {"TfCi10", "fCi10"}, {"TfCi20", "fCi20"}, {"TfCi21", "fCi21"},
    {"TfCi22", "fCi22"}, {"TfCi23", "fCi23"}, {"TfCi11", "fCi11"}, {"TfCi14", "fCi14"},
    {"TfCi28", "fCi28"}, {"TfCi62", "fCi62"}, {"TfCi63", "fCi63"}, {"TfCi26", "fCi26"},
    {"TfCi27", "fCi27"}, {"TfCis26", "fCis26"}, {"TfCis27", "fCis27"}, {"TfCis29", "fCis29"},
    {"TfFMA", "fFMA"}, {"TfSlov", "fSlov"}, {"TfStitky", "fStitky"}, {"tfSam", "fSam"},
    {"TfStaty", "fStaty"}, {"TfKalk", "fKalk"}, {"TfVyber", "fVyber"}, {"TForm2", "Form2"},
    {"TfInOut", "fInOut"}, {"TfCis10", "fCis10"}, {"TfCis11", "fCis11"}, {"TfCis14", "fCis14"},
    {"TfCis15", "fCis15"}, {"TfCis20", "fCis20"}, {"TfCis21", "fCis21"}, {"TfCis22", "fCis22"},
    {"TfCis23", "fCis23"}, {"TfCis24", "fCis24"}, {"TfCis25", "fCis25"}, {"TfCis28", "fCis28"},
    {"TfCis30", "fCis30"}, {"TfCis35", "fCis35"}, {"TfCis62", "fCis62"}, {"TfCis63", "fCis63"},
    {"TfCis13", "fCis13"}, {"TfCi2005", "fCi2005"}, {"TfCis51", "fCis51"}, {"TfCis18", "fCis18"},
    {"TfCis65", "fCis65"}, {"TfFontyTisky", "fFontyTisky"}, {"TfOFZpUh", "fOFZpUh"}, {"TfVolby", "fVolby"},
    {"TfCis36", "fCis36"}, {"TfCis77", "fCis77"}, {"TfClient", "fClient"}, {"TfEdituj", "fEdituj"},
    {"TfHint", "fHint"}, {"TfCis60", "fCis60"}, {"TfCis60b", "fCis60b"}, {"TfCis61", "fCis61"},
    {"TfCis78", "fCis78"}, {"Tfpsc", "fpsc"}, {"TfKodyBank", "fKodyBank"}, {"TfDirDialog", "fDirDialog"},
    {"TfPoukazkA", "fPoukazkA"}, {"TfGlobKop", "fGlobKop"}, {"TfKopieDokladu", "fKopieDokladu"},
    {"TfKopieDokladuP", "fKopieDokladuP"}, {"TfFotoDialog", "fFotoDialog"}, {"TfFoto", "fFoto"},
    {"TfCis270", "fCis270"}, {"TfCis27P", "fCis27P"}, {"TfCis260", "fCis260"}, {"TfTXT1", "fTXT1"},
    {"TfObce", "fObce"}, {"TfOrvekOrg", "fOrvekOrg"}, {"TfSpotrDan", "fSpotrDan"}, {"TfSpoolExc", "fSpoolExc"},
    {"TfCekej", "fCekej"}, {"TfJHcis", "fJHcis"}, {"TfJHvyk", "fJHvyk"}, {"TfJHvyk2", "fJHvyk2"},
    {"Tfpr_rol", "fpr_rol"}, {"TfZuj", "fZuj"}, {"TfISCO", "fISCO"}, {"TfZeme", "fZeme"},
    {"TfJHXML", "fJHXML"}, {"TfPrDod", "fPrDod"}, {"TfMZ_RZD", "fMZ_RZD"}, {"TfRZproJH", "fRZproJH"},
}};
// clang-format on

namespace {

using Owned = std::vector<std::unique_ptr<ui::Form>>;

template <class T>
ui::Form* Own(Owned& owned, std::unique_ptr<T> w) {
  ui::Form* f = w.get();
  owned.push_back(std::move(w));
  return f;
}

// How each built class comes into being; the classes not listed get a stand-in.
// A window with a single instance of its own is taken through its accessor.
using Creator = std::function<ui::Form*(Owned&, const WindowRow&)>;
const std::map<std::string, Creator>& Creators() {
  static const std::map<std::string, Creator> creators = [] {
    std::map<std::string, Creator> c = {
      {"TfRol", [](Owned& o, const WindowRow& r) { return Own(o, std::make_unique<browser::TfRol>(r.instance)); }},
      {"TfSoub", [](Owned& o, const WindowRow& r) { return Own(o, std::make_unique<browser::TfSoub>(r.instance)); }},
      {"TfOkno", [](Owned& o, const WindowRow& r) { return Own(o, std::make_unique<browser::TfOkno>(r.instance)); }},
      {"TfParSys", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fParSys(); }},
      {"TfInOut", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fInOut(); }},
      {"TfDirDialog", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fDirDialog(); }},
      {"TfEdituj", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fEdituj(); }},
      {"TfFotoDialog", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fFotoDialog(); }},
      {"TfFoto", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fFoto(); }},
      {"TfBlik", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fBlik(); }},
      {"TfErr", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fErr(); }},
      {"TfDotazy", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fDotazy(); }},
      {"TfDotaz", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fDotaz(); }},
      {"TfKalk", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fKalk(); }},
      {"TfVyber", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fVyber(); }},
      {"TfVolby", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fVolby(); }},
      {"TfHint", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fHint(); }},
      {"TfCekej", [](Owned&, const WindowRow&) -> ui::Form* { return &browser::fCekej(); }},
      {"TfCis11", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis11(); }},
      {"TfCis20", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis20(); }},
      {"TfCis23", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis23(); }},
      {"TfCis36", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis36(); }},
      {"TfCi2005", [](Owned&, const WindowRow&) -> ui::Form* { return &combined::fCi2005(); }},
      {"TFCI92", [](Owned&, const WindowRow&) -> ui::Form* { return &combined::fCI92(); }},
      {"TForm2", [](Owned&, const WindowRow&) -> ui::Form* { return &combined::fForm2(); }},
      {"TfCis10", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis10(); }},
      {"TfCis15", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis15(); }},
      {"TfCis30", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis30(); }},
      {"TfCis26", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis26(); }},
      {"TfStaty", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fStaty(); }},
      {"TfSpotrDan", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fSpotrDan(); }},
      {"TfOFZpUh", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fOFZpUh(); }},
      {"TfTXT1", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fTXT1(); }},
      {"TfKodyBank", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fKodyBank(); }},
      {"TfKl", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fKl(); }},
      {"TfBankKody", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fBankKody(); }},
      {"TfFMA", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fFMA(); }},
      {"TfCis27", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis27(); }},
      {"TfCis28", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis28(); }},
      {"TfCis29", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis29(); }},
      {"TfCis270", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis270(); }},
      {"TfCis27P", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis27P(); }},
      {"TfCis260", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis260(); }},
      {"TfCis14", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis14(); }},
      {"TfCis21", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis21(); }},
      {"TfCis22", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis22(); }},
      {"TfCis24", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis24(); }},
      {"TfCis25", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis25(); }},
      {"TfCis62", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis62(); }},
      {"TfCis63", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis63(); }},
      {"TfCis35", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis35(); }},
      {"TfCis51", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis51(); }},
      {"TfCis13", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis13(); }},
      {"TfCis18", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis18(); }},
      {"TfCis65", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis65(); }},
      {"Tfpsc", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fpsc(); }},
      {"TfObce", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fObce(); }},
      {"TfZuj", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fZuj(); }},
      {"TfISCO", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fISCO(); }},
      {"TfZeme", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fZeme(); }},
      {"TfSlov", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fSlov(); }},
      {"TfCis60", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis60(); }},
      {"TfCis60b", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis60b(); }},
      {"TfCis61", [](Owned&, const WindowRow&) -> ui::Form* { return &codelists::fCis61(); }},
      {"TfGlobKop", [](Owned&, const WindowRow&) -> ui::Form* { return &backup::fGlobKop(); }},
      {"TfKopieDokladu", [](Owned&, const WindowRow&) -> ui::Form* { return &backup::fKopieDokladu(); }},
      {"TfKopieDokladuP", [](Owned&, const WindowRow&) -> ui::Form* { return &backup::fKopieDokladuP(); }},
      {"Tfpr_rol", [](Owned&, const WindowRow&) -> ui::Form* { return &payroll::fpr_rol(); }},
      {"TfJHcis", [](Owned&, const WindowRow&) -> ui::Form* { return &payroll::fJHcis(); }},
      {"TfJHvyk", [](Owned&, const WindowRow&) -> ui::Form* { return &payroll::fJHvyk(); }},
      {"TfJHvyk2", [](Owned&, const WindowRow&) -> ui::Form* { return &payroll::fJHvyk2(); }},
      {"TfFontyTisky", [](Owned&, const WindowRow&) -> ui::Form* { return &reports::fFontyTisky(); }},
      {"TfJHXML", [](Owned&, const WindowRow&) -> ui::Form* { return &payroll::fJHXML(); }},
      {"TfStitky", [](Owned&, const WindowRow&) -> ui::Form* { return &partners::fStitky(); }},
      {"tfSam", [](Owned&, const WindowRow&) -> ui::Form* { return &partners::fSam(); }},
      {"TfPoukazkA", [](Owned&, const WindowRow&) -> ui::Form* { return &partners::fPoukazkA(); }},
      {"TfOrg", [](Owned&, const WindowRow& row) -> ui::Form* {
         return row.instance == std::string_view("fOrg2") ? &partners::fOrg2() : &partners::fOrg();
       }},
      {"TfPrDod", [](Owned&, const WindowRow&) -> ui::Form* { return &payroll::fPrDod(); }},
      {"TfMZ_RZD", [](Owned&, const WindowRow&) -> ui::Form* { return &payroll::fMZ_RZD(); }},
      {"TfRZproJH", [](Owned&, const WindowRow&) -> ui::Form* { return &payroll::fRZproJH(); }},
      {"TfORGVK", [](Owned&, const WindowRow&) -> ui::Form* { return &partners::fORGVK(); }},
      {"TfOrvekOrg", [](Owned&, const WindowRow&) -> ui::Form* { return &partners::fOrvekOrg(); }},
      {"TfPozri", [](Owned&, const WindowRow& row) -> ui::Form* {
         return row.instance == std::string_view("fPozri2") ? &reports::fPozri2() : &reports::fPozri();
       }},
      {"TfSpool", [](Owned&, const WindowRow&) -> ui::Form* { return &reports::fSpool(); }},
      {"TfSpoolExc", [](Owned&, const WindowRow&) -> ui::Form* { return &reports::fSpoolExc(); }},
      // The lock-server client is not a window.
      {"TfClient", [](Owned&, const WindowRow&) -> ui::Form* {
         (void)common::CurrentLockClient();
         return nullptr;
       }},
    };
    // The windows over the pieces of the combined code-list file.
    for (const combined::PieceWindowSpec& spec : combined::PieceWindowSpecs()) {
      const int list = spec.list;
      c[spec.className] = [list](Owned&, const WindowRow&) -> ui::Form* { return &combined::fCiPiece(list); };
    }
    return c;
  }();
  return creators;
}

}  // namespace

TfNotBuilt::TfNotBuilt(std::string className, std::string instance)
    : ui::Form(std::move(instance)), className_(std::move(className)) {
  SetCaption(className_);
}

void TfNotBuilt::Open() { NotImplemented(className_); }

WindowTable::WindowTable() = default;

WindowTable::~WindowTable() {
  // Later windows go first; the main window, created first, goes last.
  while (!owned_.empty()) owned_.pop_back();
}

void WindowTable::CreateAll(std::vector<std::string> args) {
  if (!created_.empty()) throw std::logic_error("the windows exist already");
  for (int n = 1; n <= kWindowCount; ++n) {
    const WindowRow& row = kWindowTable[static_cast<std::size_t>(n - 1)];
    ui::Form* window = nullptr;
    if (n == 1) {
      window = Own(owned_, std::make_unique<TForm1>(std::move(args)));
    } else if (auto it = Creators().find(row.className); it != Creators().end()) {
      window = it->second(owned_, row);
    } else {
      window = Own(owned_, std::make_unique<TfNotBuilt>(row.className, row.instance));
    }
    windows_[static_cast<std::size_t>(n - 1)] = window;
    created_.push_back(row.className);
    if (onCreated && window) onCreated(n, *window);
  }
}

TForm1& WindowTable::Main() const {
  if (!windows_[0]) throw std::logic_error("the main window is not created yet");
  return static_cast<TForm1&>(*windows_[0]);
}

ui::Form* WindowTable::At(int n) const {
  if (n < 1 || n > kWindowCount) return nullptr;
  return windows_[static_cast<std::size_t>(n - 1)];
}

ui::Form* WindowTable::Find(const std::string& className) const {
  for (int n = 1; n <= kWindowCount; ++n)
    if (kWindowTable[static_cast<std::size_t>(n - 1)].className == className && windows_[static_cast<std::size_t>(n - 1)])
      return windows_[static_cast<std::size_t>(n - 1)];
  return nullptr;
}

}  // namespace app
