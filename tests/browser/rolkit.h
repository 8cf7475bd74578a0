// A list of rows in memory on the browser window, shown through the headless back
// end in a scratch folder of its own (the window settings land there).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/rol.h"
#include "common/osfile.h"
#include "tests/browser/scratchkit.h"
#include "ui/keys.h"

namespace roltest {

class MemList : public browser::TfRol {
 public:
  explicit MemList(std::vector<std::string> texts) : TfRol("fMemList"), rows(std::move(texts)) {
    FieldCount = 1;
    browser::SetFieldDescriptor(Field(1), browser::FieldSetup().Caption("Text").Picture("X").Initial(std::string(20, ' ')));
  }
  // Rows "Row 1" .. "Row n".
  static std::vector<std::string> Numbered(int n) {
    std::vector<std::string> v;
    for (int i = 1; i <= n; ++i) v.push_back("Row " + std::to_string(i));
    return v;
  }

  void Open(int start = 99999, int rowsPerPage = 10) {
    browser::BrowseSetup s;
    s.title = "Test";
    s.keyLine = " F1-Help F3-Hledej";
    s.grid = {1, 1, 80, rowsPerPage};
    s.startRecord = start;
    s.useStoredIndex = useStoredIndex;
    ActivateBrowse(s, static_cast<std::int32_t>(rows.size()));
  }

  // The text shown in grid row r (column 1) and its mark cell.
  std::string Shown(int r) const { return sgRol.Cell(1, r); }
  bool MarkShown(int r) const { return sgRol.Cell(0, r) == std::string(1, '\x11'); }

  void RecordReadForView(std::int32_t n) override {
    LastPhysicalRecord = IndexPositionToRecord(n);
    shownText = rows.at(static_cast<std::size_t>(LastPhysicalRecord - 1));
    ++reads;
  }
  void RecordToCells() override { ColumnTexts[1] = shownText; }
  void EditRecord() override { calls.push_back("EditRecord " + std::to_string(Current)); }
  void RecordChosen() override { calls.push_back("RecordChosen " + BarcodeText); }
  void KeyEsc() override { calls.push_back("KeyEsc"); }
  void ShowHelp(int) override { calls.push_back("ShowHelp"); }
  void KeyF2() override { calls.push_back("KeyF2"); }
  void KeyF5() override { calls.push_back("KeyF5"); }
  void KeyF6(std::int32_t c) override { calls.push_back("KeyF6 " + std::to_string(c)); }
  void DeleteRecord(std::int32_t c) override { calls.push_back("DeleteRecord " + std::to_string(c)); }
  void KeyCtrlF3() override { calls.push_back("KeyCtrlF3"); }
  void KeyCtrlF9() override { calls.push_back("KeyCtrlF9"); }
  void EditRecordNoCheck() override { calls.push_back("EditRecordNoCheck"); }
  void ApplyRecordTemplate() override { calls.push_back("ApplyRecordTemplate"); }
  void SaveRecordTemplate() override { calls.push_back("SaveRecordTemplate"); }
  void KeyAltF5() override { calls.push_back("KeyAltF5"); }
  void KeyAltF12() override { calls.push_back("KeyAltF12"); }
  void KeyNumStar() override { calls.push_back("KeyNumStar"); }
  void ExportListToExcel() override { calls.push_back("ExportListToExcel"); }
  void ExportToDbf() override { calls.push_back("ExportToDbf"); }
  void LetterKey(int code) override { calls.push_back("LetterKey " + std::to_string(code)); }
  void KeyCtrlSpace() override { calls.push_back("KeyCtrlSpace"); }
  void KeyDel() override { calls.push_back("KeyDel"); }
  void MarkToggled() override { calls.push_back("MarkToggled"); }
  void SortByColumn(int column) override { calls.push_back("SortByColumn " + std::to_string(column)); }
  void EnableMenuItems() override { calls.push_back("EnableMenuItems"); }
  void CurrentRecordShown() override { ++shownCount; }

  std::vector<std::string> rows;
  std::string shownText;
  std::vector<std::string> calls;
  int reads = 0, shownCount = 0;
  bool useStoredIndex = false;
};

class RolTest : public browsertest::ScratchTest {
 protected:
  // Shows the list (not modally) so that keys reach its grid.
  void Show(MemList& list) {
    list.Show();
    ASSERT_EQ(list.activeControl(), &list.sgRol);
  }
  void Keys(std::string_view names) { backend.PressKeys(names); }
};

// An index file of the given record numbers (each entry the number twice).
inline void WriteIndex(const std::string& path, const std::vector<std::int32_t>& records) {
  std::string bytes;
  for (std::int32_t r : records)
    for (int twice = 0; twice < 2; ++twice)
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>((static_cast<std::uint32_t>(r) >> (8 * i)) & 0xFF);
  ASSERT_EQ(common::ReplaceFileContents(path, bytes), 0);
}

}  // namespace roltest
