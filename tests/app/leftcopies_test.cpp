// The steps that replace a shared record file whole, or carry its bytes elsewhere, while a
// rollback copy a killed step left waits beside it: each puts the copy back first (said as
// an opening says it) and does what it does over the old file; a copy that cannot go back
// refuses the step, naming the file and the copy, and nothing is written.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <limits>

#include "app/ci60.h"
#include "app/cicopy.h"
#include "app/codelistmenu.h"
#include "app/language.h"
#include "app/form1.h"
#include "app/program.h"
#include "backup/pending.h"
#include "browser/entries.h"
#include "browser/volby.h"
#include "browser/vyber.h"
#include "codelists/cashkeys.h"
#include "codelists/ci01.h"
#include "codelists/ci01load.h"
#include "codelists/cis60.h"
#include "codelists/csvregs.h"
#include "codelists/lists.h"
#include "codelists/ownbanks.h"
#include "codelists/registers.h"
#include "codelists/small.h"
#include "combined/fci92.h"
#include "combined/form2.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/pascal.h"
#include "common/params.h"
#include "common/recfile.h"
#include "payroll/jhbuild.h"
#include "payroll/jhvyk.h"
#include "payroll/prrol.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "partners/orgtools.h"
#include "partners/orgvk.h"
#include "partners/poukazka.h"
#include "partners/orvekorg.h"
#include "partners/stitky.h"
#include "reports/spool.h"
#include "reports/writer.h"
#include "tests/app/appkit.h"
#include "tests/browser/testkit.h"
#include "tests/codelists/codelistkit.h"
#include "tests/combined/ci01kit.h"
#include "tests/common/leftcopy.h"

namespace {

using namespace common::literals;
namespace fs = std::filesystem;

// A record of a list's table: every field at its initial value, the first one `key`.
std::string Record(const codelists::CodeListSpec& spec, const std::string& key) {
  std::string r(static_cast<std::size_t>(spec.recordLength), '\0');
  std::size_t at = 0;
  for (const auto& field : spec.fields) {
    const std::string init = common::Cz(field.initial);
    common::PutCounted(r, at, at == 0 ? key : init, init.size());
    at += init.size() + 1;
  }
  return r;
}

// An old-layout (166-byte) record of list 14.
std::string OldCi14(const std::string& key) {
  std::string rec;
  const auto counted = [&rec](const std::string& text, std::size_t width) {
    rec += static_cast<char>(width);
    rec += text + std::string(width - text.size(), ' ');
  };
  counted(key, 3);
  counted("Druh " + key, 30);
  for (int i = 0; i < 4; ++i) counted("", 30);
  counted("200101", 6);
  return rec;
}

// A report row of the payroll: personal number, child mark, term, value.
std::string Row(const std::string& person, const std::string& term, const std::string& value) {
  std::string r(payroll::kRowLength, '\0');
  common::PutCounted(r, 0, person, 5);
  common::PutCounted(r, 6, " ", 1);
  common::PutCounted(r, 8, term, 5);
  common::PutCounted(r, 14, value, 64);
  return r;
}

class LeftCopies : public apptest::AppTest {
 protected:
  std::string D(const std::string& name) const { return dir / ("data/" + name); }
  // Everything but the start folder's settings goes between the runs.
  void Fresh() {
    codelists::CloseCodeListForms();
    common::FlushParams();
    for (const auto& e : fs::directory_iterator(dir.path())) {
      const std::string n = e.path().filename().string();
      if (n != "data.adr" && n != "prog.adr" && n != "master.job") fs::remove_all(e.path());
    }
    for (const char* f : {"data", "prog/dlib", "out"}) fs::create_directories(dir / f);
  }
};

TEST_F(LeftCopies, EachStepPutsTheCopyBackFirstOrIsRefusedWritingNothing) {
  MakeMain();
  const std::string ref = Record(codelists::Cis60Spec(), "150") + Record(codelists::Cis60Spec(), "289");
  const std::string firm = Record(codelists::Cis60Spec(), "999") + Record(codelists::Cis60Spec(), "150");
  const auto sources = [&] {
    ostest::WriteRaw(dir / "prog/ci/ci60.dta", ref);
    ostest::WriteRaw(D("CI61.DTA"), Record(codelists::Cis61Spec(), "150"));
  };
  const auto copyLists = [this](const std::string& from, const std::string& to) {
    return app::CopyCodeListFiles({"CI10.dta"}, from, to, main->ProgressBar1) == 0;
  };
  const std::string rows = Row("00001", "10054", "Jan") + Row("00002", "10054", "Eva");
  const auto extend = [this] { return payroll::ExtendRowsWithOic(D("JHvyk.dta"), "JHvyk1.dta", {}, {}, nullptr); };
  const std::string bako = [] {
    std::string r(89, '\0');
    r.replace(76, 13, "\x0c" "CZ6508000000");
    return r;
  }();
  const std::vector<leftcopy::Step> steps = {
      {"Přestavba CI60", D("CI60.dta"), firm, sources, [] { return app::MergeCi60(app::RebuildMode::Button); },
       {D("CI60.dta")}, ", CI60.dta zůstává beze změny"_cz},
      {"CI6160", D("CI60.dta"), firm, sources, [] { return app::MergeCi60(app::RebuildMode::Batch); }, {D("CI60.dta")},
       ", CI60.dta zůstává beze změny"_cz},
      {"Úprava CI60 2024", D("CI60.dta"), firm, sources, [] { return app::ConvertCi60For2024(); },
       {D("CI60.dta"), D("kopie/CI60-240101-080000.wrk"), dir / "CI60.001", dir / "CI60.002", dir / "CI60.003"},
       ", úprava CI60 neproběhla"_cz},
      {"Jazyk číselníků", D("ci10.dta"), "Účty"_cz, [&] { ostest::WriteRaw(D("ciAN10.dta"), "Accounts"); },
       [] { return app::SwitchCodeListLanguage("CZ", "AN"); }, {D("ci10.dta"), D("ciCZ10.dta"), D("jazyk.dta")}, ""},
      {"Obnova číselníku", D("CI10.dta"), "Účty"_cz,
       [&] { ostest::WriteRaw(dir / "out/CI10.dta", "Obnovené"_cz); }, [&] { return copyLists(dir / "out/", D("")); },
       {D("CI10.dta")}, ", kopírování neproběhlo"_cz},
      {"Kopie číselníku", D("CI10.dta"), "Účty"_cz, [] {}, [&] { return copyLists(D(""), dir / "out/"); },
       {dir / "out/CI10.dta"}, ", kopírování neproběhlo"_cz, "HALF", "", "", true},
      // A list a killed delete left empty: the piece of the combined file would take its place.
      {"Přesun dílu", D("ci11.dta"), std::string(10, 'p'),
       [&] { ostest::WriteRaw(D("ci.11"), std::string(10, 'd')); },
       [&] {
         app::MigrateCombinedCodeLists();
         return fs::file_size(D("ci11.dta")) > 2;
       },
       {D("ci11.dta"), D("ci.11")}, ", díl "_cz + D("ci.11") + " zůstává, jak byl"_cz, ""},
      {"Převod ci14", D("ci14.dta"), OldCi14("100") + OldCi14("101"),
       [&] {
         for (const char* pol : {"ci14.pol", "ci14old.pol"})
           fs::copy_file(fs::path(APP_DLIB) / pol, fs::path(dir / "prog/dlib") / pol);
       },
       [&] {
         app::ConvertAndSeedCis14();
         return fs::file_size(D("ci14.dta")) % 168 == 0;
       },
       {D("ci14.dta")}, ", převod neproběhl"_cz, std::string(170, 'x'), "", "", false, "", true},  // into record 2, which the judging reads
      {"Převod bako", D("bako.dta"), bako, [] {}, [] { return codelists::ConvertOldBankKody(); }, {D("bako.dta")},
       ", převod neproběhl"_cz, "HALF", "", "", false, "", true},
      {"Rozšíření výkazu (cíl)", dir / "JHvyk1.dta", "staré řádky", [&] { ostest::WriteRaw(D("JHvyk.dta"), rows); },
       extend, {dir / "JHvyk1.dta"}, ", rozšíření výkazu neproběhlo"_cz, "HALF", "JHvyk1.dta"},
      {"Rozšíření výkazu (zdroj)", D("JHvyk.dta"), rows, [] {}, extend, {dir / "JHvyk1.dta", D("JHvyk.dta")},
       ", rozšíření výkazu neproběhlo"_cz},
      {"Zruš seznam štítků", dir / "samol.dta", "labels", [] {},
       [&] {
         partners::fStitky().Zruenseznamu1Click();
         return !fs::exists(dir / "samol.dta");
       },
       {dir / "samol.dta"}, ", seznam se neruší"_cz, "HALF", "samol.dta"},
      {"Dokončení obnovy", D("CI10.dta"), "Účty"_cz,
       [&] {
         ostest::WriteRaw(D("obnova.killed01/data/CI10.dta"), "Obnovené"_cz);
         ostest::WriteRaw(D("obnova.killed01/journal"), backup::JournalText({"data", {}, {"CI10.dta"}, false, "Obnova"}));
       },
       [] { return backup::FinishPendingRestores() == 0; }, {D("CI10.dta")},
       ", obnova dat bude dokončena při příštím spuštění programu"_cz, "HALF", "",
       "Soubor "_cz + D("CI10.dta") + " je otevřen na jiné stanici, obnova dat bude dokončena při příštím spuštění programu"_cz},
  };
  for (const leftcopy::Step& s : steps) leftcopy::Check(s, notes, [this] { Fresh(); });

  // Readers that carry a file's records elsewhere: the selection by criteria (org.dta into
  // the print's work file) and a list filled from CI01.DTA.
  const auto partner = [](int n, const std::string& name, const std::string& dic) {
    std::string r(partners::kOrgRecordLength, '\0');
    partners::PutOrgWord(r, partners::of::Number, static_cast<std::uint16_t>(n));
    partners::PutOrgText(r, partners::of::Name, name);
    partners::PutOrgText(r, partners::of::Dic, dic);
    return r;
  };
  std::string czMask = partners::EmptyCriteriaRow();
  common::PutCounted(czMask, 0, "CZ**************", 16);
  const std::vector<leftcopy::Step> readers = {
      {"Výběr podle kritérií", D("org.dta"), partner(1, "Dub", "CZ1") + partner(2, "Buk", "SK2") + partner(3, "Lipa", "CZ3"),
       [&] {
         std::string rows = czMask;
         for (int n = 1; n < partners::kCriteriaRows; ++n) rows += partners::EmptyCriteriaRow();
         ostest::WriteRaw(D(partners::TfORGVK::CriteriaName()), rows);
       },
       [] {
         partners::TfORGVK& vk = partners::fORGVK();
         partners::SetupORGVK(vk, "");
         vk.CloseBrowse();
         return vk.SelectionRun && vk.Selected == 2;
       },
       {D(partners::TfORGVK::WorkName()), D(partners::TfORGVK::CriteriaName())}, ", výběr partnerů neproběhl"_cz,
       "HALF", "", "", true, "", false, true},
      {"Načti z CI01.DTA", D("CI01.DTA"), ci01test::Rec("35", "000123", "3", "00") + ci01test::Rec("35", "000200", "3", "00"),
       [&] { ostest::WriteRaw(D("CI35.DTA"), ""); },
       [] {
         codelists::TfCis35& w = codelists::fCis35();
         codelists::SetupCis35(w);
         const std::int32_t loaded = codelists::LoadCis35FromCI01(w);
         w.CloseBrowse();
         return loaded == 2;
       },
       {D("CI35.DTA")}, ", číselník zůstal beze změny"_cz, "HALF", "", "", true},
  };
  for (const leftcopy::Step& s : readers) leftcopy::Check(s, notes, [this] { Fresh(); });

  // Steps that read a register or a list through its window to carry the records elsewhere:
  // the partner transfer, the partner prints, the labels' address list, CI6160's sources and
  // the payroll tools. A window kept read only by its copy carries nothing either.
  dlgtest::FakeViewer viewer;
  browser::SetReportServices(&viewer, nullptr, nullptr);
  int choice = 0, lists = 0;
  backend.OnModal<browser::TfVyber>([&](browser::TfVyber& v) {
    backend.DoubleClick(*v.Rows[lists++ == 0 ? choice : 4]);  // the choice, then the order
  });
  backend.OnModal<browser::TfVolby>([&](browser::TfVolby&) { backend.Press(ui::vk::F(2)); });
  backend.OnModal("fOrg", [](ui::Form& f) {
    auto& w = static_cast<partners::TfOrg&>(f);
    if (w.Count >= 3) w.MarkRecord(1), w.MarkRecord(3);
    f.SetModalResult(ui::mr::Cancel);
  });
  const auto firms = [&](int count, int from, const std::vector<std::string>& names) {
    std::string bytes;
    for (int n = 1; n <= count; ++n) {
      const int i = n - from;
      bytes += partner(n, i >= 0 && i < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(i)] : "Firma " + std::to_string(n), "CZ" + std::to_string(n));
    }
    return bytes;
  };
  const auto print = [&](int chosen) {
    return [&, chosen] {
      fs::copy_file(fs::path(PARTNERS_DLIB) / "org.pol", fs::path(dir / "prog/dlib") / "org.pol",
                    fs::copy_options::overwrite_existing);
      choice = chosen;
      lists = 0;
      main->PrintPartners();
      return fs::exists(dir / "OR0201.TXT");
    };
  };
  const std::vector<std::string> report = {dir / "OR0201.TXT", dir / "XLS/OR0201.CSV", D(partners::TfORGVK::WorkName())};
  const std::string sat = dir / "sat/org.dta", mainOrg = dir / "main/org.dta";
  const auto employee = [](const std::string& number) {
    std::string r(payroll::kEmployeeLength, '\0');
    common::PutCounted(r, 0, number, 5);
    common::PutCounted(r, 1638, number + "00000", 10);
    return r;
  };
  const std::string ref60 = Record(codelists::Cis60Spec(), "150") + Record(codelists::Cis60Spec(), "289");
  const std::vector<leftcopy::Step> carriers = {
      {"Přenos ze Satelitu", sat, firms(10001, 10000, {"Nova A", "Nova B"}),
       [&] { ostest::WriteRaw(mainOrg, firms(9999, 10000, {})); },
       [&] {
         partners::TransferFromSatellite(dir / "main", dir / "sat");
         return fs::file_size(mainOrg) == 10001u * partners::kOrgRecordLength;
       },
       {mainOrg}, ", přenos neproběhl"_cz, "HALF", "", "", true, "", true, true, true},
      {"Tisk všech partnerů", D("org.dta"), firms(3, 1, {}), [] {}, print(3), report, ", tisk neproběhl"_cz, "HALF",
       "org.dta", "", true, leftcopy::CopyOf(D("org.dta")), true, true, true},
      {"Tisk označených partnerů", D("org.dta"), firms(3, 1, {}), [] {}, print(1), report, ", tisk neproběhl"_cz, "HALF",
       "org.dta", "", true, leftcopy::CopyOf(D("org.dta")), true, true},
      {"Přidání označených adres do seznamu", D("org.dta"), firms(3, 1, {}), [] {},
       [&] {
         partners::fStitky().Pidnoznaenchadresdoseznamu1Click();
         return fs::exists(dir / "samol.dta") && fs::file_size(dir / "samol.dta") == 2u * partners::kOrgRecordLength;
       },
       {dir / "samol.dta"}, ", do seznamu se nic nepřidává"_cz, "HALF", "org.dta", "", true, leftcopy::CopyOf(D("org.dta")), true,
       true},
      {"CI6160 (CI61.DTA)", D("CI61.DTA"), Record(codelists::Cis61Spec(), "150"),
       [&] {
         ostest::WriteRaw(dir / "prog/ci/ci60.dta", ref60);
         ostest::WriteRaw(D("CI60.dta"), firm);
       },
       [] { return app::MergeCi60(app::RebuildMode::Batch); }, {D("CI60.dta")}, ", CI60.dta zůstává beze změny"_cz, "HALF",
       "CI61.DTA", "", true, leftcopy::CopyOf(D("CI61.DTA")), true, true, true},
      {"CI6160 (vzor)", dir / "prog/ci/ci60.dta", ref60,
       [&] {
         ostest::WriteRaw(D("CI61.DTA"), Record(codelists::Cis61Spec(), "150"));
         ostest::WriteRaw(D("CI60.dta"), firm);
       },
       [] { return app::MergeCi60(app::RebuildMode::Batch); }, {D("CI60.dta")}, ", CI60.dta zůstává beze změny"_cz, "HALF",
       "", "", true, "", true, true},
      {"Tisk číselníku", dir / "prog/2/ZEME.dta", Record(codelists::ZemeSpec(), "CZ") + Record(codelists::ZemeSpec(), "SK"),
       [] {},
       [&] {
         browser::SetReportServices(&viewer, nullptr, &reports::TheReportOutput());
         codelists::TfZeme& z = codelists::fZeme();
         codelists::SetupZeme(z);
         z.PrintListing(1);
         z.CloseBrowse();
         browser::SetReportServices(&viewer, nullptr, nullptr);
         return fs::exists(dir / "TEXTY.TXT");
       },
       {dir / "TEXTY.TXT", dir / "XLS/TEXTY.CSV"}, ", tisk neproběhl"_cz, "HALF", "", "", true, "", true,
       true, true},
      {"Rozšíření výkazu (pracovníci)", D("pr2000.dta"), employee("00001") + employee("00002"),
       [&] { ostest::WriteRaw(D("JHvyk.dta"), rows); }, extend, {dir / "JHvyk1.dta"}, ", rozšíření výkazu neproběhlo"_cz,
       "HALF", "pr2000.dta", "", true, leftcopy::CopyOf(D("pr2000.dta")), true, true},
  };
  for (const leftcopy::Step& s : carriers) leftcopy::Check(s, notes, [this] { Fresh(); });
  browser::SetReportServices(nullptr, nullptr, nullptr);

  // The satellite's folder not writable, its org.dta writable, and no lock table there yet:
  // the table cannot be made, which the opening says as the reason once, and the transfer
  // refuses once, with nothing else said of the table.
  {
    SCOPED_TRACE("satellite folder not writable");
    Fresh();
    ostest::WriteRaw(mainOrg, firms(9999, 10000, {}));
    ostest::WriteRaw(sat, firms(10001, 10000, {"Nova A", "Nova B"}));
    leftcopy::LeaveUnfinishedCopy(sat);
    const std::string before = ostest::ReadRaw(mainOrg), left = ostest::ReadRaw(sat);
    notes.calls.clear();
    {
      common::FaultFileSystem faults;
      faults.Fail(common::FsOp::OpenWrite, EACCES, dir / "sat/.~tmp");
      for (const auto op : {common::FsOp::Unlink, common::FsOp::Rename, common::FsOp::MakeDir})
        faults.Fail(op, EACCES, dir / "sat/");
      common::ScopedFileSystem scoped(faults);
      partners::TransferFromSatellite(dir / "main", dir / "sat");
    }
    EXPECT_EQ(ostest::ReadRaw(mainOrg), before);
    EXPECT_EQ(ostest::ReadRaw(sat), left);
    EXPECT_FALSE(fs::exists(dir / "sat/FOT.tab"));
    const std::string why = "kopie "_cz + leftcopy::CopyOf(sat) + ", tabulku sdílení souborů FOT.tab nelze založit, do složky "_cz +
                            dir / "sat/" + " nelze zapisovat, err 5)"_cz;
    const std::string stuck = "Soubor "_cz + sat + " má nedokončený přepis, který nelze vrátit ("_cz + why;
    ASSERT_EQ(notes.calls.size(), 2u) << notes.Dump();
    EXPECT_EQ(notes.calls[0].text, stuck + ": otevírá se jen pro čtení"_cz);
    EXPECT_EQ(notes.calls[1].text, stuck + ", přenos neproběhl"_cz);
  }

  // "Nacti z CSV" replaces a register whole: its opening puts the copy back, or keeps the
  // register read only, and the import then refuses, naming the copy.
  const std::string zeme = dir / "prog/2/ZEME.dta";
  const leftcopy::Step import{"Nacti z CSV", zeme,
                              Record(codelists::ZemeSpec(), "CZ") + Record(codelists::ZemeSpec(), "SK"),
                              [&] { ostest::WriteRaw(dir / "out/zeme.csv", "1\n2\n3\nx;AT;x;x;Rakousko\n"); },
                              [&] {
                                codelists::TfZeme& z = codelists::fZeme();
                                codelists::SetupZeme(z);
                                const std::int32_t read = z.ImportCsv(dir / "out/zeme.csv");
                                z.CloseBrowse();
                                return read > 0;
                              },
                              {zeme}, ": otevírá se jen pro čtení"_cz, "HALF", "",
                              "Soubor "_cz + zeme + " právě přepisuje jiný uživatel (kopie "_cz + leftcopy::CopyOf(zeme) +
                                  "), změny se nezapisují"_cz};
  leftcopy::Check(import, notes, [this] { Fresh(); });
}

// A window kept read only by a copy that cannot go back shows its records, but off screen
// (a step's reads) carries none of them: the first read says so once, with the step's tail,
// and every read of the opening is refused; once the copy can go back the reads go on.
TEST_F(LeftCopies, AWindowKeptReadOnlyByItsCopyReadsOnlyOnScreen) {
  MakeMain();
  std::string firms;
  for (int n = 1; n <= 3; ++n) {
    std::string r(partners::kOrgRecordLength, '\0');
    partners::PutOrgWord(r, partners::of::Number, static_cast<std::uint16_t>(n));
    partners::PutOrgText(r, partners::of::Name, "Firma " + std::to_string(n));
    firms += r;
  }
  ostest::WriteRaw(D("org.dta"), firms);
  leftcopy::LeaveUnfinishedCopy(D("org.dta"));
  const std::string half = ostest::ReadRaw(D("org.dta")), copy = leftcopy::CopyOf(D("org.dta"));
  partners::TfOrg& w = partners::fOrg();
  std::vector<bool> onScreen;
  backend.OnModal("fOrg", [&](ui::Form&) {
    w.RecordRead(2);
    onScreen.push_back(w.lastIoOk() && partners::OrgText(w.RecordBuffer, partners::of::Name).starts_with("Firma 2 "));
    w.SetModalResult(ui::mr::Cancel);
  });
  {
    common::FaultFileSystem faults;
    faults.Fail(common::FsOp::OpenWrite, EACCES, D("org.dta"));
    common::ScopedFileSystem scoped(faults);
    const common::RefusalTail tail(", krok neproběhl"_cz);
    partners::SetupOrg(w, "org.dta");
    ASSERT_TRUE(w.ReadOnlyOpen());
    w.ShowModal();
    for (std::int32_t n = 1; n <= w.Count; ++n) {
      w.RecordRead(n);
      EXPECT_FALSE(w.lastIoOk()) << n;
    }
    w.RecordReadAt(1);
    EXPECT_FALSE(w.lastIoOk());
    w.CloseBrowse();
  }
  EXPECT_EQ(onScreen, std::vector<bool>{true});
  EXPECT_EQ(ostest::ReadRaw(D("org.dta")), half);
  const std::string stuck = "Soubor org.dta má nedokončený přepis, který nelze vrátit (kopie "_cz + copy +
                            ", soubor org.dta nelze zapsat, err 5"_cz;
  std::vector<std::string> said;
  for (const auto& c : notes.calls) said.push_back(c.text);
  EXPECT_EQ(said, (std::vector<std::string>{stuck + "): otevírá se jen pro čtení"_cz, stuck + "), krok neproběhl"_cz}));

  // On screen or off, the window's own steps that carry its records elsewhere ask first: the
  // partner list ("Opis LV"), the mail lists, the money orders and a list's print each refuse
  // once after the opening's notice, writing nothing.
  partners::InstallOrgTools();
  browser::SetReportServices(nullptr, nullptr, &reports::TheReportOutput());
  const std::string zeme = dir / "prog/2/ZEME.dta";
  ostest::WriteRaw(zeme, Record(codelists::ZemeSpec(), "CZ"));
  leftcopy::LeaveUnfinishedCopy(zeme);
  const struct {
    const char* name;
    std::function<void()> run;
    std::string tail, shown, file;
  } steps[] = {
      {"Opis LV", [&] { partners::OrgHooks().tools["OpisLV1"](w); }, ", opis neproběhl"_cz, "org.dta", D("org.dta")},
      {"Mail adresy", [&] { partners::OrgHooks().tools["Mailadresy1"](w); }, ", adresy nejsou zapsány"_cz, "org.dta",
       D("org.dta")},
      {"Tisk poukázek", [&] { partners::TiskPoukazek1Click(w); }, ", poukázky se netisknou"_cz, "org.dta", D("org.dta")},
      {"Tisk číselníku", [] { codelists::fZeme().PrintListing(1); }, ", tisk neproběhl"_cz, zeme, zeme},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    notes.calls.clear();
    {
      common::FaultFileSystem faults;
      faults.Fail(common::FsOp::OpenWrite, EACCES, step.file);
      common::ScopedFileSystem scoped(faults);
      if (step.file == zeme) codelists::SetupZeme(codelists::fZeme());
      else partners::SetupOrg(w, "org.dta");
      step.run();
      if (step.file == zeme) codelists::fZeme().CloseBrowse();
      else w.CloseBrowse();
    }
    const std::string held = "Soubor "_cz + step.shown + " má nedokončený přepis, který nelze vrátit (kopie "_cz +
                             leftcopy::CopyOf(step.file) + ", soubor "_cz + fs::path(step.file).filename().string() +
                             " nelze zapsat, err 5)"_cz;
    said.clear();
    for (const auto& c : notes.calls) said.push_back(c.text);
    EXPECT_EQ(said, (std::vector<std::string>{held + ": otevírá se jen pro čtení"_cz, held + step.tail}));
    for (const char* out : {"SEZNAM.TXT", "Maily0.txt", "TEXTY.TXT"}) EXPECT_FALSE(fs::exists(dir / out)) << out;
  }
  browser::SetReportServices(nullptr, nullptr, nullptr);

  // The file writable again: the next opening puts the copy back and the reads go on.
  notes.calls.clear();
  partners::SetupOrg(w, "org.dta");
  w.RecordRead(1);
  EXPECT_TRUE(w.lastIoOk());
  EXPECT_TRUE(partners::OrgText(w.RecordBuffer, partners::of::Name).starts_with("Firma 1 "));
  w.CloseBrowse();
  EXPECT_EQ(ostest::ReadRaw(D("org.dta")), firms);
  EXPECT_FALSE(fs::exists(copy));
}

// A window opened before another workstation's step was killed on its file, leaving its
// copy: the window's own rewrite of the file (a sort, a new record, an edit, a delete, a key
// change) puts the copy back first, said as an opening says it, and runs on the file as
// put back; a copy that cannot go back refuses the step, naming the copy and why, and
// nothing is written over the file.
TEST_F(LeftCopies, ARewriteInAWindowOpenedBeforeTheCopyAppearedPutsItBackFirstOrIsRefused) {
  MakeMain();
  soubtest::ScriptedEdit edit;
  browser::SoubHooks().editView = &edit;
  const std::string zuj = dir / "prog/2/ZUJ.dta", zeme = dir / "prog/2/ZEME.dta";
  const auto zujRec = [](const std::string& name) {
    return cltest::MakeRecord(codelists::ZujSpec(), {{1, "000001"}, {2, name}});
  };
  const auto zemeRec = [](const std::string& code, const std::string& name) {
    return cltest::MakeRecord(codelists::ZemeSpec(), {{1, code}, {2, name}});
  };
  const std::string countries = zemeRec("CZ", "Česko") + zemeRec("SK", "Slovensko") + zemeRec("AT", "Rakousko");
  const auto key = [](const std::string& text, int kam) {
    std::string r(31, '\0'), t = common::Cz(text);
    t.resize(27, ' ');
    common::PutCounted(r, 0, t, 27);
    r[28] = static_cast<char>(kam);
    return r;
  };
  std::string keys;
  for (int k = 1; k <= 255; ++k) keys += key(k == 3 ? "Tři" : k == 12 ? "Dvanáct" : "", k == 3 ? 12 : 0);
  codelists::TfZeme& z = codelists::fZeme();
  const auto openZeme = [&] { codelists::SetupZeme(z); };
  partners::TfORGVK& vk = partners::fORGVK();
  std::string criteria = partners::EmptyCriteriaRow() + partners::EmptyCriteriaRow();
  common::PutCounted(criteria, partners::kCriteriaLength, "CZ**************", 16);
  for (int n = 2; n < partners::kCriteriaRows; ++n) criteria += partners::EmptyCriteriaRow();
  std::string partners;
  for (const auto& [name, dic] : {std::pair{"Dub", "CZ1"}, {"Buk", "SK2"}, {"Lipa", "CZ3"}}) {
    std::string r(partners::kOrgRecordLength, '\0');
    partners::PutOrgWord(r, partners::of::Number, static_cast<std::uint16_t>(partners.size() / partners::kOrgRecordLength + 1));
    partners::PutOrgText(r, partners::of::Name, name);
    partners::PutOrgText(r, partners::of::Dic, dic);
    partners += r;
  }
  const struct Row {
    const char* name;
    std::string file, before;
    std::function<void()> open, run, close;
    bool refusedOverTheChangedRecord = false;  // the step's record is the one the killed step changed
    std::string shown = {};                    // the file as the window names it (empty: `file`)
    std::string tail = {};                     // what a refusal says after the copy (empty: the window's)
    std::function<void(bool wrote)> after = {};  // more to check once closed (whether the step went through)
  } rows[] = {
      {"Setřiď ZUJ", zuj, zujRec("Žatec") + zujRec("Cheb") + zujRec("Adamov"), [&] { codelists::SetupZuj(codelists::fZuj()); },
       [&] { codelists::fZuj().SortByName(); }, [&] { codelists::fZuj().CloseBrowse(); }},
      {"F4 F2 v TfZeme", zeme, countries, openZeme,
       [&] {
         edit.Type("PL").Keys("Down").Type("Polsko").Keys("F2");
         z.NewRecord();
       },
       [&] { z.CloseBrowse(); }},
      {"oprava v TfZeme", zeme, countries, openZeme,
       [&] {
         z.GoToRecord(2, 0);
         edit.Keys("Down").Type("Slovenská republika").Keys("F2");
         z.EditRecord();
       },
       [&] { z.CloseBrowse(); }},
      {"Shift+F4 v TfZeme", zeme, countries, openZeme,
       [&] {
         z.GoToRecord(2, 0);
         edit.Keys("Down").Type("Slovensko SR").Keys("F2");
         z.EditRecordNoCheck();
       },
       [&] { z.CloseBrowse(); }},
      {"zrušení v TfZeme", zeme, countries, openZeme,
       [&] {
         z.GoToRecord(3, 0);
         z.DeleteRecord(z.Current);
       },
       [&] { z.CloseBrowse(); }},
      {"Setřiď textů", D("provozy.dta"),
       Record(codelists::TXT1Spec(), "Sklad") + Record(codelists::TXT1Spec(), "Dílna"_cz) + Record(codelists::TXT1Spec(), "Archiv"),
       [&] { codelists::SetupTXT1(codelists::fTXT1(), "provozy.dta", "Provoz"); }, [&] { codelists::fTXT1().SortTexts(); },
       [&] { codelists::fTXT1().CloseBrowse(); }, false, "provozy.dta"},
      {"přečíslování klíče", D("klicew.dta"), keys, [&] { codelists::SetupKl(codelists::fKl()); },
       [&] { codelists::fKl().RenumberKey(12, 40); }, [&] { codelists::fKl().CloseBrowse(); }, false, "klicew.dta"},
      // The selection criteria: F7 clears row 2; the close compacts the rows (row 2's DIČ
      // mask up to row 1) and selects the partners it names from org.dta.
      {"F7 ve výběrových kritériích", D(partners::TfORGVK::CriteriaName()), criteria, [&] { partners::SetupORGVK(vk, ""); },
       [&] {
         vk.GoToRecord(2, 0);
         vk.KeyF7(vk.Current);
       },
       [&] { vk.CloseBrowse(); }, false, partners::TfORGVK::CriteriaName()},
      {"zhuštění kritérií při zavření", D(partners::TfORGVK::CriteriaName()), criteria,
       [&] {
         ostest::WriteRaw(D("org.dta"), partners);
         partners::SetupORGVK(vk, "");
       },
       [] {}, [&] { vk.CloseBrowse(); }, false, partners::TfORGVK::CriteriaName(), ", výběr partnerů neproběhl"_cz,
       [&](bool wrote) {
         EXPECT_EQ(vk.SelectionRun, wrote);
         if (wrote) EXPECT_EQ(vk.Selected, 2);  // the two CZ partners, from the file as put back
         EXPECT_EQ(fs::exists(D(partners::TfORGVK::WorkName())), wrote);
       }},
      // The edit began on the half record: once it is put back the edit no longer applies.
      {"oprava věty přepsané krokem", zeme, countries, openZeme,
       [&] {
         z.GoToRecord(1, 0);
         edit.Keys("Down").Type("Čechy").Keys("F2");
         z.EditRecord();
       },
       [&] { z.CloseBrowse(); }, true},
  };
  const auto noCopyRefusal = [&] {
    for (const auto& c : notes.calls) EXPECT_EQ(c.text.find("kopii pro n"_cz), std::string::npos) << c.text;
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string copy = leftcopy::CopyOf(r.file), shown = r.shown.empty() ? r.file : r.shown;
    // The window opens, then the other workstation's step is killed on the file.
    const auto start = [&](bool leaveCopy) {
      Fresh();
      browser::SoubHooks().editView = &edit;
      edit.steps.clear();
      ostest::WriteRaw(r.file, r.before);
      r.open();
      if (leaveCopy) leftcopy::LeaveUnfinishedCopy(r.file);
      notes.calls.clear();
    };
    const std::string tail = r.tail.empty() ? ", soubor se nepřepíše"_cz : r.tail;
    const auto after = [&](bool wrote) {
      if (r.after) r.after(wrote);
    };
    start(false);
    r.run();
    r.close();
    const std::string expected = ostest::ReadRaw(r.file);
    ASSERT_NE(expected, r.before) << notes.Dump();
    after(true);

    // Put back first, then the step over the file as put back.
    start(true);
    ASSERT_NE(ostest::ReadRaw(r.file), r.before);
    r.run();
    r.close();
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(leftcopy::Said(notes, "Soubor "_cz + shown + " byl vrácen do stavu před nedokončeným přepisem"_cz))
        << notes.Dump();
    if (r.refusedOverTheChangedRecord) {
      EXPECT_EQ(ostest::ReadRaw(r.file), r.before);
      EXPECT_TRUE(leftcopy::Said(notes, "Vaše opravy neplatí, větu změnil jiný uživatel"_cz)) << notes.Dump();
    } else {
      EXPECT_EQ(ostest::ReadRaw(r.file), expected) << notes.Dump();
    }
    after(!r.refusedOverTheChangedRecord);
    noCopyRefusal();

    // A copy that cannot be read: refused, naming it; the file stays as the killed step left it.
    start(true);
    std::string left = ostest::ReadRaw(r.file);
    {
      common::FaultFileSystem faults;
      faults.Fail(common::FsOp::Read, EIO, ".rollback");
      common::ScopedFileSystem scoped(faults);
      r.run();
      r.close();
    }
    EXPECT_EQ(ostest::ReadRaw(r.file), left);
    EXPECT_TRUE(fs::exists(copy));
    EXPECT_TRUE(leftcopy::Said(notes, "Soubor "_cz + shown + " má nedokončený přepis, který nelze vrátit (kopie "_cz + copy +
                                          ")" + tail))
        << notes.Dump();
    after(false);
    noCopyRefusal();

    // Put back, but the copy cannot be erased: the step writes nothing over the put-back file
    // (the copy would take it back again).
    start(true);
    {
      common::FaultFileSystem faults;
      faults.Fail(common::FsOp::Unlink, EACCES, ".rollback");
      common::ScopedFileSystem scoped(faults);
      r.run();
      r.close();
    }
    EXPECT_EQ(ostest::ReadRaw(r.file), r.before);
    EXPECT_TRUE(fs::exists(copy));
    EXPECT_TRUE(leftcopy::SaidNaming(notes, shown, "byl vrácen do stavu před nedokončeným přepisem, ale kopii "_cz + copy,
                                     tail))
        << notes.Dump();
    after(false);
    noCopyRefusal();
  }
  browser::SoubHooks() = {};

  // The other workstation a process of its own, killed in its rewrite of the register while
  // it holds its turn, its copy made and its in-use entry taken: the window's sort puts the copy
  // back and sorts the register as it was before that step; its lock entry stays.
  {
    SCOPED_TRACE("killed process");
    Fresh();
    ostest::WriteRaw(zuj, zujRec("Žatec") + zujRec("Cheb") + zujRec("Adamov"));
    codelists::TfZuj& w = codelists::fZuj();
    codelists::SetupZuj(w);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      common::CurrentSession().CurrentUser = "02";
      common::File f;
      common::FileTurn turn;
      common::InPlaceRewrite step;
      if (common::LockFile(zuj, "") != common::LockResult::Held || f.Open(zuj, common::kModeReadWrite) != 0 ||
          turn.Take(f) != 0 || step.Begin(f, 0, std::numeric_limits<std::uint64_t>::max()) != 0 ||
          f.WriteAt(0, "HALF", 4) != 0)
        _exit(1);
      raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(fs::exists(leftcopy::CopyOf(zuj)));
    notes.calls.clear();
    w.SortByName();
    w.CloseBrowse();
    EXPECT_EQ(ostest::ReadRaw(zuj), zujRec("Adamov") + zujRec("Cheb") + zujRec("Žatec")) << notes.Dump();
    EXPECT_FALSE(fs::exists(leftcopy::CopyOf(zuj)));
    EXPECT_FALSE(common::IfVolny(zuj).empty());  // nothing takes a lock entry away silently
    EXPECT_TRUE(leftcopy::Said(notes, "Soubor "_cz + zuj + " byl vrácen do stavu před nedokončeným přepisem"_cz)) << notes.Dump();
    noCopyRefusal();
  }

  // The rewrite's own start, under the turn its caller holds, meets the copy the same way: put
  // back (or refused), said, and nothing of the step written, since what the caller read is stale.
  for (const bool readable : {true, false}) {
    SCOPED_TRACE(readable ? "Begin, copy put back" : "Begin, copy unreadable");
    Fresh();
    const std::string file = D("ci10.dta");
    ostest::WriteRaw(file, "Účty"_cz);
    leftcopy::LeaveUnfinishedCopy(file);
    const std::string left = ostest::ReadRaw(file);
    notes.calls.clear();
    common::File f;
    ASSERT_EQ(f.Open(file, common::kModeReadWrite), 0);
    common::FileTurn turn;
    ASSERT_EQ(turn.Take(f), 0);
    common::InPlaceRewrite step;
    {
      common::FaultFileSystem faults;
      if (!readable) faults.Fail(common::FsOp::Read, EIO, ".rollback");
      common::ScopedFileSystem scoped(faults);
      EXPECT_EQ(step.Begin(f, 0, 4), common::io::kUnfinishedRewrite);
    }
    EXPECT_FALSE(step.Active());
    EXPECT_EQ(ostest::ReadRaw(file), readable ? "Účty"_cz : left);
    EXPECT_EQ(fs::exists(leftcopy::CopyOf(file)), !readable);
    EXPECT_TRUE(leftcopy::Said(notes, readable ? "Soubor "_cz + file + " byl vrácen do stavu před nedokončeným přepisem"_cz
                                               : "Soubor "_cz + file + " má nedokončený přepis, který nelze vrátit (kopie "_cz +
                                                     leftcopy::CopyOf(file) + "), soubor se nepřepíše"_cz))
        << notes.Dump();
  }
}

// The combined code-list file and its pieces: the split, the assembly and the old panel's
// simple update go through the same rule, whichever of their files holds the copy.
TEST_F(LeftCopies, TheSplitAndTheAssemblyOfTheCodeListPiecesKeepTheRule) {
  MakeMain();
  const std::string ci01 = ci01test::Rec("10", "110000", "6", "00", "Alfa  ") + ci01test::Rec("10", "220000", "6", "00", "Beta  ") +
                           ci01test::Rec("99", "000001", "0", "00", "Zbytek");
  // The pieces as the split makes them.
  Fresh();
  ostest::WriteRaw(D("CI01.DTA"), ci01);
  ASSERT_TRUE(combined::fCI92().SplitCodeLists()) << notes.Dump();
  const std::string piece10 = ostest::ReadRaw(D("ci.10")), rest = ostest::ReadRaw(D("ci.99"));
  ASSERT_EQ(piece10.size() % 79, 0u);
  ASSERT_GE(piece10.size(), 2 * 79u);
  const std::vector<std::string> all = {D("CI01.DTA"), D("ci.10"), D("ci.99")};
  const auto pieces = [&] {
    ostest::WriteRaw(D("ci.10"), piece10);
    ostest::WriteRaw(D("ci.99"), rest);
  };
  int choices = 0;
  backend.OnModal("fVyber", [&](ui::Form& f) {
    ++choices;
    f.Close();
  });
  const std::vector<leftcopy::Step> steps = {
      // A piece's sort killed half way: its second record written over the first.
      {"Rozdělení (díl)", D("ci.10"), piece10, [&] { ostest::WriteRaw(D("CI01.DTA"), ci01); },
       [] { return combined::fCI92().SplitCodeLists(); }, all, ", číselníky nerozděluji, díly zůstávají, jak byly"_cz,
       piece10.substr(79, 79)},
      {"Rozdělení (CI01.DTA)", D("CI01.DTA"), ci01, [] {}, [] { return combined::fCI92().SplitCodeLists(); }, all,
       ", číselníky nerozděluji, díly zůstávají, jak byly"_cz},
      // The rest piece is made after every other piece has gone.
      {"Rozdělení (ci.99)", D("ci.99"), rest,
       [&] {
         ostest::WriteRaw(D("CI01.DTA"), ci01);
         ostest::WriteRaw(D("ci.10"), piece10);
       },
       [] { return combined::fCI92().SplitCodeLists(); }, all, ", číselníky nerozděluji, díly zůstávají, jak byly"_cz},
      {"Složení (díl)", D("ci.10"), piece10, [&] { ostest::WriteRaw(D("CI01.DTA"), ci01), ostest::WriteRaw(D("ci.99"), rest); },
       [] { return combined::fCI92().AssembleCodeLists(); }, all,
       ", číselníky nejsou složeny, CI01.DTA zůstává, jak byl"_cz, piece10.substr(79, 79)},
      {"Složení (CI01.DTA)", D("CI01.DTA"), ci01, pieces, [] { return combined::fCI92().AssembleCodeLists(); }, all,
       ", číselníky nejsou složeny, CI01.DTA zůstává, jak byl"_cz},
      {"Jednoduchá aktualizace", D("CI01.DTA"), ci01, [] {},
       [&] {
         choices = 0;
         combined::fForm2().Button1Click();
         return choices > 0;
       },
       all, ", číselníky nerozděluji, díly zůstávají, jak byly"_cz},
  };
  for (const leftcopy::Step& s : steps) leftcopy::Check(s, notes, [this] { Fresh(); });

  // A piece's sort killed half way, then the assembly: CI01.DTA gets the piece's old
  // records (110000 Alfa and 220000 Beta), as from the piece before the sort.
  Fresh();
  pieces();
  ostest::WriteRaw(D("CI01.DTA"), ci01);
  ASSERT_TRUE(combined::fCI92().AssembleCodeLists()) << notes.Dump();
  const std::string whole = ostest::ReadRaw(D("CI01.DTA"));
  Fresh();
  pieces();
  ostest::WriteRaw(D("CI01.DTA"), ci01);
  leftcopy::LeaveUnfinishedCopy(D("ci.10"), piece10.substr(79, 79));
  ASSERT_TRUE(combined::fCI92().AssembleCodeLists()) << notes.Dump();
  EXPECT_EQ(ostest::ReadRaw(D("CI01.DTA")), whole);
  std::vector<std::string> names;
  std::vector<std::string> records;
  ASSERT_EQ(codelists::ReadCi01(D("CI01.DTA"), records), 0);
  for (const std::string& r : records) {
    const auto line = codelists::Ci01Record::FromBytes(r);
    if (line.cv == "00") names.push_back(line.klic + line.u[0]);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"110000Alfa  ", "220000Beta  ", "000001Zbytek"}));
  EXPECT_FALSE(fs::exists(leftcopy::CopyOf(D("ci.10"))));
}

// The file layer itself: every routine that replaces, erases, moves or carries a file
// whole puts its copy back first or refuses, whichever step calls it.
TEST_F(LeftCopies, EveryWholeFileRoutineOfTheFileLayerKeepsTheRule) {
  MakeMain();
  const std::string file = D("a.dta"), other = D("b.dta");
  const auto source = [&] { ostest::WriteRaw(other, "other bytes"); };
  const auto ok = [](int code) { return code == 0; };
  const std::string tail = ", soubor zůstává, jak byl"_cz;
  const std::vector<leftcopy::Step> steps = {
      {"File::Create", file, "old bytes", [] {}, [&] {
         common::File f;
         return ok(f.Create(file));
       }, {file}, tail},
      {"File::ReadWhole", file, "old bytes", [] {}, [&] {
         common::File f;
         std::string bytes;
         return ok(f.Open(file, common::kModeReadOnly)) && ok(f.ReadWhole(bytes)) && bytes == "old bytes";
       }, {file}, tail, "HALF", "", "", true},
      {"File::Open to carry", file, "old bytes", [] {}, [&] {
         common::File f;
         std::string bytes(9, ' ');
         return ok(f.Open(file, common::kModeReadOnly | common::kModeToCarry)) && ok(f.ReadAt(0, bytes.data(), 9)) &&
                bytes == "old bytes";
       }, {file}, tail, "HALF", "", "", true},
      {"OpenRecFile I", file, "old bytes", [] {}, [&] {
         common::tRecFile in;
         std::string record(3, ' ');
         if (!common::OpenRecFile(in, "a.dta", "I", 3)) return false;
         common::ReadRec(in, record.data());
         common::CloseRecFile(in);
         return record == "old";
       }, {file}, tail, "HALF", "", "", true},
      {"CopyFileData (z)", file, "old bytes", source, [&] {
         common::File in, out;
         return ok(in.Open(file, common::kModeReadOnly)) && ok(out.Open(other, common::kModeReadWrite)) &&
                ok(common::CopyFileData(in, out, 0, 4));
       }, {file, other}, tail, "HALF", "", "", true},
      {"CopyFileData (do)", file, "old bytes", source, [&] {
         common::File in, out;
         return ok(in.Open(other, common::kModeReadOnly)) &&
                (ok(out.Open(file, common::kModeReadWrite)) || ok(out.Open(file, common::kModeReadOnly))) &&
                ok(common::CopyFileData(in, out, 9, 4));
       }, {file, other}, tail},
      {"FileReplacement", file, "old bytes", [] {}, [&] { return ok(common::ReplaceFileContents(file, "new")); }, {file},
       tail},
      {"ReplaceFileFrom (z)", file, "old bytes", [] {}, [&] { return ok(common::ReplaceFileFrom(file, other)); },
       {file, other}, tail},
      {"ReplaceFileFrom (do)", file, "old bytes", source, [&] { return ok(common::ReplaceFileFrom(other, file)); },
       {file, other}, tail},
      {"RenameFile (z)", file, "old bytes", [] {}, [&] { return ok(common::RenameFile(file, other)); }, {file, other},
       tail},
      {"EraseFile", file, "old bytes", [] {}, [&] { return ok(common::EraseFile(file)); }, {file}, tail},
      {"CopyFileKeepDate", file, "old bytes", [] {}, [&] { return ok(common::CopyFileKeepDate(file, other)); },
       {file, other}, tail, "HALF", "", "", true},
      {"CopyFileBlocks", file, "old bytes", source, [&] { return ok(common::CopyFileBlocks(other, file)); },
       {file, other}, tail},
  };
  for (const leftcopy::Step& s : steps) leftcopy::Check(s, notes, [this] { Fresh(); });

  // A copy beside a file that is gone (erased by hand) is never put back into a new file:
  // every routine that would make the file anew refuses, and the copy stays.
  Fresh();
  ostest::WriteRaw(file, "old bytes");
  leftcopy::LeaveUnfinishedCopy(file);
  const std::string copy = ostest::ReadRaw(leftcopy::CopyOf(file));
  fs::remove(file);
  source();
  common::File f;
  EXPECT_EQ(f.Create(file), common::io::kUnfinishedRewrite);
  EXPECT_EQ(common::ReplaceFileContents(file, "new"), common::io::kUnfinishedRewrite);
  EXPECT_EQ(common::CreateNewFile(file, "new"), common::io::kUnfinishedRewrite);
  EXPECT_EQ(common::RenameFile(other, file), common::io::kUnfinishedRewrite);
  EXPECT_EQ(common::ReplaceFileFrom(other, file), common::io::kUnfinishedRewrite);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(ostest::ReadRaw(leftcopy::CopyOf(file)), copy);
  EXPECT_EQ(ostest::ReadRaw(other), "other bytes");
  EXPECT_TRUE(leftcopy::SaidNaming(notes, file, leftcopy::CopyOf(file), tail)) << notes.Dump();

  // A step of this process under way reads its own file whole as it likes: its copy is no
  // copy left, and is neither put back nor said.
  Fresh();
  ostest::WriteRaw(file, "old bytes");
  notes.calls.clear();
  {
    common::File own;
    ASSERT_EQ(own.Open(file, common::kModeReadWrite), 0);
    common::InPlaceRewrite step;
    ASSERT_EQ(step.Begin(own, 0, 9), 0);
    ASSERT_EQ(own.WriteAt(0, "new", 3), 0);
    std::string bytes;
    EXPECT_EQ(own.ReadWhole(bytes), 0);
    EXPECT_EQ(bytes, "new bytes");
    EXPECT_EQ(step.Finish(), 0);
  }
  EXPECT_EQ(ostest::ReadRaw(file), "new bytes");
  EXPECT_FALSE(fs::exists(leftcopy::CopyOf(file)));
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

// A copy whose writer (another workstation) still holds the file's turn is its step under
// way: a step that would replace the file says so and waits for nothing.
TEST_F(LeftCopies, AStepUnderWayOnAnotherWorkstationRefusesTheReplacement) {
  MakeMain();
  ostest::WriteRaw(D("ci10.dta"), "Účty"_cz);
  ostest::WriteRaw(D("ciAN10.dta"), "Accounts");
  leftcopy::LeaveUnfinishedCopy(D("ci10.dta"));
  const std::string left = ostest::ReadRaw(D("ci10.dta"));
  common::File f;
  ASSERT_EQ(f.Open(D("ci10.dta"), common::kModeDenyNone), 0);
  common::FileTurn writer;
  ASSERT_EQ(writer.Take(f), 0);
  EXPECT_FALSE(app::SwitchCodeListLanguage("CZ", "AN"));
  EXPECT_EQ(ostest::ReadRaw(D("ci10.dta")), left);
  EXPECT_FALSE(fs::exists(D("ciCZ10.dta")));
  EXPECT_TRUE(leftcopy::Said(notes, "Soubor "_cz + D("ci10.dta") + " právě přepisuje jiný uživatel (kopie "_cz +
                                        leftcopy::CopyOf(D("ci10.dta")) + ")"))
      << notes.Dump();
}

// The partner step of the personal-data scrambling writes through the register's own
// opening: a copy it cannot put back keeps the register read only, and the step says so
// and gives up, instead of leaving the partners plain under a switch that says scrambled.
TEST_F(LeftCopies, TheScramblingOfPartnersIsRefusedWhileACopyCannotGoBack) {
  MakeMain();
  app::InstallPartnerPickers();
  ostest::WriteRaw(D("org.dta"), std::string(2 * partners::kOrgRecordLength, ' '));
  leftcopy::LeaveUnfinishedCopy(D("org.dta"));
  const std::string left = ostest::ReadRaw(D("org.dta"));
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Read, EIO, ".rollback");
    common::ScopedFileSystem scoped(fs);
    EXPECT_FALSE(reports::SpoolHooks().scrambleMarkedPartners());
  }
  EXPECT_EQ(ostest::ReadRaw(D("org.dta")), left);
  EXPECT_TRUE(leftcopy::Said(notes, "Soubor org.dta je jen pro čtení, dokud nelze vrátit nedokončený přepis z kopie "_cz +
                                        leftcopy::CopyOf(D("org.dta"))))
      << notes.Dump();
  partners::ResetOrgServices();
}

}  // namespace
