// Four behaviours of the registers as a user meets them from the main window: the
// postal-code search starts from the partner register's town, the key listing of a
// file with no key used is still a report, own bank accounts lock "bako.dta" only to
// convert it (two workstations), and the lists whose file does not name their exports
// write them under names of their own.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/form1.h"
#include "app/program.h"
#include "browser/dotazy.h"
#include "codelists/cashkeys.h"
#include "codelists/ownbanks.h"
#include "codelists/postal.h"
#include "combined/ciwindows.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/locking.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/startup.h"
#include "common/text.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "reports/pozri.h"
#include "reports/spool.h"
#include "reports/spoolexc.h"
#include "tests/app/appkit.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace common::literals;
using apptest::AppTest;
using Kind = common::RecordingNotifier::Kind;

// A postal-code record: PSČ, municipality (and post office), district.
std::string Psc(const std::string& psc, const std::string& obec, const std::string& okres) {
  return cltest::MakeRecord(codelists::PscSpec(), {{1, psc}, {2, obec}, {3, obec}, {4, okres}});
}

std::string Bytes(const std::string& file) {
  std::string bytes;
  EXPECT_EQ(common::ReadFileText(file, bytes), 0) << file;
  return bytes;
}

// An own bank account of the older 89-byte layout (its IBAN head's length byte 12).
std::string OldAccount(const std::string& mark, const std::string& bank) {
  std::string r(codelists::kOldBankKodyLength, '\0');
  common::PutCounted(r, 0, mark, 1);
  common::PutCounted(r, 2, bank + std::string(20 - bank.size(), ' '), 20);
  common::PutCounted(r, 76, "CZ65 0800 00", 12);
  return r;
}

TEST_F(AppTest, RegisterBehavioursSeenFromTheMainWindow) {
  app::TForm1& f = Open();
  app::InstallPartnerPickers();
  reports::InstallReportServices();

  {
    SCOPED_TRACE("Ctrl+F3 of the postal codes opened by the main window's button");
    common::ForceDirs(common::ProgDir("\\2\\PSC.dta"));
    ASSERT_EQ(common::ReplaceFileContents(common::ProgDir("\\2\\PSC.dta"),
                                          Psc("53002", "Pardubice", "Pardubice") + Psc("11000", "Praha", "Praha")),
              0);
    partners::TfOrg& org = partners::fOrg();
    partners::SetupOrg(org, "org.dta");
    std::string partner = org.BlankRecord;
    partners::PutOrgWord(partner, partners::of::Number, 1);
    partners::PutOrgText(partner, partners::of::Name, "Mlýn a.s."_cz);
    partners::PutOrgText(partner, partners::of::Town, "Pardubice");
    org.CloseBrowse();
    ASSERT_EQ(common::ReplaceFileContents(common::DataDir("org.dta"), partner), 0);
    partners::SetupOrg(org, "org.dta");
    org.RecordRead(1);  // the partner the register's buffer holds
    org.CloseBrowse();

    std::string asked;
    std::int32_t found = 0;
    backend.OnModal("fDotazy", [&](ui::Form& d) {
      asked = static_cast<browser::TfDotazy&>(d).Edits[1]->text();
      backend.PressKeys("Enter");
    });
    backend.OnModal("fpsc", [&](ui::Form&) {
      backend.PressKeys("Ctrl+F3");
      found = codelists::fpsc().Current;
      backend.PressKeys("Esc");
    });
    backend.Click(f.bpsc);
    EXPECT_EQ(common::StripRightSp(asked), "Pardubice");
    EXPECT_EQ(found, 1);  // the window opened on record 2, Praha
  }

  {
    SCOPED_TRACE("\"Opis klíčů\" of 255 free keys");
    codelists::TfKl& keys = codelists::fKl();
    codelists::SetupKl(keys);  // a fresh folder: 255 free keys
    ASSERT_EQ(keys.Count, 255);
    std::string shown;
    backend.OnModal("fPozri", [&](ui::Form&) {
      shown = backend.journal().back();
      backend.PressKeys("Esc");
    });
    keys.PrintKeys();
    keys.CloseBrowse();
    for (const auto& m : backend.messages()) EXPECT_NE(m.text, "Prázdná tisková sestava"_cz);
    EXPECT_NE(shown, "") << "the report viewer was not shown";
    const std::string report = Bytes("klice.TXT");
    EXPECT_NE(report.find("Opis klíčů"_cz), std::string::npos) << report;
    EXPECT_NE(report.find(" KL Text                       kam prij vyd"), std::string::npos);
    EXPECT_NE(report.find(std::string(80, '=')), std::string::npos);
  }

  {
    SCOPED_TRACE("own bank accounts on two workstations");
    common::Session other;  // workstation 02 on the same folders
    other.DataDirPath = common::CurrentSession().DataDirPath;
    other.ProgDirPath = common::CurrentSession().ProgDirPath;
    other.CurrentUser = "02";
    const std::string bako = common::DataDir("bako.dta");
    std::string current(2 * codelists::kBankKodyLength, '\0');
    common::PutCounted(current, 0, "A", 1);
    common::PutCounted(current, codelists::kBankKodyLength, "B", 1);
    ASSERT_EQ(common::ReplaceFileContents(bako, current), 0);
    // 02 has the list open; a wait of 01 ends when 02 leaves it, after two rounds.
    ASSERT_EQ(common::LockFile(other, bako, ""), common::LockResult::Held);
    int waits = 0;
    notes.onWait = [&](const std::string&, int) {
      if (++waits == 2) common::UnlockFile(other, bako);
    };
    codelists::TfBankKody& w = codelists::fBankKody();
    codelists::SetupBankKody(w);
    EXPECT_EQ(w.Count, 2);
    w.CloseBrowse();
    EXPECT_EQ(waits, 0) << notes.Dump();
    EXPECT_EQ(Bytes(bako), current);

    // An old file is converted under the write lock: 01 waits until 02 leaves the list.
    ASSERT_EQ(common::ReplaceFileContents(bako, OldAccount("A", "Fio") + OldAccount("B", "KB")), 0);
    if (waits > 0) ASSERT_EQ(common::LockFile(other, bako, ""), common::LockResult::Held);
    waits = 0;
    codelists::SetupBankKody(w);
    EXPECT_EQ(w.Count, 2);
    w.CloseBrowse();
    notes.onWait = nullptr;
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(Bytes(bako).size(), 2 * codelists::kBankKodyLength);
    EXPECT_TRUE(common::IfVolny(other, bako).empty());
  }

  {
    SCOPED_TRACE("Ctrl+E and Ctrl+D of the pieces and the report lists");
    auto exportKeys = [&](browser::TfSoub& w) {
      w.DbfFolder = "dbf\\";
      backend.OnModal(w.name(), [&](ui::Form&) { backend.PressKeys("Ctrl+E Ctrl+D Esc"); });
    };
    for (int list : {10, 99}) {
      combined::TfCiPiece& piece = combined::fCiPiece(list);
      combined::SetupCiPiece(piece);
      exportKeys(piece);
      piece.ShowModal();
      piece.CloseBrowse();
    }
    exportKeys(reports::fSpool());
    backend.Click(f.bTisky);
    exportKeys(reports::fSpoolExc());
    backend.Click(f.bCisExc);
    for (const char* name : {"CI_10", "CI_99", "SPOOL", "SPOOLEXC"}) {
      const std::string csv = std::string("XLS\\") + name + ".CSV", dbf = std::string("dbf\\") + name + ".DBF";
      EXPECT_EQ(notes.Count(Kind::BeepMessage, "Soubor "_cz + csv + " pro EXCEL,WORD je vytvořen"_cz), 1) << notes.Dump();
      EXPECT_EQ(notes.Count(Kind::Message, "Soubor "_cz + common::OnCurrentDrive(dbf) + " je vytvořen"_cz), 1);
      EXPECT_TRUE(std::filesystem::exists(dir / ("XLS/" + std::string(name) + ".CSV"))) << name;
    }
    for (const char* shared : {"XLS/CICSV", "XLS/CSV"}) EXPECT_FALSE(std::filesystem::exists(dir / shared));
    reports::DestroySpoolWindows();
  }
  reports::DestroyReportWindows();
  partners::ResetOrgServices();
  partners::DestroyOrgWindows();
  codelists::PscTownSource() = nullptr;
}

}  // namespace
