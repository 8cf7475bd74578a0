#include "common/convert.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/faultfs.h"
#include "common/fottab.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/session.h"
#include "tests/common/os_tempdir.h"
#include "tests/common/waitbound.h"

using namespace common;
using Kind = RecordingNotifier::Kind;

namespace {

std::string Counted(const std::string& text, std::size_t capacity) {
  std::string s(capacity + 1, ' ');
  s[0] = static_cast<char>(text.size());
  s.replace(1, text.size(), text);
  return s;
}

struct ConvertTest : ::testing::Test {
  ostest::TempDir tmp;
  waitbound::BoundedNotifier notes;
  ScopedNotifier scopedNotes{notes};

  void SetUp() override {
    ResetSession();
    CurrentSession().CurrentUser = "01";
    CurrentSession().ProgDirPath = tmp.path() + "/";
  }
  void TearDown() override { ResetSession(); }
  std::string P(const std::string& n) { return tmp / n; }
  void Pol(const std::string& name, const std::string& lines) { ostest::WriteRaw(P(name), Cz(lines)); }
  std::string Data() { return ostest::ReadRaw(P("x.dta")); }
  toPol NewLayout() {
    toPol pol;
    std::string reason;
    EXPECT_TRUE(LoadLayout(P("new.pol"), "x", pol, reason)) << reason;
    return pol;
  }
  std::int32_t Convert() { return ConvertFile(P("x.dta"), "", P("old.pol"), P("new.pol")); }
  void OldAndNewOfTheReview() {
    Pol("old.pol",
        "{ popis číselníku }\r\n"
        "KOD : string[3]; { \"Kód\" \"X\" }\r\n"
        "NAZEV : string[20]; { \"Název\" \"X\" }\r\n");
    Pol("new.pol",
        "KOD : string[5]; { \"Kód\" \"X\" }\r\n"
        "NAZEV : string[30]; { \"Název\" \"X\" }\r\n"
        "DATUM : string[6]; { \"Datum\" \"D\" }\r\n");
  }
};

}  // namespace

TEST_F(ConvertTest, LayoutOffsetsAndTypes) {
  Pol("a.pol",
      "Poznámka bez dvojtečky\n"
      "kod cislo : string[4]; { \"Kód\" \"P\" }\n"
      "B1 : byte; { \"b\" \"##\" }\n"
      "W1 : word; { \"w\" \"##\" }\n"
      "I1 : integer; { \"i\" \"##\" }\n"
      "L1 : longint; { \"l\" \"##\" }\n"
      "R1 : real; { \"r\" \"##\" }\n"
      "D1 : double; { \"d\" \"##\" }\n"
      "C1 : currency; { \"c\" \"##\" }\n"
      "DAT : string[6]; { \"datum\" \"D\" }\n"
      "DAT8 : string[8]; { \"datum\" \"q\" }\n"
      "CAS : string[6]; { \"čas\" \"t\" }\n"
      "JINY : string[2]; { \"j\" \"9\" }\n");
  toPol pol;
  std::string reason;
  ASSERT_TRUE(LoadLayout(P("a.pol"), "a", pol, reason)) << reason;
  ASSERT_EQ(pol.items.size(), 12u);
  EXPECT_EQ(pol.items[0].name, "KODCISLO");
  EXPECT_EQ(pol.items[0].type, kPolZeroRight);
  const std::int32_t stored[] = {5, 1, 2, 4, 4, 6, 8, 8, 7, 9, 7, 3};
  const std::uint8_t types[] = {3, 5, 6, 7, 7, 8, 12, 14, 9, 16, 13, 4};
  std::int32_t offset = 0;
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(pol.items[i].stored, stored[i]) << i;
    EXPECT_EQ(pol.items[i].type, types[i]) << i;
    EXPECT_EQ(pol.items[i].offset, offset) << i;
    offset += stored[i];
  }
  EXPECT_EQ(pol.recordLength, offset);
  EXPECT_EQ(pol.firstText, 1);
  EXPECT_EQ(pol.secondText, 9);
}

TEST_F(ConvertTest, WidenedCodeListIsConvertedOnce) {
  OldAndNewOfTheReview();
  std::string old;
  old += Counted("A17", 3) + Counted(Cz("Praha"), 20);
  old += Counted("B22", 3) + Counted(std::string(20, 'n'), 20);  // record 2: full-length texts
  ASSERT_EQ(old.size(), 50u);
  ostest::WriteRaw(P("x.dta"), old);
  EXPECT_EQ(Convert(), 1);
  std::string now = Data();
  ASSERT_EQ(now.size(), 88u);
  EXPECT_EQ(now.substr(0, 6), std::string("\x05" "A17  ", 6));
  EXPECT_EQ(GetCounted(now, 6, 30), Cz("Praha") + std::string(25, ' '));
  EXPECT_EQ(now.substr(37, 7), std::string("\x06      ", 7));
  EXPECT_EQ(now.substr(44, 6), std::string("\x05" "B22  ", 6));
  EXPECT_EQ(now.substr(81, 7), std::string("\x06      ", 7));
  EXPECT_EQ(Convert(), 0);
  EXPECT_EQ(Data(), now);
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(ConvertTest, OneRecordFiles) {
  OldAndNewOfTheReview();
  ostest::WriteRaw(P("x.dta"), Counted("A", 3) + Counted("kratky", 20));  // no full texts: still converted
  EXPECT_EQ(Convert(), 1);
  EXPECT_EQ(Data().size(), 44u);
  const std::string newOne = Counted("AB", 5) + Counted("x", 30) + Counted("010124", 6);
  ostest::WriteRaw(P("x.dta"), newOne);
  EXPECT_EQ(Convert(), 0);
  EXPECT_EQ(Data(), newOne);
}

TEST_F(ConvertTest, FileMatchingNeitherLayoutIsLeftAloneAndSaidToFitNeither) {
  OldAndNewOfTheReview();
  // Three old records whose record 2 does not look like one; no whole number of records;
  // two new records (a size of the new layout is never a misfit).
  const struct {
    std::string bytes;
    LayoutCheck::Outcome outcome;
  } cases[] = {{std::string(75, 'q'), LayoutCheck::FitsNeither},
               {std::string(51, 'q'), LayoutCheck::FitsNeither},
               {std::string(88, 'q'), LayoutCheck::Unchanged}};
  for (const auto& c : cases) {
    ostest::WriteRaw(P("x.dta"), c.bytes);
    const LayoutCheck got = ConvertLayout(P("x.dta"), "", P("old.pol"), P("new.pol"));
    EXPECT_EQ(got.outcome, c.outcome) << c.bytes.size();
    EXPECT_EQ(got.size, static_cast<std::int64_t>(c.bytes.size()));
    EXPECT_EQ(got.oldLength * 1000 + got.newLength, 25044);
    EXPECT_EQ(Data(), c.bytes);
  }
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(ConvertTest, TextsAreFittedByTheirType) {
  Pol("old.pol",
      "A : string[3]; { \"\" \"X\" }\nB : string[3]; { \"\" \"Y\" }\nC : string[3]; { \"\" \"L\" }\n"
      "D : string[3]; { \"\" \"P\" }\nE : string[4]; { \"\" \"X\" }\nF : string[2]; { \"\" \"p\" }\n");
  Pol("new.pol",
      "A : string[5]; { \"\" \"X\" }\nB : string[5]; { \"\" \"Y\" }\nC : string[5]; { \"\" \"L\" }\n"
      "D : string[5]; { \"\" \"P\" }\nE : string[2]; { \"\" \"X\" }\nF : string[25]; { \"\" \"p\" }\n"
      "G : string[4]; { \"\" \"L\" }\n");
  std::string rec = Counted("ab", 3) + Counted("12", 3) + Counted("34", 3) + Counted("56", 3) + Counted("wxyz", 4) +
                    Counted("99", 2);
  ostest::WriteRaw(P("x.dta"), rec);
  EXPECT_EQ(Convert(), 1);
  const std::string now = Data();
  const toPol out = NewLayout();
  auto item = [&](int n) { return GetCounted(now, out.items[n].offset, out.items[n].stored - 1); };
  EXPECT_EQ(item(0), "ab   ");
  EXPECT_EQ(item(1), "   12");
  EXPECT_EQ(item(2), "34000");
  EXPECT_EQ(item(3), "00056");
  EXPECT_EQ(item(4), "wx");
  EXPECT_EQ(item(5), std::string(20, '0') + "99");  // widened by more than 20: shorter than its size
  EXPECT_EQ(item(6), "0000");                       // only in the new layout
}

TEST_F(ConvertTest, NumbersKeepTheirValue) {
  Pol("old.pol",
      "K : string[1]; { \"\" \"X\" }\nB : byte; {\"\" \"\"}\nW : word; {\"\" \"\"}\nI : integer; {\"\" \"\"}\n"
      "R : real; {\"\" \"\"}\nS : real; {\"\" \"\"}\nD : double; {\"\" \"\"}\nE : double; {\"\" \"\"}\n"
      "Z : real; {\"\" \"\"}\n");
  Pol("new.pol",
      "K : string[1]; { \"\" \"X\" }\nB : word; {\"\" \"\"}\nW : longint; {\"\" \"\"}\nI : real; {\"\" \"\"}\n"
      "R : double; {\"\" \"\"}\nS : currency; {\"\" \"\"}\nD : real; {\"\" \"\"}\nE : currency; {\"\" \"\"}\n"
      "Z : byte; {\"\" \"\"}\n");
  std::string rec = Counted("k", 1);
  rec += std::string(1, static_cast<char>(200));
  rec += std::string("\x34\x12", 2);
  rec += std::string("\xfe\xff\xff\xff", 4);  // -2
  std::string tail(6 + 6 + 8 + 8 + 6, '\0');
  PutReal48(tail, 0, 12.5);
  PutReal48(tail, 6, -0.03125);
  PutLE<double>(tail, 12, 0.75);
  PutLE<double>(tail, 20, 1.03125);
  PutReal48(tail, 28, 7);
  ostest::WriteRaw(P("x.dta"), rec + tail);
  EXPECT_EQ(Convert(), 1);
  const std::string now = Data();
  const toPol out = NewLayout();
  auto at = [&](int n) { return static_cast<std::size_t>(out.items[n].offset); };
  EXPECT_EQ(GetLE<std::uint16_t>(now, at(1)), 200);
  EXPECT_EQ(GetLE<std::int32_t>(now, at(2)), 0x1234);
  EXPECT_EQ(GetReal48(now, at(3)), -2.0);
  EXPECT_EQ(GetLE<double>(now, at(4)), 12.5);
  EXPECT_EQ(GetLE<std::int64_t>(now, at(5)), -313);  // ten-thousandths, halves away from zero
  EXPECT_EQ(GetReal48(now, at(6)), 0.75);
  EXPECT_EQ(GetLE<std::int64_t>(now, at(7)), 10313);
  EXPECT_EQ(GetLE<std::uint8_t>(now, at(8)), 0);  // real to byte is not a listed pair
}

TEST_F(ConvertTest, DatesByCharacterPositions) {
  Pol("old.pol",
      "A : string[6]; {\"\" \"D\"}\nB : string[6]; {\"\" \"d\"}\nC : string[6]; {\"\" \"D\"}\n"
      "D : string[6]; {\"\" \"d\"}\nE : string[8]; {\"\" \"Q\"}\nF : string[8]; {\"\" \"q\"}\n"
      "G : string[6]; {\"\" \"D\"}\n");
  Pol("new.pol",
      "A : string[6]; {\"\" \"d\"}\nB : string[6]; {\"\" \"D\"}\nC : string[8]; {\"\" \"Q\"}\n"
      "D : string[8]; {\"\" \"q\"}\nE : string[8]; {\"\" \"q\"}\nF : string[8]; {\"\" \"Q\"}\n"
      "G : string[8]; {\"\" \"q\"}\n");
  std::string rec = Counted("311299", 6) + Counted("991231", 6) + Counted("0102O5", 6) + Counted("l50203", 6) +
                    Counted("31122024", 8) + Counted("20241231", 8) + Counted("0102l4", 6);
  ostest::WriteRaw(P("x.dta"), rec);
  EXPECT_EQ(Convert(), 1);
  const std::string now = Data();
  const toPol out = NewLayout();
  auto item = [&](int n) { return GetCounted(now, out.items[n].offset, out.items[n].stored - 1); };
  EXPECT_EQ(item(0), "991231");
  EXPECT_EQ(item(1), "311299");
  EXPECT_EQ(item(2), "01022005");
  EXPECT_EQ(item(3), "20150203");
  EXPECT_EQ(item(4), "20241231");
  EXPECT_EQ(item(5), "31122024");
  EXPECT_EQ(item(6), "20140201");
}

TEST_F(ConvertTest, LaterItemOfTheSameNameWins) {
  Pol("old.pol", "A : string[2]; {\"\" \"X\"}\nA : string[2]; {\"\" \"X\"}\n");
  Pol("new.pol", "A : string[3]; {\"\" \"X\"}\n");
  ostest::WriteRaw(P("x.dta"), Counted("p1", 2) + Counted("p2", 2));
  EXPECT_EQ(Convert(), 1);
  EXPECT_EQ(Data(), std::string("\x03" "p2 ", 4));
}

TEST_F(ConvertTest, MissingFilesAreReported) {
  OldAndNewOfTheReview();
  EXPECT_EQ(ConvertFile(P("x.dta"), "", P("none.pol"), P("new.pol")), 0);
  EXPECT_EQ(ConvertFile(P("x.dta"), "", P("old.pol"), P("none.pol")), 0);
  EXPECT_EQ(Convert(), 0);
  EXPECT_EQ(ConvertFile(tmp.path() + "/x,dta", "", P("old.pol"), P("new.pol")), 0);  // may be absent: silent
  auto texts = notes.Texts(Kind::Message);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], Cz("Chybí popis vstupní položky ") + P("none.pol"));
  EXPECT_EQ(texts[1], Cz("Chybí popis výstupní položky ") + P("none.pol"));
  EXPECT_EQ(texts[2], Cz("Chybí vstupní soubor ") + P("x.dta"));
  // With the "," an existing file is converted all the same.
  ostest::WriteRaw(P("x.dta"), Counted("A", 3) + Counted("b", 20));
  EXPECT_EQ(ConvertFile(tmp.path() + "/x,dta", "", P("old.pol"), P("new.pol")), 1);
  EXPECT_EQ(Data().size(), 44u);
}

TEST_F(ConvertTest, OutputToAnotherFile) {
  OldAndNewOfTheReview();
  const std::string old = Counted("A", 3) + Counted("b", 20);
  ostest::WriteRaw(P("x.dta"), old);
  EXPECT_EQ(ConvertFile(P("x.dta"), P("y.dta"), P("old.pol"), P("new.pol")), 1);
  EXPECT_EQ(Data(), old);
  EXPECT_EQ(ostest::ReadRaw(P("y.dta")).size(), 44u);
}

// Layouts the buffers cannot hold are refused; length bytes beyond an item are clamped.
TEST_F(ConvertTest, UncheckedSizesAreRefusedOrClamped) {
  ostest::WriteRaw(P("x.dta"), std::string(50, 'a'));
  Pol("big.pol", "A : string[255]; {\"\" \"X\"}\n" + std::string() +
                     [] {
                       std::string s;
                       for (int i = 0; i < 40; ++i) s += "N" + std::to_string(i) + " : string[255]; {\"\" \"X\"}\n";
                       return s;
                     }());
  Pol("wide.pol", "A : string[300]; {\"\" \"X\"}\n");
  std::string many;
  for (int i = 0; i < 265; ++i) many += "N" + std::to_string(i) + " : byte; {\"\" \"\"}\n";
  Pol("many.pol", many);
  Pol("nosize.pol", "A : string; {\"\" \"X\"}\n");
  Pol("ok.pol", "A : string[2]; {\"\" \"X\"}\n");
  for (const char* bad : {"big.pol", "wide.pol", "many.pol", "nosize.pol"}) {
    notes.calls.clear();
    EXPECT_EQ(ConvertFile(P("x.dta"), "", P(bad), P("ok.pol")), 0) << bad;
    EXPECT_EQ(ConvertFile(P("x.dta"), "", P("ok.pol"), P(bad)), 0) << bad;
    EXPECT_EQ(notes.Count(Kind::Message, Cz("Chybný popis položek ")), 2) << bad << notes.Dump();
  }
  EXPECT_EQ(Data(), std::string(50, 'a'));

  Pol("old.pol", "A : string[3]; {\"\" \"X\"}\n");
  Pol("new.pol", "A : string[6]; {\"\" \"X\"}\n");
  ostest::WriteRaw(P("x.dta"), std::string("\xc8" "abc", 4));  // length byte 200 in a 3-character item
  EXPECT_EQ(Convert(), 1);
  EXPECT_EQ(Data(), std::string("\x06" "abc   ", 7));
}

// Reordered items, same record length: converted once, then recognised.
TEST_F(ConvertTest, EqualLengthsAreConvertedOnlyOnce) {
  Pol("old.pol", "A : string[3]; {\"\" \"X\"}\nB : string[7]; {\"\" \"X\"}\n");
  Pol("new.pol", "B : string[7]; {\"\" \"X\"}\nA : string[3]; {\"\" \"X\"}\n");
  const std::string old = Counted("abc", 3) + Counted("defghij", 7) + Counted("klm", 3) + Counted("nopqrst", 7);
  ostest::WriteRaw(P("x.dta"), old);
  EXPECT_EQ(Convert(), 1);
  const std::string once = Data();
  EXPECT_EQ(once, Counted("defghij", 7) + Counted("abc", 3) + Counted("nopqrst", 7) + Counted("klm", 3));
  EXPECT_EQ(Convert(), 0);
  EXPECT_EQ(Data(), once);
}

// A conversion that fails half way leaves the original bytes.
TEST_F(ConvertTest, FullDiskLeavesTheFile) {
  OldAndNewOfTheReview();
  std::string old;
  for (int i = 0; i < 400; ++i) old += Counted(std::to_string(100 + i % 900), 3) + Counted(std::string(20, 'n'), 20);
  ostest::WriteRaw(P("x.dta"), old);
  {
    FaultFileSystem faults;
    ScopedFileSystem scoped(faults);
    faults.Fail(FsOp::Write, ENOSPC, ".~x.dta");  // the new file fills the disk
    EXPECT_THROW(Convert(), IoError);
  }
  EXPECT_EQ(Data(), old);
  EXPECT_EQ(ostest::Listing(tmp.path()), "FOT.tab new.pol old.pol x.dta");
  {
    FaultFileSystem faults;
    ScopedFileSystem scoped(faults);
    faults.Fail(FsOp::Rename, EIO);
    EXPECT_THROW(Convert(), IoError);
  }
  EXPECT_EQ(Data(), old);
  EXPECT_EQ(Convert(), 1);
  EXPECT_EQ(Data().size(), 400u * 44u);
  EXPECT_EQ(FotTable::Decode(ostest::ReadRaw(P("FOT.tab"))).Encode(), FotTable().Encode());  // lock given back
}

// Another workstation has the file open. A conversion waits for it under the write
// lock, and converts nothing when the user gives up; a file with nothing to convert
// is never locked, so it opens at once.
TEST_F(ConvertTest, AnotherWorkstationHoldingTheFile) {
  OldAndNewOfTheReview();
  const std::string old = Counted("A", 3) + Counted("b", 20), converted = Counted("A", 5) + Counted("b", 30) + Counted("", 6);
  const struct {
    std::string bytes;
    bool giveUp;
    LayoutCheck::Outcome outcome;
    int waits;
    std::size_t after;
  } cases[] = {{old, false, LayoutCheck::Converted, 1, 44},
               {old, true, LayoutCheck::GivenUp, 1, 25},
               {converted, false, LayoutCheck::Unchanged, 0, 44}};
  for (const auto& c : cases) {
    ostest::WriteRaw(P("x.dta"), c.bytes);
    Session other;
    other.CurrentUser = "02";
    other.ProgDirPath = tmp.path() + "/";
    ASSERT_EQ(LockFile(other, P("x.dta"), ""), LockResult::Held);
    notes.calls.clear();
    notes.ignoreAnswer = c.giveUp;
    notes.onWait = [&](const std::string&, int) {
      if (!c.giveUp) UnlockFile(other, P("x.dta"));
    };
    EXPECT_EQ(ConvertLayout(P("x.dta"), "", P("old.pol"), P("new.pol")).outcome, c.outcome) << c.giveUp;
    EXPECT_EQ(notes.Count(Kind::LockWait, "Soubor X.DTA        R "), c.waits) << notes.Dump();
    EXPECT_EQ(Data().size(), c.after);
    UnlockFile(other, P("x.dta"));
  }
}

TEST_F(ConvertTest, ACommaInAFolderNameIsNoPoint) {
  OldAndNewOfTheReview();
  const std::string folder = tmp / "Firma, s.r.o.";
  ostest::WriteRaw(folder + "/x.dta", Counted("A", 3) + Counted("b", 20));
  EXPECT_EQ(ConvertFile(folder + "/x.dta", "", P("old.pol"), P("new.pol")), 1);
  EXPECT_EQ(ostest::ReadRaw(folder + "/x.dta").size(), 44u);
  ostest::WriteRaw(folder + "/y.dta", Counted("A", 3) + Counted("b", 20));
  EXPECT_EQ(ConvertFile(folder + "/y,dta", "", P("old.pol"), P("new.pol")), 1);  // the name's own comma
  EXPECT_EQ(ostest::ReadRaw(folder + "/y.dta").size(), 44u);
  EXPECT_EQ(ConvertFile(folder + "\\missing,dta", "", P("old.pol"), P("new.pol")), 0);
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

// A failed open or read while deciding is an error naming the file and the code,
// never "nothing to convert"; the file stays as it was.
TEST_F(ConvertTest, FailuresWhileDecidingAreErrors) {
  OldAndNewOfTheReview();
  const std::string two = Counted("A17", 3) + Counted(std::string(20, 'n'), 20) + Counted("B22", 3) +
                          Counted(std::string(20, 'm'), 20);
  struct Case {
    const char* what;
    const char* name;  // as given to the converter
    FsOp op;
    int err, skip, code;
  } cases[] = {
      {"open before the size decision", "x.dta", FsOp::Open, EACCES, 0, 5},
      {"open at the size decision", "x.dta", FsOp::Open, EACCES, 1, 5},
      {"open of a file that may be absent", "x,dta", FsOp::Open, EACCES, 0, 5},
      {"read in the text-item check", "x.dta", FsOp::Read, EIO, 0, 100},
  };
  for (const Case& c : cases) {
    ostest::WriteRaw(P("x.dta"), two);
    FaultFileSystem faults;
    ScopedFileSystem scoped(faults);
    faults.Fail(c.op, c.err, "x.dta", 1, c.skip);
    try {
      ConvertFile(tmp.path() + "/" + c.name, "", P("old.pol"), P("new.pol"));
      ADD_FAILURE() << c.what << ": no error";
    } catch (const IoError& e) {
      EXPECT_EQ(e.code, c.code) << c.what;
      EXPECT_EQ(e.file, P("x.dta")) << c.what;
      EXPECT_EQ(std::string(e.what()), "I/O error " + std::to_string(c.code) + " on " + P("x.dta")) << c.what;
    }
    EXPECT_EQ(faults.Calls(c.op) > 0, true) << c.what;
    EXPECT_EQ(Data(), two) << c.what;
  }
  EXPECT_EQ(ostest::Listing(tmp.path()), "new.pol old.pol x.dta");  // judged without a lock
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
  // Same record lengths: the text items of both layouts are read.
  Pol("old.pol", "A : string[3]; {\"\" \"X\"}\nB : string[7]; {\"\" \"X\"}\n");
  Pol("new.pol", "B : string[7]; {\"\" \"X\"}\nA : string[3]; {\"\" \"X\"}\n");
  const std::string old = Counted("abc", 3) + Counted("defghij", 7) + Counted("klm", 3) + Counted("nopqrst", 7);
  ostest::WriteRaw(P("x.dta"), old);
  for (int skip : {0, 1}) {
    FaultFileSystem faults;
    ScopedFileSystem scoped(faults);
    faults.Fail(FsOp::Read, EIO, "x.dta", 1, skip);
    EXPECT_THROW(Convert(), IoError) << skip;
    EXPECT_EQ(Data(), old);
  }
}

// Items of one type and size keep their bytes; a shorter counted text leaves the rest of
// its item as the record before left it, the same as the item-by-item conversion.
TEST_F(ConvertTest, UnchangedItemsKeepTheirBytesAndShortTextsTheTailBefore) {
  Pol("old.pol",
      "A : string[4]; { \"\" \"X\" }\nN1 : longint; { \"\" \"#\" }\nN2 : word; { \"\" \"#\" }\n"
      "N3 : byte; { \"\" \"#\" }\nR : real; { \"\" \"#\" }\nB : string[3]; { \"\" \"X\" }\n");
  Pol("new.pol",
      "N1 : longint; { \"\" \"#\" }\nN2 : word; { \"\" \"#\" }\nN3 : byte; { \"\" \"#\" }\n"
      "A : string[4]; { \"\" \"X\" }\nB : string[3]; { \"\" \"X\" }\nR : double; { \"\" \"#\" }\n"
      "Z : word; { \"\" \"#\" }\n");
  auto record = [](const std::string& a, char n, const std::string& b) {
    std::string r = a + std::string(7, n) + std::string(6, '\0') + b;
    PutReal48(r, 12, 2.5);
    return r;
  };
  const std::string old = record(Counted("abcd", 4), '\x11', Counted("xyz", 3)) +
                          record(Counted("ijkl", 4), '\x22', Counted("rst", 3)) +
                          record("\x02" "efQQ", '\x33', "\x09" "uvw");  // a short text, a length past its item
  ostest::WriteRaw(P("x.dta"), old);
  ASSERT_EQ(Convert(), 1);
  toPol in, out;
  std::string reason;
  ASSERT_TRUE(LoadLayout(P("old.pol"), "x", in, reason));
  out = NewLayout();
  for (PolItem& o : out.items)
    for (std::size_t k = 0; k < in.items.size(); ++k)
      if (in.items[k].name == o.name) o.match = static_cast<int>(k) + 1;
  std::string rec = EmptyRecord(out), expected;
  for (std::size_t at = 0; at < old.size(); at += 22) {
    ConvertRecord(in, std::string_view(old).substr(at, 22), out, rec);
    expected += rec;
  }
  const std::string now = Data();
  EXPECT_EQ(now, expected);
  ASSERT_EQ(now.size(), 3u * 26);
  EXPECT_EQ(now.substr(52, 7), std::string(7, '\x33'));
  EXPECT_EQ(now.substr(59, 5), "\x02" "efkl");
  EXPECT_EQ(now.substr(64, 4), "\x03" "uvw");
  EXPECT_EQ(GetLE<double>(now, 68), 2.5);
}

// Records are converted a block at a time; blocks and the records across them come out whole.
TEST_F(ConvertTest, ManyRecordsAcrossBlocks) {
  OldAndNewOfTheReview();
  std::string old, expected;
  const int n = 50000;  // 2.5 MB in, 4.4 MB out: several blocks and a part block
  for (int i = 0; i < n; ++i) {
    const std::string kod = std::to_string(100 + i % 900), name = "N" + std::to_string(1000000000000000000 + i);
    old += Counted(kod, 3) + Counted(name, 20);
    expected += Counted(kod + "  ", 5) + Counted(name + std::string(10, ' '), 30) + Counted(std::string(6, ' '), 6);
  }
  ostest::WriteRaw(P("x.dta"), old);
  ASSERT_EQ(Convert(), 1);
  EXPECT_TRUE(Data() == expected);
}
