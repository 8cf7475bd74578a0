// The livestock lists: animal movements (13) with their composite key, busy guards,
// prefix rewrite and sort item; animal categories (18) with the close that sorts every
// time the file is free; technology groups (65) converted from their older layout.
#include <filesystem>

#include "codelists/ci01load.h"
#include "codelists/livestock.h"
#include "common/dirs.h"
#include "common/faultfs.h"
#include "common/locking.h"
#include "tests/codelists/ci01kit.h"
#include "tests/codelists/outlinekit.h"

namespace {

using namespace codelists;
using cltest::Ci01;
using cltest::kOld;
using cltest::kToday;
using cltest::Strings;
using cltest::Trimmed;
using common::Cz;
using CodeListCis13 = cltest::CodeListTest;
using CodeListCis18 = cltest::CodeListTest;
using CodeListCis65 = cltest::OutlineTest;

std::string Movement(const std::string& druh, const std::string& cv, const std::string& u1 = "      ",
                     const std::string& u5 = "      ") {
  return cltest::MakeRecord(Cis13Spec(), {{1, druh}, {2, cv}, {3, u1}, {7, u5}});
}

Strings Keys13(const std::string& bytes) {
  const Strings druh = cltest::Column(Cis13Spec(), bytes, 1), cv = cltest::Column(Cis13Spec(), bytes, 2);
  Strings keys;
  for (std::size_t i = 0; i < druh.size(); ++i) keys.push_back(druh[i] + cv[i]);
  return keys;
}

TEST_F(CodeListCis13, SetupValues) {
  TfCis13& w = fCis13();
  SetupCis13(w);
  EXPECT_EQ(w.RecordLength, 48);
  EXPECT_EQ(w.FieldOffset(3), 6);
  EXPECT_EQ(w.FieldOffset(8), 41);
  EXPECT_EQ(w.EditTitle, " CI13 ");
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{Cz("A1 Třiď"), "c1 Opis", Cz("i1 Načti ze starého číseníku"), Cz("k1 Změna 611 -> 581")}));
  w.CloseBrowse();
}

TEST_F(CodeListCis13, TheKeyIsKindThenLine) {
  WriteData("CI13.DTA", Movement("01", "00") + Movement("01", "20") + Movement("02", "10"));
  TfCis13& w = fCis13();
  SetupCis13(w);
  w.GoToRecord(3, 0);
  edit.Type("01").Keys("Down").Type("10").Keys("F2");
  w.EditRecord();
  EXPECT_EQ(Keys13(ReadData("CI13.DTA")), (Strings{"0100", "0110", "0120"}));
  // The delete writes the kind "  " and the line "00"; the window stays on the former current record.
  w.GoToRecord(3, 0);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(Keys13(ReadData("CI13.DTA")), (Strings{"  00", "0100", "0110"}));
  EXPECT_EQ(w.Current, 3);
  w.CloseBrowse();
  EXPECT_EQ(Keys13(ReadData("CI13.DTA")), (Strings{"0100", "0110"}));
}

TEST_F(CodeListCis13, EditNewAndDeleteAreRefusedWhileAnotherUserHoldsTheFile) {
  WriteData("CI13.DTA", Movement("01", "00") + Movement("02", "00"));
  const std::string before = ReadData("CI13.DTA");
  TfCis13& w = fCis13();
  SetupCis13(w);
  w.GoToRecord(1, 0);
  w.DeleteRecord(w.Current);  // free: deleted
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  const std::string deleted = ReadData("CI13.DTA");
  w.EditRecord();
  w.NewRecord();
  w.DeleteRecord(w.Current);
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(ReadData("CI13.DTA"), deleted);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage),
            (Strings{Cz("Pozor, opravy se neprovedly, někdo právě pracuje s číselníkem"),
                     Cz("Pozor, záznam se nepřidal, někdo právě pracuje s číselníkem"),
                     Cz("Pozor, záznam se nezrušil, někdo právě pracuje s číselníkem")}));
  w.CloseBrowse();  // held: the deleted record stays
  EXPECT_EQ(ReadData("CI13.DTA"), deleted);
  common::UnlockFile(other, w.DataFilePath);
}

TEST_F(CodeListCis13, ThePrefixRewriteOfTheFiveAccounts) {
  WriteData("CI13.DTA", Movement("01", "10", "611100", "624   ") + Movement("02", "10", "615000", "61"));
  TfCis13& w = fCis13();
  SetupCis13(w);
  ui::MenuItem* item = w.PopupMenu1.Find("k1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  const std::string once = ReadData("CI13.DTA");
  EXPECT_EQ(cltest::Column(Cis13Spec(), once, 3), (Strings{"581100", "615000"}));
  EXPECT_EQ(cltest::Column(Cis13Spec(), once, 7), (Strings{"588   ", "61"}));
  item->onClick(*item);
  EXPECT_EQ(ReadData("CI13.DTA"), once);  // a second run changes nothing more
  EXPECT_EQ(Dates(Cis13Spec()), Strings(2, kOld));  // written, stamped only with the changed flag
}

// "Třiď" sorts (it never rewrites prefixes), and only while no other user holds the file.
TEST_F(CodeListCis13, TheSortItemSortsAndLeavesTheAccounts) {
  std::string deleted = Movement("00", "00");
  common::PutCounted(deleted, 0, "  ", 2);
  WriteData("CI13.DTA", Movement("02", "10", "611100") + deleted + Movement("01", "10", "621000"));
  TfCis13& w = fCis13();
  SetupCis13(w);
  ui::MenuItem* item = w.PopupMenu1.Find("A1");
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  const std::string before = ReadData("CI13.DTA");
  item->onClick(*item);
  EXPECT_EQ(ReadData("CI13.DTA"), before);
  EXPECT_EQ(Messages(), (Strings{"Se souborem se pracuje"}));
  common::UnlockFile(other, w.DataFilePath);
  item->onClick(*item);
  EXPECT_EQ(Keys13(ReadData("CI13.DTA")), (Strings{"0110", "0210"}));
  EXPECT_EQ(cltest::Column(Cis13Spec(), ReadData("CI13.DTA"), 3), (Strings{"621000", "611100"}));
}

TEST_F(CodeListCis18, SetupValues) {
  TfCis18& w = fCis18();
  SetupCis18(w);
  EXPECT_EQ(w.RecordLength, 49);
  EXPECT_EQ(w.EditColor, 0xA0FFFF);
  EXPECT_EQ(w.EditTitle, " CI18 ");
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{"h1 Opis", Cz("i1 Načti z číselníku")}));
  EXPECT_EQ(w.FieldOf(w.RecordTemplate, 3), "000000");
  w.CloseBrowse();
}

TEST_F(CodeListCis18, ACloseWithoutChangesRestampsAllButNotWhileTheFileIsHeld) {
  WriteList(Cis18Spec(), {"200", "100"});
  TfCis18& w = fCis18();
  SetupCis18(w);
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  w.CloseBrowse();  // another user holds it: no rewrite under them
  EXPECT_EQ(FileKeys(Cis18Spec()), (Strings{"200", "100"}));
  EXPECT_EQ(Dates(Cis18Spec()), Strings(2, kOld));
  common::UnlockFile(other, w.DataFilePath);
  // The same user at a second workstation: the question sees no other user, but the
  // sort's own try-once lock finds the file held and leaves it unsorted.
  common::Session twin;
  twin.DataDirPath = other.DataDirPath;
  twin.ProgDirPath = other.ProgDirPath;
  twin.CurrentUser = common::CurrentSession().CurrentUser;
  SetupCis18(w);
  ASSERT_EQ(common::LockFile(twin, w.DataFilePath, ""), common::LockResult::Held);
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis18Spec()), (Strings{"200", "100"}));
  common::UnlockFile(twin, w.DataFilePath);
  SetupCis18(w);
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis18Spec()), (Strings{"100", "200"}));
  EXPECT_EQ(Dates(Cis18Spec()), Strings(2, kToday));
}

TEST_F(CodeListCis65, TheOlderLayoutIsConvertedAtSetup) {
  // The older layout: a code of 3, the name, the date (42 bytes).
  std::string old(42, '\0');
  common::PutCounted(old, 0, "120", 3);
  common::PutCounted(old, 4, Cz("Chov") + std::string(26, ' '), 30);
  common::PutCounted(old, 35, "230101", 6);
  WriteData("CI65.DTA", old + old);
  TfCis65& w = fCis65();
  SetupCis65(w);
  EXPECT_EQ(w.Count, 2);
  const std::string after = ReadData("CI65.DTA");
  ASSERT_EQ(after.size(), 88u);
  EXPECT_EQ(Trimmed(cltest::Column(Cis65Spec(), after, 1)), (Strings{"120", "120"}));
  EXPECT_EQ(Trimmed(cltest::Column(Cis65Spec(), after, 2)), (Strings{"Chov", "Chov"}));
  EXPECT_EQ(cltest::Column(Cis65Spec(), after, 3), (Strings{"230101", "230101"}));
  w.CloseBrowse();
  // A file in the new layout is left alone.
  SetupCis65(w);
  EXPECT_EQ(ReadData("CI65.DTA"), after);
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{"h1 Opis", Cz("i1 Načti ze starého číselníku")}));
  w.CloseBrowse();
}

TEST_F(CodeListCis65, AConversionThatCannotWriteIsReportedAndTheFileOpensUnchanged) {
  std::string old(42, '\0');
  common::PutCounted(old, 0, "120", 3);
  WriteData("CI65.DTA", old);
  common::FaultFileSystem fs;
  fs.Fail(common::FsOp::Write, ENOSPC, "/.~");
  TfCis65& w = fCis65();
  {
    common::ScopedFileSystem use(fs);
    SetupCis65(w);
  }
  // The file in the older layout then opens with a cut record at its end, and is told so.
  ASSERT_EQ(Messages().size(), 2u) << notes.Dump();
  EXPECT_TRUE(Messages()[0].starts_with("Uz: 01 pise soubor: ")) << Messages()[0];
  EXPECT_NE(Messages()[1].find(Cz(" končí useknutou větou")), std::string::npos) << notes.Dump();
  EXPECT_EQ(ReadData("CI65.DTA"), old);
  EXPECT_TRUE(w.DataFileUsable());
  w.CloseBrowse();
}

// A file that cannot be read in the list's layout opens for reading only, says why, and
// nothing writes it: its size fits neither layout, or the wait to convert it was given up.
TEST_F(CodeListCis65, AFileThatCannotBeReadInItsLayoutOpensForReadingOnly) {
  std::string old(42, '\0');
  common::PutCounted(old, 0, "120", 3);
  common::PutCounted(old, 4, std::string(30, 'n'), 30);
  const std::string file = common::DataDir("ci65.dta");
  const struct {
    std::string bytes;
    bool held;
    std::string said;
  } cases[] = {
      {old + old + old + "xyz", false, " má 129 bajtů, to neodpovídá délce věty staré 42 ani nové 44; otevírám ho jen pro čtení"},
      {old + old, true, " zůstal ve starší podobě (délka věty 42, ne 44), četl by se chybně; otevírám ho jen pro čtení"},
  };
  TfCis65& w = fCis65();
  for (const auto& c : cases) {
    WriteData("CI65.DTA", c.bytes);
    if (c.held) {
      ASSERT_EQ(common::LockFile(other, file, ""), common::LockResult::Held);
    }
    notes.calls.clear();
    notes.ignoreAnswer = c.held;
    SetupCis65(w);
    EXPECT_EQ(Messages(), Strings{Cz("Soubor ") + file + Cz(c.said)});
    EXPECT_FALSE(w.DataFileUsable());
    Show(w);
    backend.PressKeys("F4 F8");
    w.CloseBrowse();
    EXPECT_EQ(ReadData("CI65.DTA"), c.bytes);
    if (c.held) common::UnlockFile(other, file);
  }
}

TEST_F(CodeListCis65, EveryLineOfTheCombinedFileIsOneGroup) {
  WriteData("CI01.DTA", cltest::Joined({Ci01("65", "000120", "3", "00", {"Chov"}), Ci01("65", "000120", "3", "10", {"Odchov"}),
                                        Ci01("65", "000130", "2", "00", {"Nic"})}));
  WriteData("CI65.DTA", "");
  TfCis65& w = fCis65();
  SetupCis65(w);
  ui::MenuItem* item = w.PopupMenu1.Find("i1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  const std::string after = ReadData("CI65.DTA");
  EXPECT_EQ(cltest::Column(Cis65Spec(), after, 1), (Strings{"120", "120"}));  // three characters in a field of five
  EXPECT_EQ(Trimmed(cltest::Column(Cis65Spec(), after, 2)), (Strings{"Chov", "Odchov"}));
  EXPECT_EQ(cltest::Column(Cis65Spec(), after, 3), Strings(2, kToday));
  w.CloseBrowse();
}

}  // namespace
