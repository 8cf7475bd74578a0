// Lines of the combined code-list file for tests.
#pragma once
#include <string>

#include "codelists/ci01.h"

namespace ci01test {

// A line: list, key, P, line number and the first cell; the other cells blank.
inline std::string Rec(const std::string& ts, const std::string& klic, const std::string& p, const std::string& cv,
                       const std::string& u1 = "      ") {
  codelists::Ci01Record r = codelists::Ci01Record::Blank();
  r.ts = ts;
  r.klic = klic;
  r.p = p;
  r.cv = cv;
  r.u[0] = u1;
  r.date = "260101";
  return r.Bytes();
}

}  // namespace ci01test
