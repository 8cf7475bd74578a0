#include "codelists/ci01load.h"

#include "codelists/chart.h"
#include "codelists/income.h"
#include "codelists/livestock.h"
#include "codelists/small.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/inplace.h"
#include "common/iocodes.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/pascal.h"

namespace codelists {

using common::Copy;

std::string Ci01Name(const Ci01Record& r) {
  std::string name;
  for (const std::string& cell : r.u) name += cell;
  return Copy(name, 1, 30);
}

std::int32_t LoadFromCi01(CodeListWindow& w, const Ci01Mapping& map) {
  w.UsePhysicalOrder();
  w.RecordBuffer = w.RecordTemplate;
  Ci01Reader file;
  const std::string name = common::DataDir(kCi01Name);
  const common::RefusalTail refused(common::Cz(", číselník zůstal beze změny"));
  if (int code = file.Open(name)) {
    const bool missing = code == common::io::kFileNotFound || code == common::io::kPathNotFound;
    if (!missing) common::FileErrorMessage(" otvira soubor: ", kCi01Name, code);
    return 0;
  }
  if (file.Count() < 2) return 0;
  std::int32_t appended = 0;
  const auto append = [&] {
    if (!w.AppendRecord()) return false;  // the append reported its failure
    ++appended;
    w.RecordBuffer = w.RecordTemplate;
    return true;
  };
  std::string last;
  Ci01Record r;
  for (std::int32_t n = 1; n <= file.Count(); ++n) {
    if (int code = file.Read(n, r)) {
      common::FileErrorMessage(" cte soubor: ", kCi01Name, code);
      return appended;
    }
    if (!map.use(r)) continue;
    if (!map.group) {
      map.fill(r, {}, w.RecordBuffer);
      if (!append()) return appended;
      continue;
    }
    const std::string key = map.group(r);
    if (last.empty()) last = key;
    if (key != last) {
      if (!append()) return appended;
      last = key;
    }
    map.fill(r, last, w.RecordBuffer);
  }
  if (!last.empty()) append();
  return appended;
}

namespace {

// A record of list `ts` with exactly the level `p` (empty: any level).
std::function<bool(const Ci01Record&)> Of(std::string ts, std::string p = {}) {
  return [ts = std::move(ts), p = std::move(p)](const Ci01Record& r) { return r.ts == ts && (p.empty() || r.p == p); };
}

// Characters 4 to 6 of the key.
std::string LastThree(const Ci01Record& r) { return Copy(r.klic, 4, 3); }

// The outlines 24 and 25: the name line and the line of the rows added to.
Ci01Mapping ResultRows(CodeListWindow& w, std::string ts) {
  return {Of(std::move(ts), "3"), LastThree, [&w](const Ci01Record& r, const std::string& row, std::string& rec) {
            if (r.cv == "00") {
              w.PutField(rec, 1, row);
              w.PutField(rec, 2, Ci01Name(r));
            }
            if (r.cv == "10") {
              w.PutField(rec, 3, Copy(r.u[0], 4, 3));
              w.PutField(rec, 4, Copy(r.u[0], 1, 3));
              w.PutField(rec, 5, r.u[3]);
            }
          }};
}

// Marks the trailing characters of a heading's key by its level: place i becomes "."
// when the level sorts before the digit i (compared as text, so level "2" dots the
// places from 3 on); places the key lacks stay absent.
std::string DottedKey(std::string key, const std::string& p, int places) {
  for (int i = places; i >= 1; --i) {
    const std::string level(1, static_cast<char>('0' + i));
    if (p < level && static_cast<int>(key.size()) >= i) key[static_cast<std::size_t>(i - 1)] = '.';
  }
  return key;
}

}  // namespace

std::int32_t LoadCis24FromCI01(TfCis24& w) { return LoadFromCi01(w, ResultRows(w, "24")); }
std::int32_t LoadCis25FromCI01(TfCis25& w) { return LoadFromCi01(w, ResultRows(w, "25")); }

std::int32_t LoadCis10FromCI01(TfCis10& w) {
  const Ci01Mapping map{Of("10", "6"), [](const Ci01Record& r) { return Copy(r.klic, 1, 6); },
                        [&w](const Ci01Record& r, const std::string& account, std::string& rec) {
                          w.PutField(rec, 1, account);
                          if (r.cv == "00") {
                            w.PutField(rec, 2, Ci01Name(r));
                            w.PutField(rec, 13, r.date);
                          }
                          if (r.cv == "10") {
                            w.PutField(rec, 3, Copy(r.u[0], 4, 3));
                            w.PutField(rec, 4, Copy(r.u[0], 1, 3));
                            w.PutField(rec, 5, Copy(r.u[1], 4, 3));
                            w.PutField(rec, 6, Copy(r.u[1], 1, 3));
                            w.PutField(rec, 9, Copy(r.u[2], 1, 1));
                            w.PutField(rec, 10, Copy(r.u[2], 4, 3));
                            w.PutField(rec, 11, Copy(r.u[3], 6, 1));
                            w.PutField(rec, 12, Copy(r.u[4], 6, 1));
                          }
                          if (r.cv == "11") {
                            w.PutField(rec, 7, Copy(r.u[1], 4, 3));
                            w.PutField(rec, 8, Copy(r.u[1], 1, 3));
                          }
                        }};
  const std::int32_t n = LoadFromCi01(w, map);
  if (n > 0) w.MarkOrderDirty();
  return n;
}

std::int32_t LoadCis30FromCI01(TfCis30& w) {
  const auto code = [](const Ci01Record& r) { return DottedKey(Copy(r.klic, 2, 5), r.p, 5); };
  const Ci01Mapping map{Of("30"), code, [&w](const Ci01Record& r, const std::string& centre, std::string& rec) {
                          w.PutField(rec, 1, centre);
                          w.PutField(rec, 4, r.cv == "00" && r.p < "5" ? "A" : " ");
                          if (r.cv == "00" || r.cv == "01") {
                            w.PutField(rec, r.cv == "00" ? 2 : 3, Ci01Name(r));
                            w.PutField(rec, 10, r.date);
                          }
                          if (r.cv == "10") {
                            w.PutField(rec, 7, Copy(r.u[1], 4, 3));
                            w.PutField(rec, 6, r.u[4]);
                            w.PutField(rec, 8, r.u[2]);
                            w.PutField(rec, 9, r.u[3]);
                            w.PutField(rec, 5, Copy(r.u[0], 6, 1));
                          }
                          if (r.cv == "11") {
                            std::string line = "STR:" + r.u[0];
                            line.resize(30, ' ');
                            w.PutField(rec, 3, line);
                          }
                        }};
  const std::int32_t n = LoadFromCi01(w, map);
  if (n > 0) w.MarkOrderDirty();
  return n;
}

std::int32_t LoadCis13FromCI01(TfCis13& w) {
  const Ci01Mapping map{Of("13", "2"), [](const Ci01Record& r) { return Copy(r.klic, 5, 2) + r.cv; },
                        [&w](const Ci01Record& r, const std::string&, std::string& rec) {
                          w.PutField(rec, 1, Copy(r.klic, 5, 2));
                          w.PutField(rec, 2, r.cv);
                          for (int i = 0; i < 5; ++i) w.PutField(rec, 3 + i, r.u[static_cast<std::size_t>(i)]);
                          w.PutField(rec, 8, r.date);
                        }};
  return LoadFromCi01(w, map);
}

std::int32_t LoadCis18FromCI01(TfCis18& w) {
  const Ci01Mapping map{Of("18", "3"), LastThree, [&w](const Ci01Record& r, const std::string& code, std::string& rec) {
                          if (r.cv == "00") {
                            w.PutField(rec, 1, code);
                            w.PutField(rec, 2, Ci01Name(r));
                            w.PutField(rec, 3, "      ");
                            w.PutField(rec, 4, r.date);
                          }
                          if (r.cv == "10") {
                            w.PutField(rec, 1, code);
                            w.PutField(rec, 3, r.u[0]);
                          }
                        }};
  return LoadFromCi01(w, map);
}

std::int32_t LoadCis65FromCI01(TfCis65& w) {
  const Ci01Mapping map{Of("65", "3"), {}, [&w](const Ci01Record& r, const std::string&, std::string& rec) {
                          w.PutField(rec, 1, LastThree(r));
                          w.PutField(rec, 2, Ci01Name(r));
                          w.PutField(rec, 3, r.date);
                        }};
  return LoadFromCi01(w, map);
}

std::int32_t LoadCis35FromCI01(TfCis35& w) {
  // An activity has the level "3"; any other level makes the entry a heading.
  const auto key = [](const Ci01Record& r) { return DottedKey(LastThree(r), r.p, 3); };
  const Ci01Mapping map{Of("35"), key, [&w](const Ci01Record& r, const std::string& k, std::string& rec) {
                          if (r.cv != "00") return;
                          w.PutField(rec, 1, k);
                          w.PutField(rec, 2, Ci01Name(r));
                          w.PutField(rec, 3, r.p == "3" ? " " : "A");
                          w.PutField(rec, 4, r.date);
                        }};
  return LoadFromCi01(w, map);
}

std::int32_t LoadCis51FromCI01(TfCis51& w) {
  const Ci01Mapping map{[](const Ci01Record& r) { return r.ts == "51" && r.p != "0"; },
                        [](const Ci01Record& r) { return r.klic; },
                        [&w](const Ci01Record& r, const std::string& k, std::string& rec) {
                          w.PutField(rec, 1, k);
                          common::PutLE<std::int32_t>(rec, static_cast<std::size_t>(w.FieldOffset(2)), common::TextToInt(r.u[0]));
                          w.PutField(rec, 3, r.date);
                        }};
  return LoadFromCi01(w, map);
}

}  // namespace codelists
