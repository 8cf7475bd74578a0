// The sort of the combined code-list file: by TS + Klíč + P + ČV as a counted text,
// deleted records purged, dates kept; written to a work file beside it and moved
// over it in one step.
#pragma once
#include <string_view>

namespace common {
class File;
}

namespace combined {

// Sorts the file under a write lock of its own (release any lock the caller holds
// first), with the notice "Třídím číselnik". Raises IoError on an I/O failure, the sort's
// included (its work file's code; 9 for more records than it takes); the file is then
// as it was. False when the wait for the lock was left with Esc (said): nothing sorted.
bool SortCombinedFile(std::string_view path);

// The same sort of an open file in place, for a step that builds a new file in a
// replacement's temporary and sorts it there before it goes in (`path` names the file
// in a failure). A cut record at its end is dropped.
void SortCombinedIn(common::File& file, std::string_view path);

// Whether the file is in order: no record deleted, and each record's sort key not after
// the next one's by the sort's own comparison (records of equal keys in any order; a cut
// record at the end aside). Raises IoError when the file cannot be read.
bool CombinedFileSorted(std::string_view path);

}  // namespace combined
