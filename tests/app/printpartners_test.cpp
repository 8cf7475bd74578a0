// The partner list print of the main window over a real partner file: the choices
// answered by keys and clicks, the report and its ";" copy read back.
#include <filesystem>

#include <gtest/gtest.h>

#include "app/printpartners.h"
#include "browser/entries.h"
#include "browser/volby.h"
#include "browser/vyber.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/osfile.h"
#include "common/scramble.h"
#include "common/session.h"
#include "common/text.h"
#include "partners/oneoff.h"
#include "partners/org.h"
#include "partners/orgtools.h"
#include "partners/orgvk.h"
#include "tests/app/appkit.h"
#include "tests/common/leftcopy.h"

namespace {

using common::Cz;
namespace of = partners::of;

struct Viewer : browser::ReportViewer {
  std::vector<std::string> files;
  void SetupReport(const std::string& f) override { files.push_back(f); }
  int key = 0;
  void SetLastKey(int k) override { key = k; }
  int LastKey() const override { return key; }
  void ShowReport() override {}
  void SetCurrentRecord(int) override {}
  void CloseBrowse() override {}
};

class PartnerListPrint : public apptest::AppTest {
 protected:
  void SetUp() override {
    here = common::CurrentFolder();
    ASSERT_EQ(common::SetCurrentFolder(dir.path()), 0);
    Open();
    browser::SetReportServices(&viewer, nullptr, nullptr);
    std::filesystem::create_directories(dir / "prog/dlib");
    // The installed description names the register's fields, in its order.
    std::string pol;
    for (const auto& f : partners::OrgFieldTable()) pol += "  field \"" + std::string(Cz(f.caption)) + "\" x\r\n";
    const std::string installed = ostest::ReadRaw(PARTNERS_DLIB "/org.pol");
    ASSERT_EQ(installed, pol);
    ostest::WriteRaw(dir / "prog/dlib/org.pol", installed);
    partners::TfOrg maker("fOrgMaker");
    partners::SetupOrg(maker, "maker.dta");
    blank = maker.BlankRecord;
    maker.CloseBrowse();
  }
  void TearDown() override {
    browser::SetReportServices(nullptr, nullptr, nullptr);
    (void)common::SetCurrentFolder(here);
  }
  void WritePartners(const std::vector<std::string>& names) {
    std::string bytes;
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::string r = blank;
      partners::PutOrgWord(r, of::Number, static_cast<std::uint16_t>(i + 1));
      partners::PutOrgText(r, of::Name, Cz(names[i]));
      bytes += r;
    }
    ostest::WriteRaw(dir / "data/org.dta", bytes);
  }
  // Row `which` of the first choice; the columns `ticked` (others cleared); the order `order` (0: Esc).
  // `between` answers the window the first choice opens (the register or the criteria).
  void Answer(int which, const std::vector<int>& ticked, int order, ui::headless::HeadlessBackend::ModalHandler between = {}) {
    backend.AnswerNextModal([this, which](ui::Form& f) {
      auto& v = static_cast<browser::TfVyber&>(f);
      if (which == 0) return backend.Press(ui::vk::Esc);
      backend.DoubleClick(*v.Rows[which]);
    });
    if (which == 0) return;
    if (between) backend.AnswerNextModal(between);
    backend.AnswerNextModal([this, ticked](ui::Form& f) {
      auto& o = static_cast<browser::TfVolby&>(f);
      for (int i = 1; i <= 40; ++i) {
        const bool want = std::find(ticked.begin(), ticked.end(), i) != ticked.end();
        if (o.Row(i).checked() != want) backend.Click(o.Row(i));
      }
      backend.Press(ui::vk::F(2));
    });
    backend.AnswerNextModal([this, order](ui::Form& f) {
      auto& v = static_cast<browser::TfVyber&>(f);
      if (order == 0) return backend.Press(ui::vk::Esc);
      backend.DoubleClick(*v.Rows[order]);
    });
  }
  std::vector<std::string> Lines(const std::string& file) const {
    std::vector<std::string> lines;
    const std::string text = ostest::ReadRaw(dir / file);
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find("\r\n", at);
      if (end == std::string::npos) end = text.size();
      lines.push_back(common::StripRightSp(text.substr(at, end - at)));
      at = end + 2;
    }
    return lines;
  }
  void Print() { backend.Click(main->bOpisOrg); }

  Viewer viewer;
  std::string here, blank;
};

TEST_F(PartnerListPrint, AllPartnersByNameInTwoColumns) {
  WritePartners({"Dvořák", "          ", "Čapek", "Cibule", "Adam"});
  Answer(3, {1, 4}, 4);
  Print();
  const auto lines = Lines("OR0201.TXT");
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "");  // page 1 without a form feed
  EXPECT_EQ(lines[1], "");
  EXPECT_NE(lines[2].find(Cz("Obchodní partneři        uspořádáno dle:  >Adr1-název          D:")), std::string::npos);
  EXPECT_TRUE(lines[2].ends_with(" L:  1"));
  EXPECT_EQ(lines[4], Cz("Číslo >Adr1-název"));
  EXPECT_EQ(lines[5], std::string(132, '='));
  EXPECT_EQ(lines[6], "00005 Adam");
  EXPECT_EQ(lines[7], Cz("00003 Čapek"));
  EXPECT_EQ(lines[8], "00004 Cibule");
  EXPECT_EQ(lines[9], Cz("00001 Dvořák"));
  EXPECT_EQ(lines[10], "");
  EXPECT_EQ(lines[11], Cz("    4 Vybraných firem"));
  const auto csv = Lines("XLS/OR0201.CSV");
  ASSERT_EQ(csv.size(), 4u);
  EXPECT_EQ(csv[1], Cz("00003;Čapek") + std::string(25, ' ') + ";");
  EXPECT_EQ(viewer.files.size(), 1u);
  // The work files are gone.
  EXPECT_FALSE(std::filesystem::exists(dir / "org.wrk"));
  EXPECT_FALSE(std::filesystem::exists(dir / "data/orgv01.wrk"));
  EXPECT_FALSE(main->Label1.visible());
}

TEST_F(PartnerListPrint, PagesBreakAfterTheLineLimit) {
  std::vector<std::string> names;
  for (int i = 1; i <= 70; ++i) names.push_back("Firma " + std::to_string(i));
  WritePartners(names);
  common::CurrentSession().LimRad = 64;
  Answer(3, {4}, 1);
  Print();
  const auto lines = Lines("OR0201.TXT");
  // 6 header lines, 59 partners, then the next page's header from its form feed.
  EXPECT_EQ(lines[64], "Firma 59");
  EXPECT_EQ(lines[65], "\f");
  EXPECT_TRUE(lines[68].ends_with(" L:  2"));
  EXPECT_EQ(lines[72], "Firma 60");
  EXPECT_EQ(lines.back(), Cz("   70 Vybraných firem"));
  // A second print starts at page 1 again.
  Answer(3, {4}, 1);
  Print();
  EXPECT_TRUE(Lines("OR0201.TXT")[2].ends_with(" L:  1"));
}

TEST_F(PartnerListPrint, EscapeWritesAndShowsNothing) {
  WritePartners({"Dub"});
  ostest::WriteRaw(dir / "data/orgv01.wrk", blank);
  Answer(0, {}, 0);
  Print();
  EXPECT_FALSE(std::filesystem::exists(dir / "OR0201.TXT"));
  EXPECT_TRUE(viewer.files.empty());
  // Esc at the order: no report and no viewer, but the work files are erased.
  ostest::WriteRaw(dir / "OR0201.TXT", "an older report\r\n");
  Answer(2, {4}, 0, [](ui::Form& f) { f.SetModalResult(ui::mr::Cancel); });
  Print();
  EXPECT_EQ(ostest::ReadRaw(dir / "OR0201.TXT"), "an older report\r\n");
  EXPECT_TRUE(viewer.files.empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "data/orgv01.wrk"));
}

// A start folder the user may not write: the report cannot be made there. Said once, in
// words naming the report and the folder; nothing written, an older report and its copy
// left as they were, no work file, nothing shown.
TEST_F(PartnerListPrint, AStartFolderThatCannotBeWrittenIsSaidOnce) {
  WritePartners({"Dub", "Buk"});
  for (const bool older : {false, true}) {
    SCOPED_TRACE(older ? "an older report there" : "no report yet");
    std::filesystem::remove_all(dir / "XLS");
    std::filesystem::remove(dir / "OR0201.TXT");
    if (older) {
      ostest::WriteRaw(dir / "OR0201.TXT", "an older report\r\n");
      ostest::WriteRaw(dir / "XLS/OR0201.CSV", "an older copy\r\n");
    }
    const auto before = leftcopy::Bytes({dir / "OR0201.TXT", dir / "XLS/OR0201.CSV", dir / "org.wrk"});
    notes.calls.clear();
    Answer(3, {4}, 4);
    {
      common::FaultFileSystem faults;
      for (const char* part : {"OR0201", "XLS", "org.wrk"}) faults.Fail(common::FsOp::OpenWrite, EACCES, part);
      faults.Fail(common::FsOp::MakeDir, EACCES, "XLS");
      common::ScopedFileSystem scoped(faults);
      Print();
    }
    ASSERT_EQ(notes.calls.size(), 1u) << notes.Dump();
    EXPECT_EQ(notes.calls[0].text,
              Cz("Soubor OR0201.TXT nelze zapsat do složky ") + dir.path() + Cz("/, err 5, tisk neproběhl"));
    EXPECT_EQ(leftcopy::Bytes({dir / "OR0201.TXT", dir / "XLS/OR0201.CSV", dir / "org.wrk"}), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "data/orgv01.wrk"));
    EXPECT_TRUE(viewer.files.empty());
    EXPECT_FALSE(main->Label1.visible());
  }
}

TEST_F(PartnerListPrint, MarkedPartnersOnly) {
  WritePartners({"Dub", "Lípa", "Buk"});
  Answer(1, {4}, 1, [](ui::Form& f) {
    auto& w = static_cast<partners::TfOrg&>(f);
    w.MarkRecord(1);
    w.MarkRecord(3);
    f.SetModalResult(ui::mr::Cancel);
  });
  Print();
  const auto lines = Lines("OR0201.TXT");
  EXPECT_EQ(lines[6], "Dub");
  EXPECT_EQ(lines[7], "Buk");
  EXPECT_EQ(lines[9], Cz("    2 Vybraných firem"));
}

// Another workstation keeps all but the first partner, or renames a marked one, while the
// register is shown for marking: nothing is printed and the selection is not written.
TEST_F(PartnerListPrint, MarkedPartnersChangedMeanwhileAreNotPrinted) {
  enum class Between { Nothing, Compaction, Change };
  const std::string stale = Cz("Označené věty mezitím změnil jiný uživatel, nic se neprovedlo; označte je znovu");
  for (const Between between : {Between::Nothing, Between::Compaction, Between::Change}) {
    SCOPED_TRACE(static_cast<int>(between));
    WritePartners({"Dub", "Lípa", "Buk", "Jasan"});
    std::filesystem::remove(dir / "OR0201.TXT");
    notes.calls.clear();
    auto mark = [between](ui::Form& f) {
      auto& w = static_cast<partners::TfOrg&>(f);
      w.ToggleMark(3);
      w.ToggleMark(4);
      partners::TfOrg other("fOrgOther");
      partners::SetupOrg(other, "org.dta");
      if (between == Between::Compaction) {
        for (int n : {2, 3, 4}) other.ToggleMark(n);
        partners::CompactMarked(other);
      } else if (between == Between::Change) {
        other.RecordReadAt(3);
        partners::PutOrgText(other.RecordBuffer, of::Name, "Habr");
        other.RecordWriteAt(3);
      }
      other.CloseBrowse();
      f.SetModalResult(ui::mr::Cancel);
    };
    if (between == Between::Nothing) {
      Answer(1, {4}, 1, mark);
    } else {
      backend.AnswerNextModal([this](ui::Form& f) { backend.DoubleClick(*static_cast<browser::TfVyber&>(f).Rows[1]); });
      backend.AnswerNextModal(mark);
    }
    Print();
    const std::vector<std::string> messages = notes.Texts(common::RecordingNotifier::Kind::Message);
    const auto said = std::count(messages.begin(), messages.end(), stale);
    if (between == Between::Nothing) {
      const auto lines = Lines("OR0201.TXT");
      ASSERT_GE(lines.size(), 8u);
      EXPECT_EQ(lines[6], "Buk");
      EXPECT_EQ(lines[7], "Jasan");
      EXPECT_EQ(said, 0);
    } else {
      EXPECT_FALSE(std::filesystem::exists(dir / "OR0201.TXT"));
      EXPECT_FALSE(std::filesystem::exists(dir / "data/orgv01.wrk"));
      EXPECT_EQ(said, 1);
    }
  }
}

TEST_F(PartnerListPrint, ScrambledPartnersPrintPlain) {
  common::Session& s = common::CurrentSession();
  s.ScrambleKey = common::ProgramScrambleKey();
  WritePartners({"Dvořák", "Čapek"});
  {
    partners::TfOrg w("fOrg2");
    partners::SetupOrg(w, "org.dta");
    w.MarkRecord(1);
    w.MarkRecord(2);
    w.OrgScrambleMarked(true);
    w.CloseBrowse();
  }
  s.ScrambleOn = 1;
  Answer(3, {4}, 4);
  Print();
  s.ScrambleOn = 0;
  // The report itself is scrambled line by line, as every report while scrambling is on.
  const auto lines = Lines("OR0201.TXT");
  ASSERT_GE(lines.size(), 8u);
  auto plain = [&](const std::string& line) {
    return common::StripRightSp(common::UnscrambleText(line, s.ScrambleKey));
  };
  const std::string text = ostest::ReadRaw(dir / "OR0201.TXT");
  std::vector<std::string> raw;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    raw.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  EXPECT_EQ(plain(raw[6]), Cz("Čapek"));
  EXPECT_EQ(plain(raw[7]), Cz("Dvořák"));
}

TEST_F(PartnerListPrint, TheTransferButtonShowsItsWindow) {
  std::string shown;
  backend.AnswerNextModal([&](ui::Form& f) {
    shown = f.caption();
    backend.Press(ui::vk::Esc);
  });
  backend.Click(main->bOrvekOrg);
  EXPECT_EQ(shown, "Orvek - Import Org");
  EXPECT_EQ(Modals(), std::vector<std::string>{"fOrvekOrg"});
}

TEST_F(PartnerListPrint, CaptionsAndOrders) {
  ostest::WriteRaw(dir / "prog/dlib/x.pol", Cz("a \"Čís lo\" b\r\nno quote\r\n\"\"\r\n\"open only\r\n"));
  std::vector<std::string> captions;
  ASSERT_TRUE(app::ReadPartnerCaptions(dir / "prog/dlib/x.pol", captions));
  EXPECT_EQ(captions, (std::vector<std::string>{Cz("Číslo"), "noquote", "openonly"}));
  EXPECT_FALSE(app::ReadPartnerCaptions(dir / "prog/dlib/none.pol", captions));
  auto record = [&](const std::string& name, int invoicePlace, double discount) {
    std::string r = blank;
    partners::PutOrgText(r, of::Name, Cz(name));
    partners::PutOrgWord(r, of::InvoicePlace, static_cast<std::uint16_t>(invoicePlace));
    partners::PutOrgReal(r, 23, discount);
    return r;
  };
  const std::string capek = record("Čapek", 20, 5), cibule = record("cibule", 3, -2), dub = record("Dub", 100, 10);
  EXPECT_TRUE(app::PartnerBefore(4, capek, cibule));    // Č as C, before "CI"
  EXPECT_TRUE(app::PartnerBefore(4, cibule, dub));      // upper case
  EXPECT_TRUE(app::PartnerBefore(19, cibule, capek));   // 3 before 20 as "   3" < "  20"
  EXPECT_TRUE(app::PartnerBefore(19, capek, dub));
  EXPECT_FALSE(app::PartnerBefore(19, dub, dub));
  EXPECT_FALSE(app::PartnerBefore(35, capek, dub));     // no rule past field 30
}

// "Naber CSV2 Hubra" killed half way leaves org.dta with its partners and the copy beside:
// the selection by criteria puts the copy back first (said) and finds none of them; a copy
// that cannot go back refuses the selection, and an older work file is not printed.
TEST_F(PartnerListPrint, TheSelectionByCriteriaNeverCarriesAKilledImportsPartners) {
  WritePartners({"Dub", "Buk"});
  const std::string before = ostest::ReadRaw(dir / "data/org.dta");
  std::string rows;
  for (int n = 0; n < partners::kCriteriaRows; ++n) rows += partners::EmptyCriteriaRow();
  common::PutCounted(rows, 0, "CZ**************", 16);
  const auto killedImport = [&] {
    ostest::WriteRaw(dir / "data/org.dta", before);
    ostest::WriteRaw(dir / "data/org.csv", "1;CZ1;Firma 1 s.r.o.;;1/2\n2;CZ2;Firma 2;;1/4\n3;CZ3;Firma 3;;1/8\n");
    ostest::WriteRaw(dir / "data/orgvk01.dta", rows);
    common::FaultFileSystem fs;
    fs.DieAt(common::FsOp::Write, {"org.dta", "podily.dta"}, 4);
    {
      common::ScopedFileSystem scoped(fs);
      partners::TfOrg w("fOrgKilled");
      partners::SetupOrg(w, "org.dta");
      partners::ImportHubra(w);
      w.CloseBrowse();
    }
    ASSERT_TRUE(fs.Dead());
    common::CurrentSession().CopyTempsSwept.clear();  // the print is a new run's
    ASSERT_TRUE(std::filesystem::exists(dir / "data/.~org.dta.rollback"));
    ASSERT_NE(ostest::ReadRaw(dir / "data/org.dta").find("Firma"), std::string::npos);
    notes.calls.clear();
  };
  // "Zadáním kritérií", the criteria window left as it is; a print that went on would
  // meet its next choice unanswered and close it.
  const auto choose = [this] {
    backend.AnswerNextModal([this](ui::Form& f) { backend.DoubleClick(*static_cast<browser::TfVyber&>(f).Rows[2]); });
    backend.AnswerNextModal([](ui::Form& f) { f.SetModalResult(ui::mr::Cancel); });
  };
  backend.closeUnanswered = true;

  killedImport();
  choose();
  Print();
  EXPECT_EQ(ostest::ReadRaw(dir / "data/org.dta"), before);
  EXPECT_FALSE(std::filesystem::exists(dir / "data/.~org.dta.rollback"));
  EXPECT_FALSE(std::filesystem::exists(dir / "OR0201.TXT"));
  EXPECT_TRUE(leftcopy::Said(notes, Cz("Soubor ") + (dir / "data/org.dta") + Cz(" byl vrácen do stavu před nedokončeným přepisem, s ním i soubor podily.dta")))
      << notes.Dump();
  EXPECT_TRUE(leftcopy::Said(notes, Cz("Podle zadaných kritérií nenalezeni žádní obchodní partneři"))) << notes.Dump();

  killedImport();
  const std::string older = ostest::ReadRaw(dir / "data/org.dta").substr(2 * partners::kOrgRecordLength);
  ostest::WriteRaw(dir / "data/orgv01.wrk", older);  // a selection's work file left by a killed print
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Read, EIO, ".rollback");
    common::ScopedFileSystem scoped(fs);
    choose();
    Print();
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "OR0201.TXT"));
  EXPECT_TRUE(std::filesystem::exists(dir / "data/.~org.dta.rollback"));
  EXPECT_EQ(ostest::ReadRaw(dir / "data/orgv01.wrk"), older);
  EXPECT_TRUE(leftcopy::SaidNaming(notes, dir / "data/org.dta",
                                   Cz("má nedokončený přepis, který nelze vrátit (kopie ") + (dir / "data/.~org.dta.rollback"),
                                   Cz(", výběr partnerů neproběhl")))
      << notes.Dump();
}

}  // namespace
