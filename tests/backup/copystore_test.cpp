// The rules of the copy store, one table per rule.
#include <gtest/gtest.h>

#include "backup/copystore.h"

namespace {

using namespace backup;

TEST(BackupCopyStore, TailDropsTheFirstTwoComponents) {
  EXPECT_EQ(DataPathTail("F:\\APP\\DATA\\FIRMA1\\"), "DATA\\FIRMA1\\");
  EXPECT_EQ(DataPathTail("C:\\A\\"), "");
  EXPECT_EQ(DataPathTail("D:\\tv3\\UCTO 2023\\"), "UCTO 2023\\");
  EXPECT_EQ(DataPathTail("nothing"), "nothing");
  EXPECT_EQ(SetFolder('C', "DATA\\F1\\", "TAVONA"), "C:\\tv3\\DATA\\F1\\TAVONA\\");
}

TEST(BackupCopyStore, NumbersRotateThroughTwenty) {
  const int cases[][2] = {{0, 1}, {1, 2}, {19, 20}, {20, 1}, {57, 1}, {-3, 1}};
  for (const auto& c : cases) EXPECT_EQ(NextCopyNumber(c[0]), c[1]) << c[0];
  EXPECT_EQ(CopyFolderName(7), "kopie.007");
  EXPECT_EQ(SideFileName(12), "kopie.012.adr");
}

TEST(BackupCopyStore, MarkerIsThirteenCharactersWithTheSetCutOrPadded) {
  EXPECT_EQ(MarkerLine("0042", true, "TAVONA", ""), "0042 P TAVONA");
  EXPECT_EQ(MarkerLine("0042", true, "UZ", "").size(), 13u);
  EXPECT_EQ(MarkerLine("0042", true, "UZ", ""), "0042 P UZ    ");
  EXPECT_EQ(MarkerLine("0042", false, "LONGSETNAME", ""), "0042   LONGSE");
  EXPECT_EQ(MarkerLine("0001", true, "TAVONA", "pc :003"), "0001 P TAVONA | pc :003");
}

TEST(BackupCopyStore, ListLinesCarryTheNumberInColumnsTwelveToFourteen) {
  const std::string line = CopyListLine(3, "kopie.017", "note");
  EXPECT_EQ(line, "   3 kopie.017 note");
  EXPECT_EQ(CopyNumberOfLine(line), 17);
  EXPECT_EQ(CopyNumberOfLine("   1 xyz"), 0);
  const std::pair<const char*, bool> names[] = {{"kopie.001", true}, {"KOPIE.020", true}, {"kopie.01", false},
                                                {"kopie.0a1", false}, {"kopie.0011", false}, {"wrk.abc", false}};
  for (const auto& [name, ok] : names) EXPECT_EQ(IsCopyFolderName(name), ok) << name;
}

TEST(BackupCopyStore, NoteNamesTheComputerAfterTheColon) {
  const std::pair<const char*, int> notes[] = {{"Firma :007 x", 7}, {"003", 3}, {"x:  5", 5}, {"abc", -1}, {"", -1}};
  for (const auto& [note, pc] : notes) EXPECT_EQ(NoteComputer(note), pc) << note;
}

TEST(BackupCopyStore, TrimKeepsInnerBlanks) {
  EXPECT_EQ(TrimBlanks("  C:\\tv3\\UCTO 2023\\  "), "C:\\tv3\\UCTO 2023\\");
  const std::string series = RandomSeries();
  ASSERT_EQ(series.size(), 4u);
  EXPECT_LE(std::stoi(series), 9998);
}

}  // namespace
