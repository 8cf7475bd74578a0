// A new user's start: a program folder made by the installation step and an empty data
// folder. Every button of the main window and every window of the registry opens there
// with no error box; the few that tell of missing input by design say exactly that.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <map>

#include "app/form1.h"
#include "app/windows.h"
#include "browser/entries.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/osfile.h"
#include "common/process.h"
#include "tests/common/os_tempdir.h"
#include "partners/lookups.h"
#include "partners/orgservices.h"
#include "reports/pozri.h"
#include "tests/app/appkit.h"
#include "ui/bitmap.h"
#include "ui/registry.h"

namespace {

using namespace common::literals;

class FirstRun : public apptest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    const std::string command = std::string(INSTALL_PROG) + " '" + (dir / "prog") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    backend.closeUnanswered = true;
    reports::InstallReportServices();
    partners::LookupConfig().client = "/nonexistent/lookup-client";
    partners::OrgHooks().openPage = [](const std::string&) {};
  }
  // The boxes shown by one action, from a clean record.
  template <class F>
  std::vector<std::string> BoxesOf(F&& action) {
    backend.ClearRecords();
    notes.calls.clear();
    action();
    std::vector<std::string> boxes;
    for (const std::string& b : Boxes()) boxes.push_back(common::Win1250ToUtf8(b));
    return boxes;
  }
};

TEST_F(FirstRun, EveryMainButtonOpensWithoutAnErrorBox) {
  app::TForm1& f = Open();
  // The payroll-sheet key jobs work on the firm's list and the suite's reference copy,
  // which a new folder has not: they say which file is missing and change nothing.
  const std::string prog = dir / "prog", data = dir / "data";
  const std::map<std::string, std::vector<std::string>> said = {
      {"Button4", {"Soubor " + prog + "/CI/ci60.dta nelze číst - err 2, CI60.dta zůstává beze změny"}},
      {"CI60x2024", {"Uz: 01 otvira soubor: " + data + "/CI60.dta err      2"}},
  };
  for (const app::MainButtonSpec& spec : app::kMainButtons) {
    auto& button = *f.FindAs<ui::Button>(spec.name);
    const auto boxes = BoxesOf([&] { button.onClick(button); });
    const auto s = said.find(spec.name);
    EXPECT_EQ(boxes, s == said.end() ? std::vector<std::string>{} : s->second) << spec.name;
  }
}

TEST_F(FirstRun, EveryWindowOpensWithoutAnErrorBox) {
  MakeMain();
  ostest::WriteRaw(dir / "zprava.txt", "Zkusebni sestava\r\n");
  std::filesystem::create_directories(dir / "FOTO");
  ui::SaveBmpFile(ui::Bitmap(4, 3), dir / "FOTO/1.bmp");
  // Windows that need words to open.
  const std::map<std::string, std::vector<std::string>> args = {
      {"TfDirDialog", {"Slozka"}},
      {"TfDotaz", {"Pokracovat?"}},
      {"TfDotazy", {"Udaje", "Nazev", "x"}},
      {"TfEdituj", {"text"}},
      {"TfErr", {"Zkouska"}},
      {"TfFoto", {"FOTO\\", "1.bmp"}},
      {"TfFotoDialog", {"Obrazek"}},
      {"TfInOut", {"Soubor"}},
      {"TfOkno", {"Kod", "XXX", "A"}},
      {"TfPoklBlok", {"zprava.txt"}},
      {"TfPozri", {"zprava.txt"}},
      {"TfSoub", {"ci14.dta", "prog\\dlib\\ci14.pol"}},
      {"TfStranka", {"zprava.txt"}},
      {"TfVolby", {"Volby", "jedna"}},
      {"TfVyber", {"Vyber", "jedna"}},
      {"TFCI92", {"split"}},
  };
  // What a window says by design when its input is missing, or what it is.
  const std::map<std::string, std::vector<std::string>> said = {
      {"TfErr", {"Zkouska"}},
      {"TfORGVK", {"Nenalezen soubor obchodních partnerů"}},  // the selection runs on leaving
      {"TFCI92", {}},
      {"TfStranka", {}},
  };
  ui::WindowRegistry registry;
  app::RegisterProgramWindows(registry);
  for (const ui::WindowEntry* e : registry.All()) {
    if (e->className == "TForm1") continue;  // the buttons above
    const auto a = args.find(e->className);
    const auto boxes = BoxesOf([&] { e->open(a == args.end() ? std::vector<std::string>{} : a->second); });
    const auto s = said.find(e->className);
    if (s != said.end()) {
      EXPECT_EQ(boxes, s->second) << e->className;
    } else {
      EXPECT_TRUE(boxes.empty()) << e->className << ": " << (boxes.empty() ? "" : boxes.front());
    }
  }
}

// F1 of the main window and of the partner register finds its topic in the installed help.
TEST_F(FirstRun, HelpTopicsAreFound) {
  MakeMain();
  const struct {
    const char *file, *topic;
    int line;  // of the topic in the file
  } cases[] = {{"\\CI\\CI", "0", 1}, {"\\CI\\ORG", "Seznam", 1}, {"\\CI\\ORG", "ICO", 15}};
  for (const auto& c : cases) {
    std::filesystem::remove(dir / "help.txt");
    const auto boxes = BoxesOf([&] { browser::ShowHelpTopic(c.file, c.topic); });
    EXPECT_TRUE(boxes.empty()) << c.file;
    EXPECT_GT(ostest::ReadRaw(dir / "help.txt").size(), 80u * 10) << c.file;
    EXPECT_EQ(common::TextToInt(common::ReadParam("par\\okna2.par", "fPozri Index")), c.line + 1)
        << c.file << " " << c.topic;
  }
}

// Started with no display and no Qt platform: one line that says what it needs, status 2.
TEST(FirstStart, WithoutADisplayTheProgramSaysSoInOneLine) {
  ostest::TempDir dir;
  common::RunOptions o;
  o.workDir = dir.path();
  o.timeoutMs = 20000;
  o.outputFile = dir / "stderr.txt";
  common::RunResult r;
  std::map<std::string, std::string> saved;
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (const char* value = std::getenv(v)) saved[v] = value;
    unsetenv(v);
  }
  const int started = common::RunProgram(CISELNIKY_BIN, {}, o, r);
  for (const auto& [v, value] : saved) setenv(v.c_str(), value.c_str(), 1);
  ASSERT_EQ(started, 0);
  EXPECT_EQ(r.exitCode, 2);
  const std::string said = ostest::ReadRaw(dir / "stderr.txt");
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("display"), std::string::npos) << said;
  EXPECT_NE(said.find("./run"), std::string::npos) << said;
}

}  // namespace
