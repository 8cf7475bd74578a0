#include "tests/browser/testkit.h"

#include <filesystem>
#include <fstream>

#include "common/params.h"
#include "common/session.h"

namespace dlgtest {

void FakeWriter::CloseReportOut() {
  std::string text;
  for (std::string line : lines) {
    line.resize(static_cast<std::size_t>(width), ' ');
    text += line + "\r\n";
  }
  std::ofstream(job + ".txt", std::ios::binary) << text;
}

DialogTest::DialogTest() {
  common::CurrentSession().ProgDirPath = dir.path() + "/";
  common::CurrentSession().DataDirPath = dir.path() + "/";
  std::filesystem::create_directories(dir / "par");
}

std::string DialogTest::FileText(const std::string& rel) {
  common::FlushParams();
  return ostest::ReadRaw(dir / rel);
}

void DialogTest::WriteFile(const std::string& rel, const std::string& data) { ostest::WriteRaw(dir / rel, data); }

bool DialogTest::Exists(const std::string& rel) const { return std::filesystem::exists(dir / rel); }

std::vector<std::string> DialogTest::Boxes() const {
  std::vector<std::string> out;
  for (const auto& m : backend.messages()) out.push_back(m.text);
  return out;
}

std::vector<std::string> DialogTest::ModalForms() const {
  std::vector<std::string> out;
  for (const std::string& line : backend.journal())
    if (line.rfind("modal ", 0) == 0) out.push_back(line.substr(6, line.find(' ', 6) - 6));
  return out;
}

}  // namespace dlgtest
