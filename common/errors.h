// Failures raised to callers: an I/O failure carries the DOS/Windows I/O code the
// messages show (2 not found, 3 path not found, 5 access denied, 32 sharing
// violation, 33 lock violation, 100 read past end, 101 disk write error ...).
#pragma once
#include <stdexcept>
#include <string>

namespace common {

struct IoError : std::runtime_error {
  int code;
  std::string file;
  IoError(int code, std::string file, const std::string& what = {})
      : std::runtime_error(what.empty() ? "I/O error " + std::to_string(code) + " on " + file : what),
        code(code), file(std::move(file)) {}
};

// An index outside its declared range stops the operation.
struct RangeError : std::out_of_range {
  using std::out_of_range::out_of_range;
};

}  // namespace common
