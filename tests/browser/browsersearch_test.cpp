#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "tests/browser/rolkit.h"

namespace {

using roltest::MemList;
using roltest::RolTest;

using BrowserSearch = RolTest;

std::vector<std::string> Rows() {
  return {common::Cz("Alfa s.r.o."), common::Cz("Český svaz"), common::Cz("Beta 12 345"),
          common::Cz("Gama"),        common::Cz("Delta"),      common::Cz("Alfa II")};
}

TEST_F(BrowserSearch, F3TypedTextF3FindsIgnoringAccentsAndCase) {
  MemList list(Rows());
  list.Open(1);
  Show(list);
  Keys("F3");
  EXPECT_TRUE(list.eHled.enabled());
  EXPECT_EQ(list.activeControl(), &list.eHled);
  EXPECT_EQ(list.eHled.color(), ui::colors::Yellow);
  backend.Type("cesky");
  Keys("F3");
  EXPECT_EQ(list.Current, 2);
  EXPECT_EQ(list.Shown(list.CursorRow()), common::Cz("Český svaz"));
  EXPECT_FALSE(list.eHled.enabled());
  EXPECT_EQ(list.activeControl(), &list.sgRol);
  EXPECT_EQ(list.lHelp.text(), "F1-Help F3-Hledej");
  EXPECT_FALSE(list.SecondPass);
}

TEST_F(BrowserSearch, SecondPassDropsBlanksAndPunctuation) {
  MemList list(Rows());
  list.Open(1);
  Show(list);
  Keys("F3");
  backend.Type("12.345");
  Keys("Ctrl+F3");  // the same search as F3
  EXPECT_EQ(list.Current, 3);
  EXPECT_TRUE(list.SecondPass);
  EXPECT_EQ(browser::NormalizeSearchText("a, b-c.d e"), "abcde");
}

TEST_F(BrowserSearch, StartsAfterTheCursorAndWraps) {
  MemList list(Rows());
  list.Open(1);
  list.eHled.SetText("alfa");
  list.SearchNext();
  EXPECT_EQ(list.Current, 6);
  list.SearchNext();
  EXPECT_EQ(list.Current, 1);
  list.NoWrap = true;
  list.SearchNext();
  EXPECT_EQ(list.Current, 6);
  EXPECT_EQ(list.SearchScan("ALFA"), 0);  // stops at the last record
}

TEST_F(BrowserSearch, TheRecordUnderTheCursorIsNotFound) {
  MemList list(Rows());
  list.Open(4);
  list.reads = 0;
  list.eHled.SetText("gama");
  list.SearchNext();
  EXPECT_EQ(list.Current, 4);
  EXPECT_EQ(list.reads, 2 * 5);  // two passes over the other five
  EXPECT_EQ(list.SearchScan("GAMA"), -1);
}

TEST_F(BrowserSearch, EndsAfterOneRoundWhereverTheCursorIs) {
  MemList list(Rows());
  list.Open(1);
  for (std::int32_t current : {-1, 0, 7, 1000}) {
    list.Current = current;
    list.reads = 0;
    EXPECT_EQ(list.SearchScan("NOWHERE"), -1) << current;
    EXPECT_EQ(list.reads, 6) << current;
  }
  EXPECT_EQ(list.SearchScan(""), -1);
}

TEST_F(BrowserSearch, EscLeavesTheBoxWithoutSearching) {
  MemList list(Rows());
  list.Open(1);
  Show(list);
  Keys("F3");
  backend.Type("delta");
  Keys("Esc");
  EXPECT_EQ(list.Current, 1);
  EXPECT_FALSE(list.eHled.enabled());
  EXPECT_FALSE(list.closeRequested());
  EXPECT_EQ(list.activeControl(), &list.sgRol);
}

TEST_F(BrowserSearch, ExactSearchKeepsCaseAndAccents) {
  MemList list(Rows());
  list.Open(1);
  list.ExactSearch = true;
  EXPECT_EQ(list.SearchScan(common::Cz("svaz")), -1);  // the base search text is upper case
  EXPECT_EQ(list.SearchScan(common::Cz("CESKY")), 2);
}

TEST_F(BrowserSearch, WalksALargeListInOneRound) {
  std::vector<std::string> rows(50000, "x");
  rows[41234] = "needle";
  MemList list(rows);
  list.Open(45000);
  list.reads = 0;
  EXPECT_EQ(list.SearchScan("NEEDLE"), 41235);
  EXPECT_EQ(list.reads, 50000 - 45000 + 41235);
  EXPECT_TRUE(list.lHelp.enabled());
}

}  // namespace
