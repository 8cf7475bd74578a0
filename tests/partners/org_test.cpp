// The partner register over real files: numbering, blanking, column sorts, notes,
// the card's checks, pickers and web pages, scrambling, and the public-register
// lookups of a new card against the loopback server.
#include <filesystem>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "browser/cekej.h"
#include "browser/codec.h"
#include "browser/dotaz.h"
#include "common/encoding.h"
#include "common/jobfile.h"
#include "common/locking.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/scramble.h"
#include "common/session.h"
#include "common/text.h"
#include "partners/lookups.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "reports/writer.h"
#include "tests/browser/soubkit.h"
#include "tests/partners/loopback.h"

namespace {

using common::Cz;
using partners::TfOrg;

// The viewer the notes are shown in: records the files it was given.
struct NotesViewer : browser::ReportViewer {
  std::vector<std::string> files;
  int key = 0;
  void SetupReport(const std::string& f) override { files.push_back(f); }
  void SetLastKey(int k) override { key = k; }
  int LastKey() const override { return key; }
  void ShowReport() override {}
  void SetCurrentRecord(int) override {}
  void CloseBrowse() override {}
};

class PartnerRegister : public soubtest::SoubTest {
 protected:
  void SetUp() override {
    SoubTest::SetUp();
    partners::ResetOrgServices();
    partners::OrgHooks().openPage = [this](const std::string& url) { pages.push_back(url); };
  }
  void TearDown() override {
    partners::ResetOrgServices();
    partners::LookupConfig() = {};
    SoubTest::TearDown();
  }

  // A partner record: number n and the given fields (UTF-8), the rest blank.
  std::string Partner(std::int32_t n, std::vector<std::pair<int, std::string>> fields = {}) {
    TfOrg w("fOrgMaker");
    partners::SetupOrg(w, "maker.dta");
    for (auto& [f, text] : fields) w.Field(f).value = Cz(text);
    w.Field(1).value = std::to_string(n);
    w.Field(19).value = std::to_string(n);
    std::string record(partners::kOrgRecordLength, '\0');
    browser::FieldsToRecord(w.FieldSpan(), record);
    w.CloseBrowse();
    return record;
  }
  void WritePartners(const std::vector<std::vector<std::pair<int, std::string>>>& partners) {
    std::string bytes;
    for (std::size_t i = 0; i < partners.size(); ++i) bytes += Partner(static_cast<std::int32_t>(i + 1), partners[i]);
    WriteData("org.dta", bytes);
  }
  std::string OrgRecord(int n) const {
    return ReadData("org.dta").substr(static_cast<std::size_t>((n - 1) * partners::kOrgRecordLength), partners::kOrgRecordLength);
  }
  static std::string Text(const std::string& record, int field) {
    const auto offsets = Offsets();
    return common::GetCounted(record, static_cast<std::size_t>(offsets[static_cast<std::size_t>(field - 1)]),
                              static_cast<std::size_t>(partners::OrgFieldTable()[static_cast<std::size_t>(field - 1)].width));
  }
  static std::vector<int> Offsets() {
    return {0,   2,   11,  28,  59,  90,  121, 152, 158, 189, 210, 231, 236, 256, 267,
            292, 317, 342, 383, 385, 396, 400, 406, 412, 414, 416, 429, 433, 484, 535};
  }
  void Open(TfOrg& w) {
    partners::SetupOrg(w, "org.dta");
    w.Show();
  }
  bool LockLeft() { return !common::IfVolny(other, DataPath(partners::kOrgLock)).empty(); }
  void AnswerAsk(bool yes) {
    backend.AnswerNextModal([yes](ui::Form& f) {
      auto& d = static_cast<browser::TfDotaz&>(f);
      yes ? d.Button1Click() : d.Button2Click();
    });
  }

  std::vector<std::string> pages;
};

// A partner file of random bytes is no partner file: said once at opening, by its name,
// and no key, sort or close writes into it.
TEST_F(PartnerRegister, AFileOfRandomBytesIsSaidAndNeverWritten) {
  const std::string bytes = soubtest::RandomBytes(3 * partners::kOrgRecordLength, 55);
  WriteData("org.dta", bytes);
  TfOrg w("fOrg");
  Open(w);
  EXPECT_EQ(ReadData("org.dta"), bytes);
  ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
  EXPECT_TRUE(Messages()[0].starts_with(Cz("Soubor ") + DataPath("org.dta") + Cz(" neodpovídá popisu své věty (věta 1, položka ")))
      << Messages()[0];
  EXPECT_TRUE(Messages()[0].ends_with(Cz("; otevírám ho jen pro čtení"))) << Messages()[0];
  EXPECT_FALSE(w.DataFileUsable());
  edit.Type("X").Keys("F2");
  backend.PressKeys("F4 Space Shift+F4 Alt+F1 F8");
  w.Hide();
  w.CloseBrowse();
  EXPECT_EQ(ReadData("org.dta"), bytes);
  // F4, Space and F8 at least: each refused key says why.
  const std::vector<std::string> said = Messages();
  EXPECT_GE(said.size(), 4u) << notes.Dump();
  for (std::size_t i = 1; i < said.size(); ++i)
    EXPECT_EQ(said[i], Cz("Soubor org.dta je otevřen jen pro čtení, změny se nezapisují"));
}

TEST_F(PartnerRegister, TheRecordHasThirtyFieldsAtTheirOffsets) {
  TfOrg w("fOrg");
  partners::SetupOrg(w, "org.dta");
  EXPECT_EQ(browser::LayoutLength(w.FieldSpan()), partners::kOrgRecordLength);
  const std::vector<int> offsets = browser::FieldOffsets(w.FieldSpan());
  EXPECT_EQ(offsets, Offsets());
  EXPECT_EQ(w.FieldStates[1], 0);
  for (int i = 2; i <= 30; ++i) EXPECT_EQ(w.FieldStates[static_cast<std::size_t>(i)], 1) << i;
  EXPECT_EQ(w.Field(20).hint, "1234567890");
  EXPECT_TRUE(w.PicturesOn);
  EXPECT_EQ(w.PictureFolder, "ORG");
  EXPECT_EQ(w.HeaderLine.substr(0, 6), Cz(" Čís. "));
  EXPECT_EQ(w.HeaderLine.find(Cz(" Čís. I Č O    D I Č            Název firmy")), 0u);
  EXPECT_TRUE(w.HeaderLine.ends_with(" " + Cz("Pozn.3 ") + std::string(43, ' ')));
  EXPECT_NE(w.HeaderLine.find(Cz("PSČ    > Adr5-stát ") + std::string(18, ' ') + " EAN firmy "), std::string::npos);
  w.CloseBrowse();
}

TEST_F(PartnerRegister, NewPartnersAreNumberedUnderTheLock) {
  WritePartners({{{4, "Dub"}}, {{4, "Čáp"}}, {{4, "Cáp"}}});
  TfOrg w("fOrg");
  Open(w);
  edit.Do([&](browser::EditForm&) { EXPECT_TRUE(LockLeft()); }).Keys("Down Down F2");
  backend.PressKeys("F4");
  ASSERT_EQ(ReadData("org.dta").size(), 4u * partners::kOrgRecordLength);
  EXPECT_EQ(TfOrg::PartnerNumber(OrgRecord(4)), 4);
  EXPECT_EQ(common::GetLE<std::uint16_t>(OrgRecord(4), 383), 4);
  EXPECT_FALSE(LockLeft());
  // Esc writes nothing and leaves no lock either.
  edit.Keys("Esc");
  backend.PressKeys("F4");
  EXPECT_EQ(ReadData("org.dta").size(), 4u * partners::kOrgRecordLength);
  EXPECT_FALSE(LockLeft());
  // Another workstation appended partner 5 meanwhile: ours becomes 6 all the same.
  WriteData("org.dta", ReadData("org.dta") + Partner(5, {{4, "Jiný"}}));
  edit.Keys("F2");
  backend.PressKeys("F4");
  ASSERT_EQ(ReadData("org.dta").size(), 6u * partners::kOrgRecordLength);
  EXPECT_EQ(TfOrg::PartnerNumber(OrgRecord(6)), 6);
  EXPECT_EQ(TfOrg::PartnerNumber(OrgRecord(5)), 5);
  w.CloseBrowse();
}

TEST_F(PartnerRegister, NoPartnerNumberAbove65535) {
  WriteData("org.dta", "");
  std::filesystem::resize_file(DataPath("org.dta"), 65535ull * partners::kOrgRecordLength);
  TfOrg w("fOrg");
  Open(w);
  backend.PressKeys("F4");
  EXPECT_EQ(edit.shown, 0);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("65535"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(DataPath("org.dta")), 65535ull * partners::kOrgRecordLength);
  EXPECT_FALSE(LockLeft());
  w.CloseBrowse();
}

TEST_F(PartnerRegister, DeletingBlanksTheRecordAndKeepsItsNumber) {
  WritePartners({{{4, "Dub"}}, {{4, "Čáp"}, {7, "Brno"}}, {{4, "Cáp"}}, {{4, "Lípa"}}});
  TfOrg w("fOrg");
  Open(w);
  backend.PressKeys("Down");
  AnswerAsk(false);
  backend.PressKeys("F8");
  EXPECT_EQ(Text(OrgRecord(2), 4), Cz("Čáp") + std::string(27, ' '));
  AnswerAsk(true);
  backend.PressKeys("F8");
  std::string expected = w.BlankRecord;
  common::PutLE<std::uint16_t>(expected, 0, 2);
  EXPECT_EQ(OrgRecord(2), expected);
  // Marked records are blanked and unmarked; the rest stays.
  w.MarkRecord(1);
  w.MarkRecord(4);
  w.MarkedCount = 2;
  AnswerAsk(true);
  backend.PressKeys("F8");
  EXPECT_EQ(TfOrg::PartnerNumber(OrgRecord(4)), 4);
  EXPECT_EQ(Text(OrgRecord(4), 4), std::string(30, ' '));
  EXPECT_EQ(Text(OrgRecord(1), 4), std::string(30, ' '));
  EXPECT_EQ(Text(OrgRecord(3), 4), Cz("Cáp") + std::string(27, ' '));
  EXPECT_FALSE(w.IsMarked(1));
  EXPECT_FALSE(w.IsMarked(4));
  EXPECT_EQ(w.MarkedCount, 0);
  EXPECT_EQ(ReadData("org.dta").size(), 4u * partners::kOrgRecordLength);
  // A blanked partner shows as the empty card with its number; town shows in column 5.
  w.RecordToColumns(2);
  EXPECT_EQ(w.ColumnTexts[1], "00002");
  w.RecordToColumns(3);
  EXPECT_EQ(common::StripRightSp(w.ColumnTexts[4]), Cz("Cáp"));
  w.CloseBrowse();
}

TEST_F(PartnerRegister, ColumnsFiveAndSevenAreExchangedAndNotesAreSearched) {
  WritePartners({{{4, "Dub"}, {5, "Jan"}, {7, "Brno"}, {29, "platí hned"}}});
  TfOrg w("fOrg");
  Open(w);
  w.RecordToColumns(1);
  EXPECT_EQ(common::StripRightSp(w.ColumnTexts[5]), "Brno");
  EXPECT_EQ(common::StripRightSp(w.ColumnTexts[7]), "Jan");
  const std::string search = w.RecordSearchText(1);
  EXPECT_NE(search.find(Cz("platíhned")), std::string::npos);
  w.CloseBrowse();
}

std::vector<std::int32_t> Entries(const std::string& bytes) {
  std::vector<std::int32_t> out;
  for (std::size_t off = 0; off + 8 <= bytes.size(); off += 8) {
    EXPECT_EQ(common::GetLE<std::int32_t>(bytes, off + 4), 0);
    out.push_back(common::GetLE<std::int32_t>(bytes, off));
  }
  return out;
}

TEST_F(PartnerRegister, AHeaderClickSortsByThatColumnIntoIndexFileOne) {
  WritePartners({{{4, "Dub"}, {7, "Zlín"}}, {{4, "Čáp"}, {7, "Aš"}}, {{4, "Cáp"}, {7, "Brno"}}});
  TfOrg w("fOrg");
  Open(w);
  backend.PressKeys("Down Alt+F1");  // column 4; partner 2 stays current
  EXPECT_EQ(Entries(ReadData("org.dt1")), (std::vector<std::int32_t>{3, 2, 1}));
  EXPECT_EQ(w.ActiveOrder, 1);
  EXPECT_EQ(w.GridColor, 0xE0FFE0u);
  EXPECT_EQ(w.IndexPositionToRecord(w.Current), 2);
  w.SortByColumn(5);  // the town
  EXPECT_EQ(Entries(ReadData("org.dt1")), (std::vector<std::int32_t>{2, 3, 1}));
  EXPECT_EQ(w.GridColor, 0xA0FFFFu);
  backend.PressKeys("Alt+F10");  // column 1: the natural order
  EXPECT_EQ(w.ActiveOrder, 0);
  EXPECT_EQ(w.Current, 2);
  w.CloseBrowse();

  // One record: no index, record 1 current, no message.
  WritePartners({{{4, "Dub"}}});
  std::filesystem::remove(DataPath("org.dt1"));
  Open(w);
  w.SortByColumn(4);
  EXPECT_EQ(w.ActiveOrder, 0);
  EXPECT_EQ(w.Current, 1);
  EXPECT_TRUE(Messages().empty());
  w.CloseBrowse();
}

TEST_F(PartnerRegister, TheCardChecksDicAndAccount) {
  TfOrg w("fOrg");
  Open(w);
  struct Case { int field; const char* typed; const char* stored; const char* message; };
  const Case cases[] = {
      {3, "cz123", "CZ123", nullptr},
      {3, "736028/5163", "736028/5163", nullptr},
      {3, "736028/5164", "736028/5164", "Chybné rodné číslo"},
      {13, "19-2000145399", "19-2000145399", nullptr},
      {13, "12345", "12345", "Chybné číslo konta"},
  };
  for (const Case& c : cases) {
    notes.calls.clear();
    std::string text = Cz(c.typed);
    w.FieldCheck(c.field, text);
    EXPECT_EQ(common::StripLeftSp(common::StripRightSp(text)), c.stored) << c.typed;
    EXPECT_EQ(Messages().size(), c.message ? 1u : 0u) << c.typed;
    if (c.message && !Messages().empty()) {
      EXPECT_EQ(Messages()[0], Cz(c.message));
    }
  }
  w.CloseBrowse();
}

TEST_F(PartnerRegister, ScrambledOnDiskPlainOnScreen) {
  common::Session& s = common::CurrentSession();
  s.ScrambleOn = 1;
  s.ScrambleKey = common::ProgramScrambleKey();
  WriteData("org.dta", "");
  TfOrg w("fOrg");
  Open(w);
  edit.Do([](browser::EditForm& f) { f.SetText(4, Cz("Čáp a syn")); }).Keys("F2");
  backend.PressKeys("F4");
  const std::string disk = OrgRecord(1);
  EXPECT_NE(disk.substr(29, 30), Cz("Čáp a syn") + std::string(21, ' '));
  w.RepaintPage();
  EXPECT_EQ(common::StripRightSp(w.sgRol.Cell(4, 1)), Cz("Čáp a syn"));
  w.CloseBrowse();
  // A window that is never shown reads the partner plain as well.
  TfOrg hidden("fOrg2");
  partners::SetupOrg(hidden, "org.dta");
  hidden.RecordReadAt(1);
  EXPECT_EQ(common::StripRightSp(Text(hidden.RecordBuffer, 4)), Cz("Čáp a syn"));
  hidden.CloseBrowse();
}

TEST_F(PartnerRegister, NotesAreKeptBetweenVisits) {
  NotesViewer viewer;
  browser::SetReportServices(&viewer, nullptr, &reports::TheReportOutput());
  WritePartners({{{4, "Dub"}}, {{4, "Čáp"}}, {{4, "Lípa"}}});
  std::filesystem::create_directories(DataPath("POZNAMKY"));
  // Notes an older program wrote under the doubled name are taken over.
  ostest::WriteRaw(DataPath("POZNAMKY/ORG00003.txt.TXT"), "old notes\r\n");
  TfOrg w("fOrg");
  Open(w);
  backend.PressKeys("Down F7");
  const std::string notesFile = DataPath("POZNAMKY/ORG00002.TXT");
  ASSERT_TRUE(std::filesystem::exists(notesFile));
  const std::string first = ostest::ReadRaw(notesFile);
  EXPECT_EQ(first.substr(0, 12), Cz("    2 Čáp   "));
  EXPECT_NE(first.find(std::string(34, '*')), std::string::npos);
  ASSERT_EQ(viewer.files.size(), 1u);
  ostest::WriteRaw(notesFile, first + "zavolat v pondeli\r\n");
  backend.PressKeys("F7");
  EXPECT_NE(ostest::ReadRaw(notesFile).find("zavolat v pondeli"), std::string::npos);
  EXPECT_EQ(viewer.files.size(), 2u);
  backend.PressKeys("Down F7");
  EXPECT_EQ(ostest::ReadRaw(DataPath("POZNAMKY/ORG00003.TXT")), "old notes\r\n");
  EXPECT_FALSE(std::filesystem::exists(DataPath("POZNAMKY/ORG00003.txt.TXT")));
  w.CloseBrowse();
}

TEST_F(PartnerRegister, F1ShowsTheListTopicOrTheCardTopic) {
  NotesViewer viewer;
  browser::SetReportServices(&viewer, nullptr, nullptr);
  std::filesystem::create_directories(dir / "CI");
  ostest::WriteRaw(dir / "CI/ORG.hlp", "$[Seznam]\r\nthe list\r\n$[ICO]\r\nthe card\r\n");
  WriteData("org.dta", "");
  TfOrg w("fOrg");
  Open(w);
  auto shownAt = [] { return common::TextToInt(common::ReadParam("par\\okna2.par", "fPozri Index")); };
  backend.PressKeys("F1");
  EXPECT_EQ(shownAt(), 2);
  int inCard = 0;
  edit.Keys("F1").Do([&](browser::EditForm&) { inCard = shownAt(); }).Keys("Esc");
  backend.PressKeys("F4");
  EXPECT_EQ(inCard, 4);
  EXPECT_EQ(viewer.files.size(), 2u);
  w.CloseBrowse();
}

TEST_F(PartnerRegister, F10PopsTheToolsMenuOnceAndTheSwitchWorks) {
  TfOrg w("fOrg");
  Open(w);
  ASSERT_EQ(w.PopupMenu1.count(), 28);
  EXPECT_EQ(w.PopupMenu1.item(0).caption, Cz("Třízení - Klik na hlavičku"));
  EXPECT_EQ(w.PopupMenu1.item(27).caption, Cz("Používat ARRES"));
  for (int i = 0; i < 27; ++i) EXPECT_FALSE(w.PopupMenu1.item(i).enabled) << i;
  backend.QueueAnswer(ui::headless::Answer::MenuAnswer(std::string("mARRES1")));
  AnswerAsk(false);
  backend.PressKeys("F10");
  EXPECT_EQ(common::GetJob("ARES"), "N");
  EXPECT_EQ(common::CurrentSession().AresOn, 0);
  int popups = 0;
  for (const std::string& line : backend.journal())
    if (line.find("popup PopupMenu1 at 200,200") != std::string::npos) ++popups;
  EXPECT_EQ(popups, 1);
  // Ctrl + right click enables everything but the first item.
  w.EnableMenuItems();
  EXPECT_FALSE(w.PopupMenu1.item(0).enabled);
  for (int i = 1; i < 28; ++i) EXPECT_TRUE(w.PopupMenu1.item(i).enabled) << i;
  w.CloseBrowse();
}

TEST_F(PartnerRegister, EnterOpensPickersAndWebPages) {
  partners::LookupConfig().registerBase = "https://rejstrik.example";
  common::CurrentSession().AresOn = 0;
  auto& hooks = partners::OrgHooks();
  hooks.pickBank = [](const std::string& typed, bool byCode) {
    EXPECT_EQ(typed, byCode ? "0800" : Cz("Česká"));
    return std::optional<partners::BankChoice>(partners::BankChoice{Cz("Česká spořitelna"), "0800"});
  };
  hooks.pickOwnAccount = [] { return std::optional<std::int32_t>(2); };
  hooks.ownAccountBankName = [](std::int32_t n) { return n == 2 ? std::optional<std::string>("KB") : std::nullopt; };
  std::string town;
  hooks.pickPostalCode = [&](const std::string& t) {
    town = t;
    return std::optional<std::string>("60200");
  };
  WriteData("org.dta", "");
  TfOrg w("fOrg");
  Open(w);
  std::string side;
  // Into field n, type the text (UTF-8), press Enter.
  auto enter = [](int n, std::string text) {
    return [n, t = Cz(text)](browser::EditForm& f) {
      f.Click(n);
      f.SetText(n, t);
      f.KeyDown(n, ui::vk::Enter, ui::Shift::None);
    };
  };
  edit.Do(enter(2, " 27074358 "))
      .Do(enter(4, "Čáp & syn"))
      .Do([](browser::EditForm& f) {
        f.Click(7);
        f.SetText(7, "Brno");
      })
      .Do(enter(8, ""))
      .Do(enter(11, "Česká"))
      .Do(enter(12, "800"))
      .Do(enter(25, ""))
      .Do([&](browser::EditForm& f) { side = f.SideLabel(25); })
      .Do(enter(9, ""))  // no country picker: nothing happens
      .Keys("F2");
  backend.PressKeys("F4");
  EXPECT_EQ(pages, (std::vector<std::string>{"https://rejstrik.example/ekonomicke-subjekty?ico=27074358",
                                             "https://rejstrik.example/ekonomicke-subjekty?obchodniJmeno=%C4%8C%C3%A1p%20%26%20syn"}));
  EXPECT_EQ(town, "Brno");
  EXPECT_EQ(side, "KB");
  const std::string r = OrgRecord(1);
  EXPECT_EQ(common::StripRightSp(Text(r, 8)), "60200");
  EXPECT_EQ(common::StripRightSp(Text(r, 11)), Cz("Česká spořitelna"));
  EXPECT_EQ(Text(r, 12), "0800");
  EXPECT_EQ(common::GetLE<std::uint16_t>(r, 414), 2);
  w.CloseBrowse();
}

// ---------------------------------------------------------------- the public registers

class PartnerLookups : public PartnerRegister {
 protected:
  void SetUp() override {
    PartnerRegister::SetUp();
    std::filesystem::create_directories(dir / "ARES");
    partners::LookupConfig() = {};
    partners::LookupConfig().registerBase = server.Base();
    partners::LookupConfig().vatBase = server.Base();
    partners::LookupConfig().workFolder = dir / "ARES/";
    backend.OnModal("fCekej", [this](ui::Form&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      backend.Advance(1000);
    });
    server.ReplyTo("/ekonomicke-subjekty-v-be/",
                   R"({"ico":"27074358","obchodniJmeno":"Vzorová firma, s.r.o.","sidlo":{"nazevStatu":"Česká republika",)"
                   R"("nazevObce":"Praha","nazevUlice":"Budějovická","cisloDomovni":778,"psc":14000},)"
                   R"("financniUrad":"004","dic":"CZ27074358"})");
    server.ReplyTo("/adistc/",
                   "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\"><soapenv:Body>"
                   "<StatusNespolehlivyPlatceResponse xmlns=\"http://adis.mfcr.cz/rozhraniCRPDPH/\"><status statusCode=\"0\"/>"
                   "<statusPlatceDPH dic=\"27074358\" nespolehlivyPlatce=\"NE\"><zverejneneUcty><ucet>"
                   "<standardniUcet predcisli=\"19\" cislo=\"2000145399\" kodBanky=\"0800\"/></ucet></zverejneneUcty>"
                   "</statusPlatceDPH></StatusNespolehlivyPlatceResponse></soapenv:Body></soapenv:Envelope>");
  }
  partnerstest::LoopbackServer server;
};

TEST_F(PartnerLookups, TheIcoOfAnEmptyCardFillsItFromBothRegisters) {
  WriteData("org.dta", "");
  TfOrg w("fOrg");
  Open(w);
  edit.Do([](browser::EditForm& f) {
        f.SetText(2, "27074358");
        f.SetText(30, Cz(partners::kUnreliableMark));
      })
      .Keys("Down F2");
  backend.PressKeys("F4");
  ASSERT_EQ(server.Requests().size(), 2u);
  const std::string r = OrgRecord(1);
  EXPECT_EQ(common::StripRightSp(Text(r, 4)), Cz("Vzorová firma, s.r.o."));
  EXPECT_EQ(common::StripRightSp(Text(r, 6)), Cz("Budějovická 778"));
  EXPECT_EQ(Text(r, 8), "14000");
  EXPECT_EQ(common::StripRightSp(Text(r, 3)), "CZ27074358");
  EXPECT_EQ(common::StripRightSp(Text(r, 7)), "Praha");
  EXPECT_EQ(common::StripRightSp(Text(r, 9)), Cz("Česká republika"));
  EXPECT_EQ(Text(r, 27), "004");
  EXPECT_EQ(Text(r, 12), "0800");
  EXPECT_EQ(common::StripRightSp(Text(r, 13)), "19-2000145399");
  EXPECT_EQ(Text(r, 30), std::string(50, ' '));  // a reliable payer loses the mark
  w.CloseBrowse();
}

TEST_F(PartnerLookups, EscInTheRegisterLookupAsksTheVatRegisterNothing) {
  WriteData("org.dta", "");
  ostest::WriteRaw(dir / "client.sh", "#!/bin/sh\nsleep 30\n");  // never replies
  std::filesystem::permissions(dir / "client.sh", std::filesystem::perms::owner_all);
  partners::LookupConfig().client = dir / "client.sh";
  backend.OnModal("fCekej", [](ui::Form& f) {
    int key = ui::vk::Esc;
    static_cast<browser::TfCekej&>(f).FormKeyDown(key, {});
  });
  TfOrg w("fOrg");
  Open(w);
  edit.Do([](browser::EditForm& f) { f.SetText(2, "27074358"); }).Keys("Down F2");
  backend.PressKeys("F4");
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message), std::vector<std::string>{Cz("Chyba spojení")});
  EXPECT_EQ(Text(OrgRecord(1), 2), "27074358");
  w.CloseBrowse();
}

TEST_F(PartnerLookups, EnterOnTheIcoOpensThePageAndFillsTheCard) {
  WriteData("org.dta", "");
  TfOrg w("fOrg");
  Open(w);
  edit.Do([](browser::EditForm& f) {
        f.Click(2);
        f.SetText(2, "27074358");
      })
      .Keys("Enter F2");
  backend.PressKeys("F4");
  EXPECT_EQ(pages, std::vector<std::string>{server.Base() + "/ekonomicke-subjekty?ico=27074358"});
  EXPECT_EQ(common::StripRightSp(Text(OrgRecord(1), 4)), Cz("Vzorová firma, s.r.o."));
  w.CloseBrowse();
}

TEST_F(PartnerLookups, NoLookupForANamedCardOrWithTheSwitchOff) {
  WriteData("org.dta", "");
  TfOrg w("fOrg");
  Open(w);
  edit.Do([](browser::EditForm& f) {
        f.SetText(4, "Dub");
        f.SetText(2, "27074358");
      })
      .Keys("Down F2");
  backend.PressKeys("F4");
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_EQ(common::StripRightSp(Text(OrgRecord(1), 4)), "Dub");
  // "Používat ARRES" answered no: the IČO of an empty card asks nobody.
  backend.QueueAnswer(ui::headless::Answer::MenuAnswer(std::string("mARRES1")));
  AnswerAsk(false);
  backend.PressKeys("F10");
  edit.Do([](browser::EditForm& f) { f.SetText(2, "27074358"); }).Keys("Down F2");
  backend.PressKeys("F4");
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_EQ(ReadData("org.dta").size(), 2u * partners::kOrgRecordLength);
  w.CloseBrowse();
}

TEST_F(PartnerLookups, TheTypedIcoIsStoredWhateverTheLookupGives) {
  struct Case { const char* what; int aresOn; const char* client; const char* name; };
  const Case cases[] = {
      {"found", 1, "curl", "Vzorová firma, s.r.o."},
      {"no client", 1, "/nonexistent/lookup-client", ""},
      {"switched off", 0, "curl", ""},
  };
  WriteData("org.dta", "");
  TfOrg w("fOrg");
  Open(w);
  int n = 0;
  for (const Case& c : cases) {
    common::CurrentSession().AresOn = c.aresOn;
    partners::LookupConfig().client = c.client;
    edit.Do([](browser::EditForm& f) { f.SetText(2, "27074358"); }).Keys("Down F2");
    backend.PressKeys("F4");
    const std::string r = OrgRecord(++n);
    EXPECT_EQ(Text(r, 2), "27074358") << c.what;
    EXPECT_EQ(common::StripRightSp(Text(r, 4)), Cz(c.name)) << c.what;
  }
  w.CloseBrowse();
}

TEST_F(PartnerLookups, AMissingWorkFolderIsMadeAndOnlyAFailureToMakeItIsShown) {
  std::filesystem::remove_all(dir / "ARES");
  WriteData("org.dta", "");
  TfOrg w("fOrg");
  Open(w);
  edit.Do([](browser::EditForm& f) { f.SetText(2, "27074358"); }).Keys("Down F2");
  backend.PressKeys("F4");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "ARES"));
  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(common::StripRightSp(Text(OrgRecord(1), 4)), Cz("Vzorová firma, s.r.o."));
  EXPECT_TRUE(notes.Texts(common::RecordingNotifier::Kind::Message).empty());
  // A file in the folder's place: one message, no lookup, the IČO kept.
  std::filesystem::remove_all(dir / "ARES");
  ostest::WriteRaw(dir / "ARES", "x");
  edit.Do([](browser::EditForm& f) { f.SetText(2, "27074358"); }).Keys("Down F2");
  backend.PressKeys("F4");
  EXPECT_EQ(server.Requests().size(), 2u);
  const auto messages = notes.Texts(common::RecordingNotifier::Kind::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(" vytvari slozku: "), std::string::npos) << messages[0];
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage).size(), 0u);
  EXPECT_EQ(Text(OrgRecord(2), 2), "27074358");
  w.CloseBrowse();
}

}  // namespace
