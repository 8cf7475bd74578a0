// The layout of the copy store: set folders, the counter file, the numbered copy
// folders with their marker, diskette labels, the lines of the list of copies and the
// side file that names the data folder a copy was made from.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace backup {

inline constexpr char kDefaultSet[] = "TAVONA";
inline constexpr char kMarkerName[] = "__TAVONA.001";
inline constexpr char kLabelPrefix[] = "__TAVONA.";
inline constexpr char kCounterName[] = "CISLO.TXT";
inline constexpr char kNoteName[] = "PRUVODKA.ABC";
inline constexpr char kArchiveName[] = "arch.arj";
inline constexpr int kCopyFolders = 20;

// The data path without its first two components: "F:\APP\DATA\FIRMA1\" gives
// "DATA\FIRMA1\"; a path without "\" stays as it is at that step.
std::string DataPathTail(std::string_view path);
// drive + ":\tv3\" + tail + set + "\".
std::string SetFolder(char drive, std::string_view tail, std::string_view set);
// "kopie." + the number in three digits.
std::string CopyFolderName(int number);
// The number in three digits with leading zeros.
std::string ThreeDigits(int number);
// The copy after `last` (0 when none was made): 1..20, then 1 again.
int NextCopyNumber(int last);
// The set name cut or filled with blanks to 6 characters.
std::string SetName6(std::string_view set);
// Marker and label line: series + " " + ("P" or blank) + " " + set (6), plus
// " | " + note when the note is not empty.
std::string MarkerLine(std::string_view series, bool last, std::string_view set, std::string_view note);
// A line of the list of copies: "#### " position + folder + " " + note.
std::string CopyListLine(int position, std::string_view folder, std::string_view note);
// The copy number standing in characters 12 to 14 of a list line; 0 when none.
int CopyNumberOfLine(std::string_view line);
// "kopie." followed by exactly three digits (letters compared without case).
bool IsCopyFolderName(std::string_view name);
// The computer number a marker note names: the 3 characters after its first ":"
// (its first 3 characters without one); -1 when they are no number.
int NoteComputer(std::string_view note);
// The side file of a copy folder in its set folder: "kopie.nnn.adr".
std::string SideFileName(int number);
// Leading and trailing blanks removed.
std::string TrimBlanks(std::string_view s);
// A random series number, "0000" to "9998".
std::string RandomSeries();
// The non-blank lines of a mask file (CR LF or LF), blanks around each removed.
std::vector<std::string> MaskLines(const std::string& text);
// A size in the " ### ### ### " picture of the progress lines.
std::string SizeText(std::uint64_t size);

// Bytes kept free beyond a copy.
inline constexpr std::uint64_t kSpaceReserve = 10000;

// A private work folder, removed with its contents however the run ends.
struct ScopedFolder {
  std::string name;  // Windows name ending in "\"; empty while none was made
  ScopedFolder() = default;
  ScopedFolder(const ScopedFolder&) = delete;
  ScopedFolder& operator=(const ScopedFolder&) = delete;
  ~ScopedFolder();
};

}  // namespace backup
