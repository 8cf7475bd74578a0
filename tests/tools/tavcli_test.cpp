// tavcli as a new user meets it: run as a separate process in a start folder.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/os_tempdir.h"
#include "tests/common/processes.h"

#ifdef TAVCLI_EXE
namespace {

struct TavcliTest : ::testing::Test {
  ostest::TempDir dir;

  ostest::ToolRun Run(std::vector<std::string> args) { return ostest::RunTool(TAVCLI_EXE, dir.path(), std::move(args)); }
  void Write(const std::string& rel, const std::string& bytes) { ostest::WriteRaw(dir / rel, bytes); }
  std::string Read(const std::string& rel) { return ostest::ReadRaw(dir / rel); }
  // The README's set-up: the data folder "X:\DATA\" on a drive of drives.map.
  void ReadmeFolders() {
    Write("srv/DATA/.keep", "");
    Write("data.adr", "X:\\DATA\\\r\n");
    Write("drives.map", "X: " + dir.path() + "/srv\n");
  }
};

TEST_F(TavcliTest, EveryCommandFindsTheDataFolderThroughTheDriveMap) {
  ReadmeFolders();
  EXPECT_EQ(Run({"job", "set", "ZAK1", "Firma"}).rc, 0);
  EXPECT_EQ(Read("srv/DATA/master.job").size(), 3600u);
  const ostest::ToolRun got = Run({"job", "get", "ZAK1"});
  EXPECT_EQ(got.out, "Firma\n");
  EXPECT_EQ(got.rc, 0);
  EXPECT_EQ(Run({"param", "set", "X:\\DATA\\a.par", "Klic", "hodnota"}).rc, 0);
  EXPECT_EQ(Read("srv/DATA/a.par"), "Klic : hodnota\r\n");
  EXPECT_EQ(Run({"param", "get", "X:\\DATA\\a.par", "klic"}).out, "hodnota\n");
  EXPECT_EQ(Run({"datadir", "CI10.DTA"}).out, "X:\\DATA\\CI10.DTA\n");
  EXPECT_EQ(Run({"log", "Zpráva"}).rc, 0);
  EXPECT_NE(Read("srv/DATA/PROTOKOL.PRT").find("Zpr"), std::string::npos);
  // Without the map the folder is not found, and that is said.
  Write("drives.map", "");
  const ostest::ToolRun lost = Run({"job", "get", "ZAK1"});
  EXPECT_EQ(lost.rc, 1);
  EXPECT_NE(lost.err.find("X:\\DATA\\master.job"), std::string::npos) << lost.err;
  EXPECT_NE(lost.err.find("folder not found"), std::string::npos) << lost.err;
}

TEST_F(TavcliTest, JobSetInAFolderWritesThatFoldersJobFile) {
  ReadmeFolders();
  EXPECT_EQ(Run({"job", "set", "--in", "./", "UZIVATEL", "01"}).rc, 0);
  const std::string job = Read("master.job");
  ASSERT_EQ(job.size(), 3600u);
  EXPECT_EQ(job.substr(0, 12), std::string("\x08UZIVATEL\x02" "01", 12));
  EXPECT_EQ(Run({"job", "get", "--in", "./", "UZIVATEL"}).out, "01\n");
  EXPECT_EQ(Run({"job", "get", "UZIVATEL"}).out, "01\n");  // the start folder's is the one in use
  EXPECT_EQ(Run({"job", "set", "--in", "X:\\DATA\\", "SERVER1", "10.0.0.1"}).rc, 0);
  EXPECT_EQ(Run({"job", "get", "--in", "X:\\DATA\\", "SERVER1"}).out, "10.0.0.1\n");
  EXPECT_EQ(Run({"userslot"}).out, "0099\n");  // start-up runs as user 01 and creates the slot table
  EXPECT_EQ(Read("srv/DATA/UZIVATEL.tab").size(), 200u);
}

// A name or value longer than an entry holds is refused, never cut: a cut server address
// names another machine. The split that fits is named.
TEST_F(TavcliTest, JobSetRefusesWhatAnEntryCannotHold) {
  ReadmeFolders();
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> named;
  } cases[] = {
      {{"job", "set", "--in", "X:\\DATA\\", "SERVER1", "127.0.0.151"},
       {"'127.0.0.151'", "11 characters", "holds 8", "SERVER2", "job set --in 'X:\\DATA\\' SERVER1 '127.0.0.'",
        "job set --in 'X:\\DATA\\' SERVER2 '151'"}},
      {{"job", "set", "SERVER1", "server.example.cz"}, {"17 characters", "at most 16 characters", "SERVER2"}},
      {{"job", "set", "ZAK1", "Firma s.r.o."}, {"'Firma s.r.o.'", "holds 8"}},
      {{"job", "set", "ZAKAZKA12", "x"}, {"'ZAKAZKA12'", "holds 8"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const ostest::ToolRun r = Run(c.args);
    EXPECT_EQ(r.rc, 2);
    for (const std::string& part : c.named) EXPECT_NE(r.err.find(part), std::string::npos) << part << "\n" << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "srv/DATA/master.job"));
    EXPECT_FALSE(std::filesystem::exists(dir / "master.job"));
  }
  EXPECT_EQ(Run({"job", "set", "--in", "X:\\DATA\\", "SERVER1", "127.0.0."}).rc, 0);  // eight fit
  EXPECT_EQ(Run({"job", "get", "--in", "X:\\DATA\\", "SERVER1"}).out, "127.0.0.\n");
}

TEST_F(TavcliTest, AJobFileOfAnotherSizeIsNamedAndNeverRewritten) {
  ReadmeFolders();
  const struct {
    std::vector<std::string> args;
    const char* bytes;
  } cases[] = {{{"job", "set", "UZIVATEL", "05"}, "UZIVATEL=05 and some more text"},
               {{"job", "get", "UZIVATEL"}, "UZIVATEL=05 and some more text"},
               {{"job", "set", "UZIVATEL", "05"}, ""},
               {{"job", "set", "--in", "./", "UZIVATEL", "05"}, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + std::to_string(std::string(c.bytes).size()));
    Write("master.job", c.bytes);
    const ostest::ToolRun r = Run(c.args);
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find(dir / "master.job"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("má " + std::to_string(std::string(c.bytes).size()) + " bajtů"), std::string::npos) << r.err;
    EXPECT_EQ(Read("master.job"), c.bytes);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "srv/DATA/master.job"));
}

TEST_F(TavcliTest, ParamSetRefusesAFileHoldingBinaryBytes) {
  const std::string binary("Klic : 1\r\n\x00\x01\x02\xfe", 14);
  Write("par/data.bin", binary);
  const ostest::ToolRun r = Run({"param", "set", "par\\data.bin", "Klic", "2"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("par\\data.bin"), std::string::npos) << r.err;
  EXPECT_EQ(Read("par/data.bin"), binary);
}

TEST_F(TavcliTest, BadDriveMapLinesAreNamedAndTheGoodOnesApply) {
  ReadmeFolders();
  Write("drives.map", "# drives\nY " + dir.path() + "/srv\nX: " + dir.path() + "/srv\nX:relative\n");
  EXPECT_EQ(Run({"job", "set", "ZAK1", "Firma"}).rc, 0);
  const ostest::ToolRun r = Run({"job", "get", "ZAK1"});
  EXPECT_EQ(r.out, "Firma\n");
  EXPECT_NE(r.err.find("řádek 2 v souboru drives.map: Y " + dir.path() + "/srv"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("řádek 4 v souboru drives.map: X:relative"), std::string::npos) << r.err;
}

TEST_F(TavcliTest, HelpSaysWhatEachCommandDoesAndWhichFilesItTouches) {
  const ostest::ToolRun r = Run({"--help"});
  EXPECT_EQ(r.rc, 0);
  for (const char* part : {"job get NAME", "job set NAME VALUE", "job set --in FOLDER NAME VALUE", "param get FILE KEY",
                           "param set FILE KEY VALUE", "log MESSAGE", "datadir [NAME]", "userslot", "startup",
                           "lock R|W PATH", "unlock PATH", "ifvolny PATH", "drives.map", "data.adr", "master.job",
                           "UZIVATEL.tab", "FOT.tab", "PROTOKOL.PRT", "--clock", "Exit codes"})
    EXPECT_NE(r.out.find(part), std::string::npos) << part;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));  // help touches nothing
}

TEST_F(TavcliTest, AWrongCommandLineNamesTheWrongArgument) {
  const struct {
    std::vector<std::string> args;
    const char* named;
  } cases[] = {
      {{"lock", "X", "f"}, "'X'"},
      {{"job", "get", "A", "B"}, "'B'"},
      {{"job", "set", "A"}, "missing argument"},
      {{"jobs"}, "'jobs'"},
      {{"param", "put", "f", "k"}, "'param put'"},
      {{"--bogus", "startup"}, "'--bogus'"},
      {{"lock", "--server", "host:99999", "R", "f"}, "'host:99999'"},
      {{"job", "set", "--in", "folder", "A", "B"}, "'folder'"},
      {{"--clock", "2026-02-30T10:00:00", "startup"}, "2026-02-30T10:00:00"},
      {{"--clock", "2026-02-28T24:00:00", "startup"}, "2026-02-28T24:00:00"},
      {{"--clock", "2026-13-01T10:00:00", "startup"}, "2026-13-01T10:00:00"},
      {{"--clock", "2026-1-1T10:00:00", "startup"}, "2026-1-1T10:00:00"},
      {{"--clock"}, "--clock"},
      {{}, "no command"},
  };
  for (const auto& c : cases) {
    const ostest::ToolRun r = Run(c.args);
    EXPECT_EQ(r.rc, 2) << c.named;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  const ostest::ToolRun leap = Run({"--clock", "2024-02-29T23:59:59", "datadir"});
  EXPECT_EQ(leap.rc, 0) << leap.err;
}

}  // namespace
#endif
