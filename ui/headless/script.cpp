#include "ui/headless/script.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

#include "common/encoding.h"

namespace ui::headless {

const char* ScriptHelp() {
  return R"(Script commands (one a line; "#" starts a comment; words with blanks in "quotes"):
  open NAME [ARGS]          open a window the way its caller does (see --list)
  key KEY [KEY ...]         press keys: F4, Ctrl+F2, Shift+Tab, Alt+F10, Esc, Enter,
                            Tab, Space, Up, Down, Left, Right, PgUp, PgDn, Home, End,
                            Ins, Del, Backspace, A..Z, 0..9, Num0..Num9, Num+, Num-,
                            Num*, Num/, Ctrl, Shift, Alt (alone), #NNN (raw key code)
  type TEXT                 type the characters of TEXT (rest of the line, or "quoted")
  answer ok|yes|no|cancel|retry
                            answer the message box the previous command opened
  answer font NAME SIZE [bold] [italic] [#RRGGBB]
  answer colour #RRGGBB     answer the font or colour dialog
  answer file PATH | folder PATH | printer NAME
                            answer the open-file, folder or print dialog
  answer menu INDEX|NAME    choose from the popup menu the previous command opened
                            (an "answer" right after the command that asks; without
                            one a message box takes its first button, a dialog or a
                            menu is cancelled)
  click CONTROL             left click in the middle of a control
  dblclick CONTROL          double click
  rclick CONTROL [ctrl] [shift]
                            right click, optionally with Ctrl and/or Shift held
  focus CONTROL             move the focus to a control
  item LIST INDEX           click item INDEX (from 0) of a list box
  dblitem LIST INDEX        double click it
  choose COMBO INDEX        choose item INDEX of a combo box
  cell GRID COL ROW         click a grid cell;  dblcell GRID COL ROW  double click it
  drag CONTROL X1 Y1 X2 Y2  press at X1,Y1 of the control, drag, release at X2,Y2
  menu ITEM                 choose an item (or an entry without items) of the active
                            window's menu bar, by its name or caption
  close                     the active window's close button
  activate FORM             make a shown window the active one
  advance TIME              move the clock on (500, 500ms, 30s, 2min), firing timers
  expect-form NAME          stop with an error unless NAME is the active window
  snapshot [geometry] [hidden]
                            print the active window: caption, controls, texts, grid
  echo TEXT                 print TEXT
CONTROL is a control of the active window (its own name: the window itself), or
FORM.CONTROL. A command that opens a modal window hands the next commands to it
until it closes. Keys and typed text
go, one at a time, to the window active when each is taken: keys after one that
opens a window go to that window. Windows still open at the end of the script are
closed as by Esc, and the script fails; so do keys left with no window.
)";
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

int ToInt(const std::string& word, const char* what) {
  int v = 0;
  auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (ec != std::errc{} || ptr != word.data() + word.size())
    throw HeadlessError(std::string("expected a number for ") + what + ", got \"" + word + "\"");
  return v;
}

Color ParseColor(const std::string& word) {
  std::string hex = word.starts_with("#") ? word.substr(1) : word;
  unsigned v = 0;
  auto [ptr, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
  if (hex.size() != 6 || ec != std::errc{} || ptr != hex.data() + hex.size())
    throw HeadlessError("expected a colour #RRGGBB, got \"" + word + "\"");
  return Rgb(static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF));
}

}  // namespace

std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        word += line[i++];
      }
      if (i >= line.size()) throw HeadlessError("unclosed quote");
      ++i;
    } else {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::int64_t ParseDuration(std::string_view text) {
  std::string t(text);
  std::int64_t factor = 1;
  for (auto [suffix, f] : {std::pair{"min", 60000}, std::pair{"ms", 1}, std::pair{"s", 1000}})
    if (t.size() > std::string_view(suffix).size() && t.ends_with(suffix)) {
      t.resize(t.size() - std::string_view(suffix).size());
      factor = f;
      break;
    }
  std::int64_t v = 0;
  auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc{} || ptr != t.data() + t.size() || v < 0)
    throw HeadlessError("expected a time such as 500ms or 30s, got \"" + std::string(text) + "\"");
  return v * factor;
}

Answer ParseAnswer(std::string_view text) {
  auto words = SplitWords(text);
  if (words.empty()) throw HeadlessError("an empty answer");
  std::string kind = Lower(words[0]);
  auto arg = [&](std::size_t i, const char* what) -> const std::string& {
    if (i >= words.size()) throw HeadlessError(std::string("the answer needs ") + what);
    return words[i];
  };
  if (kind == "ok") return Answer::ButtonAnswer(mr::Ok);
  if (kind == "yes") return Answer::ButtonAnswer(mr::Yes);
  if (kind == "no") return Answer::ButtonAnswer(mr::No);
  if (kind == "retry") return Answer::ButtonAnswer(mr::Retry);
  if (kind == "cancel") return Answer::CancelAnswer();
  if (kind == "font") {
    Font f;
    f.name = common::Utf8ToWin1250(arg(1, "a font name"));
    f.size = ToInt(arg(2, "a font size"), "the font size");
    f.color = colors::Black;
    for (std::size_t i = 3; i < words.size(); ++i) {
      std::string w = Lower(words[i]);
      if (w == "bold") f.bold = true;
      else if (w == "italic") f.italic = true;
      else if (w == "underline") f.underline = true;
      else f.color = ParseColor(words[i]);
    }
    return Answer::FontAnswer(f);
  }
  if (kind == "colour" || kind == "color") return Answer::ColorAnswer(ParseColor(arg(1, "a colour")));
  if (kind == "file") return Answer::FileAnswer(arg(1, "a file"));
  if (kind == "folder") return Answer::FolderAnswer(arg(1, "a folder"));
  if (kind == "printer") return Answer::PrinterAnswer(arg(1, "a printer name"));
  if (kind == "menu") {
    const std::string& item = arg(1, "a menu item");
    if (!item.empty() && std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return Answer::MenuAnswer(ToInt(item, "the menu item"));
    return Answer::MenuAnswer(common::Utf8ToWin1250(item));
  }
  throw HeadlessError("unknown answer \"" + words[0] + "\"");
}

// ---------------------------------------------------------------- runner

ScriptRunner::ScriptRunner(HeadlessBackend& backend, std::ostream& out) : backend_(backend), out_(out) {
  previousJournal_ = backend_.onJournal;
  backend_.onJournal = [this](const std::string& line) {
    out_ << line << "\n";
    if (previousJournal_) previousJournal_(line);
  };
  backend_.scriptPump = [this] { return Step(); };
  backend_.scriptAnswer = [this] { return TakeAnswer(); };
}

ScriptRunner::~ScriptRunner() {
  backend_.scriptPump = nullptr;
  backend_.scriptAnswer = nullptr;
  backend_.onJournal = previousJournal_;
}

void ScriptRunner::AddOpener(const std::string& name, Opener open) { openers_[Lower(name)] = std::move(open); }

void ScriptRunner::AddOpener(const std::string& name, std::function<void()> open) {
  AddOpener(name, [open = std::move(open)](const std::vector<std::string>&) { open(); });
}

std::vector<std::string> ScriptRunner::OpenerNames() const {
  std::vector<std::string> names;
  for (const auto& [name, open] : openers_) names.push_back(name);
  return names;
}

void ScriptRunner::Run(std::string_view script) {
  lines_.clear();
  next_ = 0;
  backend_.scriptEnded = false;
  std::istringstream in{std::string(script)};
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    lines_.push_back({number, text.substr(first)});
  }
  backend_.leftOpen.clear();
  while (Step()) {
  }
  if (!backend_.leftOpen.empty()) {
    std::string names;
    for (const auto& n : backend_.leftOpen) names += (names.empty() ? "" : ", ") + n;
    throw ScriptError(lines_.empty() ? 0 : lines_.back().number, "the script ended with " + names + " still open");
  }
}

bool ScriptRunner::AtEnd() {
  if (next_ < lines_.size()) return false;
  backend_.scriptEnded = true;
  return true;
}

namespace {
// An error of a script step, at its line; a wrong answer at the answer's own line.
ScriptError AtLine(int stepLine, const std::exception& e) {
  const auto* answer = dynamic_cast<const AnswerError*>(&e);
  return ScriptError(answer && answer->line > 0 ? answer->line : stepLine, e.what());
}
}  // namespace

bool ScriptRunner::Step() {
  if (backend_.KeysPending()) {
    try {
      backend_.DrainKeys();
    } catch (const ScriptError&) {
      throw;
    } catch (const std::exception& e) {
      throw AtLine(next_ ? lines_[next_ - 1].number : 0, e);
    }
    return true;
  }
  if (AtEnd()) return false;
  const Line& line = lines_[next_++];
  out_ << "> " << line.text << "\n";
  try {
    Execute(line);
  } catch (const ScriptError&) {
    throw;
  } catch (const std::exception& e) {
    throw AtLine(line.number, e);
  }
  return true;
}

std::optional<Answer> ScriptRunner::TakeAnswer() {
  if (next_ >= lines_.size()) return std::nullopt;
  const Line& line = lines_[next_];
  auto words = SplitWords(line.text);
  if (words.empty() || Lower(words[0]) != "answer") return std::nullopt;
  ++next_;
  out_ << "> " << line.text << "\n";
  auto at = line.text.find_first_of(" \t");
  try {
    Answer answer = ParseAnswer(at == std::string::npos ? std::string_view() : std::string_view(line.text).substr(at + 1));
    answer.line = line.number;
    return answer;
  } catch (const std::exception& e) {
    throw ScriptError(line.number, e.what());
  }
}

Control& ScriptRunner::FindControl(const std::string& name) const {
  Form* form = &backend_.Active();
  std::string control = name;
  if (auto dot = name.find('.'); dot != std::string::npos) {
    std::string formName = name.substr(0, dot);
    form = nullptr;
    for (Form* f : ShownForms())
      if (Lower(f->name()) == Lower(formName)) form = f;
    if (!form) throw HeadlessError("no shown window " + formName);
    control = name.substr(dot + 1);
  }
  Control* c = Lower(control) == Lower(form->name()) ? form : form->Find(control);
  if (!c) throw HeadlessError("window " + form->name() + " has no control " + control);
  return *c;
}

void ScriptRunner::Execute(const Line& line) {
  auto words = SplitWords(line.text);
  std::string cmd = Lower(words[0]);
  auto arg = [&](std::size_t i) -> const std::string& {
    if (i >= words.size()) throw HeadlessError(cmd + " needs more arguments");
    return words[i];
  };
  auto rest = [&]() {
    auto at = line.text.find_first_of(" \t");
    std::string r = at == std::string::npos ? std::string() : line.text.substr(at + 1);
    if (r.size() >= 2 && r.front() == '"' && r.back() == '"') return SplitWords(r).at(0);
    return r;
  };
  auto as = [&](std::size_t i, ControlKind kind) -> Control& {
    Control& c = FindControl(arg(i));
    if (c.kind() != kind) throw HeadlessError(c.name() + " is not a " + KindName(kind));
    return c;
  };

  if (cmd == "open") {
    auto it = openers_.find(Lower(arg(1)));
    if (it == openers_.end()) throw HeadlessError("nothing to open named " + arg(1));
    std::vector<std::string> args;
    for (std::size_t i = 2; i < words.size(); ++i) args.push_back(common::Utf8ToWin1250(words[i]));
    it->second(args);
  } else if (cmd == "key") {
    if (words.size() < 2) throw HeadlessError("key needs a key name");
    std::vector<KeyStroke> keys;
    for (std::size_t i = 1; i < words.size(); ++i) {
      auto key = ParseKey(words[i]);
      if (!key) throw HeadlessError("unknown key " + words[i]);
      keys.push_back(*key);
    }
    backend_.Press(keys);
  } else if (cmd == "type") {
    backend_.Type(common::Utf8ToWin1250(rest()));
  } else if (cmd == "answer") {
    throw HeadlessError("nothing is asking for an answer");
  } else if (cmd == "click") {
    backend_.Click(FindControl(arg(1)));
  } else if (cmd == "dblclick") {
    backend_.DoubleClick(FindControl(arg(1)));
  } else if (cmd == "rclick") {
    Shift shift = Shift::None;
    for (std::size_t i = 2; i < words.size(); ++i) {
      std::string m = Lower(words[i]);
      if (m == "ctrl") shift |= Shift::Ctrl;
      else if (m == "shift") shift |= Shift::Shift;
      else if (m == "alt") shift |= Shift::Alt;
      else throw HeadlessError("unknown modifier " + words[i]);
    }
    backend_.RightClick(FindControl(arg(1)), shift);
  } else if (cmd == "focus") {
    backend_.Focus(FindControl(arg(1)));
  } else if (cmd == "item" || cmd == "dblitem") {
    auto& list = static_cast<ListBox&>(as(1, ControlKind::ListBox));
    int index = ToInt(arg(2), "the item");
    cmd == "item" ? backend_.ClickItem(list, index) : backend_.DoubleClickItem(list, index);
  } else if (cmd == "choose") {
    backend_.ChooseItem(static_cast<ComboBox&>(as(1, ControlKind::ComboBox)), ToInt(arg(2), "the item"));
  } else if (cmd == "cell" || cmd == "dblcell") {
    auto& grid = static_cast<Grid&>(as(1, ControlKind::Grid));
    int col = ToInt(arg(2), "the column"), row = ToInt(arg(3), "the row");
    cmd == "cell" ? backend_.ClickCell(grid, col, row) : backend_.DoubleClickCell(grid, col, row);
  } else if (cmd == "drag") {
    backend_.Drag(FindControl(arg(1)), {ToInt(arg(2), "x1"), ToInt(arg(3), "y1")},
                  {ToInt(arg(4), "x2"), ToInt(arg(5), "y2")});
  } else if (cmd == "menu") {
    backend_.ChooseMenu(backend_.Active(), common::Utf8ToWin1250(rest()));
  } else if (cmd == "close") {
    backend_.CloseWindow(backend_.Active());
  } else if (cmd == "activate") {
    Form* form = nullptr;
    for (Form* f : ShownForms())
      if (Lower(f->name()) == Lower(arg(1))) form = f;
    if (!form) throw HeadlessError("no shown window " + arg(1));
    form->UserActivate();
  } else if (cmd == "advance") {
    backend_.Advance(ParseDuration(arg(1)));
  } else if (cmd == "expect-form") {
    Form& f = backend_.Active();
    if (Lower(f.name()) != Lower(arg(1)))
      throw HeadlessError("the active window is " + f.name() + ", not " + arg(1));
  } else if (cmd == "snapshot") {
    SnapshotOptions options;
    for (std::size_t i = 1; i < words.size(); ++i) {
      std::string o = Lower(words[i]);
      if (o == "geometry") options.geometry = true;
      else if (o == "hidden") options.hidden = true;
      else throw HeadlessError("unknown snapshot option " + words[i]);
    }
    out_ << Snapshot(backend_.Active(), options);
  } else if (cmd == "echo") {
    out_ << rest() << "\n";
  } else {
    throw HeadlessError("unknown command " + words[0]);
  }
}

}  // namespace ui::headless
