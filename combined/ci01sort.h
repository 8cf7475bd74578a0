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
// first), with the notice "Třídím číselnik". Raises IoError on an I/O failure, and
// std::runtime_error when the sort engine fails; the file is then as it was.
void SortCombinedFile(std::string_view path);

// The same sort of an open file in place, for a step that builds a new file in a
// replacement's temporary and sorts it there before it goes in (`path` names the file
// in a failure). A cut record at its end is dropped.
void SortCombinedIn(common::File& file, std::string_view path);

// Whether the file's records stand as its sort leaves them (in order, none deleted).
// Raises IoError when the file cannot be read.
bool CombinedFileSorted(std::string_view path);

}  // namespace combined
