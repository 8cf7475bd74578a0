#include "common/dirs.h"

#include <sys/stat.h>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "start_folder.h"

using namespace common;
using namespace common::literals;

namespace {

using DirsTest = starttest::StartFolderTest;

// ---- Folders ----------------------------------------------------------------------

TEST_F(DirsTest, DataDirForms) {
  Write("data.adr", "X:\\UCTO\\FIRMA\\\r\n");
  Write("^KodyBank.dta", "Y:\\SDILENE\\\r\n");
  EXPECT_EQ(DataDir("CI10.DTA"), "X:\\UCTO\\FIRMA\\CI10.DTA");
  EXPECT_EQ(DataDir("\\CI10.DTA"), "X:\\UCTO\\FIRMA\\CI10.DTA");
  EXPECT_EQ(DataDir("=/srv/jinde/CI10.DTA"), "/srv/jinde/CI10.DTA");
  EXPECT_EQ(DataDir("\\=C:\\A\\B.DTA"), "C:\\A\\B.DTA");
  EXPECT_EQ(DataDir("KodyBank.dta"), "Y:\\SDILENE\\KodyBank.dta");
  EXPECT_EQ(DataDir("kodybank.dta"), "Y:\\SDILENE\\kodybank.dta");  // the redirect file is found without case
  EXPECT_EQ(DataDir(""), "X:\\UCTO\\FIRMA\\");
  Write("^CI11.DTA", "");  // an empty redirect counts as none
  EXPECT_EQ(DataDir("CI11.DTA"), "X:\\UCTO\\FIRMA\\CI11.DTA");
}

TEST_F(DirsTest, DataFolderIsReadOnceAndGetsOneBackslash) {
  Write("data.adr", "X:\\UCTO\\FIRMA");
  EXPECT_EQ(DataDir("A.DTA"), "X:\\UCTO\\FIRMA\\A.DTA");
  Write("data.adr", "Z:\\JINA\\");
  EXPECT_EQ(DataDir("A.DTA"), "X:\\UCTO\\FIRMA\\A.DTA");  // kept for the run
  EXPECT_EQ(DataDirName(), "JINA");                        // read anew
  Write("data.adr", "/srv/ucto/firma/");
  EXPECT_EQ(DataDirName(), "firma");
  ResetSession();
  EXPECT_EQ(DataDir("A.DTA"), "/srv/ucto/firma/A.DTA");  // a Linux folder gets no "\"
}

TEST_F(DirsTest, MissingPointerFilesMeanTheStartFolder) {
  EXPECT_EQ(DataDir("CI10.DTA"), "CI10.DTA");
  EXPECT_EQ(ProgDir("\\2\\norm.fnt"), "2\\norm.fnt");
  EXPECT_EQ(CurrentSession().DataDirPath, "");
  EXPECT_EQ(DataDirName(), "");
}

TEST_F(DirsTest, LongFoldersAreKeptWhole) {
  const std::string folder = "X:\\" + std::string(70, 'a') + "\\" + std::string(40, 'b') + "\\";
  Write("data.adr", folder + "\r\n");
  Write("prog.adr", folder + "\r\n");
  Write("^R.DTA", folder + "r\\\r\n");
  EXPECT_EQ(DataDir("CI10.DTA"), folder + "CI10.DTA");
  EXPECT_EQ(ProgDir("JMENA.tab"), folder + "JMENA.tab");
  EXPECT_EQ(DataDir("R.DTA"), folder + "r\\R.DTA");
}

TEST_F(DirsTest, ProgDirHasNoRedirects) {
  Write("prog.adr", "P:\\PROG\\");
  Write("^norm.fnt", "Y:\\JINDE\\");
  EXPECT_EQ(ProgDir("norm.fnt"), "P:\\PROG\\norm.fnt");
  EXPECT_EQ(ProgDir("=X.DTA"), "P:\\PROG\\=X.DTA");
}

// ---- Listings ---------------------------------------------------------------------

TEST_F(DirsTest, NumberPlacesMustBeDigitsAndEmptyFilesAreSkipped) {
  Write("l/CI10.DTA", "x");
  Write("l/CI7a.DTA", "x");
  Write("l/CIab.DTA", "x");
  Write("l/CI11.DTA", "");
  Write("l/ci02.dta", "x");
  std::vector<std::string> names;
  EXPECT_EQ(ListFiles("l\\CI##.DTA", names, 64, 100), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"CI10.DTA", "ci02.dta"}));  // bytewise: capitals first
}

TEST_F(DirsTest, ListFilesWithDateAndTime) {
  Write("l/A.TXT", "x");
  SetMtime("l/A.TXT", UnixNsFromLocal({2024, 3, 7, 9, 5, 8, 0}) / 1000000000);
  std::vector<std::string> names;
  ASSERT_EQ(ListFiles("l\\*.TXT", names, 10064, 10), 1);
  const std::uint32_t dos = ToDosDateTime({2024, 3, 7, 9, 5, 8, 0});
  EXPECT_EQ(names[0], "A.TXT|" + FormatNumberMask("@@@@@@@@@@@@", dos));
  EXPECT_EQ(names[0].size(), 18u);
  ASSERT_EQ(ListFiles("l\\*.TXT", names, 10008, 10), 1);
  EXPECT_EQ(names[0], ("A.TXT|" + FormatNumberMask("@@@@@@@@@@@@", dos)).substr(0, 7));  // slot width less one
}

TEST_F(DirsTest, ListingStopsAtMaxCount) {
  for (const char* n : {"e.dta", "d.dta", "c.dta", "b.dta", "a.dta"}) Write(std::string("l/") + n, "x");
  std::vector<std::string> names;
  EXPECT_EQ(ListFiles("l\\*.dta", names, 20, 3), 3);
  EXPECT_EQ(names, (std::vector<std::string>{"a.dta", "b.dta", "c.dta"}));
  EXPECT_EQ(ListFiles("l\\*.dta", names, 20, 0), 0);
  for (int i = 0; i < 25; ++i) Write("m/f" + std::to_string(100 + i), "x");
  EXPECT_EQ(ListFiles("m\\*", names, 9999, 100), 20);  // 200,000 bytes of slots
  EXPECT_EQ(ListDirs("*", names, 9999, 100), 2);
}

TEST_F(DirsTest, ListingSortsBytewiseOverTheShorterLength) {
  Write("l/ab.x", "1");
  Write("l/a.x", "1");
  Write(Win1250ToUtf8("l/"_cz + "čb.x"_cz), "1");
  Write("l/Zz.x", "1");
  std::vector<std::string> names;
  ASSERT_EQ(ListFiles("l\\*.x", names, 3, 10), 4);
  // Slots of width 3 hold two characters; equal prefixes keep the listing's order.
  EXPECT_EQ(names, (std::vector<std::string>{"Zz", "a.", "ab", "čb"_cz}));
}

TEST_F(DirsTest, ListDirsTakesFoldersOnly) {
  ASSERT_EQ(mkdir(At("SPOOL01").c_str(), 0777), 0);
  ASSERT_EQ(mkdir(At("spool02").c_str(), 0777), 0);
  ASSERT_EQ(mkdir(At("SPOOLxx").c_str(), 0777), 0);
  ASSERT_EQ(mkdir(At("empty03").c_str(), 0777), 0);
  Write("SPOOL03", "a file");
  std::vector<std::string> names;
  EXPECT_EQ(ListDirs("spool##", names, 30, 10), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"SPOOL01", "spool02"}));
  EXPECT_EQ(ListDirs("nothere\\*", names, 30, 10), 0);
}

// ---- Record bisection -------------------------------------------------------------

TEST(DirsBinarySearch, SortedRecordsAndTail) {
  const std::vector<std::string> keys = {"", "010", "020", "030", "040", "050", "x", "025"};  // 1-based
  int reads = 0;
  auto keyOf = [&](std::int32_t r) {
    ++reads;
    return keys.at(static_cast<std::size_t>(r));
  };
  EXPECT_EQ(BinarySearchRec("010", 1, 5, keyOf, 0), 1);
  EXPECT_EQ(BinarySearchRec("050", 1, 5, keyOf, 0), 5);
  EXPECT_EQ(BinarySearchRec("030", 1, 5, keyOf, 0), 3);
  EXPECT_EQ(BinarySearchRec("040", 1, 5, keyOf, 0), 4);
  EXPECT_EQ(BinarySearchRec("035", 1, 5, keyOf, 0), -4);  // minus the last probed record
  EXPECT_EQ(BinarySearchRec("005", 1, 5, keyOf, 0), -1);
  EXPECT_EQ(BinarySearchRec("099", 1, 5, keyOf, 0), -1);
  EXPECT_EQ(BinarySearchRec("025", 1, 5, keyOf, 2), 7);   // found in the unsorted tail 6..7
  EXPECT_EQ(BinarySearchRec("026", 1, 5, keyOf, 2), -2);  // tail misses: the bisection's result
  reads = 0;
  EXPECT_EQ(BinarySearchRec("x", 3, 0, keyOf, 6), 6);  // last 0: records 3..6 one by one
  EXPECT_EQ(reads, 4);
  EXPECT_EQ(BinarySearchRec("010", 3, 0, keyOf, 7), -1);
}

TEST(DirsBinarySearch, KeysAreCutToEighty) {
  const std::string longKey(100, 'k');
  auto keyOf = [&](std::int32_t r) { return r == 1 ? std::string("a") : longKey; };
  EXPECT_EQ(BinarySearchRec(longKey.substr(0, 80), 1, 2, keyOf, 0), 2);
  EXPECT_LT(BinarySearchRec(longKey, 1, 2, keyOf, 0), 1);
}

// ---- Folder creation --------------------------------------------------------------

TEST_F(DirsTest, ForceDirsCreatesTheChain) {
  ForceDirs("a\\b\\c\\");
  struct stat st {};
  EXPECT_EQ(stat(At("a/b/c").c_str(), &st), 0);
  ForceDirs("x\\y\\file.txt");  // the last part is a file name
  EXPECT_EQ(stat(At("x/y").c_str(), &st), 0);
  EXPECT_NE(stat(At("x/y/file.txt").c_str(), &st), 0);
  ForceDirs("a\\b\\c\\");  // existing folders are fine
  // A drive: "C:" is the root in the default drive map.
  std::string win = "C:" + dir.path() + "/d/e/";
  for (char& c : win)
    if (c == '/') c = '\\';
  ForceDirs(win);
  EXPECT_EQ(stat(At("d/e").c_str(), &st), 0);
  Write("f", "a file in the way");
  ForceDirs("f\\g\\");  // failures are ignored
  EXPECT_TRUE(notes.calls.empty());
}

}  // namespace
