// The cash-book keys: the file made once from the older files (or as 255 free keys),
// the Kam check, renumbering, F8, the listing, help topics and the pickers.
#include <filesystem>

#include "codelists/cashkeys.h"
#include <cerrno>

#include "common/codepages.h"
#include "common/faultfs.h"
#include "common/params.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::Strings;
using common::Cz;
using RegistersKlice = cltest::CodeListTest;

std::string Key(const std::string& text, int kam = 0, int in = 0, int out = 0) {
  std::string r(31, '\0');
  std::string t = Cz(text);
  t.resize(27, ' ');
  common::PutCounted(r, 0, t, 27);
  r[28] = static_cast<char>(kam);
  r[29] = static_cast<char>(in);
  r[30] = static_cast<char>(out);
  return r;
}

// A key file of n records, the given keys filled in.
std::string KeyFile(int n, const std::map<int, std::string>& filled) {
  std::string bytes;
  for (int k = 1; k <= n; ++k) {
    auto it = filled.find(k);
    bytes += it == filled.end() ? Key("") : it->second;
  }
  return bytes;
}

std::string RecordOf(const std::string& bytes, int n) { return bytes.substr(static_cast<std::size_t>((n - 1) * 31), 31); }

TEST_F(RegistersKlice, AFreshFolderGets255FreeKeysAndNoNewOnes) {
  TfKl& w = fKl();
  SetupKl(w);
  const std::string bytes = ReadData("klicew.dta");
  ASSERT_EQ(bytes.size(), 7905u);
  EXPECT_EQ(bytes, KeyFile(255, {}));
  EXPECT_EQ(w.Count, 255);
  w.NewRecord();
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(ReadData("klicew.dta").size(), 7905u);
  w.CloseBrowse();
}

TEST_F(RegistersKlice, TheFileIsMadeFromTheOlderFilesAlways255Records) {
  const struct {
    int lines;
    bool withPairs;
  } cases[] = {{3, true}, {300, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    std::filesystem::remove(DataPath("klicew.dta"));
    std::string legacy = common::Cp1250ToKamenicky(Cz("Účet pokladny")) + std::string(14, ' ') + "  7\r\n";
    legacy += "Banka" + std::string(22, ' ') + "300\r\n";  // a Kam above 255 is stored as 0
    legacy += "X\r\n";
    for (int n = 4; n <= c.lines; ++n) legacy += "Klic " + std::to_string(n) + "\r\n";
    WriteData("klice.dta", legacy);
    if (c.withPairs) {
      std::string kl(10, ' ');
      common::PutCounted(kl, 0, "  1", 3);
      common::PutCounted(kl, 4, " 5", 2);
      common::PutCounted(kl, 7, "12", 2);
      std::string bad = kl;
      common::PutCounted(bad, 0, "999", 3);
      WriteData("kl.dta", kl + bad);
    } else {
      std::filesystem::remove(DataPath("kl.dta"));
    }
    TfKl& w = fKl();
    SetupKl(w);
    const std::string bytes = ReadData("klicew.dta");
    ASSERT_EQ(bytes.size(), 7905u);
    EXPECT_EQ(RecordOf(bytes, 1), Key("Účet pokladny", 7, c.withPairs ? 5 : 0, c.withPairs ? 12 : 0));
    EXPECT_EQ(RecordOf(bytes, 2), Key("Banka", 0));
    EXPECT_EQ(RecordOf(bytes, 3), Key("X"));
    EXPECT_EQ(RecordOf(bytes, 4), Key(c.lines >= 4 ? "Klic 4" : ""));
    EXPECT_EQ(RecordOf(bytes, 255), Key(c.lines >= 255 ? "Klic 255" : ""));
    w.CloseBrowse();
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(DataPath(""))) files += e.path().filename().string().find("klice") != std::string::npos;
    EXPECT_EQ(files, 2);  // klice.dta and klicew.dta, no work file left
  }
}

TEST_F(RegistersKlice, AFailedReadOrWriteMakesNoFileAndSaysSo) {
  WriteData("klice.dta", "Pokladna" + std::string(19, ' ') + "  7\r\n");
  const struct {
    common::FsOp op;
    int err;
    const char* path;
    const char* action;
  } cases[] = {{common::FsOp::Read, EIO, "klice.dta", " cte soubor: "}, {common::FsOp::Write, ENOSPC, "", " pise soubor: "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    notes.calls.clear();
    {
      common::FaultFileSystem fs;
      fs.Fail(c.op, c.err, c.path);
      common::ScopedFileSystem use(fs);
      EXPECT_FALSE(CreateCashKeyFile());
    }
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(c.action), std::string::npos) << Messages()[0];
    EXPECT_FALSE(std::filesystem::exists(DataPath("klicew.dta")));
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(DataPath(""))) files += e.is_regular_file();
    EXPECT_EQ(files, 1);  // klice.dta only: no work file left
  }
  EXPECT_TRUE(CreateCashKeyFile());  // the next opening makes it
  EXPECT_EQ(RecordOf(ReadData("klicew.dta"), 1), Key("Pokladna", 7));
}

TEST_F(RegistersKlice, AnExistingFileIsLeftAsItIs) {
  WriteData("klicew.dta", KeyFile(20, {{1, Key("Pokladna")}}));
  WriteData("klice.dta", "Jine\r\n");
  TfKl& w = fKl();
  SetupKl(w);
  EXPECT_EQ(ReadData("klicew.dta"), KeyFile(20, {{1, Key("Pokladna")}}));
  EXPECT_EQ(w.Count, 20);
  w.CloseBrowse();
}

TEST_F(RegistersKlice, KamCheck) {
  TfKl& w = fKl();
  SetupKl(w);
  const struct {
    int field;
    const char* typed;
    const char* kept;
  } cases[] = {{2, "7", "  7"},   {2, "  7", "  7"}, {2, "abc", "   "}, {2, "300", "   "}, {2, "255", "255"},
               {2, "07", "  7"},  {2, "", "   "},    {3, "300", "   "}, {3, "12", " 12"},   {1, "300", "300"}};
  for (const auto& c : cases) {
    std::string text = c.typed;
    w.FieldCheck(c.field, text);
    EXPECT_EQ(c.field == 1 ? common::StripRightSp(text) : text, c.kept) << c.field << " " << c.typed;
  }
  // Through the edit window: a Kam of 7 is the byte 7, a typed 300 is no byte at all.
  w.GoToRecord(5, 0);
  edit.Type("Pokladna").Keys("Down").Type("7").Keys("F2");
  w.EditRecord();
  w.GoToRecord(6, 0);
  edit.Type("Banka").Keys("Down").Type("300").Keys("F2");
  w.EditRecord();
  const std::string bytes = ReadData("klicew.dta");
  EXPECT_EQ(RecordOf(bytes, 5), Key("Pokladna", 7));
  EXPECT_EQ(RecordOf(bytes, 6), Key("Banka", 0));
  w.CloseBrowse();
}

TEST_F(RegistersKlice, RenumberingMovesTheKeyAndRedirectsKam) {
  const std::string start = KeyFile(255, {{3, Key("Tři", 12)}, {12, Key("Dvanáct", 1, 2, 3)}, {40, Key("Starý")}, {50, Key("Padesát", 12)}});
  WriteData("klicew.dta", start);
  TfKl& w = fKl();
  SetupKl(w);
  EXPECT_FALSE(w.RenumberKey(12, 12));  // onto itself: nothing
  EXPECT_EQ(ReadData("klicew.dta"), start);
  w.GoToRecord(12, 0);
  backend.AnswerNextModal([&](ui::Form&) {
    backend.Type("40");
    backend.Press(ui::vk::Enter);
  });
  ui::MenuItem* item = w.PopupMenu1.Find("b1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  EXPECT_EQ(ReadData("klicew.dta"),
            KeyFile(255, {{3, Key("Tři", 40)}, {40, Key("Dvanáct", 1, 2, 3)}, {50, Key("Padesát", 40)}}));
  w.CloseBrowse();
}

TEST_F(RegistersKlice, RenumberingSeesWhatAnotherWindowWroteMeanwhile) {
  WriteData("klicew.dta", KeyFile(255, {{12, Key("Dvanáct")}}));
  TfKl& a = fKl();
  SetupKl(a);
  a.GoToRecord(12, 0);
  {
    TfKl b;  // a second workstation's window on the same file
    SetupKl(b);
    b.GoToRecord(50, 0);
    edit.Type("Padesát").Keys("Down").Type("12").Keys("F2");
    b.EditRecord();
    b.CloseBrowse();
  }
  EXPECT_TRUE(a.RenumberKey(12, 40));
  EXPECT_EQ(ReadData("klicew.dta"), KeyFile(255, {{40, Key("Dvanáct")}, {50, Key("Padesát", 40)}}));
  a.CloseBrowse();
}

TEST_F(RegistersKlice, RenumberingBeyondAShortFileIsRefused) {
  const std::string start = KeyFile(20, {{5, Key("Pět")}, {20, Key("Dvacet", 5)}});
  WriteData("klicew.dta", start);
  TfKl& w = fKl();
  SetupKl(w);
  EXPECT_FALSE(w.RenumberKey(5, 30));
  EXPECT_EQ(ReadData("klicew.dta"), start);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("30"), std::string::npos);
  EXPECT_TRUE(w.RenumberKey(5, 7));  // the loop stops at the last record
  EXPECT_EQ(ReadData("klicew.dta"), KeyFile(20, {{7, Key("Pět")}, {20, Key("Dvacet", 7)}}));
  w.CloseBrowse();
}

TEST_F(RegistersKlice, F8RewritesTheCurrentKeyUnchanged) {
  WriteData("klicew.dta", KeyFile(255, {{12, Key("Dvanáct")}, {30, Key("Třicet", 4)}}));
  TfKl& w = fKl();
  SetupKl(w);
  w.GoToRecord(12, 0);
  edit.Type("Dvanáct nové").Keys("F2");
  w.EditRecord();
  const std::string edited = ReadData("klicew.dta");
  EXPECT_EQ(RecordOf(edited, 12), Key("Dvanáct nové"));
  w.GoToRecord(30, 0);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(ReadData("klicew.dta"), edited);
  w.CloseBrowse();
}

TEST_F(RegistersKlice, TheListingPrintsTheUsedKeysOfTheFileOnly) {
  common::CurrentSession().FirmTitle = "Firma";
  WriteData("klicew.dta", KeyFile(20, {{1, Key("Pokladna", 7, 1, 2)}, {20, Key("Poslední", 0, 0, 0)}}));
  TfKl& w = fKl();
  SetupKl(w);
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{Cz("A1 Opis klíčů"), Cz("b1 Udelej z něj")}));
  w.PrintKeys();
  EXPECT_EQ(writer.job, "klice");
  const Strings expected = {"\f",
                            "",
                            "Firma" + std::string(11, ' ') + Cz("Opis klíčů") + std::string(11, ' ') + "D:06.12.26 List:  1",
                            "",
                            " KL Text                       kam prij vyd",
                            std::string(80, '='),
                            "  1 Pokladna" + std::string(19, ' ') + "  7    1   2 ",
                            " 20 " + Cz("Poslední") + std::string(19, ' ') + "             "};
  EXPECT_EQ(writer.lines, expected);
  w.CloseBrowse();
}

TEST_F(RegistersKlice, GridColumnsAndHeader) {
  WriteData("klicew.dta", KeyFile(255, {{5, Key("Pokladna", 7)}}));
  TfKl& w = fKl();
  SetupKl(w);
  EXPECT_EQ(w.HeaderLine, "  KL Text" + std::string(24, ' ') + Cz("Kam Při Vyd "));
  EXPECT_EQ(w.ColumnCount, 3);
  EXPECT_EQ(w.HeaderTexts[1], Cz("Klíč"));
  const std::string line = w.RecordToColumns(5);
  EXPECT_TRUE(line.starts_with("   5 Pokladna")) << line;
  EXPECT_EQ(w.ColumnTexts[1], "  5");
  EXPECT_EQ(common::StripRightSp(w.ColumnTexts[2]), "Pokladna");
  EXPECT_EQ(w.ColumnTexts[3], "  7");
  EXPECT_EQ(w.Current, 1);
  w.CloseBrowse();
}

TEST_F(RegistersKlice, HelpTopicsFromTheListAndTheEditWindow) {
  std::filesystem::create_directories(dir / std::string("pd"));
  ostest::WriteRaw(dir / std::string("pd/pd.hlp"), Cz("$[Klíče]\r\nx\r\n$[Klíče peněžního deníku]\r\n$[Směřování klíčů]\r\n"));
  TfKl& w = fKl();
  SetupKl(w);
  const auto shownLine = [] { return common::TextToInt(common::ReadParam("par\\okna2.par", "fPozri Index")); };
  w.ShowHelp(0);
  EXPECT_EQ(shownLine(), 2);
  w.ShowHelp(4);
  EXPECT_EQ(shownLine(), 5);
  w.GoToRecord(3, 0);
  edit.Keys("Down F1 Esc");  // F1 in field 2
  w.EditRecord();
  EXPECT_EQ(shownLine(), 4);
  w.CloseBrowse();
}

TEST_F(RegistersKlice, PickersGiveTheKeyAndItsText) {
  WriteData("klicew.dta", KeyFile(255, {{5, Key("Pokladna")}}));
  backend.AnswerNextModal([&](ui::Form&) {
    EXPECT_EQ(fKl().Current, 5);
    backend.PressKeys("Enter");
  });
  EXPECT_EQ(PickCashKey(5), std::optional<std::int32_t>(5));
  backend.AnswerNextModal([&](ui::Form&) { backend.PressKeys("Esc"); });
  EXPECT_EQ(PickCashKey(5), std::nullopt);
  EXPECT_EQ(common::StripRightSp(CashKeyText(5)), "Pokladna");
  EXPECT_EQ(CashKeyText(256), "");
  EXPECT_EQ(CashKeyText(0), "");
  EXPECT_FALSE(fKl().DataFileUsable());
}

}  // namespace
