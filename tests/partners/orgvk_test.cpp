// The selection criteria for the partner print and the transfer of a satellite's
// partners into the main computer's file.
#include <cerrno>
#include <filesystem>
#include <functional>
#include <thread>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "browser/dotaz.h"
#include "common/faultfs.h"
#include "common/jobfile.h"
#include "common/locking.h"
#include "common/params.h"
#include "common/scramble.h"
#include "common/session.h"
#include "partners/orgtools.h"
#include "partners/orgvk.h"
#include "partners/orvekorg.h"
#include "tests/common/leftcopy.h"
#include "tests/partners/toolkit.h"

namespace {

using common::Cz;
using partners::TfOrg;
using partners::TfORGVK;
namespace of = partners::of;

class OrgVk : public orgtest::OrgFiles {
 protected:
  // Criteria rows: DIČ, PSČ, sales code, name masks (empty: the row's empty value).
  void WriteCriteria(const std::vector<std::array<std::string, 4>>& rows) {
    std::string bytes;
    for (int n = 0; n < partners::kCriteriaRows; ++n) {
      std::string row = partners::EmptyCriteriaRow();
      if (n < static_cast<int>(rows.size())) {
        const std::array<int, 4> at{0, 17, 23, 34}, width{16, 5, 10, 30};
        for (int c = 0; c < 4; ++c) {
          std::string mask = Cz(rows[static_cast<std::size_t>(n)][static_cast<std::size_t>(c)]);
          if (mask.empty()) continue;
          mask.resize(static_cast<std::size_t>(width[static_cast<std::size_t>(c)]), c < 3 ? '*' : ' ');
          common::PutCounted(row, static_cast<std::size_t>(at[static_cast<std::size_t>(c)]), mask,
                             static_cast<std::size_t>(width[static_cast<std::size_t>(c)]));
        }
      }
      bytes += row;
    }
    WriteData("orgvk01.dta", bytes);
  }
  // Opens the window as the print does, closes it: the partners selected.
  std::vector<int> Select() {
    TfORGVK w;
    partners::SetupORGVK(w, "");
    w.CloseBrowse();
    std::vector<int> numbers;
    for (const std::string& r : Records(ReadData("orgv01.wrk"))) numbers.push_back(TfOrg::PartnerNumber(r));
    return numbers;
  }
  std::string Beeped() const {
    const auto texts = notes.Texts(common::RecordingNotifier::Kind::BeepMessage);
    return texts.empty() ? std::string() : texts.back();
  }
  void WriteFive() {
    WritePartners(DataPath("org.dta"), {{{of::Dic, "CZ12345678"}, {of::PostalCode, "11000"}, {of::Name, "Dvořák a spol"}},
                                        {{of::Dic, "SK2020"}, {of::PostalCode, "60200"}, {of::Name, "Lípa"}},
                                        {{of::Dic, "CZ999"}, {of::PostalCode, "12000"}, {of::Town, "Kolín"}, {of::SalesCode, "EI"}},
                                        {{of::Dic, "cz1"}, {of::PostalCode, "70000"}, {of::Name, "Dub"}},
                                        {{of::Dic, "AT5"}, {of::PostalCode, "10000"}, {of::Name, "Kolo"}}});
  }
};

TEST_F(OrgVk, EmptyRowsSelectEveryPartner) {
  WriteFive();
  EXPECT_EQ(Select(), (std::vector<int>{1, 2, 3, 4, 5}));
  // The file was made with 40 empty rows; the job entry says the criteria ran.
  EXPECT_EQ(ReadData("orgvk01.dta").size(), 40u * partners::kCriteriaLength);
  EXPECT_EQ(common::GetJob("ORGVK01"), "A");
  EXPECT_EQ(Records(ReadData("orgv01.wrk"))[1], Records(ReadData("org.dta"))[1]);
}

TEST_F(OrgVk, MasksByColumnCompactedUpwards) {
  WriteFive();
  WriteCriteria({{"CZ", "", "", ""}});
  EXPECT_EQ(Select(), (std::vector<int>{1, 3}));  // as typed: "cz1" does not fit
  WriteCriteria({{"", "1", "", ""}, {"", "", "", ""}, {"SK", "", "", ""}});
  // Row 3's DIČ mask moves up to row 1 and counts.
  EXPECT_EQ(Select(), (std::vector<int>{}));
  EXPECT_EQ(Beeped(), Cz("Podle zadaných kritérií nenalezeni žádní obchodní partneři"));
  const std::string row1 = ReadData("orgvk01.dta").substr(0, partners::kCriteriaLength);
  EXPECT_EQ(common::GetCounted(row1, 0, 16), "SK**************");
  EXPECT_EQ(common::GetCounted(row1, 17, 5), "1****");
  WriteCriteria({{"", "", "", "kolín"}, {"", "", "", "dvoř"}});
  EXPECT_EQ(Select(), (std::vector<int>{1, 3}));
  EXPECT_EQ(common::GetCounted(ReadData("orgvk01.dta").substr(0, 65), 34, 30), "KOLIN" + std::string(25, ' '));
  WriteCriteria({{"", "", "E*", ""}});
  EXPECT_EQ(Select(), (std::vector<int>{3}));
}

TEST_F(OrgVk, MasksAreMatchedWithThePlainRecords) {
  common::Session& s = common::CurrentSession();
  s.ScrambleKey = common::ProgramScrambleKey();
  WriteFive();
  {
    TfOrg w("fOrg2");
    partners::SetupOrg(w, "org.dta");
    for (int n = 1; n <= 5; ++n) w.MarkRecord(n);
    w.OrgScrambleMarked(true);
    w.CloseBrowse();
  }
  s.ScrambleOn = 1;
  WriteCriteria({{"CZ", "", "", "dvořák"}});
  EXPECT_EQ(Select(), (std::vector<int>{1}));
  // Copied as stored: scrambled.
  EXPECT_EQ(Records(ReadData("orgv01.wrk"))[0], Records(ReadData("org.dta"))[0]);
}

TEST_F(OrgVk, KeysOfTheWindow) {
  WriteFive();
  WriteCriteria({{"CZ", "", "", ""}, {"SK", "", "", ""}});
  TfORGVK w;
  partners::SetupORGVK(w, "");
  w.Show();
  EXPECT_EQ(w.caption(), Cz("    DIČ               PSČ    Kód         Název-Jméno-Adresa      "));
  EXPECT_EQ(w.sgRol.font().name, "Courier");
  EXPECT_EQ(common::StripRightSp(w.sgRol.Cell(1, 0)), Cz("Dič"));
  backend.PressKeys("F7");
  EXPECT_EQ(ReadData("orgvk01.dta").substr(0, 65), partners::EmptyCriteriaRow());
  edit.Do([](browser::EditForm& f) { f.SetText(2, "6****"); }).Keys("F2");
  backend.PressKeys("Down Space");
  EXPECT_EQ(common::GetCounted(ReadData("orgvk01.dta").substr(65, 65), 17, 5), "6****");
  w.CloseBrowse();
  const auto selected = Records(ReadData("orgv01.wrk"));  // SK and 6: Lípa
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_EQ(TfOrg::PartnerNumber(selected[0]), 2);
  w.sgRol.SetFocus();
  partners::SetupORGVK(w, "");
  w.Show();
  backend.PressKeys("F8");
  std::string empty;
  for (int n = 0; n < 40; ++n) empty += partners::EmptyCriteriaRow();
  EXPECT_EQ(ReadData("orgvk01.dta"), empty);
  w.CloseBrowse();
  EXPECT_EQ(Records(ReadData("orgv01.wrk")).size(), 5u);
}

TEST_F(OrgVk, NoPartnerFileNoSelection) {
  WriteData("orgv01.wrk", "old");
  Select();
  EXPECT_EQ(Beeped(), Cz("Nenalezen soubor obchodních partnerů"));
  EXPECT_EQ(ReadData("orgv01.wrk"), "old");
}

// A folder where the partner file should be is named, and said to be a folder.
TEST_F(OrgVk, APartnerFileThatIsAFolderIsNamed) {
  WriteData("orgv01.wrk", "old");
  std::filesystem::create_directories(DataPath("org.dta"));
  Select();
  EXPECT_EQ(Beeped(), Cz("Soubor obchodních partnerů ") + DataPath("org.dta") + Cz(" je složka, ne soubor"));
  EXPECT_EQ(ReadData("orgv01.wrk"), "old");
  EXPECT_TRUE(std::filesystem::is_directory(DataPath("org.dta")));
}

// A job file or activity log that cannot be written is said, naming it; the selection
// still runs and closing the window ends nothing.
TEST_F(OrgVk, AJobFileOrLogThatCannotBeWrittenIsSaid) {
  WriteFive();
  const struct {
    const char* what;
    std::function<void(common::FaultFileSystem&)> damage;
    const char* named;
  } cases[] = {
      {"master.job cut", [&](common::FaultFileSystem&) { WriteData("master.job", std::string(1000, '\0')); }, "master.job"},
      {"master.job empty", [&](common::FaultFileSystem&) { WriteData("master.job", ""); }, "master.job"},
      {"master.job read only", [&](common::FaultFileSystem& f) { f.Fail(common::FsOp::Open, EACCES, "master.job"); },
       "master.job"},
      {"master.job a folder", [&](common::FaultFileSystem&) { std::filesystem::create_directories(DataPath("master.job")); },
       "master.job"},
      {"PROTOKOL.PRT read only",
       [&](common::FaultFileSystem& f) { f.Fail(common::FsOp::Open, EACCES, "PROTOKOL.PRT"); }, "PROTOKOL.PRT"},
      {"PROTOKOL.PRT a folder",
       [&](common::FaultFileSystem&) { std::filesystem::create_directories(DataPath("PROTOKOL.PRT")); }, "PROTOKOL.PRT"},
  };
  for (const auto& c : cases) {
    notes.calls.clear();
    common::CurrentSession().FailuresTold.clear();
    common::FaultFileSystem faults;
    c.damage(faults);
    {
      common::ScopedFileSystem use(faults);
      std::vector<int> selected;
      EXPECT_NO_THROW(selected = Select()) << c.what;
      EXPECT_EQ(selected, (std::vector<int>{1, 2, 3, 4, 5})) << c.what;
    }
    bool named = false;
    for (const auto& call : notes.calls) named = named || call.text.find(c.named) != std::string::npos;
    EXPECT_TRUE(named) << c.what << notes.Dump();
    std::filesystem::remove_all(DataPath("master.job"));
    std::filesystem::remove_all(DataPath("PROTOKOL.PRT"));
  }
}

// ---------------------------------------------------------------- the transfer

class OrvekOrg : public orgtest::OrgFiles {
 protected:
  void SetUp() override {
    OrgFiles::SetUp();
    std::filesystem::create_directories(dir / "main");
    std::filesystem::create_directories(dir / "sat");
  }
  void TearDown() override {
    partners::DestroyOrgWindows();
    OrgFiles::TearDown();
  }
  // count partners numbered 1..count, names from `name` + number.
  void WriteFile(const std::string& folder, int count, const std::string& name) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(count) * partners::kOrgRecordLength);
    for (int i = 1; i <= count; ++i) bytes += Partner(i, {{of::Name, name + std::to_string(i)}});
    ostest::WriteRaw(dir / (folder + "/org.dta"), bytes);
  }
  std::vector<std::string> File(const std::string& folder) { return Records(ostest::ReadRaw(dir / (folder + "/org.dta"))); }
  // The register shown over the main file at the end is left with Esc.
  void LeaveRegister() {
    backend.OnModal("fOrg", [](ui::Form& f) { f.SetModalResult(ui::mr::Cancel); });
  }
};

TEST_F(OrvekOrg, ShortMainFileIsFilledAndTheSatellitesPartnersCopied) {
  WriteFile("sat", 10005, "S");
  WriteFile("main", 9998, "M");
  LeaveRegister();
  AnswerAsk(true);
  // The main folder typed without its separator.
  partners::TransferFromSatellite(dir / "main", dir / "sat/");
  const auto main = File("main");
  ASSERT_EQ(main.size(), 10005u);
  EXPECT_EQ(TfOrg::PartnerNumber(main[9998]), 9999);
  EXPECT_EQ(Text(main[9998], of::Name), "");
  EXPECT_EQ(Text(main[9999], of::Name), "S10000");
  EXPECT_EQ(Text(main[10004], of::Name), "S10005");
  EXPECT_EQ(Text(main[9997], of::Name), "M9998");
  EXPECT_FALSE(std::filesystem::exists(dir / "main.org.dta"));
  EXPECT_FALSE(std::filesystem::exists(dir / "mainorg.dta"));
}

TEST_F(OrvekOrg, LongerMainFileKeepsItsLaterPartners) {
  WriteFile("sat", 10000, "S");
  WriteFile("main", 10003, "M");
  LeaveRegister();
  partners::TransferFromSatellite((dir / "main") + "/", dir / "sat");
  const auto main = File("main");
  ASSERT_EQ(main.size(), 10003u);
  EXPECT_EQ(Text(main[9999], of::Name), "S10000");
  EXPECT_EQ(Text(main[10000], of::Name), "M10001");
}

TEST_F(OrvekOrg, NothingIsWrittenForAShortSatelliteOrAGivenUpQuestion) {
  WriteFile("sat", 9999, "S");
  WriteFile("main", 5, "M");
  LeaveRegister();
  partners::TransferFromSatellite(dir / "main", dir / "sat");
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages().back(), Cz("ORG ze satelitu mají jen  9999 záznamů, nic nepřenáším"));
  EXPECT_EQ(File("main").size(), 5u);
  WriteFile("sat", 10001, "S");
  AnswerAsk(false);
  partners::TransferFromSatellite(dir / "main", dir / "sat");
  EXPECT_EQ(File("main").size(), 5u);
  // Another workstation holds the partner lock and the wait for it is left with Esc.
  WriteFile("main", 9999, "M");
  const std::string before = ostest::ReadRaw(dir / "main/org.dta");
  {
    ostest::LockHeldByOther holder((dir / "main/") + partners::kOrgLock);
    ASSERT_TRUE(holder.held());
    notes.calls.clear();
    notes.stopAnswer = true;
    partners::TransferFromSatellite(dir / "main", dir / "sat");
    notes.stopAnswer = false;
    EXPECT_EQ(holder.Release(), 0);
  }
  EXPECT_EQ(Messages(), std::vector<std::string>{Cz("Čekání na uvolnění ORGANIZA.CE bylo přerušeno, nic se neprovedlo")})
      << notes.Dump();
  EXPECT_EQ(ostest::ReadRaw(dir / "main/org.dta"), before);
}

// A main file the user may only read, or one its opening could not open for writing, takes
// nothing: refused at once in words naming it, nothing asked or shown, both files as they were.
TEST_F(OrvekOrg, AMainFileThatCannotBeWrittenIsRefusedBeforeAnything) {
  const std::string mainOrg = dir / "main/org.dta";
  const struct {
    const char* what;
    std::function<void(common::FaultFileSystem&)> fault;
    std::vector<std::string> said;
  } cases[] = {
      {"not writable", [&](common::FaultFileSystem& f) { f.Fail(common::FsOp::OpenWrite, EACCES, mainOrg); },
       {Cz("Soubor ") + mainOrg + Cz(" nelze zapsat (err 5), přenos neproběhl")}},
      // Kept read only by a copy that cannot go back: its opening says why, the transfer refuses.
      {"copy that cannot go back", [&](common::FaultFileSystem& f) {
         leftcopy::LeaveUnfinishedCopy(mainOrg);
         f.Fail(common::FsOp::Read, EIO, ".rollback");
       },
       {}},
  };
  int asked = 0, shown = 0;
  backend.OnModal<browser::TfDotaz>([&](browser::TfDotaz& d) {
    ++asked;
    d.Button1Click();
  });
  backend.OnModal("fOrg", [&](ui::Form& f) {
    ++shown;
    f.SetModalResult(ui::mr::Cancel);
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile("sat", 10001, "S");
    WriteFile("main", 5, "M");
    const std::string sat = ostest::ReadRaw(dir / "sat/org.dta");
    notes.calls.clear();
    asked = shown = 0;
    {
      common::FaultFileSystem faults;
      c.fault(faults);
      common::ScopedFileSystem scoped(faults);
      partners::TransferFromSatellite(dir / "main", dir / "sat");
    }
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(shown, 0);
    if (c.said.empty()) {  // the opening's reason, then the refusal
      ASSERT_EQ(Messages().size(), 2u) << notes.Dump();
      EXPECT_EQ(Messages()[1], Cz("Soubor ") + mainOrg + Cz(" nelze zapsat, přenos neproběhl"));
    } else {
      EXPECT_EQ(Messages(), c.said) << notes.Dump();
    }
    EXPECT_EQ(ostest::ReadRaw(dir / "sat/org.dta"), sat);
    EXPECT_EQ(ostest::ReadRaw(mainOrg).size(), 5u * partners::kOrgRecordLength);
    std::filesystem::remove(leftcopy::CopyOf(mainOrg));
  }
}

TEST_F(OrvekOrg, TheWindowRemembersItsFolders) {
  partners::TfOrvekOrg w;
  common::WriteParam(partners::kOrgPar, "SlHP", "c:\\HLAVNI\\");
  w.FormActivate();
  EXPECT_EQ(w.eSlHp.text(), "c:\\HLAVNI\\");
  EXPECT_EQ(w.eSlSat.text(), "");
  EXPECT_EQ(partners::WithSeparator("d:\\sat"), "d:\\sat\\");
  EXPECT_EQ(partners::WithSeparator(""), "");
}

// Another workstation appends partners with F4 while a transfer fills the main file:
// each takes the lock in turn, and every partner number equals its record number.
TEST_F(OrvekOrg, ATransferAndAnAppendOfAnotherWorkstationTakeTurns) {
  WriteFile("sat", 10002, "S");
  WriteFile("main", 9000, "M");
  const std::string mainFolder = dir / "main";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(AppendAsOtherWorkstation("=" + mainFolder + "/org.dta", 20));
  LeaveRegister();
  AnswerAsk(true);
  partners::TransferFromSatellite(mainFolder, dir / "sat");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const auto main = File("main");
  int appended = 0;
  for (std::size_t i = 0; i < main.size(); ++i) {
    EXPECT_EQ(TfOrg::PartnerNumber(main[i]), static_cast<int>(i + 1)) << i;
    if (Text(main[i], of::Name) == "F4") ++appended;
  }
  EXPECT_EQ(appended, 20);
  EXPECT_GE(main.size(), 10002u);
}

}  // namespace
