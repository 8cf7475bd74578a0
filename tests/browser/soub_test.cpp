#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "browser/indexfiles.h"
#include "common/faultfs.h"
#include "common/locking.h"
#include "common/session.h"
#include "common/params.h"
#include "tests/browser/rolkit.h"
#include "tests/browser/soubkit.h"
#include "tests/common/processes.h"

namespace {

using soubtest::Ci99;
using soubtest::kLength;
using soubtest::Record;
using RecordBrowser = soubtest::SoubTest;
using RecordBrowserFaults = soubtest::SoubTest;
using RecordBrowserKeyed = soubtest::SoubTest;
using RecordBrowserEdit = soubtest::SoubTest;
namespace vk = ui::vk;

// ---------------------------------------------------------------- opening

TEST_F(RecordBrowser, LengthAbove10000OpensTheIndexFilesToo) {
  WriteCi99(12);
  roltest::WriteIndex(DataPath("CI99.DT1"), {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
  Ci99 w;
  w.Open("CI99.DTA", 10000 + kLength);
  EXPECT_TRUE(w.IndexFilesWanted);
  EXPECT_EQ(w.RecordLength, kLength);
  EXPECT_EQ(w.Count, 12);
  EXPECT_EQ(w.Current, 12);  // start record 99999
  EXPECT_EQ(w.IndexCount(1), 12);
  EXPECT_EQ(w.IndexCount(2), 0);
  w.SetSortOrder1();
  EXPECT_EQ(w.ActiveOrder, 1);
  w.RecordRead(1);
  EXPECT_EQ(w.RecordBuffer, Record("12", "Položka 12", 12));
  w.CloseBrowse();

  Ci99 plain;
  plain.Open("CI99.DTA", kLength);
  EXPECT_FALSE(plain.IndexFilesWanted);
  EXPECT_EQ(plain.IndexCount(1), 0);
  plain.CloseBrowse();
}

TEST_F(RecordBrowser, StartRecordIsClampedAndAnEmptyFileHasNoCurrentRecord) {
  WriteCi99(12);
  Ci99 w;
  w.Open("CI99.DTA", kLength, -1, 5);
  EXPECT_EQ(w.Current, 5);
  w.CloseBrowse();
  WriteData("EMPTY.DTA", "");
  w.Open("EMPTY.DTA");
  EXPECT_EQ(w.Count, 0);
  EXPECT_EQ(w.Current, 0);
  w.CloseBrowse();
}

TEST_F(RecordBrowser, MissingFileIsCreatedAndAOneByteFileHoldsNoRecord) {
  Ci99 w;
  w.Open("NEW.DTA");
  EXPECT_TRUE(std::filesystem::exists(DataPath("NEW.DTA")));
  EXPECT_EQ(w.Count, 0);
  EXPECT_TRUE(w.DataFileUsable());
  w.CloseBrowse();
  WriteData("ONE.DTA", "x");
  w.Open("ONE.DTA");
  EXPECT_EQ(w.Count, 0);
  EXPECT_EQ(ReadData("ONE.DTA"), "");
  w.CloseBrowse();
  EXPECT_TRUE(Messages().empty()) << notes.Dump();
}

TEST_F(RecordBrowser, FullPathAfterEqualsSignIsUsedUncut) {
  // A path far longer than 100 characters must not be cut (nor created cut).
  const std::string deep = dir.path() + "/" + std::string(60, 'a') + "/" + std::string(60, 'b');
  std::filesystem::create_directories(deep);
  ostest::WriteRaw(deep + "/CI99.DTA", Record("07", "Sedm", 7));
  Ci99 w;
  w.Open("=" + deep + "/CI99.DTA");
  EXPECT_EQ(w.DataFilePath, deep + "/CI99.DTA");
  EXPECT_EQ(w.Count, 1);
  w.RecordRead(1);
  EXPECT_EQ(w.RecordBuffer, Record("07", "Sedm", 7));
  w.CloseBrowse();
  EXPECT_FALSE(std::filesystem::exists(DataPath("CI99.DTA")));
  EXPECT_TRUE(Messages().empty()) << notes.Dump();
}

TEST_F(RecordBrowser, ReopenSeesRecordsOtherUsersAppended) {
  WriteCi99(3);
  Ci99 a, b("fCi99b");
  a.Open();
  b.Open();
  b.PresetBlank();
  b.RecordBuffer = Record("04", "Čtvrtá", 4);
  ASSERT_TRUE(b.AppendRecord());
  EXPECT_EQ(a.Count, 3);
  a.DataFileReopen();
  EXPECT_EQ(a.Count, 4);
  a.RecordRead(4);
  EXPECT_EQ(a.RecordBuffer, Record("04", "Čtvrtá", 4));
  a.CloseBrowse();
  b.CloseBrowse();
}

TEST_F(RecordBrowser, OpenRegistersTheFileInUseAndCloseReleasesIt) {
  WriteCi99(2);
  Ci99 w;
  w.Open();
  EXPECT_FALSE(common::IfVolny(other, w.DataFilePath).empty());
  w.CloseBrowse();
  EXPECT_TRUE(common::IfVolny(other, w.DataFilePath).empty());
}

TEST_F(RecordBrowser, ReadsAndWritesGoThroughTheScramblingHooksOnlyWhenOn) {
  WriteCi99(2);
  Ci99 w;
  w.Open();
  w.hooks.clear();
  w.RecordRead(1);
  w.RecordWrite(1);
  w.RecordReadForView(1);
  EXPECT_TRUE(w.hooks.empty());
  common::CurrentSession().ScrambleOn = 1;
  w.RecordRead(1);
  w.RecordReadForView(2);
  w.RecordWrite(2);
  w.RecordReadAt(1);
  w.RecordWriteAt(1);
  EXPECT_EQ(w.hooks, (std::vector<std::string>{"after-read", "after-read view", "before-write", "after-read",
                                               "before-write"}));
  EXPECT_FALSE(w.ReadingForView);
  w.CloseBrowse();
}

TEST_F(RecordBrowser, PositionsOutsideTheListAreIgnored) {
  WriteCi99(2);
  const std::string before = ReadData("CI99.DTA");
  Ci99 w;
  w.Open();
  w.RecordBuffer = Record("XX", "Cizí", 9);
  w.RecordWrite(0);
  w.RecordWrite(3);
  w.RecordRead(3);
  EXPECT_EQ(w.RecordBuffer, Record("XX", "Cizí", 9));
  EXPECT_EQ(ReadData("CI99.DTA"), before);
  EXPECT_TRUE(Messages().empty()) << notes.Dump();
  w.CloseBrowse();
}

TEST_F(RecordBrowser, ChecksumIsTheWrappingByteSum) {
  Ci99 w;
  w.Open("NEW.DTA");
  w.RecordBuffer.assign(kLength, '\xFF');
  EXPECT_EQ(w.RecordChecksum(), 255u * kLength);
  w.CloseBrowse();
}

TEST_F(RecordBrowser, PicturesLiveUnderDokladyInTheListsSubfolder) {
  WriteCi99(2);
  Ci99 w;
  w.Open();
  w.PicturesOn = true;
  w.PictureFolder = "ORG";
  w.Current = 123;  // the record under the cursor counts, not Current
  EXPECT_EQ(w.RecordPictureFile(2), common::CurrentSession().DataDirPath + "doklady\\ORG\\000002-02.jpg");
  w.CloseBrowse();
  w.Open();
  EXPECT_TRUE(w.PictureFolder.empty());  // every opening clears it
  EXPECT_FALSE(w.PicturesOn);
  w.CloseBrowse();
}

// ---------------------------------------------------------------- faults

TEST_F(RecordBrowserFaults, AFileThatCannotBeOpenedIsNeverEmptied) {
  WriteCi99(5);
  const std::string before = ReadData("CI99.DTA");
  for (int err : {EACCES, EIO, ENOLCK, ETIMEDOUT}) {
    SCOPED_TRACE(err);
    common::FaultFileSystem faults;
    common::ScopedFileSystem scoped(faults);
    faults.Fail(common::FsOp::Open, err, "CI99.DTA");
    notes.calls.clear();
    Ci99 w;
    w.Open();
    EXPECT_EQ(w.Count, 0);
    EXPECT_FALSE(w.DataFileUsable());
    ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
    EXPECT_EQ(Messages()[0].rfind("Uz: 01 otvira soubor: CI99.DTA err ", 0), 0u) << Messages()[0];
    // Nothing may write now.
    w.PresetBlank();
    EXPECT_FALSE(w.AppendRecord());
    w.RecordWrite(1);
    w.NewRecord();
    EXPECT_EQ(edit.shown, 0);
    w.CloseBrowse();
    faults.Clear();
    EXPECT_EQ(ReadData("CI99.DTA"), before);
  }
}

TEST_F(RecordBrowserFaults, AnUnreadableFileKeepsItsBytes) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  WriteCi99(5);
  const std::string before = ReadData("CI99.DTA");
  std::filesystem::permissions(DataPath("CI99.DTA"), std::filesystem::perms::none);
  Ci99 w;
  w.Open();
  EXPECT_EQ(w.Count, 0);
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages()[0], "Uz: 01 otvira soubor: CI99.DTA err      5");
  w.CloseBrowse();
  std::filesystem::permissions(DataPath("CI99.DTA"), std::filesystem::perms::owner_all);
  EXPECT_EQ(ReadData("CI99.DTA"), before);
}

TEST_F(RecordBrowserFaults, AReopenThatFailsLeavesTheFileAloneAndStopsWrites) {
  WriteCi99(5);
  const std::string before = ReadData("CI99.DTA");
  Ci99 w;
  w.Open();
  ASSERT_EQ(w.Count, 5);
  {
    common::FaultFileSystem faults;
    common::ScopedFileSystem scoped(faults);
    faults.Fail(common::FsOp::Open, EACCES, "CI99.DTA");
    w.DataFileReopen();
    EXPECT_EQ(w.Count, 0);
    EXPECT_FALSE(w.DataFileUsable());
    w.Current = 1;
    w.RecordBuffer = Record("XX", "Cizí", 9);
    w.RecordWrite(1);
    w.EditRecord();
  }
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(ReadData("CI99.DTA"), before);
  EXPECT_EQ(Messages().at(0).rfind("Uz: 01 Soub: ", 0), 0u) << notes.Dump();
  w.DataFileReopen();  // the file is reachable again
  EXPECT_EQ(w.Count, 5);
  EXPECT_TRUE(w.DataFileUsable());
  w.CloseBrowse();
}

TEST_F(RecordBrowserFaults, AFailedAppendLeavesCountAndFileAsTheyWere) {
  WriteCi99(2);
  const std::string before = ReadData("CI99.DTA");
  Ci99 w;
  w.Open();
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.SetDiskSpace(10);
  w.PresetBlank();
  EXPECT_FALSE(w.AppendRecord());
  EXPECT_EQ(w.Count, 2);
  faults.Clear();
  EXPECT_EQ(ReadData("CI99.DTA"), before);
  EXPECT_EQ(Messages().at(0).rfind("Uz: 01 pise soubor: CI99.DTA err    101", 0), 0u) << notes.Dump();
  w.CloseBrowse();
}

TEST_F(RecordBrowserFaults, TwoProcessesAppendingAtOnceLoseNoRecord) {
  WriteCi99(1);
  constexpr int kEach = 300;
  EXPECT_EQ(ostest::RunInChildren(2, [&](int child) {
              int bad = 0;
              Ci99 w("fChild" + std::to_string(child));
              w.Open();
              for (int i = 0; i < kEach; ++i) {
                w.RecordBuffer = Record(std::to_string(child), "Zápis " + std::to_string(i), i);
                if (!w.AppendRecord()) ++bad;
              }
              w.CloseBrowse();
              return bad == 0 ? 0 : 1;
            }),
            0);
  const std::string all = ReadData("CI99.DTA");
  ASSERT_EQ(all.size(), static_cast<std::size_t>((1 + 2 * kEach) * kLength));
  std::set<std::string> records;
  for (std::size_t off = kLength; off < all.size(); off += kLength) records.insert(all.substr(off, kLength));
  EXPECT_EQ(records.size(), static_cast<std::size_t>(2 * kEach));
  for (int child = 0; child < 2; ++child)
    for (int i = 0; i < kEach; i += 37)
      EXPECT_TRUE(records.count(Record(std::to_string(child), "Zápis " + std::to_string(i), i))) << child << " " << i;
}

// Two workstations confirming edits of record 1 at once: every edit that was not
// refused with the conflict message is in the file (count = edits accepted).
TEST_F(RecordBrowserFaults, TwoProcessesEditingOneRecordLoseNoConfirmedEdit) {
  WriteData("CI99.DTA", Record("01", "Sdílená", 0));
  constexpr int kEach = 1500;
  EXPECT_EQ(ostest::RunInChildren(2, [&](int child) {
              common::CurrentSession().CurrentUser = child == 0 ? "01" : "02";
              int accepted = 0;
              Ci99 w("fChild" + std::to_string(child));
              w.Open();
              for (int i = 0; i < kEach; ++i) {
                w.Current = 1;
                edit.steps.clear();
                edit.Do([](browser::EditForm& f) {
                  f.SetText(3, common::FormatFloatMask("####", common::TextToInt(f.Text(3)) + 1));
                }).Keys("F2");
                const std::size_t before = notes.Texts(common::RecordingNotifier::Kind::Message).size();
                w.EditRecord();
                if (notes.Texts(common::RecordingNotifier::Kind::Message).size() == before) ++accepted;
              }
              w.CloseBrowse();
              ostest::WriteRaw(dir / ("accepted" + std::to_string(child)), std::to_string(accepted));
              return 0;
            }),
            0);
  const int accepted = std::stoi(ostest::ReadRaw(dir / "accepted0")) + std::stoi(ostest::ReadRaw(dir / "accepted1"));
  const int count = common::GetLE<std::int32_t>(RecordAt("CI99.DTA", 1), 27);
  EXPECT_GT(accepted, kEach);
  EXPECT_EQ(count, accepted) << "edits lost: " << accepted - count;
}

// Another workstation holding the write turn a while: F4 shows the wait naming the file
// and goes on waiting, then appends.
TEST_F(RecordBrowserFaults, AnAppendWaitsWithANoticeWhileAnotherWriterWorks) {
  WriteCi99(2);
  Ci99 w;
  w.Open();
  common::File f;
  ASSERT_EQ(f.Open(DataPath("CI99.DTA"), common::kModeDenyNone), 0);
  common::FileTurn writer;
  ASSERT_EQ(writer.Take(f), 0);
  int waits = 0;
  notes.onWait = [&](const std::string&, int) {
    if (++waits == 1) writer.Release();  // the other one's work is done
  };
  w.PresetBlank();
  EXPECT_TRUE(w.AppendRecord());
  EXPECT_EQ(waits, 1);
  const auto texts = notes.Texts(common::RecordingNotifier::Kind::LockWait);
  ASSERT_FALSE(texts.empty());
  EXPECT_NE(texts[0].find("CI99.DTA"), std::string::npos) << texts[0];
  EXPECT_EQ(ReadData("CI99.DTA").size(), 3u * kLength);
  EXPECT_TRUE(Messages().empty());
  w.CloseBrowse();
}

// F8 on a record another workstation changed since the list showed it is refused.
TEST_F(RecordBrowserFaults, DeletingARecordChangedSinceItWasShownIsRefused) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  w.GoToRecord(2, 0);
  std::string bytes = ReadData("CI99.DTA");
  bytes.replace(kLength, kLength, Record("09", "Jiná", 9));
  WriteData("CI99.DTA", bytes);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(ReadData("CI99.DTA"), bytes);
  EXPECT_EQ(Messages(), (std::vector<std::string>{common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel")}));
  w.GoToRecord(2, 0);  // shown again: now it goes
  w.DeleteRecord(w.Current);
  EXPECT_EQ(w.hooks.back(), "clear");
  EXPECT_NE(ReadData("CI99.DTA"), bytes);
  w.CloseBrowse();
}

// The "W" lock for one piece of work is taken only while no other user holds the file,
// and the window's own in-use lock is back after it.
TEST_F(RecordBrowserFaults, WorkUnderTheWriteLockRunsOnlyWhenNoOtherUserHoldsTheFile) {
  WriteCi99(2);
  Ci99 w;
  w.Open();
  const std::string path = DataPath("CI99.DTA");
  ASSERT_EQ(common::LockFile(other, path, ""), common::LockResult::Held);
  bool ran = false;
  EXPECT_FALSE(w.WithWriteLockOnce([&] { ran = true; }));
  EXPECT_FALSE(ran);
  common::UnlockFile(other, path);
  std::string during;
  EXPECT_TRUE(w.WithWriteLockOnce([&] { during = common::IfVolny(other, path); }));
  EXPECT_EQ(during.substr(0, 4), "W 01");
  EXPECT_EQ(common::IfVolny(other, path).substr(0, 4), "R 01");
  w.CloseBrowse();
  EXPECT_EQ(common::IfVolny(other, path), "");
}

TEST_F(RecordBrowserFaults, IndexEntriesTwoWorkstationsAppendBothStay) {
  roltest::WriteIndex(DataPath("CI99.DT1"), {3, 2, 1});
  browser::SortIndexFiles a, b;
  ASSERT_EQ(a.Open(DataPath("CI99.DTA")), 0);
  ASSERT_EQ(b.Open(DataPath("CI99.DTA")), 0);
  ASSERT_EQ(a.Append(1, 4), 0);
  ASSERT_EQ(b.Append(1, 5), 0);  // b still counts 3 entries from its opening
  EXPECT_EQ(b.Count(1), 5);
  const std::string bytes = ReadData("CI99.DT1");
  ASSERT_EQ(bytes.size(), 40u);
  EXPECT_EQ(common::GetLE<std::int32_t>(bytes, 24), 4);
  EXPECT_EQ(common::GetLE<std::int32_t>(bytes, 32), 5);
}

// ---------------------------------------------------------------- keyed view

TEST_F(RecordBrowserKeyed, ANewRecordGoesBeforeAnEqualKey) {
  WriteData("CI99.DTA", Record("A", "první", 1) + Record("C", "druhá", 2) + Record("E", "třetí", 3));
  Ci99 w;
  w.keyed = true;
  w.Open("CI99.DTA", kLength, 0);
  ASSERT_TRUE(w.KeyedView());
  w.RecordBuffer = Record("C", "nová", 4);
  ASSERT_TRUE(w.AppendRecord());
  EXPECT_EQ(w.Count, 4);
  EXPECT_EQ(w.Current, 2);
  EXPECT_EQ(std::vector<std::uint16_t>(w.SelectionList.begin() + 1, w.SelectionList.begin() + 5),
            (std::vector<std::uint16_t>{1, 4, 2, 3}));
  EXPECT_EQ(RecordAt("CI99.DTA", 4), Record("C", "nová", 4));  // written at the end of the file
  w.RecordBuffer = Record("Z", "poslední", 5);
  ASSERT_TRUE(w.AppendRecord());
  EXPECT_EQ(w.Current, 5);
  w.RecordBuffer = Record("0", "nultá", 6);
  ASSERT_TRUE(w.AppendRecord());
  EXPECT_EQ(w.Current, 1);
  w.RecordRead(1);
  EXPECT_EQ(w.RecordBuffer, Record("0", "nultá", 6));
  // Only the first three entries are known sorted; later ones are looked through one by one.
  EXPECT_EQ(w.SelectionFindKey("E"), 5);
  EXPECT_EQ(w.SelectionFindKey("D"), -3);
  EXPECT_EQ(w.SelectionFindKey("A"), 2);
  w.CloseBrowse();
}

TEST_F(RecordBrowserKeyed, AppendWritesAtTheEndWhateverTheStoredSelectionHolds) {
  WriteCi99(3);
  // A stored selection list whose entry 4 is not 4: the append must not follow it.
  std::string idx(10000, '\0');
  const std::uint16_t entries[] = {1, 2, 3, 2};
  for (int p = 1; p <= 5000; ++p)
    common::PutLE<std::uint16_t>(idx, static_cast<std::size_t>(2 * (p - 1)), p <= 4 ? entries[p - 1] : static_cast<std::uint16_t>(p));
  WriteData("CI99.idx", idx);
  const std::string before = ReadData("CI99.DTA");
  Ci99 w;
  w.keyed = true;
  w.Open("CI99.DTA", kLength, 1);
  w.RecordRead(3);
  EXPECT_EQ(w.RecordBuffer, Record("03", "Položka 3", 3));
  w.RecordBuffer = Record("025", "Nová", 4);
  ASSERT_TRUE(w.AppendRecord());
  EXPECT_EQ(ReadData("CI99.DTA"), before + Record("025", "Nová", 4));
  EXPECT_EQ(w.Current, 3);
  EXPECT_EQ(std::vector<std::uint16_t>(w.SelectionList.begin() + 1, w.SelectionList.begin() + 5),
            (std::vector<std::uint16_t>{1, 2, 4, 3}));
  w.CloseBrowse();
  // Closing stores the list: 5000 entries of 16 bits.
  const std::string stored = ReadData("CI99.idx");
  ASSERT_EQ(stored.size(), 10000u);
  EXPECT_EQ(common::GetLE<std::uint16_t>(stored, 2), 2);
  EXPECT_EQ(common::GetLE<std::uint16_t>(stored, 4), 4);
  EXPECT_EQ(common::GetLE<std::uint16_t>(stored, 9998), 5000);

  // A list the user may not write is read, and stays as it was at the close, which names it.
  {
    common::FaultFileSystem faults;
    faults.Fail(common::FsOp::OpenWrite, EACCES, "/CI99.idx");
    common::ScopedFileSystem scoped(faults);
    Ci99 again;
    again.keyed = true;
    again.Open("CI99.DTA", kLength, 1);
    EXPECT_EQ(again.Count, 4);
    again.CloseBrowse();
  }
  EXPECT_EQ(ReadData("CI99.idx"), stored);
  ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
  EXPECT_EQ(Messages()[0], "Uz: 01 pise soubor: " + DataPath("CI99.idx") + " err      5");
}

TEST_F(RecordBrowserKeyed, MoreThan5000RecordsAreShownInFileOrderAndNotExtended) {
  WriteCi99(5000);
  Ci99 w;
  w.Open("CI99.DTA", kLength, 0);
  EXPECT_TRUE(w.KeyedView());
  const std::string before = ReadData("CI99.DTA");
  w.RecordBuffer = Record("X", "navíc", 1);
  EXPECT_FALSE(w.AppendRecord());
  EXPECT_EQ(ReadData("CI99.DTA"), before);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("5000"), std::string::npos);
  w.CloseBrowse();

  ostest::WriteRaw(DataPath("CI99.DTA"), before + Record("5001", "navíc", 5001));
  w.Open("CI99.DTA", kLength, 0);
  EXPECT_FALSE(w.KeyedView());
  EXPECT_EQ(w.SelectionPositionToRecord(5001), 5001);
  w.RecordRead(5001);
  EXPECT_EQ(w.RecordBuffer, Record("5001", "navíc", 5001));
  w.CloseBrowse();
}

// ---------------------------------------------------------------- editing

TEST_F(RecordBrowserEdit, AConfirmedEditWritesTheFieldsOverTheFreshRecord) {
  WriteCi99(5);
  Ci99 w;
  w.Open();
  w.GoToRecord(3, 0);
  edit.Keys("Down").Type("Nový název").Keys("F2");
  w.EditRecord();
  EXPECT_EQ(edit.shown, 1);
  EXPECT_FALSE(w.EditAborted);
  EXPECT_TRUE(w.Changed);
  std::string expect = Record("03", "Nový název", 3);
  EXPECT_EQ(RecordAt("CI99.DTA", 3).substr(6, 21), expect.substr(6, 21));
  EXPECT_EQ(RecordAt("CI99.DTA", 3).substr(27), expect.substr(27));
  EXPECT_EQ(w.Field(2).initialValue, common::Cz("Nový název") + std::string(10, ' '));
  EXPECT_EQ(w.CurrentField, -1);
  w.CloseBrowse();
}

TEST_F(RecordBrowserEdit, AnotherUsersChangeBetweenStartAndOkIsNeverOverwritten) {
  WriteCi99(5);
  Ci99 a, b("fCi99b");
  a.Open();
  b.Open();
  a.GoToRecord(2, 0);
  // B swaps two bytes of the name: the byte sum stays, the record differs.
  edit.Type("Moje oprava").Do([&](browser::EditForm&) {
    b.RecordRead(2);
    std::swap(b.RecordBuffer[8], b.RecordBuffer[9]);
    b.RecordWrite(2);
  });
  edit.Keys("F2");
  const std::string theirs = [&] {
    std::string r = Record("02", "Položka 2", 2);
    std::swap(r[8], r[9]);
    return r;
  }();
  a.EditRecord();
  EXPECT_EQ(a.ChecksumBefore, a.ChecksumAfter);
  EXPECT_EQ(Messages(), (std::vector<std::string>{common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel")}));
  EXPECT_EQ(RecordAt("CI99.DTA", 2), theirs);
  EXPECT_FALSE(a.Changed);
  a.CloseBrowse();
  b.CloseBrowse();
}

TEST_F(RecordBrowserEdit, EscLeavesTheRecordUntouched) {
  WriteCi99(3);
  const std::string before = ReadData("CI99.DTA");
  Ci99 w;
  w.Open();
  edit.Type("Zahozeno").Keys("Esc");
  w.EditRecord();
  EXPECT_TRUE(w.EditAborted);
  EXPECT_FALSE(w.Changed);
  EXPECT_EQ(ReadData("CI99.DTA"), before);
  w.CloseBrowse();
}

TEST_F(RecordBrowserEdit, MayEditOffStopsEveryEdit) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  w.MayEdit = false;
  w.EditRecord();
  w.EditRecordNoCheck();
  EXPECT_EQ(edit.shown, 0);
  w.CloseBrowse();
}

TEST_F(RecordBrowserEdit, EditWithoutCheckReadsTheCurrentRecordFirst) {
  WriteCi99(4);
  Ci99 w;
  w.Open();
  w.GoToRecord(2, 0);
  w.RecordBuffer = Record("ZZ", "Řádek z obrazovky", 99);  // what the last paint left
  edit.Keys("Down").Type("Bez kontroly").Keys("F2");
  w.EditRecordNoCheck();
  ASSERT_EQ(edit.seen.size(), 1u);
  EXPECT_EQ(edit.seen[0][0], "02");  // the current field shows without trailing blanks
  EXPECT_EQ(RecordAt("CI99.DTA", 2), Record("02", "Bez kontroly", 2));
  EXPECT_TRUE(w.Changed);
  EXPECT_TRUE(w.EditingExisting);
  w.Current = 0;  // no current record: nothing
  w.EditRecordNoCheck();
  EXPECT_EQ(edit.shown, 1);
  w.CloseBrowse();
}

TEST_F(RecordBrowserEdit, NewRecordIsAppendedAndBecomesCurrent) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  w.PresetBlank();
  edit.Type("04").Keys("Down").Type("Nová").Keys("Down").Type("44").Keys("F2");
  w.NewRecord();
  EXPECT_EQ(w.Count, 4);
  EXPECT_EQ(w.Current, 4);
  EXPECT_TRUE(w.Changed);
  EXPECT_TRUE(w.EditingExisting);
  EXPECT_EQ(RecordAt("CI99.DTA", 4), Record("04", "Nová", 44));
  w.CloseBrowse();
}

TEST_F(RecordBrowserEdit, ZakaktParStopsNewRecords) {
  WriteCi99(3);
  ostest::WriteRaw(dir / "par/zakakt.par", "CI99.DTA : X\r\n");
  const std::string before = ReadData("CI99.DTA");
  Ci99 w;
  w.Open();
  w.PresetBlank();
  w.NewRecord();
  EXPECT_FALSE(w.MayAdd);
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(ReadData("CI99.DTA"), before);
  w.CloseBrowse();
}

TEST_F(RecordBrowserEdit, F4KeyOpensTheNewRecordWindow) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  w.Show();
  w.PresetBlank();
  edit.Type("09").Keys("F2");
  backend.PressKeys("F4");
  EXPECT_EQ(edit.shown, 1);
  EXPECT_EQ(w.Count, 4);
  w.Hide();
  w.CloseBrowse();
}

TEST_F(RecordBrowserEdit, NewRecordWithAnActiveOrderExtendsTheIndexFiles) {
  WriteCi99(3);
  roltest::WriteIndex(DataPath("CI99.DT1"), {3, 2, 1});
  Ci99 w;
  w.Open("CI99.DTA", 10000 + kLength);
  w.SetSortOrder1();
  w.PresetBlank();
  edit.Type("04").Keys("F2");
  w.NewRecord();
  EXPECT_EQ(w.IndexCount(1), 4);
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI99.DT1").substr(24), std::string("\x04\0\0\0\x04\0\0\0", 8));
}

TEST_F(RecordBrowserEdit, DeleteRunsTheClearHookAndWritesTheBuffer) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  w.GoToRecord(2, 0);
  w.RecordRead(2);
  w.MayDelete = false;
  w.DeleteRecord(2);
  EXPECT_TRUE(w.hooks.empty());
  w.MayDelete = true;
  w.DeleteRecord(2);
  EXPECT_EQ(w.hooks, std::vector<std::string>{"clear"});
  EXPECT_TRUE(w.Changed);
  EXPECT_EQ(RecordAt("CI99.DTA", 2)[0], '\0');
  w.CloseBrowse();
}

TEST_F(RecordBrowserEdit, F8ClearsTheCurrentRecordAsItIsNotTheBufferLeftOver) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  w.Show();
  w.GoToRecord(2, 0);
  w.RecordBuffer = Record("03", "Položka 3", 3);  // what the last paint left
  backend.PressKeys("F8");
  std::string expect = Record("02", "Položka 2", 2);
  expect[0] = '\0';
  EXPECT_EQ(RecordAt("CI99.DTA", 2), expect);
  EXPECT_EQ(RecordAt("CI99.DTA", 3), Record("03", "Položka 3", 3));
  EXPECT_EQ(w.hooks, std::vector<std::string>{"clear"});
  w.Hide();
  w.CloseBrowse();
}

TEST_F(RecordBrowserEdit, TemplateFileTakesTheFirstEightCharactersOfTheName) {
  Ci99 w;
  const struct {
    const char* data;
    const char* file;
  } cases[] = {{"CI99.DTA", "par\\CI99.DTA.F12"},
               {"=/srv/x/PARTNERI.DTA", "par\\PARTNERI.F12"},
               {"sub\\AB.C", "par\\AB.C.F12"}};
  for (const auto& c : cases) {
    w.DataFileName = c.data;
    EXPECT_EQ(w.TemplateFileName(), c.file) << c.data;
  }
}

}  // namespace

namespace {

using RecordBrowserButtons = soubtest::SoubTest;

TEST_F(RecordBrowserButtons, ButtonsAreHiddenAndRunTheirOperations) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  for (ui::Button* b : {&w.KlF4, &w.KlMez, &w.KlF8, &w.KlNajdi}) EXPECT_FALSE(b->visible()) << b->name();
  EXPECT_EQ(w.KlF8.text(), common::Cz("Zruš"));
  w.Show();
  for (ui::Button* b : {&w.KlF4, &w.KlMez, &w.KlF8, &w.KlNajdi}) b->Show();
  edit.Type("Tlačítko").Keys("Esc");
  backend.Click(w.KlMez);
  EXPECT_EQ(edit.shown, 1);
  EXPECT_EQ(w.activeControl(), &w.sgRol);
  backend.Click(w.KlF8);
  EXPECT_EQ(w.hooks, std::vector<std::string>{"clear"});
  // Hledej: first opens the search box, then searches its text and closes it.
  backend.Click(w.KlNajdi);
  EXPECT_TRUE(w.eHled.enabled());
  EXPECT_EQ(w.activeControl(), &w.eHled);
  w.eHled.SetText("2");
  w.GoToRecord(3, 0);
  backend.Click(w.KlNajdi);
  EXPECT_FALSE(w.eHled.enabled());
  EXPECT_EQ(w.Current, 2);
  EXPECT_EQ(w.activeControl(), &w.sgRol);
  w.Hide();
  w.CloseBrowse();
}

}  // namespace

namespace {

// A destructor takes no lock: the entry of a window destroyed without closing is
// released by the end of the run.
TEST_F(RecordBrowser, AWindowDestroyedWithoutClosingLeavesItsLockToTheEndOfTheRun) {
  WriteCi99(1);
  std::string path;
  {
    Ci99 w;
    w.Open();
    path = w.DataFilePath;
    EXPECT_FALSE(common::IfVolny(other, path).empty());
  }
  EXPECT_FALSE(common::IfVolny(other, path).empty());
  EXPECT_EQ(common::ReleaseHeldLocks(common::CurrentSession()), std::vector<std::string>{});
  EXPECT_TRUE(common::IfVolny(other, path).empty());
  EXPECT_TRUE(common::CurrentSession().HeldLocks.empty());
}

}  // namespace

namespace {

// A sort in place rewrites the whole records; the bytes of a cut last record stay behind them,
// also when records are dropped.
TEST_F(RecordBrowserFaults, SortInPlaceKeepsTheBytesOfACutLastRecord) {
  for (bool drop : {false, true}) {
    SCOPED_TRACE(drop ? "one dropped" : "none dropped");
    WriteData("CI99.DTA", Record("03", "C", 3) + Record("01", "A", 1) + Record("02", "B", 2) + "cut");
    Ci99 w;
    w.Open();
    ASSERT_EQ(w.Count, 3);
    browser::TfSoub::InPlaceSort plan;
    plan.less = [](std::string_view a, std::string_view b) { return a.substr(0, 6) < b.substr(0, 6); };
    if (drop) plan.dropOnOutput = [](std::string_view r) { return r.substr(0, 3) == Record("02", "", 0).substr(0, 3); };
    EXPECT_TRUE(w.SortInPlace(plan));
    w.CloseBrowse();
    const std::string sorted = drop ? Record("01", "A", 1) + Record("03", "C", 3)
                                    : Record("01", "A", 1) + Record("02", "B", 2) + Record("03", "C", 3);
    EXPECT_EQ(ReadData("CI99.DTA"), sorted + "cut");
  }
}

// A sort whose last flush of the file fails is no finished sort: the old order comes
// back and the message says the rewrite could not be finished on the disk; its copy
// never says finished before the file's own bytes are flushed.
TEST_F(RecordBrowserFaults, ARewriteWhoseFlushFailsIsTakenBackAndSaid) {
  const std::string old = Record("03", "C", 3) + Record("01", "A", 1) + Record("02", "B", 2);
  WriteData("CI99.DTA", old);
  Ci99 w;
  w.Open();
  ASSERT_EQ(w.Count, 3);
  notes.calls.clear();
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Sync, EIO, "/CI99.DTA", 1);  // the file's first flush, not its copy's
    common::ScopedFileSystem scoped(fs);
    browser::TfSoub::InPlaceSort plan;
    plan.less = [](std::string_view a, std::string_view b) { return a.substr(0, 6) < b.substr(0, 6); };
    EXPECT_FALSE(w.SortInPlace(plan));
  }
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI99.DTA"), old);
  EXPECT_FALSE(std::filesystem::exists(DataPath(".~CI99.DTA.rollback")));
  ASSERT_FALSE(Messages().empty()) << notes.Dump();
  EXPECT_NE(Messages()[0].find(common::Cz(" se nepřepíše, zápis nelze dokončit na disk, err ")), std::string::npos) << notes.Dump();
}

// Bytes of a cut record after the last whole one: told once at the opening; the next
// append first moves them to "<file>.cut" (behind what an earlier one moved there).
TEST_F(RecordBrowserFaults, ACutRecordIsToldOnceAndAnAppendMovesItAside) {
  WriteData("CI99.DTA", Record("01", "A", 1) + "cut!");
  Ci99 w;
  w.Open();
  ASSERT_EQ(w.Count, 1);
  ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
  EXPECT_NE(Messages()[0].find(w.DataFilePath), std::string::npos) << notes.Dump();
  EXPECT_NE(Messages()[0].find(": 4 B"), std::string::npos) << notes.Dump();
  w.DataFileReopen();
  EXPECT_EQ(Messages().size(), 1u) << notes.Dump();
  std::string expected = Record("01", "A", 1);
  for (const std::string& stray : {std::string(), std::string("xy")}) {
    if (!stray.empty()) WriteData("CI99.DTA", expected + stray);  // cut again by someone
    notes.calls.clear();
    w.RecordBuffer = Record("02", "B", 2);
    ASSERT_TRUE(w.AppendRecord());
    expected += Record("02", "B", 2);
    EXPECT_EQ(ReadData("CI99.DTA"), expected);
    EXPECT_EQ(ReadData("CI99.DTA.cut"), "cut!" + stray);
    ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
    EXPECT_NE(Messages()[0].find(w.DataFilePath + ".cut"), std::string::npos) << notes.Dump();
  }
}

// ---------------------------------------------------------------- rewrites in place

// 100,000 records whose sort moves every one of them.
std::string ManyRecords() {
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += Record(common::FormatFloatMask("@@@@@", (i * 7919) % 100000), "R", i);
  return bytes;
}

void SortByCode(Ci99& w) {
  browser::TfSoub::InPlaceSort plan;
  plan.less = [](std::string_view a, std::string_view b) { return a.substr(0, 6) < b.substr(0, 6); };
  w.SortInPlace(plan);
}

// A workstation killed at a random point of a sort: after the next open the file is the
// old or the new one.
TEST_F(RecordBrowserFaults, ASortKilledAtARandomPointLeavesTheOldOrTheNewFile) {
  const std::string old = ManyRecords();
  auto sortInChild = [&] {
    const pid_t pid = fork();
    if (pid == 0) {
      common::CurrentSession().LocksOff = 1;  // a dead workstation's lock entries are not the point here
      Ci99 w("fChild");
      w.Open();
      SortByCode(w);
      _exit(0);
    }
    return pid;
  };
  WriteData("CI99.DTA", old);
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  ASSERT_EQ(waitpid(sortInChild(), &status, 0) > 0 && WIFEXITED(status), true);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  const std::string sorted = ReadData("CI99.DTA");
  ASSERT_NE(sorted, old);
  std::mt19937 random(43);
  int oldSeen = 0, putBack = 0;
  for (int run = 0; run < 20; ++run) {
    SCOPED_TRACE(run);
    WriteData("CI99.DTA", old);
    const pid_t pid = sortInChild();
    std::this_thread::sleep_for(std::chrono::microseconds(random() % static_cast<unsigned>(whole.count() + 1)));
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    Ci99 w;
    notes.calls.clear();
    w.Open();  // puts back what the killed sort left
    putBack += static_cast<int>(Messages().size());
    const std::string now = ReadData("CI99.DTA");
    EXPECT_TRUE(now == old || now == sorted) << "a mixed file";
    oldSeen += now == old;
    EXPECT_FALSE(std::filesystem::exists(DataPath(".~CI99.DTA.rollback")));
    w.CloseBrowse();
  }
  std::cout << oldSeen << " of 20 killed sorts left the old file, " << putBack << " put back at the open; a sort takes "
            << whole.count() / 1000 << " ms\n";
}

// A rollback copy's temporary left by a writer killed while writing it goes at the next
// open of the file and before the next step's copy; a living writer's temporary and a
// user's file of a like name stay.
TEST_F(RecordBrowserFaults, ACopysTemporaryLeftByAKilledWriterGoesAtTheNextOpen) {
  WriteCi99(3);
  const std::string old = ReadData("CI99.DTA");
  const std::string dead = common::ReplacementTempName(".~CI99.DTA.rollback", 4711, 0, 12);
  const std::string living = common::ReplacementTempName(".~CI99.DTA.rollback", 4712, 0, 34);
  const std::string users = ".~CI99.DTA.rollback.~tmp-kopie";
  for (const std::string& name : {dead, living, users}) WriteData(name, std::string(1000, 'x'));
  const int held = ::open(DataPath(living).c_str(), O_RDWR);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);  // its writer still at work
  {
    Ci99 w;
    w.Open();
    EXPECT_FALSE(std::filesystem::exists(DataPath(dead)));  // by the open itself, before any step
    w.CloseBrowse();
  }
  EXPECT_FALSE(std::filesystem::exists(DataPath(dead)));
  EXPECT_TRUE(std::filesystem::exists(DataPath(living)));
  EXPECT_TRUE(std::filesystem::exists(DataPath(users)));
  ::close(held);
  // Left again while the list is open: the next step's copy clears it first.
  Ci99 w;
  w.Open();
  WriteData(living, "y");
  SortByCode(w);
  EXPECT_FALSE(std::filesystem::exists(DataPath(living)));
  EXPECT_TRUE(std::filesystem::exists(DataPath(users)));
  EXPECT_FALSE(std::filesystem::exists(DataPath(".~CI99.DTA.rollback")));
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI99.DTA").size(), old.size());
}

// A copy left behind: put back by the next open (which says so) unless its writer still
// holds the turn; while another user holds the file it opens for reading only.
TEST_F(RecordBrowserFaults, ALeftRollbackCopyIsPutBackByTheNextOpen) {
  WriteCi99(5);
  const std::string old = ReadData("CI99.DTA");
  auto leaveCopy = [&] {
    Ci99 w;
    w.Open();
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Write, EIO, "CI99", -1, 3);  // the copy and two records are written
    {
      common::ScopedFileSystem scoped(fs);
      SortByCode(w);  // codes "05".."01" would be the new order
    }
    w.CloseBrowse();
    ASSERT_TRUE(std::filesystem::exists(DataPath(".~CI99.DTA.rollback")));
  };
  // Written in reverse so that the sort changes every record.
  std::string reversed;
  for (int i = 5; i >= 1; --i) reversed += old.substr(static_cast<std::size_t>(i - 1) * kLength, kLength);
  WriteData("CI99.DTA", reversed);
  leaveCopy();
  ASSERT_NE(ReadData("CI99.DTA"), reversed);  // a mixed file until it is put back
  {
    // Its writer still at work: left alone.
    common::File f;
    ASSERT_EQ(f.Open(DataPath("CI99.DTA"), common::kModeDenyNone), 0);
    common::FileTurn writer;
    ASSERT_EQ(writer.Take(f), 0);
    Ci99 w;
    w.Open();
    EXPECT_TRUE(std::filesystem::exists(DataPath(".~CI99.DTA.rollback")));
    EXPECT_FALSE(w.ReadOnlyOpen());
    w.CloseBrowse();
  }
  notes.calls.clear();
  ASSERT_EQ(common::LockFile(other, DataPath("CI99.DTA"), ""), common::LockResult::Held);
  {
    Ci99 w;
    w.Open();
    EXPECT_TRUE(w.ReadOnlyOpen());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(common::Cz("jen pro čtení")), std::string::npos) << Messages()[0];
    w.PresetBlank();
    EXPECT_FALSE(w.AppendRecord());
    w.CloseBrowse();
  }
  common::UnlockFile(other, DataPath("CI99.DTA"));
  notes.calls.clear();
  Ci99 w;
  w.Open();
  EXPECT_FALSE(w.ReadOnlyOpen());
  EXPECT_EQ(ReadData("CI99.DTA"), reversed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("CI99.DTA"), std::string::npos) << Messages()[0];
  EXPECT_FALSE(std::filesystem::exists(DataPath(".~CI99.DTA.rollback")));
  w.CloseBrowse();
}

// Records whose counted texts are longer than their fields are no records of this list:
// the file is said once at opening, by its name, and opens for reading only, so that no
// key and no close writes into it.
TEST_F(RecordBrowser, RecordsThatDoNotDecodeOpenTheFileForReadingOnly) {
  WriteCi99(5);
  std::string damaged = ReadData("CI99.DTA");
  damaged[2 * kLength + 6] = static_cast<char>(200);  // the name of record 3
  const std::string random = soubtest::RandomBytes(5 * kLength, 55);
  const struct {
    const char* what;
    std::string bytes;
    std::string said;  // the part between the name and the end
  } cases[] = {
      {"one record", damaged, common::Cz(" neodpovídá popisu své věty (věta 3, položka 2: text délky 200 v poli pro 20)")},
      {"random bytes", random, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteData("CI99.DTA", c.bytes);
    notes.calls.clear();
    Ci99 w;
    w.Open();
    ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
    const std::string head = common::Cz("Soubor ") + DataPath("CI99.DTA");
    const std::string tail = common::Cz("; otevírám ho jen pro čtení");
    EXPECT_TRUE(Messages()[0].starts_with(head + common::Cz(" neodpovídá popisu své věty (věta "))) << Messages()[0];
    EXPECT_TRUE(Messages()[0].ends_with(tail)) << Messages()[0];
    if (!c.said.empty()) {
      EXPECT_EQ(Messages()[0], head + c.said + tail);
    }
    EXPECT_FALSE(w.DataFileUsable());
    EXPECT_EQ(w.Count, 5);
    w.Show();
    w.PresetBlank();
    edit.Type("09").Keys("F2");
    backend.PressKeys("F4 Space F8 Shift+F4");
    w.DataFileReopen();  // as before an edit: still for reading only
    w.PresetBlank();
    EXPECT_FALSE(w.AppendRecord());
    w.Hide();
    w.CloseBrowse();
    // Each refused key, and a tool's append, says why, none with a bare error code.
    const std::vector<std::string> said = Messages();
    EXPECT_EQ(said.size(), 6u) << notes.Dump();
    for (std::size_t i = 1; i < said.size(); ++i)
      EXPECT_EQ(said[i], common::Cz("Soubor CI99.DTA je otevřen jen pro čtení, změny se nezapisují"));
    EXPECT_EQ(ReadData("CI99.DTA"), c.bytes);
  }
  // Mended, it opens as any other.
  WriteCi99(5);
  notes.calls.clear();
  Ci99 w;
  w.Open();
  EXPECT_TRUE(w.DataFileUsable());
  EXPECT_TRUE(Messages().empty()) << notes.Dump();
  w.CloseBrowse();
}

// A lock table the workstation may read but not write: no lock entry can be written, so
// the list opens for reading, said once a run; its records shown, each write key refused
// in words; the wait for a table another workstation has open stays a wait.
TEST_F(RecordBrowser, ALockTableThatCannotBeWrittenOpensTheListForReading) {
  WriteCi99(4);
  const std::string before = ReadData("CI99.DTA");
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.Fail(common::FsOp::OpenWrite, EACCES, "FOT.tab");
  const std::string said = common::Cz("Soubor ") + DataPath("CI99.DTA") + common::Cz(" nelze zamknout: tabulku sdílení souborů ") +
                           DataPath("FOT.tab") + common::Cz(" nelze zapsat (err 5), soubory z její složky se otevírají jen pro čtení");
  for (int opening = 1; opening <= 2; ++opening) {
    SCOPED_TRACE(opening);
    notes.calls.clear();
    Ci99 w;
    w.Open();
    EXPECT_EQ(w.Count, 4);
    EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage),
              opening == 1 ? std::vector<std::string>{said} : std::vector<std::string>{})
        << notes.Dump();
    EXPECT_EQ(notes.Count(common::RecordingNotifier::Kind::LockWait), 0) << notes.Dump();
    w.Show();
    w.PresetBlank();
    edit.Type("09").Keys("F2");
    backend.PressKeys("F4 Space F8 Shift+F4");
    w.Hide();
    w.CloseBrowse();
    EXPECT_EQ(Messages(), std::vector<std::string>(4, common::Cz("Soubor CI99.DTA je otevřen jen pro čtení, tabulku sdílení souborů nelze zapsat, změny se nezapisují")))
        << notes.Dump();
    EXPECT_EQ(ReadData("CI99.DTA"), before);
  }
  // Writable again, the list opens for writing under its entry.
  faults.Clear();
  Ci99 w;
  w.Open();
  EXPECT_TRUE(w.DataFileUsable());
  EXPECT_FALSE(common::IfVolny(other, w.DataFilePath).empty());
  w.CloseBrowse();
}

// A large file is judged by its first records and a sample spread to its end, so that
// opening it stays quick; a clean one opens for writing.
TEST_F(RecordBrowser, ALargeFileIsJudgedByASampleToItsLastRecord) {
  const int n = 40000;  // over a megabyte
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(n) * kLength);
  for (int i = 1; i <= n; ++i) bytes += Record(common::FormatFloatMask("@@@@@", i), "Item", i);
  WriteData("CI99.DTA", bytes);
  {
    Ci99 w;
    w.Open();
    EXPECT_TRUE(w.DataFileUsable());
    EXPECT_TRUE(Messages().empty()) << notes.Dump();
    w.CloseBrowse();
  }
  bytes[static_cast<std::size_t>(n - 1) * kLength] = static_cast<char>(6);  // the code of the last record
  WriteData("CI99.DTA", bytes);
  Ci99 w;
  w.Open();
  EXPECT_FALSE(w.DataFileUsable());
  EXPECT_EQ(Messages(), std::vector<std::string>{common::Cz("Soubor ") + DataPath("CI99.DTA") +
                                                 common::Cz(" neodpovídá popisu své věty (věta 40000, položka 1: text "
                                                            "délky 6 v poli pro 5); otevírám ho jen pro čtení")});
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI99.DTA"), bytes);
}

}  // namespace
