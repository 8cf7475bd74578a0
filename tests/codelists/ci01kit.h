// Records of the combined code-list file for the load tests.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "codelists/ci01.h"
#include "common/encoding.h"

namespace cltest {

// One 57-byte record; cells shorter than 6 are padded with blanks (texts in UTF-8).
inline std::string Ci01(const std::string& ts, const std::string& klic, const std::string& p, const std::string& cv,
                        const std::array<std::string, 5>& u = {}, const std::string& date = "230115") {
  codelists::Ci01Record r;
  r.ts = ts;
  r.klic = klic;
  r.p = p;
  r.cv = cv;
  for (std::size_t i = 0; i < 5; ++i) {
    r.u[i] = common::Cz(u[i]);
    r.u[i].resize(6, ' ');
  }
  r.date = date;
  return r.Bytes();
}

// A record of another list, so that a file of one list's record is no "one record" file.
inline std::string Ci01Other() { return Ci01("99", "000001", "3", "00", {"Jiny"}); }

inline std::string Joined(const std::vector<std::string>& records) {
  std::string all;
  for (const std::string& r : records) all += r;
  return all;
}

}  // namespace cltest
