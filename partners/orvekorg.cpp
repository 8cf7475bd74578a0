#include "partners/orvekorg.h"

#include <memory>

#include "browser/choosers/dirdialog.h"
#include "browser/entries.h"
#include "common/encoding.h"
#include "common/inplace.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/text.h"
#include "common/winpath.h"
#include "partners/org.h"
#include "partners/orgtools.h"
#include "ui/keys.h"

namespace partners {

using common::Cz;

TfOrvekOrg::TfOrvekOrg()
    : ui::Form("fOrvekOrg"),
      Label1(Add<ui::Label>("Label1")),
      eSlHp(Add<ui::Edit>("eSlHp")),
      Label2(Add<ui::Label>("Label2")),
      eSlSat(Add<ui::Edit>("eSlSat")),
      Button1(Add<ui::Button>("Button1")) {
  SetCaption(Cz("Orvek - Import Org"));
  SetBorderStyle(ui::BorderStyle::Dialog);
  SetBounds(200, 150, 420, 200);
  keyPreview = true;
  Label1.SetText(Cz("Složka Hlavní počítač"));
  Label1.SetBounds(16, 12, 200, 16);
  eSlHp.SetBounds(16, 30, 380, 21);
  Label2.SetText(Cz("Složka Satelit"));
  Label2.SetBounds(16, 60, 200, 16);
  eSlSat.SetBounds(16, 78, 380, 21);
  Button1.SetText(Cz("Přenos 10000-14999 ze Satelitu"));
  Button1.SetBounds(16, 116, 380, 28);
  onActivate = [this](ui::Form&) { FormActivate(); };
  onKeyDown = [this](ui::Control&, int& key, ui::Shift) { FormKeyDown(key); };
  eSlHp.onClick = [this](ui::Control&) { eSlHpClick(); };
  eSlSat.onClick = [this](ui::Control&) { eSlSatClick(); };
  Button1.onClick = [this](ui::Control&) { Button1Click(); };
}

void TfOrvekOrg::FormActivate() {
  if (const std::string v = common::ReadParam(kOrgPar, "SlHP"); !v.empty()) eSlHp.SetText(v);
  if (const std::string v = common::ReadParam(kOrgPar, "SlSat"); !v.empty()) eSlSat.SetText(v);
}

void TfOrvekOrg::FormKeyDown(int& key) {
  if (key != ui::vk::Esc) return;
  key = 0;
  SetModalResult(ui::mr::Cancel);
}

namespace {
void ChooseInto(ui::Edit& edit, const char* title, const char* key) {
  if (browser::ChooseFolder(Cz(title), edit.text())) edit.SetText(common::RemoveSpaces(browser::fDirDialog().Folder));
  common::WriteParam(kOrgPar, key, edit.text());
}
}  // namespace

void TfOrvekOrg::eSlHpClick() { ChooseInto(eSlHp, "Urči složku Hlavního počítače", "SlHP"); }
void TfOrvekOrg::eSlSatClick() { ChooseInto(eSlSat, "Urči složku Satelitního počítače", "SlSat"); }
void TfOrvekOrg::Button1Click() { TransferFromSatellite(eSlHp.text(), eSlSat.text()); }

std::string WithSeparator(const std::string& folder) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder;
  return folder + "\\";
}

void TransferFromSatellite(const std::string& mainFolder, const std::string& satelliteFolder) {
  const std::string mainName = "=" + WithSeparator(mainFolder) + "org.dta";
  const std::string refused = Cz(", přenos neproběhl");
  // A main file the user may only read takes nothing: said before anything is opened.
  {
    common::File probe;
    if (const int code = probe.Open(mainName.substr(1), common::kModeReadWrite);
        code != 0 && code != common::io::kFileNotFound) {
      common::MessageOk(Cz("Soubor ") + common::ShownPath(mainName) + Cz(" nelze zapsat (err ") + std::to_string(code) +
                        ")" + refused);
      return;
    }
  }
  TfOrg& main = fOrg();
  TfOrg& satellite = fOrg2();
  SetupOrg(main, mainName);
  if (!main.DataFileUsable()) {  // its opening said why
    common::MessageOk(Cz("Soubor ") + main.ShownName() + Cz(" nelze zapsat") + refused);
    main.CloseBrowse();
    return;
  }
  SetupOrg(satellite, "=" + WithSeparator(satelliteFolder) + "org.dta");
  bool go = true;
  const common::RefusalTail tail(refused);
  const bool carried = satellite.MayCarry();
  // Counted after the check, which may have waited for a writer or put a copy back.
  const std::int32_t last = satellite.Count;
  if (!carried) {
    go = false;  // said: nothing is written to the main computer
  } else if (last < kSatelliteFirst) {
    common::MessageOk(Cz("ORG ze satelitu mají jen ") + common::FormatFloatMask("##### ", last) +
                      Cz("záznamů, nic nepřenáším"));
    go = false;
  } else if (main.Count < kSatelliteFirst - 1) {
    go = browser::AskOne(10, 10, Cz("ORG mají jen ") + common::FormatFloatMask("##### ", main.Count) +
                                     Cz("záznamů, mám pokračovat"));
  }
  if (go) {
    // Other transfers and new partners of the main computer wait their turn.
    common::ScopedFileLock lock(OrgLockPath(main), "W");
    go = !lock.Stopped();
    main.DataFileReopen();
    while (go && main.Count < kSatelliteFirst - 1) {
      main.RecordBuffer = main.BlankRecord;
      PutOrgWord(main.RecordBuffer, of::Number, static_cast<std::uint16_t>(main.Count + 1));
      if (!main.AppendRecord()) {
        go = false;
        break;
      }
    }
    for (std::int32_t n = kSatelliteFirst; go && n <= last; ++n) {
      satellite.RecordReadAt(n);
      if (!satellite.lastIoOk()) break;
      main.RecordBuffer = satellite.RecordBuffer;
      if (n > main.Count)
        (void)main.AppendRecord();
      else
        main.RecordWriteAt(n);
      if (!main.lastIoOk()) break;
    }
  }
  satellite.CloseBrowse();
  main.DataFileReopen();
  main.ShowModal();
  main.CloseBrowse();
}

namespace {
std::unique_ptr<TfOrvekOrg>& Instance() {
  static std::unique_ptr<TfOrvekOrg> w;
  return w;
}
}  // namespace

TfOrvekOrg& fOrvekOrg() {
  if (!Instance()) Instance() = std::make_unique<TfOrvekOrg>();
  return *Instance();
}

void DestroyOrvekOrgWindow() { Instance().reset(); }

}  // namespace partners
