// Copy and restore of the code lists: every "CI*.dta" file whatever its case and
// however many, with its date, on the main window's bar; the messages; the first
// failing copy ends the run without the success message.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/cicopy.h"
#include "backup/pending.h"
#include "codelists/chart.h"
#include "codelists/lists.h"
#include "browser/choosers/dirdialog.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/session.h"
#include "tests/app/appkit.h"
#include "tests/common/leftcopy.h"

namespace {

using namespace common::literals;
using apptest::AppTest;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class CodeListCopy : public AppTest {
 protected:
  CodeListCopy() { fs::create_directories(dir / "out"); }
  fs::path Data(const std::string& name) const { return fs::path(dir / "data") / name; }
  // The chooser answers with a real folder (drive C is the root) or Esc.
  void ChooseFolder(const fs::path& folder) {
    backend.OnModal("fDirDialog", [this, folder](ui::Form& f) {
      auto& d = static_cast<browser::TfDirDialog&>(f);
      titles.push_back(d.caption());
      left = d.left();
      if (folder.empty()) return d.SetModalResult(ui::mr::Cancel);
      std::string win = folder.string() + "/";
      std::replace(win.begin(), win.end(), '/', '\\');
      d.Drive = "C";
      d.Folder = win;
      d.Button2Click();
    });
  }
  std::string Win(const fs::path& folder) const {
    std::string win = "C:" + folder.string() + "/";
    std::replace(win.begin(), win.end(), '/', '\\');
    return win;
  }
  static Strings Names(const fs::path& folder) {
    Strings n;
    for (const auto& e : fs::directory_iterator(folder)) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
  }
  Strings titles;
  int left = 0;
};

TEST_F(CodeListCopy, CopyAndRestoreKeepBytesAndDates) {
  ostest::WriteRaw(Data("CI10.DTA"), "accounts");
  ostest::WriteRaw(Data("ci20.dta"), "outline");
  ostest::WriteRaw(Data("Ci01.Dta"), "combined");
  ostest::WriteRaw(Data("CI99.dta"), "");           // empty: skipped
  ostest::WriteRaw(Data("org.dta"), "partners");    // not a code list
  ostest::WriteRaw(Data("ci.11"), "piece");         // not a code list either
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(Data("CI10.DTA"), old);
  Open();
  ChooseFolder(dir / "out");
  backend.Click(main->bKopCis);
  EXPECT_EQ(titles, Strings{"Urči složku pro kopii číselníků"_cz});
  EXPECT_EQ(left, 200);
  EXPECT_EQ(Names(dir / "out"), (Strings{"CI10.DTA", "Ci01.Dta", "ci20.dta"}));
  EXPECT_EQ(ostest::ReadRaw(dir / "out/CI10.DTA"), "accounts");
  EXPECT_EQ(fs::last_write_time(dir / "out/CI10.DTA"), old);
  EXPECT_EQ(Boxes(), Strings{"Číselníky jsou zkopírovány do "_cz + Win(dir / "out")});
  EXPECT_FALSE(main->ProgressBar1.visible());
  EXPECT_EQ(main->ProgressBar1.max(), 3);
  EXPECT_EQ(main->ProgressBar1.position(), 3);

  // The round trip: the lists changed since are restored with their dates.
  ostest::WriteRaw(Data("CI10.DTA"), "changed accounts");
  fs::remove(Data("ci20.dta"));
  ChooseFolder(dir / "out");
  backend.Click(main->bOnovCis);
  EXPECT_EQ(titles.back(), "Urči složku s číselníky"_cz);
  EXPECT_EQ(ostest::ReadRaw(Data("CI10.DTA")), "accounts");
  EXPECT_EQ(fs::last_write_time(Data("CI10.DTA")), old);
  EXPECT_EQ(ostest::ReadRaw(Data("ci20.dta")), "outline");
  EXPECT_EQ(Boxes().back(), "Číselníky jsou zkopírovány do "_cz + common::DataDir(""));
}

TEST_F(CodeListCopy, NothingToCopyOrRestore) {
  Open();
  ChooseFolder(dir / "out");
  backend.Click(main->bKopCis);  // no code lists in the data folder: no message
  EXPECT_TRUE(Boxes().empty());
  backend.Click(main->bOnovCis);
  EXPECT_EQ(Boxes(), Strings{"Na "_cz + Win(dir / "out") + " nejsou žádné číselníky"_cz});
  ChooseFolder({});  // Esc in the chooser
  backend.Click(main->bOnovCis);
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(CodeListCopy, TheFirstFailingCopyEndsTheRun) {
  for (const char* n : {"CI10.DTA", "CI11.DTA", "CI12.DTA"}) ostest::WriteRaw(Data(n), n);
  Open();
  ChooseFolder(dir / "out");
  common::FaultFileSystem faults;
  faults.Fail(common::FsOp::Write, ENOSPC, "out/.~CI11");
  {
    common::ScopedFileSystem use(faults);
    backend.Click(main->bKopCis);
  }
  EXPECT_EQ(Names(dir / "out"), Strings{"CI10.DTA"});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind("Kopírování skončilo chybou "_cz, 0), 0u);
  EXPECT_FALSE(main->ProgressBar1.visible());
}

// "Obnova číselníku" killed at any point: the next start finishes the moves from the
// journal, or the lists are as they were; the set is all old or all new, a finished
// restore is said, and nothing of the killed run stays in the data folder.
TEST_F(CodeListCopy, ARestoreKilledAnywhereGivesTheSetBackAllOldOrAllNew) {
  const Strings lists = {"CI10.DTA", "CI15.DTA", "CI20.DTA", "CI30.DTA"};
  std::map<std::string, std::string> oldSet, newSet;
  for (const std::string& name : lists) {
    ostest::WriteRaw(fs::path(dir / "out") / name, "new " + name);
    newSet[name] = "new " + name;
    oldSet[name] = name == "CI20.DTA" ? "(none)" : "old " + name;  // CI20 only in the chosen folder
  }
  const auto arrange = [&] {
    for (const auto& e : fs::directory_iterator(dir / "data")) fs::remove_all(e.path());
    for (const auto& [name, bytes] : oldSet)
      if (bytes != "(none)") ostest::WriteRaw(Data(name), bytes);
  };
  const auto set = [&] {
    std::map<std::string, std::string> now;
    for (const std::string& name : lists) now[name] = fs::exists(Data(name)) ? ostest::ReadRaw(Data(name)) : "(none)";
    return now;
  };
  const auto said = [this](const std::string& text) {
    const Strings boxes = Boxes();
    return std::find(boxes.begin(), boxes.end(), text) != boxes.end();
  };
  const std::string done = "Číselníky jsou zkopírovány do "_cz + common::DataDir("");
  Open();
  int kills = 0;
  for (const common::FsOp op : {common::FsOp::MakeDir, common::FsOp::OpenWrite, common::FsOp::Write, common::FsOp::Sync,
                                common::FsOp::SetTime, common::FsOp::Rename, common::FsOp::Unlink}) {
    for (int skip = 0;; ++skip) {
      SCOPED_TRACE(std::to_string(static_cast<int>(op)) + " after " + std::to_string(skip));
      arrange();
      common::CurrentSession().ReplacementTemps.clear();
      notes.calls.clear();
      ChooseFolder(dir / "out");
      common::FaultFileSystem faults;
      faults.DieAt(op, {"/data/"}, skip);
      {
        common::ScopedFileSystem use(faults);
        backend.Click(main->bOnovCis);
      }
      if (!faults.Dead()) break;
      ++kills;
      bool journal = false;  // the moves had begun
      for (const auto& e : fs::directory_iterator(dir / "data"))
        journal = journal || fs::exists(e.path() / "journal");
      // The next start.
      common::CurrentSession().ReplacementTemps.clear();
      notes.calls.clear();
      backup::FinishPendingRestores();
      auto now = set();
      EXPECT_TRUE(now == oldSet || now == newSet) << now["CI10.DTA"] << ", " << now["CI15.DTA"] << ", "
                                                  << now["CI20.DTA"] << ", " << now["CI30.DTA"];
      EXPECT_EQ(said("Přerušená obnova dokončena: "_cz + done), journal) << notes.Dump();
      if (journal) {
        EXPECT_EQ(now, newSet);
      }
      for (const auto& e : fs::directory_iterator(dir / "data")) {
        const std::string name = e.path().filename().string();
        EXPECT_FALSE(name.starts_with("obnova.") || name.starts_with(".~CI")) << name;
      }
    }
  }
  EXPECT_GE(kills, 20);
}

// A list deleted by hand beside the rollback copy its killed sort left: "Kopie číselníku"
// (the list in the data folder) and "Obnova číselníku" (the list in the folder chosen)
// name it as an opening does and copy nothing, whether other lists are there or not;
// a copy beside a missing file that is no code list changes nothing.
TEST_F(CodeListCopy, AListMissingBesideItsCopyIsNamedAndNothingIsCopied) {
  struct Row {
    std::string name;
    bool restore;
    Strings lists;   // written where the step copies from; the last then killed in a sort and deleted by hand
    Strings copied;  // the code lists where the step copies to, afterwards
  } rows[] = {
      {"with other lists", false, {"CI10.DTA", "CI30.DTA"}, {}},
      {"the only list", false, {"CI30.DTA"}, {}},
      {"no code list", false, {"CI10.DTA", "org.dta"}, {"CI10.DTA"}},
      {"restored, with other lists", true, {"CI10.DTA", "CI30.DTA"}, {}},
      {"restored, the only list", true, {"CI30.DTA"}, {}},
      {"restored, no code list", true, {"CI10.DTA", "org.dta"}, {"CI10.DTA"}},
  };
  const auto codeLists = [](const fs::path& folder) {
    Strings n = Names(folder);
    std::erase_if(n, [](const std::string& name) { return !name.starts_with("CI"); });
    return n;
  };
  Open();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    for (const fs::path& folder : {Data(""), fs::path(dir / "out")})
      for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename() != "master.job") fs::remove(e.path());
    const fs::path from = r.restore ? fs::path(dir / "out") : Data(""), to = r.restore ? Data("") : fs::path(dir / "out");
    for (const std::string& list : r.lists) ostest::WriteRaw(from / list, "records of " + list);
    const std::string gone = r.lists.back();
    leftcopy::LeaveUnfinishedCopy(from / gone);
    fs::remove(from / gone);
    notes.calls.clear();
    backend.ClearRecords();
    ChooseFolder(dir / "out");
    backend.Click(r.restore ? main->bOnovCis : main->bKopCis);
    EXPECT_EQ(codeLists(to), r.copied);
    EXPECT_TRUE(fs::exists(from / (".~" + gone + ".rollback")));
    if (!r.copied.empty()) {
      EXPECT_EQ(Boxes(), Strings{"Číselníky jsou zkopírovány do "_cz + (r.restore ? common::DataDir("") : Win(to))});
      continue;
    }
    EXPECT_EQ(Boxes(), Strings{"Soubor "_cz + (from / gone).string() + " chybí a vedle něj zůstala kopie "_cz +
                               (from / (".~" + gone + ".rollback")).string() +
                               " z nedokončeného přepisu; kopie drží jediné původní bajty souboru a do chybějícího "
                               "souboru se nevrací, soubor se znovu založí, až kopii odstraníte, kopírování neproběhlo"_cz});
  }
}

// Without "data.adr" the start folder is the data folder: the restore names it in full.
TEST_F(CodeListCopy, ARestoreIntoTheStartFolderNamesItInFull) {
  fs::remove(dir / "data.adr");
  ostest::WriteRaw(fs::path(dir / "out") / "CI10.DTA", "accounts");
  Open();
  ASSERT_EQ(common::DataDir(""), "");
  ChooseFolder(dir / "out");
  backend.Click(main->bOnovCis);
  EXPECT_EQ(ostest::ReadRaw(dir / "CI10.DTA"), "accounts");
  EXPECT_EQ(Boxes(), Strings{"Číselníky jsou zkopírovány do "_cz + dir.path() + "/"});
}

TEST_F(CodeListCopy, MoreThanAHundredFilesAreAllCopied) {
  for (int i = 0; i < 150; ++i) ostest::WriteRaw(Data("CI" + std::to_string(1000 + i) + ".dta"), "x");
  Open();
  ChooseFolder(dir / "out");
  backend.Click(main->bKopCis);
  EXPECT_EQ(Names(dir / "out").size(), 150u);
  EXPECT_EQ(Boxes(), Strings{"Číselníky jsou zkopírovány do "_cz + Win(dir / "out")});
}

TEST_F(CodeListCopy, RestoreClosesTheListsKeptOpenFirst) {
  app::CloseCodeListFormsHook() = [] { codelists::CloseCodeListForms(); };
  ostest::WriteRaw(fs::path(dir / "out") / "CI10.DTA", std::string(2 * 79, ' '));
  Open();
  codelists::TfCis10& w = codelists::fCis10();
  codelists::SetupCis10(w);  // list 10 stays open for the run
  ASSERT_TRUE(w.KeptOpen());
  ChooseFolder(dir / "out");
  backend.Click(main->bOnovCis);
  EXPECT_FALSE(w.KeptOpen());
  EXPECT_EQ(ostest::ReadRaw(Data("CI10.DTA")), std::string(2 * 79, ' '));
  EXPECT_EQ(Boxes(), Strings{"Číselníky jsou zkopírovány do "_cz + common::DataDir("")});
}

}  // namespace
