// A header click in each piece window over a folder holding every piece: the
// window's own list is shown sorted, and no other file of the folder changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "browser/indexfiles.h"
#include "combined/ciwindows.h"
#include "combined/fci92.h"
#include "combined/pieces.h"
#include "tests/browser/soubkit.h"

namespace {

class PieceSort : public soubtest::SoubTest {
 protected:
  // Three records of the list, keyed "3", "1", "2" in this order.
  std::string Records(int list) const {
    std::string bytes;
    for (const char* key : {"3", "1", "2"}) {
      if (const combined::PieceSpec* p = combined::FindPiece(list)) {
        std::string rec = p->EmptyRecord();
        p->Put(rec, p->keyField, key);
        bytes += rec;
      } else {
        combined::Ci01Record r = combined::Ci01Record::Blank();
        r.ts = std::string("0") + key;
        bytes += r.Bytes();
      }
    }
    return bytes;
  }
  // Every piece in the data folder, as the split writes them.
  void WriteAllPieces() const {
    for (const int list : combined::PieceOrder())
      WriteData(list == combined::kRestList ? combined::kRestPiece : combined::FindPiece(list)->FileName(), Records(list));
  }
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(DataPath("")))
      out[e.path().filename().string()] = ostest::ReadRaw(e.path().string());
    return out;
  }
};

TEST_F(PieceSort, AHeaderClickInEveryPieceWindowSortsItsListAndLeavesEveryOtherPiece) {
  WriteAllPieces();
  for (const auto& spec : combined::PieceWindowSpecs()) {
    auto before = Files();
    combined::TfCiPiece w(spec);
    w.Setup();
    ASSERT_EQ(w.Count, 3) << spec.className;
    const std::string index = browser::IndexFileName(w.DataFilePath, 1);
    w.SortByColumn(1);
    // The shown order: keys 1, 2, 3 (records 2, 3, 1).
    EXPECT_EQ(w.ActiveOrder, 1) << spec.className;
    std::vector<std::int32_t> shown;
    for (std::int32_t p = 1; p <= 3; ++p) shown.push_back(w.IndexPositionToRecord(p));
    EXPECT_EQ(shown, (std::vector<std::int32_t>{2, 3, 1})) << spec.className;
    w.CloseBrowse();
    auto after = Files();
    const std::string indexName = std::filesystem::path(index).filename().string();
    EXPECT_EQ(after.count(indexName), 1u) << spec.className << " " << indexName;
    EXPECT_FALSE(before.count(indexName)) << spec.className << " " << indexName << " names a file already there";
    // Besides the lock tables and the index files of the windows, byte for byte.
    for (auto* files : {&before, &after})
      std::erase_if(*files, [](const auto& f) {
        return f.first == "FOT.tab" || f.first == "JMENA.tab" || f.first.find(".IX") != std::string::npos;
      });
    EXPECT_EQ(after, before) << spec.className;
    EXPECT_TRUE(Messages().empty()) << spec.className << ": " << (Messages().empty() ? "" : Messages()[0]);
  }
}

TEST_F(PieceSort, IndexNamesOfPiecesAreTheirOwnAndOthersKeepTheirs) {
  EXPECT_EQ(browser::IndexFileName("CI.10", 1), "CI.10.IX1");
  EXPECT_EQ(browser::IndexFileName("ci.99", 4), "ci.99.IX4");
  EXPECT_EQ(browser::IndexFileName("CI10.DTA", 1), "CI10.DT1");
  EXPECT_EQ(browser::IndexFileName("=.\\OBCE.TXT", 2), "=.\\OBCE.TX2");
  // No index name of a piece is a piece or a code list of the program.
  for (const int list : combined::PieceOrder()) {
    const std::string piece = list == combined::kRestList ? combined::kRestPiece : combined::FindPiece(list)->FileName();
    for (int k = 1; k <= browser::kIndexFiles; ++k) {
      const std::string name = browser::IndexFileName(piece, k);
      EXPECT_NE(name, piece);
      for (const int other : combined::PieceOrder())
        EXPECT_NE(common::UpperCz(name), common::UpperCz(other == combined::kRestList ? combined::kRestPiece
                                                                                       : combined::FindPiece(other)->FileName()));
    }
  }
}

TEST_F(PieceSort, ASortKilledHalfWayLeavesNothingTheNextSortDoesNotClear) {
  WriteAllPieces();
  combined::TfCiPiece w(*combined::FindPieceWindow(10));
  w.Setup();
  // What a run killed while writing the index left beside it.
  const std::string index = browser::IndexFileName(w.DataFilePath, 1);
  const std::string left = DataPath(common::ReplacementTempName(std::filesystem::path(index).filename().string(), 4711, 0, 12345));
  ostest::WriteRaw(left, std::string(8, '\x01'));
  const std::string other = DataPath(common::ReplacementTempName("CI.11.IX1", 4711, 0, 12345));  // another list's: not this step's
  ostest::WriteRaw(other, "x");
  w.SortByColumn(1);
  w.CloseBrowse();
  EXPECT_FALSE(std::filesystem::exists(left));
  EXPECT_TRUE(std::filesystem::exists(other));
  EXPECT_EQ(ReadData("CI.10.IX1").size(), 24u);
}

// A new split makes the pieces anew: the sort orders kept for the old ones go with them.
TEST_F(PieceSort, ASplitRemovesTheSortOrdersOfTheOldPieces) {
  WriteAllPieces();
  for (const int list : {10, 99}) {
    combined::TfCiPiece w(*combined::FindPieceWindow(list));
    w.Setup();
    w.SortByColumn(1);
    w.CloseBrowse();
  }
  ASSERT_TRUE(std::filesystem::exists(DataPath("CI.10.IX1")));
  ASSERT_TRUE(std::filesystem::exists(DataPath("ci.99.IX1")));
  WriteData("CI01.DTA", "");
  ASSERT_TRUE(combined::fCI92().SplitCodeLists());
  EXPECT_FALSE(std::filesystem::exists(DataPath("CI.10.IX1")));
  EXPECT_FALSE(std::filesystem::exists(DataPath("ci.99.IX1")));
}

}  // namespace
