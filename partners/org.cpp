#include "partners/org.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "browser/codec.h"
#include "browser/entries.h"
#include "common/codepages.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/process.h"
#include "common/scramble.h"
#include "common/session.h"
#include "common/text.h"
#include "partners/lookups.h"
#include "partners/orgservices.h"
#include "partners/orgtools.h"

namespace partners {

using common::Cz;

namespace {

const std::array<OrgField, kOrgFields> kFields{{
    {"Číslo firmy ", "@@@@@W", 5, 2, 1},
    {">IČO", "x", 8, 22, 1},
    {">DIČ ", "x", 16, 37, 1},
    {">Adr1-název ", "m", 30, 2, 2},
    {"Adr2-jméno  ", "m", 30, 2, 3},
    {"Adr3-ulice  ", "m", 30, 2, 4},
    {">Adr4-město ", "m", 30, 2, 5},
    {">P S Č      ", " ", 5, 2, 6},
    {"> Adr5-stát ", " ", 30, 2, 7},
    {"EAN firmy   ", "X", 20, 2, 8},
    {">Název banky", " ", 20, 2, 9},
    {">Kód banky  ", "P", 4, 36, 9},
    {"Čís.konta   ", "X", 19, 2, 10},
    {"SWIFT Code  ", "X", 10, 36, 10},
    {"Jméno       ", "m", 24, 2, 11},
    {"Telefon     ", " ", 24, 2, 12},
    {"Fax         ", " ", 24, 2, 13},
    {"E-Mail      ", "m", 40, 2, 14},
    {"Místo fakt. ", "#####W", 5, 2, 16},
    {"Kód prodeje ", " ", 10, 21, 16},
    {"     Ceník ", "Y", 3, 45, 16},
    {"%penalizace ", "###.##R", 6, 2, 17},
    {"% slevy[-] ", "##.#-R", 5, 25, 17},
    {"P.dnů spl. ", "###W", 3, 45, 17},
    {">P.č.konta  ", "##W", 2, 2, 18},
    {"č.objednávky ", " ", 12, 2, 19},
    {"Č.fin. úřadu ", "X", 3, 30, 19},
    {"Pozn.1 ", "X", 50, 2, 20},
    {"Pozn.2 ", "X", 50, 2, 21},
    {"Pozn.3 ", "X", 50, 2, 22},
}};

constexpr char kTitle[] = " Obchodní partneři ";
constexpr char kKeyLine[] =
    " Enter=Výběr  F1=Help  Mezera=Oprava  F3=Hledej  F4=Přidej F8=Zruš  Klik_na_hlavicku=Třízení F5=kontrola PSČ a "
    "IČZUJ  F7=Poznámky";
constexpr char kEditKeyLine[] = " F2=Zápis Esc=Konec    ENTER_na [ IČO=Obce DIČ=Spolehlivý_plátce ADR1=Náhled_do_RES ] ";
constexpr char kHeader[] =
    " Čís. I Č O    D I Č            Název firmy                    J m é n o                      S í d l o      "
    "                M í s t o                      PSČ   ";
constexpr ui::Color kGridColor = 0xD0FFFF, kEditColor = 0xD0F0FF;
constexpr ui::Color kNameSortColor = 0xE0FFE0, kColumnSortColor = 0xA0FFFF;

// The tools menu: item names (the handlers' names) and captions, in menu order.
constexpr std::array<std::pair<const char*, const char*>, 28> kTools{{
    {"A1", "Třízení - Klik na hlavičku"},
    {"B1", "Dle abecedy"},
    {"c1", "Setřiď"},
    {"D1", "Překóduj"},
    {"e1", "Překóduj Dič na CZ"},
    {"F1", "Export do DBF QUICK"},
    {"g1", "Prevod z GREMO"},
    {"h1", "Oprava IČA (/)"},
    {"i1", "Sraz označené, ostatní zruš"},
    {"j1", "Přidej SK"},
    {"k1", "Oprav CEO"},
    {"l1", "Zruš konto"},
    {"m1", "Otoč proc slevy"},
    {"n1", "Naber CSV"},
    {"TiskPoukazek1", "Tisk Poukazek"},
    {"OpravLV1", "Oprav LV"},
    {"ZvetsiOrg", "Zvětši Organizace"},
    {"Mezeradoozn1", "Mezera do ozn."},
    {"Orvek20171", "Orvek2017"},
    {"Mezerujozn1", "Mezeruj označené"},
    {"Zasifruj1", "Šifruj označené"},
    {"Desifruj1", "Dešifruj označené"},
    {"NaberCSV21", "Naber CSV2 Hubra"},
    {"NaberCSVLufri1", "Naber CSV Lufri"},
    {"OpisLV1", "Opis LV"},
    {"Mailadresy1", "Mail adresy"},
    {"VOXAOPRAVA1", "VOXA-OPRAVA"},
    {"mARRES1", "Používat ARRES"},
}};
constexpr char kAresItem[] = "mARRES1";

const std::vector<int>& Offsets() {
  static const std::vector<int> offsets = [] {
    std::vector<int> o;
    int at = 0;
    for (const OrgField& f : kFields) {
      o.push_back(at);
      const std::string picture = f.picture;
      at += picture.back() == 'W' ? 2 : picture.back() == 'R' ? 6 : f.width + 1;
    }
    return o;
  }();
  return offsets;
}

int OffsetOf(int field) { return Offsets()[static_cast<std::size_t>(field - 1)]; }
int WidthOf(int field) { return kFields[static_cast<std::size_t>(field - 1)].width; }

std::string TextOf(std::string_view record, int field) {
  return common::GetCounted(record, static_cast<std::size_t>(OffsetOf(field)), static_cast<std::size_t>(WidthOf(field)));
}
std::uint16_t WordOf(std::string_view record, int field) {
  return common::GetLE<std::uint16_t>(record, static_cast<std::size_t>(OffsetOf(field)));
}
double RealOf(std::string_view record, int field) {
  return common::DecodeReal48(reinterpret_cast<const unsigned char*>(record.data()) + OffsetOf(field));
}

// Scrambles (or unscrambles) the personal fields of a record in place.
void ScrambleFields(std::string& record, bool scramble) {
  const std::string& key = common::CurrentSession().ScrambleKey;
  for (int field : kScrambledFields) {
    const std::string text = TextOf(record, field);
    const std::string done = scramble ? common::ScrambleText(text, key) : common::UnscrambleText(text, key);
    common::PutCounted(record, static_cast<std::size_t>(OffsetOf(field)), done, static_cast<std::size_t>(WidthOf(field)));
  }
}

// RFC 3986 percent-encoding of a UTF-8 text (unreserved characters stay).
std::string PercentEncoded(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
        c == '~') {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool Blank(std::string_view s) { return common::RemoveSpaces(s).empty(); }

}  // namespace

const std::array<OrgField, kOrgFields>& OrgFieldTable() { return kFields; }

int OrgOffset(int field) { return OffsetOf(field); }
std::string OrgText(std::string_view record, int field) { return TextOf(record, field); }
void PutOrgText(std::string& record, int field, std::string_view text) {
  const auto width = static_cast<std::size_t>(WidthOf(field));
  std::string padded(text.substr(0, std::min(text.size(), width)));
  padded.resize(width, ' ');
  common::PutCounted(record, static_cast<std::size_t>(OffsetOf(field)), padded, width);
}
std::uint16_t OrgWord(std::string_view record, int field) { return WordOf(record, field); }
void PutOrgWord(std::string& record, int field, std::uint16_t value) {
  common::PutLE<std::uint16_t>(record, static_cast<std::size_t>(OffsetOf(field)), value);
}
double OrgReal(std::string_view record, int field) { return RealOf(record, field); }
void PutOrgReal(std::string& record, int field, double value) {
  common::PutReal48(record, static_cast<std::size_t>(OffsetOf(field)), value);
}
void ScrambleOrgFields(std::string& record, bool scramble) { ScrambleFields(record, scramble); }

// ---------------------------------------------------------------- the services

OrgServices& OrgHooks() {
  static OrgServices services = [] {
    OrgServices s;
    s.openPage = [](const std::string& url) { (void)common::OpenDocument(url); };
    return s;
  }();
  return services;
}

void ResetOrgServices() {
  OrgHooks() = {};
  OrgHooks().openPage = [](const std::string& url) { (void)common::OpenDocument(url); };
}

// ---------------------------------------------------------------- the window

TfOrg::TfOrg(std::string name) : TfSoub(std::move(name)) { BuildToolsMenu(); }

void TfOrg::BuildToolsMenu() {
  // The base menu's first items are reused, the rest added; all start disabled but
  // the lookup switch.
  for (std::size_t i = 0; i < kTools.size(); ++i) {
    ui::MenuItem& item = static_cast<int>(i) < PopupMenu1.count() ? PopupMenu1.item(static_cast<int>(i))
                                                                   : PopupMenu1.AddItem(kTools[i].first, "");
    item.name = kTools[i].first;
    item.caption = Cz(kTools[i].second);
    item.visible = true;
    item.enabled = item.name == kAresItem;
    item.onClick = [this, name = item.name](ui::MenuItem&) {
      if (name == kAresItem) return AskUseAres();
      const auto& tools = OrgHooks().tools;
      if (auto it = tools.find(name); it != tools.end() && it->second) it->second(*this);
    };
  }
}

void TfOrg::EnableMenuItems() {
  for (int i = 1; i < PopupMenu1.count(); ++i) PopupMenu1.item(i).enabled = true;
}

std::int32_t TfOrg::PartnerNumber(std::string_view record) { return WordOf(record, of::Number); }

std::string TfOrg::RecordToColumns(std::int32_t n) {
  TfSoub::RecordToColumns(n);
  std::swap(ColumnTexts[5], ColumnTexts[7]);
  std::string joined;
  for (int c = 1; c <= FieldCount; ++c) joined += ColumnTexts[static_cast<std::size_t>(c)] + " ";
  return joined;
}

std::string TfOrg::RecordSearchText(std::int32_t n) {
  std::string text = TfSoub::RecordSearchText(n);
  for (int field = of::Note1; field <= of::Note3; ++field) text += common::RemoveSpaces(TextOf(ViewBuffer, field));
  return text;
}

void TfOrg::RecordReadForView(std::int32_t n) {
  TfSoub::RecordReadForView(n);
  if (n < 1 || n > Count || BlankRecord.size() != ViewBuffer.size()) return;
  if (TextOf(ViewBuffer, of::Name).starts_with("  ")) {
    ViewBuffer = BlankRecord;
    common::PutLE<std::uint16_t>(ViewBuffer, 0, static_cast<std::uint16_t>(LastPhysicalRecord));
  }
}

void TfOrg::ShowHelp(int) { browser::ShowHelpTopic("\\CI\\ORG", CurrentField != -1 ? "ICO" : "Seznam"); }

void TfOrg::NewRecord() {
  if (RefusedWhileCopyLeft() || !DataFileUsable()) return;
  // Held until the new partner is written or given up, whichever way F4 ends.
  common::ScopedFileLock lock(common::DataDir(kOrgLock), "W");
  if (lock.Stopped()) return;  // Esc at the wait: no edit window
  RecordBuffer = BlankRecord;
  DataFileReopen();
  const std::int32_t number = Count + 1;
  if (number > kMaxPartnerNumber) {
    common::MessageOk(Cz("Obchodních partnerů může být nejvýše 65535, nový už nelze přidat"));
    return;
  }
  common::PutLE<std::uint16_t>(RecordBuffer, static_cast<std::size_t>(OffsetOf(of::Number)), static_cast<std::uint16_t>(number));
  common::PutLE<std::uint16_t>(RecordBuffer, static_cast<std::size_t>(OffsetOf(of::InvoicePlace)),
                               static_cast<std::uint16_t>(number));
  TfSoub::NewRecord();
}

void TfOrg::ClearRecord() {
  const std::uint16_t number = WordOf(RecordBuffer, of::Number);
  RecordBuffer = BlankRecord;
  common::PutLE<std::uint16_t>(RecordBuffer, 0, number);
}

void TfOrg::DeleteRecord(std::int32_t current) {
  if (RefusedWhileCopyLeft() || !MayDelete || !DataFileUsable()) return;
  if (!browser::AskOne(40, 20, Cz("Skutečně zrušit"))) return;
  if (MarkedCount == 0) {
    TfSoub::DeleteRecord(current);
  } else {
    const std::int32_t kept = Current;
    StepOverMarks([this] {
      for (std::int32_t p = 1; p <= Count; ++p) {
        const std::int32_t record = IndexPositionToRecord(p);
        if (!IsMarked(record)) continue;
        Current = p;
        TfSoub::DeleteRecord(p);
        UnmarkRecord(record);
        --MarkedCount;
      }
      return true;
    });
    Current = kept;
  }
  RepaintPage();
  sgRol.SetFocus();
}

bool TfOrg::OrgScrambleMarked(bool scramble) {
  if (RefusedWhileCopyLeft()) return false;
  common::Session& s = common::CurrentSession();
  const int former = s.ScrambleOn, order = ActiveOrder;
  ActiveOrder = 0;  // marks are by record number
  // Each record is read and written back under one turn, the marked ones together.
  const bool all = StepOverMarks([&] {
    return RewriteEachRecord([&](std::int32_t n) {
      if (!IsMarked(n)) return true;
      s.ScrambleOn = scramble ? 0 : 1;
      RecordReadAt(n);
      const bool read = lastIoOk();
      s.ScrambleOn = scramble ? 1 : 0;
      if (read) RecordWriteAt(n);
      s.ScrambleOn = former;
      if (!read || !lastIoOk()) return false;
      UnmarkRecord(n);
      if (MarkedCount > 0) --MarkedCount;
      return true;
    });
  });
  s.ScrambleOn = former;
  ActiveOrder = order;
  RepaintPage();
  return all;
}

std::string TfOrg::NotesName(std::int32_t n) {
  return common::DataDir("POZNAMKY") + "\\ORG" + common::FormatFloatMask("@@@@@", n);
}

void TfOrg::KeyF7(std::int32_t) {
  if (Current < 1 || Current > Count) return;
  RecordRead(Current);
  if (!lastIoOk()) return;
  const std::int32_t n = LastPhysicalRecord;
  common::ForceDirs(common::DataDir("POZNAMKY\\"));
  // The report job adds ".TXT": the file tested, written and shown is that one.
  const std::string name = NotesName(n);
  const std::string file = name + ".TXT";
  if (common::CheckFile(file) < 1) {
    // Notes an older program kept under a doubled extension are taken over.
    const std::string doubled = name + ".txt.TXT";
    if (common::CheckFile(doubled) >= 1) {
      if (const int code = common::RenameFileOver(doubled, file)) {
        common::FileErrorMessage(" pise soubor: ", file, code);
        return;
      }
    } else if (browser::ReportWriter* writer = browser::CurrentReportWriter()) {
      writer->OpenReportOut("*" + name, 100);
      writer->WriteReportLine(common::FormatFloatMask("#####", n) + " " + TextOf(RecordBuffer, of::Name));
      writer->WriteReportLine(std::string(34, '*'));
      writer->WriteReportLine("");
      writer->CloseReportOut();
    }
  }
  browser::PrintReport(name);
}

// ---------------------------------------------------------------- column sort

std::string TfOrg::SortKey(int k, std::int32_t n) {
  const std::string& r = RecordBuffer;
  auto czech = [&](int field) { return common::CzSortKey(TextOf(r, field)); };
  std::string key;
  switch (k) {
    case 4: key = czech(4); break;
    case 5: key = czech(7); break;
    case 6: key = czech(6); break;
    case 7: key = czech(5); break;
    case 9: key = czech(9); break;
    case 17:
    case 18:
    case 28:
    case 29:
    case 30: key = czech(k); break;
    case 19: key = common::FormatFloatMask("######", WordOf(r, k)); break;
    case 22:
    case 23: key = common::FormatFloatMask("###.##-", RealOf(r, k)); break;
    case 24: key = common::FormatFloatMask("###", WordOf(r, k)); break;
    case 25: key = common::FormatFloatMask("##", WordOf(r, k)); break;
    default: key = TextOf(r, k); break;  // the texts as stored
  }
  key += common::FormatFloatMask("######", n);
  return key.substr(0, std::min<std::size_t>(key.size(), 50));
}

void TfOrg::SortByColumn(int column) {
  if (column < 1 || column > kOrgFields || DataFileName.empty()) return;
  ColumnSortPlan plan;
  plan.zeroTail = true;
  if (column > 1) plan.key = [this, column](std::int32_t n) { return SortKey(column, n); };
  if (!SortIndexByKeys(plan)) return;
  SortColumn = column;
  GridColor = column == 4 ? kNameSortColor : kColumnSortColor;
  RepaintPage();
}

// ---------------------------------------------------------------- the edit window

void TfOrg::PutEditText(int field, const std::string& value) {
  EditText(field) = common::AlignText(value, "L", " ", WidthOf(field));
}

void TfOrg::FillFromRegisters(const std::string& ico) {
  // A work folder that cannot be made is reported once, not by each lookup.
  if (!LookupIco(ico) || !MakeLookupFolder()) return;
  if (const std::optional<RegisterData> d = AresLookup(ico)) {
    PutEditText(of::Dic, d->dic);
    PutEditText(of::Name, d->name);
    PutEditText(of::Street, d->street);
    PutEditText(of::Town, d->town);
    PutEditText(of::PostalCode, d->postalCode);
    PutEditText(of::State, d->state);
    PutEditText(of::TaxOffice, d->taxOffice);
  }
  // Asked whatever the business register gave, unless the user ended its lookup.
  if (LookupEndedByUser()) return;
  if (const std::optional<VatPayerStatus> v = VatPayerStatusQuery(ico)) {
    PutEditText(of::BankCode, v->bankCode);
    PutEditText(of::Account, v->account);
    PutEditText(of::Note3, NoteAfterStatus(*v, EditText(of::Note3)));
  }
}

void TfOrg::FieldCheck(int field, std::string& text) {
  TfSoub::FieldCheck(field, text);
  switch (field) {
    case of::Ico:
      if (common::CurrentSession().AresOn != 0 && ActiveEditForm() && Blank(EditText(of::Name)) && !Blank(text))
        FillFromRegisters(text);
      break;
    case of::Dic:
      text = common::UpperCz(text);
      if (const std::size_t slash = text.find('/'); slash != std::string::npos) {
        std::string number = text;
        number.erase(slash, 1);
        if (!common::IsBirthNumber(number)) common::MessageOk(Cz("Chybné rodné číslo"));
      }
      break;
    case of::Account:
      if (!Blank(text)) {
        std::string account = text;
        if (common::IsBankAccount(account))
          text = account;
        else
          common::MessageOk(Cz("Chybné číslo konta"));
      }
      break;
    default: break;
  }
}

std::string TfOrg::RegisterPage(std::string_view key, std::string_view text) {
  const std::string query = common::StripLeftSp(common::StripRightSp(text));
  return LookupConfig().registerBase + "/ekonomicke-subjekty?" + std::string(key) + "=" +
         PercentEncoded(common::Win1250ToUtf8(query));
}

void TfOrg::FieldExit(int field, std::string& text) {
  TfSoub::FieldExit(field, text);
  const OrgServices& s = OrgHooks();
  const bool open = ActiveEditForm() != nullptr;
  switch (field) {
    case of::Ico:
    case of::Name:
      if (s.openPage) s.openPage(RegisterPage(field == of::Ico ? "ico" : "obchodniJmeno", text));
      break;
    case of::PostalCode:
      if (s.pickPostalCode)
        if (auto psc = s.pickPostalCode(open ? common::StripRightSp(EditText(of::Town)) : std::string())) text = *psc;
      break;
    case of::State:
      if (s.pickCountry)
        if (auto country = s.pickCountry()) text = *country;
      break;
    case of::BankName:
    case of::BankCode:
      if (s.pickBank) {
        const bool byCode = field == of::BankCode;
        if (auto bank = s.pickBank(common::StripLeftSp(common::StripRightSp(text)), byCode)) {
          text = byCode ? bank->code : bank->name;
          if (open) PutEditText(byCode ? of::BankName : of::BankCode, byCode ? bank->name : bank->code);
        }
      }
      break;
    case of::OwnAccount:
      if (s.pickOwnAccount)
        if (auto n = s.pickOwnAccount()) text = common::FormatFloatMask("##", *n);
      break;
    default: break;
  }
  FieldCheck(field, text);
}

void TfOrg::FieldChecked(int field, std::string& text) {
  TfSoub::FieldChecked(field, text);
  if (field == of::SalesCode) {
    SetSideLabel(field, Field(field).hint);
  } else if (field == of::OwnAccount && OrgHooks().ownAccountBankName) {
    const std::int32_t n = common::TextToInt(text);
    if (n >= 1)
      if (auto name = OrgHooks().ownAccountBankName(n)) SetSideLabel(field, *name);
  }
}

void TfOrg::BeforeWriteHook() { ScrambleFields(RecordBuffer, true); }

void TfOrg::AfterReadHook() { ScrambleFields(ReadingForView ? ViewBuffer : RecordBuffer, false); }

// ---------------------------------------------------------------- setup

void SetupOrg(TfOrg& w, const std::string& fileName) {
  w.FieldCount = kOrgFields;
  for (int i = 1; i <= kOrgFields; ++i) {
    const OrgField& f = kFields[static_cast<std::size_t>(i - 1)];
    browser::FieldSetup s;
    s.Caption(Cz(f.caption)).At(f.column, f.line).Picture(f.picture).Initial(i == of::Number ? "00000" : std::string(static_cast<std::size_t>(f.width), ' '));
    if (i == of::SalesCode) s.Hint("1234567890", 33, 15);
    if (i == of::PriceList) s.Hint("", 34, 16);
    if (i == of::OwnAccount) s.Hint("", 20, 18);
    browser::SetFieldDescriptor(w.Field(i), s);
    w.ColumnOrder[static_cast<std::size_t>(i)] = i;
    w.FieldStates[static_cast<std::size_t>(i)] = i == of::Number ? 0 : 1;
  }

  browser::BrowseSetup b;
  b.fileName = fileName;
  b.title = Cz(kTitle);
  b.keyLine = Cz(kKeyLine);
  b.editTitle = Cz(kTitle);
  b.editKeyLine = Cz(kEditKeyLine);
  b.viewMode = -1;
  b.fieldCount = kOrgFields;
  b.recordLength = 10000 + kOrgRecordLength;
  b.startRecord = 1;
  b.grid = {1, 1, 100, 25};
  b.gridColor = kGridColor;
  b.edit = {10, 1, 85, 25};
  b.editColor = kEditColor;
  w.OpenBrowse(b);

  // The blank record from the initial values.
  w.RecordBuffer.assign(static_cast<std::size_t>(kOrgRecordLength), '\0');
  browser::FieldsToRecord(w.FieldSpan(), w.RecordBuffer);
  w.BlankRecord = w.RecordBuffer;
  w.RecordTemplate = w.RecordBuffer;

  w.PicturesOn = true;
  w.PictureFolder = "ORG";
  common::CurrentSession().SelectedCode.clear();
  w.SortColumn = 0;

  std::string header = Cz(kHeader);
  for (int i = of::State; i <= kOrgFields; ++i) {
    const browser::FieldDescriptor& d = w.Field(i);
    std::string caption = d.caption;
    caption.resize(static_cast<std::size_t>(browser::FieldDisplayLength(d)), ' ');
    header += " " + caption;
  }
  w.HeaderLine = header;
  RepairWorkstation321(w);
  w.RepaintPage();
}

// ---------------------------------------------------------------- instances

namespace {
std::unique_ptr<TfOrg>& First() {
  static std::unique_ptr<TfOrg> w;
  return w;
}
std::unique_ptr<TfOrg>& Second() {
  static std::unique_ptr<TfOrg> w;
  return w;
}
}  // namespace

TfOrg& fOrg() {
  if (!First()) First() = std::make_unique<TfOrg>("fOrg");
  return *First();
}

TfOrg& fOrg2() {
  if (!Second()) Second() = std::make_unique<TfOrg>("fOrg2");
  return *Second();
}

void DestroyOrgWindows() {
  First().reset();
  Second().reset();
}

}  // namespace partners
