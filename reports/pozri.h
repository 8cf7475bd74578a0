// TfPozri: the report viewer, a record-file browser over the report itself (one
// line, one record of width + 2 bytes). It shows, searches, finds pages, edits,
// inserts and deletes lines, writes sections, scrambles and prints. Lines are held
// in strings of the measured width, whatever it is.
#pragma once
#include <cstdint>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "browser/entries.h"
#include "browser/soub.h"
#include "reports/printing.h"

namespace reports {

inline constexpr ui::Color kPozriColor = ui::Rgb(240, 240, 240);
inline constexpr ui::Color kPozriFontColor = ui::Rgb(0, 64, 208);
inline constexpr ui::Color kPozriHelpColor = ui::Rgb(255, 200, 200);
inline constexpr ui::Color kPozriEditColor = ui::Rgb(255, 255, 160);
inline constexpr int kSectionWidth = 250;

class TfPozri : public browser::TfSoub {
 public:
  explicit TfPozri(std::string componentName);
  ~TfPozri() override;

  ui::ProgressBar& ProgressBar1;
  ui::Memo& Memo1;

  std::string ReportName;      // the file shown
  std::string PreviousName;    // the report to return to while help is shown
  std::int32_t LineWidth = 0;  // characters per line

  void SetupPozri(const std::string& fileName);
  void PozriSwitchFile(const std::string& fileName);
  void PozriScrambleAll();
  void PozriUnscrambleAll();

  // Line n as plain text (LineWidth characters); writing pads or cuts to the width.
  std::string ReadLine(std::int32_t n);
  void WriteLine(std::int32_t n, const std::string& text);
  // The stored bytes of line n (without CR LF), and writing them back as they are.
  std::string ReadRawLine(std::int32_t n);
  void WriteRawLine(std::int32_t n, const std::string& bytes);

  // The report as the print engines see it.
  PrintSource& Source();
  browser::ReportViewer& Viewer();

  // Popup items.
  ui::MenuItem& miTisk;
  ui::MenuItem& miNastaveniTiskarny;
  ui::MenuItem& miParametry;
  ui::MenuItem& miPridejText;
  ui::MenuItem& miStredniky;
  ui::MenuItem& miZasifruj;
  ui::MenuItem& miDesifruj;
  ui::MenuItem& miDoWin;
  ui::MenuItem& miDoDos;
  ui::MenuItem& miTiskSRazitkem;
  ui::MenuItem& miFoto;  // hidden
  ui::MenuItem& miVyrobZnovaPP;
  ui::MenuItem& miPoklDoklad;
  ui::MenuItem& miRozdelUpom;

  // ---------------------------------------------------------------- overrides
  std::string RecordToColumns(std::int32_t n) override;
  void RecordToCells() override;
  void RecordToFields() override;
  void FieldsToRecord() override;
  bool RecordsHoldFields() const override { return false; }
  // The lines keep the report's order: a header click sorts nothing.
  void SortByColumn(int /*column*/) override {}
  std::string RecordSearchText(std::int32_t n) override;
  void RecordRead(std::int32_t n) override;
  void RecordReadForView(std::int32_t n) override;
  void RecordWrite(std::int32_t n) override;
  void EditRecord() override;
  void EditRecordNoCheck() override { EditRecord(); }
  void KeyCtrlSpace() override;
  void KeyAltSpace() override;
  void ShowHelp(int topic) override;
  void KeyF2() override;
  void NewRecord() override;
  void KeyF5() override;
  void KeyF6(std::int32_t current) override;
  void KeyF7(std::int32_t current) override;
  void DeleteRecord(std::int32_t current) override;
  void KeyF9(std::int32_t current) override;
  void PrintListing(std::int32_t current) override;
  void KeyF12(std::int32_t current) override;
  void KeyAltF5() override;
  void KeyAltF6() override;
  void KeyAltF9() override;
  void ClearSortOrder() override;
  void ShowReportList() override;
  void KeyCtrlF5() override;
  void KeyCtrlF6() override;
  void KeyCtrlF7() override;
  void KeyCtrlF9() override;
  void KeyShiftF10() override;
  void LetterKey(int code) override;
  void EnableMenuItems() override;
  void EditFormBuilt() override;
  void BeforeWriteHook() override {}
  void AfterReadHook() override {}
  bool WarnsOfCutRecord() const override { return false; }  // a last line without its end is usual

  // Text of a line as the grid shows it: 12 "@", 14 "#", 15 "~", 18 "^".
  static std::string VisibleText(std::string text);

 private:
  void Measure(const std::string& fileName);
  void OpenReport(const std::string& fileName, bool useStoredIndex);
  // Lines to put before line `before` (plain texts, stored as every line is).
  struct Insert {
    std::int32_t before = 0;
    std::vector<std::string> lines;
  };
  // Writes the report anew beside itself with the inserted lines and without the
  // marked ones (when dropMarked), then replaces it in one step.
  void Rewrite(const Insert& insert, bool dropMarked);
  void Section(bool translate);
  void Recode(bool toWindows);
  void Foto();
  void MemoKeyDown(int& key);
  void PrintSafely(const std::function<void()>& print);
  void Repaint();

  std::string line_, viewLine_;
  class SourceAdapter;
  class EntryAdapter;
  std::unique_ptr<SourceAdapter> source_;
  std::unique_ptr<EntryAdapter> entry_;
};

// The two viewers of the program, made on first use and kept to its end.
TfPozri& fPozri();
TfPozri& fPozri2();
void DestroyReportWindows();
// Registers both viewers (made when first shown) and the report writer with the print entry.
void InstallReportServices();

}  // namespace reports
