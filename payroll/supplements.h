// The two per-employee files of 1897-byte records that complete the monthly employer
// report: a personal number, a name and 60 items of 30 characters, each captioned with
// its term number. The shared window: employee pick, warnings on the personal number,
// F6 sort by name or personal number, F8 blanking the record.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "browser/soub.h"

namespace payroll {

class Tfpr_rol;

inline constexpr int kSupplementLength = 1897;
inline constexpr int kSupplementFields = 62;

// Caption (UTF-8) and the place on the edit form.
struct SupplementField {
  const char* caption;
  int line, column;
};

class SupplementWindow : public browser::TfSoub {
 public:
  // fields: kSupplementFields entries; hidden: fields not shown on the edit form.
  SupplementWindow(std::string componentName, const char* caption, const char* title, const char* fileName,
                   const SupplementField* fields, std::vector<int> hidden);

  // Field descriptors, the browse over the file in the data folder, the blank record.
  void Setup();
  // Order 1 by name (Czech collation), 2 by personal number. Records whose name and
  // personal number are both blank are dropped; the write lock is held from the read
  // through the cut. False when nothing was written.
  bool Sort(int order);

  // Field i (1..62) of a record.
  static std::string FieldOf(std::string_view record, int i);
  static void PutFieldOf(std::string& record, int i, std::string_view text);

  std::string BlankRecord;
  int SortOrder = 1;  // the order chosen last

  std::string RecordKey(std::int32_t n) override;
  std::string RecordSearchText(std::int32_t n) override;
  void NewRecord() override;
  void ClearRecord() override { RecordBuffer = BlankRecord; }
  void KeyF6(std::int32_t current) override;
  // The base check, then for field 1 the duplicate and change warnings.
  void FieldCheck(int field, std::string& text) override;

 protected:
  // Enter in field 1: the employee window as picker. On a choice text := the personal
  // number, field 2 := the name, then `more` with the window and the chosen record.
  using EmployeeFill = std::function<void(const Tfpr_rol&, const std::string& record)>;
  void PickEmployee(std::string& text, const EmployeeFill& more = {});

 private:
  const char* title_;
  const char* fileName_;
  const SupplementField* fields_;
  std::vector<int> hidden_;
};

// Employee supplements, "PrDod.DTA".
class TfPrDod : public SupplementWindow {
 public:
  TfPrDod();
  void SetupPrDod() { Setup(); }
  void FieldExit(int field, std::string& text) override;
};

TfPrDod& fPrDod();

}  // namespace payroll
