// The piece windows and the combined-file window: their fields against the piece
// layouts, the keys F4, F8 and Space with their date stamps, and the sort and the
// searches of the combined file.
#include <gtest/gtest.h>

#include "combined/ci2005.h"
#include "combined/ciwindows.h"
#include "combined/pieces.h"
#include "browser/dotazy.h"
#include "common/faultfs.h"
#include "tests/browser/soubkit.h"
#include "tests/common/processes.h"

namespace {

using combined::Ci01Record;

class CiPieceWindows : public soubtest::SoubTest {
 protected:
  std::string Key(const std::string& rec) const { return common::GetCounted(rec, 0, 6); }
};

TEST_F(CiPieceWindows, FieldsPackToThePieceLayouts) {
  ASSERT_EQ(combined::PieceWindowSpecs().size(), 14u);
  for (const auto& w : combined::PieceWindowSpecs()) {
    combined::TfCiPiece win(w);
    win.Setup();
    const auto offsets = browser::FieldOffsets(win.FieldSpan());
    const int fields = browser::LayoutLength(win.FieldSpan());
    if (const combined::PieceSpec* piece = combined::FindPiece(w.list)) {
      std::size_t f = 0;
      for (const auto& pf : piece->fields) {
        if (!pf.filled && w.list == 14) continue;  // the two bytes no field holds
        ASSERT_LT(f, offsets.size()) << w.className;
        EXPECT_EQ(offsets[f], pf.offset) << w.className << " field " << f + 1;
        EXPECT_EQ(win.Field(static_cast<int>(f) + 1).width, pf.width) << w.className << " field " << f + 1;
        ++f;
      }
      EXPECT_EQ(f, offsets.size()) << w.className;
    }
    EXPECT_EQ(fields + (w.list == 14 ? 2 : 0), w.length) << w.className;
    win.CloseBrowse();
  }
  // Places in the edit windows.
  combined::TfCiPiece w28(*combined::FindPieceWindow(28));
  w28.Setup();
  EXPECT_EQ(w28.Field(13 + 4 * 9 + 1).line, 8);
  EXPECT_EQ(w28.Field(13 + 4 * 9 + 1).column, 64);
  w28.CloseBrowse();
  combined::TfCiPiece w61(*combined::FindPieceWindow(61));
  w61.Setup();
  EXPECT_EQ(w61.Field(11).hint, "KT");
  EXPECT_EQ(w61.Field(11).hintLine, 5);
  EXPECT_EQ(w61.Field(9).column, 5);
  EXPECT_EQ(w61.Field(10).column, 24);
  w61.CloseBrowse();
}

TEST_F(CiPieceWindows, DeleteMarksTheKeyAndStampsTheDate) {
  const auto& p10 = *combined::FindPiece(10);
  std::string rec = p10.EmptyRecord();
  p10.Put(rec, 0, "311000");
  p10.Put(rec, 1, "Pokladna");
  WriteData("CI.10", rec + rec);
  auto& w = combined::fCiPiece(10);
  combined::SetupCiPiece(w);
  w.Current = 1;
  w.DeleteRecord(1);
  w.CloseBrowse();
  const std::string after = ReadData("CI.10");
  ASSERT_EQ(after.size(), 2u * 79);
  std::string expected = p10.EmptyRecord();
  p10.Put(expected, 0, "......");
  p10.Put(expected, p10.dateField, combined::WorkDateYYMMDD());
  EXPECT_EQ(after.substr(0, 79), expected);
  EXPECT_EQ(after.substr(79), rec);

  // In the rest piece only TS and U6 change.
  Ci01Record r = Ci01Record::Blank();
  r.ts = "40";
  r.klic = "000001";
  r.u[0] = "zbytek";
  r.date = "200101";
  WriteData("ci.99", r.Bytes());
  auto& w99 = combined::fCiPiece(99);
  combined::SetupCiPiece(w99);
  w99.Current = 1;
  w99.DeleteRecord(1);
  w99.CloseBrowse();
  Ci01Record marked = r;
  marked.ts = "..";
  marked.date = combined::WorkDateYYMMDD();
  EXPECT_EQ(ReadData("ci.99"), marked.Bytes());

  // F8 in an empty piece writes nothing.
  auto& w20 = combined::fCiPiece(20);
  combined::SetupCiPiece(w20);
  w20.DeleteRecord(0);
  w20.CloseBrowse();
  EXPECT_EQ(ReadData("CI.20"), "");
}

TEST_F(CiPieceWindows, AppendsAndEditsStampByTheirRule) {
  auto& w = combined::fCiPiece(30);
  combined::SetupCiPiece(w);
  // The first append keeps the date its window showed (typed over); the second
  // finds the flag set by the first and gets the work date.
  edit.Type("12345").Do([](browser::EditForm& f) { f.SetText(10, "991231"); }).Keys("F2");
  w.NewRecord();
  edit.Type("23456").Do([](browser::EditForm& f) { f.SetText(10, "991231"); }).Keys("F2");
  w.NewRecord();
  ASSERT_EQ(w.Count, 2);
  const auto& p30 = *combined::FindPiece(30);
  std::string data = ReadData("CI.30");
  EXPECT_EQ(p30.Get(data.substr(0, 104), p30.dateField), "991231");
  EXPECT_EQ(p30.Get(data.substr(104), p30.dateField), combined::WorkDateYYMMDD());
  // "Změn střediska" five times gives the keys back; once turns 12345 into 23451.
  w.k1Click();
  EXPECT_EQ(p30.Get(ReadData("CI.30").substr(0, 104), 0), "23451");
  for (int i = 0; i < 4; ++i) w.k1Click();
  EXPECT_EQ(p30.Get(ReadData("CI.30").substr(0, 104), 0), "12345");
  w.CloseBrowse();
}

TEST_F(CiPieceWindows, WhatTheAssemblyCannotCarryCannotBeTyped) {
  auto& w30 = combined::fCiPiece(30);
  combined::SetupCiPiece(w30);
  EXPECT_EQ(w30.FieldStates[4], 0);
  EXPECT_EQ(w30.FieldStates[3], 1);
  w30.CloseBrowse();
  // List 11's name keeps 18 of the characters typed, confirmed with F2 or Enter.
  auto& w = combined::fCiPiece(11);
  combined::SetupCiPiece(w);
  edit.Type("001").Keys("Down").Type("Předkontace dlouhého jména").Keys("F2");
  w.NewRecord();
  const auto& p11 = *combined::FindPiece(11);
  EXPECT_EQ(common::StripRightSp(p11.Get(ReadData("CI.11"), 1)), common::Cz("Předkontace dlouhé"));
  w.CloseBrowse();
}

class Ci2005Window : public soubtest::SoubTest {
 protected:
  static std::string Rec(const char* ts, const char* klic, const char* cv, const char* u1, const char* date = "200101") {
    Ci01Record r = Ci01Record::Blank();
    r.ts = ts;
    r.klic = klic;
    r.p = "3";
    r.cv = cv;
    r.u[0] = u1;
    r.date = date;
    return r.Bytes();
  }
};

TEST_F(Ci2005Window, ADeleteAndCloseSortsThePurgedFile) {
  WriteData("CI01.DTA", Rec("20", "000002", "00", "druhý") + Rec("20", "000001", "00", "první") +
                            Rec("20", "000003", "00", "třetí"));
  auto& w = combined::fCi2005();
  w.SetupCi2005();
  w.Current = 3;
  w.DeleteRecord(3);
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI01.DTA"), Rec("20", "000001", "00", "první") + Rec("20", "000002", "00", "druhý"));
}

// The data folder takes no new file (a read-only share): the sort that follows a change
// cannot replace CI01.DTA there, so F4 and F8 refuse first, in words, writing nothing.
TEST_F(Ci2005Window, F4AndF8RefuseWhereTheSortCannotRun) {
  const std::string bytes = Rec("20", "000002", "00", "druhý") + Rec("20", "000001", "00", "první");
  WriteData("CI01.DTA", bytes);
  auto& w = combined::fCi2005();
  w.SetupCi2005();
  const std::string refusal = common::Cz("Soubor CI01.DTA se nepřepíše, nelze uložit kopii pro návrat, err      5");
  edit.Keys("F2");
  {
    common::FaultFileSystem faults;
    faults.Fail(common::FsOp::OpenWrite, EACCES, DataPath(".~"));
    common::ScopedFileSystem scoped(faults);
    w.NewRecord();
    w.Current = 2;
    w.DeleteRecord(2);
    w.CloseBrowse();
  }
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(ReadData("CI01.DTA"), bytes);
  EXPECT_EQ(Messages(), (std::vector<std::string>{refusal, refusal})) << notes.Dump();
}

// Another opening of the window while its sort waits for the file (the scenario driver's
// "open" passes the modal notice): the sort goes on over the file it began with.
TEST_F(Ci2005Window, AnOpeningDuringTheSortLeavesTheSortItsFile) {
  WriteData("CI01.DTA", Rec("20", "000002", "00", "druhý") + Rec("20", "000001", "00", "první") +
                            Rec("20", "000003", "00", "třetí"));
  const std::string other = Rec("30", "000009", "00", "jiný") + Rec("30", "000001", "00", "jiný");
  const std::string otherName = "DLOUHY-NAZEV-JINEHO-SOUBORU-CISELNIKU-ABY-SE-CESTA-PRODLOUZILA.DTA";
  WriteData(otherName, other);
  auto& w = combined::fCi2005();
  w.SetupCi2005();
  w.Current = 3;
  w.DeleteRecord(3);
  ostest::LockHeldByOther reader(DataPath("CI01.DTA"), "");
  ASSERT_TRUE(reader.held());
  bool reopened = false;
  notes.onWait = [&](const std::string&, int) {
    if (reopened) return;
    reopened = true;
    w.SetupCi2005("=" + DataPath(otherName));
    EXPECT_EQ(reader.Release(), 0);
  };
  w.SortCi2005();
  notes.onWait = nullptr;
  EXPECT_TRUE(reopened);
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI01.DTA"), Rec("20", "000001", "00", "první") + Rec("20", "000002", "00", "druhý"));
  EXPECT_EQ(ReadData(otherName), other);
  EXPECT_TRUE(Messages().empty()) << notes.Dump();
}

TEST_F(Ci2005Window, ThePositionedSearchLooksOnlyWhereAsked) {
  WriteData("CI01.DTA", Rec("10", "KASA00", "00", "banka") + Rec("10", "000002", "00", "KASA") +
                            Rec("10", "000003", "00", "Kasa"));
  auto& w = combined::fCi2005();
  w.SetupCi2005();
  w.Current = 1;
  // Positions 12..17 are U1: the Klíč "KASA00" of record 1 is not looked at.
  backend.AnswerNextModal([](ui::Form& f) {
    auto& d = static_cast<browser::TfDotazy&>(f);
    d.Edits[1]->SetText("12");
    d.Edits[2]->SetText("6");
    d.Edits[3]->SetText("kasa");
    d.F2KlapkaClick();
  });
  w.KeyF6(1);
  EXPECT_EQ(w.Current, 2);
  // The ordinary search finds the word in any case and from the next record on.
  w.WholeSearch = true;
  EXPECT_EQ(w.SearchScan("KASA"), 3);
  w.CloseBrowse();
}

}  // namespace
