#include "common/winpath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/errors.h"
#include "common/iocodes.h"
#include "os_tempdir.h"

using namespace common;
using namespace common::literals;
using ostest::TempDir;

namespace {

class WinPathTest : public ::testing::Test {
 protected:
  void SetUp() override { Drives() = DriveMap(); }
  void TearDown() override { Drives() = DriveMap(); }

  static std::string Mapped(std::string_view name, int expectCode = 0) {
    std::string real;
    EXPECT_EQ(MapName(name, real), expectCode) << name;
    return real;
  }
  static std::string Resolved(std::string_view name) {
    std::string real;
    EXPECT_EQ(ResolveName(name, real), 0) << name;
    return real;
  }
};

TEST_F(WinPathTest, BackslashesAndDriveLetters) {
  EXPECT_EQ(Mapped("par\\okna2.par"), "par/okna2.par");
  EXPECT_EQ(Mapped("XLS\\"), "XLS/");
  EXPECT_EQ(Mapped("\\2\\KodyBank.dta"), "/2/KodyBank.dta");
  EXPECT_EQ(Mapped("C:\\DATA\\x.dta"), "/DATA/x.dta");
  EXPECT_EQ(Mapped("c:\\DATA\\\\x.dta"), "/DATA/x.dta");  // lower-case letter, doubled separator
  EXPECT_EQ(Mapped("C:x.dta"), "/x.dta");
  Mapped("X:\\DATA\\x.dta", io::kPathNotFound);  // not configured

  Drives().Set("x:", "/srv/firm");
  EXPECT_EQ(Mapped("X:\\DATA\\x.dta"), "/srv/firm/DATA/x.dta");
  EXPECT_EQ(Mapped("x:\\"), "/srv/firm/");
  Drives().Set("C", "/home/user/c");
  EXPECT_EQ(Mapped("C:\\printer\\print1.txt"), "/home/user/c/printer/print1.txt");
  Drives().Remove("C:");
  Mapped("C:\\x", io::kPathNotFound);

  Drives().Set("\\\\server\\share", "/mnt/share");
  EXPECT_EQ(Mapped("\\\\SERVER\\Share\\data\\a.dta"), "/mnt/share/data/a.dta");
  Mapped("\\\\other\\share\\a.dta", io::kPathNotFound);
}

TEST_F(WinPathTest, NamesAreWindows1250InsideAndUtf8OnDisk) {
  EXPECT_EQ(Mapped("DOKLADY\\"_cz + "Účtový rozvrh.dta"_cz), "DOKLADY/Účtový rozvrh.dta");
  EXPECT_EQ(UpperCp1250("áčďéěíňóřšťúůýžľĺŕôä"_cz), "ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽĽĹŔÔÄ"_cz);
  EXPECT_EQ(UpperCp1250("abc xyz ÷ × ß 123"_cz), "ABC XYZ ÷ × ß 123"_cz);
  EXPECT_EQ(UpperCp1250("śźłąşżćçęëîđńőöűüţâă"_cz), "ŚŹŁĄŞŻĆÇĘËÎĐŃŐÖŰÜŢÂĂ"_cz);  // the other languages of the code page
  EXPECT_TRUE(SameNameCp1250("Číselník.DTA"_cz, "čÍSELNÍK.dta"_cz));
  EXPECT_FALSE(SameNameCp1250("cislo.dta", "císlo.dta"_cz));
}

TEST_F(WinPathTest, UnmappedDriveRaises) {
  EXPECT_THROW(RealPath("Q:\\x.dta"), IoError);
  try {
    RealPath("Q:\\x.dta");
  } catch (const IoError& e) {
    EXPECT_EQ(e.code, io::kPathNotFound);
    EXPECT_EQ(e.file, "Q:\\x.dta");
  }
}

TEST_F(WinPathTest, DriveMapFile) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ostest::WriteRaw(dir / "drives.map",
                   "# drives of this workstation\n"
                   "X: /srv/data\r\n"
                   "\n"
                   "; with an equals sign\n"
                   "y:=/srv/y/\n"
                   "  z:   =  /mnt/z folder  \n"
                   "\\\\srv\\ucto /mnt/ucto\n");
  DriveMap map;
  ASSERT_EQ(map.Load(dir / "drives.map"), 0);
  EXPECT_EQ(map.Folder("X"), "/srv/data/");
  EXPECT_EQ(map.Folder("Y:"), "/srv/y/");
  EXPECT_EQ(map.Folder("z"), "/mnt/z folder/");
  EXPECT_EQ(map.Folder("\\\\SRV\\UCTO\\"), "/mnt/ucto/");
  EXPECT_EQ(map.Folder("C"), "/");  // the default stays
  EXPECT_EQ(map.Entries().size(), 5u);

  // A line that cannot be read changes nothing and is handed back; the good ones apply.
  ostest::WriteRaw(dir / "bad.map", "W: /srv/w\nthis is no drive\nV /srv/v\n\nU=/srv/u\r\nT: relative/folder\nS: /srv/s\n");
  std::vector<DriveMap::BadLine> bad;
  EXPECT_EQ(map.Load(dir / "bad.map", &bad), io::kInvalidParameter);
  EXPECT_EQ(map.Folder("W"), "/srv/w/");
  EXPECT_EQ(map.Folder("S"), "/srv/s/");
  for (const char* d : {"V", "U", "T"}) EXPECT_EQ(map.Folder(d), "") << d;
  ASSERT_EQ(bad.size(), 4u);
  EXPECT_EQ(bad[0].number, 2);
  EXPECT_EQ(bad[0].text, "this is no drive");
  EXPECT_EQ(bad[1].number, 3);
  EXPECT_EQ(bad[1].text, "V /srv/v");  // no colon
  EXPECT_EQ(bad[2].number, 5);
  EXPECT_EQ(bad[2].text, "U=/srv/u");
  EXPECT_EQ(bad[3].number, 6);
  map.Remove("W");
  map.Remove("S");
  EXPECT_EQ(map.Load(dir / "missing.map"), io::kFileNotFound);
  EXPECT_EQ(map.Load(dir / "nofolder/x.map"), io::kPathNotFound);
  EXPECT_EQ(map.Entries().size(), 5u);
}

TEST_F(WinPathTest, NameInAnotherCaseFindsTheFile) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ostest::WriteRaw(dir / "Data/CI10.DTA", "x");
  ostest::WriteRaw(dir / "Data/Účty/ci11.dta", "y");
  Drives().Set("X", dir.path());

  EXPECT_EQ(Resolved("X:\\DATA\\ci10.dta"), dir / "Data/CI10.DTA");
  EXPECT_EQ(Resolved("X:\\data\\CI10.DTA"), dir / "Data/CI10.DTA");
  EXPECT_EQ(Resolved("X:\\DATA\\ÚČTY\\CI11.DTA"_cz), dir / "Data/Účty/ci11.dta");
  EXPECT_EQ(Resolved(dir.path() + "\\data\\ci10.dta"), dir / "Data/CI10.DTA");
  // A new file keeps the case it was given, in the folder found on disk.
  EXPECT_EQ(Resolved("X:\\data\\Novy.DTA"), dir / "Data/Novy.DTA");
  // Below a missing folder nothing is looked up.
  EXPECT_EQ(Resolved("X:\\Chybi\\Ci10.dta"), dir / "Chybi/Ci10.dta");
  EXPECT_EQ(RealPath("X:\\DATA\\"), dir / "Data/");
}

TEST_F(WinPathTest, RelativeNamesUseTheCurrentFolder) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ostest::WriteRaw(dir / "par/okna2.par", "");
  ostest::ScopedCwd cwd(dir.path());
  EXPECT_EQ(Resolved("PAR\\OKNA2.PAR"), "par/okna2.par");
  EXPECT_EQ(Resolved("par\\Oknag.par"), "par/Oknag.par");
  EXPECT_EQ(Resolved(".\\Par\\..\\PAR\\okna2.par"), "./par/../par/okna2.par");
}

TEST_F(WinPathTest, ExactCaseWinsOverOtherSpellings) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ostest::WriteRaw(dir / "a.txt", "lower");
  ostest::WriteRaw(dir / "A.TXT", "upper");
  EXPECT_EQ(Resolved(dir / "a.txt"), dir / "a.txt");
  EXPECT_EQ(Resolved(dir / "A.TXT"), dir / "A.TXT");
  // Neither spelled so: the first by name, every time.
  EXPECT_EQ(Resolved(dir / "A.txt"), dir / "A.TXT");
}

// Shown to the user: one form, the spelling on disk; only missing parts keep theirs.
TEST_F(WinPathTest, ShownPathIsTheRealPathInOneForm) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ostest::WriteRaw(dir / "prog/dlib/ci14.pol", "x");
  ostest::WriteRaw(dir / "Účty/a.dta", "y");
  const std::string root = Utf8ToWin1250(dir.path());
  std::string upper = root;
  for (char& c : upper) c = UpperCp1250(c);
  const struct {
    std::string name, shown;
  } cases[] = {
      {root + "/prog/dlib\\CI14.POL", root + "/prog/dlib/ci14.pol"},
      {"=" + root + "/prog/2\\PSC.dta", root + "/prog/2/PSC.dta"},
      {upper + "\\PROG\\2\\", root + "/prog/2/"},
      {root + "\\ÚČTY\\A.DTA"_cz, root + "/Účty/a.dta"_cz},
      {"CI60.dta", "CI60.dta"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShownPath(c.name), c.shown) << c.name;
}

// Runs f in a child process and waits for it.
void InAnotherProcess(const std::function<void()>& f) {
  const pid_t pid = fork();
  if (pid == 0) {
    f();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

// Puts the folder's modification time back by ten seconds (or to `ns`); returns it.
std::int64_t SetFolderTime(const std::string& folder, std::int64_t ns = 0) {
  struct stat st {};
  stat(folder.c_str(), &st);
  if (ns == 0) ns = (static_cast<std::int64_t>(st.st_mtim.tv_sec) - 10) * 1'000'000'000 + st.st_mtim.tv_nsec;
  const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)}};
  utimensat(AT_FDCWD, folder.c_str(), times, 0);
  return ns;
}

// A folder changed within the last two seconds is listed at each use; a settled one
// once while it stays unchanged. A file another process makes or erases there is seen
// at once, even when the folder's modification time is put back to what it was (a
// change within one time stamp).
TEST_F(WinPathTest, KeptListingsNeverMissAnotherProcesssChange) {
  for (const FolderCacheMode mode : {FolderCacheMode::Watched, FolderCacheMode::Stamped}) {
    SCOPED_TRACE(static_cast<int>(mode));
    SetFolderCacheMode(mode);
    TempDir dir;
    const std::string folder = dir / "f";
    ostest::WriteRaw(folder + "/Old.txt", "");
    FaultFileSystem counting;
    ScopedFileSystem scoped(counting);
    Resolved(folder + "/A.TXT");
    Resolved(folder + "/B.TXT");
    EXPECT_EQ(counting.Calls(FsOp::ListDir), 2);
    const std::int64_t kept = SetFolderTime(folder);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(Resolved(folder + "/NEW" + std::to_string(i)), folder + "/NEW" + std::to_string(i));
    EXPECT_EQ(Resolved(folder + "/OLD.TXT"), folder + "/Old.txt");
    EXPECT_EQ(counting.Calls(FsOp::ListDir), 3);

    InAnotherProcess([&] {
      ::close(::open((folder + "/Made.Txt").c_str(), O_CREAT | O_WRONLY, 0644));
      ::unlink((folder + "/Old.txt").c_str());
      SetFolderTime(folder, kept);
    });
    EXPECT_EQ(Resolved(folder + "/MADE.TXT"), folder + "/Made.Txt");
    EXPECT_EQ(Resolved(folder + "/OLD.TXT"), folder + "/OLD.TXT");
  }
  SetFolderCacheMode(FolderCacheMode::Watched);
}

// A large folder whose files come and go all the time is listed a few times, then kept
// by the kernel's change notices, which tell this process's changes and another's alike.
TEST_F(WinPathTest, ALargeFolderThatKeepsChangingIsWatched) {
  TempDir dir;
  const std::string folder = dir / "f";
  for (int i = 0; i < 300; ++i) ostest::WriteRaw(folder + "/f" + std::to_string(i), "");
  FaultFileSystem counting;
  ScopedFileSystem scoped(counting);
  for (int i = 0; i < 60; ++i) {
    const std::string name = folder + "/New" + std::to_string(i);
    EXPECT_EQ(Resolved(folder + "/NEW" + std::to_string(i)), folder + "/NEW" + std::to_string(i));
    ::close(::open(name.c_str(), O_CREAT | O_WRONLY, 0644));
    EXPECT_EQ(Resolved(folder + "/NEW" + std::to_string(i)), name);
  }
  EXPECT_LE(counting.Calls(FsOp::ListDir), 10);
  // The other process, forked from this one, looks into the folder too: it must leave
  // this process's change notices to it.
  InAnotherProcess([&] {
    ::close(::open((folder + "/Made.Txt").c_str(), O_CREAT | O_WRONLY, 0644));
    ::unlink((folder + "/New0").c_str());
    std::string real;
    (void)ResolveName(folder + "/NEW1", real);
  });
  EXPECT_EQ(Resolved(folder + "/MADE.TXT"), folder + "/Made.Txt");
  EXPECT_EQ(Resolved(folder + "/NEW0"), folder + "/NEW0");
}

TEST_F(WinPathTest, FolderAndNameParts) {
  EXPECT_EQ(FolderPart("DATA\\SUB\\x.dta"), "DATA\\SUB\\");
  EXPECT_EQ(NamePart("DATA\\SUB\\x.dta"), "x.dta");
  EXPECT_EQ(FolderPart("C:x.dta"), "C:");
  EXPECT_EQ(NamePart("x.dta"), "x.dta");
  EXPECT_EQ(FolderPart("x.dta"), "");
  EXPECT_EQ(NamePart("XLS\\"), "");
}

TEST_F(WinPathTest, OneComponentNames) {
  for (std::string_view good : {"ci10.dta", "..x", "a..b", "kopie.001", ".~x.rollback"})
    EXPECT_TRUE(IsOneComponent(good)) << good;
  for (std::string_view bad : std::initializer_list<std::string_view>{"", ".", "..", "..\\..\\escaped.dta", "../x", "/etc/passwd", "C:x.dta", "a\\b",
                                                                    std::string_view("a\0b", 3)})
    EXPECT_FALSE(IsOneComponent(bad)) << bad;
}

TEST_F(WinPathTest, ATargetLiesInsideItsRootOnlyWhenItsDotsStayBelowIt) {
  struct Case {
    const char *root, *name;
    bool inside;
  } cases[] = {
      {"D:\\DATA\\", "D:\\DATA\\a.dta", true},
      {"D:\\DATA\\", "D:\\DATA\\sub\\..\\a.dta", true},
      {"D:\\DATA\\", "D:\\DATA\\..\\..\\escaped.dta", false},
      {"D:\\DATA\\", "D:\\DATA\\..\\DATA2\\a.dta", false},
      {"D:\\DATA\\", "D:\\DATA\\", false},
      {"D:\\DATA\\", "D:\\DATA\\.\\", false},
      {"D:\\DATA\\", "D:\\DATA2\\a.dta", false},
      {"DATA\\", "DATA\\a.dta", true},
      {"DATA\\", "DATA\\..\\a.dta", false},
  };
  Drives().Set("D", "/srv/d");
  for (const Case& c : cases) EXPECT_EQ(LiesInside(c.root, c.name), c.inside) << c.root << " " << c.name;
}

}  // namespace
