// The registers filled from ";"-separated files, in folder "\2\" of the program folder:
// territorial units (TfZuj, "ZUJ.dta"), occupations (TfISCO, "ISCO.dta") and
// countries (TfZeme, "ZEME.dta"). "Setřiď" orders them by name, "Nacti z CSV" replaces
// a register with the lines of a chosen file, "Opis" lists the names.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codelists/engine.h"

namespace common {
struct tFormSoub;
}

namespace codelists {

const CodeListSpec& ZujSpec();
const CodeListSpec& IscoSpec();
const CodeListSpec& ZemeSpec();

// One column of the import: CSV column, alignment ("P" or "L"), fill and width.
struct CsvColumn {
  int column;
  std::string_view mode, fill;
  int width;
};

class CsvRegister : public CodeListWindow {
 public:
  CsvRegister(std::string componentName, const CodeListSpec& spec, std::string_view file, int nameField,
              int skipLines, std::vector<CsvColumn> columns, bool bisection);

  // "Setřiď": by the Czech collation of the name, records without a name dropped.
  void SortByName();
  // "Nacti z CSV" with the file chooser.
  void ImportChosenFile();
  // The import of one file: the register becomes its data lines. The records read,
  // or -1 when the register was kept (nothing read, most lines without a key, or a
  // failure, with a message). A UTF-8 file is converted, and the user told so.
  std::int32_t ImportCsv(const std::string& path);

  std::string RecordToColumns(std::int32_t n) override;
  std::string RecordKey(std::int32_t n) override;
  std::string RecordSearchText(std::int32_t n) override;
  std::int32_t SearchScan(const std::string& text) override;
  void SearchNext() override;
  void PrintListing(std::int32_t) override;

 protected:
  std::string ListFileName() const override;
  void MenuCommand(int id) override;
  std::string ListingLineOf(std::int32_t n) override;
  // A line of the CSV file into a record; false to skip the line.
  virtual bool LineToRecord(const common::tFormSoub& csv, std::string& record) const;
  // The line carries a key: digits in the key column (blanks around them allowed).
  virtual bool HasKey(const common::tFormSoub& csv) const;
  int KeyColumn() const { return columns_.front().column; }

  std::string Name(std::string_view record) const { return FieldOf(record, nameField_); }

 private:
  std::string file_;
  int nameField_, skipLines_;
  std::vector<CsvColumn> columns_;
  bool bisection_;
};

class TfZuj : public CsvRegister {
 public:
  TfZuj();
};
class TfISCO : public CsvRegister {
 public:
  TfISCO();
  // F4 and F8 do nothing here.
  void NewRecord() override {}
  void DeleteRecord(std::int32_t) override {}
};
class TfZeme : public CsvRegister {
 public:
  TfZeme();

 protected:
  bool LineToRecord(const common::tFormSoub& csv, std::string& record) const override;
  // Any text in the code column.
  bool HasKey(const common::tFormSoub& csv) const override;
};

void SetupZuj(TfZuj& w);
void SetupISCO(TfISCO& w);
void SetupZeme(TfZeme& w);

TfZuj& fZuj();
TfISCO& fISCO();
TfZeme& fZeme();
void DestroyCsvRegisterWindows();

}  // namespace codelists
