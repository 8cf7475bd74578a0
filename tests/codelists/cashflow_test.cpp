// The cash-flow outline: TfCis28 on its two files (colour, column order, source
// conversion, listing) and TfCis29 with the old panel's sort under a write lock.
#include <filesystem>

#include "codelists/cashflow.h"
#include "common/codepages.h"
#include "common/fottab.h"
#include "common/lockclient.h"
#include "common/locking.h"
#include "common/osfile.h"
#include "common/session.h"
#include "tests/codelists/outlinekit.h"
#include "tools/lockserver/lockserver.h"

namespace {

using namespace codelists;
using cltest::kOld;
using cltest::ServedLocks;
using cltest::kToday;
using cltest::Strings;
using common::Cz;
using CodeListCashFlow = cltest::OutlineTest;
using CodeListCis29 = cltest::OutlineTest;

// Every field full: field f holds its number and letters up to its width.
std::map<int, std::string> FullRecord(const CodeListSpec& spec) {
  std::map<int, std::string> v;
  for (int f = 1; f <= 76; ++f) {
    const std::size_t width = spec.fields[static_cast<std::size_t>(f - 1)].initial.size();
    std::string t = std::to_string(f) + "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ";
    t.resize(width);
    v[f] = t;
  }
  return v;
}

TEST_F(CodeListCashFlow, TheLayoutRoundTripsAtItsOffsets) {
  const std::string rec = cltest::MakeRecord(Cis28Spec(), FullRecord(Cis28Spec()));
  ASSERT_EQ(rec.size(), 645u);
  const struct {
    int field;
    std::size_t offset, width;
  } at[] = {{1, 0, 3}, {2, 4, 30}, {3, 35, 30}, {11, 283, 30}, {12, 314, 3}, {13, 318, 6},
            {14, 325, 3}, {15, 329, 1}, {16, 331, 6}, {76, 631, 6}, {77, 638, 6}};
  const std::map<int, std::string> values = FullRecord(Cis28Spec());
  for (const auto& a : at) {
    EXPECT_EQ(static_cast<std::size_t>(static_cast<unsigned char>(rec[a.offset])), a.width) << a.field;
    EXPECT_EQ(rec.substr(a.offset + 1, a.width), a.field == 77 ? std::string(kOld) : values.at(a.field)) << a.field;
  }
}

TEST_F(CodeListCashFlow, TheSecondFileDiffersOnlyInTheGridColour) {
  for (const char* file : {"CI28.dta", "CI29.dta"}) {
    SCOPED_TRACE(file);
    TfCis28 w;
    SetupCis28(w, file);
    EXPECT_EQ(w.DataFileName, file);
    EXPECT_EQ(w.GridColor, std::string(file) == "CI28.dta" ? ui::Rgb(0xE0, 0xFF, 0xE0) : ui::Color{0xEFEFFF});
    EXPECT_EQ(w.sgRol.color(), w.GridColor);
    EXPECT_EQ(w.caption(), "CASH FLOW");
    EXPECT_EQ(w.EditTitle, " Cash Flow");
    EXPECT_EQ(w.KeyHelpLine, Cz(" F1-Help  F10=Opis  F4-Nová "));
    EXPECT_EQ(w.ColumnCount, 77);
    EXPECT_EQ(w.HeaderTexts[4], "Kam ");
    EXPECT_EQ(w.HeaderTexts[5], "Odkud ");
    EXPECT_EQ(w.HeaderTexts[69], Cz("Datum změny "));
    EXPECT_EQ(w.HeaderTexts[77], "9.text ");
    EXPECT_TRUE(w.HeaderLine.starts_with(Cz("Klí") + " " + Cz("název  ") + std::string(23, ' ') + " 1.text "));
    // A new record: key 000, blanks, the date of the opening.
    EXPECT_EQ(common::GetCounted(w.RecordTemplate, 0, 3), "000");
    EXPECT_EQ(common::GetCounted(w.RecordTemplate, 638, 6), kToday);
    w.CloseBrowse();
  }
}

TEST_F(CodeListCashFlow, ColumnsComeInTheGridsOrderWhileTheSearchTextKeepsFieldOrder) {
  WriteRows(Cis28Spec(), "CI28.dta", {FullRecord(Cis28Spec())});
  TfCis28 w;
  SetupCis28(w, "CI28.dta");
  const std::string joined = w.RecordToColumns(1);
  const std::vector<int>& order = CashFlowColumnFields();
  ASSERT_EQ(order.size(), 77u);
  const Strings texts = [&] {
    Strings t;
    for (int f = 1; f <= 77; ++f) t.push_back(cltest::Column(Cis28Spec(), ReadData("CI28.dta"), f)[0]);
    return t;
  }();
  for (int c = 1; c <= 77; ++c) EXPECT_EQ(w.ColumnTexts[static_cast<std::size_t>(c)], texts[static_cast<std::size_t>(order[static_cast<std::size_t>(c - 1)] - 1)]) << c;
  EXPECT_EQ(order[3], 12);
  EXPECT_EQ(order[68], 77);
  EXPECT_EQ(order[69], 4);
  std::string fieldOrder;
  for (const std::string& t : texts) fieldOrder += t + " ";
  EXPECT_EQ(joined, fieldOrder);
  // F3 finds the second text line, which stands in column 70.
  EXPECT_NE(w.RecordSearchText(1).find("4ABCDEFGHIJ"), std::string::npos);
  w.CloseBrowse();
}

TEST_F(CodeListCashFlow, TheConversionChangesExactlyTheSixCharacterSourcesAndNoDate) {
  std::string first = cltest::MakeRecord(Cis28Spec(), {{1, "001"}, {13 + 4 * 2, "    20"}, {13 + 4 * 15, "    22"}, {13 + 4 * 5, "   020"}});
  common::PutCounted(first, 318, "20", 6);  // stored without its leading blanks
  WriteData("CI29.dta", first + cltest::MakeRecord(Cis28Spec(), {{1, "002"}, {13, "    22"}}));
  TfCis28 w;
  SetupCis28(w, "CI29.dta");
  w.PopupMenu1.Find("b1")->onClick(*w.PopupMenu1.Find("b1"));
  const std::string bytes = ReadData("CI29.dta");
  auto source = [&](int t) { return cltest::Column(Cis28Spec(), bytes, 13 + 4 * (t - 1)); };
  EXPECT_EQ(source(3)[0], "    27");
  EXPECT_EQ(source(16)[0], "    26");
  EXPECT_EQ(source(1), (Strings{"20", "    26"}));
  EXPECT_EQ(source(6)[0], "   020");
  EXPECT_EQ(cltest::Column(Cis28Spec(), bytes, 77), (Strings{kOld, kOld}));
  w.CloseBrowse();
}

TEST_F(CodeListCashFlow, TheListingShowsSixWholeTermsAndFourCharactersOfTheSeventh) {
  WriteRows(Cis28Spec(), "CI29.dta", {FullRecord(Cis28Spec())});
  common::CurrentSession().FirmTitle = "Firma";
  TfCis28 w;
  SetupCis28(w, "CI29.dta");
  w.CodeListPrint();
  ASSERT_EQ(writer.lines.size(), 7u);
  EXPECT_EQ(writer.width, 130);
  EXPECT_EQ(writer.lines[2], "Firma" + std::string(13, ' ') + "Osnova CashFlow (28)" + std::string(10, ' ') + "List:  1 Datum: 06.12.26");
  EXPECT_EQ(writer.lines[4].size(), 129u);
  EXPECT_EQ(writer.lines[4].substr(0, 17), Cz("klíč řádek       "));
  EXPECT_EQ(writer.lines[5], std::string(129, '='));
  const std::string& line = writer.lines[6];
  ASSERT_EQ(line.size(), 132u);
  std::string expected = "1ab 3abcdefghijk 12a";
  for (int t = 0; t < 6; ++t) {
    const int f = 13 + 4 * t;
    const auto text = [&](int g) { return FullRecord(Cis28Spec())[g]; };
    expected += text(f) + text(f + 1) + " " + text(f + 2) + " " + text(f + 3);
  }
  expected += "37ab";
  EXPECT_EQ(line, expected);
  w.CloseBrowse();
}

TEST_F(CodeListCashFlow, AFreeCloseSortsTheFileTheWindowHasOpen) {
  WriteRows(Cis28Spec(), "CI29.dta", {{{1, "020"}}, {{1, "010"}}});
  TfCis28 w;
  SetupCis28(w, "CI29.dta");
  w.GoToRecord(1, 0);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(cltest::Column(Cis28Spec(), ReadData("CI29.dta"), 1), (Strings{"   ", "010"}));
  w.CloseBrowse();
  EXPECT_EQ(cltest::Column(Cis28Spec(), ReadData("CI29.dta"), 1), (Strings{"010"}));
  EXPECT_FALSE(std::filesystem::exists(DataPath("CI28.dta")));
}

// ---------------------------------------------------------------- TfCis29

TEST_F(CodeListCis29, DotsMarkADeletionInPlaceAndThePanelsSortDropsEveryDottedKey) {
  WriteRows(Cis29Spec(), "CI29.dta", {{{1, "030"}}, {{1, "999"}}, {{1, "010"}}, {{1, "020"}}});
  std::string bytes = ReadData("CI29.dta");
  common::PutCounted(bytes, 645, ".x ", 3);  // any key beginning with a dot counts as deleted
  WriteData("CI29.dta", bytes);
  TfCis29 w;
  SetupCis29(w);
  EXPECT_EQ(w.EditTitle, " CI29 ");
  EXPECT_EQ(w.ColumnCount, 77);
  EXPECT_EQ(w.HeaderTexts[4], "2.text ");  // the fields in their own order
  Show(w);
  w.GoToRecord(3, 0);
  Keys("F8");
  EXPECT_EQ(w.Current, 3);
  edit.Type("005").Keys("F2");
  Keys("F4");
  // In place; the new record stays at the end; an edit moves nothing.
  EXPECT_EQ(Field(Cis29Spec(), "CI29.dta", 1), (Strings{"030", ".x ", "...", "020", "005"}));
  w.GoToRecord(1, 0);
  edit.Type("040").Keys("F2");
  Keys("Space");
  EXPECT_EQ(Field(Cis29Spec(), "CI29.dta", 1), (Strings{"040", ".x ", "...", "020", "005"}));
  EXPECT_EQ(Field(Cis29Spec(), "CI29.dta", 77), (Strings{kToday, kOld, kToday, kOld, kToday}));
  w.Close();
  // The close sorts nothing; the panel's sort does, stamping every record it writes.
  EXPECT_TRUE(SortCis29(w));
  EXPECT_EQ(Field(Cis29Spec(), "CI29.dta", 1), (Strings{"005", "020", "040"}));
  EXPECT_EQ(Field(Cis29Spec(), "CI29.dta", 77), Strings(3, kToday));
  w.CloseBrowse();
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI29.dta")), 3u * 645u);
}

TEST_F(CodeListCis29, RecodeTurnsTheNamesFromKamenicky) {
  std::string name = "Z" + std::string(1, '\xA0') + "ruka";  // "á" in Kamenický
  std::string rec = cltest::MakeRecord(Cis29Spec(), {{1, "001"}});
  common::PutCounted(rec, 4, name, 30);
  WriteData("CI29.dta", rec);
  TfCis29 w;
  SetupCis29(w);
  Strings shown;
  for (const auto& item : w.PopupMenu1.items())
    if (item->visible) shown.push_back(item->caption);
  EXPECT_EQ(shown, (Strings{Cz("Překóduj")}));
  w.PopupMenu1.Find("j1")->onClick(*w.PopupMenu1.Find("j1"));
  EXPECT_EQ(Field(Cis29Spec(), "CI29.dta", 2)[0], common::KamenickyToCp1250(name));
  EXPECT_NE(common::KamenickyToCp1250(name), name);
  EXPECT_EQ(Field(Cis29Spec(), "CI29.dta", 77)[0], kToday);
  w.CloseBrowse();
}

TEST_F(CodeListCis29, ThePanelsSortGivesUpTheInUseLockAndHoldsAWriteLockUntilTheClose) {
  ServedLocks locks;
  ASSERT_TRUE(locks.connected);
  lockserver::Server& server = locks.server;

  WriteRows(Cis29Spec(), "CI29.dta", {{{1, "020"}}, {{1, "..."}}, {{1, "010"}}});
  TfCis29 w;
  SetupCis29(w);
  const std::size_t before = server.Requests().size();
  EXPECT_TRUE(SortCis29(w));
  Strings sequence;
  const Strings requests = server.Requests();
  for (std::size_t i = before; i < requests.size(); ++i) {
    const std::string& r = requests[i];
    if (r.find("CI29.DTA") != std::string::npos) sequence.push_back(r.substr(0, r.find('<')) + r.substr(r.find('#')));
  }
  EXPECT_EQ(sequence, (Strings{"Odemkni#p$01  ", "Zamkni#W$01  ", "Odemkni#p$01  ", "Zamkni#W$01  "}));
  EXPECT_EQ(Field(Cis29Spec(), "CI29.dta", 1), (Strings{"010", "020"}));
  // Meanwhile the file is held for writing; the close gives the lock back.
  common::LockServerClient second;
  ASSERT_EQ(second.Connect("127.0.0.1", server.Port()), 0);
  EXPECT_EQ(second.ServerIfVolny(common::LockDir(w.DataFilePath), common::LockName(w.DataFilePath), "02  "), "W 01");
  w.CloseBrowse();
  EXPECT_EQ(second.ServerIfVolny(common::LockDir(DataPath("CI29.dta")), common::LockName(DataPath("CI29.dta")), "02  "), "");
}

TEST_F(CodeListCis29, WithTheLockTableThisUserHoldsTheWriteLockAfterTheSort) {
  WriteRows(Cis29Spec(), "CI29.dta", {{{1, "020"}}, {{1, "010"}}});
  TfCis29 w;
  SetupCis29(w);
  EXPECT_TRUE(SortCis29(w));
  std::string table;
  ASSERT_EQ(common::ReadFileText(DataPath("FOT.tab"), table), 0);
  const common::FotTable fot = common::FotTable::Decode(table);
  int held = 0;
  for (int n = 1; n <= common::FotTable::kEntries; ++n)
    if (!fot.at(n).Free()) {
      ++held;
      EXPECT_EQ(fot.at(n).Kind(), 'W');
      EXPECT_EQ(fot.at(n).User(), "01  ");
    }
  EXPECT_EQ(held, 1);
  EXPECT_EQ(common::IfVolny(other, DataPath("CI29.dta")).substr(0, 4), "W 01");
  w.CloseBrowse();
  EXPECT_EQ(common::IfVolny(other, DataPath("CI29.dta")), "");
}

}  // namespace
