// Partner files for the tools, criteria and transfer tests: records built on the
// register's blank record, written and read back as bytes.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "browser/dotaz.h"
#include "common/encoding.h"
#include "common/locking.h"
#include "common/osfile.h"
#include "common/session.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "partners/orgtools.h"
#include "tests/browser/soubkit.h"

namespace orgtest {

using Fields = std::vector<std::pair<int, std::string>>;  // field number, UTF-8 text

class OrgFiles : public soubtest::SoubTest {
 protected:
  void SetUp() override {
    SoubTest::SetUp();
    partners::ResetOrgServices();
    partners::TfOrg maker("fOrgMaker");
    partners::SetupOrg(maker, "maker.dta");
    blank = maker.BlankRecord;
    maker.CloseBrowse();
    here = common::CurrentFolder();
    ASSERT_EQ(common::SetCurrentFolder(dir.path()), 0);
  }
  void TearDown() override {
    (void)common::SetCurrentFolder(here);
    partners::ResetOrgServices();
    SoubTest::TearDown();
  }
  std::string Partner(int n, const Fields& fields = {}) const {
    std::string r = blank;
    partners::PutOrgWord(r, partners::of::Number, static_cast<std::uint16_t>(n));
    for (const auto& [f, text] : fields) partners::PutOrgText(r, f, common::Cz(text));
    return r;
  }
  void WritePartners(const std::string& path, const std::vector<Fields>& partners) const {
    std::string bytes;
    for (std::size_t i = 0; i < partners.size(); ++i) bytes += Partner(static_cast<int>(i + 1), partners[i]);
    ostest::WriteRaw(path, bytes);
  }
  static std::vector<std::string> Records(const std::string& bytes) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at + partners::kOrgRecordLength <= bytes.size(); at += partners::kOrgRecordLength)
      out.push_back(bytes.substr(at, partners::kOrgRecordLength));
    return out;
  }
  static std::string Text(const std::string& record, int field) {
    return common::StripRightSp(partners::OrgText(record, field));
  }
  void AnswerAsk(bool yes) {
    backend.AnswerNextModal([yes](ui::Form& f) {
      auto& d = static_cast<browser::TfDotaz&>(f);
      yes ? d.Button1Click() : d.Button2Click();
    });
  }

  // Another workstation (user 02): `count` new partners named "F4" appended to the
  // register `name` as F4 numbers them, under its lock. 0, or 1 when an append failed.
  static int AppendAsOtherWorkstation(const std::string& name, int count) {
    common::CurrentSession().CurrentUser = "02";
    int code = 0;
    for (int i = 0; i < count && code == 0; ++i) {
      partners::TfOrg w("fOrgOther");
      partners::SetupOrg(w, name);
      {
        common::ScopedFileLock lock(partners::OrgLockPath(w), "W");
        w.DataFileReopen();
        w.RecordBuffer = w.BlankRecord;
        partners::PutOrgText(w.RecordBuffer, partners::of::Name, "F4");
        partners::PutOrgWord(w.RecordBuffer, partners::of::Number, static_cast<std::uint16_t>(w.Count + 1));
        if (!w.AppendRecord()) code = 1;
      }
      w.CloseBrowse();
    }
    return code;
  }

  std::string blank, here;
};

// Another workstation (user 02, a forked process) holding the write lock on `path`
// from the constructor until Release.
class LockHeldByOther {
 public:
  explicit LockHeldByOther(const std::string& path) {
    int up[2], down[2];
    if (pipe(up) != 0) return;
    if (pipe(down) != 0) {
      close(up[0]);
      close(up[1]);
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(up[0]);
      close(down[1]);
      common::CurrentSession().CurrentUser = "02";
      const bool held = common::LockFile(path, "W") == common::LockResult::Held;
      char c = held ? 'h' : 'x';
      if (write(up[1], &c, 1) != 1 || read(down[0], &c, 1) < 0) _exit(2);
      if (held && !common::UnlockFile(path)) _exit(3);
      _exit(held ? 0 : 1);
    }
    close(up[1]);
    close(down[0]);
    char c = 0;
    held_ = pid_ > 0 && read(up[0], &c, 1) == 1 && c == 'h';
    close(up[0]);
    release_ = down[1];
  }
  ~LockHeldByOther() { (void)Release(); }
  LockHeldByOther(const LockHeldByOther&) = delete;
  LockHeldByOther& operator=(const LockHeldByOther&) = delete;
  bool held() const { return held_; }
  // Lets it go; its exit code (0: taken and released).
  int Release() {
    if (release_ >= 0) close(release_);
    release_ = -1;
    if (pid_ <= 0) return -1;
    int status = 0;
    const pid_t pid = std::exchange(pid_, -1);
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

// The register with the tools of its F10 menu installed.
class OrgToolFiles : public OrgFiles {
 protected:
  void SetUp() override {
    OrgFiles::SetUp();
    partners::InstallOrgTools();
  }
  void Open(partners::TfOrg& w) {
    partners::SetupOrg(w, "org.dta");
    w.Show();
    w.EnableMenuItems();
  }
  // Picks the item from the menu F10 pops up.
  void Tool(const std::string& item) {
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer(item));
    backend.PressKeys("F10");
  }
};

}  // namespace orgtest
