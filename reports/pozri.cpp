#include "reports/pozri.h"

#include <algorithm>

#include "browser/appearance.h"
#include "browser/choosers/edituj.h"
#include "browser/choosers/inout.h"
#include "browser/dialogs.h"
#include "browser/parsys.h"
#include "browser/winsettings.h"
#include "common/codepages.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/indexsort.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/scramble.h"
#include "common/session.h"
#include "common/text.h"
#include "common/txtfile.h"
#include "common/winpath.h"
#include "reports/fonty.h"
#include "reports/formimage.h"
#include "reports/hooks.h"
#include "reports/specialforms.h"
#include "reports/stamp.h"
#include "reports/spool.h"
#include "reports/writer.h"
#include "ui/backend.h"
#include "ui/handlers.h"
#include "ui/keys.h"

namespace reports {

namespace vk = ui::vk;
using common::Cz;

ViewerServices& ViewerHooks() {
  static ViewerServices services;
  return services;
}

namespace {

const std::string kKeyLine = Cz(
    " F1-Help F2-Znaky ^F2-Nová_sestava F3-Najdi F4-Najdi_list F10,F9-Tisk MEZERA-Edit F5-Počet_opakování "
    "~F9-Tisk_z_velkého_archivu ^F5-Nový_list ~F5-Řádek ^F6-Do_souboru ~F6-Překlad F7-Vlož_řádek F8-Zruš_radek "
    "^F7-Vlož_text");
constexpr const char* kHelpName = "help.txt";
constexpr const char* kSectionKey = "Vstupni soubor";

// The scrambling switch off for one scope.
class ScrambleOff {
 public:
  ScrambleOff() : s_(common::CurrentSession()), was_(s_.ScrambleOn) { s_.ScrambleOn = 0; }
  ~ScrambleOff() { s_.ScrambleOn = was_; }
  ScrambleOff(const ScrambleOff&) = delete;
  ScrambleOff& operator=(const ScrambleOff&) = delete;

 private:
  common::Session& s_;
  int was_;
};

std::string Key() { return common::CurrentSession().ScrambleKey; }
bool Scrambling() { return common::CurrentSession().ScrambleOn != 0; }

std::string Fit(std::string text, std::int32_t width) {
  text.resize(static_cast<std::size_t>(std::max(width, 0)), ' ');
  return text;
}

// The full path of a report: the current folder + "\" + name when the name has no folder.
std::string FullName(const std::string& name) {
  if (name.find_first_of("\\/") != std::string::npos) return name;
  std::string folder = common::CurrentFolder();
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder + "\\" + name;
}

// Two names of one file, however they are written (relative or full, any case, through
// links): the same file on the same device. A name that is not there is no file shown.
bool SameFile(const std::string& a, const std::string& b) {
  common::FileStat sa, sb;
  if (common::GetFileInfo(a, sa) != 0 || common::GetFileInfo(b, sb) != 0) return false;
  return sa.exists && sb.exists && sa.dev == sb.dev && sa.ino == sb.ino;
}

// "name" without the extension of its file-name part, + ".TXT".
std::string SectionTarget(const std::string& chosen) {
  const std::size_t base = chosen.find_last_of("\\/:");
  const std::size_t from = base == std::string::npos ? 0 : base + 1;
  const std::size_t dot = chosen.rfind('.');
  std::string name = chosen;
  if (dot != std::string::npos && dot > from) name.erase(dot);
  return name + ".TXT";
}

bool ChooseFile(const std::string& title, const std::string& mask, std::string& name) {
  if (ViewerHooks().chooseFile) return ViewerHooks().chooseFile(title, mask, name);
  return browser::ChooseFile(title, name.empty() ? mask : name, name);
}

}  // namespace

// ---------------------------------------------------------------- adapters

class TfPozri::SourceAdapter : public PrintSource {
 public:
  explicit SourceAdapter(TfPozri& v) : v_(v) {}
  std::int32_t LineCount() override { return v_.Count; }
  std::string PlainLine(std::int32_t n) override { return v_.ReadLine(n); }
  bool IsMarked(std::int32_t n) override { return v_.TfRol::IsMarked(n); }
  void Unmark(std::int32_t n) override {
    if (v_.TfRol::IsMarked(n)) v_.ToggleMark(n);
  }
  std::int32_t MarkedCount() override { return v_.MarkedCount; }
  void ClearMarks() override { v_.TfRol::ClearMarks(); }
  std::int32_t CurrentLine() override { return v_.Current; }
  std::int32_t BlockBegin() override { return v_.TfRol::BlockBegin; }
  std::int32_t BlockEnd() override { return v_.TfRol::BlockEnd; }

 private:
  TfPozri& v_;
};

class TfPozri::EntryAdapter : public browser::ReportViewer {
 public:
  explicit EntryAdapter(TfPozri& v) : v_(v) {}
  void SetupReport(const std::string& fileName) override {
    v_.SetupPozri(fileName);
    v_.NoWrap = true;
  }
  void SetLastKey(int key) override { v_.TfRol::LastKey = key; }
  int LastKey() const override { return v_.TfRol::LastKey; }
  void ShowReport() override { v_.ShowModal(); }
  void SetCurrentRecord(int record) override { v_.Current = record; }
  void CloseBrowse() override { v_.CloseBrowse(); }
  bool Shown() const override { return v_.showingModal(); }
  std::string SettingsName() const override { return v_.name(); }

 private:
  TfPozri& v_;
};

// ---------------------------------------------------------------- construction

TfPozri::TfPozri(std::string componentName)
    : TfSoub(std::move(componentName)),
      ProgressBar1(Add<ui::ProgressBar>("ProgressBar1")),
      Memo1(Add<ui::Memo>("Memo1")),
      miTisk(PopupMenu1.AddItem("Tisk1", "Tisk", [this](ui::MenuItem&) { PrintListing(Current); })),
      miNastaveniTiskarny(PopupMenu1.AddItem("NastaveniTiskarny1", Cz("Nastavení tiskárny"), [this](ui::MenuItem&) {
        if (ui::ChoosePrinter(ReportName)) common::WriteParam("sys.par", "TiskDefault", ui::CurrentPrinter());
      })),
      miParametry(PopupMenu1.AddItem("ParametrySystemu1", Cz("Parametry systému"), [](ui::MenuItem&) {
        if (browser::SystemParametersHook()) browser::SystemParametersHook()();
      })),
      miPridejText(PopupMenu1.AddItem("PridejText1", Cz("Přidej text"), [this](ui::MenuItem&) { KeyCtrlF7(); })),
      miStredniky(PopupMenu1.AddItem("Stredniky1", Cz("Viditelnost středníků v tisku"), [this](ui::MenuItem&) {
        common::Session& s = common::CurrentSession();
        s.SemicolonOut = s.SemicolonOut ? 0 : 1;
        common::WriteParam("sys.par", "stredniky", s.SemicolonOut ? "Ano" : "");
        Repaint();
      })),
      miZasifruj(PopupMenu1.AddItem("Zasifruj1", "Zasifruj", [this](ui::MenuItem&) {
        PozriScrambleAll();
        Repaint();
      })),
      miDesifruj(PopupMenu1.AddItem("Desifruj1", Cz("Dešifruj"), [this](ui::MenuItem&) {
        PozriUnscrambleAll();
        Repaint();
      })),
      miDoWin(PopupMenu1.AddItem("PekdujdoWin1", Cz("Překóduj do Win"), [this](ui::MenuItem&) { Recode(true); })),
      miDoDos(PopupMenu1.AddItem("Prekoduj", Cz("Překóduj do Dos"), [this](ui::MenuItem&) { Recode(false); })),
      miTiskSRazitkem(PopupMenu1.AddItem("Tisksraztkem1", Cz("Tisk s razítkem ['F10]"),
                                         [this](ui::MenuItem&) { KeyShiftF10(); })),
      miFoto(PopupMenu1.AddItem("Foto1", "Foto", [this](ui::MenuItem&) { Foto(); })),
      miVyrobZnovaPP(PopupMenu1.AddItem("VyrobznovaPP1", "Vyrob znova PP", [this](ui::MenuItem&) {
        PrintSafely([this] { VyrobZnovaPP(Source()); });
      })),
      miPoklDoklad(PopupMenu1.AddItem("Grafickpokldoklad1", Cz("Grafický pokl. doklad"), [this](ui::MenuItem&) {
        PrintSafely([this] { GrafickyPoklDoklad(Source()); });
      })),
      miRozdelUpom(PopupMenu1.AddItem("RozdelUpom1", "RozdelUpom", [this](ui::MenuItem&) {
        PrintSafely([this] { RozdelUpom(Source()); });
      })),
      source_(std::make_unique<SourceAdapter>(*this)),
      entry_(std::make_unique<EntryAdapter>(*this)) {
  ProgressBar1.Hide();
  Memo1.Hide();
  Memo1.SetFont(ui::Font{"Fixedsys", 9});
  miZasifruj.enabled = miDesifruj.enabled = false;
  miFoto.visible = false;
  Memo1.onKeyDown = [this](ui::Control&, int& key, ui::Shift) { MemoKeyDown(key); };
  // Esc while the help text is shown goes back to the report instead of closing.
  auto gridKeys = std::move(sgRol.onKeyDown);
  sgRol.onKeyDown = [this, gridKeys](ui::Control& c, int& key, ui::Shift shift) {
    if (key == vk::Esc && shift == ui::Shift::None && !PreviousName.empty()) {
      key = 0;
      const std::string back = PreviousName;
      PreviousName.clear();
      PozriSwitchFile(back);
      GridColor = kPozriColor;
      Repaint();
      return;
    }
    gridKeys(c, key, shift);
  };
}

TfPozri::~TfPozri() = default;

PrintSource& TfPozri::Source() { return *source_; }
browser::ReportViewer& TfPozri::Viewer() { return *entry_; }

// ---------------------------------------------------------------- set-up

void TfPozri::OpenReport(const std::string& fileName, bool useStoredIndex) {
  ReportName = fileName;
  std::int32_t lines = 0;
  LineWidth = common::ReportLineInfo(fileName, lines);
  const std::string caption = Cz(" Soubor: ") + common::ShownPath(FullName(fileName));
  FieldCount = 1;
  browser::SetFieldDescriptor(Field(1), browser::FieldSetup()
                                            .Caption(caption)
                                            .Picture("m")
                                            .Initial(std::string(static_cast<std::size_t>(std::clamp(LineWidth, 1, 255)), ' ')));
  browser::BrowseSetup s;
  s.fileName = "=" + fileName;
  s.title = caption;
  s.keyLine = kKeyLine;
  s.fieldCount = 1;
  s.recordLength = LineWidth + 2;
  s.startRecord = 1;
  s.grid = {1, 1, 100, 30};
  s.gridColor = kPozriColor;
  s.gridFontColor = kPozriFontColor;
  s.useStoredIndex = useStoredIndex;
  OpenBrowse(s);
  ui::Font font = browser::StateFont(FontColor);
  font.name = "Fixedsys";
  sgRol.SetFont(font);
  sgRol.SetGridLineWidth(0);
  line_.assign(static_cast<std::size_t>(LineWidth), ' ');
  viewLine_ = line_;
}

void TfPozri::SetupPozri(const std::string& fileName) {
  PreviousName.clear();
  const bool help = common::UpperCz(common::NamePart(fileName)) == common::UpperCz(kHelpName);
  OpenReport(fileName, help);
  if (Count > 0) GoToRecord(help ? std::clamp<std::int32_t>(Current, 1, Count) : 1, 1);
}

void TfPozri::PozriSwitchFile(const std::string& fileName) {
  if (common::CheckFile(fileName) < 3) return;
  const ui::Color color = GridColor;
  const int lastKey = LastKey, closeKey = CloseKey;
  DataFileClose();
  OpenReport(fileName, false);
  GridColor = color;
  LastKey = lastKey;
  CloseKey = closeKey;
  if (Count > 0) GoToRecord(1, 1);
}

void TfPozri::Repaint() {
  if (Count > 0 && Current >= 1) GoToRecord(std::min(Current, Count), 0);
  else RepaintPage();
}

// ---------------------------------------------------------------- lines

void TfPozri::RecordRead(std::int32_t n) {
  {
    ScrambleOff off;
    TfSoub::RecordRead(n);
  }
  line_ = RecordBuffer.substr(0, static_cast<std::size_t>(LineWidth));
  if (Scrambling()) line_ = common::UnscrambleText(line_, Key());
}

void TfPozri::RecordReadForView(std::int32_t n) {
  {
    ScrambleOff off;
    TfSoub::RecordReadForView(n);
  }
  viewLine_ = ViewBuffer.substr(0, static_cast<std::size_t>(LineWidth));
  if (Scrambling()) viewLine_ = common::UnscrambleText(viewLine_, Key());
}

void TfPozri::RecordWrite(std::int32_t n) {
  std::string bytes = Fit(line_, LineWidth);
  if (Scrambling()) bytes = common::ScrambleText(bytes, Key());
  RecordBuffer = bytes + "\r\n";
  ScrambleOff off;
  TfSoub::RecordWrite(n);
}

std::string TfPozri::ReadLine(std::int32_t n) {
  line_.assign(static_cast<std::size_t>(LineWidth), ' ');
  RecordRead(n);
  return line_;
}

void TfPozri::WriteLine(std::int32_t n, const std::string& text) {
  line_ = Fit(text, LineWidth);
  RecordWrite(n);
}

std::string TfPozri::ReadRawLine(std::int32_t n) {
  ScrambleOff off;
  TfSoub::RecordRead(n);
  return RecordBuffer.substr(0, static_cast<std::size_t>(LineWidth));
}

void TfPozri::WriteRawLine(std::int32_t n, const std::string& bytes) {
  RecordBuffer = Fit(bytes, LineWidth) + "\r\n";
  ScrambleOff off;
  TfSoub::RecordWrite(n);
}

// The one field is the plain line: the list's exports write the lines, a template keeps one.
void TfPozri::RecordToFields() { Field(1).value = line_; }

void TfPozri::FieldsToRecord() { line_ = Fit(Field(1).value, LineWidth); }

std::string TfPozri::VisibleText(std::string text) {
  for (char& c : text) {
    switch (c) {
      case kFormFeed: c = '@'; break;
      case kElite: c = '#'; break;
      case kCondensed: c = '~'; break;
      case kNormal: c = '^'; break;
      default: break;
    }
  }
  return text;
}

std::string TfPozri::RecordToColumns(std::int32_t n) {
  RecordReadForView(n);
  RecordToCells();
  return ColumnTexts[1] + " ";
}

void TfPozri::RecordToCells() { ColumnTexts[1] = VisibleText(viewLine_); }

std::string TfPozri::RecordSearchText(std::int32_t n) { return browser::SearchForm(RecordToColumns(n)); }

// ---------------------------------------------------------------- whole-file operations

void TfPozri::PozriScrambleAll() {
  if (RefusedWhileCopyLeft()) return;
  for (std::int32_t n = 1; n <= Count; ++n) WriteRawLine(n, common::ScrambleText(ReadRawLine(n), Key()));
}

void TfPozri::PozriUnscrambleAll() {
  if (RefusedWhileCopyLeft()) return;
  for (std::int32_t n = 1; n <= Count; ++n) WriteRawLine(n, common::UnscrambleText(ReadRawLine(n), Key()));
}

void TfPozri::Recode(bool toWindows) {
  if (RefusedWhileCopyLeft()) return;
  for (std::int32_t n = 1; n <= Count; ++n) {
    const std::string line = ReadLine(n);
    WriteLine(n, toWindows ? common::KamenickyToCp1250(line) : common::Cp1250ToKamenicky(line));
  }
  Repaint();
}

// A new report beside the old one, then one replacing step: the report is never erased first.
void TfPozri::Rewrite(const Insert& insert, bool dropMarked) {
  // A report the viewer may only read is not replaced either: said why.
  if (RefusedWhileCopyLeft()) return;
  const std::size_t record = static_cast<std::size_t>(LineWidth) + 2;
  common::FileReplacement replacement;
  int code = replacement.Begin(DataFilePath);
  std::string out, raw(record, '\0');
  std::uint64_t at = 0;
  const auto flush = [&](bool always) {
    if (code == 0 && (always || out.size() >= (1u << 16))) {
      code = replacement.file().WriteAt(at, out.data(), out.size());
      at += out.size();
      out.clear();
    }
  };
  const auto put = [&] {
    for (const std::string& text : insert.lines) {
      std::string bytes = Fit(text, LineWidth);
      if (Scrambling()) bytes = common::ScrambleText(bytes, Key());
      out += bytes + "\r\n";
    }
  };
  ProgressBar1.SetRange(0, std::max<std::int32_t>(Count, 1));
  ProgressBar1.Show();
  for (std::int32_t n = 1; n <= Count && code == 0; ++n) {
    if (n == insert.before) put();
    if (n % 4096 == 0) ProgressBar1.SetPosition(n);
    if (dropMarked && TfRol::IsMarked(n)) continue;
    code = DataFile().ReadAt(static_cast<std::uint64_t>(n - 1) * record, raw.data(), record);
    out += raw;
    flush(false);
  }
  if (insert.before > Count) put();
  // The bytes after the last whole record (a last line without its line end) stay last.
  std::uint64_t size = 0;
  if (code == 0) code = DataFile().Size(size);
  const std::uint64_t whole = static_cast<std::uint64_t>(std::max<std::int32_t>(Count, 0)) * record;
  if (code == 0 && size > whole) {
    std::string tail(static_cast<std::size_t>(size - whole), '\0');
    code = DataFile().ReadAt(whole, tail.data(), tail.size());
    out += tail;
  }
  flush(true);
  ProgressBar1.Hide();
  const std::int32_t keep = Current;
  if (code == 0) {
    DataFileClose();
    code = replacement.Commit();
  }
  if (code != 0) {
    replacement.Abort();
    common::FileErrorMessage(" pise soubor: ", ReportName, code);
  }
  if (!DataFileUsable()) DataFileOpen();
  TfRol::ClearMarks();
  RowsPerPage = std::min(MaxRowsPerPage, Count);
  if (Count > 0) GoToRecord(std::clamp<std::int32_t>(keep, 1, Count), 0);
  else RepaintPage();
}

// ---------------------------------------------------------------- keys

void TfPozri::ShowHelp(int) {
  const std::string current = ReportName;
  const std::string help = common::ProgDir("\\2\\spool.hhh");
  if (common::CheckFile(help) < 3) return;
  PozriSwitchFile(help);
  PreviousName = current;
  GridColor = kPozriHelpColor;
  Repaint();
}

void TfPozri::KeyF2() {
  const browser::ChoiceResult r =
      browser::ShowVyber(1, 1, nullptr, Cz("Počet znaků na řádku"), {"80             ", "100", "130"});
  common::WriteParam(kRegistryFile, "Hustota", common::FormatNumberMask("##", r.chosen > 0 ? r.chosen : 1));
}

void TfPozri::ShowReportList() {
  std::string name = "*.txt";
  if (ChooseFile(Cz("Vyber novou sestavu"), "*.txt", name) && !name.empty()) {
    PreviousName.clear();
    PozriSwitchFile(name);
  }
}

void TfPozri::NewRecord() {
  std::string answer = "    ";
  if (!browser::AskString(1, 1, "List", answer)) return;
  const std::int32_t wanted = common::TextToInt(answer);
  const std::string help = lHelp.text();
  lHelp.SetText(Cz("Hledám list č. ") + answer);
  const std::int32_t start = std::clamp<std::int32_t>(Current, 1, std::max<std::int32_t>(Count, 1));
  std::int32_t found = start, n = start;
  int window = 0;
  static const char* const kMarks[] = {"L:", "L :", "List:", "List :"};
  for (std::int32_t step = 0; step < Count; ++step) {
    if (step > 0 && step % 1000 == 0) {
      lHelp.SetVisible(!lHelp.visible());
      lKolik.SetText(common::FormatNumberMask("######", Count) + "/" + common::FormatNumberMask("######", n));
    }
    const std::string line = ReadLine(n);
    if (!line.empty() && line.front() == kFormFeed) window = 4;
    if (window > 0) {
      --window;
      for (const char* mark : kMarks) {
        const int p = common::Pos(mark, line);
        if (p == 0) continue;
        if (common::TextToInt(common::Copy(line, p + static_cast<int>(std::string_view(mark).size()), 4)) == wanted) {
          found = n;
          step = Count;
        }
        break;
      }
    }
    if (step < Count) n = n >= Count ? 1 : n + 1;
  }
  lHelp.SetVisible(true);
  lHelp.SetText(help);
  if (Count > 0) GoToRecord(found, 1);
}

void TfPozri::KeyF5() {
  std::string text = common::AlignText(common::StripLeftSp(common::ReadParam(kRegistryFile, "OpakovatTisk")), "P", " ", 3);
  if (browser::AskString(1, 1, Cz("Zadejte počet opakování tisku"), text))
    common::WriteParam(kRegistryFile, "OpakovatTisk", text);
}

void TfPozri::EditRecord() {
  const int row = CursorRow();
  const std::string key = common::Copy(caption(), 1, 15);
  const int top = sgRol.top() + row * sgRol.rowHeight();
  common::WriteParam("par\\okna2.par", key + " AktTop", common::FormatNumberMask("@@@@@", top + this->top()));
  common::WriteParam("par\\okna2.par", key + " AktLeft", common::FormatNumberMask("@@@@@", sgRol.left() + left()));
  common::WriteParam("par\\okna2.par", key + " AktHeight", common::FormatNumberMask("@@@@@", sgRol.rowHeight()));
  if (Current < 1 || Current > Count || RefusedWhileCopyLeft()) return;
  const std::int32_t n = Current;
  std::string text = ReadLine(n);
  const ui::Color saved = GridColor;
  sgRol.SetColor(kPozriEditColor);
  int end = 0;
  const int visible = std::max(width() / 8 - 3, 1);
  if (ViewerHooks().editLine) {
    end = ViewerHooks().editLine(text, visible);
  } else {
    browser::TfEdituj& editor = browser::fEdituj();
    editor.init(sgRol.left() + left(), top + this->top(), 1, visible, 1, text);
    editor.ShowModal();
    text = editor.EditText;
    end = editor.EndKey;
  }
  sgRol.SetColor(saved);
  if (end == vk::Enter || end == vk::Down || end == vk::Up) WriteLine(n, text);
  Repaint();
}

void TfPozri::KeyF6(std::int32_t) { EditRecord(); }

void TfPozri::KeyF7(std::int32_t current) {
  Insert insert;
  insert.before = std::max(current, 1);
  insert.lines.push_back(std::string(static_cast<std::size_t>(LineWidth), ' '));
  Rewrite(insert, false);
}

void TfPozri::DeleteRecord(std::int32_t current) {
  if (Count <= 1 || current < 1 || current > Count) return;
  if (!TfRol::IsMarked(current)) ToggleMark(current);
  Rewrite({}, true);
}

void TfPozri::KeyCtrlF7() {
  if (RefusedWhileCopyLeft()) return;  // no text is typed for a report that is not written
  const int row = std::max(CursorRow(), 1);
  Memo1.SetBounds(sgRol.left() + 12, sgRol.top() + (row + 1) * sgRol.rowHeight(), std::max(sgRol.width() - 30, 100),
                  6 * sgRol.rowHeight());
  std::string stamp = common::TodayText() + " " + common::TimeText12() + " **********************";
  Memo1.SetLines({stamp.substr(0, 40)});
  Memo1.Show();
  FocusControl(&Memo1);
}

void TfPozri::MemoKeyDown(int& key) {
  if (key != vk::Esc) return;
  key = 0;
  Memo1.Hide();
  FocusControl(&sgRol);
  Insert insert;
  insert.before = std::max<std::int32_t>(Current, 1);
  for (const std::string& line : Memo1.lines()) insert.lines.push_back(common::AlignText(line, "L", " ", LineWidth));
  if (!insert.lines.empty()) Rewrite(insert, false);
}

void TfPozri::KeyCtrlSpace() {
  if (Current < 1 || Current > Count || RefusedWhileCopyLeft()) return;
  WriteRawLine(Current, common::ScrambleText(ReadRawLine(Current), Key()));
  Repaint();
}

void TfPozri::KeyAltSpace() {
  if (Current < 1 || Current > Count || RefusedWhileCopyLeft()) return;
  WriteRawLine(Current, common::UnscrambleText(ReadRawLine(Current), Key()));
  Repaint();
}

void TfPozri::LetterKey(int code) {
  if (code != vk::Letter('P') || Current < 1 || Current > Count || LineWidth < 1 || RefusedWhileCopyLeft()) return;
  std::string line = ReadLine(Current);
  line[0] = kFormFeed;
  WriteLine(Current, line);
}

void TfPozri::EnableMenuItems() { miZasifruj.enabled = miDesifruj.enabled = true; }

void TfPozri::EditFormBuilt() { sgRol.SetColor(kPozriEditColor); }

void TfPozri::KeyCtrlF9() { browser::ShowCalculator(0); }

// ---------------------------------------------------------------- printing

void TfPozri::PrintSafely(const std::function<void()>& print) {
  try {
    print();
  } catch (const ui::DriverError&) {
    throw;
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" pise soubor: ", e.file, e.code);
  } catch (const std::exception& e) {
    common::MessageOk(e.what());
  }
  Repaint();
}

void TfPozri::KeyF9(std::int32_t) {
  PrintSafely([this] {
    if (const int code = PozriPrintLpt(Source()))
      common::MessageOk("LPT" + std::to_string(JobPort()) + " err " + common::FormatNumberMask("######", code));
  });
}

void TfPozri::PrintListing(std::int32_t) {
  PrintSafely([this] { PozriPrintReport(Source(), ReportName); });
}

void TfPozri::ClearSortOrder() {
  PrintSafely([this] { PozriSpoolPrint(Source()); });
}

void TfPozri::KeyShiftF10() {
  PrintSafely([this] { PozriPrintWithStamp(Source()); });
}

void TfPozri::Foto() {
  PrintSafely([this] {
    common::ForceDirs(common::DataDir("DOKLADYx\\"));
    FormSnapshot(*this, common::DataDir("DOKLADYx\\AAA.jpg"), 1);
    common::MessageOk("Hotovo");
  });
}

void TfPozri::KeyF12(std::int32_t) {
  PrintSafely([] { common::ThrowIfError(PrintFileToLpt(JobPort()), "suple.txt"); });
}

void TfPozri::KeyCtrlF5() {
  PrintSafely([] { common::ThrowIfError(SendToPort(JobPort(), std::string(1, kFormFeed)), "LPT"); });
}

void TfPozri::KeyAltF5() {
  PrintSafely([] { common::ThrowIfError(SendToPort(JobPort(), "\r\n"), "LPT"); });
}

// ---------------------------------------------------------------- sections and copies

void TfPozri::KeyCtrlF6() { Section(false); }
void TfPozri::KeyAltF6() { Section(true); }

void TfPozri::Section(bool translate) {
  std::int32_t from = std::max<std::int32_t>(Current, 1), to = Count;
  if (TfRol::BlockBegin > 0) {
    from = TfRol::BlockBegin;
    if (TfRol::BlockEnd > 0) to = std::min(TfRol::BlockEnd, Count);
  }
  if (translate) {
    std::string number = common::StripRightSp(common::StripLeftSp(common::GetJob("SLOVNIK")));
    if (number.empty()) number = "1";
    if (ViewerHooks().openDictionary) ViewerHooks().openDictionary("slov" + number + ".dta");
  }
  const std::string title =
      translate ? Cz("Urči, kam preložený úsek zapsat (.TXT)") : Cz("Urči, kam úsek zapsat (.TXT)");
  std::string target;
  bool append = false;
  for (;;) {
    std::string name = common::ReadParam(kRegistryFile, kSectionKey);
    if (name.empty()) name = common::DataDir("aaa");
    if (!ChooseFile(title, "*.txt", name) || name.empty()) return;
    common::WriteParam(kRegistryFile, kSectionKey, name);
    target = SectionTarget(name);
    if (SameFile(target, ReportName)) {
      common::MessageOk(Cz("Určete jiný soubor, nemůžu přepsat sám sebe"));
      continue;
    }
    if (common::CheckFile(target) > 2) {
      const browser::ChoiceResult r =
          browser::ShowVyber(1, 1, nullptr, Cz("Soubor ") + target + Cz(" již existuje"),
                             {Cz("Přepsat                                "), Cz("Připojit"), Cz("Nová volba")});
      if (r.chosen == 1) break;
      if (r.chosen == 2) {
        append = true;
        break;
      }
      continue;
    }
    break;
  }
  browser::ShowBlik(translate ? Cz("Čekejte - překládám ") : Cz("Čekejte - pracuji "));
  std::string out;
  for (std::int32_t n = from; n <= to; ++n) {
    std::string line = ReadLine(n);
    if (translate && ViewerHooks().translate) line = ViewerHooks().translate(line);
    line = Fit(line, kSectionWidth);
    if (Scrambling()) line = common::ScrambleText(line, Key());
    out += line + "\r\n";
  }
  int code = 0;
  if (append) {
    common::File f;
    std::uint64_t size = 0;
    code = f.Open(target, common::kModeReadWrite);
    if (code == 0) code = f.Size(size);
    if (code == 0) code = f.WriteAt(size, out.data(), out.size());
    if (const int closed = f.Close(); code == 0) code = closed;
  } else {
    code = common::ReplaceFileContents(target, out);
  }
  browser::CloseBlik();
  if (code != 0)
    common::FileErrorMessage(" pise soubor: ", target, code);
}

void TfPozri::KeyAltF9() {
  std::string answer = "    1";
  if (!browser::AskString(1, 1, Cz("Kolik řádků vytisknout"), answer)) return;
  std::int32_t k = common::TextToInt(answer);
  if (k < 1 || k > Current + 180 || Current < 1) return;
  k = std::min(k, Count - Current + 1);
  if (k < 1) return;
  common::tTxt t;
  common::TxtOpen(t, "doklad.txt");
  if (!t.file.IsOpen()) return;
  for (std::int32_t i = 0; i < k; ++i) common::TxtWriteLine(t, i + 1, ReadLine(Current + i));
  common::TxtClose(t);
  common::MessageOk(Cz("Doklad je vytvořen v tiscích"));
}

// ---------------------------------------------------------------- the program's two viewers

namespace {
// Kept to the program's end; tests destroy them.
TfPozri*& Slot(int i) {
  static TfPozri* viewers[2] = {nullptr, nullptr};
  return viewers[i];
}

// The print entry's view of a viewer, which is made on first use.
class LazyViewer : public browser::ReportViewer {
 public:
  explicit LazyViewer(int i) : i_(i) {}
  void SetupReport(const std::string& fileName) override { V().SetupReport(fileName); }
  void SetLastKey(int key) override { V().SetLastKey(key); }
  int LastKey() const override { return V().LastKey(); }
  void ShowReport() override { V().ShowReport(); }
  void SetCurrentRecord(int record) override { V().SetCurrentRecord(record); }
  void CloseBrowse() override { V().CloseBrowse(); }
  bool Shown() const override { return V().Shown(); }
  std::string SettingsName() const override { return V().SettingsName(); }

 private:
  browser::ReportViewer& V() const { return (i_ == 0 ? fPozri() : fPozri2()).Viewer(); }
  int i_;
};
}  // namespace

TfPozri& fPozri() {
  if (!Slot(0)) Slot(0) = new TfPozri("fPozri");
  return *Slot(0);
}

TfPozri& fPozri2() {
  if (!Slot(1)) Slot(1) = new TfPozri("fPozri2");
  return *Slot(1);
}

void DestroyReportWindows() {
  DestroySpoolWindows();
  for (int i = 0; i < 2; ++i) {
    delete Slot(i);
    Slot(i) = nullptr;
  }
}

void InstallReportServices() {
  static LazyViewer first(0), second(1);
  browser::SetReportServices(&first, &second, &TheReportOutput());
  browser::PrintFontsHook() = [] { fFontyTisky().Open(); };
  browser::RolHooks().showReportList = ShowReportListModal;
}

}  // namespace reports
