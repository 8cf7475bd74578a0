// The pattern window on its lists 11, 20, 23 and 36: set-up, key order kept by the
// moves, deletion, the close-time sort, the change-date stamps and the kept-open life.
#include <filesystem>

#include "common/locking.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::kOld;
using cltest::kToday;
using cltest::Strings;
using CodeListPattern = cltest::CodeListTest;
using common::Cz;

TEST_F(CodeListPattern, SetupBuildsColumnsTemplateAndPopupFromTheTable) {
  TfCis11 w;
  SetupCis11(w);
  EXPECT_EQ(w.FieldCount, 43);
  EXPECT_EQ(w.RecordLength, 302);
  EXPECT_EQ(w.DataFileName, "CI11.DTA");
  EXPECT_EQ(w.EditTitle, " CI11 ");
  EXPECT_EQ(w.KeyHelpLine, Cz(" F1-Help F10=Opis F4-Nová "));
  EXPECT_EQ(w.EditKeyLine, Cz(" F2=zápis  Esc=nic "));
  EXPECT_EQ(w.caption(), Cz("Předkontace"));
  EXPECT_EQ(w.Field(3).caption, Cz(" 1.Účet M "));
  EXPECT_EQ(w.Field(42).caption, Cz("10.Stř. D "));
  EXPECT_EQ(w.Field(42).line, 11);
  EXPECT_EQ(w.Field(42).column, 55);
  EXPECT_TRUE(w.HeaderLine.starts_with(Cz("čís ")  + "   " + " "));  // caption cut to the width 3
  // The template: key "000", blanks, today's date.
  EXPECT_EQ(common::GetCounted(w.RecordTemplate, 0, 3), "000");
  EXPECT_EQ(common::GetCounted(w.RecordTemplate, 4, 30), std::string(30, ' '));
  EXPECT_EQ(common::GetCounted(w.RecordTemplate, 295, 6), kToday);
  // Only "Opis" is shown in the popup.
  int shown = 0;
  for (const auto& item : w.PopupMenu1.items())
    if (item->visible) {
      ++shown;
      EXPECT_EQ(item->caption, "Opis");
    }
  EXPECT_EQ(shown, 1);
  w.CloseBrowse();
}

TEST_F(CodeListPattern, EditedKeyMovesIntoPlaceAndOnlyTheEditedRecordIsStamped) {
  const struct {
    const char* typed;
    Strings keys;
    int edited;  // where the edited record ends
  } cases[] = {{"050", {"010", "020", "050"}, 3},
               {"015", {"010", "015", "020"}, 2},
               {"005", {"005", "010", "020"}, 1},
               {"020", {"010", "020", "020"}, 3}};  // equal keys: it stays on the side it came from
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    WriteList(Cis11Spec(), {"010", "020", "100"});
    TfCis11 w;
    SetupCis11(w);
    ASSERT_EQ(w.Current, 3);
    edit.Type(c.typed).Keys("F2");
    w.EditRecord();
    EXPECT_EQ(FileKeys(Cis11Spec()), c.keys);
    EXPECT_EQ(w.Current, c.edited);
    EXPECT_EQ(Texts(Cis11Spec())[static_cast<std::size_t>(c.edited - 1)], "Text 100" + std::string(22, ' '));
    Strings dates(3, kOld);
    dates[static_cast<std::size_t>(c.edited - 1)] = kToday;
    EXPECT_EQ(Dates(Cis11Spec()), dates);
    w.CloseBrowse();
  }
}

TEST_F(CodeListPattern, FirstRecordEditedToAnEqualKeyStaysFirst) {
  WriteList(Cis11Spec(), {"010", "020", "100"});
  TfCis11 w;
  SetupCis11(w);
  w.GoToRecord(1, 0);
  edit.Type("020").Keys("F2");
  w.EditRecord();
  EXPECT_EQ(FileKeys(Cis11Spec()), (Strings{"020", "020", "100"}));
  EXPECT_EQ(Texts(Cis11Spec())[0], "Text 010" + std::string(22, ' '));
  w.CloseBrowse();
}

TEST_F(CodeListPattern, NewRecordGoesFirstAndStampsTheFirstShiftedRecord) {
  WriteList(Cis11Spec(), {"010", "020"});
  TfCis11 w;
  SetupCis11(w);
  edit.Keys("F2");
  w.NewRecord();
  ASSERT_EQ(edit.seen.size(), 1u);
  EXPECT_EQ(edit.seen[0][0], "000");
  EXPECT_EQ(FileKeys(Cis11Spec()), (Strings{"000", "010", "020"}));
  // The new record keeps the template's date; the move stamped the first record it shifted.
  EXPECT_EQ(Dates(Cis11Spec()), (Strings{kToday, kOld, kToday}));
  EXPECT_EQ(w.Current, 1);
  EXPECT_EQ(w.Count, 3);
  w.CloseBrowse();
}

TEST_F(CodeListPattern, DeleteBlanksTheKeyAndAFreeCloseDropsTheRecord) {
  WriteList(Cis11Spec(), {"010", "020", "030", "040", "050"});
  TfCis11 w;
  SetupCis11(w);
  Show(w);
  w.GoToRecord(3, 0);
  Keys("F8");
  EXPECT_EQ(FileKeys(Cis11Spec()), (Strings{"   ", "010", "020", "040", "050"}));
  EXPECT_EQ(w.Current, 3);
  w.CloseBrowse();
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI11.DTA")), 4u * 302u);
  EXPECT_EQ(FileKeys(Cis11Spec()), (Strings{"010", "020", "040", "050"}));
}

TEST_F(CodeListPattern, CloseWhileAnotherUserHoldsTheFileKeepsTheBlankRecordUntilAFreeClose) {
  WriteList(Cis11Spec(), {"010", "020", "030", "040", "050"});
  TfCis11 w;
  SetupCis11(w);
  w.GoToRecord(3, 0);
  w.DeleteRecord(w.Current);
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis11Spec()), (Strings{"   ", "010", "020", "040", "050"}));
  common::UnlockFile(other, DataPath("CI11.DTA"));
  SetupCis11(w);
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis11Spec()), (Strings{"010", "020", "040", "050"}));
}

TEST_F(CodeListPattern, AnEmptyListTakesOnlyANewRecordAndDeletingEveryRecordEmptiesIt) {
  TfCis11 w;
  SetupCis11(w);
  EXPECT_EQ(w.Count, 0);
  w.EditRecord();
  w.DeleteRecord(w.Current);
  w.CodeListPrint();
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(writer.opened, 0);
  edit.Keys("F2");
  w.NewRecord();
  EXPECT_EQ(w.Count, 1);
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI11.DTA").size(), 302u);

  SetupCis11(w);
  w.DeleteRecord(w.Current);
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI11.DTA").size(), 0u);
}

TEST_F(CodeListPattern, OutlineEditStampsTheEditedAndTheShiftedRow) {
  WriteList(Cis20Spec(), {"010", "100", "200"});
  TfCis20 w;
  SetupCis20(w);
  w.GoToRecord(1, 0);
  edit.Type("150").Keys("F2");
  w.EditRecord();
  EXPECT_EQ(FileKeys(Cis20Spec()), (Strings{"100", "150", "200"}));
  EXPECT_EQ(Dates(Cis20Spec()), (Strings{kToday, kToday, kOld}));
  w.CloseBrowse();
}

TEST_F(CodeListPattern, OutlineTwentyThreeDiffersOnlyInItsValues) {
  TfCis23 w;
  SetupCis23(w);
  EXPECT_EQ(w.EditTitle, " CI20 ");
  EXPECT_EQ(w.DataFileName, "CI23.DTA");
  EXPECT_EQ(w.Field(5).caption, Cz("Datum změny "));
  EXPECT_EQ(w.caption(), "Rozvaha 23");
  w.CloseBrowse();
  TfCis20 v;
  SetupCis20(v);
  EXPECT_EQ(v.Field(5).caption, "Datum    ");
  EXPECT_EQ(v.KeyHelpLine, Cz(" F1-Help  F10=Opis  F4-Nová "));
  v.CloseBrowse();
}

TEST_F(CodeListPattern, ContractsInsertFirstStampsEveryShiftedRecord) {
  WriteList(Cis36Spec(), {"B", "C", "D"});
  TfCis36 w;
  SetupCis36(w);
  edit.Type("A").Keys("F2");
  w.NewRecord();
  EXPECT_EQ(FileKeys(Cis36Spec())[0], "A" + std::string(19, ' '));
  EXPECT_EQ(Dates(Cis36Spec()), (Strings(4, kToday)));
  w.EndOfRunClose();
}

TEST_F(CodeListPattern, ContractsStayOpenAndSortOnlyAtTheEndOfTheRun) {
  WriteList(Cis36Spec(), {"A", "B", "C", "D"});
  TfCis36 w;
  SetupCis36(w);
  EXPECT_EQ(common::CurrentSession().FormOpenFlags[36], 1);
  w.GoToRecord(2, 0);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(FileKeys(Cis36Spec())[0], std::string(20, ' '));
  w.GoToRecord(3, 0);
  w.CloseBrowse();  // during the run: nothing at all
  EXPECT_TRUE(w.DataFileUsable());
  EXPECT_EQ(ReadData("CI36.DTA").size(), 4u * 130u);
  // Set up again in the same run: the window is as it was.
  SetupCis36(w);
  EXPECT_EQ(w.Current, 3);

  clock.Set({2026, 12, 7, 18, 0, 0, 0});
  codelists::fCis36();  // the program's instance is not the one open here
  w.EndOfRunClose();
  EXPECT_EQ(common::CurrentSession().FormOpenFlags[36], 0);
  EXPECT_FALSE(w.DataFileUsable());
  EXPECT_EQ(cltest::Trimmed(FileKeys(Cis36Spec())), (Strings{"A", "C", "D"}));
  EXPECT_EQ(Dates(Cis36Spec()), (Strings(3, "261207")));
}

TEST_F(CodeListPattern, ANewContractWithoutACodeIsShownFirstAndGoesAtTheEndOfTheRun) {
  WriteList(Cis36Spec(), {"A", "B"});
  TfCis36 w;
  SetupCis36(w);
  edit.Keys("F2");
  w.NewRecord();
  EXPECT_EQ(FileKeys(Cis36Spec()), (Strings{std::string(20, ' '), "A", "B"}));
  EXPECT_EQ(w.Current, 1);
  w.EndOfRunClose();
  EXPECT_EQ(FileKeys(Cis36Spec()).size(), 2u);
}

TEST_F(CodeListPattern, CloseCodeListFormsClosesTheKeptOpenContracts) {
  WriteList(Cis36Spec(), {"A", "B"});
  SetupCis36(fCis36());
  fCis36().GoToRecord(1, 0);
  fCis36().DeleteRecord(1);
  CloseCodeListForms();
  EXPECT_EQ(common::CurrentSession().FormOpenFlags[36], 0);
  EXPECT_EQ(FileKeys(Cis36Spec()), (Strings{"B"}));
}

TEST_F(CodeListPattern, KeysOfTheBrowseDriveEditNewAndDelete) {
  WriteList(Cis20Spec(), {"010", "020", "030"});
  TfCis20 w;
  SetupCis20(w);
  Show(w);
  Keys("Up Up");
  ASSERT_EQ(w.Current, 1);
  edit.Type("025").Keys("F2");
  Keys("Space");
  EXPECT_EQ(FileKeys(Cis20Spec()), (Strings{"020", "025", "030"}));
  edit.Type("040").Keys("F2");
  Keys("F4");
  EXPECT_EQ(FileKeys(Cis20Spec()), (Strings{"020", "025", "030", "040"}));
  EXPECT_EQ(w.Current, 4);
  Keys("F8");
  EXPECT_EQ(FileKeys(Cis20Spec()), (Strings{"   ", "020", "025", "030"}));
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis20Spec()), (Strings{"020", "025", "030"}));
}

}  // namespace

namespace {

using namespace codelists;
using cltest::Strings;
using CodeListPatternConflict = cltest::CodeListTest;

TEST_F(CodeListPatternConflict, AnEditRefusedBecauseAnotherUserChangedTheRecordStillKeepsTheOrder) {
  WriteList(Cis11Spec(), {"010", "020", "100"});
  TfCis11 w;
  SetupCis11(w);
  // While this user types, another workstation renumbers record 3 to 005.
  edit.Type("050").Do([&](browser::EditForm&) {
    std::string bytes = ReadData("CI11.DTA");
    common::PutCounted(bytes, 2 * 302, "005", 3);
    WriteData("CI11.DTA", bytes);
  });
  edit.Keys("F2");
  w.EditRecord();
  EXPECT_EQ(Messages(), (Strings{common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel")}));
  // The other user's record is kept, and put in its place.
  EXPECT_EQ(FileKeys(Cis11Spec()), (Strings{"005", "010", "020"}));
  EXPECT_EQ(w.Current, 1);
  w.CloseBrowse();
}

}  // namespace

namespace {

using CodeListPatternBytes = cltest::CodeListTest;

TEST_F(CodeListPatternBytes, ANewOutlineRowIsStoredByteForByte) {
  codelists::TfCis20 w;
  codelists::SetupCis20(w);
  edit.Type("15").Keys("Down").Type("Pokus").Keys("Down").Type("10").Keys("Down").Type("3").Keys("F2");
  w.NewRecord();
  w.CloseBrowse();
  const std::string expected = std::string("\x03") + "015" + "\x1E" + "Pokus" + std::string(25, ' ') + "\x03" + " 10" +
                               "\x06" + "     3" + "\x06" + cltest::kToday;
  EXPECT_EQ(ReadData("CI20.DTA"), expected);
}

}  // namespace
