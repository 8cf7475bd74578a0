// The statement outlines' test frame: the layout files under the program folder's
// "dlib", and records of a list's table written to a named file.
#pragma once
#include <filesystem>
#include <map>
#include <string>

#include "tests/codelists/codelistkit.h"

namespace cltest {

// Copies the outlines' layout files into "dlib" of the session's program folder.
inline void InstallLayouts(const std::string& programFolder) {
  const std::filesystem::path target = std::filesystem::path(programFolder) / "dlib";
  std::filesystem::create_directories(target);
  for (const auto& e : std::filesystem::directory_iterator(CODELISTS_DLIB))
    std::filesystem::copy_file(e.path(), target / e.path().filename(), std::filesystem::copy_options::overwrite_existing);
}

class OutlineTest : public CodeListTest {
 protected:
  void SetUp() override {
    CodeListTest::SetUp();
    InstallLayouts(dir.path());
  }
  // Records of the table, one per entry of `rows` (field values in UTF-8).
  void WriteRows(const codelists::CodeListSpec& spec, const std::string& file,
                 const std::vector<std::map<int, std::string>>& rows) const {
    std::string bytes;
    for (const auto& r : rows) bytes += MakeRecord(spec, r);
    WriteData(file, bytes);
  }
  Strings Field(const codelists::CodeListSpec& spec, const std::string& file, int f) const {
    return Column(spec, ReadData(file), f);
  }
};

}  // namespace cltest
