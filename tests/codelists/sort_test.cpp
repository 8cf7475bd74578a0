// The unit sort: engine status and count checked before anything is written, the
// file put back when a write or the cut fails, records other users appended kept,
// damaged length bytes read within the field, the engine's order of equal keys.
#include <cerrno>

#include "common/faultfs.h"
#include "common/filesystem.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::Strings;
using CodeListSort = cltest::CodeListTest;

// Five records with record 3 deleted and moved to the front.
class CodeListSortFile : public cltest::CodeListTest {
 protected:
  void SetUp() override {
    CodeListTest::SetUp();
    WriteList(Cis11Spec(), {"010", "020", "030", "040", "050"});
    SetupCis11(w);
    w.GoToRecord(3, 0);
    w.DeleteRecord(w.Current);
    before = ReadData("CI11.DTA");
    ASSERT_EQ(FileKeys(Cis11Spec())[0], "   ");
  }
  void TearDown() override {
    w.CloseBrowse();
    CodeListTest::TearDown();
  }
  TfCis11 w;
  std::string before;
};

TEST_F(CodeListSortFile, AnEngineFailureLeavesTheFileAsItWas) {
  w.sortLimits.maxKeys = 2;  // status 9: more keys than the limit
  EXPECT_FALSE(w.SortFile());
  EXPECT_EQ(ReadData("CI11.DTA"), before);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("err      9"), std::string::npos) << Messages()[0];
}

TEST_F(CodeListSortFile, AFailedWriteOrCutPutsTheFileBack) {
  const struct {
    common::FsOp op;
    int skip;
  } faults[] = {{common::FsOp::Write, 2}, {common::FsOp::Truncate, 0}};
  for (const auto& f : faults) {
    SCOPED_TRACE(static_cast<int>(f.op));
    common::FaultFileSystem fs;
    fs.Fail(f.op, ENOSPC, "", 1, f.skip);  // the data file was opened before: any path
    {
      common::ScopedFileSystem scoped(fs);
      EXPECT_FALSE(w.SortFile());
    }
    EXPECT_EQ(ReadData("CI11.DTA"), before);
    EXPECT_EQ(w.Count, 5);
    EXPECT_FALSE(Messages().empty());
  }
  EXPECT_TRUE(w.SortFile());
  EXPECT_EQ(FileKeys(Cis11Spec()), (Strings{"010", "020", "040", "050"}));
}

TEST_F(CodeListSortFile, RecordsAnotherUserAppendedMeanwhileAreKept) {
  std::string bytes = ReadData("CI11.DTA");
  bytes += cltest::MakeRecord(Cis11Spec(), {{1, "015"}}) + cltest::MakeRecord(Cis11Spec(), {{1, "060"}});
  WriteData("CI11.DTA", bytes);  // appended by another workstation since the last reopen
  ASSERT_EQ(w.Count, 5);
  EXPECT_TRUE(w.SortFile());
  EXPECT_EQ(FileKeys(Cis11Spec()), (Strings{"010", "015", "020", "040", "050", "060"}));
  EXPECT_EQ(w.Count, 6);
}

// F4 of a record whose key goes first, the k-th write failing from then on: once writes
// work again and the list is opened, the new record stands last or in its place, and every
// other record is there once.
TEST_F(CodeListSort, AMoveWhoseKthWriteFailsLeavesEveryRecordOnce) {
  const Strings keys = {"020", "030", "040", "050", "060", "070", "080", "090", "100", "110"};
  Strings appended = keys, moved = keys;
  appended.push_back("010");
  moved.insert(moved.begin(), "010");
  int inPlace = 0;
  for (int k = 1; k <= 15; ++k) {
    SCOPED_TRACE(k);
    WriteList(Cis11Spec(), keys);
    TfCis11 w;
    SetupCis11(w);
    {
      common::FaultFileSystem fs;
      fs.Fail(common::FsOp::Write, EIO, "CI11", -1, k - 1);
      common::ScopedFileSystem scoped(fs);
      edit.steps.clear();
      edit.Type("010").Keys("F2");
      w.NewRecord();
    }
    w.CloseBrowse();
    SetupCis11(w);  // puts back what a failed move left
    w.CloseBrowse();
    const Strings now = FileKeys(Cis11Spec());
    EXPECT_TRUE(now == keys || now == appended || now == moved) << testing::PrintToString(now);
    inPlace += now == moved;
  }
  EXPECT_EQ(inPlace, 15 - 14);  // the append, the copy, ten shifts, the record itself and the copy marked finished
}

// A damaged length byte is read within its field; the file is then no file of the list
// and opens for reading only, so the sort writes nothing.
TEST_F(CodeListSort, ADamagedLengthByteIsReadWithinTheField) {
  std::string bytes;
  for (const char* k : {"030", "010", "020"}) bytes += cltest::MakeRecord(Cis20Spec(), {{1, k}});
  bytes[0] = static_cast<char>(0xFF);  // record 1's key claims 255 characters
  WriteData("CI20.DTA", bytes);
  TfCis20 w;
  SetupCis20(w);
  EXPECT_EQ(w.KeyOf(bytes.substr(0, 53)), "030");
  EXPECT_EQ(Messages().size(), 1u) << notes.Dump();
  EXPECT_FALSE(w.SortFile());
  EXPECT_EQ(ReadData("CI20.DTA"), bytes);
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI20.DTA"), bytes);
}

TEST_F(CodeListSort, EqualKeysComeOutInTheEnginesOrder) {
  std::string bytes;
  for (const char* t : {"first", "second"}) bytes += cltest::MakeRecord(Cis20Spec(), {{1, "010"}, {2, t}});
  WriteData("CI20.DTA", bytes);
  TfCis20 w;
  SetupCis20(w);
  EXPECT_TRUE(w.SortFile());
  const Strings texts = Texts(Cis20Spec());
  // The engine gives equal keys back in the reverse of their input order.
  EXPECT_EQ(common::StripRightSp(texts[0]), "second");
  EXPECT_EQ(common::StripRightSp(texts[1]), "first");
  w.CloseBrowse();
}

}  // namespace
