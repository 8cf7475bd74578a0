// The payroll-sheet key list's two batch jobs: the rebuild of "CI60.dta" from the
// reference copy "\ci\ci60.dta" and the firm's older list "CI61.DTA" (the command
// line "CI6160" and the hidden button "Ci6160"), and the 2024 conversion that brings
// the firm's "CI60.dta" up to the reference copy (the button "Uprava CI60 2024").
//
// Neither touches "CI60.dta" before its sources have been read whole; a failure is
// shown and leaves "CI60.dta" as it was.
#pragma once
#include <string>
#include <vector>

namespace app {

// The rebuild's records: from the reference records (357 bytes) and the old records
// (186 bytes), indexed by key number 1..999 (a later duplicate wins), the result
// records in ascending key order.
std::vector<std::string> mergeCi60(const std::vector<std::string>& old61, const std::vector<std::string>& ref60);

// The conversion's three work files: the firm's records without the keys 288, 289,
// 342 and 343 ("CI60.001"); those with their blank accounts filled from the first
// reference record of the same key ("CI60.002"); the reference records whose key
// "CI60.002" lacks ("CI60.003").
struct Ci60Conversion {
  std::vector<std::string> kept, filled, added;
};
Ci60Conversion convertCi60_2024(const std::vector<std::string>& firm, const std::vector<std::string>& ref);

enum class RebuildMode {
  Button,  // a held "CI60.dta" is waited for
  Batch,   // nobody can answer: a held "CI60.dta" ends the run
};
// The rebuild: the sources are read through the windows of lists 61 and 60b, the new
// list is written aside and replaces "CI60.dta" in one step. A reference without a
// record of key 1..999 is refused. True when "CI60.dta" was rebuilt; false after a
// message (and with "CI60.dta" as it was).
bool MergeCi60(RebuildMode mode);

// The conversion's steps up to the new "CI60.dta": the backup in "kopie\", the work
// files "CI60.001" to "CI60.003" in the current folder, the copy over "CI60.dta" under
// a write lock. True when "CI60.dta" was replaced; false after a message.
bool ConvertCi60For2024();

}  // namespace app
