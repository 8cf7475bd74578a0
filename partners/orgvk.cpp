#include "partners/orgvk.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

#include "browser/entries.h"
#include "common/codepages.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/recfile.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"
#include "partners/org.h"

namespace partners {

using common::Cz;

namespace {

struct Column {
  int offset, width;
  char empty;
};
constexpr std::array<Column, 4> kColumns{{{0, 16, '*'}, {17, 5, '*'}, {23, 10, '*'}, {34, 30, ' '}}};
constexpr int kNameColumn = 3;

std::string Padded(std::string_view s, int width) {
  std::string t(s.substr(0, std::min<std::size_t>(s.size(), static_cast<std::size_t>(width))));
  t.resize(static_cast<std::size_t>(width), ' ');
  return t;
}

std::string Mask(std::string_view row, int c) {
  const Column& k = kColumns[static_cast<std::size_t>(c)];
  return Padded(common::GetCounted(row, static_cast<std::size_t>(k.offset), static_cast<std::size_t>(k.width)), k.width);
}

bool IsEmptyMask(const std::string& mask, int c) {
  const Column& k = kColumns[static_cast<std::size_t>(c)];
  return mask == std::string(static_cast<std::size_t>(k.width), k.empty);
}

std::string SearchForm(std::string_view s) { return common::UpperCz(common::StripDiacritics(s)); }

bool AnyFits(const std::vector<std::string>& masks, std::string_view text) {
  return masks.empty() || std::any_of(masks.begin(), masks.end(), [&](const std::string& m) { return StarMaskFits(m, text); });
}

constexpr char kCaption[] = "Výběrová kritéria pro obchodní partnery ";
constexpr char kTitle[] = "Obchodní partneři";
constexpr char kHeader[] = "    DIČ               PSČ    Kód         Název-Jméno-Adresa      ";
constexpr char kKeyLine[] = " Mezera-oprav  Esc-Konec  F7-výmaz řádku  F8-výmaz všech kritérií ";
constexpr char kEditTitle[] = " Výběrové kritérium ";
constexpr char kEditKeyLine[] = " F2-zápis  Esc-nic ";
constexpr std::array<const char*, 4> kHeaders{"Dič             ", "PSČ  ", "Kód       ", "Název-Jméno-Adresa            "};
constexpr std::array<const char*, 3> kRulers{"1234567890123456", "12345", "1234567890"};
constexpr std::array<int, 4> kEditColumns{2, 21, 28, 40};

ui::Font Courier10() {
  ui::Font f;
  f.name = "Courier";
  f.size = 10;
  f.color = ui::colors::Black;
  return f;
}

}  // namespace

bool StarMaskFits(std::string_view mask, std::string_view text) {
  if (mask == text) return true;
  if (mask.size() != text.size()) return false;
  for (std::size_t i = 0; i < mask.size(); ++i)
    if (mask[i] != '*' && mask[i] != text[i]) return false;
  return true;
}

bool PartnerFits(const OrgCriteria& c, std::string_view record) {
  if (!AnyFits(c.dic, Padded(OrgText(record, of::Dic), 16))) return false;
  if (!AnyFits(c.psc, Padded(OrgText(record, of::PostalCode), 5))) return false;
  if (!AnyFits(c.code, Padded(OrgText(record, of::SalesCode), 10))) return false;
  if (c.name.empty()) return true;
  for (int field : {of::Name, of::Name2, of::Street, of::Town, of::State}) {
    const std::string text = Padded(SearchForm(OrgText(record, field)), 30);
    for (const std::string& mask : c.name)
      if (text == mask || text.find(common::RemoveSpaces(mask)) != std::string::npos) return true;
  }
  return false;
}

std::string EmptyCriteriaRow() {
  std::string row(kCriteriaLength, '\0');
  for (const Column& k : kColumns)
    common::PutCounted(row, static_cast<std::size_t>(k.offset), std::string(static_cast<std::size_t>(k.width), k.empty),
                       static_cast<std::size_t>(k.width));
  return row;
}

TfORGVK::TfORGVK() : TfSoub("fORGVK") {}

std::string TfORGVK::CriteriaName() { return "orgvk" + common::CurrentSession().CurrentUser + ".dta"; }
std::string TfORGVK::WorkName() { return "orgv" + common::CurrentSession().CurrentUser + ".wrk"; }

bool TfORGVK::CompactRows(OrgCriteria& criteria) {
  std::array<std::vector<std::string>, 4> kept;
  // The rows are read and written back under one turn: a copy another run of this user left
  // goes back before they are read, and a compaction cut short leaves the old rows.
  const bool done = RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
    for (auto& masks : kept) masks.clear();
    for (std::int32_t n = 1; n <= std::min(Count, kCriteriaRows); ++n) {
      RecordReadAt(n);
      if (!lastIoOk()) return false;
      for (int c = 0; c < 4; ++c) {
        std::string mask = Mask(RecordBuffer, c);
        if (IsEmptyMask(mask, c)) continue;
        if (c == kNameColumn) mask = Padded(SearchForm(mask), 30);
        kept[static_cast<std::size_t>(c)].push_back(mask);
      }
    }
    for (std::int32_t n = 1; n <= kCriteriaRows; ++n) {
      RecordBuffer = EmptyCriteriaRow();
      for (int c = 0; c < 4; ++c) {
        const auto& masks = kept[static_cast<std::size_t>(c)];
        if (static_cast<std::size_t>(n) <= masks.size()) {
          const Column& k = kColumns[static_cast<std::size_t>(c)];
          common::PutCounted(RecordBuffer, static_cast<std::size_t>(k.offset), masks[static_cast<std::size_t>(n - 1)],
                             static_cast<std::size_t>(k.width));
        }
      }
      if (n <= Count)
        RecordWriteAt(n);
      else
        AppendRecord();
      if (!lastIoOk()) return false;
    }
    return true;
  });
  criteria = {kept[0], kept[1], kept[2], kept[3]};
  return done;
}

void TfORGVK::RunSelection() {
  SelectionRun = false;
  Selected = 0;
  const std::string partners = common::DataDir("org.dta");
  // A killed step's copy beside the partners goes back before anything is written here,
  // or the selection is refused (said, naming the copy) and the print has nothing.
  const common::RefusalTail refused(Cz(", výběr partnerů neproběhl"));
  if (common::GuardUnfinishedRewrite(partners) != 0) return;
  // So does one beside the criteria, left by another run of this user code.
  if (!common::PutBackBeforeReplacing(DataFilePath, Cz(", výběr partnerů neproběhl"), false, ShownName())) return;
  SelectionRun = true;
  if (common::CheckFile(partners) < 1) {
    const std::string why = common::UnreadableFileReason(partners);
    common::BeepMessage(why.empty() ? Cz("Nenalezen soubor obchodních partnerů")
                                    : Cz("Soubor obchodních partnerů ") + common::ShownPath(partners) + why);
    return;
  }
  OrgCriteria criteria;
  if (!CompactRows(criteria)) {
    SelectionRun = false;  // refused or cut short (said): nothing is selected
    return;
  }
  common::WriteJobSaying("ORGVK" + common::CurrentSession().CurrentUser, "A");  // the selection goes on

  common::tRecFile in, out;
  if (!common::OpenRecFile(in, "org.dta", "I", kOrgRecordLength)) return;
  if (!common::OpenRecFile(out, WorkName(), "O", kOrgRecordLength)) {
    common::CloseRecFile(in);
    return;
  }
  const bool scrambled = common::CurrentSession().ScrambleOn != 0;
  std::string record(kOrgRecordLength, '\0');
  try {
    while (!common::RecEof(in)) {
      common::ReadRec(in, record.data());
      // Matched plain; copied as stored.
      std::string plain = record;
      if (scrambled) ScrambleOrgFields(plain, false);
      if (!PartnerFits(criteria, plain)) continue;
      common::WriteRec(out, record.data());
      ++Selected;
    }
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" Soub: ", e.file, e.code);
  }
  common::CloseRecFile(out);
  common::CloseRecFile(in);
  if (Selected == 0) common::BeepMessage(Cz("Podle zadaných kritérií nenalezeni žádní obchodní partneři"));
}

void TfORGVK::CloseBrowse() {
  if (DataFileUsable()) RunSelection();
  TfSoub::CloseBrowse();
}

void TfORGVK::KeyF7(std::int32_t current) {
  if (current < 1 || current > Count || !DataFileUsable()) return;
  // Written under the window's turn, as every other write of it.
  const auto length = static_cast<std::uint64_t>(kCriteriaLength);
  RewriteInPlace(static_cast<std::uint64_t>(current - 1) * length, length, [&] {
    if (current > Count) return false;
    RecordBuffer = EmptyCriteriaRow();
    RecordWrite(current);
    return lastIoOk();
  });
  RepaintPage();
}

void TfORGVK::DeleteRecord(std::int32_t) {
  if (RefusedWhileCopyLeft() || !DataFileUsable()) return;
  // The old rows stay until all the empty ones are written.
  RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [this] {
    if (const int code = DataFile().Truncate(0)) {
      FileMessage(" pise soubor: ", DataFilePath, code);
      return false;
    }
    Count = 0;
    for (int n = 0; n < kCriteriaRows; ++n) {
      RecordBuffer = EmptyCriteriaRow();
      if (!AppendRecord()) return false;
    }
    return true;
  });
  DataFileReopen();
  GoToRecord(1, 0);
  RepaintPage();
}

void TfORGVK::ShowHelp(int) { browser::ShowHelpTopic("\\2\\serv", Cz("Výběrová")); }

void TfORGVK::EditFormBuilt() {
  if (browser::EditForm* form = ActiveEditForm()) form->SetFont(Courier10());
}

void SetupORGVK(TfORGVK& w, const std::string& text) {
  w.SetupText = text;
  w.SelectionRun = false;
  w.Selected = 0;
  const std::string file = common::DataDir(TfORGVK::CriteriaName());
  if (common::CheckFile(file) < 1) {
    std::string rows;
    for (int n = 0; n < kCriteriaRows; ++n) rows += EmptyCriteriaRow();
    if (const int code = common::ReplaceFileContents(file, rows)) common::FileErrorMessage(" pise soubor: ", file, code);
  }
  w.FieldCount = 4;
  for (int i = 1; i <= 4; ++i) {
    const Column& k = kColumns[static_cast<std::size_t>(i - 1)];
    browser::FieldSetup s;
    s.At(kEditColumns[static_cast<std::size_t>(i - 1)], 2)
        .Picture(" ")
        .Initial(std::string(static_cast<std::size_t>(k.width), k.empty));
    if (i <= 3) s.Hint(kRulers[static_cast<std::size_t>(i - 1)], kEditColumns[static_cast<std::size_t>(i - 1)], 1);
    browser::SetFieldDescriptor(w.Field(i), s);
    w.ColumnOrder[static_cast<std::size_t>(i)] = i;
    w.FieldStates[static_cast<std::size_t>(i)] = 1;
  }
  w.OwnHeaders = true;
  w.ColumnCount = 4;
  for (int c = 1; c <= 4; ++c) w.HeaderTexts[static_cast<std::size_t>(c)] = Cz(kHeaders[static_cast<std::size_t>(c - 1)]);
  browser::BrowseSetup b;
  b.fileName = TfORGVK::CriteriaName();
  b.title = Cz(kTitle);
  b.keyLine = Cz(kKeyLine);
  b.editTitle = Cz(kEditTitle);
  b.editKeyLine = Cz(kEditKeyLine);
  b.fieldCount = 4;
  b.recordLength = kCriteriaLength;
  b.startRecord = 1;
  b.grid = {1, 1, 80, 25};
  b.gridFontColor = ui::colors::Black;
  b.edit = {10, 5, 80, 10};
  w.OpenBrowse(b);
  w.sgRol.SetFont(Courier10());
  w.SetCaption(Cz(kCaption));
  w.HeaderLine = Cz(kHeader);
  w.RepaintPage();
}

namespace {
std::unique_ptr<TfORGVK>& Instance() {
  static std::unique_ptr<TfORGVK> w;
  return w;
}
}  // namespace

TfORGVK& fORGVK() {
  if (!Instance()) Instance() = std::make_unique<TfORGVK>();
  return *Instance();
}

void DestroyOrgVkWindow() { Instance().reset(); }

}  // namespace partners
