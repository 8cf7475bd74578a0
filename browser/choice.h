// What the two choice windows share: up to 60 rows in two columns built from the
// caller's items, the forbidden marks, the check routine, and the keys F9, F10,
// Ctrl+F1 and F1.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/entries.h"
#include "ui/ui.h"

namespace browser {

class ChoiceWindow : public ui::Form {
 public:
  static constexpr int kMaxRows = 60;
  static constexpr int kColumn = 30;  // rows of the first column
  static constexpr std::size_t kStoredMarks = 40;  // the shortest stored marks text

  ui::Button& F2Klapka;
  std::int32_t RowCount = 0;
  std::uint16_t CurrentRow = 0;
  CheckRoutine Check;
  // Row controls, 1-based; nullptr past RowCount.
  std::array<ui::Control*, kMaxRows + 1> Rows{};

  // Shown text of an item: a leading "*" or "-" becomes a blank.
  static std::string ShownText(const std::string& item);
  std::string RowText(int i) const;
  bool RowEnabled(int i) const { return i >= 1 && i <= RowCount && Rows[i]->enabled(); }
  // From the caller's column and line, then the stored position; kept on the work area.
  void Place(int column, int line, const std::string& leftKey, const std::string& topKey);
  // The next (or previous) enabled row after from, wrapping; 0 when none is enabled.
  int NextEnabledRow(int from, bool forward) const;

  // False, after the beeped " - příliš mnoho parametrů" message, for more than kMaxRows items.
  static bool ItemsFit(const std::string& title, const std::vector<std::string>& items);
  // Sets the caption and check routine and builds one row per item. An item marked
  // "-" in marks (one character per item) is forbidden like one starting with "-";
  // forbidden rows are disabled. Returns the items as the rows were built from them.
  std::vector<std::string> Prepare(const std::string& title, const CheckRoutine& check,
                                   const std::vector<std::string>& items, const std::string& marks);
  // Creates the rows for the shown items in the window's own layout.
  virtual void Build(const std::vector<std::string>& shownItems) = 0;

 protected:
  struct Layout {
    int extraWidth;         // character widths added to the two longest items
    int secondColumnExtra;  // added when there is a second column
    int firstTop;           // row i of the first column stands at (i + firstTop) rows
    int secondLeft;         // the second column starts (L1 + secondLeft) characters in
    bool scaledRowHeight;   // rows are LetterHeight x factor high (else LetterHeight)
    bool heightScaledTwice; // the window height is scaled once more
  };

  ChoiceWindow(std::string name, std::string designCaption);
  // Creates the rows for the items (row controls made by MakeRow) in the given layout.
  void BuildRows(const std::vector<std::string>& items, const Layout& layout);
  virtual ui::Control& MakeRow(int i) = 0;
  // F9, F10, Ctrl+F1 and F1; true when the key was one of them.
  bool SharedKey(int code);

 private:
  void FreeRows();
};

}  // namespace browser
