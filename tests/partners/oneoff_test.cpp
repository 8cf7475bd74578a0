// The one-off tools of the partner tools menu: their refusals and the bytes they write.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <csignal>
#include <iostream>
#include <random>
#include <thread>
#include <map>

#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/locking.h"
#include "common/pascal.h"
#include "common/session.h"
#include "partners/oneoff.h"
#include "partners/orgtools.h"
#include "tests/partners/toolkit.h"

namespace {

using common::Cz;
using partners::TfOrg;
namespace of = partners::of;

class OneOffTools : public orgtest::OrgToolFiles {
 protected:
  // count partners named name1, name2, ..., with the DIČ given.
  std::string Many(int count, const std::string& name, const std::string& dic = "", int first = 1) const {
    std::string bytes;
    for (int i = 0; i < count; ++i)
      bytes += Partner(first + i, {{of::Name, name + std::to_string(first + i)}, {of::Dic, dic}});
    return bytes;
  }
  std::vector<std::string> Org() const { return Records(ReadData("org.dta")); }
};

// Each refusal names its file and line (or record), and org.dta and podily.dta keep
// every byte.
TEST_F(OneOffTools, RefusalsNameTheFileAndLineAndLeaveBothFilesAsTheyWere) {
  struct Case {
    const char* what;
    const char* item;                          // the menu item
    std::vector<std::pair<std::string, std::string>> files;  // data files (UTF-8 texts become Windows-1250)
    std::string message;                       // a part of the message (UTF-8)
  };
  const std::string twoPartners = Many(2, "Dub");
  const std::string taken = Many(1, "Dub") + std::string(9998 * static_cast<std::size_t>(partners::kOrgRecordLength), '\0');
  const std::vector<Case> cases{
      {"org.csv missing", "NaberCSV21", {}, "org.csv chybí; partneři zůstali beze změny"},
      {"a line of 4 fields", "NaberCSV21", {{"org.csv", "1;2;Dub;Brno;1/2\r\n\r\n1;2;Buk;Brno\r\n"}}, "org.csv, řádek 3: má 4 položky oddělené \";\", má jich být 5; partneři zůstali beze změny"},
      {"a line of 6 fields", "NaberCSV21", {{"org.csv", "1;2;Dub;Brno;1/2\n1;2;Buk;Brno;1/2;x\n"}},
       "org.csv, řádek 2: má 6 položek oddělených \";\", má jich být 5; partneři zůstali beze změny"},
      {"a line of 1 field", "NaberCSV21", {{"org.csv", "Dub\n"}}, "řádek 1: má 1 položku oddělenou \";\", má jich být 5"},
      {"a line of 2 fields", "NaberCSV21", {{"org.csv", "Dub;1\n"}}, "řádek 1: má 2 položky oddělené \";\", má jich být 5"},
      {"an IČO of 9", "NaberCSV21", {{"org.csv", "123456789;;Dub;;1\n"}}, "řádek 1: pole IČO má 9 znaků, vejde se 8"},
      {"a name of 31", "NaberCSV21", {{"org.csv", "1;;" + std::string(31, 'x') + ";;1\n"}}, "pole název má 31 znaků"},
      {"no name", "NaberCSV21", {{"org.csv", "1;;Dub;;1\n2;; ;;1\n"}}, "řádek 2: chybí název partnera"},
      {"four address parts", "NaberCSV21", {{"org.csv", "1;;Dub;Dlouhá 5, Brno, 602 00, CZ;1\n"}},
       "řádek 1: adresa má 4 části oddělené čárkou, řádky adresy jsou 3 (ulice, město, PSČ); partneři zůstali beze změny"},
      {"five address parts", "NaberCSV21", {{"org.csv", "1;;Dub;Dlouhá 5, Brno, 602 00, CZ, EU;1\n"}},
       "řádek 1: adresa má 5 částí oddělených čárkou, řádky"},
      {"a PSČ of 6", "NaberCSV21", {{"org.csv", "1;;Dub;Dlouhá 5, Brno, 602 001;1\n"}}, "pole PSČ má 6 znaků, vejde se 5"},
      {"a share of 16", "NaberCSV21", {{"org.csv", "1;;Dub;;" + std::string(16, '1') + "\n"}}, "pole podíl má 16 znaků, vejde se 15"},
      {"podily.dta damaged", "NaberCSV21",
       {{"org.csv", "1;;Dub;;1\n"}, {"podily.dta", partners::ShareRecord(1, "1", "A", "1") + std::string(58, '\x40')}},
       "podily.dta, věta 2"},
      {"a line of 10 fields", "NaberCSVLufri1", {{"org.csv", "1;2;Dub;u;m;60200;1;2;3;4\n"}}, "řádek 1: má 10 položek oddělených \";\", má jich být 11"},
      {"a line of 12 fields", "NaberCSVLufri1", {{"org.csv", "1;2;Dub;u;m;60200;1;2;3;4;5;6\n"}},
       "řádek 1: má 12 položek oddělených \";\", má jich být 11"},
      {"notes of 51", "NaberCSVLufri1", {{"org.csv", "1;2;Dub;u;m;60200;" + std::string(35, '9') + ";2;3;4;5\n"}},
       "pole Pozn.1 (Tuny: KM: Hod:) má 51 znaků, vejde se 50"},
      {"843.dta missing", "Orvek20171", {}, "843.dta chybí: Orvek2017 ho potřebuje (bez partnerů k přidání prázdný soubor); partneři zůstali beze změny"},
      {"843.dta cut", "Orvek20171", {{"843.dta", twoPartners + "abc"}}, "843.dta, věta 3: věta je useknutá (3 B z 586)"},
      {"843.dta not partners", "Orvek20171", {{"843.dta", std::string(586, '\x7f')}}, "843.dta, věta 1: položka 2 je delší"},
      {"101 partners without the prefix", "Orvek20171", {{"org.dta", Many(101, "Dub")}, {"843.dta", ""}},
       "org.dta, věta 101: partner by dostal číslo 10100, partneři bez zvoleného DIČ mají čísla 10000 až 10099"},
      {"901 partners with it", "Orvek20171", {{"org.dta", Many(901, "Dub", "SK1")}, {"843.dta", ""}},
       "org.dta, věta 901: partner by dostal číslo 11000, partneři s DIČ SK mají čísla 10100 až 10999"},
      {"10000 taken", "Orvek20171", {{"org.dta", taken + Many(1, "Jasan", "", 10000)}, {"843.dta", ""}},
       "org.dta, věta 1: číslo 10000 už má partner Jasan10000"},
      {"11000 taken", "Orvek20171",
       {{"org.dta", std::string(10999 * static_cast<std::size_t>(partners::kOrgRecordLength), '\0') + Many(1, "Jasan", "", 11000)},
        {"843.dta", twoPartners}},
       "843.dta, věta 1: číslo 11000 už má partner Jasan11000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* name : {"org.csv", "843.dta", "podily.dta"}) std::filesystem::remove(DataPath(name));
    WriteData("org.dta", twoPartners);
    WriteData("podily.dta", partners::ShareRecord(1, "1", "A", "1"));
    for (const auto& [name, bytes] : c.files) WriteData(name, name == "org.csv" ? Cz(bytes) : bytes);
    const std::string org = ReadData("org.dta"), shares = ReadData("podily.dta");
    TfOrg w("fOrg");
    Open(w);
    notes.calls.clear();
    if (std::string(c.item) == "Orvek20171")
      partners::RenumberOrvek(w, "SK");  // the prefix question's answer
    else
      Tool(c.item);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(Cz(c.message)), std::string::npos) << common::Win1250ToUtf8(Messages()[0]);
    EXPECT_EQ(ReadData("org.dta"), org);
    EXPECT_EQ(ReadData("podily.dta"), shares);
    EXPECT_FALSE(std::filesystem::exists(DataPath(".~org.dta.rollback")));
    w.CloseBrowse();
  }
}

// podily.dta gets one 58-byte record a partner after those it had: the number as a
// 16-bit word, IČO [8], name [30] and share [15] as counted texts padded with blanks.
// The partners are appended as F4 appends them, from UTF-8 text.
TEST_F(OneOffTools, HubraAppendsPartnersAndTheirFiftyEightByteShares) {
  WriteData("org.dta", Many(2, "Dub"));
  const std::string before = std::string("\x07\x00", 2) + "\x01" "9       " "\x01" "A" + std::string(29, ' ') + "\x01" "1" +
                             std::string(14, ' ');
  WriteData("podily.dta", before);
  WriteData("org.csv", "\xEF\xBB\xBF" "12345678;cz12345678; Lípa družstvo ;Dlouhá 5, Brno, 602 00;12,5 %\r\n"
                       "87654321;;Buk;\"Krátká 1, Praha\";1/4\r\n");
  TfOrg w("fOrg");
  Open(w);
  Tool("NaberCSV21");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(Messages()[0].ends_with(Cz("org.csv přidáno partnerů: 2, čísla 3 až 4")));
  const auto org = Org();
  ASSERT_EQ(org.size(), 4u);
  EXPECT_EQ(TfOrg::PartnerNumber(org[2]), 3);
  EXPECT_EQ(partners::OrgWord(org[2], of::InvoicePlace), 3);
  EXPECT_EQ(Text(org[2], of::Ico), "12345678");
  EXPECT_EQ(Text(org[2], of::Dic), "CZ12345678");
  EXPECT_EQ(Text(org[2], of::Name), Cz("Lípa družstvo"));
  EXPECT_EQ(Text(org[2], of::Street), Cz("Dlouhá 5"));
  EXPECT_EQ(Text(org[2], of::Town), "Brno");
  EXPECT_EQ(Text(org[2], of::PostalCode), "60200");
  EXPECT_EQ(Text(org[3], of::Town), "Praha");
  EXPECT_EQ(Text(org[3], of::PostalCode), "");
  const std::string shares = ReadData("podily.dta");
  ASSERT_EQ(shares.size(), 3u * 58u);
  EXPECT_EQ(shares.substr(0, 58), before);
  const std::string lipa = Cz("Lípa družstvo");
  const std::string third = std::string("\x03\x00", 2) + "\x08" "12345678" "\x1e" + lipa + std::string(30 - lipa.size(), ' ') +
                            "\x0f" "12,5 %" + std::string(9, ' ');
  EXPECT_EQ(shares.substr(58, 58), third);
  EXPECT_EQ(shares.substr(116, 2), std::string("\x04\x00", 2));
  EXPECT_EQ(shares.substr(116 + 42, 16), "\x0f" "1/4" + std::string(12, ' '));
  EXPECT_FALSE(std::filesystem::exists(DataPath(".~org.dta.rollback")));
  w.CloseBrowse();
}

// One partner is "číslo 3"; an import whose shares cannot be written is taken back
// whole, says so naming podily.dta, and the grid counts what org.dta holds.
TEST_F(OneOffTools, AnImportTakenBackSaysWhyAndTheGridCountsWhatIsLeft) {
  WriteData("org.dta", Many(2, "Dub"));
  const std::string shares = partners::ShareRecord(1, "1", "A", "1");
  WriteData("podily.dta", shares);
  WriteData("org.csv", "1;;Lipa;;1/2\n2;;Buk;;1/4\n");
  const std::string org = ReadData("org.dta");
  TfOrg w("fOrg");
  Open(w);
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Write, EIO, "podily.dta");
    common::ScopedFileSystem scoped(fs);
    Tool("NaberCSV21");
  }
  ASSERT_FALSE(Messages().empty());
  EXPECT_NE(Messages().back().find(Cz("podily.dta nelze zapsat, err")), std::string::npos) << Messages().back();
  EXPECT_NE(Messages().back().find(Cz("org.csv byli vzati zpět, partneři i podíly zůstali beze změny")), std::string::npos);
  EXPECT_EQ(ReadData("org.dta"), org);
  EXPECT_EQ(ReadData("podily.dta"), shares);
  EXPECT_EQ(w.Count, 2);
  EXPECT_LE(w.Current, 2);
  EXPECT_EQ(w.lKolik.text().substr(0, 8), "      2/");  // not the 4 partners taken back
  EXPECT_EQ(w.sgRol.rowCount(), 1 + 2);                // the header and the two partners, no empty rows
  EXPECT_FALSE(std::filesystem::exists(DataPath(".~org.dta.rollback")));
  WriteData("org.csv", "1;;Lipa;;1/2\n");
  Tool("NaberCSV21");
  EXPECT_TRUE(Messages().back().ends_with(Cz("org.csv přidáno partnerů: 1, číslo 3"))) << Messages().back();
  EXPECT_EQ(w.Count, 3);
  w.CloseBrowse();
}

// Partners 1 to 2700 move (blank ones skipped), each old place blanked as F8 blanks;
// an invoicing place naming a moved partner follows it; a second run finds the
// numbers taken and changes nothing.
TEST_F(OneOffTools, OrvekMovesThePartnersAndAddsThoseOf843) {
  std::string org = Many(3, "Dub") + Partner(4) + Partner(5, {{of::Name, "Lípa"}, {of::Dic, "sk999"}});
  partners::PutOrgWord(org, of::InvoicePlace, 5);  // partner 1 invoiced at partner 5
  org += Many(97, "Buk", "", 6);                   // 100 without the prefix: 10000 to 10099
  for (int n = 103; n <= 2700; ++n) org += Partner(n);
  std::string staying = Many(1, "Buk", "", 2701);
  partners::PutOrgWord(staying, of::InvoicePlace, 3);  // past 2700, invoiced at partner 3 that moves
  org += staying;
  WriteData("org.dta", org);
  WriteData("843.dta", Many(2, "Javor"));
  TfOrg w("fOrg");
  Open(w);
  partners::RenumberOrvek(w, " sk ");
  const auto after = Org();
  ASSERT_EQ(after.size(), 11001u);
  EXPECT_EQ(after[0], Partner(1));  // blanked, its number kept
  EXPECT_EQ(TfOrg::PartnerNumber(after[4]), 5);
  EXPECT_EQ(Text(after[4], of::Name), "");
  EXPECT_EQ(Text(after[2700], of::Name), "Buk2701");  // past 2700: stays
  EXPECT_EQ(partners::OrgWord(after[2700], of::InvoicePlace), 10002);  // its invoicing place follows partner 3
  EXPECT_EQ(Text(after[9999], of::Name), "Dub1");
  EXPECT_EQ(partners::OrgWord(after[9999], of::InvoicePlace), 10100);
  EXPECT_EQ(Text(after[10001], of::Name), "Dub3");
  EXPECT_EQ(Text(after[10002], of::Name), "Buk6");
  EXPECT_EQ(Text(after[10098], of::Name), "Buk102");  // the last of the group: 10099
  EXPECT_EQ(Text(after[101], of::Name), "");
  EXPECT_EQ(TfOrg::PartnerNumber(after[10099]), 10100);
  EXPECT_EQ(Text(after[10099], of::Name), Cz("Lípa"));
  EXPECT_EQ(Text(after[10100], of::Name), "");
  EXPECT_EQ(TfOrg::PartnerNumber(after[10500]), 10501);
  EXPECT_EQ(Text(after[10999], of::Name), "Javor1");
  EXPECT_EQ(TfOrg::PartnerNumber(after[11000]), 11001);
  EXPECT_EQ(Text(after[11000], of::Name), "Javor2");
  EXPECT_TRUE(Messages().back().starts_with(Cz("Orvek2017: přečíslováno partnerů 101 (1 s DIČ SK), přidáno ze souboru ")));
  // Run again: 843.dta's first partner finds 11000 taken.
  const std::string written = ReadData("org.dta");
  partners::RenumberOrvek(w, "SK");
  EXPECT_NE(Messages().back().find(Cz("843.dta, věta 1: číslo 11000 už má partner Javor1")), std::string::npos);
  EXPECT_EQ(ReadData("org.dta"), written);
  w.CloseBrowse();
}

// Another workstation appends partners with F4 while the import appends its own: the
// lock keeps them apart, so every number equals its record number and every share
// names its own partner.
TEST_F(OneOffTools, AnImportAndAnotherWorkstationsNewPartnersTakeTurns) {
  WriteData("org.dta", Many(1, "Dub"));
  std::string csv;
  for (int i = 1; i <= 3000; ++i) csv += std::to_string(i) + ";;Firma " + std::to_string(i) + ";;" + std::to_string(i) + "\n";
  WriteData("org.csv", csv);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(AppendAsOtherWorkstation("org.dta", 20));
  TfOrg w("fOrg");
  Open(w);
  Tool("NaberCSV21");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  w.CloseBrowse();
  const auto org = Org();
  ASSERT_EQ(org.size(), 3021u);
  int appended = 0;
  for (std::size_t i = 0; i < org.size(); ++i) {
    EXPECT_EQ(TfOrg::PartnerNumber(org[i]), static_cast<int>(i + 1)) << i;
    if (Text(org[i], of::Name) == "F4") ++appended;
  }
  EXPECT_EQ(appended, 20);
  const std::string shares = ReadData("podily.dta");
  ASSERT_EQ(shares.size(), 3000u * 58u);
  for (std::size_t k = 0; k < 3000; ++k) {
    const std::string r = shares.substr(k * 58, 58);
    const std::uint16_t n = common::GetLE<std::uint16_t>(r, 0);
    ASSERT_TRUE(n >= 1 && n <= org.size()) << k;
    EXPECT_EQ(common::StripRightSp(common::GetCounted(r, 11, 30)), Text(org[n - 1u], of::Name)) << k;
  }
}


// Another workstation holds "ORGANIZA.CE": every step that takes it waits with the notice.
// Esc there does nothing (no edit window, org.dta byte for byte) and says so; the
// "ignore protection" answer goes on without the lock, as the step does with it.
TEST_F(OneOffTools, EscAtTheWaitForThePartnerLockDoesNothingAndIgnoringGoesOn) {
  const std::string stopped = Cz("Čekání na uvolnění ORGANIZA.CE bylo přerušeno, nic se neprovedlo");
  std::string odber(309, ' ');
  odber[0] = 3;
  odber.replace(1, 3, "Jas");
  const struct Row {
    const char* what;
    std::function<void(TfOrg& w)> run;
  } rows[] = {
      {"F4", [&](TfOrg&) {
         edit.Keys("Down Down F2");
         backend.PressKeys("F4");
       }},
      {"Sraz označené", [&](TfOrg& w) {
         w.MarkRecord(2);
         Tool("i1");
       }},
      {"Prevod z GREMO", [&](TfOrg&) {
         WriteData("odber.mps", odber);
         Tool("g1");
       }},
      {"Naber CSV", [&](TfOrg& w) {
         WriteData("org.csv", "12345678;;;;;;;;;;Buk\n");
         partners::ImportCsv(w, DataPath("org.csv"));
       }},
      {"Zvětši Organizace", [&](TfOrg& w) { partners::ExtendFile(w, "5"); }},
      {"Naber CSV2 Hubra", [&](TfOrg&) {
         WriteData("org.csv", "1;;Lipa;;1/2\n");
         Tool("NaberCSV21");
       }},
      {"Orvek2017", [&](TfOrg& w) {
         WriteData("843.dta", "");
         partners::RenumberOrvek(w, "");
       }},
  };
  for (const Row& r : rows) {
    for (const bool esc : {true, false}) {
      SCOPED_TRACE(std::string(r.what) + (esc ? ": Esc" : ": ignore protection"));
      WriteData("org.dta", Many(3, "Dub"));
      std::filesystem::remove(DataPath("podily.dta"));
      const std::string before = ReadData("org.dta");
      notes.calls.clear();
      edit.steps.clear();
      edit.shown = 0;
      TfOrg w("fOrg");
      Open(w);
      ostest::LockHeldByOther other(DataPath(partners::kOrgLock));
      ASSERT_TRUE(other.held());
      (esc ? notes.stopAnswer : notes.ignoreAnswer) = true;
      r.run(w);
      notes.stopAnswer = notes.ignoreAnswer = false;
      w.CloseBrowse();
      EXPECT_EQ(other.Release(), 0);
      EXPECT_EQ(notes.Count(common::RecordingNotifier::Kind::LockWait, "Soubor ORGANIZA.CE  W"), 1) << notes.Dump();
      const std::vector<std::string> said = Messages();
      if (esc) {
        EXPECT_EQ(said, std::vector<std::string>{stopped}) << notes.Dump();
        EXPECT_EQ(edit.shown, 0);
        EXPECT_EQ(ReadData("org.dta"), before);
        EXPECT_FALSE(std::filesystem::exists(DataPath("podily.dta")));
      } else {
        EXPECT_EQ(std::count(said.begin(), said.end(), stopped), 0) << notes.Dump();
        EXPECT_NE(ReadData("org.dta"), before) << notes.Dump();
      }
    }
  }
}

// Each tool killed at each write of its run (org.dta, podily.dta, the rollback copy):
// after the next opening of the register org.dta and podily.dta are both as they were or
// both as the finished run leaves them; the opening says it put them back when it finds
// the copy of a run that never finished; a rerun adds each partner once. A partner another workstation appended after the
// kill keeps its number: the tool's partners before it are blanked, not cut. Where org.dta
// ends in a cut record, the run moves it to org.dta.cut first, as a new partner does, and
// it stays there whatever the kill.
TEST_F(OneOffTools, ToolsKilledAtEachWriteLeaveTheOldOrTheNewPairAndARerunAddsEachPartnerOnce) {
  struct Run {
    const char* item;
    std::string csv;
    std::string org843;
    int foreignAt;  // the kill after which another workstation appends a partner
    bool cut = false;  // org.dta ends in a cut record
  };
  const std::vector<Run> tools{
      {"NaberCSV21", "1;;Lipa;Dlouha 5, Brno;1/2\n2;;Buk;;1/4\n3;;Jasan;;1/8\n", "", 4},
      {"NaberCSVLufri1", "1;;Lipa;u;m;60200;1;2;3;4;5\n2;;Buk;;;;1;2;3;4;5\n", "", 3},
      {"Orvek20171", "", Many(1, "Javor"), 6},
      {"NaberCSV21", "1;;Lipa;;1/2\n2;;Buk;;1/4\n", "", 4, true},
      {"Orvek20171", "", Many(1, "Javor"), 0, true},
  };
  const std::string org = Many(2, "Dub"), shares = partners::ShareRecord(1, "1", "A", "1");
  const std::string tail = Many(1, "Cut", "", 3).substr(0, 100);
  int killed = 0, putBack = 0, finishedKept = 0;
  for (const Run& t : tools) {
    SCOPED_TRACE(std::string(t.item) + (t.cut ? " cut" : ""));
    const bool orvek = std::string(t.item) == "Orvek20171";
    auto prepare = [&] {
      for (const auto& e : std::filesystem::directory_iterator(DataPath("")))
        if (e.path().filename().string().starts_with(".~")) std::filesystem::remove(e.path());
      std::filesystem::remove(DataPath("org.dta.cut"));
      WriteData("org.dta", t.cut ? org + tail : org);
      WriteData("podily.dta", shares);
      WriteData("org.csv", t.csv);
      WriteData("843.dta", t.org843);
    };
    auto run = [&](TfOrg& w) {
      if (orvek)
        partners::RenumberOrvek(w, "");
      else
        Tool(t.item);
    };
    // The finished run, and how many writes it makes.
    prepare();
    common::FaultFileSystem counter;
    counter.DieAt(common::FsOp::Write, {"org.dta", "podily.dta"}, 1 << 30);
    {
      common::ScopedFileSystem scoped(counter);
      TfOrg w("fOrg");
      Open(w);
      run(w);
      w.CloseBrowse();
    }
    const int writes = counter.DeathOpCalls();
    const std::string newOrg = ReadData("org.dta"), newShares = ReadData("podily.dta");
    ASSERT_NE(newOrg, org);
    std::vector<int> kills;
    // A kill at the first write of a cut run (org.dta.cut's temporary) leaves org.dta
    // untouched, as the next new partner's would.
    for (int n = t.cut ? 2 : 1; n <= writes + 1; ++n)
      if (!orvek || n <= 3 || n == t.foreignAt || n == writes / 2 || n >= writes) kills.push_back(n);
    for (int n : kills) {
      SCOPED_TRACE(n);
      prepare();
      common::FaultFileSystem fs;
      if (n <= writes)
        fs.DieAt(common::FsOp::Write, {"org.dta", "podily.dta"}, n - 1);
      else  // at the erase of the finished run's copy
        fs.DieAt(common::FsOp::Unlink, {".~org.dta.rollback"}, 0);
      {
        common::ScopedFileSystem scoped(fs);
        TfOrg w("fOrg");
        Open(w);
        run(w);
        w.CloseBrowse();
      }
      ASSERT_TRUE(fs.Dead());
      ++killed;
      common::CurrentSession().CopyTempsSwept.clear();  // the next opening is a new run's
      const std::string leftOrg = ReadData("org.dta");
      const bool foreign = n == t.foreignAt;
      std::string other;
      if (foreign) {
        ASSERT_GT(leftOrg.size(), org.size());  // the kill left partners of the tool
        other = Partner(static_cast<int>(leftOrg.size() / partners::kOrgRecordLength) + 1, {{of::Name, "Cizí"}});
        WriteData("org.dta", leftOrg + other);
      }
      // An unfinished step's copy left behind is said when the opening erases it, whether
      // or not the kill came before a byte of the pair changed.
      const bool copyLeft = std::filesystem::exists(DataPath(".~org.dta.rollback"));
      notes.calls.clear();
      TfOrg w("fOrg");
      Open(w);  // takes back what the killed run left
      const std::string nowOrg = ReadData("org.dta"), nowShares = ReadData("podily.dta");
      std::string said;
      for (const std::string& m : Messages()) said += m;
      const bool saidPutBack = said.find(Cz("byl vrácen")) != std::string::npos;
      if (foreign) {
        // The tool's partners before the other workstation's keep their numbers, blanked.
        std::string blanked;
        for (std::size_t k = org.size(); k < leftOrg.size(); k += partners::kOrgRecordLength)
          blanked += Partner(static_cast<int>(k / partners::kOrgRecordLength) + 1);
        EXPECT_EQ(nowOrg, org + blanked + other);
        EXPECT_EQ(nowShares, shares);
        EXPECT_TRUE(saidPutBack);
        const std::string blankedText = leftOrg.size() - org.size() == partners::kOrgRecordLength
                                            ? "je vymazána (číslo zůstalo), za ní následují věty jiného uživatele"
                                            : "jsou vymazány (čísla zůstala), za nimi následují věty jiného uživatele";
        EXPECT_NE(said.find(Cz(blankedText)), std::string::npos)
            << common::Win1250ToUtf8(said);
      } else {
        const bool old = nowOrg == org && nowShares == shares;
        const bool finished = nowOrg == newOrg && nowShares == newShares;
        EXPECT_TRUE(old || finished) << "a mixed pair";
        EXPECT_EQ(saidPutBack, old && copyLeft) << common::Win1250ToUtf8(said);
        putBack += saidPutBack;
        finishedKept += finished;
        if (saidPutBack && std::string(t.item) == "NaberCSV21" && ReadData("podily.dta") != shares)
          ADD_FAILURE() << "podily.dta not put back";
      }
      EXPECT_EQ(w.Count, static_cast<std::int32_t>(nowOrg.size() / partners::kOrgRecordLength));
      if (t.cut) {
        EXPECT_EQ(ReadData("org.dta.cut"), tail);
      }
      for (const auto& e : std::filesystem::directory_iterator(DataPath("")))
        EXPECT_FALSE(e.path().filename().string().starts_with(".~")) << e.path();
      // A rerun over what the opening left adds each partner once.
      if (nowOrg != newOrg) {
        notes.calls.clear();
        run(w);
        const auto after = Org();
        std::map<std::string, int> names;
        for (const std::string& r : after) ++names[Text(r, of::Name)];
        for (const char* name : {"Lipa", "Buk", "Javor1", "Dub1"})
          if (names.count(name)) EXPECT_EQ(names[name], 1) << name;
        if (!foreign) EXPECT_EQ(ReadData("org.dta"), newOrg);
        if (!foreign) EXPECT_EQ(ReadData("podily.dta"), newShares);
        for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(TfOrg::PartnerNumber(after[i]), static_cast<int>(i + 1));
      }
      w.CloseBrowse();
    }
  }
  EXPECT_GT(putBack, 0);
  EXPECT_GT(finishedKept, 0);  // killed at the erase of its copy, the finished run stays
  std::cout << killed << " kills, " << putBack << " put back at the opening, " << finishedKept << " finished runs kept\n";
}


// The three tools over the same files: two partners, one share, and what each one adds.
struct ToolRun {
  const char* item;
  std::string csv, org843;
  bool Orvek() const { return std::string(item) == "Orvek20171"; }
};

// Each tool whose share file or register cannot be written (err 5: its open for writing
// refused, or each of its writes from one on): the pair stays as it was and the message
// names the file. Where a file the step changed cannot be put back, the register stays
// read only, naming it, and the pair goes back together once it can.
TEST_F(OneOffTools, ToolsWhoseFileCannotBeWrittenLeaveThePairAndNameTheFile) {
  const std::vector<ToolRun> tools{
      {"NaberCSV21", "1;;Lipa;Dlouha 5, Brno;1/2\n2;;Buk;;1/4\n", ""},
      {"NaberCSVLufri1", "1;;Lipa;u;m;60200;1;2;3;4;5\n2;;Buk;;;;1;2;3;4;5\n", ""},
      {"Orvek20171", "", Many(1, "Javor")},
  };
  struct Fault {
    const char* file;  // a part of the path: "org.dta" takes in its rollback copy
    common::FsOp op;   // OpenWrite: its open for writing, Write: a write
  };
  const Fault faults[] = {
      {"podily.dta", common::FsOp::OpenWrite}, {"podily.dta", common::FsOp::Write},
      {"org.dta", common::FsOp::OpenWrite}, {"org.dta", common::FsOp::Write}};
  const std::string org = Many(2, "Dub"), shares = partners::ShareRecord(1, "1", "A", "1");
  auto prepare = [&](const ToolRun& t) {
    WriteData("org.dta", org);
    WriteData("podily.dta", shares);
    WriteData("org.csv", t.csv);
    WriteData("843.dta", t.org843);
  };
  auto run = [&](const ToolRun& t, common::FileSystem& fs) {
    common::ScopedFileSystem scoped(fs);
    TfOrg w("fOrg");
    Open(w);
    notes.calls.clear();
    if (t.Orvek())
      partners::RenumberOrvek(w, "");
    else
      Tool(t.item);
    const bool readOnly = w.ReadOnlyOpen();
    w.CloseBrowse();
    return readOnly;
  };
  std::map<std::string, int> outcomes;
  for (const ToolRun& t : tools) {
    for (const Fault& f : faults) {
      if (std::string(f.file) == "podily.dta" && std::string(t.item) != "NaberCSV21") continue;
      SCOPED_TRACE(std::string(t.item) + " " + f.file + (f.op == common::FsOp::Write ? " write" : " open"));
      prepare(t);
      common::FaultFileSystem counter;
      counter.DieAt(f.op, {f.file}, 1 << 30);
      run(t, counter);
      const int calls = counter.DeathOpCalls();
      const std::string newShares = ReadData("podily.dta");
      for (int k = 0; k < calls; ++k) {
        if (t.Orvek() && k > 3 && k != calls / 2 && k < calls - 3) continue;
        SCOPED_TRACE(k);
        prepare(t);
        common::FaultFileSystem fs;
        fs.Fail(f.op, EACCES, f.file, -1, k);  // from the k-th on, the file cannot be written
        const bool readOnly = run(t, fs);
        std::string said;
        for (const std::string& m : Messages()) said += m + "\n";
        const std::string shown = common::Win1250ToUtf8(said);
        EXPECT_NE(said.find(f.file), std::string::npos) << shown;
        EXPECT_EQ(said.find(Cz("přidáno")), std::string::npos) << shown;
        EXPECT_EQ(said.find(Cz("přečíslováno")), std::string::npos) << shown;
        if (std::string(f.file) == "podily.dta") {
          EXPECT_FALSE(readOnly);  // refused before a byte of it changed: it holds nothing back
          EXPECT_NE(said.find(Cz("podily.dta nelze zapsat, err 5; partneři ze souboru ")), std::string::npos) << shown;
          EXPECT_NE(said.find(Cz("org.csv byli vzati zpět, partneři i podíly zůstali beze změny\n")), std::string::npos)
              << shown;
        }
        if (!readOnly) {
          EXPECT_EQ(ReadData("org.dta"), org);
          EXPECT_EQ(ReadData("podily.dta"), shares);
          EXPECT_FALSE(std::filesystem::exists(DataPath(".~org.dta.rollback")));
          ++outcomes["refused, the pair as it was"];
          continue;
        }
        // A file the step changed could not be put back: it waits, read only, for the next
        // opening that can write it.
        EXPECT_NE(said.find(Cz("jen pro čtení")), std::string::npos) << shown;
        EXPECT_TRUE(std::filesystem::exists(DataPath(".~org.dta.rollback")));
        EXPECT_TRUE(ReadData("podily.dta") == shares || ReadData("podily.dta") == newShares);
        common::CurrentSession().CopyTempsSwept.clear();
        notes.calls.clear();
        TfOrg w("fOrg");
        Open(w);
        EXPECT_FALSE(w.ReadOnlyOpen());
        EXPECT_EQ(ReadData("org.dta"), org);
        EXPECT_EQ(ReadData("podily.dta"), shares);
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_TRUE(Messages()[0].starts_with(Cz("Soubor org.dta byl vrácen do stavu před nedokončeným přepisem")))
            << common::Win1250ToUtf8(Messages()[0]);
        EXPECT_FALSE(std::filesystem::exists(DataPath(".~org.dta.rollback")));
        w.CloseBrowse();
        ++outcomes["read only, then put back"];
      }
    }
  }
  std::cout << ::testing::PrintToString(outcomes) << "\n";
  EXPECT_GT(outcomes["refused, the pair as it was"], 0);
  EXPECT_GT(outcomes["read only, then put back"], 0);
}

// An import that wrote its shares and then cannot write podily.dta any more: the step
// stays whole (both files new, the register read only) and every message names
// podily.dta and why, until podily.dta can be written; then both go back together.
TEST_F(OneOffTools, AShareFileTheImportChangedAndCannotPutBackKeepsThePairTogetherAndIsNamed) {
  const std::string org = Many(2, "Dub"), shares = partners::ShareRecord(1, "1", "A", "1");
  WriteData("org.dta", org);
  WriteData("podily.dta", shares);
  WriteData("org.csv", "1;;Lipa;;1/2\n2;;Buk;;1/4\n");
  const std::string held = Cz("soubor podily.dta nelze zapsat, err 5");
  std::string copy, newOrg, newShares;
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Sync, EIO, "podily.dta", 1);               // its shares written, not flushed
    fs.Fail(common::FsOp::OpenWrite, EACCES, "podily.dta", -1, 1);  // then no more open for writing
    common::ScopedFileSystem scoped(fs);
    TfOrg w("fOrg");
    Open(w);
    notes.calls.clear();
    Tool("NaberCSV21");
    copy = common::RollbackCopyName(w.DataFilePath);
    EXPECT_TRUE(w.ReadOnlyOpen());
    EXPECT_EQ(Messages(), std::vector<std::string>{Cz("Soubor org.dta se nepodařilo vrátit do původního stavu: ") + held +
                                                   Cz("; oba se vrátí z kopie ") + copy +
                                                   Cz(" při dalším zápisu nebo otevření, do té doby je org.dta jen pro čtení")});
    newOrg = ReadData("org.dta");
    newShares = ReadData("podily.dta");
    EXPECT_EQ(newOrg.size(), org.size() + 2 * partners::kOrgRecordLength);  // never the partners without their shares
    EXPECT_EQ(newShares.size(), shares.size() + 2 * partners::kShareRecordLength);
    // An edit (Space) while it waits: refused, naming podily.dta.
    notes.calls.clear();
    backend.PressKeys("Space");
    ASSERT_FALSE(Messages().empty());
    const std::string readOnly =
        Cz("Soubor org.dta je jen pro čtení, dokud nelze vrátit nedokončený přepis z kopie ") + copy + " (" + held + ")";
    EXPECT_EQ(Messages()[0], readOnly);
    // A new partner (F4), a delete (F8), another import and the tools that write the register
    // without a rollback copy of their own are refused the same way, not passed over in silence.
    WriteData("odber.mps", std::string(309, '\0'));
    const std::vector<std::pair<const char*, std::function<void()>>> refused{
        {"F4", [&] { backend.PressKeys("F4"); }},
        {"F8", [&] { backend.PressKeys("F8"); }},
        {"NaberCSV21", [&] { Tool("NaberCSV21"); }},
        {"Naber CSV", [&] { partners::ImportCsv(w, DataPath("org.csv")); }},
        {"Prevod z GREMO", [&] { partners::ConvertOdber(w); }},
        {"Zvetsi Organizace", [&] { partners::ExtendFile(w, "9"); }},
    };
    for (const auto& [what, press] : refused) {
      notes.calls.clear();
      press();
      EXPECT_EQ(Messages(), std::vector<std::string>{readOnly}) << what;
      EXPECT_EQ(ReadData("org.dta"), newOrg) << what;
      EXPECT_EQ(ReadData("podily.dta"), newShares) << what;
    }
    w.CloseBrowse();
  }
  common::CurrentSession().CopyTempsSwept.clear();
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::OpenWrite, EACCES, "podily.dta");
    common::ScopedFileSystem scoped(fs);
    notes.calls.clear();
    TfOrg w("fOrg");
    Open(w);
    EXPECT_TRUE(w.ReadOnlyOpen());
    EXPECT_EQ(Messages(), std::vector<std::string>{Cz("Soubor org.dta má nedokončený přepis, který nelze vrátit (kopie ") +
                                                   copy + ", " + held + Cz("): otevírá se jen pro čtení")});
    w.CloseBrowse();
  }
  EXPECT_EQ(ReadData("org.dta"), newOrg);
  EXPECT_EQ(ReadData("podily.dta"), newShares);
  notes.calls.clear();
  TfOrg w("fOrg");
  Open(w);  // podily.dta can be written again
  EXPECT_FALSE(w.ReadOnlyOpen());
  EXPECT_EQ(Messages(), std::vector<std::string>{Cz("Soubor org.dta byl vrácen do stavu před nedokončeným přepisem, s ním i soubor podily.dta")});
  EXPECT_EQ(ReadData("org.dta"), org);
  EXPECT_EQ(ReadData("podily.dta"), shares);
  EXPECT_FALSE(std::filesystem::exists(DataPath(".~org.dta.rollback")));
  w.CloseBrowse();
}

// Each tool killed at its 2nd partner or at its last write, then the opening that takes
// it back killed at each of its changes (a write, a cut, a flush, the erase of the copy):
// the opening that erases the copy says the register was taken back, whichever opening put
// its bytes back, and the pair is as it was. podily.dta that cannot be written and that
// the run never reached holds nothing back.
TEST_F(OneOffTools, AToolOrItsTakeBackKilledIsSaidTakenBackByTheOpeningThatErasesTheCopy) {
  struct Case {
    ToolRun tool;
    int killAt;           // the run's write it is killed at (0: its last)
    bool sharesReadOnly;  // podily.dta cannot be written from the start
  };
  const ToolRun hubra{"NaberCSV21", "1;;Lipa;;1/2\n2;;Buk;;1/4\n", ""};
  const std::vector<Case> cases{
      {hubra, 3, false},
      {hubra, 0, false},
      {hubra, 3, true},
      {{"NaberCSVLufri1", "1;;Lipa;u;m;60200;1;2;3;4;5\n2;;Buk;;;;1;2;3;4;5\n", ""}, 3, false},
      {{"Orvek20171", "", Many(1, "Javor")}, 3, false},
      {{"Orvek20171", "", Many(1, "Javor")}, 0, false},
  };
  const std::vector<std::string> pair{"org.dta", "podily.dta"};
  const std::string org = Many(2, "Dub"), shares = partners::ShareRecord(1, "1", "A", "1");
  int takeBacksKilled = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tool.item) + " killed at " + std::to_string(c.killAt) + (c.sharesReadOnly ? ", podily.dta read only" : ""));
    auto faults = [&](common::FaultFileSystem& fs) {
      if (c.sharesReadOnly) fs.Fail(common::FsOp::OpenWrite, EACCES, "podily.dta");
    };
    auto killRun = [&](int at) {
      for (const auto& e : std::filesystem::directory_iterator(DataPath("")))
        if (e.path().filename().string().starts_with(".~")) std::filesystem::remove(e.path());
      WriteData("org.dta", org);
      WriteData("podily.dta", shares);
      WriteData("org.csv", c.tool.csv);
      WriteData("843.dta", c.tool.org843);
      common::FaultFileSystem fs;
      faults(fs);
      fs.DieAt(common::FsOp::Write, pair, at - 1);
      {
        common::ScopedFileSystem scoped(fs);
        TfOrg w("fOrg");
        Open(w);
        if (c.tool.Orvek())
          partners::RenumberOrvek(w, "");
        else
          Tool(c.tool.item);
        w.CloseBrowse();
      }
      common::CurrentSession().CopyTempsSwept.clear();  // the next opening is a new run's
      return fs;
    };
    const int writes = killRun(1 << 30).DeathOpCalls();
    const int at = c.killAt > 0 ? c.killAt : writes;
    for (common::FsOp op : {common::FsOp::Write, common::FsOp::Truncate, common::FsOp::Sync, common::FsOp::Unlink}) {
      for (int k = 0;; ++k) {
        SCOPED_TRACE(std::to_string(static_cast<int>(op)) + " " + std::to_string(k));
        ASSERT_TRUE(killRun(at).Dead());
        ASSERT_TRUE(std::filesystem::exists(DataPath(".~org.dta.rollback")));
        ASSERT_NE(ReadData("org.dta") + ReadData("podily.dta"), org + shares);  // the run changed the pair
        common::FaultFileSystem fs;
        faults(fs);
        fs.DieAt(op, pair, k);
        notes.calls.clear();
        {
          common::ScopedFileSystem scoped(fs);
          TfOrg w("fOrg");
          Open(w);  // the take-back, killed at its k-th such change
          w.CloseBrowse();
        }
        common::CurrentSession().CopyTempsSwept.clear();
        if (fs.Dead()) {
          ++takeBacksKilled;
          notes.calls.clear();  // what a killed opening showed is not seen
          common::FaultFileSystem later;
          faults(later);
          common::ScopedFileSystem scoped(later);
          TfOrg w("fOrg");
          Open(w);
          EXPECT_FALSE(w.ReadOnlyOpen());
          w.CloseBrowse();
        }
        std::string said;
        for (const std::string& m : Messages()) said += m;
        EXPECT_NE(said.find(Cz("Soubor org.dta byl vrácen do stavu před nedokončeným přepisem")), std::string::npos)
            << common::Win1250ToUtf8(said);
        EXPECT_EQ(ReadData("org.dta"), org);
        EXPECT_EQ(ReadData("podily.dta"), shares);
        EXPECT_FALSE(std::filesystem::exists(DataPath(".~org.dta.rollback")));
        if (!fs.Dead()) break;  // the opening went through
      }
    }
  }
  std::cout << takeBacksKilled << " take-backs killed\n";
  EXPECT_GT(takeBacksKilled, 0);
}

// Killed for real at random points of an import of 3000 partners: after the next opening
// org.dta and podily.dta are both old or both new, and a rerun adds each partner once.
TEST_F(OneOffTools, AnImportKilledForRealLeavesTheOldOrTheNewPair) {
  const std::string org = Many(1, "Dub"), shares = partners::ShareRecord(1, "1", "A", "1");
  std::string csv;
  for (int i = 1; i <= 3000; ++i) csv += std::to_string(i) + ";;Firma " + std::to_string(i) + ";;" + std::to_string(i) + "\n";
  auto prepare = [&] {
    WriteData("org.dta", org);
    WriteData("podily.dta", shares);
    WriteData("org.csv", csv);
  };
  auto importInChild = [&] {
    const pid_t pid = fork();
    if (pid == 0) {
      common::CurrentSession().LocksOff = 1;  // a dead workstation's lock entries are not the point here
      TfOrg w("fOrgChild");
      Open(w);
      Tool("NaberCSV21");
      _exit(0);
    }
    return pid;
  };
  prepare();
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  ASSERT_EQ(waitpid(importInChild(), &status, 0) > 0 && WIFEXITED(status), true);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  const std::string newOrg = ReadData("org.dta"), newShares = ReadData("podily.dta");
  ASSERT_EQ(newOrg.size(), 3001u * partners::kOrgRecordLength);
  std::mt19937 random(63);
  int old = 0;
  for (int run = 0; run < 6; ++run) {
    SCOPED_TRACE(run);
    prepare();
    const pid_t pid = importInChild();
    std::this_thread::sleep_for(std::chrono::microseconds(random() % static_cast<unsigned>(whole.count() + 1)));
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    TfOrg w("fOrg");
    Open(w);
    const bool wasOld = ReadData("org.dta") == org && ReadData("podily.dta") == shares;
    EXPECT_TRUE(wasOld || (ReadData("org.dta") == newOrg && ReadData("podily.dta") == newShares)) << "a mixed pair";
    if (wasOld) {
      ++old;
      Tool("NaberCSV21");
      EXPECT_EQ(ReadData("org.dta"), newOrg);
      EXPECT_EQ(ReadData("podily.dta"), newShares);
    }
    w.CloseBrowse();
  }
  std::cout << old << " of 6 killed imports taken back; an import takes " << whole.count() / 1000 << " ms\n";
}

}  // namespace
