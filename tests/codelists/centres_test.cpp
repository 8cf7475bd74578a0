// The cost centres: own headers and column order, the busy guards on every change,
// the stamp on every write, the centre rotation, the name sort and the own listing.
#include "codelists/chart.h"
#include "common/locking.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::kOld;
using cltest::kToday;
using cltest::Strings;
using cltest::Trimmed;
using common::Cz;
using CodeListCis30 = cltest::CodeListTest;

// A centre as the edit window stores it: the names padded to their width.
std::string Centre(const std::string& code, const std::string& name, const std::string& name2 = "") {
  const auto padded = [](const std::string& utf8) { return utf8 + std::string(30 - common::Cz(utf8).size(), ' '); };
  return cltest::MakeRecord(Cis30Spec(), {{1, code}, {2, padded(name)}, {3, padded(name2)}, {5, "V"}, {6, "131000"}, {7, "A01"}, {8, "000100"},
                                          {9, "000199"}});
}

TEST_F(CodeListCis30, SetupHeadersColumnsAndPopup) {
  WriteData("CI30.DTA", Centre("00100", "Výroba", "Hala"));
  TfCis30& w = fCis30();
  SetupCis30(w);
  EXPECT_EQ(w.RecordLength, 104);
  EXPECT_EQ(w.KeyHelpLine, Cz(" F1-Help  F10=Opis  F4-Nová  "));
  EXPECT_EQ(w.EditTitle, " CI30 ");
  EXPECT_TRUE(w.OwnHeaders);
  ASSERT_EQ(w.ColumnCount, 10);
  EXPECT_EQ(w.HeaderTexts[1], Cz("Střed"));
  EXPECT_EQ(w.HeaderTexts[2], Cz("Název") + std::string(26, ' '));
  EXPECT_EQ(w.HeaderTexts[10], Cz("Název 2") + std::string(24, ' '));
  EXPECT_EQ((std::vector<int>(w.ColumnOrder.begin() + 1, w.ColumnOrder.begin() + 11)),
            (std::vector<int>{1, 2, 4, 5, 6, 7, 8, 9, 10, 3}));
  EXPECT_EQ(w.FieldOf(w.RecordTemplate, 1), "00000");
  EXPECT_EQ(w.FieldOf(w.RecordTemplate, 10), kToday);
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{Cz("h1 Načti z číselníku"), "i1 Opis", Cz("k1 Změň střediska")}));
}

TEST_F(CodeListCis30, GridShowsTheSecondNameLastAndTheSearchFindsIt) {
  WriteData("CI30.DTA", Centre("00100", "Výroba", "Hala") + Centre("00200", "Sklad", "Expedice"));
  TfCis30& w = fCis30();
  SetupCis30(w);
  const std::string row = w.RecordToColumns(2);
  EXPECT_TRUE(row.starts_with("00200 Sklad" + std::string(25, ' ') + " Expedice"));  // field order
  EXPECT_EQ(common::StripRightSp(w.ColumnTexts[10]), "Expedice");
  EXPECT_EQ(w.ColumnTexts[4], "V");  // the type in the fourth column
  w.GoToRecord(1, 0);
  EXPECT_EQ(w.SearchScan("EXPEDICE"), 2);
}

TEST_F(CodeListCis30, EditNewAndDeleteAreRefusedWhileAnotherUserHoldsTheFile) {
  WriteData("CI30.DTA", Centre("00100", "Výroba") + Centre("00200", "Sklad"));
  const std::string before = ReadData("CI30.DTA");
  TfCis30& w = fCis30();
  SetupCis30(w);
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  w.EditRecord();
  w.NewRecord();
  w.DeleteRecord(w.Current);
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(ReadData("CI30.DTA"), before);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage),
            (Strings{Cz("Pozor, opravy se neprovedly, někdo právě pracuje s číselníkem"),
                     Cz("Pozor, záznam se nepřidal, někdo právě pracuje s číselníkem"),
                     Cz("Pozor, záznam se nezrušil, někdo právě pracuje s číselníkem")}));
  common::UnlockFile(other, w.DataFilePath);
}

TEST_F(CodeListCis30, AnUnchangedWriteStillStamps) {
  WriteData("CI30.DTA", Centre("00100", "Výroba") + Centre("00200", "Sklad"));
  TfCis30& w = fCis30();
  SetupCis30(w);
  w.GoToRecord(1, 0);
  edit.Keys("F2");
  w.EditRecord();
  EXPECT_EQ(Dates(Cis30Spec()), (Strings{kToday, kOld}));
  EXPECT_EQ(Trimmed(FileKeys(Cis30Spec())), (Strings{"00100", "00200"}));
}

TEST_F(CodeListCis30, RotationTwiceAndTheCloseSortsTheCentresBack) {
  WriteData("CI30.DTA", Centre("12345", "A") + Centre("67890", "B"));
  TfCis30& w = fCis30();
  SetupCis30(w);
  ui::MenuItem* item = w.PopupMenu1.Find("k1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  EXPECT_EQ(FileKeys(Cis30Spec()), (Strings{"23451", "78906"}));
  item->onClick(*item);
  EXPECT_EQ(FileKeys(Cis30Spec()), (Strings{"34512", "89067"}));
  EXPECT_EQ(Dates(Cis30Spec()), (Strings{kToday, kToday}));
  EXPECT_TRUE(w.OrderDirty());
  w.CloseBrowse();
  EXPECT_FALSE(w.OrderDirty());
}

TEST_F(CodeListCis30, AnOutOfOrderRotationIsSortedAtTheClose) {
  WriteData("CI30.DTA", Centre("10002", "A") + Centre("20001", "B"));
  TfCis30& w = fCis30();
  SetupCis30(w);
  w.RotateCentre();
  EXPECT_EQ(FileKeys(Cis30Spec()), (Strings{"00021", "00012"}));
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  w.CloseBrowse();  // held: the order waits
  EXPECT_EQ(FileKeys(Cis30Spec()), (Strings{"00021", "00012"}));
  common::UnlockFile(other, w.DataFilePath);
  CloseCodeListForms();
  EXPECT_EQ(FileKeys(Cis30Spec()), (Strings{"00012", "00021"}));
}

TEST_F(CodeListCis30, NameSortThenCloseLeavesCentreOrder) {
  WriteData("CI30.DTA", Centre("00100", "Výroba") + Centre("00200", "Doprava") + Centre("00300", "Sklad"));
  TfCis30& w = fCis30();
  SetupCis30(w);
  w.SortByColumn(2);
  EXPECT_EQ(Trimmed(FileKeys(Cis30Spec())), (Strings{"00200", "00300", "00100"}));
  EXPECT_EQ(Dates(Cis30Spec()), Strings(3, kOld));  // the sort writes raw
  w.CloseBrowse();
  EXPECT_EQ(Trimmed(FileKeys(Cis30Spec())), (Strings{"00100", "00200", "00300"}));
  EXPECT_EQ(w.SortMode(), 1);
}

TEST_F(CodeListCis30, OwnListingFromF10) {
  common::CurrentSession().FirmTitle = "Firma";
  WriteData("CI30.DTA", Centre("00100", "Výroba", "Hala") + Centre("00200", "Sklad"));
  TfCis30& w = fCis30();
  SetupCis30(w);
  w.PrintListing(w.Current);
  EXPECT_EQ(writer.job, "CI_OPIS");
  EXPECT_EQ(writer.width, 132);
  const Strings expected = {
      "",
      "",
      "Firma" + std::string(13, ' ') + "TYP: 30" + std::string(34, ' ') + "L:  1 D:06.12.26",
      "",
      Cz("Středisko Název                      Název 2                        T Účet   Čin Pol.Od Pol.Do"),
      std::string(94, '='),
      "",
      "00100 " + Cz("Výroba") + std::string(24, ' ') + " Hala" + std::string(26, ' ') + " V 131000 A01 000100 000199",
      "00200 Sklad" + std::string(25, ' ') + " " + std::string(30, ' ') + " V 131000 A01 000100 000199",
  };
  EXPECT_EQ(writer.lines, expected);
  common::CurrentSession().NovyList = true;
  w.PrintListing(w.Current);
  ASSERT_FALSE(writer.lines.empty());
  EXPECT_EQ(writer.lines.front(), "\f");
}

}  // namespace
