#include "common/params.h"

#include <cerrno>
#include <filesystem>
#include <functional>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/faultfs.h"
#include "common/iocodes.h"
#include "start_folder.h"

using namespace common;
using namespace common::literals;

namespace {

using ParamTest = starttest::StartFolderTest;

TEST_F(ParamTest, LineFormat) {
  std::string key, value;
  ASSERT_TRUE(ParseParamLine("Okno Left : 120", key, value));
  EXPECT_EQ(key, "Okno Left");
  EXPECT_EQ(value, "120");
  ASSERT_TRUE(ParseParamLine("klic:hodnota", key, value));  // no blanks: one character lost on each side
  EXPECT_EQ(key, "kli");
  EXPECT_EQ(value, "odnota");
  ASSERT_TRUE(ParseParamLine("a : b : c", key, value));  // the first ":" divides
  EXPECT_EQ(value, "b : c");
  EXPECT_FALSE(ParseParamLine("no colon here", key, value));
  ASSERT_TRUE(ParseParamLine("k : " + std::string(70, 'v'), key, value));
  EXPECT_EQ(value, std::string(64, 'v'));
}

TEST_F(ParamTest, ReadsKeysWithoutCaseCzechLettersToo) {
  Write("p.par", "KLÍČ : 5\r\nokno top : 7\r\njunk line\r\nx:y\r\n"_cz);
  EXPECT_EQ(ReadParam("p.par", "Klíč"_cz), "5");
  EXPECT_EQ(ReadParam("P.PAR", "OKNO TOP"), "7");
  EXPECT_EQ(ReadParam("p.par", "absent"), "");
  EXPECT_EQ(ReadParam("missing.par", "x"), "");
  EXPECT_EQ(CurrentSession().ParamCache.size(), 2u);  // "p.par" and "P.PAR" are one file
}

TEST_F(ParamTest, WritesReachTheDiskOnlyAtAFlush) {
  Write("p.par", "A : 1\r\nOkno Left : 10\r\nB : 2\r\n");
  WriteParam("p.par", "OKNO LEFT", "20");
  WriteParam("p.par", "B", "");
  WriteParam("p.par", "Nový"_cz, "3");
  EXPECT_EQ(ReadParam("p.par", "okno left"), "20");
  EXPECT_EQ(Read("p.par"), "A : 1\r\nOkno Left : 10\r\nB : 2\r\n");
  FlushParams();
  // The key keeps the case it was read with; the emptied entry is gone.
  EXPECT_EQ(Read("p.par"), "A : 1\r\nOkno Left : 20\r\n"_cz + "Nový : 3\r\n"_cz);
  EXPECT_TRUE(CurrentSession().ParamCache.empty());
}

TEST_F(ParamTest, UnchangedFilesAreNotRewritten) {
  Write("p.par", "klic:hodnota\r\n");
  EXPECT_EQ(ReadParam("p.par", "kli"), "odnota");
  FlushParams();
  EXPECT_EQ(Read("p.par"), "klic:hodnota\r\n");
}

TEST_F(ParamTest, HundredAndFirstFileFlushesTheCache) {
  for (int i = 0; i < 100; ++i) WriteParam("f" + std::to_string(i) + ".par", "K", std::to_string(i));
  EXPECT_FALSE(Exists("f0.par"));
  EXPECT_EQ(CurrentSession().ParamCache.size(), 100u);
  EXPECT_EQ(ReadParam("f100.par", "K"), "");
  EXPECT_EQ(CurrentSession().ParamCache.size(), 1u);
  EXPECT_EQ(Read("f0.par"), "K : 0\r\n");
  EXPECT_EQ(Read("f99.par"), "K : 99\r\n");
}

TEST_F(ParamTest, FlushCreatesAMissingFolder) {
  WriteParam("par\\okna2.par", "TfRol Left", "5");
  FlushParams();
  EXPECT_EQ(Read("par/okna2.par"), "TfRol Left : 5\r\n");
  WriteParam("PAR\\OKNA2.PAR", "TfRol Top", "6");  // found in the existing folder without case
  FlushParams();
  EXPECT_EQ(Read("par/okna2.par"), "TfRol Left : 5\r\nTfRol Top : 6\r\n");
  EXPECT_EQ(ostest::Listing(dir.path()), "par");
}

TEST_F(ParamTest, FailedFlushLosesNothing) {
  Write("a.par", "Old : 1\r\n");
  WriteParam("a.par", "Old", "2");
  WriteParam("b.par", "K", "v");
  {
    FaultFileSystem faults;
    faults.Fail(FsOp::Rename, EIO, "a.par");
    ScopedFileSystem scoped(faults);
    try {
      FlushParams();
      FAIL() << "no error raised";
    } catch (const IoError& e) {
      EXPECT_EQ(e.file, "a.par");
    }
  }
  EXPECT_EQ(Read("a.par"), "Old : 1\r\n");  // the old file as it was
  EXPECT_EQ(Read("b.par"), "K : v\r\n");    // the others were written
  ASSERT_EQ(CurrentSession().ParamCache.size(), 1u);
  EXPECT_TRUE(CurrentSession().ParamCache[0]->dirty);
  EXPECT_EQ(ReadParam("a.par", "old"), "2");
  FlushParams();
  EXPECT_EQ(Read("a.par"), "Old : 2\r\n");
}

TEST_F(ParamTest, AFileThatIsNoParameterFileOrCannotBeReadIsNeverWritten) {
  const std::string binary("Key : 1\r\n\0\x01\x02\xff", 13);
  Write("bin.par", binary);
  Write("locked.par", "Key : 1\r\n");
  Write("good.par", "Key : 1\r\n\x1A");  // the end mark of old text files is no binary byte
  WriteParam("bin.par", "New", "2");
  {
    FaultFileSystem faults;
    faults.Fail(FsOp::Read, EIO, "locked.par");
    ScopedFileSystem scoped(faults);
    EXPECT_EQ(ReadParam("locked.par", "Key"), "");
  }
  for (const char* f : {"locked.par", "good.par"}) WriteParam(f, "New", "2");
  try {
    FlushParams();
    FAIL() << "no error raised";
  } catch (const IoError& e) {
    EXPECT_EQ(e.file, "bin.par");
    EXPECT_EQ(e.code, io::kInvalidData);
  }
  EXPECT_EQ(Read("bin.par"), binary);
  EXPECT_EQ(Read("locked.par"), "Key : 1\r\n");
  EXPECT_EQ(Read("good.par"), "Key : 1\r\nNew : 2\r\n");
  // Kept for the session, never written later either, and not raised again.
  EXPECT_EQ(ReadParam("bin.par", "New"), "2");
  EXPECT_NO_THROW(FlushParams());
  EXPECT_EQ(Read("bin.par"), binary);
  EXPECT_EQ(Read("locked.par"), "Key : 1\r\n");
}

// Window settings that cannot be stored (binary bytes, a folder or a read-only file in
// place of the settings file) stay for the session and are said once, naming the file;
// the file stays as it was.
TEST_F(ParamTest, SettingsThatCannotBeStoredAreKeptAndSaidOnce) {
  const std::string binary("TfRol Left : 1\r\n\0\x01\x02\xff", 20);
  const struct {
    const char* what;
    std::function<void()> damage;
    std::string says;
  } cases[] = {
      {"binary bytes", [&] { Write("par/okna2.par", binary); }, "    13 (není soubor parametrů)"},
      {"a folder", [&] { std::filesystem::create_directories(At("par/okna2.par")); }, "     5"},
      {"read only",
       [&] {
         Write("par/okna2.par", "TfRol Left : 1\r\n");
         std::filesystem::permissions(At("par/okna2.par"), std::filesystem::perms::owner_read |
                                                               std::filesystem::perms::group_read |
                                                               std::filesystem::perms::others_read);
       },
       "     5"},
  };
  for (const auto& c : cases) {
    notes.calls.clear();
    CurrentSession().FailuresTold.clear();
    c.damage();
    const std::string before = std::filesystem::is_regular_file(At("par/okna2.par")) ? Read("par/okna2.par") : "";
    WriteParam("par\\okna2.par", "TfRol Left", "5");
    EXPECT_NO_THROW(FlushParamsSaying()) << c.what;
    WriteParam("par\\okna2.par", "TfRol Top", "6");
    EXPECT_NO_THROW(FlushParamsSaying()) << c.what;
    EXPECT_EQ(ReadParam("par\\okna2.par", "TfRol Left"), "5") << c.what;
    ASSERT_EQ(notes.calls.size(), 1u) << c.what << notes.Dump();
    EXPECT_EQ(notes.calls[0].text, "Uz: " + CurrentSession().CurrentUser + " pise soubor: par/okna2.par err " +
                                       Cz(c.says) + Cz(", nastavení platí jen do konce práce"))
        << c.what;
    if (!before.empty()) EXPECT_EQ(Read("par/okna2.par"), before) << c.what;
    EXPECT_TRUE(std::filesystem::exists(At("par/okna2.par"))) << c.what;
    std::filesystem::remove_all(At("par"));
    CurrentSession().ParamCache.clear();
  }
}

TEST_F(ParamTest, KeyLimitOverwritesTheLastEntry) {
  std::string text;
  for (int i = 1; i <= kParamMaxKeys + 1; ++i) text += "K" + std::to_string(i) + " : " + std::to_string(i) + "\r\n";
  Write("big.par", text);
  EXPECT_EQ(ReadParam("big.par", "K3999"), "3999");
  EXPECT_EQ(ReadParam("big.par", "K4000"), "");
  EXPECT_EQ(ReadParam("big.par", "K4001"), "4001");
}

}  // namespace
