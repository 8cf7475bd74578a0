// Partner files for the tools, criteria and transfer tests: records built on the
// register's blank record, written and read back as bytes.
#pragma once
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "browser/dotaz.h"
#include "common/encoding.h"
#include "common/locking.h"
#include "common/osfile.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "partners/orgtools.h"
#include "tests/browser/soubkit.h"
#include "tests/common/processes.h"

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
