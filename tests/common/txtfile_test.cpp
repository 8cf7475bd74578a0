#include "common/txtfile.h"

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/notifier.h"
#include "common/scramble.h"
#include "common/session.h"
#include "tests/common/os_tempdir.h"

using namespace common;
using Kind = RecordingNotifier::Kind;

namespace {

struct TxtFileTest : ::testing::Test {
  ostest::TempDir tmp;
  RecordingNotifier notes;
  ScopedNotifier scopedNotes{notes};
  Session session;
  std::string Lines(int n, int len, char first = 'a') {
    std::string s;
    for (int i = 0; i < n; ++i) s += std::string(len, static_cast<char>(first + i)) + "\r\n";
    return s;
  }
};

}  // namespace

TEST_F(TxtFileTest, MeasuresAnExistingFile) {
  ostest::WriteRaw(tmp / "r.txt", Lines(3, 80));
  tTxt t;
  TxtOpen(session, t, tmp / "r.txt");
  EXPECT_EQ(t.lineLength, 80);
  EXPECT_EQ(t.lineCount, 3);
  std::string s = "unchanged";
  TxtReadLine(t, 2, s);
  EXPECT_EQ(s, std::string(80, 'b'));
  TxtReadLine(t, 0, s);
  TxtReadLine(t, 4, s);
  EXPECT_EQ(s, std::string(80, 'b'));
  TxtClose(t);
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(TxtFileTest, NewFileHasLinesOf132) {
  tTxt t;
  TxtOpen(session, t, tmp / "new.txt");
  EXPECT_EQ(t.lineLength, 132);
  EXPECT_EQ(t.lineCount, 0);
  TxtWriteLine(t, 1, "abc");
  TxtClose(t);
  EXPECT_EQ(ostest::ReadRaw(tmp / "new.txt"), "abc" + std::string(129, ' ') + "\r\n");
}

// A one-line file, or one with lines of unequal length, keeps its content.
TEST_F(TxtFileTest, ExistingContentIsNeverErased) {
  const std::string one = std::string(80, 'x') + "\r\n";
  ostest::WriteRaw(tmp / "one.txt", one);
  tTxt t;
  TxtOpen(session, t, tmp / "one.txt");
  EXPECT_EQ(t.lineLength, 80);
  EXPECT_EQ(t.lineCount, 1);
  TxtClose(t);
  EXPECT_EQ(ostest::ReadRaw(tmp / "one.txt"), one);

  const std::string uneven = "kratky\r\ndelsi radek\r\nx\r\n";
  ostest::WriteRaw(tmp / "uneven.txt", uneven);
  tTxt u;
  TxtOpen(session, u, tmp / "uneven.txt");
  EXPECT_EQ(u.lineLength, 6);
  std::string s;
  TxtReadLine(u, 1, s);
  EXPECT_EQ(s, "kratky");
  TxtClose(u);
  EXPECT_EQ(ostest::ReadRaw(tmp / "uneven.txt"), uneven);

  const std::string noLineEnd = "no line end at all";
  ostest::WriteRaw(tmp / "raw.txt", noLineEnd);
  tTxt v;
  TxtOpen(session, v, tmp / "raw.txt");
  TxtClose(v);
  EXPECT_EQ(ostest::ReadRaw(tmp / "raw.txt"), noLineEnd);
}

TEST_F(TxtFileTest, WriteAppendsOnlyTheNextLine) {
  ostest::WriteRaw(tmp / "r.txt", Lines(2, 10));
  tTxt t;
  TxtOpen(session, t, tmp / "r.txt");
  TxtWriteLine(t, 4, "skipped");  // count + 2
  TxtWriteLine(t, 0, "skipped");
  EXPECT_EQ(t.lineCount, 2);
  TxtWriteLine(t, 3, "appended and far too long");
  EXPECT_EQ(t.lineCount, 3);
  TxtWriteLine(t, 1, "   right");  // leading blanks stay
  TxtClose(t);
  EXPECT_EQ(ostest::ReadRaw(tmp / "r.txt"), "   right  \r\n" + std::string(10, 'b') + "\r\nappended a\r\n");
}

TEST_F(TxtFileTest, ScrambledLines) {
  session.ScrambleOn = 1;
  session.ScrambleKey = ProgramScrambleKey();
  tTxt t;
  TxtOpen(session, t, tmp / "s.txt");
  TxtWriteLine(t, 1, Cz("Jan Novák"));
  TxtClose(t);
  std::string raw = ostest::ReadRaw(tmp / "s.txt");
  ASSERT_EQ(raw.size(), 134u);
  std::string padded = Cz("Jan Novák") + std::string(123, ' ');
  EXPECT_EQ(raw.substr(0, 132), ScrambleText(padded, session.ScrambleKey));
  EXPECT_EQ(raw.substr(132), "\r\n");
  TxtOpen(session, t, tmp / "s.txt");
  std::string s;
  TxtReadLine(t, 1, s);
  EXPECT_EQ(s, padded);
  TxtClose(t);
}

TEST_F(TxtFileTest, MissingFolderIsReported) {
  tTxt t;
  TxtOpen(session, t, tmp / "nothere/r.txt");
  EXPECT_EQ(notes.Texts(Kind::Message), std::vector<std::string>{Cz("Neexistuje složka ") + (tmp / "nothere/r.txt")});
  TxtWriteLine(t, 1, "x");  // nothing happens, nothing breaks
  TxtClose(t);
  EXPECT_EQ(notes.calls.size(), 1u);
}
