#include "browser/rol.h"

#include <algorithm>
#include <cmath>

#include "browser/choosers/pictures.h"
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/hint.h"
#include "browser/winsettings.h"
#include "common/clock.h"
#include "common/codepages.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"
#include "ui/backend.h"
#include "ui/keys.h"

namespace browser {

namespace vk = ui::vk;

namespace {

constexpr int kColumns = kMaxFields + 1;  // arrays [0..264]
constexpr std::int64_t kDigitGapMs = 50;
constexpr int kTypedNumberMax = 16;
constexpr int kBarcodeMax = 20;
constexpr ui::Color kNavy = ui::Rgb(0, 0, 0x80);
constexpr ui::Color kHelpText = ui::Rgb(0xF0, 0xF0, 0xF0);
// What the window needs beside the columns: the grid stands 20 pixels short of its edge, and the scroll bar.
constexpr int kColumnsRoom = 40;

// Key codes of the dispatch (virtual key + 1000 Ctrl / 2000 Shift / 3000 Alt).
constexpr int Ctrl(int k) { return k + 1000; }
constexpr int Shifted(int k) { return k + 2000; }
constexpr int Alt(int k) { return k + 3000; }

int Round(double v) { return static_cast<int>(std::lround(v)); }

double Scale() {
  const double s = ScreenScale();
  return s > 0 ? s : 1.0;
}

ui::Rect WorkAreaOrDefault() { return ui::HasBackend() ? ui::WorkArea() : ui::Rect{0, 0, 1920, 1040}; }

int ScrollBarWidth(const ui::ScrollBar& bar) { return bar.width() > 0 ? bar.width() : 16; }
int SearchRowHeight(const ui::Edit& search) { return search.height() > 0 ? search.height() : 22; }
int KeyLineHeight(int rowHeight) { return rowHeight + 6; }
// Pixels kept free between the search row and the key line for a window's own controls.
int ReservedRoom(std::int32_t rows, int rowHeight) { return std::clamp<std::int32_t>(rows, 0, 30) * (rowHeight + 1); }

// The outer height that shows a page of `rows` rows (the grid keeps a line for its
// scroll bar), the search row under it, the reserved room and the key line, each
// clear of the others.
int PageHeight(std::int32_t rows, int rowHeight, int searchHeight, int reserved) {
  return (rows + 2) * (rowHeight + 1) + 2 + searchHeight + 2 + reserved + 2 * KeyLineHeight(rowHeight) + 15;
}

}  // namespace

// ---------------------------------------------------------------- marks

void RecordMarks::Clear() {
  std::fill(bits_.begin(), bits_.end(), 0);
  kept_.clear();
}

bool RecordMarks::IsMarked(std::int32_t n) const {
  if (n < 0 || n > kMaxNumber) return false;
  return (bits_[static_cast<std::size_t>(n / 8)] >> (n % 8)) & 1;
}

bool RecordMarks::Mark(std::int32_t n) {
  if (n < 0 || n > kMaxNumber) return false;
  bits_[static_cast<std::size_t>(n / 8)] |= static_cast<std::uint8_t>(1u << (n % 8));
  kept_.erase(n);
  return true;
}

void RecordMarks::Keep(std::int32_t n, std::uint64_t value) {
  if (IsMarked(n)) kept_[n] = value;
}

bool RecordMarks::Unmark(std::int32_t n) {
  if (n < 0 || n > kMaxNumber) return false;
  bits_[static_cast<std::size_t>(n / 8)] &= static_cast<std::uint8_t>(~(1u << (n % 8)));
  kept_.erase(n);
  return true;
}

RolServices& RolHooks() {
  static RolServices hooks;
  return hooks;
}

std::string NormalizeSearchText(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != ',' && c != '-' && c != '.') out += c;
  return out;
}

std::string SearchForm(std::string_view s) { return common::UpperCz(common::StripDiacritics(s)); }

// ---------------------------------------------------------------- construction

TfRol::TfRol(std::string componentName)
    : ui::Form(std::move(componentName)),
      sgRol(Add<ui::Grid>("sgRol")),
      lhled(Add<ui::Label>("lhled")),
      eHled(Add<ui::Edit>("eHled")),
      lKolik(Add<ui::Label>("lKolik")),
      ScrollBar1(Add<ui::ScrollBar>("ScrollBar1")),
      lHelp(Add<ui::Edit>("lHelp")),
      Panel(Add<ui::Panel>("Panel")),
      Image(Add<ui::Image>("Image", &Panel)),
      MemoText(Add<ui::Memo>("MemoText")),
      Panel1(Add<ui::Panel>("Panel1")),
      LabSrt(Add<ui::Label>("LabSrt", &Panel1)),
      BarSrt(Add<ui::ProgressBar>("BarSrt", &Panel1)),
      PopupMenu1(AddPopupMenu("PopupMenu1")),
      TimerError(AddTimer("TimerError", 10)),
      TimerSerPera(AddTimer("TimerSerPera", 100)),
      ColumnTexts(kColumns),
      HeaderTexts(kColumns),
      ColumnOrder(kColumns, 0),
      ColumnShown(kColumns, true),
      fields_(1) {
  SettingsKey = name();
  for (int i = 0; i < kColumns; ++i) ColumnOrder[static_cast<std::size_t>(i)] = i;
  WireControls();
}

TfRol::~TfRol() = default;

void TfRol::WireControls() {
  // A list kept set up between showings (no new activation) takes keys again. The
  // page is painted from what the opener set up after the activation (columns, their
  // order, the header line), so the first page shown is the page every key shows.
  onShow = [this](ui::Form&) {
    closeRequested_ = false;
    FinishKey();
  };
  sgRol.SetRowSelect(true);
  sgRol.SetColSizing(true);
  sgRol.SetScrollBars(ui::ScrollBars::Horizontal);
  sgRol.popupMenu = &PopupMenu1;
  sgRol.onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { sgRolKeyDown(key, shift); };
  sgRol.onKeyPress = [this](ui::Control&, char& ch) { sgRolKeyPress(ch); };
  sgRol.onClick = [this](ui::Control&) { sgRolClick(); };
  sgRol.onDblClick = [this](ui::Control&) { sgRolDblClick(); };
  sgRol.onMouseDown = [this](ui::Control&, ui::MouseButton b, ui::Shift s, int x, int y) { sgRolMouseDown(b, s, x, y); };
  sgRol.onMouseEnter = [this](ui::Control&) {
    if (MouseEnterHandler) MouseEnterHandler();
  };

  lhled.SetText(common::Cz("Najdi [F3]"));
  eHled.SetEnabled(false);
  eHled.onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { eHledKeyDown(key, shift); };

  ScrollBar1.SetVertical(true);
  ScrollBar1.tabStop = false;
  ScrollBar1.onChange = [this](ui::Control&) { ScrollBar1Change(); };
  ScrollBar1.onKeyDown = [this](ui::Control&, int& key, ui::Shift) {
    if (key != vk::Esc) return;
    key = 0;
    Current = -1;
    CloseWindow(vk::Esc);
  };

  lHelp.SetReadOnly(true);
  lHelp.tabStop = false;
  lHelp.onEnter = [this](ui::Control&) { sgRol.SetFocus(); };

  Panel.Hide();
  Panel.SetBounds(0, 0, 326, 576);
  Image.SetBounds(3, 3, 320, 570);
  Image.SetStretch(true);
  MemoText.Hide();
  Panel1.Hide();
  for (ui::Control* c : {static_cast<ui::Control*>(&Image), static_cast<ui::Control*>(&MemoText)}) {
    c->onMouseDown = [this](ui::Control& s, ui::MouseButton b, ui::Shift, int x, int y) { PictureMouseDown(s, b, x, y); };
    c->onMouseMove = [this](ui::Control& s, ui::Shift, int x, int y) { PictureMouseMove(s, x, y); };
    c->onMouseUp = [this](ui::Control& s, ui::MouseButton, ui::Shift, int, int) { PictureMouseUp(s); };
  }
  Image.onDblClick = [this](ui::Control&) { ShowRecordPictures(); };

  static constexpr const char* kItems[] = {"A1", "b1", "c1", "d1", "e1", "f1", "g1", "h1", "i1", "j1", "k1"};
  char caption = 'a';
  for (const char* item : kItems) PopupMenu1.AddItem(item, std::string(1, caption++)).visible = false;

  onResize = [this](ui::Form&) {
    if (!activating_) FormResize();
  };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
}

void TfRol::ShowPopupItems(const std::vector<const char*>& captions, std::vector<std::function<void()>> actions) {
  std::size_t i = 0;
  for (const auto& item : PopupMenu1.items()) {
    if (i == captions.size()) break;
    item->caption = common::Cz(captions[i]);
    item->visible = true;
    if (i < actions.size() && actions[i]) item->onClick = [action = actions[i]](ui::MenuItem&) { action(); };
    ++i;
  }
}

void TfRol::PopupShortcut(char letter, std::function<void()> action) {
  keyPreview = true;
  onKeyDown = [before = onKeyDown, code = ui::vk::Letter(letter), action = std::move(action)](ui::Control& c, int& key,
                                                                                            ui::Shift shift) {
    if (key == code && shift == ui::Shift::Ctrl) {
      key = 0;
      action();
    } else if (before) {
      before(c, key, shift);
    }
  };
}

FieldDescriptor& TfRol::Field(int i) {
  if (i < 1 || i > kMaxFields) throw common::RangeError("field " + std::to_string(i) + " outside 1.." + std::to_string(kMaxFields));
  if (fields_.size() <= static_cast<std::size_t>(i)) fields_.resize(static_cast<std::size_t>(i) + 1);
  return fields_[static_cast<std::size_t>(i)];
}

const FieldDescriptor& TfRol::Field(int i) const {
  static const FieldDescriptor empty;
  if (i < 1 || i > kMaxFields) throw common::RangeError("field " + std::to_string(i) + " outside 1.." + std::to_string(kMaxFields));
  return static_cast<std::size_t>(i) < fields_.size() ? fields_[static_cast<std::size_t>(i)] : empty;
}

std::span<FieldDescriptor> TfRol::FieldSpan() {
  const int n = std::clamp<std::int32_t>(FieldCount, 0, kMaxFields);
  if (n > 0) Field(n);
  return std::span<FieldDescriptor>(fields_).subspan(1, static_cast<std::size_t>(n));
}

// ---------------------------------------------------------------- activation

void TfRol::ActivateBrowse(const BrowseSetup& setup, std::int32_t count) {
  activating_ = true;
  Count = std::max<std::int32_t>(count, 0);
  Title = setup.title;
  HeaderLine = setup.title;
  KeyHelpLine = setup.keyLine;
  GridColor = SavedGridColor = setup.gridColor;
  FontColor = SavedFontColor = setup.gridFontColor;
  Frame = setup.grid;
  closeRequested_ = false;
  LastKey = CloseKey = 0;

  sgRol.SetBounds(0, 0, sgRol.width(), sgRol.height());
  SettingsKey = name();
  ScrollBar1.SetRange(0, std::max<std::int32_t>(Count, 0));
  MaxRowsPerPage = std::max(1, Frame.bottom - Frame.top + 1);
  RowsPerPage = std::min(MaxRowsPerPage, Count);
  LeftColumn = 1;
  CharShift = 1;
  BlockBegin = BlockEnd = 0;
  ClearMarks();
  ExactSearch = false;
  SecondPass = false;
  eHled.SetText("");
  eHled.SetEnabled(false);

  LoadWindowFont(SettingsKey, FontColor, GridColor);
  SavedGridColor = GridColor;
  SavedFontColor = FontColor;
  const WindowFontState& wf = WindowFont();
  sgRol.SetFont(StateFont(FontColor));
  for (ui::Control* c : {static_cast<ui::Control*>(&lhled), static_cast<ui::Control*>(&eHled),
                         static_cast<ui::Control*>(&lKolik)})
    c->SetFont(StateFont(c == &lKolik && common::CurrentSession().ScrambleOn ? ui::colors::Red : ui::colors::Black));

  // The window from the character cells, or as stored.
  const int cw = wf.LetterWidth, rh = wf.LetterHeight;
  int left = (Frame.left - 1) * cw, top = (Frame.top - 1) * rh;
  int width = (Frame.right - Frame.left + 1) * cw, height = (Frame.bottom - Frame.top + 8) * rh;
  const int storedLeft = StoredInt(SettingsKey + " Left"), storedTop = StoredInt(SettingsKey + " Top");
  const int storedWidth = StoredInt(SettingsKey + " Width"), storedHeight = StoredInt(SettingsKey + " Height");
  if (storedLeft > 0) left = storedLeft;
  if (storedTop > 0) top = storedTop;
  if (storedWidth > 0) width = storedWidth;
  if (storedHeight > 0) height = storedHeight;
  width = std::max(width, 200);
  height = std::max(height, 180);
  const ui::Rect work = WorkAreaOrDefault();
  if (storedHeight <= 0) {
    // Tall enough for the page, the search row and the key line one under the other.
    const int rowHeight = Round(Scale() * rh);
    height = std::max(height, std::min(work.height, PageHeight(MaxRowsPerPage, rowHeight, SearchRowHeight(eHled),
                                                               ReservedRoom(RowReserve, rowHeight))));
  }
  left = std::min(left, work.width - 100);
  top = std::min(top, work.height - 100);
  SetBounds(left, top, width, height);
  // A stored height is a size the user chose: the page follows it.
  if (storedHeight > 0) MaxRowsPerPage = MaxRowsForHeight();
  RowsPerPage = std::min(MaxRowsPerPage, Count);

  LayoutGrid();
  // The frame counts character cells; where the grid's font draws wider ones, or a header
  // is wider than its field, the window widens to show every column whole. A list wider
  // than the screen keeps its frame and scrolls; a width the user stored stays.
  if (storedWidth <= 0 && ColumnCount > 1) {
    int columns = 0;
    for (int c = 0; c <= ColumnCount; ++c) columns += sgRol.colWidth(c) + sgRol.gridLineWidth();
    const int needed = columns + kColumnsRoom;
    if (needed > this->width() && needed <= work.width) {
      SetBounds(left, top, needed, this->height());
      LayoutGrid();
    }
  }

  EnterEdits = false;
  BarcodeMode = false;
  BarcodeText.clear();
  TypedNumber.clear();
  TypedTimeMs = -1;
  PicturesOn = false;
  Panel.Hide();
  MemoText.Hide();
  const std::string& k = SettingsKey;
  const int il = StoredInt(k + " ImgLeft"), it = StoredInt(k + " ImgTop");
  const int iw = StoredInt(k + " ImgWidth"), ih = StoredInt(k + " ImgHeight");
  if (il > 0 || it > 0 || iw > 0 || ih > 0)
    Panel.SetBounds(il > 0 ? il : Panel.left(), it > 0 ? it : Panel.top(), iw > 0 ? iw : Panel.width(),
                    ih > 0 ? ih : Panel.height());
  const int tl = StoredInt(k + " TextLeft"), tt = StoredInt(k + " TextTop");
  if (tl > 0) MemoText.SetLeft(tl);
  if (tt > 0) MemoText.SetTop(tt);

  Top = 0;
  SetCursorRow(1);
  Current = std::min(setup.startRecord, Count);
  if (setup.useStoredIndex) {
    const int index = StoredInt(SettingsKey + " Index");
    if (index >= 1 && index <= Count) GoToRecord(index, 2);
    else RepaintPage();
  } else if (Count > 0) {
    GoToRecord(std::clamp(setup.startRecord, 1, Count), 2);
  } else {
    RepaintPage();
  }
  activating_ = false;
}

int TfRol::MaxRowsForHeight() const {
  const int cell = Round(Scale() * WindowFont().LetterHeight) + 1;
  return std::max(1, height() / std::max(1, cell) - 7 - std::clamp(RowReserve, 0, 30));
}

void TfRol::FormResize() {
  MaxRowsPerPage = MaxRowsForHeight();
  CharsPerLine = width() / std::max(1, Round(Scale() * WindowFont().LetterWidth));
  LayoutGrid();
  PlaceScrollBar();
}

// ---------------------------------------------------------------- page

int TfRol::CursorRow() const { return sgRol.row(); }

void TfRol::SetCursorRow(int row) {
  if (sgRol.rowCount() <= row) sgRol.SetRowCount(row + 1);
  if (row >= 1 && sgRol.fixedRows() > 0) sgRol.SetRow(row);
  else {
    sgRol.SetFixedRows(0);
    sgRol.SetRow(std::max(row, 0));
  }
}

void TfRol::SetPageRows() {
  sgRol.SetRowCount(RowsPerPage + 1);
  const int rowHeight = Round(Scale() * WindowFont().LetterHeight);
  sgRol.SetHeight((RowsPerPage + 2) * (rowHeight + 1));
  RepaintPage();
}

void TfRol::GoToRecord(std::int32_t n, int mode) {
  if (n < 1 || n > Count) return;
  if (MaxRowsPerPage > RowsPerPage) {
    RowsPerPage = std::min(MaxRowsPerPage, Count);
    SetPageRows();
  }
  const std::int32_t rows = std::max<std::int32_t>(RowsPerPage, 1);
  std::int32_t q = n / rows, r = n % rows;
  if (r == 0) {
    r = rows;
    --q;
  }
  Current = n;
  int row = CursorRow();
  switch (mode) {
    case 0:
      Top = n - row;
      if (Top < 0) {
        Top = 0;
        row = n;
      }
      break;
    case 1:
      Top = n - 1;
      if (n < rows) Top = 0;
      if (n > Count - rows) Top = Count - rows;
      row = n - Top;
      break;
    case 2:
      Top = std::max<std::int32_t>(n - rows, 0);
      if (n + rows > Count) Top = Count - rows;
      row = n - Top;
      break;
    case 3:
      Top = q * rows;
      row = r;
      break;
    default: return;
  }
  if ((mode == 0 || mode == 3) && Count - Top < rows) {
    Top = Count - rows;
    row = n - Top;
  }
  Top = std::max<std::int32_t>(Top, 0);
  SetCursorRow(std::clamp<std::int32_t>(row, 1, rows));
  RepaintPage();
}

void TfRol::RowDown() {
  const int row = CursorRow();
  if (Count - RowsPerPage > Top && row == RowsPerPage) ++Top;
  else if (row < RowsPerPage && Top + row < Count) SetCursorRow(row + 1);
}

void TfRol::PaintRow(int row, std::int32_t n) {
  std::vector<std::string> cells(static_cast<std::size_t>(ColumnCount) + 1);
  const std::int32_t mapped = IndexPositionToRecord(n);
  if (mapped < 1 || mapped > Count) {
    // A damaged or short index: the row stays blank.
    sgRol.SetRowCells(row, cells);
    return;
  }
  LastPhysicalRecord = 0;
  RecordToColumns(n);
  const std::int32_t read = LastPhysicalRecord > 0 ? LastPhysicalRecord : mapped;
  cells[0] = IsMarked(read) ? std::string(1, '\x11') : std::string(" ");
  const bool semicolons = ColumnCount == 1 && common::CurrentSession().SemicolonOut;
  for (int c = 1; c <= ColumnCount && c < kColumns; ++c) {
    std::string text = ColumnShift ? common::Copy(ColumnTexts[static_cast<std::size_t>(c)], CharShift, 255)
                                   : ColumnTexts[static_cast<std::size_t>(c)];
    if (semicolons) std::replace(text.begin(), text.end(), ';', ' ');
    cells[static_cast<std::size_t>(c)] = std::move(text);
  }
  sgRol.SetRowCells(row, cells);
}

void TfRol::RepaintPage() {
  RowsPerPage = std::clamp<std::int32_t>(RowsPerPage, 0, std::max<std::int32_t>(Count, 0));
  sgRol.SetColor(GridColor);
  sgRol.SetRowCount(RowsPerPage + 1);
  if (sgRol.colCount() != ColumnCount + 1) sgRol.SetColCount(ColumnCount + 1);
  sgRol.SetFixedRows(Count > 0 && sgRol.rowCount() > 1 ? 1 : 0);
  sgRol.SetLeftCol(std::clamp(LeftColumn, sgRol.fixedCols(), std::max(sgRol.fixedCols(), sgRol.colCount() - 1)));
  for (int c = 1; c <= ColumnCount && c < kColumns; ++c) sgRol.SetCell(c, 0, HeaderTexts[static_cast<std::size_t>(c)]);
  for (int r = 1; r <= RowsPerPage; ++r) {
    const std::int32_t n = Top + r;
    if (n > Count) sgRol.SetRowCells(r, {});
    else PaintRow(r, n);
  }
  lHelp.SetText(common::Copy(KeyHelpLine, CharShift + 1, 250));
  // Right under the grid, clear of the room kept above the key line; in a window too
  // low for its page the row stands above that room and the grid ends above the row.
  const int searchHeight = SearchRowHeight(eHled);
  int under = sgRol.top() + sgRol.height() + 2;
  if (lHelp.height() > 0) {
    const int lowest = lHelp.top() - 2 - ReservedRoom(RowReserve, sgRol.rowHeight()) - searchHeight;
    if (under > lowest) {
      under = std::max(lowest, sgRol.top() + 2 * sgRol.rowHeight() + 2);
      sgRol.SetHeight(under - 2 - sgRol.top());
      PlaceScrollBar();
    }
  }
  // The count stays whole in a narrow window: the search box gives up room first, then
  // the label "Najdi [F3]" its place (the count's blanks are narrow: about 18 cells).
  const int room = clientWidth() - 4, cell = std::max(1, Round(Scale() * WindowFont().LetterWidth));
  const int countWidth = std::min(260, 18 * cell + 8);
  int countLeft = std::min(290, room - countWidth), searchLeft = 78;
  lhled.SetVisible(countLeft - 8 - searchLeft >= 40);
  if (!lhled.visible()) searchLeft = 4;
  lhled.SetBounds(4, under + 3, 70, lhled.height() > 0 ? lhled.height() : 16);
  countLeft = std::max(countLeft, searchLeft + 48);
  eHled.SetBounds(searchLeft, under, std::min(200, countLeft - 8 - searchLeft), searchHeight);
  lKolik.SetBounds(countLeft, under + 3, std::max(countWidth, std::min(260, room - countLeft)),
                   lKolik.height() > 0 ? lKolik.height() : 16);
  if (ScrollBar1.max() != Count) ScrollBar1.SetRange(0, std::max<std::int32_t>(Count, 0));
  if (Count > 0) ScrollBar1.SetPosition(std::clamp<std::int32_t>(Top + CursorRow(), 0, Count));
  if (!HeaderLine.empty() && caption() != HeaderLine) SetCaption(HeaderLine);
  UpdateCountLabel(CursorRow() + Top);
  PageRepainted();
}

void TfRol::UpdateCountLabel(std::int32_t position) {
  lKolik.SetText(common::FormatFloatMask("#######", Count) + "/" + common::FormatFloatMask("#######", position) +
                 common::Cz("  Vybráno:") + common::FormatFloatMask("######", MarkedCount));
}

void TfRol::PlaceScrollBar() {
  const int w = ScrollBarWidth(ScrollBar1);
  int left = sgRol.width();
  if (left + w > width() - 5) left = width() - w - 10;
  ScrollBar1.SetBounds(left, sgRol.top() + 2, w, std::max(0, sgRol.height() - 4));
}

void TfRol::LayoutGrid() {
  const WindowFontState& wf = WindowFont();
  const double scale = Scale();
  const int rowHeight = Round(scale * wf.LetterHeight);
  sgRol.SetRowHeight(std::max(1, rowHeight));
  RowsPerPage = std::min(MaxRowsPerPage, Count);
  if (!OwnHeaders) {
    ColumnCount = std::clamp<std::int32_t>(FieldCount, 0, kMaxFields);
    for (int c = 1; c <= ColumnCount; ++c) HeaderTexts[static_cast<std::size_t>(c)] = Field(c).caption;
  }
  sgRol.SetRowCount(RowsPerPage + 1);
  sgRol.SetColCount(ColumnCount + 1);
  sgRol.SetFixedCols(1);
  sgRol.SetColWidth(0, 10);
  const int cell = GridCell(sgRol.font().name, wf.LetterWidth);
  for (int c = 1; c <= ColumnCount; ++c) {
    int length = 0, type = ft::Text;
    if (OwnHeaders || c > FieldCount) {
      length = static_cast<int>(HeaderTexts[static_cast<std::size_t>(c)].size());
    } else {
      const FieldDescriptor& d = Field(c);
      length = std::max<int>(static_cast<int>(d.value.size()), FieldDisplayLength(d));
      // A narrow field's column is as wide as its header, so that the header shows whole.
      length = std::max<int>(length, static_cast<int>(common::StripRightSp(HeaderTexts[static_cast<std::size_t>(c)]).size()));
      type = d.fieldType;
    }
    sgRol.SetColWidth(c, DefaultColumnWidth(length, type, cell, scale));
  }
  if (ColumnCount > 1) {
    const std::string widths = common::ReadParam(kOkna2Par, SettingsKey + " Gridy");
    if (!widths.empty()) {
      const std::vector<int> parsed = ParseGridy(widths, ColumnCount);
      for (int i = 0; i <= ColumnCount; ++i) sgRol.SetColWidth(i, parsed[static_cast<std::size_t>(i)]);
    }
  }
  int gridWidth = 0;
  for (int c = 0; c <= ColumnCount; ++c) gridWidth += sgRol.colWidth(c) + sgRol.gridLineWidth();
  if (ColumnCount + 1 > 2) gridWidth = width() - 20;
  // The scroll bar stands beside the grid, inside the window; a wider grid scrolls.
  gridWidth = std::min(gridWidth, clientWidth() - ScrollBarWidth(ScrollBar1) - 4);
  sgRol.SetBounds(0, 0, std::max(gridWidth, 0), (RowsPerPage + 2) * (rowHeight + 1));

  lHelp.SetColor(kNavy);
  ui::Font helpFont = lHelp.font();
  helpFont.color = kHelpText;
  helpFont.bold = true;
  lHelp.SetFont(helpFont);
  const int helpHeight = KeyLineHeight(rowHeight);
  lHelp.SetBounds(0, std::max(0, height() - 2 * helpHeight - 15), std::max(0, std::min(width() - 6, clientWidth())),
                 helpHeight);
  RepaintPage();
  PlaceScrollBar();
}

// ---------------------------------------------------------------- keys

void TfRol::CloseWindow(int key) {
  CloseKey = key;
  closeRequested_ = true;
  if (showingModal()) SetModalResult(key == vk::Enter ? ui::mr::Ok : ui::mr::Cancel);
  else Close();
}

void TfRol::FinishKey() {
  RepaintPage();
  Current = CursorRow() + Top;
  UpdateCountLabel(Current);
  if (PicturesOn && Current > 0) ShowRecordPicture(0);
  CurrentRecordShown();
}

void TfRol::sgRolKeyDown(int& key, ui::Shift shift) {
  const int raw = key;
  key = 0;  // the grid does not act on the key itself
  const std::int32_t current = CursorRow() + Top;
  Current = current;
  if ((raw == vk::Letter('B') && PrevRawKey == vk::Ctrl) || raw == vk::CapsLock) {
    BarcodeMode = true;
    BarcodeText.clear();
    PrevRawKey = raw;
    return;
  }
  PrevRawKey = raw;
  const int code = ui::KeyCode(raw, shift);
  bool stop = false;
  Dispatch(code, current, stop);
  if (!stop && !closeRequested_) FinishKey();
}

void TfRol::KeyEnter(std::int32_t current, bool& stop) {
  if (Count < 1) return;
  if (BarcodeMode || TypedNumber.size() > 5) {
    if (BarcodeText.empty()) BarcodeText = TypedNumber.substr(0, kBarcodeMax);
    BarcodeMode = false;
    RecordChosen();
    // The code is used: the next one starts afresh.
    TypedNumber.clear();
    BarcodeText.clear();
    stop = true;
    return;
  }
  TypedNumber.clear();
  if (ActiveOrder > 0) {
    current = IndexPositionToRecord(current);
    EndSortOrder();
  }
  current = std::min(current, Count);
  Current = current;
  if (EnterEdits) {
    if (current > 0) {
      GoToRecord(current, 0);
      EditRecord();
    }
    stop = true;
    return;
  }
  LastKey = vk::Enter;
  KeyEsc();
  CloseWindow(vk::Enter);
  stop = true;
}

void TfRol::Dispatch(int code, std::int32_t current, bool& stop) {
  const bool functionKey = (code >= vk::F(1) && code <= vk::F(12)) || code == vk::NumPlus || code == vk::NumMinus ||
                           code == vk::NumStar;
  if (functionKey) TypedNumber.clear();
  const int row = CursorRow();
  switch (code) {
    case vk::Enter: KeyEnter(current, stop); return;
    case vk::Esc:
      Current = -1;
      KeyEsc();
      CloseWindow(vk::Esc);
      stop = true;
      return;
    case vk::Space:
      TypedNumber.clear();
      if (current > 0) EditRecord();
      return;
    case vk::Up:
      if (RowsPerPage < MaxRowsPerPage && row == 1 && RowsPerPage < Count) {
        ++RowsPerPage;
        SetPageRows();
      }
      TypedNumber.clear();
      if (Top > 0 && row == 1) --Top;
      else if (row > 1) SetCursorRow(row - 1);
      return;
    case vk::Down:
      TypedNumber.clear();
      if (Count - RowsPerPage > Top && row == RowsPerPage) ++Top;
      else if (row < RowsPerPage) SetCursorRow(row + 1);
      return;
    case vk::PgUp:
      if (MaxRowsPerPage > RowsPerPage && RowsPerPage < Count) {
        RowsPerPage = std::min(MaxRowsPerPage, Count);
        SetPageRows();
      }
      Top = std::max<std::int32_t>(Top - RowsPerPage, 0);
      return;
    case vk::PgDn:
      if (MaxRowsPerPage > RowsPerPage) {
        RowsPerPage = std::min(MaxRowsPerPage, Count);
        SetPageRows();
      }
      Top += RowsPerPage;
      if (Count - RowsPerPage < Top) Top = Count - RowsPerPage;
      Top = std::max<std::int32_t>(Top, 0);
      return;
    case vk::Home:
      Top = 0;
      RowsPerPage = std::min(MaxRowsPerPage, Count);
      SetPageRows();
      SetCursorRow(1);
      return;
    case vk::End:
      RowsPerPage = std::min(MaxRowsPerPage, Count);
      SetPageRows();
      Top = std::max<std::int32_t>(Count - RowsPerPage, 0);
      SetCursorRow(std::max<std::int32_t>(RowsPerPage, 1));
      return;
    case vk::Right:
      if (LeftColumn < FieldCount - 1) ++LeftColumn;
      if (CharShift < 999) ++CharShift;
      return;
    case vk::Left:
      if (LeftColumn > 1) --LeftColumn;
      if (CharShift > 1) --CharShift;
      return;
    case Ctrl(vk::Right):
      if (CharShift < 979) CharShift += 20;
      return;
    case Ctrl(vk::Left): CharShift = std::max(CharShift - 20, 1); return;
    case vk::Insert:
      TypedNumber.clear();
      ToggleMarks();
      MarkToggled();
      RowDown();
      return;
    case vk::Delete: KeyDel(); return;
    case vk::F(1): ShowHelp(0); return;
    case vk::F(2): KeyF2(); return;
    case vk::F(3): StartSearch(current); return;
    case vk::F(4): NewRecord(); return;
    case vk::F(5): KeyF5(); return;
    case vk::F(6): KeyF6(current); return;
    case vk::F(7): KeyF7(current); return;
    case vk::F(8): DeleteRecord(current); return;
    case vk::F(9): KeyF9(current); return;
    case vk::F(10):
      PrintListing(current);
      if (!closeRequested_ && ui::HasBackend()) {
        const ui::Point at = ListingMenuPoint();
        PopupMenu1.Popup(at.x, at.y);
      }
      return;
    case vk::F(11): AppearanceMenu(current); return;
    case vk::F(12): KeyF12(current); return;
    case Ctrl(vk::F(1)): OpenManual(); return;
    case Ctrl(vk::F(2)): ShowReportList(); return;
    case Ctrl(vk::F(3)): KeyCtrlF3(); return;
    case Ctrl(vk::F(4)): KeyCtrlF4(); return;
    case Ctrl(vk::F(5)): KeyCtrlF5(); return;
    case Ctrl(vk::F(6)): KeyCtrlF6(); return;
    case Ctrl(vk::F(7)): KeyCtrlF7(); return;
    case Ctrl(vk::F(8)): KeyCtrlF8(); return;
    case Ctrl(vk::F(9)): KeyCtrlF9(); return;
    case Ctrl(vk::F(12)): SaveRecordTemplate(); return;
    case Shifted(vk::F(4)): EditRecordNoCheck(); return;
    case Shifted(vk::F(10)): KeyShiftF10(); return;
    case Shifted(vk::F(12)): ApplyRecordTemplate(); return;
    case Alt(vk::F(1)): SetSortOrder1(); return;
    case Alt(vk::F(2)): SetSortOrder2(); return;
    case Alt(vk::F(3)): SetSortOrder3(); return;
    case Alt(vk::F(4)): SetSortOrder4(); return;
    case Alt(vk::F(5)): KeyAltF5(); return;
    case Alt(vk::F(6)): KeyAltF6(); return;
    case Alt(vk::F(7)): KeyAltF7(); return;
    case Alt(vk::F(8)): KeyAltF8(); return;
    case Alt(vk::F(9)): KeyAltF9(); return;
    case Alt(vk::F(10)): ClearSortOrder(); return;
    case Alt(vk::F(11)): KeyAltF11(); return;
    case Alt(vk::F(12)): KeyAltF12(); return;
    case vk::NumPlus: KeyNumPlus(); return;
    case vk::NumMinus: KeyNumMinus(); return;
    case vk::NumStar: KeyNumStar(); return;
    case Ctrl(vk::Letter('E')):
    case Ctrl(vk::Num(5)): ExportListToExcel(); return;
    case Ctrl(vk::Letter('D')):
    case Ctrl(vk::Num(4)): ExportToDbf(); return;
    case Ctrl(vk::Space):
      KeyCtrlSpace();
      stop = true;
      return;
    case Alt(vk::Space):
      KeyAltSpace();
      stop = true;
      return;
    case Ctrl(vk::Letter('Y')):
    case Ctrl(vk::Letter('Z')):
    case Ctrl(vk::F(10)):
    case Ctrl(vk::F(11)): SetBlockBegin(); return;
    case Ctrl(vk::Letter('K')):
    case Ctrl(vk::NumPlus): SetBlockEnd(); return;
    default: break;
  }
  if (code >= vk::Digit(0) && code <= vk::Digit(9)) {
    if (BarcodeMode) {
      BarcodeText += static_cast<char>(code);
      BarcodeText = CzechKeysToDigits(BarcodeText).substr(0, kBarcodeMax);
    }
    return;
  }
  if (code >= vk::Letter('A') && code <= vk::Letter('Z')) LetterKey(code);
}

void TfRol::sgRolKeyPress(char& ch) {
  if (ch == 2) {  // Ctrl+B
    BarcodeMode = true;
    BarcodeText.clear();
    ch = 0;
    return;
  }
  if (ch < '0' || ch > '9' || BarcodeMode) return;
  const char digit = ch;
  ch = 0;
  if (static_cast<int>(TypedNumber.size()) < kTypedNumberMax) TypedNumber += digit;
  const std::int64_t now = common::MonotonicMs();
  const bool pause = TypedTimeMs < 0 || now - TypedTimeMs > kDigitGapMs;
  TypedTimeMs = now;
  if (!pause || TypedNumber.size() > 9) return;
  const std::int32_t n = common::TextToInt(TypedNumber);
  if (n >= 1 && n <= Count) {
    GoToRecord(n, 0);
    FinishKey();
  }
}

void TfRol::eHledKeyDown(int& key, ui::Shift shift) {
  const int code = key + (ui::Has(shift, ui::Shift::Ctrl) ? 1000 : 0);
  if (code != vk::Esc && code != vk::F(3) && code != Ctrl(vk::F(3))) return;
  key = 0;
  if (code != vk::Esc && !eHled.text().empty()) {
    Current = CursorRow() + Top;
    SearchNext();
    FinishKey();
  }
  eHled.SetColor(ui::colors::Window);
  eHled.SetEnabled(false);
  sgRol.SetFocus();
}

// ---------------------------------------------------------------- mouse and scroll bar

int TfRol::HeaderColumnAt(int x) const {
  int sum = sgRol.colWidth(0);
  if (x < sum) return 0;
  for (int c = std::max(LeftColumn, 1); c <= ColumnCount; ++c) {
    sum += sgRol.colWidth(c) + 1;
    if (sum >= x) return c;
  }
  return 0;
}

void TfRol::sgRolMouseDown(ui::MouseButton button, ui::Shift shift, int x, int y) {
  if (button == ui::MouseButton::Right) {
    if (ui::Has(shift, ui::Shift::Ctrl)) EnableMenuItems();
    return;
  }
  if (button == ui::MouseButton::Left && y >= 0 && y < sgRol.rowHeight() + sgRol.gridLineWidth()) SortByColumn(HeaderColumnAt(x));
}

void TfRol::sgRolClick() {
  Current = std::min<std::int32_t>(CursorRow() + Top, Count);
  Current = IndexPositionToRecord(Current);
  ShowRecordPicture(0);
}

void TfRol::sgRolDblClick() {
  std::int32_t current = std::min<std::int32_t>(CursorRow() + Top, Count);
  Current = current;
  LastKey = vk::Enter;
  if (EnterEdits) {
    EditRecord();
    return;
  }
  // Choosing gives the record, as Enter does.
  if (ActiveOrder > 0) {
    Current = IndexPositionToRecord(current);
    EndSortOrder();
  }
  CloseWindow(vk::Enter);
}

void TfRol::ScrollBar1Change() {
  const std::int32_t position = ScrollBar1.position();
  Current = position;
  Top = std::min<std::int32_t>(position, Count - RowsPerPage);
  Top = std::max<std::int32_t>(Top, 0);
  RepaintPage();
}

void TfRol::PictureMouseDown(ui::Control& c, ui::MouseButton b, int x, int y) {
  ui::Control& moved = &c == &Image ? static_cast<ui::Control&>(Panel) : c;
  if (b == ui::MouseButton::Right) {
    if (&c != &Image) return;
    pictureLarge_ = !pictureLarge_;
    Image.SetAutoSize(pictureLarge_);
    if (pictureLarge_) {
      Panel.SetBounds(Panel.left(), Panel.top(), Image.width() + 6, Image.height() + 6);
    } else {
      Panel.SetBounds(Panel.left(), Panel.top(), 326, 576);
      Image.SetBounds(3, 3, 320, 570);
      Image.SetStretch(true);
    }
    return;
  }
  if (b != ui::MouseButton::Left) return;
  const ui::Point at = c.PositionInForm();
  dragStart_ = {at.x + x, at.y + y};
  dragFrom_ = moved.bounds();
  drag_ = &c == &Image && x >= c.width() - 20 && y >= c.height() - 20 ? Drag::Size : Drag::Move;
  c.SetCursor(drag_ == Drag::Size ? ui::CursorShape::SizeNWSE : ui::CursorShape::SizeAll);
}

void TfRol::PictureMouseMove(ui::Control& c, int x, int y) {
  if (drag_ == Drag::None) return;
  ui::Control& moved = &c == &Image ? static_cast<ui::Control&>(Panel) : c;
  const ui::Point at = c.PositionInForm();
  const int dx = at.x + x - dragStart_.x, dy = at.y + y - dragStart_.y;
  if (drag_ == Drag::Move) {
    moved.SetBounds(dragFrom_.left + dx, dragFrom_.top + dy, dragFrom_.width, dragFrom_.height);
  } else {
    const int w = std::max(dragFrom_.width + dx, 20), h = std::max(dragFrom_.height + dy, 20);
    Panel.SetBounds(dragFrom_.left, dragFrom_.top, w, h);
    Image.SetBounds(3, 3, w - 6, h - 6);
  }
}

void TfRol::PictureMouseUp(ui::Control& c) {
  if (drag_ == Drag::None) return;
  drag_ = Drag::None;
  c.SetCursor(ui::CursorShape::Default);
  const std::string& k = SettingsKey;
  if (&c == &Image) {
    StoreInt(k + " ImgTop", "@@@@@@", std::max(Panel.top(), 0));
    StoreInt(k + " ImgLeft", "@@@@@@", std::max(Panel.left(), 0));
    StoreInt(k + " ImgWidth", "@@@@@@", Panel.width());
    StoreInt(k + " ImgHeight", "@@@@@@", Panel.height());
  } else {
    StoreInt(k + " TextLeft", "@@@@@@", std::max(MemoText.left(), 0));
    StoreInt(k + " TextTop", "@@@@@@", std::max(MemoText.top(), 0));
  }
}

void TfRol::ShowRecordPicture(int k) {
  Panel.Hide();
  if (!PicturesOn) return;
  const std::string name = RecordPictureFile(k);
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  if (lower.find(".jpg") == std::string::npos || common::CheckFile(name) <= 2) return;
  try {
    Image.SetPicture(LoadRecordPicture(name));
  } catch (const std::exception&) {
    return;  // an unreadable picture is not shown
  }
  Image.SetStretch(true);
  Image.SetBounds(3, 3, std::max(Panel.width() - 6, 0), std::max(Panel.height() - 6, 0));
  Panel.Show();
}

// ---------------------------------------------------------------- marks, blocks

void TfRol::ClearMarks() {
  Marks.Clear();
  MarkedCount = 0;
}

bool TfRol::TakeMark(std::int32_t n) {
  if (!Marks.Mark(n)) return false;
  if (const std::optional<std::uint64_t> value = MarkValue(n)) Marks.Keep(n, *value);
  return true;
}

void TfRol::ToggleMark(std::int32_t n) {
  if (Marks.IsMarked(n)) {
    Marks.Unmark(n);
    --MarkedCount;
  } else if (TakeMark(n)) {
    ++MarkedCount;
  }
}

void TfRol::ToggleMarks() {
  const std::int32_t current = CursorRow() + Top;
  Current = current;
  if (current < 1 || current > Count) return;
  if (ActiveOrder > 0) {
    ToggleMark(IndexPositionToRecord(current));
  } else if (BlockEnd > BlockBegin && BlockBegin > 0 && BlockBegin <= current && current <= BlockEnd) {
    for (std::int32_t i = BlockBegin; i <= BlockEnd; ++i) ToggleMark(i);
  } else {
    ToggleMark(current);
  }
}

void TfRol::MarkBlock() {
  if (BlockBegin <= 0 || BlockEnd < BlockBegin) return;
  for (std::int32_t p = BlockBegin; p <= BlockEnd; ++p) {
    const std::int32_t n = ActiveOrder > 0 ? IndexPositionToRecord(p) : p;
    if (!Marks.IsMarked(n) && TakeMark(n)) ++MarkedCount;
  }
}

void TfRol::SetBlockBegin() {
  if (Count < 1) return;
  BlockBegin = CursorRow() + Top;
  MarkBlock();
}

void TfRol::SetBlockEnd() {
  if (Count < 1) return;
  BlockEnd = CursorRow() + Top;
  MarkBlock();
}

// ---------------------------------------------------------------- sort orders

int TfRol::IndexFilesOpen(std::string_view dataName) {
  const int code = IndexFiles.Open(dataName);
  if (code != 0)
    common::FileErrorMessage(" Soub: ", std::string(dataName), code);
  return code;
}

void TfRol::IndexFilesClose() { IndexFiles.Close(); }

void TfRol::EndSortOrder() {
  if (ActiveOrder == 0) return;
  ActiveOrder = 0;
  GridColor = SavedGridColor;
  FontColor = SavedFontColor;
}

void TfRol::SetSortOrder(int k) {
  if (IndexCount(k) < 1 || ActiveOrder == k) return;
  const std::int32_t position = CursorRow() + Top;
  // The record under the cursor stays under it.
  const std::int32_t record = ActiveOrder > 0 ? IndexPositionToRecord(position) : position;
  if (ActiveOrder == 0) {
    SavedGridColor = GridColor;
    SavedFontColor = FontColor;
  }
  ActiveOrder = k;
  GridColor = kSortedGridColor;
  const std::int32_t p = IndexFiles.Find(k, record);
  if (p >= 1 && p <= Count) GoToRecord(p, 0);
  RepaintPage();
}

void TfRol::SetSortOrder1() { SetSortOrder(1); }
void TfRol::SetSortOrder2() { SetSortOrder(2); }
void TfRol::SetSortOrder3() { SetSortOrder(3); }
void TfRol::SetSortOrder4() { SetSortOrder(4); }

void TfRol::ClearSortOrder() {
  const int k = ActiveOrder;
  if (k == 0) return;
  const std::int32_t record = IndexCount(k) > 0 ? IndexPositionToRecord(CursorRow() + Top) : 0;
  EndSortOrder();
  if (record >= 1 && record <= Count) GoToRecord(record, 0);
  RepaintPage();
}

std::int32_t TfRol::IndexPositionToRecord(std::int32_t p) {
  const int k = ActiveOrder;
  if (k < 1 || p < 1 || p > Count || p > IndexCount(k)) return p;
  std::int32_t record = 0;
  return IndexFiles.Read(k, p, record) ? record : p;
}

std::int32_t TfRol::SelectionPositionToRecord(std::int32_t p) { return p; }

void TfRol::NewRecord() {
  if (ActiveOrder == 0) return;
  for (int k = 1; k <= kIndexFiles; ++k) {
    if (IndexCount(k) < 1) continue;
    if (const int code = IndexFiles.Append(k, Count); code != 0)
      common::FileErrorMessage(" pise soubor: ", IndexFiles.Name(k), code);
  }
}

// ---------------------------------------------------------------- search

std::string TfRol::RecordSearchText(std::int32_t n) { return SearchForm(RecordToColumns(n)); }

std::int32_t TfRol::SearchScan(const std::string& text) {
  if (Count <= 0 || text.empty()) return -1;
  const std::string kept = lHelp.text();
  lHelp.SetText(common::Cz("Hledám: ") + text);
  std::int32_t result = -1;
  std::int32_t i = std::max<std::int32_t>(Current + 1, 1);
  bool done = false;
  if (i > Count) {
    if (NoWrap) {
      result = 0;
      done = true;
    }
    i = 1;
  }
  // At most one round: the walk ends when it is back where it started.
  for (std::int32_t steps = 0; !done && steps < Count; ++steps) {
    if (i == Current) break;
    if (i % 1000 == 0) lHelp.SetEnabled(!lHelp.enabled());
    std::string s = RecordSearchText(i);
    if (SecondPass) s = NormalizeSearchText(s);
    if (!ExactSearch) s = SearchForm(s);
    UpdateCountLabel(i);
    if (s.find(text) != std::string::npos) {
      result = i;
      break;
    }
    if (++i > Count) {
      if (NoWrap) {
        result = 0;
        break;
      }
      i = 1;
    }
  }
  lHelp.SetEnabled(true);
  lHelp.SetText(kept);
  return result;
}

void TfRol::SearchNext() {
  std::string text = eHled.text();
  SecondPass = false;
  if (!ExactSearch) text = SearchForm(text);
  std::int32_t r = SearchScan(text);
  if (r >= 1) {
    GoToRecord(r, 0);
    return;
  }
  SecondPass = true;
  text = NormalizeSearchText(text);
  r = SearchScan(text);
  if (r >= 1) GoToRecord(r, 0);
}

void TfRol::StartSearch(std::int32_t) {
  if (!eHled.visible()) return;
  eHled.SetEnabled(true);
  eHled.SetColor(ui::colors::Yellow);
  eHled.SetFocus();
}

// ---------------------------------------------------------------- data

std::string TfRol::RecordToColumns(std::int32_t n) {
  RecordReadForView(n);
  RecordToCells();
  std::string joined;
  for (int c = 1; c <= std::min<std::int32_t>(FieldCount, kMaxFields); ++c)
    joined += ColumnTexts[static_cast<std::size_t>(c)] + " ";
  return joined;
}


std::string TfRol::RecordPictureKey(std::int32_t n) { return common::FormatFloatMask("@@@@@@", n); }

std::string TfRol::RecordPictureFile(int k) {
  if (!PicturesOn) return {};
  return RecordPictureKey(Current) + "-" + common::FormatFloatMask("@@", k) + ".jpg";
}

// ---------------------------------------------------------------- lifecycle

void TfRol::FormClose() { StoreWindowGeometry(SettingsKey, *this); }

void TfRol::CloseBrowse() {
  EndSortOrder();
  StoreInt(SettingsKey + " Index", "@@@@@@", std::max(CursorRow() + Top, 0));
  if (ColumnCount > 1) {
    std::vector<int> widths;
    for (int c = 0; c <= std::min<std::int32_t>(ColumnCount, 40) && c < sgRol.colCount(); ++c)
      widths.push_back(sgRol.colWidth(c));
    common::WriteParam(kOkna2Par, SettingsKey + " Gridy", FormatGridy(widths));
  }
}



void TfRol::AppearanceMenu(std::int32_t) {
  if (RolHooks().appearanceMenu) RolHooks().appearanceMenu(*this);
}

void TfRol::OpenManual() { ShowInstructions(name()); }

void TfRol::ShowReportList() {
  if (RolHooks().showReportList) RolHooks().showReportList();
}

}  // namespace browser
