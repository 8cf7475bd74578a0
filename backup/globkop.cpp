#include "backup/globkop.h"

#include <algorithm>

#include "backup/archiver.h"
#include "backup/copystore.h"
#include "backup/pending.h"
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/protocol.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"

namespace backup {

using namespace common::literals;

namespace {

// The masks of the set "TAVONA", in the order they are listed.
constexpr const char* kBackupMasks[] = {"*.dt*", "*.dch", "ucall.0*", "skn*.*", "sk02.*", "sa03.0*", "sa02.0*"};
constexpr std::uint64_t kDiskReserve = 5000;
constexpr std::size_t kDiskBlock = 100000;

// The first line of the note file when it is larger than 2 bytes, else empty.
std::string NoteText() {
  std::uint64_t size = 0;
  const std::string note = common::DataDir(kNoteName);
  if (common::FileSize(note, size) != 0 || size <= 2) return {};
  return common::ReadFirstLine(note);
}

// "nezkopírovány 3 soubory: a, b, c": the first names and how many more.
std::string NotCopiedText(const std::vector<std::string>& names) {
  constexpr std::size_t kNamed = 3;
  const auto n = static_cast<std::int64_t>(names.size());
  std::string text = common::CzCount(n, {"soubor", "soubory", "souborů"}, {"nezkopírován", "nezkopírovány", "nezkopírováno"},
                                     common::CzPlace::Before) + ":";
  for (std::size_t i = 0; i < names.size() && i < kNamed; ++i) text += (i == 0 ? " " : ", ") + names[i];
  if (names.size() > kNamed) text += " a " + common::CzCount(n - static_cast<std::int64_t>(kNamed), "další", "další", "dalších");
  return text;
}

}  // namespace

std::string CopyListHint() { return "Označ vybranou kopi a pak DblClick nebo Enter"_cz; }

TfGlobKop& fGlobKop() { return browser::SingleWindow<TfGlobKop>(); }

void OpenGlobKop() {
  TfGlobKop& w = fGlobKop();
  w.ShowChoiceControls();
  w.ShowModal();
}

TfGlobKop::TfGlobKop()
    : ui::Form("fGlobKop"),
      bKopiruj(Add<ui::Button>("bKopiruj")),
      bObnov(Add<ui::Button>("bObnov")),
      Label1(Add<ui::Label>("Label1")),
      ComboDisk(Add<ui::ComboBox>("ComboDisk")),
      Label4(Add<ui::Label>("Label4")),
      ComboCo(Add<ui::ComboBox>("ComboCo")),
      Label6(Add<ui::Label>("Label6")),
      ComboKomprese(Add<ui::ComboBox>("ComboKomprese")),
      Label3(Add<ui::Label>("Label3")),
      ListBox1(Add<ui::ListBox>("ListBox1")),
      Label2(Add<ui::Label>("Label2")),
      LabelID(Add<ui::Label>("LabelID")),
      ProgressBar1(Add<ui::ProgressBar>("ProgressBar1")) {
  SetCaption("Kopie dat TAVONA");
  SetClientSize(812 - ui::kFrameWidth, 495 - ui::kFrameHeight);
  keyPreview = true;
  ui::Font fixed;
  fixed.name = "Courier New";
  fixed.size = 10;
  LabelID.SetBounds(8, 8, 780, 16);
  Label1.SetText("Disk kopie:");
  Label1.SetBounds(8, 32, 80, 16);
  ComboDisk.SetBounds(90, 28, 50, 21);
  std::vector<std::string> drives;
  for (char c = 'A'; c <= 'Z'; ++c)
    if (c != 'Q') drives.emplace_back(1, c);
  ComboDisk.SetItems(drives);
  ComboDisk.SetText("C");
  Label4.SetText("Co kopírovat:"_cz);
  Label4.SetBounds(160, 32, 90, 16);
  ComboCo.SetBounds(252, 28, 100, 21);
  ComboCo.SetItems({"TAVONA"});
  ComboCo.SetText("TAVONA");
  Label6.SetText("Komprese");
  Label6.SetBounds(372, 32, 70, 16);
  ComboKomprese.SetBounds(444, 28, 70, 21);
  ComboKomprese.SetItems({"True", "False"});
  ComboKomprese.SetText("False");
  ComboKomprese.SetStyle(ui::ComboStyle::DropDownList);
  bKopiruj.SetText("Kopiruj data");
  bKopiruj.SetBounds(540, 26, 110, 25);
  bObnov.SetText("Obnov data");
  bObnov.SetBounds(660, 26, 110, 25);
  Label3.SetText("...");
  Label3.SetBounds(8, 60, 780, 16);
  ListBox1.SetBounds(8, 80, 780, 320);
  ListBox1.SetFont(fixed);
  Label2.SetBounds(8, 408, 780, 16);
  Label2.SetFont(fixed);
  ProgressBar1.SetBounds(8, 430, 780, 18);
  ProgressBar1.SetRange(0, 100);
  for (ui::Control* c : ChoiceControls()) c->Hide();

  onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { FormKeyDown(key, shift); };
  onClose = [this](ui::Form&, ui::CloseAction&) { FormClose(); };
  ComboDisk.onChange = [this](ui::Control&) { ComboDiskChange(); };
  ComboCo.onChange = [this](ui::Control&) { ComboCoChange(); };
  ComboKomprese.onChange = [this](ui::Control&) { ComboKompreseChange(); };
  bKopiruj.onClick = [this](ui::Control&) { bKopirujClick(); };
  bObnov.onClick = [this](ui::Control&) { bObnovClick(); };
  ListBox1.onKeyDown = [this](ui::Control&, int& key, ui::Shift shift) { ListBox1KeyDown(key, shift); };
  ListBox1.onDblClick = [this](ui::Control&) { ListBox1DblClick(); };
}

void TfGlobKop::ShowChoiceControls() {
  for (ui::Control* c : ChoiceControls()) {
    c->Show();
    c->SetEnabled(true);
  }
  ListBox1.SetEnabled(true);
}

std::vector<ui::Control*> TfGlobKop::ChoiceControls() {
  return {&bKopiruj, &bObnov, &Label1, &ComboDisk, &Label4, &ComboCo, &Label6, &ComboKomprese};
}

std::string TfGlobKop::SetFolderName() const { return SetFolder(Drive, Tail, Set); }

void TfGlobKop::TakeDrive(const std::string& text) {
  const char c = text.empty() ? ' ' : common::UpperCp1250(text[0]);
  if (c >= 'A' && c <= 'Z') {
    Drive = c;
    common::WriteJob("DISK2GO", std::string(1, c));
    ComboDisk.SetText(std::string(1, c));
  } else {
    Drive = 'C';
    ComboDisk.SetText("C");
  }
  DisketteMode = Drive == 'A' || Drive == 'B';
}

void TfGlobKop::ComboDiskChange() {
  try {
    TakeDrive(ComboDisk.text());
  } catch (const common::IoError& e) {
    common::BeepMessage("Chyba "_cz + std::to_string(e.code) + " " + e.file);
  }
}

void TfGlobKop::ComboCoChange() { Set = ComboCo.text(); }

void TfGlobKop::ComboKompreseChange() { Compression = ComboKomprese.text() == "True"; }

void TfGlobKop::bKopirujClick() {
  bKopiruj.SetEnabled(false);
  bObnov.SetEnabled(false);
  BackupData();
  bKopiruj.SetEnabled(true);
  bObnov.SetEnabled(true);
  Close();
}

void TfGlobKop::FormKeyDown(int& key, ui::Shift shift) {
  LastKey = ui::KeyCode(key, shift);
  if (key != ui::vk::Esc) return;
  key = 0;
  try {
    common::WriteJob("COPYOK", "S");
  } catch (const common::IoError& e) {
    common::BeepMessage("Chyba "_cz + std::to_string(e.code) + " " + e.file);
  }
  if (offering_) {
    // Esc in the list of copies offers the copies of another year.
    offering_ = false;
    if (AnotherYear() && OfferCopies()) return;
  }
  Close();
}

void TfGlobKop::FormClose() {
  offering_ = false;
  try {
    common::LogProtocol("KOPIE STOP ");
  } catch (const common::IoError&) {
  }
}

std::string TfGlobKop::IdText() const {
  std::string id = "Kopie dat TAVONA " + common::CurrentSession().ComputerId + " " + Set;
  if (DisketteMode || !DiskFolder.empty())
    id += " Serie: " + Series;
  else
    id += " Číslo kopie:"_cz + CopyNumber;
  return id;
}

std::string TfGlobKop::CopyLine(std::size_t index, const CopyEntry& e, const char* mask) const {
  return common::FormatFloatMask(mask, static_cast<double>(index + 1)) + common::AlignText(e.name, "L", " ", 14) +
         SizeText(e.size);
}

void TfGlobKop::ShowProgressLine(const std::string& line) {
  Label2.SetText(line);
  ListBox1.SetItemIndex(ListBox1.AddItem(line));
  ui::ProcessMessages();
}

void TfGlobKop::AddCopyName(const std::string& name, const std::string& source) {
  for (const auto& e : Table)
    if (e.name == name) return;
  Table.push_back({name, source, 0, 0});
}

void TfGlobKop::WriteCopyCounter(const std::string& number) {
  common::ThrowIfError(common::ReplaceFileContents(SetFolderName() + kCounterName, number + "\r\n"),
                       SetFolderName() + kCounterName);
}

void TfGlobKop::DiskErrorMessage(int code) {
  common::BeepMessage("V disketové mechanice došlo k chybě #"_cz +
                      common::RemoveSpaces(common::FormatFloatMask("#####", code)));
}

bool TfGlobKop::CollectFiles(std::vector<std::string>& notCopied) {
  Table.clear();
  // A mask and every name it lists stay in the data folder: anything else is left out.
  auto addMask = [&](const std::string& mask) {
    if (!SafeName(mask)) {
      common::LogProtocol(mask + " Ignorován"_cz);
      notCopied.push_back(mask);
      return;
    }
    std::vector<common::DirItem> items;
    (void)common::ListDirectory(common::DataDir(mask), items, common::kListFiles);
    for (const auto& item : items) {
      if (!SafeName(item.name) || item.isLink) {
        common::LogProtocol(item.name + " Ignorován"_cz);
        notCopied.push_back(item.name);
      } else if (common::IsProgramOwnName(item.diskName)) {
        // The program's own rollback copies, temporaries and marks: a rollback copy
        // restored would be put back over the restored file.
      } else if (item.size > 0) {
        AddCopyName(item.name, common::DataDir(item.name));
      }
    }
    // A file deleted beside the rollback copy its killed rewrite left: the copy holds its
    // only old bytes, so it is named among the files not copied rather than passed over.
    for (const std::string& name : common::MissingBesideCopies(common::DataDir(mask)))
      AddCopyName(name, common::DataDir(name));
  };
  if (Set == kDefaultSet) {
    common::Session& s = common::CurrentSession();
    if (!s.FjOn && common::FileExists(common::DataDir(common::kProtocolFileName))) {
      if (common::CopyFileKeepDate(common::DataDir(common::kProtocolFileName), common::DataDir("protokol.dta")) != 0)
        notCopied.push_back("protokol.dta");
    }
    if (common::FileExists(common::DataDir(common::kJobFileName)) &&
        common::CopyFileKeepDate(common::DataDir(common::kJobFileName), common::DataDir("master.dta")) != 0)
      notCopied.push_back("master.dta");
    for (const char* mask : kBackupMasks) addMask(mask);
    return true;
  }
  const std::string bck = common::ProgDir("\\2\\" + Set + ".bck");
  std::string text;
  const int rc = common::ReadFileText(bck, text);
  if (rc == 2 || rc == 3) {
    browser::CloseBlik();
    common::BeepMessage("Chybí soubor "_cz + Set + ".bck");
    return false;
  }
  common::ThrowIfError(rc, bck);
  for (const auto& mask : MaskLines(text)) addMask(mask);
  return true;
}

void TfGlobKop::BackupData() {
  backupRunning_ = true;
  try {
    DisketteMode = Drive == 'A' || Drive == 'B' || !DiskFolder.empty();
    // Data half restored are not copied.
    if (FinishPendingRestores() > 0) {
      common::BeepMessage("Obnova dat není dokončena, kopie dat neproběhla"_cz);
      backupRunning_ = false;
      return;
    }
    if (!DisketteMode) browser::ShowBlik("Hledám soubory ke kopírování"_cz);
    Series = RandomSeries();
    DiskCounter = 0;
    LabelID.SetText(IdText());
    std::vector<std::string> notCopied;
    int failed = 0;
    const bool listed = CollectFiles(notCopied);
    browser::CloseBlik();
    TotalBytes = 0;
    if (listed && !Table.empty()) {
      for (std::size_t i = 0; i < Table.size(); ++i) {
        CopyEntry& e = Table[i];
        // Copied as an opening gives it: a copy a step left beside it goes back first.
        if (!common::PutBackBeforeReplacing(e.source, ", kopie dat ho nebude obsahovat"_cz)) {
          common::LogProtocol(common::FormatFloatMask("####  ", static_cast<double>(i + 1)) + e.name +
                              " Ignorován"_cz);
          notCopied.push_back(e.name);
          e.name.clear();
          continue;
        }
        common::File f;
        std::uint64_t size = 0;
        std::int64_t mtime = 0;
        int rc = f.Open(e.source, common::kModeReadOnly);
        if (rc == 0) rc = f.Size(size);
        if (rc == 0) rc = f.GetTime(mtime);
        if (rc != 0) {
          common::LogProtocol(common::FormatFloatMask("####  ", static_cast<double>(i + 1)) + e.name +
                              " Ignorován"_cz);
          notCopied.push_back(e.name);
          e.name.clear();
          continue;
        }
        e.size = size;
        e.mtimeNs = mtime;
        TotalBytes += size;
      }
      const bool done = DisketteMode ? CopyToDiskettes(failed, notCopied) : CopyToFolder(notCopied);
      (void)done;
    }
  } catch (const common::IoError& e) {
    browser::CloseBlik();
    common::BeepMessage("Chyba "_cz + std::to_string(e.code) + " " + e.file);
  }
  browser::CloseBlik();
  Table.clear();
  backupRunning_ = false;
}

// Packs the table's files in the private work folder; the table becomes the archive.
bool TfGlobKop::PackTable(const std::string& workFolder) {
  std::vector<std::string> names;
  std::uint64_t total = 0;
  for (const auto& e : Table) {
    if (e.name.empty()) continue;
    if (!common::LiesInside(workFolder, workFolder + e.name) ||
        common::CopyFileKeepDate(e.source, workFolder + e.name) != 0) {
      common::BeepMessage("Soubor "_cz + e.name + " nelze zkopírovat ke kompresi, kopie neproběhla"_cz);
      return false;
    }
    names.push_back(e.name);
    total += e.size;
  }
  const std::string archive = workFolder + kArchiveName;
  ArchiverError error;
  browser::ShowBlik("Komprese dat"_cz);
  int rc = PackArchive(archive, workFolder, names, error);
  if (rc == 0) rc = TestArchive(archive, error);
  browser::CloseBlik();
  if (rc != 0) {
    common::BeepMessage(error.text + ", kopie neproběhla"_cz);
    return false;
  }
  CopyEntry arch{kArchiveName, archive, 0, 0};
  common::ThrowIfError(common::FileSize(archive, arch.size), archive);
  common::ThrowIfError(common::GetFileTime(archive, arch.mtimeNs), archive);
  Table.assign(1, arch);
  TotalBytes = arch.size;
  (void)total;
  return true;
}


// A copy that went through: the note it carried is used up, the job entry and the
// log say so.
bool TfGlobKop::CopyDone(const std::string& note) {
  if (!note.empty()) (void)common::EraseFile(common::DataDir(kNoteName));
  common::WriteJob("COPYOK", " ");
  const std::string ok = "Kopie číslo "_cz + CopyNumber + " je OK";
  common::LogProtocol(ok);
  browser::ShowBlikTimed(ok, 3000);
  return true;
}

bool TfGlobKop::SaidIncomplete(const std::vector<std::string>& notCopied) {
  if (notCopied.empty()) return false;
  common::BeepMessage("Kopie číslo "_cz + CopyNumber + " není úplná: "_cz + NotCopiedText(notCopied));
  return true;
}

bool TfGlobKop::CopyToFolder(std::vector<std::string>& notCopied) {
  Tail = DataPathTail(common::DataDir(""));
  const std::string setFolder = SetFolderName();
  std::uint64_t freeBytes = 0;
  const std::uint64_t need = TotalBytes * (Compression ? 2 : 1) + kSpaceReserve;
  common::ThrowIfError(common::DiskFreeSpace(setFolder, freeBytes), setFolder);
  if (need > freeBytes) {
    common::BeepMessage("Na disku "_cz + std::string(1, Drive) + " chybí "_cz +
                        common::FormatFloatMask("### ### ### ###", static_cast<double>(need - freeBytes)) + " byte");
    return false;
  }
  common::ThrowIfError(common::MakeDirs(setFolder), setFolder);
  RemoveDeadFolders(setFolder, kWorkPrefix);
  // A killed backup's half-written counter or side file (of a copy number this run does
  // not write again) goes.
  (void)common::RemoveDeadTemps(setFolder);
  ScopedFolder work;
  if (Compression) {
    common::ThrowIfError(work.Make(setFolder, kWorkPrefix, "data"), setFolder);
    if (!PackTable(work.Work())) return false;
  }
  // The next copy folder is emptied and made anew.
  const int number = NextCopyNumber(common::TextToInt(TrimBlanks(common::ReadFirstLine(setFolder + kCounterName))));
  CopyNumber = ThreeDigits(number);
  const std::string copyFolder = setFolder + CopyFolderName(number) + "\\";
  if (common::DirectoryExists(copyFolder)) common::ThrowIfError(common::RemoveTree(copyFolder), copyFolder);
  (void)common::EraseFile(setFolder + SideFileName(number));
  common::ThrowIfError(common::MakeDir(copyFolder), copyFolder);
  LabelID.SetText(IdText() + "  Období: "_cz + PeriodText);
  ui::ProcessMessages();

  CopiedBytes = 0;
  ProgressBar1.SetRange(0, static_cast<int>(std::min<std::uint64_t>(TotalBytes / 1000, 0x7fffffff)));
  ListBox1.ClearItems();
  int copied = 0;
  for (std::size_t i = 0; i < Table.size(); ++i) {
    const CopyEntry& e = Table[i];
    if (e.name.empty()) continue;
    ProgressBar1.SetPosition(static_cast<int>(std::min<std::uint64_t>(CopiedBytes / 1000, 0x7fffffff)));
    ShowProgressLine(CopyLine(i, e));
    const std::string target = copyFolder + e.name;
    int rc = !common::LiesInside(copyFolder, target) ? 5
             : Compression ? common::ReplaceFileFrom(e.source, target) : common::CopyFileKeepDate(e.source, target);
    if (rc == 0) rc = common::SetFileTime(target, e.mtimeNs);
    if (rc != 0) {
      notCopied.push_back(e.name);
      common::LogProtocol(common::FormatFloatMask("####  ", static_cast<double>(i + 1)) + e.name + " chyba "_cz +
                          std::to_string(rc));
    } else {
      ++copied;
    }
    CopiedBytes += e.size;
  }
  common::LogProtocol("Celkem zkopírováno "_cz + common::FormatFloatMask("######", copied) + " souborů"_cz);
  if (SaidIncomplete(notCopied)) return false;
  common::LogProtocol("Kopie OK");
  WriteCopyCounter(CopyNumber);
  const std::string note = NoteText();
  common::ThrowIfError(common::ReplaceFileContents(copyFolder + kMarkerName,
                                                   MarkerLine(Series, true, Set, note) + "\r\n"),
                       copyFolder + kMarkerName);
  common::ThrowIfError(common::ReplaceFileContents(setFolder + SideFileName(number), common::DataDir("") + "\r\n"),
                       setFolder + SideFileName(number));
  return CopyDone(note);
}

bool TfGlobKop::CopyToDiskettes(int& failed, const std::vector<std::string>& notCopied) {
  medium_ = OpenMedium(Drive, DiskFolder);
  ScopedFolder work;
  if (Compression) {
    common::ThrowIfError(work.Make(common::DataDir(""), kWorkPrefix, "data"), common::DataDir(""));
    if (!PackTable(work.Work())) return false;
  }
  CopiedBytes = 0;
  ListBox1.ClearItems();
  for (std::size_t i = 0; i < Table.size(); ++i) {
    const CopyEntry& e = Table[i];
    if (e.name.empty()) continue;
    ShowProgressLine(CopyLine(i, e));
    if (const int rc = CopyFileToDisks(*medium_, i); rc != 0) {
      DiskErrorMessage(rc);
      ++failed;
      return false;
    }
    CopiedBytes += e.size;
  }
  if (DiskCounter == 0) {
    // Nothing went onto a medium: no series, but the files left out are still said.
    if (!notCopied.empty()) common::BeepMessage("Kopie dat neproběhla: "_cz + NotCopiedText(notCopied));
    return false;
  }
  // A series missing files is no copy, as a copy folder missing them is not: its last
  // label gets no "P".
  if (SaidIncomplete(notCopied)) return false;
  // The last diskette's label gets its "P".
  const std::string label = medium_->Root() + kLabelPrefix + ThreeDigits(DiskCounter);
  const std::string first = common::ReadFirstLine(label);
  const std::string note = DiskCounter == 1 ? NoteText() : std::string();
  common::ThrowIfError(common::ReplaceFileContents(label, MarkerLine(first.substr(0, 4), true, Set, note) + "\r\n"), label);
  return CopyDone(note);
}

int TfGlobKop::NextBackupDisk(Medium& medium) {
  ++DiskCounter;
  CopyNumber = ThreeDigits(DiskCounter);
  const std::string drive(1, Drive);
  for (int attempt = 0; attempt < kMediumAttempts; ++attempt) {
    if (DiskFolder.empty()) common::MessageOk("Vložte do mechaniky "_cz + drive + ":" + " disketu " + CopyNumber);
    medium.Change();
    // Step 3: a write-protected or missing medium is reported before anything is erased.
    const int state = medium.State();
    if (state == kMediumWriteProtected) {
      common::MessageOk("Disketa má zablokován zápis"_cz);
      if (browser::AskOne(10, 10, "Odblokovali jste ji")) continue;
      return state;
    }
    if (state == kMediumNotReady) {
      common::MessageOk("V mechanice není disketa"_cz);
      if (browser::AskOne(10, 10, "Chcete ji vložit")) continue;
      return state;
    }
    if (Drive == 'A' || Drive == 'B') (void)common::EraseFiles(medium.Root() + "*.*");
    // Steps 4 to 6: free space, folder and label, the label tried a bounded number of times.
    int labelCode = 0;
    for (int labelAttempt = 0; labelAttempt < kMediumAttempts; ++labelAttempt) {
      std::uint64_t freeBytes = 0;
      if (medium.FreeSpace(freeBytes) != 0 || freeBytes < kSpaceReserve) {
        if (browser::AskOne(10, 10, "Tato disketa má malou kapacitu, vložit novou"_cz)) {
          labelCode = -1;
          break;
        }
        return 77;
      }
      (void)common::MakeDirs(medium.Root());
      const std::string note = DiskCounter == 1 ? NoteText() : std::string();
      labelCode = common::ReplaceFileContents(medium.Root() + kLabelPrefix + CopyNumber,
                                              MarkerLine(Series, false, Set, note) + "\r\n");
      if (labelCode == 0) return 0;
      if (labelCode == 5 || labelCode == kMediumWriteProtected || labelCode == kMediumNotReady) break;
    }
    if (labelCode == -1) continue;
    const int state2 = medium.State();
    if (state2 == kMediumWriteProtected || labelCode == 5) {
      common::MessageOk("Disketa má zablokován zápis"_cz);
      if (browser::AskOne(10, 10, "Odblokovali jste ji")) continue;
      return kMediumWriteProtected;
    }
    if (state2 == kMediumNotReady) {
      common::MessageOk("V mechanice není disketa"_cz);
      if (browser::AskOne(10, 10, "Chcete ji vložit")) continue;
      return kMediumNotReady;
    }
    return labelCode;
  }
  return medium.State() != 0 ? medium.State() : 77;
}

int TfGlobKop::CopyFileToDisks(Medium& medium, std::size_t index) {
  const CopyEntry& e = Table[index];
  if (DiskCounter == 0)
    if (const int rc = NextBackupDisk(medium)) return rc;
  common::File in;
  if (const int rc = in.Open(e.source, common::kModeReadOnly)) return rc;
  ProgressBar1.SetRange(0, static_cast<int>(std::min<std::uint64_t>(e.size, 0x7fffffff)));
  std::vector<char> buffer(kDiskBlock);
  if (!common::LiesInside(medium.Root(), medium.Root() + e.name)) return 5;
  common::File out;
  if (const int rc = out.Create(medium.Root() + e.name, common::kModeReadWrite)) return rc;
  std::uint64_t done = 0, outPos = 0;
  while (done < e.size) {
    std::uint64_t freeBytes = 0;
    if (const int rc = medium.FreeSpace(freeBytes)) return rc;
    const std::uint64_t room = freeBytes > kDiskReserve ? freeBytes - kDiskReserve : 0;
    if (room == 0) {
      out.Close();
      (void)common::SetFileTime(medium.Root() + e.name, e.mtimeNs);
      common::MessageOk("Vyjměte z mechaniky "_cz + std::string(1, Drive) + ":" + " disketu serie " + Series + " " +
                        CopyNumber);
      if (const int rc = NextBackupDisk(medium)) return rc;
      if (const int rc = out.Create(medium.Root() + e.name, common::kModeReadWrite)) return rc;
      outPos = 0;
      continue;
    }
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>({room, kDiskBlock, e.size - done}));
    std::size_t got = 0;
    if (const int rc = in.ReadSome(done, buffer.data(), piece, got)) return rc;
    if (got == 0) return 100;
    if (const int rc = out.WriteAt(outPos, buffer.data(), got)) return rc;
    done += got;
    outPos += got;
    ProgressBar1.SetPosition(static_cast<int>(std::min<std::uint64_t>(done, 0x7fffffff)));
  }
  out.Close();
  return common::SetFileTime(medium.Root() + e.name, e.mtimeNs);
}

}  // namespace backup
