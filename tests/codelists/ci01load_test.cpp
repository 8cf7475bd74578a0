// The loads from the combined code-list file: the reader, the group walk and the
// mappings of lists 10, 30, 13 and 18 (those of 24, 25, 35, 51 and 65 are tested with
// their lists), and a combined file that cannot be read.
#include "codelists/chart.h"
#include "codelists/ci01load.h"
#include "codelists/livestock.h"
#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/locking.h"
#include "tests/codelists/ci01kit.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::Ci01;
using cltest::kOld;
using cltest::kToday;
using cltest::Strings;
using cltest::Trimmed;
using common::Cz;
using CodeListCi01Load = cltest::CodeListTest;

TEST_F(CodeListCi01Load, TheReaderReadsWholeRecords) {
  WriteData("CI01.DTA", Ci01("35", "000120", "2", "00", {"Vyroba", "x"}, "221010") + Ci01("51", "000100", "3", "10") + "abc");
  Ci01Reader reader;
  ASSERT_EQ(reader.Open(DataPath("CI01.DTA")), 0);
  EXPECT_EQ(reader.Count(), 2);
  Ci01Record r;
  ASSERT_EQ(reader.Read(1, r), 0);
  EXPECT_EQ(r.ts, "35");
  EXPECT_EQ(r.klic, "000120");
  EXPECT_EQ(r.p, "2");
  EXPECT_EQ(r.cv, "00");
  EXPECT_EQ(r.u[1], "x     ");
  EXPECT_EQ(r.date, "221010");
  EXPECT_EQ(Ci01Name(r), "Vyrobax" + std::string(23, ' '));
  EXPECT_NE(reader.Read(3, r), 0);
  Ci01Reader missing;
  EXPECT_EQ(missing.Open(DataPath("NONE.DTA")), 2);
}

TEST_F(CodeListCi01Load, ChartOfAccounts) {
  WriteData("CI01.DTA", cltest::Joined({
                            Ci01("10", "311000", "6", "00", {"Odběr", "atelé"}, "200202"),
                            Ci01("10", "311000", "6", "10", {"002001", "022021", "A  123", "     K", "     S"}),
                            Ci01("10", "311000", "6", "11", {"", "025024"}),
                            Ci01("10", "311000", "6", "00", {"Odběra", "telé t", "uzemsk", "o"}, "200303"),  // overwrites the name
                            Ci01("10", "321000", "3", "00", {"P není 6"}),
                            Ci01("11", "321000", "6", "00", {"Jiný seznam"}),
                            Ci01("10", "211000", "6", "00", {"Poklad", "na"}, "190101"),
                        }));
  WriteList(Cis10Spec(), {"100000"});
  TfCis10& w = fCis10();
  SetupCis10(w);
  ui::MenuItem* item = w.PopupMenu1.Find("i1");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->caption, Cz("Načti ze starého číseníku"));
  item->onClick(*item);
  const std::string after = ReadData("CI10.DTA");
  const auto field = [&](int f) { return cltest::Column(Cis10Spec(), after, f); };
  EXPECT_EQ(field(1), (Strings{"100000", "311000", "211000"}));  // appended in the combined file's order
  EXPECT_EQ(Trimmed(field(2)), (Strings{"Text 100000", Cz("Odběratelé tuzemsko"), "Pokladna"}));
  EXPECT_EQ(field(3), (Strings{"   ", "001", "   "}));
  EXPECT_EQ(field(4), (Strings{"   ", "002", "   "}));
  EXPECT_EQ(field(5), (Strings{"   ", "021", "   "}));
  EXPECT_EQ(field(6), (Strings{"   ", "022", "   "}));
  EXPECT_EQ(field(7), (Strings{"   ", "024", "   "}));
  EXPECT_EQ(field(8), (Strings{"   ", "025", "   "}));
  EXPECT_EQ(field(9), (Strings{" ", "A", " "}));
  EXPECT_EQ(field(10), (Strings{"   ", "123", "   "}));
  EXPECT_EQ(field(11), (Strings{" ", "K", " "}));
  EXPECT_EQ(field(12), (Strings{" ", "S", " "}));
  EXPECT_EQ(field(13), (Strings{kOld, "200303", "190101"}));  // the combined dates: no changed flag
  // The order is dirty: the close puts the chart back in account order.
  EXPECT_TRUE(w.OrderDirty());
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis10Spec()), (Strings{"100000", "211000", "311000"}));
}

TEST_F(CodeListCi01Load, CostCentres) {
  WriteData("CI01.DTA", cltest::Joined({
                            Ci01("30", "xabcde", "3", "00", {"Výroba"}, "210101"),
                            Ci01("30", "012345", "5", "00", {"Dílna"}, "210202"),
                            Ci01("30", "012345", "5", "01", {"Hala 2"}, "210303"),
                            Ci01("30", "012345", "5", "10", {"     V", "   A01", "000100", "000199", "131000"}),
                            Ci01("30", "012345", "5", "11", {"X"}),
                            Ci01("30", "xabcde", "3", "10", {"     T"}),  // a later line of abc..: a new group
                        }));
  WriteData("CI30.DTA", "");
  TfCis30& w = fCis30();
  SetupCis30(w);
  ui::MenuItem* item = w.PopupMenu1.Find("h1");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->caption, Cz("Načti z číselníku"));
  item->onClick(*item);
  const std::string after = ReadData("CI30.DTA");
  const auto field = [&](int f) { return cltest::Column(Cis30Spec(), after, f); };
  EXPECT_EQ(field(1), (Strings{"abc..", "12345", "abc.."}));
  EXPECT_EQ(Trimmed(field(2)), (Strings{Cz("Výroba"), Cz("Dílna"), ""}));
  EXPECT_EQ(field(3)[1], "STR:X" + std::string(25, ' '));  // "11" after "01"
  EXPECT_EQ(field(4), (Strings{"A", " ", " "}));             // the "10" line sets it back
  EXPECT_EQ(field(5), (Strings{" ", "V", "T"}));
  EXPECT_EQ(field(6), (Strings{"      ", "131000", "      "}));
  EXPECT_EQ(field(7), (Strings{"   ", "A01", "   "}));
  EXPECT_EQ(field(8), (Strings{"      ", "000100", "      "}));
  EXPECT_EQ(field(9), (Strings{"      ", "000199", "      "}));
  EXPECT_EQ(field(10), Strings(3, kToday));  // every write of list 30 stamps
  EXPECT_TRUE(w.OrderDirty());
}

TEST_F(CodeListCi01Load, ACentreHeadingTurnsBackWithALaterLineOfTheSameCentre) {
  WriteData("CI01.DTA", cltest::Joined({Ci01("30", "xabcde", "3", "00", {"Výroba"}), Ci01("30", "xabcde", "3", "10", {"     T"})}));
  WriteData("CI30.DTA", "");
  TfCis30& w = fCis30();
  SetupCis30(w);
  EXPECT_EQ(LoadCis30FromCI01(w), 1);
  EXPECT_EQ(cltest::Column(Cis30Spec(), ReadData("CI30.DTA"), 4), (Strings{" "}));
  EXPECT_EQ(FileKeys(Cis30Spec()), (Strings{"abc.."}));
}

TEST_F(CodeListCi01Load, AnimalMovements) {
  WriteData("CI01.DTA", cltest::Joined({
                            Ci01("13", "000101", "2", "10", {"611000", "", "", "", "624000"}, "190505"),
                            Ci01("13", "000101", "2", "20", {"501000"}, "190606"),
                            Ci01("13", "000101", "3", "30", {"999999"}),  // P not 2
                        }));
  WriteData("CI13.DTA", "");
  TfCis13& w = fCis13();
  SetupCis13(w);
  ui::MenuItem* item = w.PopupMenu1.Find("i1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  const std::string after = ReadData("CI13.DTA");
  EXPECT_EQ(cltest::Column(Cis13Spec(), after, 1), (Strings{"01", "01"}));
  EXPECT_EQ(cltest::Column(Cis13Spec(), after, 2), (Strings{"10", "20"}));
  EXPECT_EQ(cltest::Column(Cis13Spec(), after, 3), (Strings{"611000", "501000"}));
  EXPECT_EQ(cltest::Column(Cis13Spec(), after, 7), (Strings{"624000", "      "}));
  EXPECT_EQ(cltest::Column(Cis13Spec(), after, 8), (Strings{"190505", "190606"}));  // stamped only on the changed flag
  w.CloseBrowse();
}

TEST_F(CodeListCi01Load, AnimalCategories) {
  WriteData("CI01.DTA", cltest::Joined({
                            Ci01("18", "000010", "3", "00", {"Telata"}, "180101"),
                            Ci01("18", "000020", "3", "00", {"Jalovi", "ce"}),
                            Ci01("18", "000020", "3", "10", {"123000"}),
                        }));
  WriteData("CI18.DTA", "");
  TfCis18& w = fCis18();
  SetupCis18(w);
  EXPECT_EQ(LoadCis18FromCI01(w), 2);
  const std::string after = ReadData("CI18.DTA");
  EXPECT_EQ(cltest::Column(Cis18Spec(), after, 1), (Strings{"010", "020"}));
  EXPECT_EQ(Trimmed(cltest::Column(Cis18Spec(), after, 2)), (Strings{"Telata", "Jalovice"}));
  EXPECT_EQ(cltest::Column(Cis18Spec(), after, 3), (Strings{"      ", "123000"}));  // blank until a "10" line
  w.CloseBrowse();
}

TEST_F(CodeListCi01Load, AMissingOrOneRecordFileLoadsNothingAndAnUnreadableOneIsReported) {
  TfCis18& w = fCis18();
  WriteData("CI18.DTA", "");
  SetupCis18(w);
  EXPECT_EQ(LoadCis18FromCI01(w), 0);  // no combined file: nothing, silently
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(std::filesystem::exists(DataPath("CI01.DTA")));  // and none is made
  WriteData("CI01.DTA", Ci01("18", "000010", "3", "00", {"Telata"}));
  EXPECT_EQ(LoadCis18FromCI01(w), 0);
  common::File held;
  WriteData("CI01.DTA", Ci01("18", "000010", "3", "00", {"Telata"}) + Ci01("18", "000020", "3", "00", {"Krávy"}));
  ASSERT_EQ(held.Open(DataPath("CI01.DTA"), common::kModeExclusive), 0);
  EXPECT_EQ(LoadCis18FromCI01(w), 0);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find(" otvira soubor: CI01.DTA err"), std::string::npos);
  EXPECT_EQ(ReadData("CI18.DTA"), "");
  w.CloseBrowse();
}

TEST_F(CodeListCi01Load, AReadFailureHalfWayIsReportedAndEndsTheLoad) {
  WriteData("CI01.DTA", cltest::Joined({Ci01("18", "000010", "3", "00", {"Telata"}), Ci01("18", "000020", "3", "00", {"Krávy"}),
                                        Ci01("18", "000030", "3", "00", {"Býci"})}));
  WriteData("CI18.DTA", "");
  TfCis18& w = fCis18();
  SetupCis18(w);
  common::FaultFileSystem fs;
  fs.Fail(common::FsOp::Read, EIO, "CI01.DTA", 1, 2);  // the third record
  std::int32_t loaded = -1;
  {
    common::ScopedFileSystem use(fs);
    loaded = LoadCis18FromCI01(w);
  }
  EXPECT_EQ(loaded, 1);  // the first group, ended by the second; the second is not appended
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find(" cte soubor: CI01.DTA err"), std::string::npos) << Messages()[0];
  EXPECT_EQ(FileKeys(Cis18Spec()), (Strings{"010"}));
  w.CloseBrowse();
}

}  // namespace
