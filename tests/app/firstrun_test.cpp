// A new user's start: a program folder made by the installation step and an empty data
// folder. Every button of the main window and every window of the registry opens there
// with no error box; the few that tell of missing input by design say exactly that.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "app/display.h"
#include "app/form1.h"
#include "app/windows.h"
#include "browser/codec.h"
#include "browser/entries.h"
#include "browser/soub.h"
#include "codelists/firm.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/text.h"
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
#include "ui/headless/headless.h"
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

// The words each window that needs them opens with, and the files they name.
std::map<std::string, std::vector<std::string>> OpeningArgs(const ostest::TempDir& dir) {
  ostest::WriteRaw(dir / "zprava.txt", "Zkusebni sestava\r\n");
  std::filesystem::create_directories(dir / "FOTO");
  ui::SaveBmpFile(ui::Bitmap(4, 3), dir / "FOTO/1.bmp");
  return {
      {"TfDirDialog", {"Slozka"}},
      {"TfDotaz", {"Pokracovat?"}},
      {"TfDotazy", {"Udaje", "Nazev", "x"}},
      {"TfEdituj", {"text"}},
      {"TfErr", {"Zkouska"}},
      {"TfHint", {"TEST"}},
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
}

TEST_F(FirstRun, EveryWindowOpensWithoutAnErrorBox) {
  MakeMain();
  const std::map<std::string, std::vector<std::string>> args = OpeningArgs(dir);
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

// The first page of every window is the page a repaint shows: its picture when shown
// (caption, cells under their headers, column widths, the count) and after Shift
// alone, a key that only repaints, are the same; at the first opening and again at a
// second one in the same run (the lists kept open for the run are not opened anew).
TEST_F(FirstRun, EveryWindowFirstShowsThePageARepaintShows) {
  MakeMain();
  const std::map<std::string, std::vector<std::string>> args = OpeningArgs(dir);
  // A cost centre with a second name and a date: list 30 shows its fields in an order of its own.
  std::string ci30;
  for (const auto& [text, width] : std::vector<std::pair<std::string, std::size_t>>{
           {"00100", 5}, {"DILNA", 30}, {"DRUHY2", 30}, {"A", 1}, {"1", 1}, {"131000", 6}, {"001", 3},
           {"000001", 6}, {"000999", 6}, {"261208", 6}})
    ci30 += static_cast<char>(text.size()) + text + std::string(width - text.size(), ' ');
  ASSERT_EQ(ci30.size(), 104u);
  ostest::WriteRaw(dir / "data/CI30.DTA", ci30);

  auto picture = [](ui::Form& f) {
    ui::headless::SnapshotOptions all;
    all.geometry = all.hidden = true;
    std::string s = ui::headless::Snapshot(f, all);
    if (auto* list = dynamic_cast<browser::TfRol*>(&f)) {
      s += "widths";
      for (int c = 0; c < list->sgRol.colCount(); ++c) s += " " + std::to_string(list->sgRol.colWidth(c));
    }
    return s;
  };
  std::string opened, faults;
  std::map<std::string, std::string> firstPages;
  int lists = 0;
  auto compare = [&](ui::Form& f) {
    const std::string first = picture(f);
    firstPages.emplace(f.name(), first);
    auto* list = dynamic_cast<browser::TfRol*>(&f);
    if (list && f.activeControl() == &list->sgRol) ++lists;  // the key reaches the list
    backend.Press(ui::vk::Shift, ui::Shift::Shift);
    const std::string repainted = picture(f);
    if (first == repainted) return;
    std::istringstream a(first), b(repainted);
    std::string la, lb;
    while (std::getline(a, la) && std::getline(b, lb) && la == lb) {
    }
    faults += opened + " " + f.name() + ":\n  first:   " + la + "\n  repaint: " + lb + "\n";
  };
  backend.OnModal<ui::Form>([&](ui::Form& f) {
    compare(f);
    if (!f.modalDone()) f.SetVisible(false);
  });
  backend.scriptPump = [&] {  // the main window, shown as the program shows it
    if (ui::Form* f = ui::ActiveForm()) {
      compare(*f);
      f->Hide();
    }
    return false;
  };
  ui::WindowRegistry registry;
  app::RegisterProgramWindows(registry);
  for (const char* round : {"", " again"})
    for (const ui::WindowEntry* e : registry.All()) {
      opened = e->className + round;
      const auto a = args.find(e->className);
      e->open(a == args.end() ? std::vector<std::string>{} : a->second);
    }
  EXPECT_EQ(faults, "");
  EXPECT_GT(lists, 2 * 70);
  // List 30: "DRUHY2" under "Název 2", the date under "Datum", from the first page on.
  EXPECT_NE(firstPages["fCis30"].find("|00100|DILNA|A|1|131000|001|000001|000999|261208|DRUHY2|"), std::string::npos)
      << firstPages["fCis30"];
}

// A data file the user may read but not write (a clerk's read rights, `chmod a-w`): every
// record-file window of the registry opens it for reading, shows its records, says once
// why it is read only, refuses each write key in words, and leaves the file as it was.
TEST_F(FirstRun, EveryRecordWindowReadsAFileNobodyMayWriteAndSaysWhy) {
  MakeMain();
  const std::map<std::string, std::vector<std::string>> args = OpeningArgs(dir);
  ui::WindowRegistry registry;
  app::RegisterProgramWindows(registry);
  struct Seen {
    std::string file;  // the real path of its data file
    std::string name;  // as the window names it
    std::string part;  // what the opens of it hold (a name in the start folder is opened by itself)
  };
  std::map<std::string, Seen> seen;  // by window class and form
  std::string opening;
  std::vector<std::string> keysSaid;  // the texts each key said, in order
  int shown = 0;
  const auto real = [](std::string path) -> std::string {
    namespace fs = std::filesystem;
    std::replace(path.begin(), path.end(), '\\', '/');
    const fs::path p(path), folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(folder)) return {};
    for (const auto& e : fs::directory_iterator(folder))
      if (common::UpperCz(e.path().filename().string()) == common::UpperCz(p.filename().string())) return e.path();
    return {};
  };
  // The first round learns each window's file and gives an empty one two records of its
  // fields' initial values; the second checks each window over its file refused for writing.
  bool learning = true;
  const std::vector<std::string> keys = {"F4", "Space", "F8", "Shift+F4", "Shift+F12"};
  std::string faults;
  int checked = 0;
  std::map<std::string, std::string> filled;  // the files given records
  const auto learn = [&](ui::Form& f) {
    auto* list = dynamic_cast<browser::TfSoub*>(&f);
    if (!list || list->DataFilePath.empty() || list->RecordLength <= 0 || !list->DataFileUsable()) return;
    const std::string file = real(list->DataFilePath);
    if (file.empty()) return;
    const bool own = list->DataFilePath.find_first_of("/\\") == std::string::npos;
    seen.emplace(opening + " " + f.name(),
                 Seen{file, list->ShownName(), own ? std::filesystem::path(file).filename().string() : file});
    if (list->Count == 0 && list->RecordsHoldFields()) {
      std::string record(static_cast<std::size_t>(list->RecordLength), '\0');
      browser::FieldsToRecord(list->FieldSpan(), record);
      filled[file] = record + record;
    }
  };
  const auto check = [&](ui::Form& f) {
    auto* list = dynamic_cast<browser::TfSoub*>(&f);
    const auto s = seen.find(opening + " " + f.name());
    if (!list || s == seen.end() || shown++ > 0) return;
    ++checked;
    const std::string said = common::Cz("Soubor ") + s->second.name + common::Cz(" nelze zapsat (err 5), ");
    const std::vector<std::string> boxes = Boxes();
    const auto told = std::count(boxes.begin(), boxes.end(), said + common::Cz("otevírám ho jen pro čtení"));
    if (told != 1 || list->Count < 1 || list->DataFileUsable() || list->ReadOnlyOpen())
      faults += opening + " " + f.name() + ": told " + std::to_string(told) + ", count " + std::to_string(list->Count) +
                (list->DataFileUsable() ? ", writable" : "") + "\n";
    for (const std::string& key : keys) {
      backend.ClearRecords();
      notes.calls.clear();
      backend.PressKeys(key);
      for (const std::string& b : Boxes()) {
        keysSaid.push_back(opening + " " + key + ": " + common::Win1250ToUtf8(b));
        if (b != said + common::Cz("změny se nezapisují"))
          faults += opening + " " + f.name() + " " + key + ": " + common::Win1250ToUtf8(b) + "\n";
      }
    }
  };
  backend.OnModal<ui::Form>([&](ui::Form& f) {
    if (learning) learn(f);
    else check(f);
    f.SetModalResult(ui::mr::Cancel);
  });
  const auto openEach = [&] {
    for (const ui::WindowEntry* e : registry.All()) {
      // The main window's buttons are no list; the split makes the pieces of the combined file anew.
      if (e->className == "TForm1" || e->className == "TFCI92") continue;
      opening = e->className;
      shown = 0;
      backend.ClearRecords();
      notes.calls.clear();
      const auto a = args.find(e->className);
      e->open(a == args.end() ? std::vector<std::string>{} : a->second);
      // No raw I/O message of a file it opens, its own or another's (the firm card's banks).
      for (const std::string& b : Boxes())
        if (!learning && b.starts_with("Uz: ")) faults += opening + ": " + common::Win1250ToUtf8(b) + "\n";
    }
  };
  openEach();
  ASSERT_GE(seen.size(), 68u);  // the record-file windows of the registry
  for (const auto& [file, records] : filled)
    if (!std::filesystem::exists(file) || std::filesystem::file_size(file) == 0) ostest::WriteRaw(file, records);
  std::map<std::string, std::string> before;
  common::FaultFileSystem fs;
  for (const auto& [window, s] : seen) {
    before[s.file] = ostest::ReadRaw(s.file);
    fs.Fail(common::FsOp::OpenWrite, EACCES, s.part);
  }
  learning = false;
  {
    common::ScopedFileSystem scoped(fs);
    openEach();
  }
  EXPECT_EQ(faults, "");
  EXPECT_EQ(checked, static_cast<int>(seen.size()));
  // Each write key refused in words, once, in every window where it writes: the report
  // viewer's F4 finds a page and its F8 leaves a report's only line; the occupations are
  // filled from their CSV file only; all 255 cash-book keys are there; the employees' F4 adds none.
  const std::set<std::string> noF4 = {"TfPozri", "TfISCO", "TfKl", "Tfpr_rol"}, noF8 = {"TfPozri", "TfISCO"};
  std::string unsaid;
  for (const auto& [window, s] : seen) {
    const std::string opened = window.substr(0, window.find(' '));
    for (const std::string& key : keys) {
      const bool writes = !(key == "F4" && noF4.count(opened)) && !(key == "F8" && noF8.count(opened));
      const auto n = std::count(keysSaid.begin(), keysSaid.end(),
                                opened + " " + key + ": Soubor " + common::Win1250ToUtf8(s.name) + " nelze zapsat (err 5), změny se nezapisují");
      if (n != (writes ? 1 : 0)) unsaid += opened + " " + key + " " + std::to_string(n) + "\n";
    }
  }
  EXPECT_EQ(unsaid, "");
  for (const auto& [file, bytes] : before) EXPECT_EQ(ostest::ReadRaw(file), bytes) << file;
}

// F1 of the main window and of the partner register finds its topic in the installed help.
// Every help file and topic the windows open with F1 ships with the program folder and
// opens at its topic; the report viewer's own help is the report list's text.
TEST_F(FirstRun, EveryWindowsHelpShipsWithItsTopics) {
  MakeMain();
  auto opensAt = [&](const std::string& file, const std::string& topic) {
    std::filesystem::remove(dir / "help.txt");
    common::WriteParam("par\\okna2.par", "fPozri Index", "1");
    const auto boxes = BoxesOf([&] { browser::ShowHelpTopic(file, topic); });
    EXPECT_TRUE(boxes.empty()) << file;
    EXPECT_GT(ostest::ReadRaw(dir / "help.txt").size(), 80u * 5) << file << " " << topic;
    return common::TextToInt(common::ReadParam("par\\okna2.par", "fPozri Index"));
  };
  const struct {
    const char *file, *topic;
  } cases[] = {{"\\2\\serv", "Parametry"}, {"2\\serv", "Parametry"},    {"\\2\\serv", "Výběrová"},
               {"\\2\\spool", "Seznam"},   {"\\im\\im", "Druh pohybu"}, {"\\pd\\pd", "Klíče"},
               {"\\pd\\pd", "Klíče peněžního deníku"}, {"\\pd\\pd", "Směřování klíčů"}, {"DZ", "Kurs"}};
  for (const auto& c : cases) EXPECT_GE(opensAt(c.file, common::Cz(c.topic)), 2) << c.file << " " << c.topic;
  EXPECT_EQ(opensAt("2\\kalk", ""), 1);  // the calculator's help from its start
  for (const bool keys : {true, false})
    for (int field = 1; field <= 21; ++field) {
      bool opens = false;
      const std::string topic = codelists::FmaHelpTopic(field, keys, opens);
      if (opens) EXPECT_GE(opensAt(keys ? "\\fj\\fma" : "fma", common::Cz(topic)), 2) << keys << " " << topic;
    }
  std::string hlp, hhh;
  ASSERT_EQ(common::ReadFileText(common::ProgDir("\\2\\spool.hlp"), hlp), 0);
  ASSERT_EQ(common::ReadFileText(common::ProgDir("\\2\\spool.hhh"), hhh), 0);
  std::string padded;
  for (std::size_t at = 0, end; at < hlp.size(); at = end + 2) {
    end = hlp.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    ASSERT_LE(end - at, 80u);
    padded += hlp.substr(at, end - at) + std::string(80 - (end - at), ' ') + "\r\n";
  }
  EXPECT_EQ(hhh, padded);
  // The partner register's help tells how its tools are switched on.
  std::string org;
  ASSERT_EQ(common::ReadFileText(common::ProgDir("\\CI\\ORG.hlp"), org), 0);
  EXPECT_NE(org.find(common::Cz("Ctrl + pravé tlačítko myši")), std::string::npos);
}

TEST_F(FirstRun, HelpTopicsAreFound) {
  MakeMain();
  const struct {
    const char *file, *topic;
    int line;  // of the topic in the file
  } cases[] = {{"\\CI\\CI", "0", 1}, {"\\CI\\ORG", "Seznam", 1}, {"\\CI\\ORG", "ICO", 17}};
  for (const auto& c : cases) {
    std::filesystem::remove(dir / "help.txt");
    const auto boxes = BoxesOf([&] { browser::ShowHelpTopic(c.file, c.topic); });
    EXPECT_TRUE(boxes.empty()) << c.file;
    EXPECT_GT(ostest::ReadRaw(dir / "help.txt").size(), 80u * 10) << c.file;
    EXPECT_EQ(common::TextToInt(common::ReadParam("par\\okna2.par", "fPozri Index")), c.line + 1)
        << c.file << " " << c.topic;
  }
}

// Sets environment variables for one scope (an empty value unsets) and puts them back.
class ScopedEnv {
 public:
  explicit ScopedEnv(const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
      if (const char* old = std::getenv(name.c_str())) saved_[name] = old;
      else saved_[name] = std::nullopt;
      if (value.empty()) unsetenv(name.c_str());
      else setenv(name.c_str(), value.c_str(), 1);
    }
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// The program started with the given display variables: its exit status and what it said.
int StartWith(const std::map<std::string, std::string>& env, std::string& said) {
  ostest::TempDir dir;
  common::RunOptions o;
  o.workDir = dir.path();
  o.timeoutMs = 20000;
  o.outputFile = dir / "stderr.txt";
  common::RunResult r;
  ScopedEnv scoped(env);
  if (common::RunProgram(CISELNIKY_BIN, {}, o, r) != 0) return -1;
  said = ostest::ReadRaw(dir / "stderr.txt");
  return r.exitCode;
}

// Started with no display and no Qt platform: one line that says what it needs, status 2.
TEST(FirstStart, WithoutADisplayTheProgramSaysSoInOneLine) {
  std::string said;
  EXPECT_EQ(StartWith({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}, said), 2);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("display"), std::string::npos) << said;
  EXPECT_NE(said.find("./run"), std::string::npos) << said;
}

// A display that is named but not running is found out before the toolkit starts: one
// line naming it, status 2, as without any.
TEST(FirstStart, ADisplayThatIsNotRunningIsSaidInOneLine) {
  for (const std::string& display : {":4711", "unix:4711.0", "127.0.0.1:4711"}) {
    std::string said;
    EXPECT_EQ(StartWith({{"DISPLAY", display}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}, said), 2) << display;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("DISPLAY=" + display), std::string::npos) << said;
    EXPECT_NE(said.find("./run"), std::string::npos) << said;
  }
  std::string said;
  EXPECT_EQ(StartWith({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", "no-such-wayland-4711"}, {"QT_QPA_PLATFORM", ""}}, said), 2);
  EXPECT_NE(said.find("WAYLAND_DISPLAY=no-such-wayland-4711"), std::string::npos) << said;
  // A platform that needs no display is left to the toolkit.
  ScopedEnv offscreen({{"DISPLAY", ":4711"}, {"QT_QPA_PLATFORM", "offscreen"}});
  EXPECT_EQ(app::DisplayProblem(), "");
}

// Without XDG_RUNTIME_DIR the program gets a private runtime folder of its own.
TEST(FirstStart, APrivateRuntimeFolderWhenNoneIsSet) {
  ostest::TempDir tmp;
  ScopedEnv env({{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", tmp.path()}});
  const std::string own = tmp / ("ciselniky-runtime-" + std::to_string(getuid()));
  std::filesystem::create_directory(own);
  chmod(own.c_str(), 0755);
  ASSERT_TRUE(app::EnsureRuntimeDir());
  ASSERT_NE(std::getenv("XDG_RUNTIME_DIR"), nullptr);
  EXPECT_EQ(std::string(std::getenv("XDG_RUNTIME_DIR")), own);
  struct stat st {};
  ASSERT_EQ(stat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // A set one is kept; a link in the folder's place is never followed.
  ASSERT_TRUE(app::EnsureRuntimeDir());
  EXPECT_EQ(std::string(std::getenv("XDG_RUNTIME_DIR")), own);
  unsetenv("XDG_RUNTIME_DIR");
  std::filesystem::remove(own);
  std::filesystem::create_directory(tmp / "elsewhere");
  std::filesystem::create_directory_symlink(tmp / "elsewhere", own);
  ASSERT_TRUE(app::EnsureRuntimeDir());
  const std::string made = std::getenv("XDG_RUNTIME_DIR");
  EXPECT_NE(made, own);
  EXPECT_EQ(made.rfind(own + "-", 0), 0u) << made;
  ASSERT_EQ(lstat(made.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

}  // namespace
