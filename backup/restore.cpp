// The restore half of the backup window: the list of copies, the staged restore of a
// copy folder, deleting a copy, and the restore of a diskette series.
#include <algorithm>

#include "backup/archiver.h"
#include "backup/copystore.h"
#include "backup/dirdialogx.h"
#include "backup/globkop.h"
#include "backup/pending.h"
#include "browser/entries.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/iocodes.h"
#include "common/jobfile.h"
#include "common/locking.h"
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

constexpr const char* kEraseMasks[] = {"*.dta",    "*.dt1",  "*.dt2",  "*.dt3",   "*.dti",   "*.w*",
                                       "ucall.0*", "skn*.*", "sk02.*", "sa02.0*", "sa03.0*", "*.idx"};
constexpr std::size_t kPieceBlock = 100000;
// Set by a failure that was already shown to the user.
constexpr int kReported = -1;

std::vector<common::DirItem> FilesOf(const std::string& folder) {
  std::vector<common::DirItem> items;
  (void)common::ListDirectory(folder + "*", items, common::kListFiles);
  return items;
}

void IoMessage(const common::IoError& e) { common::BeepMessage("Chyba "_cz + std::to_string(e.code) + " " + e.file); }

// The first name that may not be joined to a folder (a link counts as one), or empty.
std::string FirstBadName(const std::vector<common::DirItem>& items) {
  for (const auto& item : items)
    if (!SafeName(item.name) || item.isLink) return item.name;
  return {};
}

void BadNameMessage(const std::string& where, const std::string& name) {
  common::BeepMessage(where + " obsahuje soubor s neplatným jménem "_cz + name + ", data jsou beze změny"_cz);
}

// The staging sub-folder of a restore.
constexpr char kStagedFiles[] = "data";

bool ShortOfSpace(const std::string& folder, std::uint64_t need) {
  std::uint64_t freeBytes = 0;
  common::ThrowIfError(common::DiskFreeSpace(folder, freeBytes), folder);
  if (need <= freeBytes) return false;
  common::BeepMessage("Na vašem disku chybí "_cz +
                      common::FormatFloatMask("### ### ###", static_cast<double>(need - freeBytes)) +
                      " byte, data jsou beze změny"_cz);
  return true;
}

// Why the rollback copy `copy` a backup carried beside a file cannot be used.
std::string UnusableCopyText(const std::string& copy, const common::TakenBack& what) {
  const std::string code = std::to_string(what.stuckCode);
  if (what.stuckName == copy)
    return what.stuckCode == common::io::kInvalidData ? " je poškozena"_cz
                                                      : (what.stuckReading ? ", nelze ji přečíst, err "_cz
                                                                           : ", nelze ji zrušit, err "_cz) + code;
  if (what.stuckCode == common::io::kFileNotFound && what.stuckReading) return ", soubor v kopii chybí"_cz;
  common::TakenBack file = what;
  if (file.stuckName.empty()) file.stuckName = common::RollbackCopyOwner(copy);
  return ", " + common::StuckText(file);
}

// A backup an older program made while a step was unfinished holds the file as the step
// left it, with its rollback copy beside it: the staged file is taken back by its copy
// (with the other files of the step), a finished copy only dropped. What was taken back
// is added to `said`. False, said (the file as `from` names its place), when a copy
// cannot be used: no file of it is restored half.
bool TakeBackStagedCopies(const std::string& staged, const std::string& from, std::string& said) {
  for (const auto& item : FilesOf(staged)) {
    const std::string owner = common::RollbackCopyOwner(item.name);
    if (owner.empty() || !SafeName(owner)) continue;
    common::TakenBack what;
    const common::LeftCopy left = common::TakeBackCarried(staged + owner, &what);
    if (left == common::LeftCopy::PutBack) {
      const std::string text = common::PutBackText(owner, what);
      common::LogProtocol(text);
      said += ". " + text;
    } else if (left == common::LeftCopy::Stuck) {
      common::BeepMessage("Soubor "_cz + owner + " " + from + " má nedokončený přepis, který nelze vrátit (kopie "_cz +
                          item.name + UnusableCopyText(item.name, what) + "), obnova dat neproběhla"_cz);
      return false;
    }
  }
  return true;
}

}  // namespace

void TfGlobKop::ListBox1KeyDown(int& key, ui::Shift shift) {
  LastKey = ui::KeyCode(key, shift);
  if (!offering_) return;
  if (key == ui::vk::Enter) {
    key = 0;
    RestoreChosenCopy();
  } else if (key == ui::vk::F(8)) {
    key = 0;
    DeleteChosenCopy();
  }
}

void TfGlobKop::ListBox1DblClick() {
  if (offering_) RestoreChosenCopy();
}

void TfGlobKop::bObnovClick() {
  bKopiruj.SetEnabled(false);
  bObnov.SetEnabled(false);
  StartRestore("", "", "");
  if (offering_) return;  // the list of copies is offered in this window
  bObnov.SetEnabled(true);
  Close();
}

void TfGlobKop::StartRestore(const std::string& set, const std::string& drive, const std::string& diskFolder) {
  try {
    if (!TrimBlanks(set).empty()) {
      Set = TrimBlanks(set);
      ComboCo.SetText(Set);
    }
    if (!TrimBlanks(drive).empty()) ComboDisk.SetText(TrimBlanks(drive));
    DiskFolder = TrimBlanks(diskFolder);
    TakeDrive(ComboDisk.text());
    DisketteMode = DisketteMode || !DiskFolder.empty();
    Tail = DataPathTail(common::DataDir(""));
    otherYear_ = false;
    ComboDisk.SetEnabled(false);
    ComboCo.SetEnabled(false);
    bKopiruj.SetEnabled(false);
    bObnov.SetEnabled(false);
    ListBox1.ClearItems();
    // A restore whose journal is damaged cannot be finished: a new one goes over it.
    damaged_.clear();
    if (FinishPendingRestores(&damaged_) > static_cast<int>(damaged_.size())) {
      EndRestore();
      return;
    }
    if (DisketteMode) {
      if (!visible()) Show();
      const int rc = RestoreFromDisks();
      if (rc > 0) DiskErrorMessage(rc);
      EndRestore();
      return;
    }
    if (!OfferCopies()) return;
  } catch (const common::IoError& e) {
    IoMessage(e);
    return;
  }
  if (!visible()) ShowModal();
}

// The chosen folder of another year gives the drive and the tail.
bool TfGlobKop::AnotherYear() {
  TfDirDialogX& d = fDirDialogX();
  if (!d.ExecuteDirDialogX("Klikněte na jednu složku dejte OK"_cz, std::string(1, Drive) + ":\\tv3\\")) return false;
  const std::string path = TrimBlanks(d.ChosenPath());
  if (path.empty()) return false;
  const char c = common::UpperCp1250(path[0]);
  if (c >= 'A' && c <= 'Z') Drive = c;
  Tail = DataPathTail(path);
  otherYear_ = true;
  return true;
}

bool TfGlobKop::OfferCopies() {
  for (;;) {
    const std::string setFolder = SetFolderName();
    CopyNumber = TrimBlanks(common::ReadFirstLine(setFolder + kCounterName));
    std::vector<common::DirItem> folders;
    (void)common::ListDirectory(setFolder + "*", folders, common::kListDirs);
    if (folders.empty()) {
      if (!browser::AskOne(10, 10, "V tomto roce nejsou žádné kopie, chcete obnovit z jiného roku"_cz)) return false;
      if (!AnotherYear()) return false;
      continue;
    }
    Label3.SetText(" Poslední platná kopie byla "_cz + CopyNumber + "   Enter - Obnova dat  F8 - výmaz kopie"_cz);
    const int computer = common::CurrentSession().ComputerNo;
    const int last = common::TextToInt(CopyNumber);
    std::vector<std::string> lines;
    int select = -1;
    for (std::size_t j = 0; j < folders.size(); ++j) {
      const std::string& name = folders[j].name;
      if (!IsCopyFolderName(name) || folders[j].isLink) continue;  // never read through a link
      const std::string marker = common::ReadFirstLine(setFolder + name + "\\" + kMarkerName);
      const std::string note = marker.size() > 16 ? marker.substr(16, 70) : std::string();
      const bool mine = TrimBlanks(note).empty() ? computer == 0 : NoteComputer(note) == computer;
      if (!mine) continue;
      lines.push_back(CopyListLine(static_cast<int>(j + 1), name, note));
      if (last > 0 && CopyNumberOfLine(lines.back()) == last) select = static_cast<int>(lines.size()) - 1;
    }
    ListBox1.SetItems(lines);
    ListBox1.SetItemIndex(select);
    ListBox1.SetEnabled(true);
    ListBox1.hint = CopyListHint();
    offering_ = true;
    if (visible()) ListBox1.SetFocus();
    return true;
  }
}

void TfGlobKop::EndRestore() {
  offering_ = false;
  ListBox1.hint.clear();
  Table.clear();
  browser::CloseBlik();
  bKopiruj.SetEnabled(true);
  bObnov.SetEnabled(true);
  ComboDisk.SetEnabled(true);
  ComboCo.SetEnabled(true);
  if (visible()) Close();
}

// A copy of this data folder's own set folder that was made from another data path
// is restored only after a question.
bool TfGlobKop::AskDataPath(int number) {
  if (otherYear_) return true;
  const std::string made = TrimBlanks(common::ReadFirstLine(SetFolderName() + SideFileName(number)));
  const std::string here = common::DataDir("");
  if (made.empty() || common::SameNameCp1250(made, here)) return true;
  return browser::AskOne(10, 10, "Kopie je z adresáře "_cz + made + ", obnovit do "_cz + here);
}

void TfGlobKop::RestoreChosenCopy() {
  offering_ = false;
  ListBox1.hint.clear();
  ListBox1.SetEnabled(false);
  const int index = ListBox1.itemIndex();
  if (index < 0 || index >= ListBox1.count()) {
    EndRestore();
    return;
  }
  try {
    const int number = CopyNumberOfLine(ListBox1.items()[static_cast<std::size_t>(index)]);
    CopyNumber = ThreeDigits(number);
    LabelID.SetText(IdText() + "  Období: "_cz + PeriodText);
    const std::string copyFolder = SetFolderName() + CopyFolderName(number) + "\\";
    const std::vector<common::DirItem> files = FilesOf(copyFolder);
    if (const std::string bad = FirstBadName(files); !bad.empty()) {
      BadNameMessage("Kopie "_cz + CopyNumber, bad);
      EndRestore();
      return;
    }
    if (files.empty() || !AskDataPath(number) || !browser::AskOne(50, 20, "Opravdu obnovit")) {
      common::WriteJob("COPYOK", "S");
      EndRestore();
      return;
    }
    browser::ShowBlik("Načítám soubory"_cz);
    ListBox1.ClearItems();
    Table.clear();
    TotalBytes = 0;
    bool archive = false, marker = false;
    for (const auto& f : files) {
      if (common::SameNameCp1250(f.name, kArchiveName)) archive = true;
      if (common::SameNameCp1250(f.name, kMarkerName)) marker = true;
      Table.push_back({f.name, copyFolder + f.name, f.size, f.mtimeNs});
      TotalBytes += f.size;
      ShowProgressLine(common::AlignText(f.name, "L", " ", 14) + SizeText(f.size));
    }
    browser::CloseBlik();
    const bool compressed = archive && marker;

    // Everything is staged and checked before the data folder is touched.
    ScopedFolder staging;
    const std::string archivePath = copyFolder + kArchiveName;
    const std::string dataFolder = common::DataDir("");
    std::uint64_t need = kSpaceReserve;
    for (const auto& e : Table)
      if (!(compressed && common::SameNameCp1250(e.name, kArchiveName))) need += e.size;
    if (compressed) {
      ArchiverError error;
      if (TestArchive(copyFolder + kArchiveName, error) != 0) {
        common::BeepMessage(error.text + ": archiv kopie "_cz + CopyNumber + " je vadný, data jsou beze změny"_cz);
        EndRestore();
        return;
      }
    }
    if (ShortOfSpace(dataFolder, need)) {
      EndRestore();
      return;
    }
    common::ThrowIfError(staging.Make(dataFolder, kStagingPrefix, kStagedFiles), dataFolder);
    const std::string staged = staging.Work();
    if (compressed) {
      ArchiveListing listing;
      if (!ListArchiveChecked(archivePath, staging.name(), listing, "Archiv kopie "_cz + CopyNumber) ||
          ShortOfSpace(dataFolder, need + listing.original)) {
        EndRestore();
        return;
      }
    }
    browser::ShowBlik("Obnovuji do "_cz + dataFolder);
    ListBox1.ClearItems();
    CopiedBytes = 0;
    ProgressBar1.SetRange(0, static_cast<int>(std::min<std::uint64_t>(TotalBytes / 1000, 0x7fffffff)));
    for (std::size_t j = 0; j < Table.size(); ++j) {
      const CopyEntry& e = Table[j];
      CopiedBytes += e.size;
      ProgressBar1.SetPosition(static_cast<int>(std::min<std::uint64_t>(CopiedBytes / 1000, 0x7fffffff)));
      ShowProgressLine(CopyLine(j, e));
      if (compressed && common::SameNameCp1250(e.name, kArchiveName)) continue;
      const std::string target = staged + e.name;
      // Staged as they are, a file with its rollback copy: MoveStagedIn deals with the pair.
      const common::CarryAsTheyAre verbatim;
      int rc = common::LiesInside(staged, target) ? common::CopyFileKeepDate(e.source, target) : 5;
      std::uint64_t size = 0;
      if (rc == 0) rc = common::FileSize(target, size);
      if (rc == 0 && size != e.size) rc = 101;
      if (rc != 0) {
        browser::CloseBlik();
        common::BeepMessage("Soubor "_cz + e.name + " nelze obnovit, chyba "_cz + std::to_string(rc) +
                            ", data jsou beze změny"_cz);
        EndRestore();
        return;
      }
    }
    if (compressed) {
      ArchiverError error;
      if (ExtractArchive(archivePath, staged, error) != 0) {
        browser::CloseBlik();
        common::BeepMessage(error.text + ", data jsou beze změny"_cz);
        EndRestore();
        return;
      }
    }
    browser::CloseBlik();
    MoveStagedIn(staging, true, "Obnova dat z čísla kopie "_cz + CopyNumber + " je OK", true, "z kopie "_cz + CopyNumber);
  } catch (const common::IoError& e) {
    browser::CloseBlik();
    IoMessage(e);
  }
  EndRestore();
}

std::vector<std::string> TfGlobKop::EraseMaskList() const {
  if (Set == kDefaultSet) return {std::begin(kEraseMasks), std::end(kEraseMasks)};
  std::string text;
  if (common::ReadFileText(common::ProgDir("\\2\\" + Set + ".del"), text) != 0) return {};
  return MaskLines(text);
}

// Lists the archive and checks that every name it holds is one plain name.
bool TfGlobKop::ListArchiveChecked(const std::string& archive, const std::string& scratch, ArchiveListing& listing,
                                   const std::string& what) {
  ArchiverError error;
  if (ListArchive(archive, scratch, listing, error) != 0) {
    common::BeepMessage(error.text + ", data jsou beze změny"_cz);
    return false;
  }
  for (const auto& name : listing.names)
    if (!SafeName(name)) {
      BadNameMessage(what, name);
      return false;
    }
  return true;
}

bool TfGlobKop::MoveStagedIn(ScopedFolder& staging, bool clearKopw, const std::string& okText, bool beep,
                             const std::string& from) {
  const std::string dataFolder = common::DataDir("");
  if (const std::string bad = FirstBadName(FilesOf(staging.Work())); !bad.empty()) {
    BadNameMessage("Obnovovaná data"_cz, bad);
    return false;
  }
  std::string takenBack;
  if (!TakeBackStagedCopies(staging.Work(), from, takenBack)) return false;
  const std::vector<common::DirItem> staged = FilesOf(staging.Work());
  RestorePlan plan;
  plan.files = staging.Sub();
  plan.clearKopw = clearKopw;
  plan.okText = okText;
  // The program's own files a copy may carry (an older one took them: a rollback copy, a
  // temporary) stay out: a rollback copy moved in would be put back over the restored file.
  for (const auto& s : staged)
    if (!common::IsProgramOwnName(s.diskName)) plan.move.push_back(s.name);
  for (const auto& mask : EraseMaskList()) {
    if (!SafeName(mask)) continue;  // a mask reaches no other folder
    std::vector<common::DirItem> items;
    (void)common::ListDirectory(dataFolder + mask, items, common::kListFiles);
    for (const auto& item : items) {
      // A name no Windows name can reach is no data file of the program.
      if (!SafeName(item.name) || item.isLink || common::IsProgramOwnName(item.diskName)) continue;
      const bool replaced = std::any_of(staged.begin(), staged.end(),
                                        [&](const common::DirItem& s) { return common::SameNameCp1250(s.name, item.name); });
      if (!replaced && std::find(plan.erase.begin(), plan.erase.end(), item.name) == plan.erase.end())
        plan.erase.push_back(item.name);
    }
  }
  if (!CheckHeldFiles(TouchedFiles(plan), ", obnova dat neproběhla"_cz) ||
      !PutBackLeftCopies(TouchedFiles(plan), ", obnova dat neproběhla"_cz))
    return false;
  if (const int rc = WriteJournal(staging.name(), plan)) {
    common::BeepMessage("Chyba "_cz + std::to_string(rc) + " " + staging.name() + kJournalName + ", data jsou beze změny"_cz);
    return false;
  }
  // From here on the restore is finished from the journal, now or at the next start.
  if (Set == kDefaultSet || Set == "UZAV") common::WriteJob("KOPW", "A");
  browser::ShowBlik("Ruším datové soubory"_cz);
  std::string failure;
  const bool done = FollowPlan(staging.name(), plan, okText, failure);
  browser::CloseBlik();
  if (done) {
    RemoveDamagedRestores(damaged_, okText);
    damaged_.clear();
  }
  if (!done) {
    staging.Keep();
    common::BeepMessage(failure);
  } else if (beep) {
    common::BeepMessage(okText + takenBack);
  } else {
    common::MessageOk(okText + takenBack);
  }
  return done;
}

void TfGlobKop::DeleteChosenCopy() {
  const int index = ListBox1.itemIndex();
  if (ListBox1.count() == 0 || index < 0) return;
  if (!browser::AskOne(10, 10, "Opravdu kopii zrušit")) return;
  try {
    const int number = CopyNumberOfLine(ListBox1.items()[static_cast<std::size_t>(index)]);
    const std::string nnn = ThreeDigits(number);
    std::vector<std::string> items = ListBox1.items();
    items.erase(items.begin() + index);
    ListBox1.SetItems(items);
    const std::string copyFolder = SetFolderName() + CopyFolderName(number) + "\\";
    std::uint64_t markerSize = 0;
    if (common::FileSize(copyFolder + kMarkerName, markerSize) == 0 && markerSize > 0)
      for (const auto& f : FilesOf(copyFolder))
        if (SafeName(f.name) && common::LiesInside(copyFolder, copyFolder + f.name))
          (void)common::EraseFile(copyFolder + f.name);
    common::LogProtocol("Kopie číslo "_cz + nnn + " zrušena !!!!!!!!!!!!!!!!!"_cz);
    if (common::RemoveDir(copyFolder) == 0) {
      (void)common::EraseFile(SetFolderName() + SideFileName(number));
      common::MessageOk("Kopie číslo "_cz + nnn + " byla zrušena"_cz);
    } else {
      common::MessageOk("Rušení kopie číslo "_cz + nnn + " skončilo neúspěšně, ukončete program a opakujte "_cz);
    }
    common::WriteJob("COPYOK", "V");
  } catch (const common::IoError& e) {
    IoMessage(e);
  }
}

int TfGlobKop::RestoreFromDisks() {
  try {
    ScopedFolder work;
    const std::string dataFolder = common::DataDir("");
    common::ThrowIfError(work.Make(dataFolder, kWorkPrefix, kStagedFiles), dataFolder);
    const std::string staged = work.Work();
    DiskCounter = 0;
    medium_ = OpenMedium(Drive, DiskFolder);
    bool archive = false;
    std::uint64_t gathered = 0;
    for (;;) {
      if (const int rc = CheckRestoreDisk(*medium_)) return rc;
      ListBox1.ClearItems();
      Table.clear();
      std::uint64_t pieces = 0;
      const std::vector<common::DirItem> files = FilesOf(medium_->Root());
      if (const std::string bad = FirstBadName(files); !bad.empty()) {
        BadNameMessage("Disketa "_cz + CopyNumber, bad);
        return kReported;
      }
      for (const auto& f : files) {
        if (common::UpperCz(f.name.substr(0, 8)) == "__TAVONA") continue;
        Table.push_back({f.name, medium_->Root() + f.name, f.size, f.mtimeNs});
        pieces += f.size;
        ListBox1.SetItemIndex(ListBox1.AddItem(CopyLine(Table.size() - 1, Table.back())));
      }
      ProgressBar1.SetRange(0, static_cast<int>(Table.size()));
      archive = Table.size() == 1 && common::UpperCz(Table[0].name) == "ARCH.ARJ";
      if (ShortOfSpace(dataFolder, gathered + pieces + kSpaceReserve)) return kReported;
      for (std::size_t j = 0; j < Table.size(); ++j)
        if (const int rc = RestoreDiskPiece(*medium_, j, staged)) return rc;
      gathered += pieces;
      if (LastDiskette) break;
    }
    if (archive) {
      // The pieces joined to the archive are extracted into the staged files.
      ArchiverError error;
      ArchiveListing listing;
      const std::string arch = staged + "ARCH.ARJ";
      const std::string archName = common::FileExists(arch) ? arch : staged + kArchiveName;
      const std::string packed = work.name() + kArchiveName;
      common::ThrowIfError(common::RenameFile(archName, packed), archName);
      common::ThrowIfError(common::RemoveTree(staged), staged);
      common::ThrowIfError(common::MakeDir(staged), staged);
      if (TestArchive(packed, error) != 0) {
        common::BeepMessage(error.text + ", data jsou beze změny"_cz);
        return kReported;
      }
      if (!ListArchiveChecked(packed, work.name(), listing, "Archiv kopie"_cz) ||
          ShortOfSpace(dataFolder, listing.original + kSpaceReserve))
        return kReported;
      if (ExtractArchive(packed, staged, error) != 0) {
        common::BeepMessage(error.text + ", data jsou beze změny"_cz);
        return kReported;
      }
    }
    if (!MoveStagedIn(work, false, "Obnova číslo "_cz + CopyNumber + " je OK", false, "z disket"_cz)) return kReported;
    Label3.SetText("Kopie z disket je OK");
    return 0;
  } catch (const common::IoError& e) {
    IoMessage(e);
    return kReported;
  }
}

int TfGlobKop::CheckRestoreDisk(Medium& medium) {
  LastDiskette = false;
  ++DiskCounter;
  CopyNumber = ThreeDigits(DiskCounter);
  Label3.SetText("Kopie z diskety "_cz + CopyNumber);
  int code = 2;
  for (int attempt = 0; attempt < kMediumAttempts; ++attempt) {
    if (DiskFolder.empty())
      common::MessageOk("Vložte do mechaniky "_cz + std::string(1, Drive) + ":" + " disketu číslo "_cz + CopyNumber);
    medium.Change();
    if (medium.State() == kMediumNotReady) {
      common::MessageOk("V mechanice není disketa"_cz);
      code = kMediumNotReady;
      if (browser::AskOne(10, 10, "Chcete ji vložit")) continue;
      return code;
    }
    const std::string label = medium.Root() + kLabelPrefix + CopyNumber;
    std::string text;
    int rc = 0;
    for (int open = 0; open < kMediumAttempts; ++open) {
      rc = common::ReadFileText(label, text);
      if (rc == 0 || rc == 2 || rc == 3) break;
    }
    if (rc == 2 || rc == 3) {
      common::MessageOk("Toto není disketa "_cz + CopyNumber);
      code = 2;
      if (browser::AskOne(10, 10, "Spletli jste se")) continue;
      return code;
    }
    if (rc != 0) return rc;
    std::string first = text.substr(0, text.find_first_of("\r\n"));
    first.resize(std::max<std::size_t>(first.size(), 13), ' ');
    const std::string setOnDisk = common::RemoveSpaces(first.substr(7, 6));
    if (setOnDisk != common::RemoveSpaces(SetName6(Set))) {
      common::MessageOk("Toto je disketa z dávky "_cz + setOnDisk);
      code = 77;
      if (browser::AskOne(10, 10, "Spletli jste se")) continue;
      return code;
    }
    if (DiskCounter == 1) Series = first.substr(0, 4);
    if (first.substr(0, 4) != Series) {
      common::MessageOk("Toto je disketa serie "_cz + first.substr(0, 4));
      code = 77;
      if (browser::AskOne(10, 10, "Spletli jste se")) continue;
      return code;
    }
    LastDiskette = first[5] == 'P';
    return 0;
  }
  return code;
}

int TfGlobKop::RestoreDiskPiece(Medium& medium, std::size_t index, const std::string& workFolder) {
  const CopyEntry& e = Table[index];
  Label2.SetText(common::FormatFloatMask("### ", static_cast<double>(index + 1)) +
                 common::AlignText(e.name, "L", " ", 14) + SizeText(e.size));
  const std::string target = workFolder + e.name;
  if (!SafeName(e.name) || !common::LiesInside(workFolder, target)) return 5;
  common::File out;
  std::uint64_t pos = 0;
  if (common::FileExists(target)) {
    if (const int rc = out.Open(target, common::kModeReadWrite)) return rc;
    if (const int rc = out.Size(pos)) return rc;
  } else if (const int rc = out.Create(target, common::kModeReadWrite)) {
    return rc;
  }
  common::File in;
  if (const int rc = in.Open(medium.Root() + e.name, common::kModeReadOnly)) return rc;
  ProgressBar1.SetRange(0, static_cast<int>(std::min<std::uint64_t>(e.size, 0x7fffffff)));
  std::vector<char> buffer(kPieceBlock);
  std::uint64_t done = 0;
  for (;;) {
    std::size_t got = 0;
    if (const int rc = in.ReadSome(done, buffer.data(), buffer.size(), got)) return rc;
    if (got == 0) break;
    if (const int rc = out.WriteAt(pos, buffer.data(), got)) return rc;
    pos += got;
    done += got;
    ProgressBar1.SetPosition(static_cast<int>(std::min<std::uint64_t>(done, 0x7fffffff)));
  }
  if (const int rc = out.SetTime(e.mtimeNs)) return rc;
  return 0;
}

}  // namespace backup
