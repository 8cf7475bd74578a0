// A print into a file: its default name, a relative name in the start folder, why a
// file cannot be written, and a PDF that came out cut.
#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/faultfs.h"
#include "tests/common/os_tempdir.h"
#include "ui/printfile.h"

namespace {

using common::Cz;
using common::FaultFileSystem;
using common::FsOp;

struct PrintFile : ::testing::Test {
  PrintFile() : cwd(dir.path()) {}
  ostest::TempDir dir;
  ostest::ScopedCwd cwd;
  std::string start = std::filesystem::current_path().string();
};

TEST_F(PrintFile, TheJobsFileAndRelativeNamesLieInTheStartFolder) {
  EXPECT_EQ(ui::DefaultPrintFile("tisk", "SESTAVA.TXT"), "tisk\\SESTAVA.pdf");
  EXPECT_EQ(ui::DefaultPrintFile("tisk", "C:\\TV\\ZALOHY.TXT"), "tisk\\ZALOHY.pdf");
  EXPECT_EQ(ui::DefaultPrintFile("tisk", ""), "tisk\\tisk.pdf");
  EXPECT_EQ(ui::DefaultPrintFile("tisk", " TEXTY "), "tisk\\TEXTY.pdf");  // a card's title
  EXPECT_EQ(ui::DefaultPrintFile("tisk", "C:\\TV\\ MOJE TEXTY .TXT"), "tisk\\MOJE TEXTY.pdf");
  EXPECT_EQ(ui::DefaultPrintFile("tisk", "   "), "tisk\\tisk.pdf");
  // The folder as it is spelled on disk, whole from the start folder.
  std::filesystem::create_directory(start + "/TISK");
  EXPECT_EQ(ui::PrintFileOf("tisk\\SESTAVA.pdf"), start + "/TISK/SESTAVA.pdf");
  const std::pair<std::string, std::string> names[] = {
      {"p3.pdf", start + "/p3.pdf"},
      {"out/p2.pdf", start + "/out/p2.pdf"},
      {"./out/../p4.pdf", start + "/p4.pdf"},
      {"/tmp/abs.pdf", "/tmp/abs.pdf"},
  };
  for (const auto& [typed, path] : names) EXPECT_EQ(ui::PrintFilePath(typed), path) << typed;
}

TEST_F(PrintFile, AFileThatCannotBeWrittenIsSaidWithTheReason) {
  ostest::WriteRaw(start + "/soubor.txt", "data");
  std::filesystem::create_directory(start + "/out");
  ostest::WriteRaw(start + "/out/stary.pdf", "old bytes");
  struct Case {
    std::string file;
    FsOp op;
    int err;  // injected; 0: the disk as it is
    std::string why;
  };
  const Case cases[] = {
      {"out/p.pdf", FsOp::Open, 0, ""},
      {"out/stary.pdf", FsOp::Open, 0, ""},
      {"chybi/p.pdf", FsOp::Open, 0, "složka " + start + "/chybi neexistuje"},
      {"soubor.txt/p.pdf", FsOp::Open, 0, start + "/soubor.txt je soubor, ne složka"},
      {"out", FsOp::Open, 0, "je to složka, ne soubor"},
      {"out/p.pdf", FsOp::Open, EACCES, "do složky " + start + "/out nemáte právo zapisovat"},
      {"out/stary.pdf", FsOp::Open, EACCES, "k souboru nemáte právo zápisu"},
      {"out/p.pdf", FsOp::Open, EROFS, "disk je jen pro čtení"},
      {"out/p.pdf", FsOp::Open, ENOSPC, "na disku není místo"},
  };
  for (const Case& c : cases) {
    FaultFileSystem faults;
    common::ScopedFileSystem scoped(faults);
    if (c.err) faults.Fail(c.op, c.err, c.file);
    const std::string path = ui::PrintFilePath(c.file);
    EXPECT_EQ(ui::PrintFileProblem(path), Cz(c.why)) << c.file << " " << c.err;
    // The probe leaves what it probed as it found it.
    EXPECT_FALSE(std::filesystem::exists(start + "/out/p.pdf")) << c.file;
    EXPECT_EQ(ostest::ReadRaw(start + "/out/stary.pdf"), "old bytes") << c.file;
  }
  EXPECT_EQ(ui::PrintFileFailureText(start + "/chybi/p.pdf", Cz("složka ") + start + Cz("/chybi neexistuje")),
            Cz("Tisk nelze uložit do souboru ") + start + Cz("/chybi/p.pdf: složka ") + start + Cz("/chybi neexistuje"));
}

TEST_F(PrintFile, APdfCutAtItsEndIsErasedAndSaid) {
  const std::string whole = "%PDF-1.4\n1 0 obj\n<<>>\nendobj\nstartxref\n9\n%%EOF\n";
  const std::pair<std::string, bool> files[] = {
      {whole, true},
      {whole.substr(0, whole.size() - 1), true},  // the mark without its line end
      {whole.substr(0, whole.size() - 8), false},
      {"", false},
  };
  for (const auto& [bytes, complete] : files) {
    ostest::WriteRaw(start + "/p.pdf", bytes);
    EXPECT_EQ(ui::PrintFileComplete(start + "/p.pdf"), complete) << bytes;
  }
  EXPECT_FALSE(ui::PrintFileComplete(start + "/chybi.pdf"));
  EXPECT_EQ(ui::DiscardCutPrintFile(start + "/p.pdf"),
            Cz("Tisk nelze uložit do souboru ") + start + Cz("/p.pdf: soubor se nepodařilo dopsat, neúplný soubor je smazán"));
  EXPECT_FALSE(std::filesystem::exists(start + "/p.pdf"));
  // A full disk is said as one.
  ostest::WriteRaw(start + "/p.pdf", "%PDF-1.4\n");
  FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.SetDiskSpace(0);
  EXPECT_EQ(ui::DiscardCutPrintFile(start + "/p.pdf"),
            Cz("Tisk nelze uložit do souboru ") + start + Cz("/p.pdf: na disku došlo místo, neúplný soubor je smazán"));
}

}  // namespace
