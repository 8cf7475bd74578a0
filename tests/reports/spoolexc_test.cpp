// The list of ";"-separated files: full names, record counts, Enter and F8.
#include "tests/reports/spoolkit.h"

#include "common/numbers.h"
#include "common/text.h"

namespace reporttest {
namespace {

class SpoolExc : public SpoolTest {
 protected:
  reports::TfSpoolExc& exc = reports::fSpoolExc();
  void Open(std::function<void()> steps) {
    Steps([steps](ui::Form&) { steps(); });
    reports::ShowSpoolExcModal();
  }
};

TEST_F(SpoolExc, ListsFullNamesWithTheirRecordsAndTitles) {
  File("XLS/KODYBANKA.CSV", "A;B;\r\n\"1\";x\r\n\"22\";yy\r\n3;z", 2024, 5, 1);
  File("XLS/KODYBANK.CSV", "A;\r\n1;\r\n");
  File("XLS/EMPTY.CSV", "");
  File("XLS/R.txt", "not listed");
  Put("listw.tab", "KODYBANK|xx      |Banky\r\n");
  Open([&] {
    ASSERT_EQ(exc.Count, 2);
    EXPECT_EQ(exc.Entries[0].name, "KODYBANK");
    EXPECT_EQ(exc.Entries[1].name, "KODYBANKA");
    EXPECT_EQ(exc.Entries[1].amount, 3);  // four lines, the last without its end
    EXPECT_EQ(exc.Entries[1].date, "010524");
    EXPECT_EQ(exc.Entries[1].place, "XLS\\");
    EXPECT_EQ(common::StripRightSp(exc.Entries[0].title), "Banky");
    EXPECT_EQ(exc.RecordLength, 117);
    EXPECT_EQ(exc.EntryRecord(exc.Entries[1]).size(), 117u);
    EXPECT_EQ(exc.sgRol.Cell(1, 2), "   2 KODYBANK");  // shown cut to the column
    EXPECT_EQ(exc.caption(), Cz("Seznam soborů se středníky"));
    EXPECT_EQ(exc.FontColor, ui::Rgb(0, 64, 208));
  });
}

TEST_F(SpoolExc, F8ErasesExactlyTheFileShown) {
  File("XLS/KODYBANKA.CSV", "A;\r\n1;\r\n");
  File("XLS/KODYBANKA.xlsx", "book");
  File("XLS/KODYBANK.CSV", "A;\r\n1;\r\n");
  Open([&] {
    exc.GoToRecord(2, 0);
    backend.Press(vk::F(8));
    EXPECT_EQ(exc.Entries[1].name, "########");
    backend.Press(vk::F(8));
  });
  EXPECT_FALSE(Exists("XLS/KODYBANKA.CSV"));
  EXPECT_TRUE(Exists("XLS/KODYBANK.CSV"));
  EXPECT_TRUE(Exists("XLS/KODYBANKA.xlsx"));
}

TEST_F(SpoolExc, EnterExportsTheFullNameAndStays) {
  File("XLS/KODYBANKA.CSV", "A;\r\nx;\r\n");
  File("XLS/KODYBANK.CSV", "A;\r\ny;\r\n");
  Open([&] {
    exc.GoToRecord(2, 0);
    backend.Press(vk::Enter);
    EXPECT_TRUE(exc.showingModal());
    EXPECT_EQ(exc.LastKey, 10);
  });
  EXPECT_TRUE(Exists("XLS/KODYBANKA.xlsx"));
  EXPECT_FALSE(Exists("XLS/KODYBANK.xlsx"));
  EXPECT_EQ(Messages(), 0) << notes.Dump();
}

TEST_F(SpoolExc, FiveHundredAndOneFilesAndAHeaderClick) {
  for (int i = 0; i <= 500; ++i) File("XLS/F" + common::FormatNumberMask("@@@", i) + ".CSV", "A\r\n");
  Open([&] {
    ASSERT_EQ(exc.Count, 500);
    EXPECT_EQ(exc.Entries[499].name, "F500");
    EXPECT_EQ(exc.Entries[0].amount, 0);
    backend.ClickAt(exc.sgRol, exc.sgRol.colWidth(0) + exc.sgRol.colWidth(1) + 4, 2);
    EXPECT_EQ(exc.Entries[0].name, "F000");
  });
}

TEST_F(SpoolExc, AnEmptyFolderGivesAnEmptyListAndCtrlF2DoesNothing) {
  Open([&] {
    EXPECT_EQ(exc.Count, 0);
    backend.Press(ui::KeyStroke{vk::F(2), ui::Shift::Ctrl});
    EXPECT_FALSE(reports::fSpool().showingModal());
  });
  EXPECT_EQ(reports::CsvRecordCount(Path("none")), 0);
}

}  // namespace
}  // namespace reporttest
