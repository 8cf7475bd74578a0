// The base of the two file lists of the report layer (the report list and the list
// of ";"-separated files): a record-file browser with no data file whose rows are
// entries of a table in memory. Each entry keeps the file's full name; the row shows
// it cut to the name column. Rows begin with their position (" ### ").
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "browser/soub.h"

namespace reports {

inline constexpr char kErasedName[] = "########";

struct SpoolEntry {
  std::string name;        // the file name without its extension, upper-cased; kErasedName once erased
  std::int32_t amount = 0; // size in thousands of bytes + 1, or records
  std::string date;        // DDMMYY of the file's time
  std::string title;       // from the catalogue, blank-padded
  std::string place;       // folder prefix ending in "\" (Windows form)
  std::string file;        // the file's own name in that folder, with its extension
  bool Erased() const { return name.rfind('#', 0) == 0; }
};

struct SpoolLayout {
  int capacity = 1000;     // entries; a file found when the table is full replaces the last
  int nameWidth = 30;      // characters of the name column (and the record's name field)
  const char* amountCaption = " Velikost ";  // UTF-8
  ui::Color fontColor = ui::colors::Black;
};

class TfSpoolList : public browser::TfSoub {
 public:
  TfSpoolList(std::string componentName, const SpoolLayout& layout);

  const SpoolLayout Layout;
  std::vector<SpoolEntry> Entries;

  // A file found by a scan: the table grows up to its capacity, then the last entry
  // is replaced.
  void AddEntry(SpoolEntry entry);
  // The entry record as the browse sees it (name, amount, date, title, place).
  std::string EntryRecord(const SpoolEntry& e) const;
  std::int32_t RecordLengthOf() const { return Layout.nameWidth + 1 + 4 + 7 + 46 + 51; }
  // The entry under the cursor; nullptr when none is current.
  SpoolEntry* CurrentEntry();
  // The file of an entry with its folder (Windows form).
  static std::string EntryPath(const SpoolEntry& e) { return e.place + e.file; }

  // ---------------------------------------------------------------- overrides
  void CloseBrowse() override;
  void RecordRead(std::int32_t n) override;
  void RecordReadForView(std::int32_t n) override;
  void RecordWrite(std::int32_t n) override;
  void RecordToCells() override;
  void KeyF5() override {}
  void ShowHelp(int topic) override;

 protected:
  // Titles from the catalogue, then the entries ordered by name (equal names keep
  // their order); then the browse opens on the table with the last entry at the bottom.
  void FinishAndOpen(const std::string& caption);
  // Lists folder + mask and adds every non-empty file (the name with its 4-character
  // extension cut off goes through `nameOf`); `amountOf` gives the amount column.
  void ScanFolder(const std::string& folder, const std::string& mask, const std::string& place,
                  std::string (*nameOf)(const std::string& file),
                  std::int32_t (*amountOf)(const std::string& path, std::uint64_t size));
  std::int32_t viewEntry_ = 0;  // the entry the last view read took

 private:
  void EntryToBuffer(std::int32_t n, std::string& buffer);
};

// "SESTAVA.TXT" -> "SESTAVA": the name without its last four characters.
std::string NameWithoutExtension(const std::string& file);
// The file's time as DDMMYY.
std::string FileDateText(std::int64_t mtimeNs);

}  // namespace reports
