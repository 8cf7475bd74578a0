// The postal codes, the municipalities, the registers loaded from CSV files and the
// translation dictionary.
#include <cerrno>
#include <filesystem>

#include "browser/dotazy.h"
#include "codelists/csvregs.h"
#include "codelists/postal.h"
#include "codelists/slov.h"
#include "common/codepages.h"
#include "common/faultfs.h"
#include "common/jobfile.h"
#include "common/locking.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using namespace cltest;
using common::Cz;

class RegistersTest : public CodeListTest {
 protected:
  void TearDown() override {
    PscTownSource() = nullptr;
    CodeListTest::TearDown();
  }
  std::string ProgPath(const std::string& name) const { return dir / name; }
  void WriteProg(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(ProgPath(name)).parent_path());
    ostest::WriteRaw(ProgPath(name), bytes);
  }
  std::string ReadProg(const std::string& name) const { return ostest::ReadRaw(ProgPath(name)); }
  // The layout descriptions of the program folder.
  void InstallLayouts() const {
    std::filesystem::create_directories(ProgPath("dlib"));
    for (const char* f : {"obce.pol", "obce_puv.pol"})
      std::filesystem::copy_file(std::string(CODELISTS_DLIB) + "/" + f, ProgPath(std::string("dlib/") + f),
                                 std::filesystem::copy_options::overwrite_existing);
  }
  std::vector<std::string> Beeps() const { return notes.Texts(common::RecordingNotifier::Kind::BeepMessage); }
};

// ---------------------------------------------------------------- postal codes

std::string Psc(const std::string& code, const std::string& obec, const std::string& posta, const std::string& okres) {
  return MakeRecord(PscSpec(), {{1, code}, {2, obec}, {3, posta}, {4, okres}});
}

class RegistersPsc : public RegistersTest {
 protected:
  void SetUp() override {
    RegistersTest::SetUp();
    // In municipality order, as the bisection expects.
    WriteProg("2/PSC.dta", Psc("37001", "České Budějovice", "České Budějovice 1", "České Budějovice") +
                               Psc("53002", "Pardubice", "Pardubice 2", "Pardubice") +
                               Psc("11000", "Praha", "Praha 1", "Hlavní město Praha") +
                               Psc("25101", "Říčany", "Říčany u Prahy", "Praha-východ") +
                               Psc("25102", "Říčany", "Strančice", "Kolín"));
  }
};

TEST_F(RegistersPsc, SearchesIgnoreCaseAccentsAndBlanksAndAnEmptyQueryFindsNothing) {
  Tfpsc& w = fpsc();
  SetupPsc(w);
  EXPECT_EQ(w.Count, 5);
  EXPECT_EQ(w.DataFileName.substr(0, 1), "=");
  struct Case {
    std::string name, district;
    bool byPost;
    std::string psc;
  } cases[] = {
      {"praha", "", false, "11000"},
      {"ceske  budejovice", "", false, "37001"},
      {"RICANY", "kol", false, "25102"},        // the district's beginning is enough
      {"Říč", "Praha-vých", false, "25101"},     // so is the municipality's
      {"pardu", "", false, "53002"},
      {"strancice", "", true, "25102"},          // by post office
      {"stran", "", true, "00000"},              // a post office must match whole
      {"Brno", "", false, "00000"},
      {"", "", false, "00000"},                  // an empty query
      {"   ", "Kolín", false, "00000"},
      {"", "Kolín", true, "00000"},
  };
  for (const Case& c : cases) {
    w.Current = 4;
    const std::string psc = c.byPost ? w.PscFindByPosta(Cz(c.name), Cz(c.district)) : w.PscFindByObec(Cz(c.name), Cz(c.district));
    EXPECT_EQ(psc, c.psc) << c.name << "/" << c.district;
    if (c.psc == "00000") {
      EXPECT_EQ(w.Current, 4) << c.name;  // a miss leaves the current record
    }
  }
  w.PscFindByObec("pardubice", "");
  EXPECT_EQ(w.Current, 2);
}

TEST_F(RegistersPsc, CtrlF3AsksWithThePartnersTownAndAltF3SearchesByPostOfficeWithoutASortOrder) {
  PscTownSource() = [] { return Cz("Pardubice"); };
  Tfpsc& w = fpsc();
  SetupPsc(w);
  Show(w);
  EXPECT_EQ(w.Button1.top(), w.bpscp.top());
  std::vector<std::string> asked;
  std::string title;
  backend.AnswerNextModal([&](ui::Form& f) {
    auto& d = static_cast<browser::TfDotazy&>(f);
    title = d.caption();
    for (int i = 1; i <= d.FieldCount; ++i) asked.push_back(common::StripRightSp(d.Edits[static_cast<std::size_t>(i)]->text()));
    backend.Press(ui::vk::Enter);
  });
  Keys("Ctrl+F3");
  EXPECT_EQ(title, Cz("Hledaná obec"));
  EXPECT_EQ(asked, (Strings{Cz("Pardubice"), ""}));
  EXPECT_EQ(w.Current, 2);

  backend.AnswerNextModal([&](ui::Form& f) {
    title = f.caption();
    auto& d = static_cast<browser::TfDotazy&>(f);
    d.Edits[1]->SetText(Cz("Praha 1"));
    backend.Press(ui::vk::Enter);
  });
  Keys("Alt+F3");
  EXPECT_EQ(title, Cz("Hledaná pošta"));
  EXPECT_EQ(w.Current, 3);
  EXPECT_EQ(w.ActiveOrder, 0);  // no third sort order
  w.CloseBrowse();
}

TEST_F(RegistersPsc, ThePickerGivesTheChosenRecordAndNothingOnEsc) {
  backend.AnswerNextModal([&](ui::Form&) {
    backend.PressKeys("Home Down Enter");
  });
  const std::optional<PscRecord> r = PickPsc(Cz("Praha"));
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->psc, "53002");
  EXPECT_EQ(common::StripRightSp(r->obec), "Pardubice");
  EXPECT_EQ(common::StripRightSp(r->okres), "Pardubice");
  backend.AnswerNextModal([&](ui::Form&) { backend.Press(ui::vk::Esc); });
  EXPECT_FALSE(PickPsc("").has_value());
  EXPECT_FALSE(fpsc().DataFileUsable());  // closed after the pick
}

TEST_F(RegistersPsc, F8MarksTheRecordInPlace) {
  Tfpsc& w = fpsc();
  SetupPsc(w);
  w.GoToRecord(2, 0);
  w.DeleteRecord(w.Current);
  const Strings codes = Column(PscSpec(), ReadProg("2/PSC.dta"), 1);
  EXPECT_EQ(codes, (Strings{"37001", ".....", "11000", "25101", "25102"}));
  EXPECT_EQ(Column(PscSpec(), ReadProg("2/PSC.dta"), 2)[1], std::string(50, ' '));
  w.CloseBrowse();
  EXPECT_EQ(Column(PscSpec(), ReadProg("2/PSC.dta"), 1).size(), 5u);  // no sort on close
}

// ---------------------------------------------------------------- municipalities

std::string Obec(const std::string& zuj, const std::string& name, const std::string& okres, const std::string& psc = "") {
  // Field 6 as the program writes it.
  const std::string derived = common::UpperCz(common::StripDiacritics(Cz(name)));
  return MakeRecord(ObceSpec(), {{1, "00" + zuj.substr(0, 6)}, {2, zuj}, {4, name}, {5, okres}, {6, derived}, {7, psc}});
}

class RegistersObce : public RegistersPsc {
 protected:
  void SetUp() override {
    RegistersPsc::SetUp();
    InstallLayouts();
  }
};

TEST_F(RegistersObce, F5FillsMissingCodesListsTheUnknownAndKeepsTheDerivedName) {
  WriteData("obce.dta", Obec("555134", "Pardubice", "Pardubice") + Obec("500011", "Praha", "", "12000") +
                            Obec("999999", "Neznámá Lhota", "Kolín") + Obec("538493", "Říčany", "Praha-východ"));
  TfObce& w = fObce();
  SetupObce(w);
  w.KeyF5();
  const std::string bytes = ReadData("obce.dta");
  EXPECT_EQ(Column(ObceSpec(), bytes, 7), (Strings{"53002", "12000", "", "25101"}));  // a valid code stays
  EXPECT_EQ(Column(ObceSpec(), bytes, 6)[0], "PARDUBICE");
  EXPECT_EQ(Column(ObceSpec(), bytes, 6)[3], "RICANY");
  EXPECT_EQ(bytes.substr(147, 147), Obec("500011", "Praha", "", "12000"));  // never written
  EXPECT_EQ(writer.job, "PSCchybi");
  EXPECT_EQ(writer.width, 80);
  EXPECT_EQ(writer.lines, Strings{"    3 : " + Cz("Neznámá Lhota")});
  EXPECT_FALSE(fpsc().DataFileUsable());
  w.CloseBrowse();
}

TEST_F(RegistersObce, EditsAreRefusedWhileAnotherUserHoldsTheFile) {
  WriteData("obce.dta", Obec("500011", "Praha", "") + Obec("555134", "Pardubice", ""));
  TfObce& w = fObce();
  SetupObce(w);
  const std::string before = ReadData("obce.dta");
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  w.EditRecord();
  w.NewRecord();
  w.DeleteRecord(w.Current);
  EXPECT_EQ(ReadData("obce.dta"), before);
  EXPECT_EQ(Beeps(), (Strings{Cz(kEditRefusal), Cz(kAddRefusal), Cz(kDeleteRefusal)}));
  common::UnlockFile(other, w.DataFilePath);
  w.CloseBrowse();
}

TEST_F(RegistersObce, ADeletedMunicipalityMovesToTheFrontAndTheCloseDropsIt) {
  std::string bytes;
  const char* names[] = {"Adamov", "Bečov", "Cheb", "Děčín", "Eger", "Frýdek", "Hodonín", "Jihlava", "Kolín", "Louny"};
  for (int i = 0; i < 10; ++i) bytes += Obec("5000" + std::to_string(10 + i), names[i], "");
  WriteData("obce.dta", bytes);
  TfObce& w = fObce();
  SetupObce(w);
  ASSERT_EQ(w.Count, 10) << w.DataFilePath;
  w.GoToRecord(5, 0);
  ASSERT_EQ(w.Current, 5);
  w.DeleteRecord(w.Current);
  Strings zuj = Column(ObceSpec(), ReadData("obce.dta"), 2);
  EXPECT_EQ(zuj[0], std::string(12, ' '));
  EXPECT_EQ(w.Current, 5);
  w.CloseBrowse();
  zuj = Column(ObceSpec(), ReadData("obce.dta"), 2);
  ASSERT_EQ(zuj.size(), 9u);
  EXPECT_EQ(Trimmed(Column(ObceSpec(), ReadData("obce.dta"), 4))[4], Cz("Frýdek"));
  EXPECT_EQ(Trimmed(Column(ObceSpec(), ReadData("obce.dta"), 6))[4], "FRYDEK");
}

TEST_F(RegistersObce, OpeningConvertsTheOlderLayoutAndSaysNothingWithoutAFile) {
  // The older record: the fields without "rez", 116 bytes.
  // Texts at their full width, as the program stores them.
  auto pad = [](std::string t, std::size_t n) { return t.resize(n, ' '), t; };
  const std::string old = MakeRecord(ObceSpec(), {{1, "00500011"},
                                                  {2, pad("500011", 12)},
                                                  {3, "1234"},
                                                  {4, pad("Praha", 30)},
                                                  {5, pad("Praha", 20)},
                                                  {6, pad("PRAHA", 30)},
                                                  {7, "11000"}})
                              .substr(0, 116);
  WriteData("obce.dta", old + old);
  TfObce& w = fObce();
  SetupObce(w);
  EXPECT_EQ(w.Count, 2);
  EXPECT_EQ(ReadData("obce.dta").size(), 2u * 147);
  EXPECT_EQ(Column(ObceSpec(), ReadData("obce.dta"), 7)[1], "11000");
  EXPECT_EQ(Column(ObceSpec(), ReadData("obce.dta"), 8)[1], std::string(30, ' '));
  EXPECT_FALSE(w.ColumnShown[8]);
  EXPECT_EQ(w.ColumnCount, 7);
  EXPECT_EQ(w.lhled.text(), Cz("Najdi obec podle názvu[F3]"));
  w.CloseBrowse();
  EXPECT_TRUE(Messages().empty());
  // Without the file: nothing to convert and nothing said.
  std::filesystem::remove(DataPath("obce.dta"));
  SetupObce(w);
  EXPECT_EQ(w.Count, 0);
  w.CloseBrowse();
  EXPECT_TRUE(Messages().empty());
}

TEST_F(RegistersObce, TheListingHasItsOwnLineAndHeader) {
  WriteData("obce.dta", Obec("500011", "Praha", "Praha", "11000"));
  common::CurrentSession().FirmTitle = "Firma";
  TfObce& w = fObce();
  SetupObce(w);
  w.PrintListing(w.Current);
  ASSERT_EQ(writer.job, "Obce");
  EXPECT_EQ(writer.width, 132);
  ASSERT_EQ(writer.lines.size(), 7u);
  EXPECT_EQ(writer.lines[0], "\f");
  EXPECT_EQ(writer.lines[2], "Firma" + std::string(13, ' ') + Cz("Seznam obcí") + std::string(34, ' ') + "L:  1 D:06.12.26");
  EXPECT_EQ(writer.lines[4], Cz("IČO obce  PSČ  Název               Okres"));
  EXPECT_EQ(writer.lines[6].size(), 101u);
  EXPECT_TRUE(writer.lines[6].starts_with("500011       11000 Praha"));
  w.CloseBrowse();
}

// ---------------------------------------------------------------- CSV registers

class RegistersCsv : public RegistersTest {
 protected:
  std::string WriteCsv(const std::string& name, const std::string& text) const {
    const std::string path = dir / name;
    ostest::WriteRaw(path, text);
    return path;
  }
  static std::string ZujLine(const std::string& code, const std::string& name, const std::string& kod) {
    return "a;b;c;" + code + ";e;" + name + ";g;h;i;j;k;l;" + kod + "\n";
  }
};

TEST_F(RegistersCsv, ZujImportSkipsTheHeaderAndTheEmptyTailAndAlignsTheCodes) {
  WriteProg("2/ZUJ.dta", "");
  TfZuj& w = fZuj();
  SetupZuj(w);
  const std::string csv = WriteCsv("zuj.csv", "hlavicka\nhlavicka 2\n" + ZujLine("1234", "Obec A", "42") +
                                                  ZujLine("12345678", Cz("Žďár"), "7") + "\n" + ZujLine("5", "C", "") );
  EXPECT_EQ(w.ImportCsv(csv), 3);  // the empty line inside the file neither counts nor ends the import
  const std::string bytes = ReadProg("2/ZUJ.dta");
  ASSERT_EQ(bytes.size(), 135u);
  EXPECT_EQ(bytes.substr(0, 7), std::string("\x06" "001234"));
  EXPECT_EQ(Column(ZujSpec(), bytes, 1), (Strings{"001234", "345678", "000005"}));
  EXPECT_EQ(Column(ZujSpec(), bytes, 3), (Strings{"000042", "000007", "000000"}));
  EXPECT_EQ(w.Count, 3);
  EXPECT_EQ(common::StripRightSp(w.RecordToColumns(2)).substr(0, 12), "   2 345678 ");
  w.CloseBrowse();
}

TEST_F(RegistersCsv, AnImportReplacesTheWholeRegisterOrKeepsIt) {
  std::string old;
  for (int i = 0; i < 500; ++i) old += MakeRecord(ZujSpec(), {{1, "000001"}, {2, "Stará " + std::to_string(i)}});
  WriteProg("2/ZUJ.dta", old);
  TfZuj& w = fZuj();
  SetupZuj(w);
  std::string lines = "h1\nh2\n";
  for (int i = 1; i <= 120; ++i) lines += ZujLine(std::to_string(i), "Obec " + std::to_string(i), "1");
  EXPECT_EQ(w.ImportCsv(WriteCsv("a.csv", lines)), 120);
  EXPECT_EQ(ReadProg("2/ZUJ.dta").size(), 120u * 45);
  EXPECT_EQ(w.Count, 120);
  const std::string kept = ReadProg("2/ZUJ.dta");
  // Only header lines: the register stays and the user is told.
  EXPECT_EQ(w.ImportCsv(WriteCsv("b.csv", "h1\nh2\n\n")), -1);
  EXPECT_EQ(ReadProg("2/ZUJ.dta"), kept);
  EXPECT_EQ(Messages().size(), 1u);
  // A file that cannot be opened writes nothing.
  EXPECT_EQ(w.ImportCsv((dir / "nic.csv")), -1);
  EXPECT_EQ(ReadProg("2/ZUJ.dta"), kept);
  // Another user works with the register.
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  EXPECT_EQ(w.ImportCsv(WriteCsv("c.csv", lines)), -1);
  EXPECT_EQ(Messages().back(), Cz("Se souborem se pracuje"));
  common::UnlockFile(other, w.DataFilePath);
  EXPECT_EQ(ReadProg("2/ZUJ.dta"), kept);
  w.CloseBrowse();
}

TEST_F(RegistersCsv, AFileMostlyWithoutKeysIsRefusedAndUtf8IsConverted) {
  const std::string kept = MakeRecord(ZujSpec(), {{1, "000001"}, {2, "Stará"}});
  std::string binary;
  for (int i = 0; i < 10240; ++i) binary += static_cast<char>((i * 151 + 7) % 256);
  const auto zuj = [](std::initializer_list<const char*> codes) {
    std::string lines = "h1\nh2\n";
    for (const char* c : codes) lines += ZujLine(c, "Obec", "1");
    return lines;
  };
  const struct {
    const char* what;
    bool isco;
    std::string csv;
    std::int32_t result;
    const char* told;  // in the one message
  } cases[] = {
      {"binary", false, binary, -1, "obsahuje znak konce souboru (^Z) uprostřed textu"},  // bytes follow its first ^Z
      {"3 of 5 codes not digits", false, zuj({"1", "abc", "2", "", "x1"}), -1, ": 3 z 5 "},
      {"columns missing", false, "h1\nh2\n1;2\n3;4\n" + ZujLine("7", "Obec", "1"), -1, ": 2 z 3 "},
      {"half without a key", false, zuj({"1", "abc", "1234", "x"}), 4, nullptr},
      {"ISCO codes not digits", true, "1\n2\n3\nab;Fyzik\n2111;Fyzik\ncd;Lékař\n", -1, ": 2 z 3 "},
      {"UTF-8", false, zuj({"1"}) + "a;b;c;2;e;Žďár nad Sázavou;g\n", 2, "UTF-8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = c.isco ? "2/ISCO.dta" : "2/ZUJ.dta";
    WriteProg(file, kept);
    CsvRegister& w = c.isco ? static_cast<CsvRegister&>(fISCO()) : fZuj();
    c.isco ? SetupISCO(fISCO()) : SetupZuj(fZuj());
    notes.calls.clear();
    const std::string csv = WriteCsv("in.csv", c.csv);
    EXPECT_EQ(w.ImportCsv(csv), c.result);
    if (c.result < 0) {
      EXPECT_EQ(ReadProg(file), kept);
    }
    ASSERT_EQ(Messages().size(), c.told ? 1u : 0u) << notes.Dump();
    if (c.told) {
      EXPECT_NE(Messages()[0].find(Cz(c.told)), std::string::npos) << notes.Dump();
      EXPECT_NE(Messages()[0].find(csv), std::string::npos);
    }
    w.CloseBrowse();
  }
  // The converted name is stored in Windows-1250.
  EXPECT_EQ(common::StripRightSp(Column(ZujSpec(), ReadProg("2/ZUJ.dta"), 2)[1]), Cz("Žďár nad Sázavou"));
}

TEST_F(RegistersCsv, CountriesSkipBlankNamesAndIscoPadsItsCode) {
  WriteProg("2/ZEME.dta", "");
  TfZeme& z = fZeme();
  SetupZeme(z);
  EXPECT_EQ(z.caption(), Cz("Seznam zemí"));
  EXPECT_EQ(z.ImportCsv(WriteCsv("zeme.csv", "1\n2\n3\nx;CZ;x;x;Česko\nx;XX;x;x;   \nx;SK;x;x;Slovensko\n")), 2);
  EXPECT_EQ(Column(ZemeSpec(), ReadProg("2/ZEME.dta"), 1), (Strings{"CZ", "SK"}));
  z.CloseBrowse();

  WriteProg("2/ISCO.dta", "");
  TfISCO& i = fISCO();
  SetupISCO(i);
  EXPECT_EQ(i.ImportCsv(WriteCsv("isco.csv", "1\n2\n3\n2111;Fyzik\n31;\n")), 2);
  const std::string bytes = ReadProg("2/ISCO.dta");
  EXPECT_EQ(Column(IscoSpec(), bytes, 1), (Strings{"21110", "31000"}));
  EXPECT_EQ(common::StripRightSp(Column(IscoSpec(), bytes, 2)[0]), "Fyzik");
  i.NewRecord();
  i.DeleteRecord(1);
  EXPECT_EQ(ReadProg("2/ISCO.dta"), bytes);  // F4 and F8 do nothing here
  i.CloseBrowse();
}

TEST_F(RegistersCsv, SortOrdersByCzechNameDropsBlankOnesAndTheSearchBisects) {
  WriteProg("2/ZUJ.dta", MakeRecord(ZujSpec(), {{2, "Žatec"}}) + MakeRecord(ZujSpec(), {{2, "Cheb"}}) +
                             MakeRecord(ZujSpec(), {{2, ""}}) + MakeRecord(ZujSpec(), {{2, "Čáslav"}}) +
                             MakeRecord(ZujSpec(), {{2, "Adamov"}}));
  TfZuj& w = fZuj();
  SetupZuj(w);
  w.SortByName();
  const Strings names = Trimmed(Column(ZujSpec(), ReadProg("2/ZUJ.dta"), 2));
  EXPECT_EQ(names, (Strings{"Adamov", Cz("Čáslav"), "Cheb", Cz("Žatec")}));
  EXPECT_EQ(w.Count, 4);
  EXPECT_EQ(w.SearchScan(common::CzSortKey("Ch")), 3);
  EXPECT_EQ(w.SearchScan(common::CzSortKey(Cz("Ž"))), 4);
  EXPECT_EQ(w.SearchScan(common::CzSortKey("Brno")), 2);  // a miss: the record probed last
  w.eHled.SetText(Cz("Čás"));
  w.SearchNext();
  EXPECT_EQ(w.Current, 2);
  EXPECT_EQ(w.HeaderLine.substr(0, 12), "     ZUJ    ");
  // Every name blank: the file empties.
  w.GoToRecord(1, 0);
  for (int n = 1; n <= 4; ++n) {
    w.Current = n;
    w.DeleteRecord(n);
  }
  w.SortByName();
  EXPECT_EQ(ReadProg("2/ZUJ.dta"), "");
  w.CloseBrowse();
}

// The k-th write of a 60-record sort fails, for every k, once or from then on: when
// writes work again and the register is opened, it holds the old or the new records, never
// a mix, and no rollback copy is left.
TEST_F(RegistersCsv, ASortWhoseKthWriteFailsLeavesTheOldOrTheNewFile) {
  std::string old;
  for (int i = 60; i >= 1; --i) old += MakeRecord(ZujSpec(), {{1, std::to_string(i)}, {2, "Obec " + std::to_string(100 + i)}});
  const std::string copy = ProgPath("2/.~ZUJ.dta.rollback");
  std::string sorted;
  int oldSeen = 0, newSeen = 0;
  for (const int count : {1, -1}) {
    for (int k = 1; k <= 64; ++k) {
      SCOPED_TRACE("write " + std::to_string(k) + (count == 1 ? " fails once" : " fails from then on"));
      WriteProg("2/ZUJ.dta", old);
      TfZuj& w = fZuj();
      SetupZuj(w);
      notes.calls.clear();
      {
        common::FaultFileSystem fs;
        fs.Fail(common::FsOp::Write, EIO, "ZUJ", count, k - 1);  // the register and its copy
        common::ScopedFileSystem scoped(fs);
        w.SortByName();
      }
      w.CloseBrowse();
      if (k == 1) {  // the copy could not be made: nothing touched, the message names the file
        ASSERT_FALSE(Messages().empty());
        EXPECT_NE(Messages().back().find("ZUJ.dta"), std::string::npos) << Messages().back();
      }
      SetupZuj(w);  // the next open puts back a copy that is left
      const std::string now = ReadProg("2/ZUJ.dta");
      w.CloseBrowse();
      if (sorted.empty() && now != old) sorted = now;
      EXPECT_TRUE(now == old || now == sorted) << "a mixed file";
      (now == old ? oldSeen : newSeen) += 1;
      EXPECT_FALSE(std::filesystem::exists(copy));
    }
  }
  EXPECT_EQ(Trimmed(Column(ZujSpec(), sorted, 2)).front(), "Obec 101");
  EXPECT_GT(oldSeen, 100);
  EXPECT_GT(newSeen, 0);
}

// A sort that could not be put back keeps the register read only: an import is refused
// then, naming the copy, since the copy put back later would undo it; once the copy goes
// back the import goes through.
TEST_F(RegistersCsv, AnImportWaitsForASortsCopyThatCouldNotBePutBack) {
  std::string old;
  for (int i = 3; i >= 1; --i) old += MakeRecord(ZujSpec(), {{1, std::to_string(i)}, {2, "Obec " + std::to_string(i)}});
  WriteProg("2/ZUJ.dta", old);
  const std::string csv = WriteCsv("a.csv", "h1\nh2\n" + ZujLine("7", "Nova", "1"));
  TfZuj& w = fZuj();
  SetupZuj(w);
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Write, EIO, "2/ZUJ.dta", -1, 1);  // the sort's 2nd write and its take-back
    common::ScopedFileSystem scoped(fs);
    w.SortByName();
    ASSERT_TRUE(w.ReadOnlyOpen());
    notes.calls.clear();
    EXPECT_EQ(w.ImportCsv(csv), -1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], Cz("Soubor ") + ProgPath("2/ZUJ.dta") +
                                 Cz(" je jen pro čtení, dokud nelze vrátit nedokončený přepis z kopie ") +
                                 ProgPath("2/.~ZUJ.dta.rollback"))
        << common::Win1250ToUtf8(Messages()[0]);
  }
  EXPECT_TRUE(std::filesystem::exists(ProgPath("2/.~ZUJ.dta.rollback")));
  EXPECT_EQ(ReadProg("2/ZUJ.dta").size(), old.size());
  notes.calls.clear();
  EXPECT_EQ(w.ImportCsv(csv), 1);  // the copy goes back first, then the import
  EXPECT_EQ(Messages().at(0), Cz("Soubor ") + ProgPath("2/ZUJ.dta") + Cz(" byl vrácen do stavu před nedokončeným přepisem"));
  EXPECT_FALSE(std::filesystem::exists(ProgPath("2/.~ZUJ.dta.rollback")));
  w.CloseBrowse();
  SetupZuj(w);
  EXPECT_EQ(Column(ZujSpec(), ReadProg("2/ZUJ.dta"), 2).size(), 1u);
  EXPECT_EQ(Trimmed(Column(ZujSpec(), ReadProg("2/ZUJ.dta"), 2)).front(), "Nova");
  w.CloseBrowse();
}

TEST_F(RegistersCsv, TheListingPrintsTheNamesUnderTheTextyHeader) {
  WriteProg("2/ZEME.dta", MakeRecord(ZemeSpec(), {{1, "CZ"}, {2, "Česko"}}));
  TfZeme& z = fZeme();
  SetupZeme(z);
  z.PrintListing(1);
  ASSERT_EQ(writer.lines.size(), 9u);
  EXPECT_EQ(writer.job, "TEXTY");
  EXPECT_EQ(writer.lines[5], Cz("Název                       "));
  EXPECT_EQ(common::StripRightSp(writer.lines[8]), Cz("Česko"));
  z.CloseBrowse();
}

// ---------------------------------------------------------------- dictionary

std::vector<SlovEntry> Table(std::initializer_list<std::array<const char*, 4>> rows) {
  std::vector<SlovEntry> t;
  for (const auto& r : rows) {
    SlovEntry e;
    if (MakeSlovEntry(Cz(r[0]), r[1], Cz(r[2]), r[3], e)) t.push_back(e);
  }
  return t;
}

TEST(RegistersSlov, TranslateFollowsTheEntriesInPlace) {
  struct Case {
    std::vector<SlovEntry> table;
    std::string in, out;
  } cases[] = {
      {Table({{"pes", "3", "dog", " 3"}}), "pes a pesek", "dog a dogek"},
      {Table({{"ahoj", "2", "hello", ""}}), "ahoj", "heoj"},
      {Table({{"kočka", "5", "cat", "3"}}), "kočka!", "cat  !"},
      {Table({{"ano", "3", "ano", "3"}}), "ano ano", "ano ano"},       // stops at once
      {Table({{"a", "1", "b", "1"}}), "a", "a"},                       // one character stays
      {Table({{"aa", "2", "ba", "2"}}), "aaa", "bba"},                 // restarts from the start
      {Table({{"ab", "2", "ba", "2"}}), "aaabbb", "bbbaaa"},
      {Table({{"x", "", "y", "0"}, {"", "0", "", ""}, {"x", "-3", "y", ""}}), "xx", "xx"},  // no length: skipped
      {Table({{"", "", "abc", "2"}}), "  x", "abx"},                   // the second count
      {{}, "text", "text"},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateText(c.table, Cz(c.in)), Cz(c.out)) << c.in;
}

std::string Word(const std::string& cz, const std::string& n1, const std::string& tr, const std::string& n2) {
  return MakeRecord(SlovSpec(), {{1, cz}, {2, n1}, {3, tr}, {4, n2}});
}

class RegistersSlovWindow : public RegistersTest {};

TEST_F(RegistersSlovWindow, TheTableLoadsLazilyAndGrowsPastAThousand) {
  std::string bytes;
  for (int i = 0; i < 1200; ++i) bytes += Word("w" + common::FormatNumberMask("@@@@", i), "5", "t" + common::FormatNumberMask("@@@@", i), "5");
  bytes += Word("      ", "  ", "", "  ");
  WriteData("slov1.dta", bytes);
  TfSlov& w = fSlov();
  SetupSlov(w, "slov1.dta");
  EXPECT_EQ(SlovTranslateText("w1150 a w0001"), "t1150 a t0001");
  EXPECT_EQ(w.Table().size(), 1200u);
  EXPECT_EQ(w.HeaderLine, Cz("     česky                            překlad"));
  EXPECT_EQ(w.RecordToColumns(2), "   2 w0001" + std::string(25, ' ') + " : t0001");
  w.CloseBrowse();
}

TEST_F(RegistersSlovWindow, F8RewritesTheCurrentEntryUnchanged) {
  std::string bytes;
  for (int i = 1; i <= 6; ++i) bytes += Word("slovo" + std::to_string(i), "6", "word" + std::to_string(i), "5");
  WriteData("slov1.dta", bytes);
  TfSlov& w = fSlov();
  SetupSlov(w, "slov1.dta");
  w.GoToRecord(2, 0);
  edit.Type("jinak").Keys("Down Down").Type("other").Keys("F2");
  w.EditRecord();
  const std::string edited = ReadData("slov1.dta");
  EXPECT_EQ(Trimmed(Column(SlovSpec(), edited, 1))[1], "jinak");
  EXPECT_EQ(Trimmed(Column(SlovSpec(), edited, 3))[1], "other");
  w.GoToRecord(5, 0);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(ReadData("slov1.dta"), edited);
  w.CloseBrowse();
}

TEST_F(RegistersSlovWindow, ABlankCountTakesTheWordsLengthAndF1WorksInTheListOnly) {
  WriteData("slov1.dta", "");
  TfSlov& w = fSlov();
  SetupSlov(w, "slov1.dta");
  edit.Type("pes").Keys("Down Down").Type("dog").Keys("Down F2");
  w.NewRecord();
  const std::string bytes = ReadData("slov1.dta");
  ASSERT_EQ(bytes.size(), 108u);
  EXPECT_EQ(Column(SlovSpec(), bytes, 2)[0], " 3");
  EXPECT_EQ(Column(SlovSpec(), bytes, 4)[0], " 3");
  w.CloseBrowse();
}

TEST_F(RegistersSlovWindow, F1OpensTheHelpFromTheListButNotFromTheEditWindow) {
  WriteProg("DZ.hlp", "$ [Uvod]\r\ntext\r\n$ [Kurs]\r\nslovnik\r\n");
  WriteData("slov1.dta", Word("pes", "3", "dog", "3"));
  TfSlov& w = fSlov();
  SetupSlov(w, "slov1.dta");
  Show(w);
  edit.Keys("F1 Esc");
  Keys("Space");  // the edit window: its F1 hands over the field number
  EXPECT_EQ(edit.shown, 1);
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fPozri Index"), "");
  Keys("F1");
  EXPECT_EQ(common::TextToInt(common::ReadParam("par\\okna2.par", "fPozri Index")), 4);  // the topic's line + 1
  w.CloseBrowse();
}

TEST_F(RegistersSlovWindow, SortDropsWordsOfSixLeadingBlanksAndReloadsTheTable) {
  WriteData("slov1.dta", Word("pes", "3", "dog", "3") + Word("      x", "1", "y", "1") + Word(" kocka", "6", " cat", "6") +
                             Word("auto", "4", "car ", "4"));
  TfSlov& w = fSlov();
  SetupSlov(w, "slov1.dta");
  EXPECT_EQ(w.Table().size(), 4u);
  w.SortDictionary();
  EXPECT_EQ(Trimmed(Column(SlovSpec(), ReadData("slov1.dta"), 1)), (Strings{" kocka", "auto", "pes"}));
  EXPECT_EQ(w.Table().size(), 3u);
  w.CloseBrowse();
}

TEST_F(RegistersSlovWindow, TheSwitchWritesTheJobEntryAndMovesTheInUseLock) {
  WriteData("slov1.dta", Word("pes", "3", "dog", "3"));
  TfSlov& w = fSlov();
  SetupSlov(w, "slov1.dta");
  const std::string first = w.DataFilePath;
  EXPECT_FALSE(common::IfVolny(other, first).empty());
  std::string title;
  backend.AnswerNextModal([&](ui::Form& f) {
    title = f.caption();
    backend.PressKeys("Down Down Down Down Enter");
  });
  w.SwitchDictionary();
  EXPECT_EQ(title, "Vyber slovnik");
  EXPECT_EQ(common::ReadJobIn(common::CurrentSession().DataDirPath, "SLOVNIK"), "5");
  EXPECT_TRUE(std::filesystem::exists(DataPath("slov5.dta")));
  EXPECT_EQ(ReadData("slov5.dta"), "");
  EXPECT_EQ(w.Count, 0);
  EXPECT_TRUE(common::IfVolny(other, first).empty());
  EXPECT_FALSE(common::IfVolny(other, w.DataFilePath).empty());
  EXPECT_EQ(SlovTranslateText("pes"), "pes");
  w.CloseBrowse();
  EXPECT_TRUE(common::IfVolny(other, DataPath("slov5.dta")).empty());
}

TEST_F(RegistersSlovWindow, TheViewersRepeatedSetUpsLeaveNoRegistrationBehind) {
  WriteData("slov1.dta", Word("pes", "3", "dog", "3"));
  TfSlov& w = fSlov();
  for (int i = 0; i < 3; ++i) {
    SetupSlov(w, "slov1.dta");
    EXPECT_EQ(SlovTranslateText("pes"), "dog");
  }
  w.CloseBrowse();
  EXPECT_TRUE(common::IfVolny(other, DataPath("slov1.dta")).empty());
}

}  // namespace
