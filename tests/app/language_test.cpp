// The code-list language choice: the working files saved as the copies of the
// language in use, the chosen copies brought in, the code on disk at once; nothing
// changes after a failed save, a failed copy puts the working files back, and a code
// that would name another folder is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/language.h"
#include "browser/vyber.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "tests/app/appkit.h"

namespace {

using namespace common::literals;
using apptest::AppTest;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class CodeListLanguage : public AppTest {
 protected:
  fs::path Data(const std::string& name) const { return fs::path(dir / "data") / name; }
  std::string Read(const std::string& name) const {
    return fs::exists(Data(name)) ? ostest::ReadRaw(Data(name)) : std::string("(none)");
  }
  void Write(const std::string& name, const std::string& bytes) const { ostest::WriteRaw(Data(name), bytes); }
  // Every file of the data folder with its bytes.
  std::map<std::string, std::string> Folder() const {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::directory_iterator(dir / "data"))
      if (e.is_regular_file()) all[e.path().filename().string()] = ostest::ReadRaw(e.path());
    return all;
  }
  // Answers the language list with row `row` (0: Esc) and keeps the rows shown.
  void Choose(int row) {
    backend.OnModal("fVyber", [this, row](ui::Form& f) {
      auto& v = static_cast<browser::TfVyber&>(f);
      caption = v.caption();
      shown.clear();
      for (int i = 1; i <= v.RowCount; ++i) shown.push_back(v.RowText(i));
      if (row == 0) return f.Close();
      backend.DoubleClick(*v.Rows[static_cast<std::size_t>(row)]);
    });
  }
  void PressLanguage(int row) {
    Choose(row);
    backend.Click(main->bJazyk);
  }
  std::string caption;
  Strings shown;
};

TEST_F(CodeListLanguage, ChoosingEnglishSwapsTheFilesAndStoresTheCodeAtOnce) {
  Write("ci10.dta", "AAAA");
  Write("ciAN10.dta", "BBBB");
  Write("ci20.dta", "twenty");
  Open();
  PressLanguage(2);
  EXPECT_EQ(caption, " Vyber jazyk pro číselníky"_cz);
  // "*" before the language in use shows as a blank.
  EXPECT_EQ(shown, (Strings{"  CZ Česky"_cz, "  AN Anglicky", "  NE Německy"_cz, "  IT Italsky"}));
  EXPECT_EQ(Read("ci10.dta"), "BBBB");
  EXPECT_EQ(Read("ciCZ10.dta"), "AAAA");
  EXPECT_EQ(Read("ci20.dta"), "twenty");  // no English copy of list 20: kept
  EXPECT_EQ(Read("ciCZ20.dta"), "twenty");
  EXPECT_EQ(Read("ci21.dta"), "(none)");  // a missing working file saves nothing
  EXPECT_EQ(Read("ciCZ21.dta"), "(none)");
  EXPECT_EQ(Read("jazyk.dta"), "Rec : AN\r\n");  // on disk, not only in the cache
  EXPECT_EQ(main->lJazyk.text(), "Platí: AN"_cz);
  EXPECT_TRUE(Boxes().empty());

  // Back to Czech: the English working file becomes the English copy again.
  Write("ci10.dta", "BBBB-edited");
  PressLanguage(1);
  EXPECT_EQ(Read("ci10.dta"), "AAAA");
  EXPECT_EQ(Read("ciAN10.dta"), "BBBB-edited");
  EXPECT_EQ(main->lJazyk.text(), "Platí: CZ"_cz);
}

TEST_F(CodeListLanguage, TheSameLanguageOrEscChangesNoByte) {
  Write("ci10.dta", "AAAA");
  Write("ciCZ10.dta", "AAAA");
  Write("ci30.dta", "centres");
  Write("ciCZ30.dta", "centres");
  Write("jazyk.dta", "Rec : CZ\r\n");
  Open();
  const auto before = Folder();
  const auto mtime = fs::last_write_time(Data("ci10.dta"));
  PressLanguage(0);
  EXPECT_EQ(Folder(), before);
  PressLanguage(1);
  EXPECT_EQ(Folder(), before);
  EXPECT_EQ(fs::last_write_time(Data("ci10.dta")), mtime);
}

TEST_F(CodeListLanguage, AnUnknownStoredCodeIsMarkedNowhereAndItsFilesAreSavedUnderIt) {
  Write("jazyk.dta", "Rec : XY\r\n");
  Write("ci22.dta", "xy-working");
  Open();
  EXPECT_EQ(main->lJazyk.text(), "Platí: XY"_cz);
  PressLanguage(3);
  for (const std::string& row : app::LanguageChoiceRows("XY")) EXPECT_EQ(row[0], ' ');
  EXPECT_EQ(app::LanguageChoiceRows("NE")[2], "* NE Německy"_cz);
  EXPECT_EQ(Read("ciXY22.dta"), "xy-working");
  EXPECT_EQ(Read("ci22.dta"), "xy-working");  // no German copy
  EXPECT_EQ(Read("jazyk.dta"), "Rec : NE\r\n");
}

// A save that fails, or a working file the user may not write: no file changes.
TEST_F(CodeListLanguage, AFailedSaveChangesNothing) {
  Write("ci10.dta", "AAAA");
  Write("ci20.dta", "twenty");
  Write("ciAN10.dta", "BBBB");
  Write("ciAN20.dta", "TWENTY");
  Open();
  const auto before = Folder();
  const struct {
    common::FsOp op;
    int err;
    const char* file;
    const char* said;
  } cases[] = {{common::FsOp::Write, ENOSPC, "ciCZ20", "platí CZ"},
               {common::FsOp::OpenWrite, EACCES, "/ci20.dta", "ci20.dta nelze zapsat (err 5)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    common::FaultFileSystem faults;
    faults.Fail(c.op, c.err, c.file);
    {
      common::ScopedFileSystem use(faults);
      PressLanguage(2);
    }
    EXPECT_EQ(Folder(), before);
    EXPECT_EQ(main->lJazyk.text(), "Platí: CZ"_cz);
    ASSERT_FALSE(Boxes().empty());
    EXPECT_NE(Boxes().back().find("platí CZ"_cz), std::string::npos);
    const auto boxes = Boxes();
    EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(),
                            [&](const std::string& b) { return b.find(common::Cz(c.said)) != std::string::npos; }))
        << ::testing::PrintToString(boxes);
  }
}

TEST_F(CodeListLanguage, AFailedCopyPutsTheWorkingFilesBack) {
  Write("ci10.dta", "AAAA");
  Write("ci20.dta", "twenty");
  Write("ciAN10.dta", "BBBB");
  Write("ciAN20.dta", "TWENTY");
  Write("ciAN21.dta", "21-EN");
  Open();
  common::FaultFileSystem faults;
  faults.Fail(common::FsOp::Write, EIO, "ci21.dta");  // bringing in list 21 fails
  {
    common::ScopedFileSystem use(faults);
    PressLanguage(2);
  }
  EXPECT_EQ(Read("ci10.dta"), "AAAA");
  EXPECT_EQ(Read("ci20.dta"), "twenty");
  EXPECT_EQ(Read("ci21.dta"), "(none)");
  EXPECT_EQ(Read("jazyk.dta"), "(none)");
  EXPECT_EQ(main->lJazyk.text(), "Platí: CZ"_cz);
}

TEST_F(CodeListLanguage, ACodeThatCannotBeStoredPutsTheFilesBack) {
  Write("ci10.dta", "AAAA");
  Write("ciIT10.dta", "IIII");
  Write("jazyk.dta", "Rec : CZ\r\n");
  Open();
  common::FaultFileSystem faults;
  faults.Fail(common::FsOp::Write, ENOSPC, "jazyk");
  {
    common::ScopedFileSystem use(faults);
    PressLanguage(4);
  }
  EXPECT_EQ(Read("ci10.dta"), "AAAA");
  EXPECT_EQ(Read("jazyk.dta"), "Rec : CZ\r\n");
  EXPECT_EQ(main->lJazyk.text(), "Platí: CZ"_cz);
  // The cache does not write the refused code later.
  common::FlushParams();
  EXPECT_EQ(Read("jazyk.dta"), "Rec : CZ\r\n");
}

TEST_F(CodeListLanguage, ACodeNamingAnotherFolderIsRefused) {
  for (const char* bad : {"A/", "\\x", "C:", "A\t"}) EXPECT_FALSE(app::LanguageCodeUsable(bad)) << bad;
  EXPECT_TRUE(app::LanguageCodeUsable("AN"));
  fs::create_directories(dir / "data/x");
  Write("jazyk.dta", "Rec : x/\r\n");  // "ci" + "x/" + "10.dta" would be a file of folder "cix"
  Write("ci10.dta", "AAAA");
  Write("ciAN10.dta", "BBBB");
  Open();
  const auto before = Folder();
  PressLanguage(2);
  EXPECT_EQ(Folder(), before);
  EXPECT_FALSE(fs::exists(dir / "data/cix"));
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0], "Kód jazyka \"x/\" nelze použít v názvu souboru"_cz);
  EXPECT_EQ(main->lJazyk.text(), "Platí: x/"_cz);
  EXPECT_FALSE(app::SwitchCodeListLanguage("AN", "C:"));
  EXPECT_EQ(Read("ci10.dta"), "AAAA");
}

}  // namespace
