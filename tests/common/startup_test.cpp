#include "common/startup.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>

#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/jobfile.h"
#include "common/osfile.h"
#include "common/params.h"
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

// "UCPARAM.DTA" saved in every way a text file is saved is read whole: a last line
// without its line end is a line (a file cut inside it reads as far as it goes). One
// that cannot be a text file is said once and nothing of it is used or written.
TEST_F(StartupTest, GoodUcParamFilesAreReadAndDamagedOnesSaidOnce) {
  const std::string lines = "MenaEU : EUR\r\nKursEU : 25.2\r\nUcRok : 24\r\nUcObd : 03";
  const struct {
    const char* what;
    std::string bytes;
    const char* year;
    double rate;
  } good[] = {
      {"no final line end", lines, "24", 25.2},
      {"CR LF", lines + "\r\n", "24", 25.2},
      {"LF", "MenaEU : EUR\nKursEU : 25.2\nUcRok : 24\nUcObd : 03\n", "24", 25.2},
      {"byte-order mark", "\xEF\xBB\xBFPoznamka : x\r\n" + lines, "24", 25.2},
      {"Czech letters", "Pozn\xE1mka : \xFA\xE8\x65tn\xED rok\r\n" + lines, "24", 25.2},
      {"end-of-file byte", lines + "\r\n\x1A\x01\x02\x03", "24", 25.2},
      {"cut inside the rate", "UcRok : 24\r\nUcObd : 03\r\nMenaEU : EUR\r\nKursEU : 25", "24", 25.0},
  };
  for (const auto& c : good) {
    SCOPED_TRACE(c.what);
    ResetSession();
    notes.calls.clear();
    Write("UCPARAM.DTA", c.bytes);
    const Session& s = Start({{"UZIVATEL", "3"}});
    EXPECT_EQ(s.AccYear, c.year);
    EXPECT_EQ(s.AccPeriod, "03");
    EXPECT_DOUBLE_EQ(s.KursEU, c.rate);
    EXPECT_EQ(s.MenaEU, "EUR");
    EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
  }

  std::string big;
  while (big.size() <= 1u << 20) big += "UcRok : 24\r\n";
  const struct {
    const char* what;
    std::function<void()> make;
    std::string said;
  } damaged[] = {
      {"binary bytes", [&] { Write("UCPARAM.DTA", "UcRok : 24\r\n\x01\x02\x03\r\n" + lines); }, " není textový soubor"_cz},
      {"a folder", [&] { ASSERT_EQ(mkdir(At("UCPARAM.DTA").c_str(), 0777), 0); }, " je složka, ne soubor"_cz},
      {"too big", [&] { Write("UCPARAM.DTA", big); }, " je příliš velký ("_cz + std::to_string(big.size()) + " B)"},
  };
  for (const auto& c : damaged) {
    SCOPED_TRACE(c.what);
    ResetSession();
    notes.calls.clear();
    std::filesystem::remove_all(At("UCPARAM.DTA"));
    c.make();
    const std::string before = std::filesystem::is_directory(At("UCPARAM.DTA")) ? "" : Read("UCPARAM.DTA");
    Session& s = Start({{"UZIVATEL", "3"}});
    EXPECT_EQ(s.AccYear, "");
    EXPECT_EQ(s.AccPeriod, "");
    EXPECT_EQ(s.MenaEU, "");
    EXPECT_EQ(notes.Texts(RecordingNotifier::Kind::Message),
              std::vector<std::string>{"Soubor UCPARAM.DTA"_cz + c.said +
                                       "; jeho hodnoty nepoužívám a nepřepisuji ho, změny platí jen do konce práce"_cz});
    WriteParam("UCPARAM.DTA", "UcRok", "25");
    FlushParamsSaying();
    EXPECT_EQ(notes.Texts(RecordingNotifier::Kind::Message).size(), 1u) << notes.Dump();
    if (!before.empty()) EXPECT_EQ(Read("UCPARAM.DTA"), before);
    else EXPECT_TRUE(std::filesystem::is_directory(At("UCPARAM.DTA")));
  }
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

// The run is to end while a start-up message is open (a signal came): no further step
// begins, so neither the default user is written nor the user-slot table made. The
// same start without the end goes on to both.
TEST_F(StartupTest, AnEndDuringAMessageStartsNoFurtherStep) {
  struct EndingAtMessage : RecordingNotifier {
    void Message(const std::string& text) override {
      RecordingNotifier::Message(text);
      said = true;
    }
    bool said = false;
  };
  const struct {
    const char* what;
    const char* file;
    std::string bytes;
    const char* user;  // "0" when the message comes before the default user is written
  } cases[] = {{"a bad drives.map line", "drives.map", "X relative\n", "0"},
               {"a damaged UCPARAM.DTA", "UCPARAM.DTA", std::string("UcRok : 24\r\n\x01\x02\r\n"), "5"},
               {"a data folder's job file of a wrong size", "data/master.job", "UZIVATEL=05\r\n", "5"}};
  for (const auto& c : cases) {
    for (const bool ending : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (ending ? ", ending" : ""));
      ResetSession();
      Drives() = DriveMap();
      std::filesystem::remove_all(At("data"));
      ASSERT_EQ(mkdir(At("data").c_str(), 0777), 0);
      for (const char* other : {"drives.map", "UCPARAM.DTA"}) unlink(At(other).c_str());
      Write(c.file, c.bytes + (ending ? "" : " "));  // a wrong size is said once per size
      Write("master.job", JobBytes({{"UZIVATEL", c.user}}));
      const std::string job = Read("master.job");
      const std::string before = ostest::Listing(At("")) + " | " + ostest::Listing(At("data"));
      EndingAtMessage notes;
      ScopedNotifier scoped(notes);
      StartupOptions options;
      if (ending) options.ended = [&notes] { return notes.said; };
      LoadStartupConfig(options);
      EXPECT_EQ(notes.Texts(RecordingNotifier::Kind::Message).size(), 1u) << notes.Dump();
      if (ending) {
        EXPECT_EQ(ostest::Listing(At("")) + " | " + ostest::Listing(At("data")), before);
        EXPECT_EQ(Read("master.job"), job);
      } else {
        EXPECT_EQ(Read("data/UZIVATEL.tab").size(), 200u);
        EXPECT_EQ(GetJob("UZIVATEL"), c.user == std::string("0") ? "01" : "5");
      }
    }
  }
}
