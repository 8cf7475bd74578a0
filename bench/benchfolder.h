// A scratch folder for a bench: "data/" below it as the session's data folder, the
// folder itself as program folder and current folder, user "01"; removed at the end.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "common/session.h"

namespace bench {

class BenchFolder {
 public:
  explicit BenchFolder(const std::string& name) {
    std::string pattern = "/tmp/" + name + ".XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder");
    path = pattern;
    std::filesystem::create_directories(path + "/data");
    common::Session& s = common::CurrentSession();
    s.DataDirPath = path + "/data/";
    s.ProgDirPath = path + "/";
    s.CurrentUser = "01";
    std::filesystem::current_path(path);
  }
  ~BenchFolder() {
    std::error_code ec;
    std::filesystem::current_path("/", ec);
    std::filesystem::remove_all(path, ec);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;

  std::string path;
};

}  // namespace bench
