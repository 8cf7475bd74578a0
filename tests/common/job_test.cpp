#include "common/jobfile.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "common/errors.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/iocodes.h"
#include "processes.h"
#include "start_folder.h"

using namespace common;
using starttest::HeldFile;
using starttest::JobBytes;
using Kind = common::RecordingNotifier::Kind;

namespace {

class JobFileTest : public starttest::StartFolderTest {
 protected:
  void SetUp() override {
    StartFolderTest::SetUp();
    Write("data.adr", "data\\\r\n");
    ASSERT_EQ(mkdir(At("data").c_str(), 0777), 0);
  }
  // The job file of the data folder.
  std::string DataJob() const { return Read("data/master.job"); }
  static int NameLength(const std::string& job, int entry) { return static_cast<unsigned char>(job[(entry - 1) * 18]); }
};

TEST_F(JobFileTest, OldFileIsWidenedAndKeepsItsBytes) {
  std::string old = JobBytes({{"UZIVATEL", "7"}, {"DAN1", "21"}}, 1818);
  old[1817] = 'z';  // stale byte in the last old entry
  Write("data/master.job", old);
  EXPECT_EQ(GetJob("DAN1"), "21");
  const std::string now = DataJob();
  ASSERT_EQ(now.size(), 3600u);
  EXPECT_EQ(now.substr(0, 1818), old);
  EXPECT_EQ(now.substr(1818), std::string(1782, '\0'));
}

TEST_F(JobFileTest, ReadJobInWidensItsFolder) {
  Write("other/master.job", JobBytes({{"GDPR", "A"}}, 1818));
  EXPECT_EQ(ReadJobIn("other\\", "GDPR"), "A");
  EXPECT_EQ(Read("other/master.job").size(), 3600u);
  EXPECT_EQ(ReadJobIn("other\\", "NONE"), "");
  EXPECT_EQ(ReadJobIn("missing\\", "GDPR"), "");
}

TEST_F(JobFileTest, WriteJobInWidensAnOldFileFirst) {
  const std::string old = JobBytes({{"ZAK1", "Firma"}}, 1818);
  Write("other/master.job", old);
  WriteJobIn("other\\", "SERVER1", "10.0.0.1");
  const std::string now = Read("other/master.job");
  ASSERT_EQ(now.size(), 3600u);
  EXPECT_EQ(now.substr(18, 18), JobBytes({{"SERVER1", "10.0.0.1"}}).substr(0, 18));
  EXPECT_EQ(ReadJobIn("other\\", "ZAK1"), "Firma");
}

TEST_F(JobFileTest, TrailingBlanksOnlyAreRemoved) {
  Write("data/master.job", JobBytes({{"ZAK1", " AB  "}, {"ZAK2", "        "}}));
  EXPECT_EQ(GetJob("ZAK1"), " AB");
  EXPECT_EQ(GetJob("ZAK2"), "");
  EXPECT_EQ(GetJob("zak1"), "");  // names are compared exactly
}

TEST_F(JobFileTest, RemovedEntryLeavesAHoleTheNextNameFills) {
  Write("data/master.job", JobBytes({{"A", "1"}, {"GDPR", "X"}, {"C", "3"}}));
  WriteJob("GDPR", "   ");
  std::string job = DataJob();
  EXPECT_EQ(NameLength(job, 2), 0);
  EXPECT_EQ(job[18 + 9], 0);  // value length too
  EXPECT_EQ(GetJob("GDPR"), "");
  WriteJob("NEW", "v  ");
  job = DataJob();
  EXPECT_EQ(NameLength(job, 2), 3);
  EXPECT_EQ(job.substr(19, 3), "NEW");
  EXPECT_EQ(job.substr(27, 2), "\x01v");  // trailing blanks of a new value dropped
  EXPECT_EQ(NameLength(job, 4), 0);  // not at the end
  EXPECT_EQ(GetJob("NEW"), "v");
}

TEST_F(JobFileTest, EmptyValueForAnAbsentNameChangesNothing) {
  const std::string before = JobBytes({{"A", "1"}});
  Write("data/master.job", before);
  WriteJob("ABSENT", "");
  WriteJob("ABSENT", "    ");
  EXPECT_EQ(DataJob(), before);
}

TEST_F(JobFileTest, NamesAndValuesAreCutToEight) {
  WriteJob("LONGNAME9", "123456789");  // creates the missing file
  const std::string job = DataJob();
  ASSERT_EQ(job.size(), 3600u);
  EXPECT_EQ(job.substr(0, 18), JobBytes({{"LONGNAME", "12345678"}}).substr(0, 18));
  EXPECT_EQ(GetJob("LONGNAME"), "12345678");
}

TEST_F(JobFileTest, FullTableTakesNothing) {
  std::vector<std::pair<std::string, std::string>> all;
  for (int i = 0; i < 200; ++i) all.push_back({"N" + std::to_string(i), "v"});
  const std::string full = JobBytes(all);
  Write("data/master.job", full);
  WriteJob("EXTRA", "x");
  EXPECT_EQ(DataJob(), full);
  WriteJob("N199", "w");
  EXPECT_EQ(GetJob("N199"), "w");
}

TEST_F(JobFileTest, StartFolderFileWins) {
  Write("data/master.job", JobBytes({{"MENA", "EUR"}}));
  Write("master.job", JobBytes({{"MENA", "USD"}}));
  EXPECT_EQ(JobFileName(CurrentSession()), "master.job");
  EXPECT_EQ(GetJob("MENA"), "USD");
  WriteJob("TAB", "5");
  EXPECT_EQ(Read("data/master.job"), JobBytes({{"MENA", "EUR"}}));

  ResetSession();
  Write("master.job", "x");  // almost empty: the data folder's file is used
  EXPECT_EQ(GetJob("MENA"), "EUR");
}

TEST_F(JobFileTest, KeptTableUntilReReadIsAsked) {
  Write("data/master.job", JobBytes({{"MENA", "EUR"}}));
  EXPECT_EQ(GetJob("MENA"), "EUR");
  EXPECT_EQ(CurrentSession().JobLoadState, 1);
  Write("data/master.job", JobBytes({{"MENA", "USD"}}));
  EXPECT_EQ(GetJob("MENA"), "EUR");  // kept during start-up
  CurrentSession().JobLoadState = 0;
  EXPECT_EQ(GetJob("MENA"), "USD");
  Write("data/master.job", JobBytes({{"MENA", "GBP"}}));
  EXPECT_EQ(GetJob("MENA"), "GBP");
}

TEST_F(JobFileTest, WriteJobRefreshesTheKeptTable) {
  Write("data/master.job", JobBytes({{"MENA", "EUR"}}));
  EXPECT_EQ(GetJob("MENA"), "EUR");
  Write("data/master.job", JobBytes({{"MENA", "USD"}}));  // another workstation
  WriteJob("TAB", "3");
  EXPECT_EQ(GetJob("TAB"), "3");
  EXPECT_EQ(GetJob("MENA"), "USD");
}

TEST_F(JobFileTest, UnreadableFileReadsEmpty) {
  ASSERT_EQ(mkdir(At("data/master.job").c_str(), 0777), 0);  // a folder in its place
  EXPECT_EQ(GetJob("MENA"), "");
  EXPECT_TRUE(notes.calls.empty());
}

TEST_F(JobFileTest, FileOfAnotherSizeIsReportedAndNeverRewritten) {
  const struct {
    const char* where;  // the start folder's file, or the data folder's
    std::string bytes;
  } cases[] = {{"master.job", "UZIVATEL=05\r\nSERVER1=x\r\n    \r\n"},
               {"data/master.job", JobBytes({{"A", "1"}, {"B", "2"}}).substr(0, 27)},
               {"data/master.job", std::string(3601, '\0')}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where + std::string(" ") + std::to_string(c.bytes.size()));
    ResetSession();
    notes.calls.clear();
    std::remove(At("master.job").c_str());
    Write(c.where, c.bytes);
    EXPECT_EQ(GetJob("A"), "");
    try {
      WriteJob("B", "3");
      FAIL() << "no error raised";
    } catch (const IoError& e) {
      EXPECT_EQ(e.code, io::kInvalidData);
    }
    EXPECT_EQ(Read(c.where), c.bytes);
    const auto texts = notes.Texts(Kind::Message);
    ASSERT_EQ(texts.size(), 1u);  // once for the file and its size
    EXPECT_NE(texts[0].find(Cz(At(c.where))), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find(Cz(" má ") + std::to_string(c.bytes.size()) + Cz(" bajtů")), std::string::npos) << texts[0];
    EXPECT_FALSE(JobFileSizeOk(c.where));
  }
  EXPECT_TRUE(JobFileSizeOk("missing.job"));
}

// Two workstations writing different entries of one job file at once: none is lost.
TEST_F(JobFileTest, TwoProcessesWritingDifferentEntriesLoseNone) {
  Write("data/master.job", JobBytes({}));
  constexpr int kEntries = 50, kRounds = 20;
  EXPECT_EQ(ostest::RunInChildren(2, [&](int child) {
              CurrentSession().JobLoadState = 0;
              int failed = 0;
              const auto name = [&](int i) { return "P" + std::to_string(child) + "E" + std::to_string(i); };
              for (int round = 0; round < kRounds; ++round) {
                for (int i = 0; i < kEntries; ++i) {
                  try {
                    WriteJob(name(i), std::to_string(round));
                  } catch (const IoError&) {
                    ++failed;
                  }
                }
                // The other workstation may write meanwhile, but never an older value of these.
                for (int i = 0; i < kEntries; ++i) failed += GetJob(name(i)) != std::to_string(round);
              }
              return failed == 0 ? 0 : 1;
            }),
            0);
  CurrentSession().JobLoadState = 0;
  int found = 0;
  for (int child = 0; child < 2; ++child)
    for (int i = 0; i < kEntries; ++i)
      found += GetJob("P" + std::to_string(child) + "E" + std::to_string(i)) == std::to_string(kRounds - 1);
  EXPECT_EQ(found, 2 * kEntries);
}

TEST_F(JobFileTest, FileInUseIsReportedAndLeftAlone) {
  const std::string before = JobBytes({{"A", "1"}});
  Write("data/master.job", before);
  CurrentSession().CurrentUser = "07";
  HeldFile held(At("data/master.job"));
  try {
    WriteJob("B", "2");
    FAIL() << "no error raised";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code, 32);
  }
  EXPECT_EQ(notes.Texts(Kind::Message), std::vector<std::string>{"Uz: 07 Soub: Master.job err     32"});
  held.Release();
  EXPECT_EQ(DataJob(), before);
}

TEST_F(JobFileTest, OtherOpenFailuresWriteNothing) {
  const std::string before = JobBytes({{"A", "1"}}, 1818);
  Write("data/master.job", before);
  FaultFileSystem faults;
  faults.Fail(FsOp::Open, EACCES, "master.job");
  ScopedFileSystem scoped(faults);
  try {
    WriteJob("B", "2");
    FAIL() << "no error raised";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code, 5);
  }
  EXPECT_EQ(DataJob(), before);
  EXPECT_TRUE(notes.calls.empty());
}

TEST_F(JobFileTest, FailedWriteIsRaised) {
  Write("data/master.job", JobBytes({{"A", "1"}}));
  FaultFileSystem faults;
  faults.Fail(FsOp::Write, ENOSPC, "master.job");
  ScopedFileSystem scoped(faults);
  EXPECT_THROW(WriteJob("B", "2"), IoError);
}

TEST_F(JobFileTest, MissingDataFolderIsRaisedNotCreated) {
  Write("data.adr", "nowhere\\");
  EXPECT_THROW(WriteJob("B", "2"), IoError);
  EXPECT_FALSE(Exists("nowhere"));
}

TEST_F(JobFileTest, FirmNameInTwentyFourCharacters) {
  Write("data/master.job", JobBytes({{"ZAK1", "Novak a "}, {"ZAK2", "spol. "}, {"ZAK3", "s.r.o."}}));
  EXPECT_EQ(FirmName(), "Novak aspol.s.r.o.      ");  // a blank ending a part is lost
  Write("master.job", JobBytes({{"ZAK1", "Jina"}}));
  ResetSession();
  EXPECT_EQ(FirmName(), "Jina" + std::string(20, ' '));
  EXPECT_EQ(FirmNameInData(), "Novak aspol.s.r.o.      ");
}

TEST(JobImage, SetAndFindEntries) {
  JobImage t{};
  EXPECT_FALSE(SetJobValue(t, "X", ""));
  EXPECT_TRUE(SetJobValue(t, "X", "1"));
  EXPECT_TRUE(SetJobValue(t, "Y", "2"));
  EXPECT_EQ(JobValue(t, "Y"), "2");
  EXPECT_TRUE(SetJobValue(t, "X", ""));
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(JobValue(t, "X"), "");
  EXPECT_FALSE(SetJobValue(t, "", "v"));
  t[18] = 200;  // a broken length byte reads as 8 characters
  EXPECT_EQ(JobValue(t, "Y"), "");
}

}  // namespace
