#include "app/program.h"

#include "app/ending.h"
#include "app/form1.h"
#include "app/windowtable.h"
#include "backup/pending.h"
#include "browser/appearance.h"
#include "browser/dialogs.h"
#include "browser/winsettings.h"
#include "codelists/firm.h"
#include "codelists/lists.h"
#include "codelists/banks.h"
#include "codelists/ownbanks.h"
#include "codelists/postal.h"
#include "codelists/registers.h"
#include "codelists/slov.h"
#include "combined/windows.h"
#include "partners/orgservices.h"
#include "partners/org.h"
#include "partners/orgtools.h"
#include "reports/spool.h"
#include "partners/poukazka.h"
#include "reports/hooks.h"
#include "reports/pozri.h"
#include "common/notifier.h"
#include "common/session.h"
#include "common/startup.h"
#include "common/text.h"
#include "ui/ui.h"

namespace app {

void InstallPartnerPickers() {
  partners::InstallOrgTools();
  // The report list's "Zašifruj ORG a DOKLADY": from then on every partner record is read
  // as scrambled, so every one is stored so; records already stored so are left alone.
  reports::SpoolHooks().scrambleMarkedPartners = [] {
    if (common::CurrentSession().ScrambleOn) return true;
    partners::TfOrg& w = partners::fOrg2();
    partners::SetupOrg(w, "org.dta");
    // Every record the file holds under the turn, others' new partners too.
    const bool done = w.StepOverMarks([&w] {
      for (std::int32_t n = 1; n <= w.Count; ++n) w.MarkRecord(n);
      return w.OrgScrambleMarked(true);
    });
    w.CloseBrowse();
    return done;
  };
  partners::InstallMoneyOrderTool();
  partners::OrgHooks().ownAccount = [] {
    const codelists::FirmAccount a = codelists::ReadFirmAccount();
    return partners::OwnAccount{a.account, a.bankCode};
  };
  // Opened by itself (the main window's button), the postal-code search starts with the
  // town of the partner in the register's buffer; the partner card passes its own.
  codelists::PscTownSource() = [] {
    const std::string& record = partners::fOrg().RecordBuffer;
    if (record.size() < static_cast<std::size_t>(partners::kOrgRecordLength)) return std::string();
    return common::StripRightSp(partners::OrgText(record, partners::of::Town));
  };
  partners::OrgHooks().pickPostalCode = [](const std::string& town) -> std::optional<std::string> {
    if (auto r = codelists::PickPsc(town)) return r->psc;
    return std::nullopt;
  };
  partners::OrgHooks().pickCountry = []() -> std::optional<std::string> {
    if (auto r = codelists::PickCountry()) return r->name;
    return std::nullopt;
  };
  partners::OrgHooks().pickBank = [](const std::string& typed, bool byCode) -> std::optional<partners::BankChoice> {
    if (auto r = codelists::PickBank(byCode ? codelists::BankFind::ByCode : codelists::BankFind::ByName, typed))
      return partners::BankChoice{r->name, r->code};
    return std::nullopt;
  };
  partners::OrgHooks().pickOwnAccount = []() -> std::optional<std::int32_t> {
    if (auto r = codelists::PickOwnAccount(true)) return r->record;
    return std::nullopt;
  };
  partners::OrgHooks().ownAccountBankName = codelists::OwnAccountBankName;
}

int RunProgram(const std::vector<std::string>& args, const std::function<void(WindowTable&)>& beforeRun) {
  // The dialogs come first, so that start-up's own messages show as message boxes.
  browser::InstallBrowserDialogs();
  // The command-line rebuild has nobody to answer a message box: its messages go to
  // standard error, and any of them makes the exit status non-zero.
  BatchNotifier batchNotes;
  const bool batch = IsRebuildCommandLine(args);
  struct NotifierBack {
    bool on;
    ~NotifierBack() {
      if (on) common::SetNotifier(nullptr);
    }
  } notifierBack{batch};
  if (batch) common::SetNotifier(&batchNotes);
  // A signal noted at start-up (a message of it may be open then) lets no further step
  // begin; one under way, such as a restore being finished, runs to its end first.
  const auto ending = [] { return NotedSignal() != 0; };
  common::LoadStartupConfig({ui::PixelsPerInch(), ending});
  browser::DetectLargeFonts();
  reports::InstallReportServices();
  // The viewer's translation: the dictionary set up (not shown), then line by line.
  reports::ViewerHooks().openDictionary = [](const std::string& file) { codelists::SetupSlov(codelists::fSlov(), file); };
  reports::ViewerHooks().translate = codelists::SlovTranslateText;
  combined::InstallCodeListServices();
  int status = 0;
  InstallPartnerPickers();
  // A restore that a killed run or a held file left unfinished is finished before any
  // window works on the data.
  const int saidBefore = batchNotes.messages;
  if (!ending() && backup::FinishPendingRestores() == 0) batchNotes.messages = saidBefore;  // finished: news, not a failure
  if (ending()) {
    EndOfRunClose();
  } else {
    WindowTable windows;
    windows.CreateAll(args);
    if (beforeRun) beforeRun(windows);
    if (!ending()) ui::CurrentBackend().Run(windows.Main());
    windows.Main().FormClose();  // when the loop ended without the window closing
    status = windows.Main().ExitStatus;
  }
  codelists::DestroyCodeListWindows();
  browser::DestroyDialogWindows();
  if (batch && batchNotes.messages > 0 && status == 0) status = 1;
  return status;
}

}  // namespace app
