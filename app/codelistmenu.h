// "Aktualizace číselníků": the choice list of the code lists, each opened in a loop
// until Esc, after the first-run migration of an installation that still keeps its
// lists in the combined file; row 4 first converts list 14 to its newer layout and
// seeds the twelve blocked 3xx movement kinds.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace codelists {
class TfCis14;
}

namespace app {

inline constexpr int kCodeListMenuRows = 36;
inline constexpr int kCodeListSeparatorRow = 19;

struct CodeListMenuRow {
  const char* text;  // UTF-8
  std::function<void()> open;  // empty: the separator
};
// The 36 rows in their order.
const std::vector<CodeListMenuRow>& CodeListMenu();

// The pieces of the combined file that become list files, in their order.
inline constexpr int kMigratedPieces[] = {11, 14, 15, 20, 21, 22, 23, 24, 25, 28, 62, 63};

// The migration, while "ci10.dta" holds less than 2 bytes: splits "CI01.dta" into its
// pieces, moves each piece over 2 bytes to a list file that is missing or under 2
// bytes, and loads lists 10, 13, 30, 35, 51, 18 and 65 from the combined file, each
// only when it is empty. A second run therefore overwrites and duplicates nothing.
void MigrateCombinedCodeLists();

// Row 4's step before the list opens: converts "ci14.dta" from the older layout and,
// only when it converts, seeds the kinds; both go in as one replacement of the file, so
// a failure or a kill on the way leaves the old list.
void ConvertAndSeedCis14();
// The seeding of the converted records: those whose key begins with "3" are replaced by
// the twelve blocked kinds (the window's new-record template, dated "010708" and
// blocked), the others keep their order (the twelve stand where the first "3" record
// stood, else before the first key above "3", else at the end).
std::string SeedCis14(codelists::TfCis14& w, std::string_view records);

// The button: the migration, then the choice list until Esc or the program's end.
// A new press starts again with the separator disabled and no row marked.
void RunCodeListMenu();

// The marks in front of the rows: 40 blanks with `mark` at row `row` (1-based).
std::string MenuMarks(int row, char mark);

}  // namespace app
