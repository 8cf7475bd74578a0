#include "common/startup.h"

#include <algorithm>
#include <cerrno>
#include <functional>

#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/jobfile.h"
#include "common/osfile.h"
#include "common/scramble.h"
#include "start_folder.h"

using namespace common;
using namespace common::literals;
using starttest::JobBytes;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

class StartupTest : public starttest::StartFolderTest {
 protected:
  void SetUp() override {
    StartFolderTest::SetUp();
    Write("data.adr", "data\\\r\n");
    ASSERT_EQ(mkdir(At("data").c_str(), 0777), 0);
  }
  Session& Start(const Entries& job, const Entries& dataJob = {}, const StartupOptions& options = {}) {
    Write("master.job", JobBytes(job));
    if (!dataJob.empty()) Write("data/master.job", JobBytes(dataJob));
    LoadStartupConfig(options);
    return CurrentSession();
  }
};

TEST_F(StartupTest, WithoutStartFolderJobFileOnlyDataFolderSwitches) {
  Write("data/master.job", JobBytes({{"UZIVATEL", "7"}, {"GDPR", "A"}, {"SERVER1", "192.168."},
                                     {"SERVER2", "1.10"}, {"FJ", "1"}, {"MENA", "EUR"}}));
  LoadStartupConfig();
  const Session& s = CurrentSession();
  EXPECT_EQ(s.ScrambleOn, 1);  // personal data stays scrambled on this workstation too
  EXPECT_EQ(s.LockServerName, "192.168.1.10");
  EXPECT_EQ(s.FjOn, 1);
  EXPECT_EQ(s.CurrentUser, "");
  EXPECT_EQ(s.CurrencyCode, "");
  EXPECT_EQ(s.LimRad, 64);
  EXPECT_EQ(s.JobLoadState, -1);
  EXPECT_EQ(s.ScrambleKey, ProgramScrambleKey());
  EXPECT_FALSE(Exists("data/UZIVATEL.tab"));
  // The job table is then read once for the whole run.
  EXPECT_EQ(GetJob("MENA"), "EUR");
  Write("data/master.job", JobBytes({{"MENA", "USD"}}));
  EXPECT_EQ(GetJob("MENA"), "EUR");
}

TEST_F(StartupTest, NothingAnywhereLeavesDefaults) {
  LoadStartupConfig();
  const Session& s = CurrentSession();
  EXPECT_EQ(s.ScrambleOn, 0);
  EXPECT_EQ(s.LockServerName, "");
  EXPECT_EQ(s.CurrentUser, "");
  EXPECT_EQ(s.AresOn, 1);
  EXPECT_TRUE(notes.calls.empty());
}

struct Case {
  const char* what;
  Entries job;
  Entries dataJob;
  std::function<void(const Session&)> check;
};

TEST_F(StartupTest, SettingsFromTheJobFiles) {
  const std::vector<Case> cases = {
      {"user 7", {{"UZIVATEL", "7"}}, {},
       [](const Session& s) {
         EXPECT_EQ(s.CurrentUser, "07");
         EXPECT_EQ(s.UserNo, 7);
       }},
      {"user cut to two characters", {{"UZIVATEL", "123"}}, {}, [](const Session& s) { EXPECT_EQ(s.CurrentUser, "12"); }},
      {"user -1 wraps like a byte and has no slot", {{"UZIVATEL", "-1"}}, {},
       [](const Session& s) {
         EXPECT_EQ(s.UserNo, 255);
         EXPECT_EQ(s.CurrentUser, "55");
         EXPECT_EQ(s.StartUserText, "0000");
       }},
      {"defaults", {{"UZIVATEL", "3"}}, {},
       [](const Session& s) {
         EXPECT_EQ(s.CurrencyCode, "CZK");
         EXPECT_EQ(s.LimRad, 64);
         EXPECT_EQ(s.PrintMode, 0);
         EXPECT_EQ(s.AresOn, 1);
         EXPECT_EQ(s.ScrambleOn, 0);
         EXPECT_EQ(s.PrintDpiX, 300);
         EXPECT_EQ(s.StartUserText, "0099");
         EXPECT_EQ(s.JobLoadState, 0);
         EXPECT_EQ(s.FirmTitle, std::string(24, ' '));
       }},
      {"currency, lines, tab, port", {{"UZIVATEL", "3"}, {"MENA", "EURO"}, {"LIMRAD", "70"}, {"TAB", "12"}, {"OB_PORT", "5"}}, {},
       [](const Session& s) {
         EXPECT_EQ(s.CurrencyCode, "EUR");
         EXPECT_EQ(s.LimRad, 70);
         EXPECT_EQ(s.JobTab, 12);
         EXPECT_EQ(s.ObPort, 5);
       }},
      {"LIMRAD 0", {{"UZIVATEL", "3"}, {"LIMRAD", "0"}}, {}, [](const Session& s) { EXPECT_EQ(s.LimRad, 64); }},
      {"MONPAR K and L", {{"UZIVATEL", "3"}, {"MONPAR", "xKxL"}}, {}, [](const Session& s) { EXPECT_EQ(s.PrintMode, 2); }},
      {"MONPAR blank and L", {{"UZIVATEL", "3"}, {"MONPAR", "x xl"}}, {}, [](const Session& s) { EXPECT_EQ(s.PrintMode, 1); }},
      {"MONPAR L and K", {{"UZIVATEL", "3"}, {"MONPAR", "xLxK"}}, {}, [](const Session& s) { EXPECT_EQ(s.PrintMode, 3); }},
      {"MONPAR blank and K", {{"UZIVATEL", "3"}, {"MONPAR", "x xK"}}, {}, [](const Session& s) { EXPECT_EQ(s.PrintMode, 4); }},
      {"MONPAR other", {{"UZIVATEL", "3"}, {"MONPAR", "xKxK"}}, {}, [](const Session& s) { EXPECT_EQ(s.PrintMode, 0); }},
      {"DIAKTISK N wins", {{"UZIVATEL", "3"}, {"MONPAR", "xKxL"}, {"DIAKTISK", " N "}}, {},
       [](const Session& s) { EXPECT_EQ(s.PrintMode, 5); }},
      {"switches", {{"UZIVATEL", "3"}, {"FMA343", "a"}, {"NovyList", "A"}, {"ARES", "ne"}}, {},
       [](const Session& s) {
         EXPECT_EQ(s.Fma343, 1);
         EXPECT_EQ(s.NovyList, 1);
         EXPECT_EQ(s.AresOn, 0);
       }},
      {"lower-case NovyList value is off", {{"UZIVATEL", "3"}, {"NovyList", "a"}}, {},
       [](const Session& s) { EXPECT_EQ(s.NovyList, 0); }},
      {"computer", {{"UZIVATEL", "3"}, {"POCITAC", "0012x"}}, {},
       [](const Session& s) {
         EXPECT_EQ(s.ComputerId, "0012");
         EXPECT_EQ(s.ComputerNo, 12);
       }},
      {"VAT rates", {{"UZIVATEL", "3"}, {"DAN1", "21"}, {"DAN2", "12,0"}, {"DAN3", "0"}}, {},
       [](const Session& s) {
         EXPECT_DOUBLE_EQ(s.VatRateDan1, 21);
         EXPECT_DOUBLE_EQ(s.VatRateDan2, 12);
         EXPECT_EQ(s.VatTextDan1, "21");
         EXPECT_EQ(s.VatTextDan2, "12");
         EXPECT_EQ(s.VatTextDan3, "  ");
       }},
      {"GDPR of blanks", {{"UZIVATEL", "3"}}, {{"GDPR", "   "}}, [](const Session& s) { EXPECT_EQ(s.ScrambleOn, 0); }},
      {"GDPR and server from the data folder", {{"UZIVATEL", "3"}, {"GDPR", "A"}},
       {{"GDPR", "1"}, {"SERVER1", "srv"}, {"ZAK1", "Firma"}},
       [](const Session& s) {
         EXPECT_EQ(s.ScrambleOn, 1);
         EXPECT_EQ(s.LockServerName, "srv");
         EXPECT_EQ(s.FirmTitle, "Firma" + std::string(19, ' '));
       }},
      {"GDPR only in the start folder", {{"UZIVATEL", "3"}, {"GDPR", "A"}}, {{"MENA", "EUR"}},
       [](const Session& s) { EXPECT_EQ(s.ScrambleOn, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetSession();
    unlink(At("data/master.job").c_str());
    unlink(At("data/UZIVATEL.tab").c_str());
    c.check(Start(c.job, c.dataJob));
  }
}

TEST_F(StartupTest, DefaultUserIsWritten) {
  for (const Entries& job : {Entries{{"UZIVATEL", "0"}}, Entries{}, Entries{{"UZIVATEL", "ab"}}}) {
    ResetSession();
    const Session& s = Start(job);
    EXPECT_EQ(s.CurrentUser, "01");
    EXPECT_EQ(s.UserNo, 1);
    ResetSession();
    EXPECT_EQ(GetJob("UZIVATEL"), "01");  // now in the start folder's file
  }
}

TEST_F(StartupTest, UnwritableJobFileStillGivesTheDefaultUser) {
  Write("master.job", JobBytes({{"UZIVATEL", "0"}}));
  FaultFileSystem faults;
  faults.Fail(FsOp::Write, ENOSPC, "master.job");
  ScopedFileSystem scoped(faults);
  LoadStartupConfig();
  EXPECT_EQ(CurrentSession().CurrentUser, "01");
  EXPECT_EQ(CurrentSession().JobLoadState, 0);
}

TEST_F(StartupTest, ParameterFiles) {
  Write("UCPARAM.DTA", "UcRok : 2 4\r\nUcObd : 0 3\r\nKursEU : 25,3\r\nMenaEU : EURO\r\n");
  Write("arj.par", "arj64EXE : arj64\r\n");
  Write("sys.par", "stredniky : Ano\r\n");
  Write("par/okna2.par", "CencTisk : A\r\n");
  const Session& s = Start({{"UZIVATEL", "3"}});
  EXPECT_EQ(s.AccYear, "24");
  EXPECT_EQ(s.AccPeriod, "03");
  EXPECT_DOUBLE_EQ(s.KursEU, 25.3);
  EXPECT_EQ(s.MenaEU, "EUR");
  EXPECT_EQ(s.Arj64, 1);
  EXPECT_EQ(s.SemicolonOut, 1);
  EXPECT_EQ(s.CencTisk, 1);
}

TEST_F(StartupTest, SemicolonsOnlyForExactlyAno) {
  Write("sys.par", "stredniky : ano\r\n");
  EXPECT_EQ(Start({{"UZIVATEL", "3"}}).SemicolonOut, 0);
}

TEST_F(StartupTest, StartFolderAndLocksOff) {
  std::string win = "C:" + dir.path() + "/";
  for (char& c : win)
    if (c == '/') c = '\\';
  const std::string upper = UpperCp1250(win);

  Write("data.adr", dir.path() + "\r\n");  // the start folder itself, without a drive
  Session& s = Start({{"UZIVATEL", "3"}});
  EXPECT_EQ(s.StartDir, upper);
  EXPECT_EQ(s.LocksOff, 1);

  ResetSession();
  Write("data.adr", win + "\r\n");  // with the drive, in another case
  EXPECT_EQ(Start({{"UZIVATEL", "3"}}).LocksOff, 1);

  ResetSession();
  Write("data.adr", "data\\\r\n");
  EXPECT_EQ(Start({{"UZIVATEL", "3"}}).LocksOff, 0);
}

TEST_F(StartupTest, WindowsFolderNames) {
  Drives().Set("X", "/srv/ucto");
  EXPECT_EQ(WindowsFolderName("/srv/ucto/firma/"), "X:\\firma\\");
  EXPECT_EQ(WindowsFolderName("/home/a"), "C:\\home\\a\\");
  Drives().Clear();
  EXPECT_EQ(WindowsFolderName("/home/a/"), "\\home\\a\\");
}

TEST_F(StartupTest, TheRootOfTheCurrentDriveIsTheDriveHoldingTheStartFolder) {
  ASSERT_EQ(SetCurrentFolder(At("data")), 0);
  std::string start = CurrentFolder();
  if (start.ends_with('/')) start.pop_back();
  std::string windows = start + "/";
  std::replace(windows.begin(), windows.end(), '/', '\\');
  // Only the default "C:" on "/" holds it: the start folder stands for the root.
  EXPECT_EQ(OnCurrentDrive("\\TAVONA3W\\"), "C:" + windows + "TAVONA3W\\");
  Drives().Set("D", start.substr(0, start.rfind('/')));
  EXPECT_EQ(OnCurrentDrive("\\TAVONA3W\\"), "D:\\TAVONA3W\\");
  Drives().Set("E", start);  // the deepest one
  EXPECT_EQ(OnCurrentDrive("/TAVONA3W/"), "E:\\TAVONA3W\\");
  EXPECT_EQ(OnCurrentDrive("dbf\\"), "dbf\\");
  EXPECT_EQ(OnCurrentDrive("X:\\TAVONA3W\\"), "X:\\TAVONA3W\\");
  EXPECT_EQ(OnCurrentDrive("\\\\srv\\share\\"), "\\\\srv\\share\\");
  Drives().Clear();
  EXPECT_EQ(OnCurrentDrive("\\TAVONA3W\\"), windows + "TAVONA3W\\");
}

TEST_F(StartupTest, LargeFontsAndRunningOnce) {
  Session& s = Start({{"UZIVATEL", "3"}}, {}, StartupOptions{120});
  EXPECT_DOUBLE_EQ(s.ScreenPpi, 1.25);
  Write("master.job", JobBytes({{"UZIVATEL", "9"}}));
  LoadStartupConfig();  // a second request does nothing
  EXPECT_EQ(s.CurrentUser, "03");
}

}  // namespace

TEST_F(StartupTest, DriveMapInStartFolderResolvesWindowsDataFolder) {
  Write("drives.map", "X: " + At("data") + "\n");
  Write("data.adr", "X:\\\r\n");
  Write("data/master.job", JobBytes({{"GDPR", "A"}}));
  LoadStartupConfig();
  EXPECT_EQ(CurrentSession().ScrambleOn, 1);  // the job file was found through X:
  Drives().Remove("X:");
}

TEST_F(StartupTest, MalformedDriveMapIsReportedAndChangesNothing) {
  RecordingNotifier notes;
  ScopedNotifier scoped(notes);
  Write("drives.map", "X: relative/folder\n");
  LoadStartupConfig();
  EXPECT_EQ(notes.Count(RecordingNotifier::Kind::Message, "Chybn"_cz), 1);
  EXPECT_EQ(Drives().Folder("X:"), "");
}

TEST_F(StartupTest, StartFolderJobFileOfAnotherSizeIsReportedAndLeftAlone) {
  for (const std::string& bytes : {std::string("UZIVATEL=05\r\nSERVER1=srv\r\n"), std::string()}) {
    SCOPED_TRACE(bytes.size());
    RecordingNotifier notes;
    ScopedNotifier scoped(notes);
    ResetSession();
    Write("master.job", bytes);
    LoadStartupConfig();
    EXPECT_EQ(CurrentSession().CurrentUser, "");  // the configuration is skipped
    EXPECT_EQ(Read("master.job"), bytes);
    const auto texts = notes.Texts(RecordingNotifier::Kind::Message);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find(At("master.job") + " má "_cz + std::to_string(bytes.size()) + " bajtů"_cz), std::string::npos)
        << texts[0];
  }
}

TEST_F(StartupTest, BadDriveMapLinesAreNamedAndTheGoodOnesApply) {
  RecordingNotifier notes;
  ScopedNotifier scoped(notes);
  Write("drives.map", "# mine\nX " + At("data") + "\nX: " + At("data") + "\nQ: relative\n");
  Write("data.adr", "X:\\\r\n");
  Write("data/master.job", JobBytes({{"GDPR", "A"}}));
  LoadStartupConfig();
  EXPECT_EQ(CurrentSession().ScrambleOn, 1);  // the good line applied
  const auto texts = notes.Texts(RecordingNotifier::Kind::Message);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("Chybný řádek 2 v souboru drives.map: X "_cz + At("data")), std::string::npos) << texts[0];
  EXPECT_NE(texts[0].find("Chybný řádek 4 v souboru drives.map: Q: relative"_cz), std::string::npos) << texts[0];
  Drives().Remove("X:");
}
