// The report list: the scan, the catalogue titles, the five sorts, Enter and F8.
#include "tests/reports/spoolkit.h"

#include <cerrno>

#include "browser/rol.h"
#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/text.h"

namespace reporttest {
namespace {

using reports::SpoolEntry;

class Spool : public SpoolTest {};

TEST_F(Spool, ScanSkipsEmptyFilesAndNamesSizesAndDatesTheRest) {
  File("empty.txt", "");
  File("ofarl001.txt", std::string(2500, 'x'), 2023, 1, 5);
  File("R1.TXT", "abc", 2024, 6, 12);
  File("note.csv", "not a report");
  OpenSpool([&] {
    ASSERT_EQ(list.Count, 2);
    const SpoolEntry& a = list.Entries[0];
    EXPECT_EQ(a.name, "OFARl001");
    EXPECT_EQ(a.amount, 3);
    EXPECT_EQ(a.date, "050123");
    EXPECT_EQ(a.place, Here());
    EXPECT_EQ(list.Entries[1].name, "R1");
    EXPECT_EQ(list.Entries[1].amount, 1);
    // Rows: the position, then the name cut to its column; the header over them.
    EXPECT_EQ(list.sgRol.Cell(1, 0), "     Soubor" + std::string(25, ' '));
    EXPECT_EQ(list.sgRol.Cell(1, 1), "   1 OFARl001" + std::string(22, ' '));
    EXPECT_EQ(list.sgRol.Cell(3, 1), "05.01.23");
    EXPECT_EQ(common::StripLeftSp(list.sgRol.Cell(2, 2)), "1");
    EXPECT_EQ(list.Current, 2);  // the last entry, as the bottom row
    EXPECT_EQ(list.caption(), Cz("Seznam tiskových sestav"));
  });
}

TEST_F(Spool, TheRecordIsTheEntryLayout) {
  File("ABC.txt", "line");
  OpenSpool([&] {
    const std::string rec = list.EntryRecord(list.Entries[0]);
    ASSERT_EQ(rec.size(), 139u);
    EXPECT_EQ(list.RecordLength, 139);
    EXPECT_EQ(rec.substr(0, 4), std::string("\x1E") + "ABC");
    EXPECT_EQ(common::GetLE<std::int32_t>(rec, 31), 1);
    EXPECT_EQ(rec.substr(35, 7), "\x06" "120624");
    EXPECT_EQ(common::GetCounted(rec, 88, 50), Here());
  });
}

TEST_F(Spool, AThousandAndOneFilesKeepTheLastFoundInTheLastEntry) {
  for (int i = 0; i <= 1000; ++i) File("R" + common::FormatNumberMask("@@@@", i) + ".txt", "x");
  OpenSpool([&] {
    ASSERT_EQ(list.Count, 1000);
    EXPECT_EQ(list.Entries[998].name, "R0998");
    EXPECT_EQ(list.Entries[999].name, "R1000");
  });
}

TEST_F(Spool, TheFolderListNamesTheFoldersScanned) {
  File("a/X1.txt", "x");
  File("b/Y1.txt", "y");
  File("Z1.txt", "z");
  Put("_sestavy.kde", "a\\\r\nb\\\r\nmissing\\\r\n");
  OpenSpool([&] {
    ASSERT_EQ(Names(list), (std::vector<std::string>{"X1", "Y1"}));
    EXPECT_EQ(list.Entries[0].place, "a\\");
    EXPECT_EQ(list.EntryReport(2), "b\\Y1");
  });
}

// A catalogue and a folder list saved without a line end after their last line are
// read whole: the last line is a title, and a folder to look in.
TEST_F(Spool, TheLastLineWithoutItsEndIsALineOfTheCatalogueAndTheFolderList) {
  File("a/X1.txt", "x");
  File("b/Y1.txt", "y");
  Put("_sestavy.kde", "a\\\nb\\");
  Put("listw.tab", "X1      |OF      |Prvni\r\nY1      |OF      |Druha");
  OpenSpool([&] {
    ASSERT_EQ(Names(list), (std::vector<std::string>{"X1", "Y1"}));
    EXPECT_EQ(common::StripRightSp(list.Entries[0].title), "Prvni");
    EXPECT_EQ(common::StripRightSp(list.Entries[1].title), "Druha");
  });
  EXPECT_EQ(Messages(), 0);
}

TEST_F(Spool, CatalogueTitlesWithWildcardsAndTheLaterLineWinning) {
  File("OFAR0001.txt", "x");
  File("OFAR0002.txt", "x");
  File("OFARL003.txt", "x");
  File("OFAR1003.txt", "x");
  File("XY.txt", "x");
  Put("listw.tab",
      "OFAR****|OF      |Archiv faktur\r\n"
      "OFAR0002 Druha faktura\r\n"
      "OFARL003|OF      |Cast l\r\n"
      "XY\r\n");
  OpenSpool([&] {
    ASSERT_EQ(list.Count, 5);
    auto title = [&](int n) { return common::StripRightSp(list.Entries[static_cast<std::size_t>(n - 1)].title); };
    EXPECT_EQ(title(1), "Archiv faktur");
    EXPECT_EQ(title(2), "Druha faktura");
    EXPECT_EQ(title(3), "Archiv faktur");  // OFAR1003: "ARL" is not "AR1"
    EXPECT_EQ(title(4), "Cast l");          // OFARl003 matches the catalogue's "OFARL003"
    EXPECT_EQ(title(5), "");                // a line shorter than 8 matches nothing
    EXPECT_EQ(list.Entries[0].title.size(), 45u);
  });
  EXPECT_EQ(Messages(), 0);
}

TEST_F(Spool, AMissingCatalogueGivesNoTitlesAndAnUnreadableOneOneMessage) {
  File("R.txt", "x");
  OpenSpool([&] { EXPECT_EQ(common::StripRightSp(list.Entries[0].title), ""); });
  EXPECT_EQ(Messages(), 0);
  std::filesystem::create_directory(dir / "listw.tab");
  OpenSpool([&] { EXPECT_EQ(list.Count, 1); });
  EXPECT_EQ(Messages(), 1) << notes.Dump();
}

// A catalogue too big or of random bytes, a folder list of random bytes or a folder in
// its place: each opening says once which file is damaged and uses nothing of it (no
// title, only the start folder's reports); the spreadsheet list says it of the
// catalogue too, and the archive titles leave the damaged catalogue byte for byte.
TEST_F(Spool, ADamagedCatalogueOrFolderListIsSaidOnceAndNothingOfItIsUsed) {
  File("R2.txt", "x");
  File("a/X1.txt", "x");
  File("XLS/R2.CSV", "1;\r\n");
  Put("OFCRP.DTA", "0001Title\r\n");
  std::string random(240, '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 151 + 3) % 256);
  random.replace(30, 24, "\r\nR2       Seznam bank\r\n");  // a line a reader would take
  std::string big;
  while (big.size() <= 1u << 20) big += "R2      |OF      |Seznam bank\r\n";
  const struct {
    const char* what;
    std::function<void()> damage;
    const char* file;
    std::string said;
  } cases[] = {
      {"catalogue too big", [&] { Put("listw.tab", big); }, "listw.tab",
       Cz(" je příliš velký (") + std::to_string(big.size()) + Cz(" B); názvy sestav z něj nepoužívám")},
      {"catalogue random", [&] { Put("listw.tab", random); }, "listw.tab",
       Cz(" není textový soubor; názvy sestav z něj nepoužívám")},
      {"folder list random", [&] { Put("_sestavy.kde", random.substr(0, 30) + "\r\na\\\r\n" + random); }, "_sestavy.kde",
       Cz(" není textový soubor; ukazuji jen sestavy startovní složky")},
      {"folder list a folder", [&] { std::filesystem::create_directories(Path("_sestavy.kde/a")); }, "_sestavy.kde",
       Cz(" je složka, ne soubor; ukazuji jen sestavy startovní složky")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* name : {"listw.tab", "_sestavy.kde"}) std::filesystem::remove_all(dir / name);
    Put("listw.tab", "R2      |OF      |Seznam bank\r\n");
    c.damage();
    const bool catalogue = std::string(c.file) == "listw.tab";
    notes.calls.clear();
    OpenSpool([&] {
      ASSERT_EQ(Names(list), std::vector<std::string>{"R2"});
      EXPECT_EQ(list.Entries[0].place, Here());
      EXPECT_EQ(common::StripRightSp(list.Entries[0].title), catalogue ? "" : "Seznam bank");
    });
    const std::vector<std::string> said = notes.Texts(common::RecordingNotifier::Kind::Message);
    ASSERT_EQ(said.size(), 1u) << notes.Dump();
    EXPECT_TRUE(said[0].starts_with(Cz("Soubor ")) && said[0].ends_with(c.file + c.said)) << said[0];
    if (!catalogue) continue;
    const std::string before = Bytes("listw.tab");
    notes.calls.clear();
    Steps([](ui::Form&) {});
    reports::ShowSpoolExcModal();
    list.SetupSpool();
    list.A1Click();
    list.CloseBrowse();
    EXPECT_EQ(Bytes("listw.tab"), before);
    EXPECT_EQ(notes.Count(common::RecordingNotifier::Kind::Message, Cz("Soubor ")), 3) << notes.Dump();
  }
}

TEST_F(Spool, AnEmptyFolderDoesNotReadTheCatalogue) {
  std::filesystem::create_directory(dir / "listw.tab");
  OpenSpool([&] { EXPECT_EQ(list.Count, 0); });
  EXPECT_EQ(Messages(), 0);
}

TEST_F(Spool, SortsBySizeTitleAndPlaceKeepingTheCurrentEntry) {
  File("A.txt", std::string(5000, 'x'));
  File("B.txt", std::string(1000, 'x'));
  File("C.txt", std::string(3000, 'x'));
  Put("listw.tab", "A       |xx      |Zeta\r\nB       |xx      |Alfa\r\nC       |xx      |Alfa\r\n");
  OpenSpool([&] {
    list.GoToRecord(1, 0);  // A
    list.Dlevelikosti1.onClick(list.Dlevelikosti1);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(list.Current, 3);
    EXPECT_EQ(list.Entries[static_cast<std::size_t>(list.Current - 1)].name, "A");
    list.Dleirhonzvu1.onClick(list.Dleirhonzvu1);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"B", "C", "A"}));  // equal titles keep their order
    list.SortByColumn(1);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"A", "B", "C"}));
    list.SortByColumn(5);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"A", "B", "C"}));
  });
}

TEST_F(Spool, TheDateOrderFlipsWithEveryChoice) {
  File("OLD.txt", "x", 1999, 3, 1);
  File("MID.txt", "x", 2005, 3, 1);
  File("NEW.txt", "x", 2024, 6, 12);
  OpenSpool([&] {
    list.Dledata1.onClick(list.Dledata1);
    // Two-digit years: 99 comes after 05 and 24.
    EXPECT_EQ(Names(list), (std::vector<std::string>{"MID", "NEW", "OLD"}));
    list.Dledata1.onClick(list.Dledata1);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"OLD", "NEW", "MID"}));
  });
}

TEST_F(Spool, AHeaderClickSortsByItsColumn) {
  File("A.txt", std::string(5000, 'x'));
  File("B.txt", "x");
  OpenSpool([&] {
    int x = list.sgRol.colWidth(0) + list.sgRol.colWidth(1) + 4;
    backend.ClickAt(list.sgRol, x, 2);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"B", "A"}));
  });
}

TEST_F(Spool, F8ErasesTheReportAndItsPackedCopyOnce) {
  File("R.TXT", "report");
  File("R.txz", "packed");
  File("S.txt", "other");
  OpenSpool([&] {
    list.GoToRecord(1, 0);
    backend.Press(vk::F(8));
    EXPECT_FALSE(Exists("R.TXT"));
    EXPECT_FALSE(Exists("R.txz"));
    EXPECT_TRUE(Exists("S.txt"));
    EXPECT_EQ(list.Entries[0].name, "########");
    EXPECT_EQ(list.sgRol.Cell(1, 1).substr(0, 13), "   1 ########");
    Put("R.TXT", "new");
    backend.Press(vk::F(8));
    EXPECT_TRUE(Exists("R.TXT"));
  });
}

TEST_F(Spool, F8OnAFileThatCannotBeErasedLeavesTheEntry) {
  File("R.txt", "report");
  OpenSpool([&] {
    common::FaultFileSystem fs;
    common::ScopedFileSystem scoped(fs);
    fs.Fail(common::FsOp::Unlink, EACCES, "R.txt");
    backend.Press(vk::F(8));
    EXPECT_TRUE(Exists("R.txt"));
    EXPECT_EQ(list.Entries[0].name, "R");
  });
  EXPECT_EQ(Messages(), 1) << notes.Dump();
}

TEST_F(Spool, EnterAndSpacePrintTheFullNameAndStayInTheList) {
  RecordingViewer viewer;
  browser::SetReportServices(&viewer, &viewer, nullptr);
  const std::string longName = "SESTAVA_S_VELMI_DLOUHYM_NAZVEM_123";
  File(longName + ".txt", "abcdef");
  File("B.txt", "abcdef");
  OpenSpool([&] {
    EXPECT_EQ(list.sgRol.Cell(1, 2), "   2 " + longName.substr(0, 30));
    backend.Press(vk::Enter);
    EXPECT_TRUE(list.showingModal());
    EXPECT_EQ(list.LastKey, 10);
    list.GoToRecord(1, 0);
    backend.Press(vk::Space);
  });
  ASSERT_EQ(viewer.shown.size(), 2u);
  EXPECT_EQ(viewer.shown[0], Here() + longName + ".txt");
  EXPECT_EQ(viewer.shown[1], Here() + "B.txt");
  EXPECT_EQ(list.Current, -1);
}

TEST_F(Spool, F4AndF5DoNothingAndEscLeavesNoEntryCurrent) {
  File("R.txt", "abc");
  OpenSpool([&] {
    backend.Press(vk::F(4));
    backend.Press(vk::F(5));
    EXPECT_EQ(list.Count, 1);
    EXPECT_TRUE(list.showingModal());
    EXPECT_TRUE(list.EnterEdits);
    EXPECT_FALSE(list.MayAdd);
  });
  EXPECT_EQ(list.Current, -1);
  EXPECT_EQ(Bytes("R.txt"), "abc");
}

TEST_F(Spool, CtrlRightClickEnablesTheServiceItems) {
  File("R.txt", "x");
  OpenSpool([&] {
    auto enabled = [&](const char* name) { return list.PopupMenu1.Find(name)->enabled; };
    EXPECT_TRUE(enabled("c1"));
    EXPECT_FALSE(enabled("g1"));
    EXPECT_FALSE(enabled("DleN8zvu1"));
    backend.RightClick(list.sgRol, ui::Shift::Ctrl);
    for (const char* name : {"A1", "b1", "d1", "e1", "f1", "g1", "h1", "i1", "j1", "k1"}) EXPECT_TRUE(enabled(name)) << name;
    EXPECT_FALSE(enabled("DleN8zvu1"));
    EXPECT_FALSE(list.PopupMenu1.Find("Prekoduj1")->visible);
  });
}

TEST_F(Spool, CtrlF2OfEveryWindowShowsTheList) {
  File("R.txt", "x");
  bool shown = false;
  Steps([&](ui::Form& f) {
    shown = &f == &list;
    EXPECT_EQ(list.Count, 1);
    // The list's own Ctrl+F2 does not open it again.
    backend.Press(ui::KeyStroke{vk::F(2), ui::Shift::Ctrl});
  });
  ASSERT_TRUE(browser::RolHooks().showReportList);
  browser::RolHooks().showReportList();
  EXPECT_TRUE(shown);
  EXPECT_EQ(list.Entries.size(), 0u);  // closed afterwards
}

}  // namespace
}  // namespace reporttest
