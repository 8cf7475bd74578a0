#include "tests/app/appkit.h"

#include "codelists/lists.h"
#include "common/jobfile.h"
#include "common/params.h"
#include "common/session.h"
#include "common/startup.h"

namespace apptest {

AppTest::AppTest() {
  ostest::WriteRaw(dir / "data.adr", dir.path() + "/data/\r\n");
  ostest::WriteRaw(dir / "prog.adr", dir.path() + "/prog/\r\n");
  std::filesystem::create_directories(dir / "data");
  std::filesystem::create_directories(dir / "prog");
  WriteStartJob();
  app::CloseCodeListFormsHook() = [this] {
    ++closes;
    common::FlushParams();
  };
  app::MergeCi60Hook() = nullptr;
}

AppTest::~AppTest() {
  main.reset();
  codelists::DestroyCodeListWindows();
  app::CloseCodeListFormsHook() = nullptr;
  app::MergeCi60Hook() = nullptr;
}

void AppTest::WriteStartJob(const std::vector<std::pair<std::string, std::string>>& extra) {
  common::JobImage t{};
  common::SetJobValue(t, "UZIVATEL", "01");
  for (const auto& [name, value] : extra) common::SetJobValue(t, name, value);
  ostest::WriteRaw(dir / "master.job", std::string(t.begin(), t.end()));
}

app::TForm1& AppTest::MakeMain(std::vector<std::string> args) {
  common::LoadStartupConfig();
  main = std::make_unique<app::TForm1>(std::move(args));
  main->services.userSlotTaken = [this] {
    const bool a = asked < static_cast<int>(answers.size()) && answers[static_cast<std::size_t>(asked)];
    ++asked;
    return a;
  };
  main->services.showHelp = [] {};
  return *main;
}

app::TForm1& AppTest::Open(std::vector<std::string> args) {
  app::TForm1& f = MakeMain(std::move(args));
  f.Show();
  return f;
}

std::vector<std::string> AppTest::Boxes() const {
  std::vector<std::string> r;
  for (const auto& m : backend.messages()) r.push_back(m.text);
  for (const auto& c : notes.calls)
    if (c.kind != common::RecordingNotifier::Kind::Beep) r.push_back(c.text);
  return r;
}

std::vector<std::string> AppTest::Modals() const {
  std::vector<std::string> r;
  for (const auto& line : backend.journal())
    if (line.rfind("modal ", 0) == 0) r.push_back(line.substr(6, line.find(' ', 6) - 6));
  return r;
}

}  // namespace apptest
