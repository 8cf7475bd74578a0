// The term list of the monthly employer report ("\MZ8\JMHZ\JHcis.dta" in the program
// folder, 287-byte records): its window, the sort, the look-ups by term number, and a
// read-only index of the list.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "browser/soub.h"

namespace payroll {

inline constexpr int kTermLength = 287;
inline constexpr char kFreedTerm[] = "00000";

// The fields of a term record (counted texts).
struct Term {
  std::string key, summary, mandatory, defaultValue, registration, report, name, xmlName;
  static Term FromRecord(std::string_view record);
};

class TfJHcis : public browser::TfSoub {
 public:
  TfJHcis();
  // Converts an older layout of the file in place, then opens it.
  void SetupJHcis();
  // The first record (1..) with this term number, or -1; the record buffer then
  // holds the last record read. Works on an unsorted file.
  std::int32_t JHcisFindTerm(const std::string& term);
  // The term's name by bisection (the file must be sorted); empty when not found.
  std::string JHcisTermName(const std::string& term);
  // Sorts by term number without the freed records; nothing written when none is left.
  bool SortJHcis();
  void ClearXmlNames();  // "Zruš XML"
  void PrintTerms();     // "Opis"

  std::string RecordKey(std::int32_t n) override;
  std::string RecordSearchText(std::int32_t n) override;
  void NewRecord() override;
  void DeleteRecord(std::int32_t current) override;
  void ClearRecord() override;

  std::string BlankRecord;
};

TfJHcis& fJHcis();
// The full name of the term list.
std::string TermListPath();

// The terms by number, the first record of each number; built by one read of the
// file, so it works on an unsorted list. False with nothing when it cannot be read.
class TermIndex {
 public:
  bool Load(const std::string& path);
  const Term* Find(const std::string& key) const;
  std::size_t size() const { return terms_.size(); }
  // Every record of the list, in file order (freed ones included).
  const std::vector<Term>& all() const { return all_; }

 private:
  std::map<std::string, Term> terms_;
  std::vector<Term> all_;
};

}  // namespace payroll
