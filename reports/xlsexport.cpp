#include "reports/xlsexport.h"

#include <xlsxwriter.h>

#include <array>

#include "browser/blik.h"
#include "browser/entries.h"
#include "common/codepages.h"
#include "common/csvfile.h"
#include "common/dates.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/process.h"
#include "common/text.h"
#include "common/winpath.h"
#include "ui/backend.h"

namespace reports {

using common::Cz;

ExportSettings& XlsExportSettings() {
  static ExportSettings settings;
  return settings;
}

CellKind CellKindOfType(int type) {
  switch (type) {
    case 5: case 6: case 7: case 11: return CellKind::Integer;
    case 8: case 12: case 14: return CellKind::Number;
    case 9: case 10: return CellKind::Date;
    case 18: case 19: return CellKind::None;
    default: return type > 24 ? CellKind::None : CellKind::Text;
  }
}

bool IsNumberingLine(const std::vector<std::string>& fields, int count) {
  int n = count;
  if (n > 0 && fields[static_cast<std::size_t>(n - 1)].empty()) --n;
  if (n < 3) return false;
  for (int i = 1; i <= n; ++i)
    if (fields[static_cast<std::size_t>(i - 1)] != common::FormatNumberMask("@@", i)) return false;
  return true;
}

namespace {

// The workbook through libxlsxwriter in constant-memory mode: rows go out in order.
class XlsxSink {
 public:
  explicit XlsxSink(const std::string& realPath) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    book_ = workbook_new_opt(realPath.c_str(), &options);
    if (!book_) return;
    header_ = workbook_add_format(book_);
    format_set_bold(header_);
    format_set_num_format(header_, "@");
    text_ = workbook_add_format(book_);
    format_set_num_format(text_, "@");
    number_ = workbook_add_format(book_);
    format_set_num_format(number_, "0.00");
    date_ = workbook_add_format(book_);
    format_set_num_format(date_, "dd.mm.yyyy");
  }
  ~XlsxSink() {
    if (book_) workbook_close(book_);
  }
  bool ok() const { return book_ != nullptr && error_ == LXW_NO_ERROR; }
  lxw_format* Header() const { return header_; }
  lxw_format* ColumnFormat(CellKind kind) const {
    return kind == CellKind::Number ? number_ : kind == CellKind::Date ? date_ : text_;
  }

  void AddSheet(const std::string& name) { sheet_ = workbook_add_worksheet(book_, name.c_str()); }
  void Column(int col, double width, lxw_format* f) { Check(worksheet_set_column(sheet_, Col(col), Col(col), width, f)); }
  void String(int row, int col, const std::string& cp1250, lxw_format* f) {
    Check(worksheet_write_string(sheet_, Row(row), Col(col), common::Cp1250ToUtf8(cp1250).c_str(), f));
  }
  void Number(int row, int col, double v, lxw_format* f) { Check(worksheet_write_number(sheet_, Row(row), Col(col), v, f)); }
  void Date(int row, int col, lxw_datetime d, lxw_format* f) { Check(worksheet_write_datetime(sheet_, Row(row), Col(col), &d, f)); }
  // Writes the file; the library's message when it failed.
  std::string Close() {
    const lxw_error e = workbook_close(book_);
    book_ = nullptr;
    if (error_ == LXW_NO_ERROR) error_ = e;
    return error_ == LXW_NO_ERROR ? std::string() : std::string(lxw_strerror(error_));
  }
  std::string Error() const { return book_ ? std::string(lxw_strerror(error_)) : "workbook_new"; }

 private:
  static lxw_row_t Row(int row) { return static_cast<lxw_row_t>(row - 1); }
  static lxw_col_t Col(int col) { return static_cast<lxw_col_t>(col - 1); }
  void Check(lxw_error e) {
    if (e != LXW_NO_ERROR && error_ == LXW_NO_ERROR) error_ = e;
  }
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format *header_ = nullptr, *text_ = nullptr, *number_ = nullptr, *date_ = nullptr;
  lxw_error error_ = LXW_NO_ERROR;
};

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// DD.MM.YYYY to a date, false when it is not one.
bool ParseLongDate(const std::string& text, lxw_datetime& d) {
  if (text.size() != 10 || text[2] != '.' || text[5] != '.') return false;
  for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
    if (text[static_cast<std::size_t>(i)] < '0' || text[static_cast<std::size_t>(i)] > '9') return false;
  d = {};
  d.day = std::stoi(text.substr(0, 2));
  d.month = std::stoi(text.substr(3, 2));
  d.year = std::stoi(text.substr(6, 4));
  static constexpr std::array<int, 12> kDays = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.year < 1900) return false;
  const int days = d.month == 2 && !LeapYear(d.year) ? 28 : kDays[static_cast<std::size_t>(d.month - 1)];
  return d.day <= days;
}

struct Column {
  std::string header;
  int type = 0;
};

void WriteHead(XlsxSink& sink, const std::vector<Column>& columns, const std::string& firm, const std::string& created,
               const std::string& workbook) {
  sink.String(1, 1, firm, nullptr);
  sink.String(1, 6, created, nullptr);
  sink.String(3, 3, workbook, nullptr);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int col = static_cast<int>(i) + 1;
    sink.Column(col, static_cast<double>(columns[i].header.size()), sink.ColumnFormat(CellKindOfType(columns[i].type)));
    sink.String(5, col, columns[i].header, sink.Header());
  }
}

void WriteRecord(XlsxSink& sink, int row, const std::vector<Column>& columns, const common::tFormSoub& csv) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int col = static_cast<int>(i) + 1;
    const std::string& field = csv.fields[i];
    const CellKind kind = CellKindOfType(columns[i].type);
    lxw_format* f = sink.ColumnFormat(kind);
    switch (kind) {
      case CellKind::None: break;
      case CellKind::Text: sink.String(row, col, field, f); break;
      case CellKind::Integer: sink.Number(row, col, common::TextToInt(field), f); break;
      case CellKind::Number: sink.Number(row, col, common::TextToFloat(field), f); break;
      case CellKind::Date: {
        if (field.size() != 6) {
          sink.String(row, col, field, f);
          break;
        }
        const std::string text = common::DateLongText(field);
        lxw_datetime d{};
        if (ParseLongDate(text, d)) sink.Date(row, col, d, f);
        else sink.String(row, col, text, f);
        break;
      }
    }
  }
}

bool HoldsAField(const common::tFormSoub& csv) {
  for (int i = 0; i < csv.fieldCount; ++i)
    if (!csv.fields[static_cast<std::size_t>(i)].empty()) return true;
  return false;
}

}  // namespace

std::string ExportToExcel(const std::string& name, bool /*visible*/) {
  common::ForceDirs("XLS\\");
  const std::string upper = common::UpperCz(name);
  const std::string workbook = "XLS\\" + upper + ".xlsx";
  const std::string source = "XLS\\" + upper + ".CSV";
  if (common::CheckFile(source) < 2) {
    common::MessageOk(Cz("Soubor ") + name + Cz(" neexistuje nebo má velikost menší než 2"));
    return {};
  }
  common::tFormSoub csv;
  std::vector<Column> columns;
  std::int64_t estimate = 0;
  try {
    common::CsvOpen(csv, source, common::CsvSource::kOwn);
    common::CsvReadRecord(csv);
    if (csv.endOfFile) {
      common::CsvClose(csv);
      return {};
    }
    int count = csv.fieldCount;
    if (count > 0 && csv.fields[static_cast<std::size_t>(count - 1)].empty()) --count;
    if (count < 1) {
      common::CsvClose(csv);
      common::MessageOk(Cz("Soubor ") + name + Cz(" neobsahuje ani jednu správnou větu"));
      return {};
    }
    if (count > kXlsMaxColumns) {
      common::CsvClose(csv);
      common::MessageOk(Cz("Soubor ") + name + Cz(" má více než 255 sloupců"));
      return {};
    }
    for (int i = 0; i < count; ++i) columns.push_back({csv.fields[static_cast<std::size_t>(i)], 0});
    estimate = csv.position > 0 ? csv.size / csv.position - 1 : 0;
  } catch (const common::IoError& e) {
    common::CsvClose(csv);
    common::FileErrorMessage(" cte soubor: ", source, e.code);
    return {};
  }

  const ExportSettings& settings = XlsExportSettings();
  // The workbook is written under a temporary name no user file has, then moved in.
  common::FileReplacement replacement;
  if (const int code = replacement.Begin(workbook)) {
    common::CsvClose(csv);
    common::FileErrorMessage(" pise soubor: ", workbook, code);
    return {};
  }
  browser::ShowBlik(Cz("Převáděná věta: ") + common::FormatNumberMask("### ###", 0) + Cz("  Celkem: ") +
                    common::FormatNumberMask("### ###", static_cast<double>(estimate)));
  browser::TfBlik& notice = browser::fBlik();
  notice.Timer2.Stop();
  notice.SetCaption(Cz("Převod souboru ") + workbook + Cz(" do Excelu"));
  const auto progress = [&](std::int64_t n) {
    notice.Label1.SetText(Cz("Převáděná věta: ") + common::FormatNumberMask("### ###", static_cast<double>(n)) +
                          Cz("  Celkem: ") + common::FormatNumberMask("### ###", static_cast<double>(estimate)));
    ui::ProcessMessages();
  };

  std::string error;
  {
    XlsxSink sink(replacement.TempPath());
    if (!sink.ok()) {
      error = sink.Error();
    } else {
      const std::string firm = common::FirmName();
      const std::string created =
          (Cz("Vytvořeno dne:") + common::TodayText() + " " + common::TimeText12() + " programem TAVONA").substr(0, 48);
      int sheet = 1;
      sink.AddSheet(settings.sheetPrefix + std::to_string(sheet));
      WriteHead(sink, columns, firm, created, workbook);
      std::int64_t total = 0;
      std::int32_t onSheet = 0;
      try {
        for (bool more = true; more;) {
          common::CsvReadRecord(csv);
          if (csv.endOfFile) {
            more = false;
            if (!HoldsAField(csv)) break;
          }
          if (total == 0 && csv.fields[0].size() == 2 && csv.fields[1].size() == 2 && csv.fields[2].size() == 2) {
            if (IsNumberingLine({csv.fields.begin(), csv.fields.end()}, csv.fieldCount)) continue;
            for (std::size_t i = 0; i < columns.size(); ++i) {
              const std::int32_t t = common::TextToInt(csv.fields[i]);
              columns[i].type = t < 0 ? 0 : std::min(t, 255);
              const CellKind kind = CellKindOfType(columns[i].type);
              if (kind == CellKind::Number || kind == CellKind::Date)
                sink.Column(static_cast<int>(i) + 1, static_cast<double>(columns[i].header.size()), sink.ColumnFormat(kind));
            }
            continue;
          }
          ++total;
          ++onSheet;
          if (total % 100 == 0) progress(total);
          WriteRecord(sink, onSheet + kXlsFirstDataRow - 1, columns, csv);
          if (onSheet > settings.sheetRecords && more) {
            onSheet = 0;
            sink.AddSheet(settings.sheetPrefix + std::to_string(++sheet));
            WriteHead(sink, columns, firm, created, workbook);
          }
        }
      } catch (const common::IoError& e) {
        common::FileErrorMessage(" cte soubor: ", source, e.code);
        error = "-";
      }
      const std::string closed = sink.Close();
      if (error.empty()) error = closed;
    }
  }
  common::CsvClose(csv);
  browser::CloseBlik();
  if (!error.empty()) {
    replacement.Abort();
    if (error != "-") common::MessageOk(Cz("Sešit ") + workbook + Cz(" nelze zapsat: ") + common::Utf8ToCp1250(error));
    return {};
  }
  if (const int code = replacement.Commit()) {
    common::FileErrorMessage(" pise soubor: ", workbook, code);
    return {};
  }
  if (settings.openDocument) (void)common::OpenDocument(common::RealPath(workbook));
  return workbook;
}

}  // namespace reports
