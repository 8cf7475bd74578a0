#include "codelists/ci01.h"

#include <algorithm>

#include "common/osfile.h"
#include "common/pascal.h"

namespace codelists {

namespace {
constexpr int kCellOffset[5] = {15, 22, 29, 36, 43};
}

Ci01Record Ci01Record::FromBytes(std::string_view rec) {
  Ci01Record r;
  r.ts = common::GetCounted(rec, 0, 2);
  r.klic = common::GetCounted(rec, 3, 6);
  r.p = common::GetCounted(rec, 10, 1);
  r.cv = common::GetCounted(rec, 12, 2);
  for (int i = 0; i < 5; ++i) r.u[i] = common::GetCounted(rec, kCellOffset[i], 6);
  r.date = common::GetCounted(rec, 50, 6);
  return r;
}

bool Ci01Record::Decodes(std::string_view rec) {
  if (rec.size() < static_cast<std::size_t>(kCi01Length)) return false;
  auto fits = [&](int offset, int width) { return static_cast<unsigned char>(rec[offset]) <= width; };
  for (int offset : kCellOffset)
    if (!fits(offset, 6)) return false;
  return fits(0, 2) && fits(3, 6) && fits(10, 1) && fits(12, 2) && fits(50, 6);
}

std::string Ci01Record::Bytes() const {
  std::string rec(kCi01Length, '\0');
  common::PutCounted(rec, 0, ts, 2);
  common::PutCounted(rec, 3, klic, 6);
  common::PutCounted(rec, 10, p, 1);
  common::PutCounted(rec, 12, cv, 2);
  for (int i = 0; i < 5; ++i) common::PutCounted(rec, kCellOffset[i], u[i], 6);
  common::PutCounted(rec, 50, date, 6);
  return rec;
}

Ci01Record Ci01Record::Blank() {
  Ci01Record r;
  r.ts = "00";
  r.klic = "000000";
  r.p = "0";
  r.cv = "00";
  for (auto& cell : r.u) cell = "      ";
  r.date = "      ";
  return r;
}

bool Ci01Record::Deleted() const { return ts.starts_with('.') || (klic.size() >= 6 && klic[5] == '.'); }

int Ci01Reader::Open(std::string_view name) {
  name_ = std::string(name);
  count_ = 0;
  // Its records go into a list: a copy a killed step left beside it goes back first.
  if (int code = file_.Open(name, common::kModeReadOnly | common::kModeToCarry)) return code;
  std::uint64_t size = 0;
  if (int code = file_.Size(size)) return code;
  count_ = static_cast<std::int32_t>(std::min<std::uint64_t>(size / kCi01Length, 0x7FFFFFFF));
  return 0;
}

int Ci01Reader::Read(std::int32_t n, Ci01Record& r) {
  if (n < 1 || n > count_) return 100;
  std::string rec(kCi01Length, '\0');
  if (int code = file_.ReadAt(static_cast<std::uint64_t>(n - 1) * kCi01Length, rec.data(), rec.size())) return code;
  r = Ci01Record::FromBytes(rec);
  return 0;
}

int ReadCi01(std::string_view name, std::vector<std::string>& records) {
  records.clear();
  common::File f;
  if (int code = f.Open(name, common::kModeReadOnly)) return code;
  std::string all;
  if (int code = f.ReadWhole(all)) return code;
  for (std::size_t at = 0; at + kCi01Length <= all.size(); at += kCi01Length)
    records.push_back(all.substr(at, kCi01Length));
  return 0;
}

}  // namespace codelists
