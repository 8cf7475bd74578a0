// The user-slot table "UZIVATEL.tab" in the data folder: 100 little-endian 16-bit
// words, entry n for user number n. Entry 0 not 0 switches the slot watch off; 99
// marks the slot of the workstation that created the table. User numbers outside
// 1..99 have no slot.
#pragma once
#include <cstdint>
#include <string>

namespace common {

struct Session;

inline constexpr char kUserTabName[] = "UZIVATEL.tab";
inline constexpr int kUserTabEntries = 100;
inline constexpr int kUserTabSize = 2 * kUserTabEntries;

// Reads the table into the session; true when entry i is not 0. A missing or
// unreadable table reads as all zeros.
bool ReadUserTab(Session& s, int i);
bool ReadUserTab(int i);

// The own entry as four digits ("0099"). A missing table is created with the own
// entry 99. "0000" without a slot or when the table cannot be read.
std::string UserTabText(Session& s);
std::string UserTabText();

// For the main window's watch: true when the own entry differs from the first one seen.
bool UserSlotTaken(Session& s);
bool UserSlotTaken();

// Sets entry i (0..99) of the table to value, holding the table exclusively from
// the read to the write (as the suite's main program does when it takes or frees a
// slot). A missing table is created with zeros first. 0, or the I/O code.
int WriteUserTabEntry(Session& s, int i, std::uint16_t value);

}  // namespace common
