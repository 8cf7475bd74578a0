#include "app/codelistmenu.h"

#include <algorithm>
#include <array>

#include "app/form1.h"
#include "browser/entries.h"
#include "codelists/assets.h"
#include "codelists/cashflow.h"
#include "codelists/chart.h"
#include "codelists/ci01load.h"
#include "codelists/cis60.h"
#include "codelists/income.h"
#include "codelists/lists.h"
#include "codelists/livestock.h"
#include "codelists/outlines.h"
#include "codelists/schemes.h"
#include "codelists/small.h"
#include "codelists/stock.h"
#include "combined/fci92.h"
#include "combined/form2.h"
#include "common/convert.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/winpath.h"

namespace app {

using namespace common::literals;
using common::Cz;

namespace {

template <class Window, class Setup>
std::function<void()> Row(Window& (*instance)(), Setup setup) {
  return [instance, setup] {
    Window& w = instance();
    Browse(w, [&w, setup] { setup(w); });
  };
}

template <class Window>
std::function<void()> Row(Window& (*instance)(), void (*setup)(Window&, std::string_view), const char* argument) {
  return Row(instance, [setup, argument](Window& w) { setup(w, argument); });
}

void OpenCis14() {
  ConvertAndSeedCis14();
  codelists::TfCis14& w = codelists::fCis14();
  Browse(w, [&w] { codelists::SetupCis14(w); });
}

struct Kind {
  const char* key;
  const char* text;
};
constexpr std::array<Kind, 12> kBlockedKinds = {{
    {"310", "Zvýšení vstupní ceny"},
    {"320", "Oprava účetního odpisu"},
    {"330", "Oprava odpisového plánu"},
    {"340", "Oprava způsobu daň. odepisování"},
    {"341", "Vynechání daňového odpisu"},
    {"342", "Poloviční daňový odpis"},
    {"350", "Oprava vstupní ceny"},
    {"360", "Oprava celk. daňových odpisů"},
    {"370", "Oprava data zařazení"},
    {"380", "Oprava celk. účetních odpisů"},
    {"390", "Oprava způs. odep. a plánu ÚO"},
    {"395", "Rozdělení invest. majetku"},
}};

// Sets the list up, loads it from the combined file when it is empty, closes it;
// nothing once the run is ending.
template <class Window>
void LoadWhenEmpty(Window& (*instance)(), void (*setup)(Window&), std::int32_t (*load)(Window&)) {
  if (Exiting()) return;
  Window& w = instance();
  setup(w);
  if (w.DataFileUsable() && w.Count == 0) load(w);
  w.CloseBrowse();
}

}  // namespace

const std::vector<CodeListMenuRow>& CodeListMenu() {
  using namespace codelists;
  static const std::vector<CodeListMenuRow> rows = {
      {" 10 Účtová osnova", Row(&fCis10, &SetupCis10)},
      {" 11 Předkontace", Row(&fCis11, &SetupCis11)},
      {" 13 Pohyby zvířat", Row(&fCis13, &SetupCis13)},
      {" 14 Investiční majetek", &OpenCis14},
      {" 15 Pohyby skladů", Row(&fCis15, &SetupCis15)},
      {" 20 Osnova rozvahy - výkaz", Row(&fCis20, &SetupCis20)},
      {" 21 Osnova výsledovky - interní ", Row(&fCis21, &SetupCis21)},
      {" 22 Osnova výsledovky - výkaz", Row(&fCis22, &SetupCis22)},
      {" 23 Osnova rozvahy - interní", Row(&fCis23, &SetupCis23)},
      {" 24 Osnova výsledovky - interní ", Row(&fCis24, &SetupCis24)},
      {" 25 Osnova výsledovky - interní", Row(&fCis25, &SetupCis25)},
      {" 26 Výkaz zisků a ztrát - pro grafiku", Row(&fCis26, &SetupCis26, "26")},
      {" 27 Rozvaha - pro grafiku ", Row(&fCis27, &SetupCis27, "27")},
      {" 28 Cash flow", Row(&fCis28, &SetupCis28, "CI28.dta")},
      {" 29 Cash flow - 2003", Row(&fCis28, &SetupCis28, "CI29.dta")},
      {" 30 Organizační struktura - střediska", Row(&fCis30, &SetupCis30)},
      {" 35 Organizační struktura - činnosti", Row(&fCis35, &SetupCis35)},
      {" 60 Klíče mzdových listů", Row(&fCis60, &SetupCis60)},
      {"-----------------------------------", nullptr},
      {" 62 Kategorie pracovníků", Row(&fCis62, &SetupCis62)},
      {" 63 Měsíce v roce", Row(&fCis63, &SetupCis63)},
      {" 51 Odborové známky", Row(&fCis51, &SetupCis51)},
      {" 18 Kategorie zvířat", Row(&fCis18, &SetupCis18)},
      {" 65 Technologické skupiny", Row(&fCis65, &SetupCis65)},
      {" 36 Zakázky", Row(&fCis36, &SetupCis36)},
      {" 76 Vysledovka SMS", Row(&fCis26, &SetupCis26, "76")},
      {" 77 Rozvaha SMS", Row(&fCis270, &SetupCis270, "77")},
      {" 80 Příloha A.4.", Row(&fCis27P, &SetupCis27P, "80")},
      {" 81 Příloha A.5.", Row(&fCis27P, &SetupCis27P, "81")},
      {" 82 Příloha A.10.", Row(&fCis27P, &SetupCis27P, "82")},
      {" 83 Příloha B.", Row(&fCis27P, &SetupCis27P, "83")},
      {" 84 Příloha C.", Row(&fCis27P, &SetupCis27P, "84")},
      {" 85 Příloha F.", Row(&fCis27P, &SetupCis27P, "85")},
      {" 86 Příloha GH.", Row(&fCis27P, &SetupCis27P, "86")},
      {" 260 Výsledovka - státní výkaz ", Row(&fCis260, &SetupCis260, "260")},
      {" 270 Rozvaha - státní výkaz ", Row(&fCis270, &SetupCis270, "270")},
  };
  return rows;
}

std::string MenuMarks(int row, char mark) {
  std::string marks(40, ' ');
  if (row >= 1 && row <= 40) marks[static_cast<std::size_t>(row - 1)] = mark;
  return marks;
}

void MigrateCombinedCodeLists() {
  using namespace codelists;
  if (common::CheckFile(common::DataDir("ci10.dta")) >= 2) return;
  {
    // The old panel of another workstation makes and edits the same pieces.
    common::ScopedFileLock lock(common::DataDir(combined::kCodeListUpdateLock), "W");
    // A wait given up by the end of the run: no step of the opening follows.
    if (Exiting()) return;
    // Esc at the wait: nothing is migrated or loaded now; the next opening tries again.
    if (lock.Stopped()) return;
    // A combined file that cannot be split is used no further (the split said why).
    if (common::CheckFile(common::DataDir(kCi01Name)) > 2 && !combined::fCI92().SplitCodeLists()) return;
    for (int list : kMigratedPieces) {
      const std::string n = std::to_string(list);
      const std::string piece = common::DataDir("ci." + n);
      const std::string target = common::DataDir("ci" + n + ".dta");
      if (common::CheckFile(piece) <= 2) continue;
      // A list emptied by a step that did not finish gets its entries back from the copy
      // first, which would otherwise be put back over the piece.
      if (!common::PutBackBeforeReplacing(target, ", díl "_cz + common::ShownPath(piece) + " zůstává, jak byl"_cz))
        continue;
      // A list that holds entries keeps them: only a missing or empty one takes the piece.
      if (common::CheckFile(target) < 2) common::RenameFileSafe(piece, target);
    }
  }
  LoadWhenEmpty(&fCis10, &SetupCis10, &LoadCis10FromCI01);
  LoadWhenEmpty(&fCis13, &SetupCis13, &LoadCis13FromCI01);
  LoadWhenEmpty(&fCis30, &SetupCis30, &LoadCis30FromCI01);
  LoadWhenEmpty(&fCis35, &SetupCis35, &LoadCis35FromCI01);
  LoadWhenEmpty(&fCis51, &SetupCis51, &LoadCis51FromCI01);
  LoadWhenEmpty(&fCis18, &SetupCis18, &LoadCis18FromCI01);
  LoadWhenEmpty(&fCis65, &SetupCis65, &LoadCis65FromCI01);
}

void ConvertAndSeedCis14() {
  const std::string file = common::DataDir("ci14.dta");
  if (common::CheckFile(file) <= 0) return;
  codelists::TfCis14& w = codelists::fCis14();
  // The kinds go in with the conversion, as one replacement: a run killed on the way
  // leaves the old list, which the next press converts and seeds.
  const auto seed = [&w](common::File& converted) {
    std::string records;
    if (int code = converted.ReadWhole(records)) return code;
    return converted.WriteWhole(SeedCis14(w, records));
  };
  try {
    common::ConvertFile(file, file, common::ProgDir("\\dlib\\ci14old.pol"), common::ProgDir("\\dlib\\ci14.pol"), seed);
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" pise soubor: ", e.file, e.code);
  }
}

std::string SeedCis14(codelists::TfCis14& w, std::string_view records) {
  const std::string templateRecord = w.NewRecordTemplate();
  const std::size_t length = templateRecord.size();
  std::vector<std::string> kept;
  std::size_t insertAt = std::string::npos;
  for (std::size_t at = 0; length > 0 && at + length <= records.size(); at += length) {
    const std::string record(records.substr(at, length));
    const std::string key = w.FieldOf(record, 1);
    if (key.starts_with('3')) {
      if (insertAt == std::string::npos) insertAt = kept.size();
      continue;
    }
    if (insertAt == std::string::npos && !key.empty() && static_cast<unsigned char>(key[0]) > '3') insertAt = kept.size();
    kept.push_back(record);
  }
  if (insertAt == std::string::npos) insertAt = kept.size();
  std::vector<std::string> seeded;
  for (const Kind& k : kBlockedKinds) {
    std::string rec = templateRecord;
    w.PutField(rec, 1, k.key);
    w.PutField(rec, 2, (Cz(k.text) + std::string(30, ' ')).substr(0, 30));
    w.PutField(rec, 7, "010708");
    w.PutField(rec, 8, "B");
    seeded.push_back(std::move(rec));
  }
  kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(insertAt), seeded.begin(), seeded.end());
  std::string out;
  out.reserve(kept.size() * length);
  for (const std::string& record : kept) out += record;
  return out;
}

void RunCodeListMenu() {
  MigrateCombinedCodeLists();
  const std::vector<CodeListMenuRow>& rows = CodeListMenu();
  std::string marks = MenuMarks(kCodeListSeparatorRow, '-');
  while (!Exiting()) {
    std::vector<std::string> items;
    for (std::size_t i = 0; i < rows.size(); ++i) items.push_back(marks[i] + Cz(rows[i].text));
    const int chosen = browser::ShowVyber(10, 10, nullptr, "Aktualizace číselníků"_cz, items).chosen;
    if (chosen < 1 || Exiting()) return;
    marks = MenuMarks(chosen, '*');
    if (chosen > kCodeListMenuRows) continue;
    const CodeListMenuRow& row = rows[static_cast<std::size_t>(chosen - 1)];
    if (row.open) row.open();
  }
}

}  // namespace app
