#include "payroll/jhbuild.h"

#include <algorithm>
#include <map>
#include <set>

#include <pugixml.hpp>

#include "common/codepages.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/small.h"
#include "common/text.h"
#include "common/winpath.h"
#include "payroll/jhvyk.h"
#include "payroll/prrol.h"
#include "payroll/xmltemplate.h"

namespace payroll {

namespace {

const std::string kFifty(50, ' ');

std::string Template(const std::string& name) { return common::ProgDir("\\MZ8\\jmhz\\" + name); }
std::string Work(const std::string& name) { return common::DataDir("\\JH\\" + name); }

bool Blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// n with leading zeros in at least width places.
std::string Digits(int n, std::size_t width) {
  std::string s = std::to_string(n);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s;
}

void Say(const StatusText& status, const std::string& text) {
  if (status) status(text);
}

void Check(int code, const std::string& file, const char* action) {
  if (code) throw common::IoError(code, file, action);
}

void EraseAll(const std::vector<std::string>& names) {
  for (const std::string& n : names) common::EraseFiles(n);
}

// The flags of the term numbers (characters 3-5 of a key) that belong to a document.
class TermFilter {
 public:
  TermFilter(const TermIndex& terms, std::string Term::*mark) : flags_(1001, false) {
    for (const Term& t : terms.all()) {
      const int n = Number(t.key);
      if (t.*mark == "1" && n >= 0 && n <= 1000) flags_[static_cast<std::size_t>(n)] = true;
    }
  }
  bool Has(const std::string& key) const {
    const int n = Number(key);
    return n >= 0 && n <= 1000 && flags_[static_cast<std::size_t>(n)];
  }

 private:
  static int Number(const std::string& key) { return common::TextToInt(common::Copy(key, 3, 3)); }
  std::vector<bool> flags_;
};

// Value files cut from rows: each new file starts empty, even under a name used before.
// A value never spans lines: its CR and LF become blanks.
class ValueFiles {
 public:
  void Start(const std::string& name) {
    current_ = &files_[name];
    current_->clear();
  }
  void Add(const std::string& key, const std::string& value) {
    if (current_) AddTo(*current_, key, value);
  }
  static void AddTo(std::string& file, const std::string& key, const std::string& value) {
    file += OneLine(key) + " : " + OneLine(common::StripRightSp(value)) + "\r\n";
  }
  void Put(const std::string& name, std::string content) {
    files_[name] = std::move(content);
    current_ = nullptr;
  }
  void Write() const {
    for (const auto& [name, content] : files_) WriteScratchFile(Work(name), content);
  }
  // The text of a file cut so far; empty when there is none.
  const std::string& Content(const std::string& name) const {
    static const std::string none;
    const auto it = files_.find(name);
    return it == files_.end() ? none : it->second;
  }

 private:
  static std::string OneLine(std::string text) {
    for (char& c : text)
      if (c == '\r' || c == '\n') c = ' ';
    return text;
  }
  std::map<std::string, std::string> files_;
  std::string* current_ = nullptr;
};

// Stops the build with a message naming the template that is missing or empty.
bool TemplatesPresent(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const std::string path = Template(name);
    if (common::CheckFile(path) <= 2) {
      common::MessageOk(common::Cz("Chybí šablona ") + common::ShownPath(path) + common::Cz(", dokument se netvoří."));
      return false;
    }
  }
  return true;
}

// The document being built, under a name beside its final one; put in place by Finish
// once it parses, erased when the build stops on an error.
class Building {
 public:
  explicit Building(std::string output) : output_(std::move(output)), path_(output_ + ".new") {
    common::EraseFiles(path_);
  }
  ~Building() {
    if (!done_ && !keep_) common::EraseFiles(path_);
  }
  Building(const Building&) = delete;
  Building& operator=(const Building&) = delete;
  // Writes the document (Windows-1250 lines) in UTF-8 with CR LF line ends; false
  // (shown) when what was written does not parse, which then stays under its work name.
  bool Finish(const std::vector<std::string>& lines) {
    std::string written;
    for (const std::string& line : lines) written += common::Cp1250ToUtf8(line) + "\r\n";
    // On disk before it takes the final name, so that a crash leaves the old document or the new.
    common::File f;
    Check(f.Create(path_, common::kModeReadWrite), path_, "write");
    Check(f.WriteWhole(written), path_, "write");
    Check(f.Sync(), path_, "write");
    Check(f.Close(), path_, "write");
    std::string text;
    Check(common::ReadFileText(path_, text), path_, "read");
    pugi::xml_document doc;
    const pugi::xml_parse_result r =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_declaration, pugi::encoding_utf8);
    if (!r) {
      const auto upto = static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, r.offset));
      const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(upto, text.size())), '\n');
      keep_ = true;
      common::MessageOk(common::Cz("Dokument ") + path_ + common::Cz(" není platné XML (řádek ") + std::to_string(line) +
                        ": " + r.description() + common::Cz("), ") + output_ + common::Cz(" zůstává beze změny."));
      return false;
    }
    Check(common::ReplaceFileFrom(path_, output_), output_, "write");
    done_ = true;
    return true;
  }

 private:
  std::string output_, path_;
  bool done_ = false, keep_ = false;
};

std::string ReadRows(const std::string& file) {
  std::string data;
  Check(common::ReadFileText(file, data), file, "read");
  return data;
}

// The payroll module's templates, each read once for a build.
class Templates {
 public:
  struct Text {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Text& Get(const char* name) {
    auto [it, added] = texts_.try_emplace(name);
    if (added) {
      const std::string path = Template(name);
      if (common::CheckFile(path) > 0) Check(common::ReadFileText(path, it->second.bytes), path, "read");
      it->second.lines = SplitLines(it->second.bytes);
    }
    return it->second;
  }

 private:
  std::map<std::string, Text> texts_;
};

// A work file that shows the last fragment made into it: written once, at the end.
class WorkFile {
 public:
  explicit WorkFile(const char* name) : name_(name) {}
  void Set(const std::vector<std::string>& lines) {
    text_.clear();
    AppendNonBlank(lines, text_);
    present_ = !lines.empty();
  }
  void SetText(std::string text) {
    text_ = std::move(text);
    present_ = true;
  }
  void Clear() { present_ = false; }
  void Write() const {
    if (present_) WriteScratchFile(Work(name_), text_);
  }

 private:
  const char* name_;
  std::string text_;
  bool present_ = false;
};

template <class Work>
bool Guarded(Work work) {
  try {
    return work();
  } catch (const common::IoError& e) {
    ShowTemplateIoError(e);
    return false;
  }
}

struct Employee {
  std::string identifier, kind;
};

// The employees by personal number (the first record of each), read once; false when a
// record could not be read or the file may not be carried (said).
bool ReadEmployees(std::map<std::string, Employee>& employees) {
  Tfpr_rol& w = fpr_rol();
  w.SetupPr_rol(kEmployeeFile);
  bool read = w.MayCarry();
  for (std::int32_t n = 1; read && n <= w.Count; ++n) {
    w.RecordRead(n);
    if (!(read = w.lastIoOk())) break;
    employees.try_emplace(w.FieldOf(w.RecordBuffer, 1), Employee{w.IdentifierOfRecord(), w.FieldOf(w.RecordBuffer, 35)});
  }
  w.CloseBrowse();
  return read;
}

// The contract-kind letter from the employee's "Druh čin." field.
std::string ContractKind(const std::string& kind) {
  std::string k = common::Copy(kind, 1, 1);
  if (common::TextToInt(common::Copy(kind, 1, 2)) == 11) k = common::Copy(kind, 4, 1);
  return k.empty() ? " " : k;
}

}  // namespace

bool LoadTermIndex(TermIndex& terms) {
  const std::string path = TermListPath();
  const std::int32_t size = common::CheckFile(path);
  if (size < 0) {
    common::FileErrorMessage(" cte soubor: ", path, -size);
    return false;
  }
  if (!terms.Load(path)) {
    common::FileErrorMessage(" cte soubor: ", path, 100);
    return false;
  }
  return true;
}

bool ExtendRowsWithOic(const std::string& source, const std::string& target, const TermIndex& terms,
                       const StatusText& status, std::vector<LeftOut>* leftOut) {
  return Guarded([&] {
    // Both files as an opening gives them: a copy a sort left goes back first, else the
    // rows are read half sorted, or the copy is put back later over the new ones.
    for (const std::string* name : {&source, &target})
      if (!common::PutBackBeforeReplacing(*name, common::Cz(", rozšíření výkazu neproběhlo"))) return false;
    const std::string rows = ReadRows(source);
    const std::size_t count = rows.size() / kRowLength;
    if (count == 0) {
      common::EraseFiles(target);
      common::MessageOk(common::Cz("Výkaz neobsahuje žádné řádky"));
      return false;
    }
    std::map<std::string, Employee> employees;
    {
      const common::RefusalTail tail(common::Cz(", rozšíření výkazu neproběhlo"));
      if (!ReadEmployees(employees)) return false;
    }
    std::string out;
    out.reserve(count * kExtendedRowLength);
    std::string previous, identifier, kind;
    std::set<std::string> missing;
    for (std::size_t i = 0; i < count; ++i) {
      const std::string_view r = std::string_view(rows).substr(i * kRowLength, kRowLength);
      const std::string person = RowField(r, 1, false);
      if (i == 0 || person != previous) {
        Say(status, "Osč: " + person + kFifty);
        identifier = std::string(10, ' ');
        kind = " ";
        // The employer's rows (no personal number) keep the blank identifier of the header.
        if (!Blank(person)) {
          const auto it = employees.find(person);
          if (it != employees.end()) {
            identifier = it->second.identifier;
            kind = ContractKind(it->second.kind);
          }
          if (Blank(identifier) && missing.insert(person).second && leftOut)
            leftOut->push_back({person, it == employees.end()});
        }
        previous = person;
      }
      std::string e(kExtendedRowLength, '\0');
      PutRowField(e, 1, common::AlignText(identifier, "L", " ", 10), true);
      PutRowField(e, 2, kind, true);
      const Term* t = terms.Find(RowField(r, 3, false));
      PutRowField(e, 3, t && t->summary == "x" && !Blank(person) ? std::string("zzzzz") : person, true);
      PutRowField(e, 4, RowField(r, 2, false), true);
      PutRowField(e, 5, RowField(r, 3, false), true);
      PutRowField(e, 6, RowField(r, 4, false), true);
      out += e;
    }
    common::EraseFiles(target);
    Check(common::ReplaceFileContents(target, out), target, "write");
    TfJHvyk2& w = fJHvyk2();
    w.SetupJHvyk2("=" + target);
    w.SortJHvyk();
    w.CloseBrowse();
    Say(status, common::Cz("Doplnění OIČ hotovo!") + kFifty);
    return true;
  });
}

namespace {

// The value files of one employee as the cutting wrote them, so that the document is
// assembled without looking for them again.
struct EmployeeParts {
  struct Employment {
    std::string file;
    std::vector<std::string> children;
  };
  std::vector<Employment> employments;  // the first is the "ZAM" file
  std::string summary;                  // the summary rows' file: only the closing sum
};

// The warning of a report built without its header or without some employees' rows.
std::string LeftOutWarning(bool header, const std::vector<LeftOut>& leftOut) {
  std::string text;
  if (!header) text += common::Cz("Výkaz nemá řádky zaměstnavatele (hlavičku).");
  auto list = [&](bool unknown, const char* why) {
    std::string names;
    for (const LeftOut& l : leftOut)
      if (l.unknown == unknown) names += " " + l.person;
    if (names.empty()) return;
    if (!text.empty()) text += "\n";
    text += common::Cz(why) + names;
  };
  list(true, "Os.č. bez pracovníka v pr2000.dta, ve výkazu chybí:");
  list(false, "Os.č. bez identifikátoru pracovníka (OIČ, rodné ani přidělené číslo), ve výkazu chybí:");
  return text;
}

}  // namespace

bool BuildReportXml(const std::string& source, const std::string& output, const StatusText& status) {
  TermIndex terms;
  if (!LoadTermIndex(terms)) return false;
  if (!TemplatesPresent({"mPVhlav.txt", "mPVzamA.txt", "mPVzamC.txt", "mPVpata.txt"})) return false;
  std::vector<LeftOut> leftOut;
  if (!ExtendRowsWithOic(source, kExtendedRowsFile, terms, status, &leftOut)) return false;
  return Guarded([&] {
    common::ForceDirs(common::DataDir("\\JH\\"));
    EraseAll({Work("Hlavicka.txt"), Work("*ZAM.txt"), Work("*ZPP.txt"), Work("*ZDD.txt"), Work("vysledek*.txt")});
    const TermFilter filter(terms, &Term::report);

    // Cutting: the rows without identifier and personal number (the employer's) are the
    // header; each identifier an employee, each further personal number an employment,
    // each child mark a child. An employee's summary rows ("zzzzz") form one file after
    // the employments. Rows with a personal number but no identifier are named in the
    // warning.
    const std::string rows = ReadRows(kExtendedRowsFile);
    ValueFiles files;
    std::vector<EmployeeParts> staff;
    std::string summary;  // the summary rows of the current employee
    auto closeEmployee = [&] {
      if (staff.empty() || summary.empty()) return;
      EmployeeParts& p = staff.back();
      p.summary = Digits(static_cast<int>(staff.size()), 5) + Digits(static_cast<int>(p.employments.size()), 2) + "ZPP.txt";
      files.Put(p.summary, std::move(summary));
      summary.clear();
    };
    bool header = false;
    std::string head, id, person, child;
    for (std::size_t at = 0; at + kExtendedRowLength <= rows.size(); at += kExtendedRowLength) {
      const std::string_view r = std::string_view(rows).substr(at, kExtendedRowLength);
      const std::string key = RowField(r, 5, true);
      if (!filter.Has(key)) continue;
      const std::string rowId = RowField(r, 1, true), rowPerson = RowField(r, 3, true), rowChild = RowField(r, 4, true);
      const std::string value = RowField(r, 6, true);
      if (Blank(rowId)) {
        if (!Blank(rowPerson)) continue;
        header = true;
        ValueFiles::AddTo(head, key, value);
        continue;
      }
      if (staff.empty() || rowId != id) {
        closeEmployee();
        staff.emplace_back();
        id = rowId;
        person.clear();
      }
      EmployeeParts& p = staff.back();
      if (rowPerson == "zzzzz") {
        ValueFiles::AddTo(summary, key, value);
        continue;
      }
      const std::string e = Digits(static_cast<int>(staff.size()), 5);
      if (p.employments.empty() || rowPerson != person) {
        const std::string z = Digits(static_cast<int>(p.employments.size()), 2);
        p.employments.push_back({p.employments.empty() ? e + "ZAM.txt" : e + z + "ZPP.txt", {}});
        files.Start(p.employments.back().file);
        person = rowPerson;
        child = rowChild;
      } else if (rowChild != child) {
        EmployeeParts::Employment& m = p.employments.back();
        m.children.push_back(e + Digits(static_cast<int>(p.employments.size()) - 1, 2) +
                             Digits(static_cast<int>(m.children.size()) + 1, 2) + "ZDD.txt");
        files.Start(m.children.back());
        child = rowChild;
      }
      files.Add(key, value);
    }
    closeEmployee();
    if (header) files.Put("Hlavicka.txt", std::move(head));
    files.Write();

    // The document is assembled in memory, fragment by fragment, as the templates are
    // filled; the work files keep the last fragment made into each.
    Templates templates;
    WorkFile result("vysledek.txt"), partB("vysledekB.txt"), partC("vysledekC.txt");
    std::string doc;
    // A template filled with a value file's text; nothing when either has 2 bytes or fewer.
    auto fragment = [&](const std::string& values, const char* name, std::string& comment) {
      const Templates::Text& t = templates.Get(name);
      comment.clear();
      if (values.size() <= 2 || t.bytes.size() <= 2) return std::vector<std::string>();
      std::vector<std::string> lines = t.lines;
      FillElementLines(terms, ParseValues(values), lines, comment);
      return lines;
    };
    std::string comment;
    {
      const Templates::Text& t = templates.Get("mPVhlav.txt");
      std::vector<std::string> lines;
      if (header)
        lines = fragment(files.Content("Hlavicka.txt"), "mPVhlav.txt", comment);
      else if (t.bytes.size() > 2) {
        lines = t.lines;
        FillElementLines(terms, {}, lines, comment);
      }
      result.Set(lines);
      ReplaceEncodingInLines("WINDOWS-1250", "utf-8", lines);
      AppendNonBlank(lines, doc);
    }
    auto fill = [&](const std::string& values, const char* name) {
      std::string c;
      std::vector<std::string> lines = fragment(values, name, c);
      result.Set(lines);
      AppendNonBlank(lines, doc);
    };
    auto employment = [&](const std::string& f, const std::vector<std::string>& children, const std::string& number,
                          int m) {
      const std::string& values = files.Content(f);
      std::vector<std::string> lines = fragment(values, "mPVzamA.txt", comment);
      const std::string jm = common::ParseItemList("JM", comment), pr = common::ParseItemList("PR", comment);
      const std::string prim = common::ParseItemList("PRIM", comment);
      ReplaceInLines("<!--ZAMESTNANEC 1-->",
                     "<!-- ZAMESTNANEC " + number + " " + CommentSafe(pr) + " " + CommentSafe(jm) + " -->", lines);
      result.Set(lines);
      AppendNonBlank(lines, doc);
      if (prim == "A") {
        // The first employment's parts are collected and cleaned together.
        const bool collected = m == 0;
        std::string gathered;
        auto piece = [&](const std::string& pieceValues, const char* name) {
          std::string c;
          const std::vector<std::string> part = fragment(pieceValues, name, c);
          (collected ? partB : result).Set(part);
          AppendNonBlank(part, collected ? gathered : doc);
        };
        piece(values, "mPVzamZecA.txt");
        if (!children.empty()) {
          piece(values, "mPVdetiHlav.txt");
          for (const std::string& c : children) piece(files.Content(c), "mPVdetiStred.txt");
          piece(values, "mPVdetiPata.txt");
        }
        piece(values, "mPVzamZecB.txt");
        if (collected) {
          std::vector<std::string> kept = SplitLines(gathered);
          RemoveEmptyElementLines(kept);
          partC.Clear();
          if (!gathered.empty()) partC.Set(kept);
          AppendNonBlank(kept, doc);
        }
      }
      fill(values, "mPVzamC.txt");
    };

    for (std::size_t i = 0; i < staff.size(); ++i) {
      const int n = static_cast<int>(i) + 1;
      const EmployeeParts& p = staff[i];
      Say(status, Work(Digits(n, 5) + "ZAM.txt") + kFifty);
      std::string last;
      for (std::size_t m = 0; m < p.employments.size(); ++m) {
        last = p.employments[m].file;
        const std::string number =
            common::IntToText(n, 4) + (m == 0 ? std::string() : "-" + common::IntToText(static_cast<int>(m), 2));
        employment(last, p.employments[m].children, number, static_cast<int>(m));
      }
      // The summary rows feed only the closing sum; without them the last employment does.
      if (!p.summary.empty()) last = p.summary;
      fill(files.Content(last), "mPVzamDSum.txt");
    }
    doc += templates.Get("mPVpata.txt").bytes;
    result.Write();
    partB.Write();
    partC.Write();
    Building building(output);
    if (!building.Finish(SplitLines(doc))) return false;

    if (!header || !leftOut.empty()) common::MessageOk(LeftOutWarning(header, leftOut));
    Say(status, common::Cz("Výkaz ") + common::ShownPath(output) + common::Cz(" je hotový") + kFifty);
    return true;
  });
}

bool BuildRegistrationXml(const std::string& source, const std::string& output, const StatusText& status) {
  Say(status, common::Cz("Příprava přihlášky"));
  TermIndex terms;
  if (!LoadTermIndex(terms)) return false;
  if (!TemplatesPresent({"PrihlA.mat", "PrihlB.mat", "PrihlC.mat"})) return false;
  return Guarded([&] {
    common::ForceDirs(common::DataDir("\\JH\\"));
    const TermFilter filter(terms, &Term::registration);
    const std::int32_t size = common::CheckFile(source);
    if (size < 0) Check(-size, source, "read");
    if (size < kRowLength) {
      common::MessageOk(common::Cz("Výkaz neobsahuje žádné řádky"));
      return false;
    }
    TfJHvyk& rowsWindow = fJHvyk();
    rowsWindow.SetupJHvyk("=" + source);
    rowsWindow.SortJHvyk();
    rowsWindow.CloseBrowse();
    EraseAll({Work("PrihlHlav.txt"), Work("*Prihl.txt"), Work("vysledek.txt")});

    const std::string rows = ReadRows(source);
    ValueFiles files;
    std::string previous;
    bool started = false, header = false;
    int n = 0;
    for (std::size_t at = 0; at + kRowLength <= rows.size(); at += kRowLength) {
      const std::string_view r = std::string_view(rows).substr(at, kRowLength);
      const std::string key = RowField(r, 3, false);
      if (!filter.Has(key)) continue;
      const std::string person = RowField(r, 1, false);
      if (!started || person != previous) {
        started = true;
        header = header || person == "     ";
        files.Start(person == "     " ? std::string("PrihlHlav.txt") : Digits(++n, 5) + "Prihl.txt");
        previous = person;
      }
      files.Add(key, RowField(r, 4, false));
    }
    files.Write();

    Say(status, common::Cz("A teď zaměstnanci") + kFifty);
    Templates templates;
    WorkFile result("vysledek.txt");
    std::string doc;
    auto fill = [&](const std::string& values, const char* name) {
      const Templates::Text& t = templates.Get(name);
      std::vector<std::string> lines;
      if (values.size() > 2 && t.bytes.size() > 2) {
        lines = t.lines;
        FillAttributeLines(terms, ParseValues(values), lines);
      }
      result.Set(lines);
      AppendNonBlank(lines, doc);
    };
    if (header && files.Content("PrihlHlav.txt").size() > 2) {
      fill(files.Content("PrihlHlav.txt"), "PrihlA.mat");
    } else {
      result.SetText(templates.Get("PrihlA.mat").bytes);
      doc += templates.Get("PrihlA.mat").bytes;
    }
    for (int k = 1; k <= n + 1; ++k) {
      Say(status, common::Cz("A teď zaměstnanci: ") + common::IntToText(k, 5) + kFifty);
      if (k > n) break;
      fill(files.Content(Digits(k, 5) + "Prihl.txt"), "PrihlB.mat");
    }
    doc += templates.Get("PrihlC.mat").bytes;
    std::vector<std::string> lines = SplitLines(doc);
    ReplaceEncodingInLines("WINDOWS-1250", "utf-8", lines);
    result.Write();
    Building building(output);
    if (!building.Finish(lines)) return false;
    Say(status, "Hotovo!" + kFifty);
    return true;
  });
}

}  // namespace payroll
