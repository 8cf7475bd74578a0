#include "tests/backup/backupkit.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "backup/copystore.h"
#include "browser/dotaz.h"
#include "common/encoding.h"
#include "common/jobfile.h"

namespace backuptest {

namespace fs = std::filesystem;

BackupFixture::BackupFixture() {
  fs::create_directories(Data());
  fs::create_directories(C("PROG/2"));
  common::Drives().Set("C", C());
  common::Session& s = common::CurrentSession();
  s.DataDirPath = "C:\\APP\\DATA\\F1\\";
  s.ProgDirPath = "C:\\PROG\\";
  s.ComputerId = "PC01";
  s.ComputerNo = 0;
  s.CurrentUser = "01";
  Write(Data("master.job"), std::string(common::kJobFileSize, '\0'));
  backend.OnModal("fDotaz", [this](ui::Form& f) {
    questions.push_back(common::Win1250ToUtf8(f.caption()));
    const bool yes = !answers.empty() && answers.front();
    if (!answers.empty()) answers.pop_front();
    backend.Press(ui::vk::Letter(yes ? 'A' : 'N'));
  });
  // The timed notice closes itself.
  backend.OnModal("fBlik", [this](ui::Form& f) {
    notices.push_back(common::Win1250ToUtf8(f.FindAs<ui::Label>("Label1")->text()));
    backend.Advance(5000);
  });
}

BackupFixture::~BackupFixture() {
  common::Drives() = common::DriveMap();
  backup::SetMediumMaker(nullptr);
}

void BackupFixture::Write(const std::string& path, const std::string& data, std::int64_t mtimeSec) {
  ostest::WriteRaw(path, data);
  if (mtimeSec != 0) {
    struct timespec t[2] = {{mtimeSec, 0}, {mtimeSec, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), t, 0);
  }
}

std::string BackupFixture::Read(const std::string& path) const { return ostest::ReadRaw(path); }

std::vector<std::string> BackupFixture::Names(const std::string& folder) const {
  std::vector<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::int64_t BackupFixture::MTime(const std::string& path) const {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return st.st_mtim.tv_sec;
}

std::string BackupFixture::Job(const std::string& name) const {
  common::CurrentSession().JobLoadState = 0;
  return common::GetJob(name);
}

std::vector<std::string> BackupFixture::Messages() const {
  std::vector<std::string> out;
  for (const auto& c : notes.calls)
    if (c.kind == common::RecordingNotifier::Kind::Message || c.kind == common::RecordingNotifier::Kind::BeepMessage)
      out.push_back(common::Win1250ToUtf8(c.text));
  return out;
}

bool BackupFixture::SaidSomething(const std::string& utf8Part) const {
  for (const auto& m : Messages())
    if (m.find(utf8Part) != std::string::npos) return true;
  return false;
}

void BackupFixture::Open(const std::function<void(backup::TfGlobKop&)>& keys) {
  backend.AnswerNextModal([&](ui::Form& f) { keys(static_cast<backup::TfGlobKop&>(f)); });
  backup::OpenGlobKop();
}

void BackupFixture::RunBackup(const std::string& drive, bool compression) {
  Open([&](backup::TfGlobKop& w) {
    backend.Focus(w.ComboDisk);
    w.ComboDisk.UserSetText(drive);
    const int want = compression ? 0 : 1;
    backend.ChooseItem(w.ComboKomprese, want);
    backend.Click(w.bKopiruj);
  });
}

void BackupFixture::RunRestore(const std::function<void(backup::TfGlobKop&)>& keys) {
  Open([&](backup::TfGlobKop& w) {
    backend.Click(w.bObnov);
    if (w.OfferingCopies()) keys(w);
  });
}

void BackupFixture::RestoreCopy(backup::TfGlobKop& w, int number) {
  const auto& items = w.ListBox1.items();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (backup::CopyNumberOfLine(items[i]) == number) {
      backend.ClickItem(w.ListBox1, static_cast<int>(i));
      backend.Press(ui::vk::Enter);
      return;
    }
  ADD_FAILURE() << "copy " << number << " is not listed";
  backend.Press(ui::vk::Esc);
}

}  // namespace backuptest
