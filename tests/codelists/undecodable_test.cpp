// Record windows over a file of their size whose records are no records of theirs (a
// counted text longer than its field): said once at opening, by the file's name, and
// nothing written into it, neither by keys nor by the close.
#include <functional>

#include "codelists/cashflow.h"
#include "codelists/cis60.h"
#include "codelists/livestock.h"
#include "codelists/ownbanks.h"
#include "codelists/registers.h"
#include "common/dirs.h"
#include "common/faultfs.h"
#include "tests/codelists/codelistkit.h"
#include "tests/common/leftcopy.h"

namespace {

using namespace codelists;
using common::Cz;
using CodeListUndecodable = cltest::CodeListTest;

TEST_F(CodeListUndecodable, ASameSizeFileOfRandomBytesIsSaidAndNeverWritten) {
  const struct {
    const char* window;
    std::function<CodeListWindow&()> open;
    const CodeListSpec& spec;
  } cases[] = {
      {"TfCis18", [] () -> CodeListWindow& { SetupCis18(fCis18()); return fCis18(); }, Cis18Spec()},
      {"TfCis29", [] () -> CodeListWindow& { SetupCis29(fCis29()); return fCis29(); }, Cis29Spec()},
      {"TfStaty", [] () -> CodeListWindow& { SetupStaty(fStaty()); return fStaty(); }, StatySpec()},
      {"TfBankKody", [] () -> CodeListWindow& { SetupBankKody(fBankKody()); return fBankKody(); }, BankKodySpec()},
  };
  unsigned seed = 55;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window);
    const std::string file(c.spec.file);
    std::string bytes = soubtest::RandomBytes(3 * static_cast<std::size_t>(c.spec.recordLength), seed++);
    bytes[76] = 'x';  // not the older layout of the own bank accounts (its byte 76 is 12)
    WriteData(file, bytes);
    notes.calls.clear();
    CodeListWindow& w = c.open();
    EXPECT_EQ(ReadData(file), bytes);
    const std::vector<std::string> said = Messages();
    ASSERT_EQ(said.size(), 1u) << notes.Dump();
    EXPECT_TRUE(said[0].starts_with(Cz("Soubor ") + common::DataDir(file) + Cz(" neodpovídá popisu své věty (věta 1, položka ")))
        << said[0];
    EXPECT_TRUE(said[0].ends_with(Cz("; otevírám ho jen pro čtení"))) << said[0];
    EXPECT_FALSE(w.DataFileUsable());
    EXPECT_EQ(w.Count, 3);
    Show(w);
    edit.Type("X").Keys("F2");
    backend.PressKeys("F4 Space Shift+F4 F8 Down F8");
    w.Hide();
    w.CloseBrowse();
    EXPECT_EQ(ReadData(file), bytes);
    // F4, Space and F8 at least: each refused key says why.
    const std::vector<std::string> later = Messages();
    EXPECT_GE(later.size(), 4u) << notes.Dump();
    for (std::size_t i = 1; i < later.size(); ++i)
      EXPECT_EQ(later[i], Cz("Soubor ") + w.DataFileName + Cz(" je otevřen jen pro čtení, změny se nezapisují"));

    // Another workstation's step under way on the file, its copy beside it: each refused
    // key still says why, naming that step.
    const std::string path = common::DataDir(file), copy = common::ShownPath(common::RollbackCopyName(path));
    {
      CodeListWindow& v = c.open();
      Show(v);
      leftcopy::WriterAtWork writer(path);
      ASSERT_TRUE(writer.ok());
      notes.calls.clear();
      backend.PressKeys("F4 Space Shift+F4 F8");
      EXPECT_EQ(Messages(), cltest::Strings(4, Cz("Soubor ") + v.DataFileName + Cz(" právě přepisuje jiný uživatel (kopie ") +
                                                   copy + Cz("), změny se nezapisují")))
          << notes.Dump();
      EXPECT_TRUE(writer.Finish());
      v.Hide();
      v.CloseBrowse();
    }
    EXPECT_EQ(ReadData(file), bytes);

    // Opened beside a copy that cannot go back, and the copy put back later by F4: the file
    // that came back is judged as an opening judges it and stays read only; F4 adds nothing.
    leftcopy::LeaveUnfinishedCopy(path);
    notes.calls.clear();
    CodeListWindow* kept = nullptr;
    {
      common::FaultFileSystem faults;
      faults.Fail(common::FsOp::Read, EIO, ".rollback");
      common::ScopedFileSystem scoped(faults);
      kept = &c.open();
    }
    ASSERT_TRUE(kept->ReadOnlyOpen());
    Show(*kept);
    edit.steps.clear();
    edit.Type("X").Keys("F2");
    const int edits = edit.shown;
    backend.PressKeys("F4 F4");
    EXPECT_EQ(edit.shown, edits);
    kept->Hide();
    kept->CloseBrowse();
    EXPECT_EQ(ReadData(file), bytes);
    EXPECT_FALSE(std::filesystem::exists(leftcopy::CopyOf(path)));
    const std::vector<std::string> back = Messages();
    ASSERT_EQ(back.size(), 4u) << notes.Dump();
    EXPECT_TRUE(back[1].ends_with(Cz(" byl vrácen do stavu před nedokončeným přepisem"))) << back[1];
    EXPECT_TRUE(back[2].starts_with(Cz("Soubor ") + path + Cz(" neodpovídá popisu své věty"))) << back[2];
    EXPECT_EQ(back[3], Cz("Soubor ") + kept->DataFileName + Cz(" je otevřen jen pro čtení, změny se nezapisují"));
  }
}

// A list the user may read but not write: its records shown and printed whole, the reason
// said once at the opening, the file as it was.
TEST_F(CodeListUndecodable, AListNobodyMayWritePrintsAllItsRecords) {
  std::string bytes;
  for (const char* key : {"101", "102", "103"}) bytes += cltest::MakeRecord(Cis60Spec(), {{1, key}, {2, "Mzda"}});
  WriteData("CI60.dta", bytes);
  common::FaultFileSystem faults;
  faults.Fail(common::FsOp::OpenWrite, EACCES, "/CI60.dta");
  common::ScopedFileSystem scoped(faults);
  TfCis60 w;
  SetupCis60(w);
  EXPECT_EQ(w.Count, 3);
  EXPECT_FALSE(w.DataFileUsable());
  w.PrintListing();
  w.CloseBrowse();
  EXPECT_EQ(Messages(), cltest::Strings{Cz("Soubor CI60.dta nelze zapsat (err 5), otevírám ho jen pro čtení")});
  int printed = 0;
  for (const std::string& line : writer.lines)
    for (const char* key : {"101 ", "102 ", "103 "}) printed += line.starts_with(key);
  EXPECT_EQ(printed, 3) << writer.lines.size();
  EXPECT_EQ(ReadData("CI60.dta"), bytes);
}

}  // namespace
