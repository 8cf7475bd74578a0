#include "payroll/jhbuild.h"

#include <map>
#include <set>

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/small.h"
#include "common/text.h"
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

void Append(const std::string& source, const std::string& target) {
  Check(common::CopyFileBlocks(source, target), target, "write");
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
class ValueFiles {
 public:
  void Start(const std::string& name) {
    current_ = &files_[name];
    current_->clear();
  }
  void Add(const std::string& key, const std::string& value) {
    if (current_) *current_ += key + " : " + common::StripRightSp(value) + "\r\n";
  }
  void Write() const {
    for (const auto& [name, content] : files_) WriteScratchFile(Work(name), content);
  }
  bool Has(const std::string& name) const { return files_.count(name) != 0; }

 private:
  std::map<std::string, std::string> files_;
  std::string* current_ = nullptr;
};

std::string ReadRows(const std::string& file) {
  std::string data;
  Check(common::ReadFileText(file, data), file, "read");
  return data;
}

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

// The employees by personal number (the first record of each), read once.
std::map<std::string, Employee> ReadEmployees() {
  std::map<std::string, Employee> employees;
  Tfpr_rol& w = fpr_rol();
  w.SetupPr_rol(kEmployeeFile);
  for (std::int32_t n = 1; n <= w.Count; ++n) {
    w.RecordRead(n);
    employees.try_emplace(w.FieldOf(w.RecordBuffer, 1), Employee{w.IdentifierOfRecord(), w.FieldOf(w.RecordBuffer, 35)});
  }
  w.CloseBrowse();
  return employees;
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
                       const StatusText& status, std::vector<std::string>* unmatched) {
  return Guarded([&] {
    const std::string rows = ReadRows(source);
    const std::size_t count = rows.size() / kRowLength;
    if (count == 0) {
      common::EraseFiles(target);
      common::MessageOk(common::Cz("Výkaz neobsahuje žádné řádky"));
      return false;
    }
    const std::map<std::string, Employee> employees = ReadEmployees();
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
          if (auto it = employees.find(person); it != employees.end()) {
            identifier = it->second.identifier;
            kind = ContractKind(it->second.kind);
          } else if (missing.insert(person).second && unmatched) {
            unmatched->push_back(person);
          }
        }
        previous = person;
      }
      std::string e(kExtendedRowLength, '\0');
      PutRowField(e, 1, common::AlignText(identifier, "L", " ", 10), true);
      PutRowField(e, 2, kind, true);
      const Term* t = terms.Find(RowField(r, 3, false));
      PutRowField(e, 3, t && t->summary == "x" ? std::string("zzzzz") : person, true);
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

bool BuildReportXml(const std::string& source, const std::string& output, const StatusText& status) {
  TermIndex terms;
  if (!LoadTermIndex(terms)) return false;
  std::vector<std::string> unmatched;
  if (!ExtendRowsWithOic(source, kExtendedRowsFile, terms, status, &unmatched)) return false;
  return Guarded([&] {
    common::ForceDirs(common::DataDir("\\JH\\"));
    EraseAll({Work("Hlavicka.txt"), Work("*ZAM.txt"), Work("*ZPP.txt"), Work("*ZDD.txt"), Work("vysledek*.txt"), output});
    const TermFilter filter(terms, &Term::report);

    // Cutting: the group of blank identifiers is the header; each identifier an
    // employee, each further personal number an employment, each child mark a child.
    const std::string rows = ReadRows(kExtendedRowsFile);
    ValueFiles files;
    bool started = false, header = false;
    std::string id, person, child;
    int e = 0, z = 0, d = 0;
    for (std::size_t at = 0; at + kExtendedRowLength <= rows.size(); at += kExtendedRowLength) {
      const std::string_view r = std::string_view(rows).substr(at, kExtendedRowLength);
      const std::string key = RowField(r, 5, true);
      if (!filter.Has(key)) continue;
      const std::string rowId = RowField(r, 1, true), rowPerson = RowField(r, 3, true), rowChild = RowField(r, 4, true);
      // A personal number without an employee has no identifier: it is named in the
      // warning and kept out of the header.
      if (Blank(rowId) && !Blank(rowPerson) && rowPerson != "zzzzz") continue;
      if (!started || rowId != id) {
        if (!started && Blank(rowId)) {
          header = true;
          files.Start("Hlavicka.txt");
        } else {
          ++e;
          z = d = 0;
          files.Start(Digits(e, 5) + "ZAM.txt");
        }
        started = true;
        id = rowId;
        person = rowPerson;
        child = rowChild;
      } else if (rowPerson != person) {
        d = 0;
        ++z;
        files.Start(Digits(e, 5) + Digits(z, 2) + "ZPP.txt");
        person = rowPerson;
        child = rowChild;
      } else if (rowChild != child) {
        ++d;
        files.Start(Digits(e, 5) + Digits(z, 2) + Digits(d, 2) + "ZDD.txt");
        child = rowChild;
      }
      files.Add(key, RowField(r, 6, true));
    }
    files.Write();

    const std::string result = Work("vysledek.txt");
    std::string comment;
    if (header)
      FillXmlTemplate(terms, Work("Hlavicka.txt"), result, Template("mPVhlav.txt"), comment);
    else
      FillXmlTemplateUnvalued(terms, result, Template("mPVhlav.txt"));
    Append(result, output);
    ReplaceEncodingName("WINDOWS-1250", "utf-8", output);

    auto fill = [&](const std::string& values, const std::string& into, const char* name) {
      std::string c;
      FillXmlTemplate(terms, values, into, Template(name), c);
    };
    auto employment = [&](const std::string& f, const std::string& number, int n, int m) {
      FillXmlTemplate(terms, f, result, Template("mPVzamA.txt"), comment);
      const std::string jm = common::ParseItemList("JM", comment), pr = common::ParseItemList("PR", comment);
      const std::string prim = common::ParseItemList("PRIM", comment);
      ReplaceInFile("<!--ZAMESTNANEC 1-->",
                    "<!-- ZAMESTNANEC " + number + " " + CommentSafe(pr) + " " + CommentSafe(jm) + " -->", result);
      Append(result, output);
      if (prim == "A") {
        // The first employment's parts are collected and cleaned together.
        const bool collected = m == 0;
        const std::string part = collected ? Work("vysledekB.txt") : result;
        const std::string into = collected ? Work("vysledekC.txt") : output;
        if (collected) common::EraseFiles(into);
        auto piece = [&](const std::string& values, const char* name) {
          fill(values, part, name);
          Append(part, into);
        };
        const std::string head = Digits(n, 5) + Digits(m, 2);
        piece(f, "mPVzamZecA.txt");
        if (common::CheckFile(Work(head + "01ZDD.txt")) > 4) {
          piece(f, "mPVdetiHlav.txt");
          for (int k = 1;; ++k) {
            const std::string childFile = Work(head + Digits(k, 2) + "ZDD.txt");
            if (common::CheckFile(childFile) < 4) break;
            piece(childFile, "mPVdetiStred.txt");
          }
          piece(f, "mPVdetiPata.txt");
        }
        piece(f, "mPVzamZecB.txt");
        if (collected) {
          RemoveEmptyElements(into);
          Append(into, output);
        }
      }
      fill(f, result, "mPVzamC.txt");
      Append(result, output);
    };

    for (int n = 1;; ++n) {
      std::string f = Work(Digits(n, 5) + "ZAM.txt");
      Say(status, f + kFifty);
      if (common::CheckFile(f) < 4) break;
      std::string last = f;
      employment(f, common::IntToText(n, 4), n, 0);
      for (int m = 1;; ++m) {
        f = Work(Digits(n, 5) + Digits(m, 2) + "ZPP.txt");
        if (common::CheckFile(f) < 4) break;
        last = f;
        employment(f, common::IntToText(n, 4) + "-" + common::IntToText(m, 2), n, m);
      }
      fill(last, result, "mPVzamDSum.txt");
      Append(result, output);
    }
    Append(Template("mPVpata.txt"), output);
    ConvertFileToUtf8(output, output);

    if (!header || !unmatched.empty()) {
      std::string text;
      if (!header) text += common::Cz("Výkaz nemá řádky zaměstnavatele (hlavičku).");
      if (!unmatched.empty()) {
        if (!text.empty()) text += "\n";
        text += common::Cz("Os.č. bez pracovníka v pr2000.dta, ve výkazu chybí:");
        for (const std::string& p : unmatched) text += " " + p;
      }
      common::MessageOk(text);
    }
    Say(status, common::Cz("Výkaz ") + output + common::Cz(" je hotový") + kFifty);
    return true;
  });
}

bool BuildRegistrationXml(const std::string& source, const std::string& output, const StatusText& status) {
  Say(status, common::Cz("Příprava přihlášky"));
  TermIndex terms;
  if (!LoadTermIndex(terms)) return false;
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
    bool started = false;
    int n = 0;
    for (std::size_t at = 0; at + kRowLength <= rows.size(); at += kRowLength) {
      const std::string_view r = std::string_view(rows).substr(at, kRowLength);
      const std::string key = RowField(r, 3, false);
      if (!filter.Has(key)) continue;
      const std::string person = RowField(r, 1, false);
      if (!started || person != previous) {
        started = true;
        files.Start(person == "     " ? std::string("PrihlHlav.txt") : Digits(++n, 5) + "Prihl.txt");
        previous = person;
      }
      files.Add(key, RowField(r, 4, false));
    }
    files.Write();

    Say(status, common::Cz("A teď zaměstnanci") + kFifty);
    common::EraseFiles(output);
    const std::string result = Work("vysledek.txt");
    if (common::CheckFile(Work("PrihlHlav.txt")) > 2)
      FillAttributeTemplate(terms, Work("PrihlHlav.txt"), result, Template("PrihlA.mat"));
    else
      Check(common::CopyFileKeepDate(Template("PrihlA.mat"), result), result, "write");
    Append(result, output);
    for (int k = 1;; ++k) {
      const std::string f = Work(Digits(k, 5) + "Prihl.txt");
      Say(status, common::Cz("A teď zaměstnanci: ") + common::IntToText(k, 5) + kFifty);
      if (common::CheckFile(f) < 4) break;
      FillAttributeTemplate(terms, f, result, Template("PrihlB.mat"));
      Append(result, output);
    }
    Append(Template("PrihlC.mat"), output);
    ReplaceEncodingName("WINDOWS-1250", "utf-8", output);
    ConvertFileToUtf8(output, output);
    Say(status, "Hotovo!" + kFifty);
    return true;
  });
}

}  // namespace payroll
