// The sort of the combined code-list file: by TS + Klíč + P + ČV as a counted text,
// deleted records purged, dates kept; written to a work file beside it and moved
// over it in one step.
#pragma once
#include <string_view>

namespace combined {

// Sorts the file under a write lock of its own (release any lock the caller holds
// first), with the notice "Třídím číselnik". Raises IoError on an I/O failure, and
// std::runtime_error when the sort engine fails; the file is then as it was.
void SortCombinedFile(std::string_view path);

}  // namespace combined
