// The loads of the code lists from the older combined code-list file "CI01.DTA": one
// walk over its records, the used records of a list grouped by their key; each group
// becomes one record appended to the open list (through the window's append, so its
// write rule applies). Nothing in the list is removed, compared or sorted; a file of
// fewer than 2 records, or none, loads nothing.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "codelists/ci01.h"
#include "codelists/engine.h"

namespace codelists {

class TfCis10;
class TfCis13;
class TfCis18;
class TfCis24;
class TfCis25;
class TfCis30;
class TfCis35;
class TfCis51;
class TfCis65;

// How one list takes its entries from the combined file.
struct Ci01Mapping {
  // The records of the list.
  std::function<bool(const Ci01Record&)> use;
  // The key of the group a record belongs to; a change of key appends the record built
  // so far and starts again from the template. Without it each used record is a group.
  std::function<std::string(const Ci01Record&)> group;
  // Fills the record buffer from one record of the group (its key given).
  std::function<void(const Ci01Record&, const std::string& key, std::string& record)> fill;
};

// The walk; the number of records appended. File errors of the combined file are
// reported; a missing file is no error.
std::int32_t LoadFromCi01(CodeListWindow& w, const Ci01Mapping& map);

// The nine loads, each into its list's open window.
std::int32_t LoadCis10FromCI01(TfCis10& w);
std::int32_t LoadCis13FromCI01(TfCis13& w);
std::int32_t LoadCis18FromCI01(TfCis18& w);
std::int32_t LoadCis24FromCI01(TfCis24& w);
std::int32_t LoadCis25FromCI01(TfCis25& w);
std::int32_t LoadCis30FromCI01(TfCis30& w);
std::int32_t LoadCis35FromCI01(TfCis35& w);
std::int32_t LoadCis51FromCI01(TfCis51& w);
std::int32_t LoadCis65FromCI01(TfCis65& w);

// Name rule of the combined file: U1 .. U5 joined, cut to 30.
std::string Ci01Name(const Ci01Record& r);

}  // namespace codelists
