// The frame of the tests of text files and their end-of-file byte (^Z): files put into
// the start folder, the messages a step shows, the records a register or partner tool wrote.
#pragma once
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "browser/hint.h"
#include "common/encoding.h"
#include "common/pascal.h"
#include "common/startup.h"
#include "common/text.h"
#include "common/winpath.h"
#include "partners/oneoff.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "tests/app/appkit.h"

namespace apptest {

class TextFileTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    common::LoadStartupConfig();
    partners::ResetOrgServices();
  }
  void TearDown() override {
    for (const char* drive : {"X", "Z"}) common::Drives().Remove(drive);
    AppTest::TearDown();
  }
  std::string Path(const std::string& name) const { return dir / name; }
  void Put(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    ostest::WriteRaw(Path(name), bytes);
  }
  std::string Get(const std::string& name) const { return ostest::ReadRaw(Path(name)); }
  // The messages shown while `run` ran, after its own result.
  std::string Said(const std::function<std::string()>& run) {
    notes.calls.clear();
    const std::size_t before = backend.messages().size();
    std::string seen = run();
    for (std::size_t i = before; i < backend.messages().size(); ++i) seen += " [" + backend.messages()[i].text + "]";
    for (const auto& c : notes.calls) seen += " [" + c.text + "]";
    for (std::size_t at; (at = seen.find(dir.path())) != std::string::npos;) seen.replace(at, dir.path().size(), "~");
    return seen;
  }
  // Counted texts of each record: fields (offset, width) joined by blanks, records by "|".
  static std::string Records(const std::string& bytes, std::size_t length,
                             std::initializer_list<std::pair<std::size_t, std::size_t>> fields) {
    std::string out;
    for (std::size_t at = 0; at + length <= bytes.size(); at += length) {
      out += at ? "|" : "";
      for (const auto& [offset, width] : fields)
        out += (offset == fields.begin()->first ? "" : " ") + common::StripRightSp(common::GetCounted(bytes, at + offset, width));
    }
    return out;
  }
  // A partner tool run over an empty register: name and notes of each partner, then the shares.
  std::string Partner(void (*tool)(partners::TfOrg&)) const {
    Put("data/org.dta", "");
    Put("data/podily.dta", "");
    partners::TfOrg w("fOrg");
    partners::SetupOrg(w, "org.dta");
    tool(w);
    w.CloseBrowse();
    std::string out;
    const std::string bytes = Get("data/org.dta");
    for (std::size_t at = 0; at + partners::kOrgRecordLength <= bytes.size(); at += partners::kOrgRecordLength)
      for (int f : {partners::of::Name, partners::of::Note1, partners::of::Note1 + 1})
        out += "|" + common::StripRightSp(partners::OrgText(bytes.substr(at, partners::kOrgRecordLength), f));
    return out + " " + Records(Get("data/podily.dta"), partners::kShareRecordLength, {{42, 15}});
  }
  // A register loaded from a CSV file: the records it took, then each record.
  template <class W>
  std::string Register(W& w, void (*setup)(W&), const std::string& name, const std::string& csv, std::size_t length,
                       std::initializer_list<std::pair<std::size_t, std::size_t>> fields) const {
    const std::string data = "prog/2/" + name + ".dta";
    Put(data, "");
    setup(w);
    const std::int32_t n = w.ImportCsv(Path(csv));
    w.CloseBrowse();
    return std::to_string(n) + ": " + Records(Get(data), length, fields);
  }
  std::string Hint(const std::function<void(browser::TfHint&)>& inside) {
    std::string lines;
    backend.AnswerNextModal([&](ui::Form& f) {
      auto& h = static_cast<browser::TfHint&>(f);
      if (inside) inside(h);
      for (const std::string& line : h.Memo1.lines()) lines += "|" + line;
      backend.Press(ui::vk::Esc);
    });
    browser::HintLoad(Path("NAVODY/"), "fOrg");
    return lines;
  }
};

}  // namespace apptest
