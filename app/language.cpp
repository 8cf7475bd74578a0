#include "app/language.h"

#include <memory>
#include <vector>

#include "app/form1.h"
#include "browser/entries.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/text.h"

namespace app {

using namespace common::literals;

namespace {

constexpr char kLanguageFile[] = "jazyk.dta";

std::string WorkingFile(const char* list) { return common::DataDir(std::string("ci") + list + ".dta"); }
std::string LanguageCopy(const std::string& code, const char* list) {
  return common::DataDir("ci" + code + list + ".dta");
}

void KeptLanguageMessage(const std::string& code) {
  common::MessageOk("Jazyková verze číselníků se nezměnila, platí "_cz + code);
}

}  // namespace

std::string CurrentCodeListLanguage() {
  std::string code = common::AlignText(common::ReadParam(common::DataDir(kLanguageFile), "Rec"), "L", " ", 2);
  if (code == "  ") code = "CZ";
  return code;
}

bool LanguageCodeUsable(std::string_view code) {
  for (char c : code) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '/' || c == ':' || u < 0x20 || u == 0x7F) return false;
  }
  return true;
}

bool SwitchCodeListLanguage(const std::string& from, const std::string& to) {
  for (const std::string* code : {&from, &to})
    if (!LanguageCodeUsable(*code)) {
      common::MessageOk("Kód jazyka \""_cz + *code + "\" nelze použít v názvu souboru"_cz);
      KeptLanguageMessage(from);
      return false;
    }
  constexpr std::size_t kLists = kLanguageLists.size();

  // 0. A working file holding a step that did not finish gets its copy back first: saved
  //    half written, and the copy put back later over the other language's list.
  for (const char* list : kLanguageLists)
    if (!common::PutBackBeforeReplacing(WorkingFile(list), "")) {
      KeptLanguageMessage(from);
      return false;
    }
  // A working file the user may not write stops the switch before anything is saved.
  std::vector<std::string> workingFiles;
  for (const char* list : kLanguageLists) workingFiles.push_back(WorkingFile(list));
  if (!common::MayWriteAll(workingFiles, "")) {
    KeptLanguageMessage(from);
    return false;
  }

  // 1. Every working file is saved as the copy of the language in use before any
  //    copy takes its place.
  std::array<std::unique_ptr<common::PendingCopy>, kLists> saves;
  for (std::size_t i = 0; i < kLists; ++i) {
    saves[i] = std::make_unique<common::PendingCopy>();
    const std::string target = LanguageCopy(from, kLanguageLists[i]);
    if (std::int32_t code = saves[i]->Prepare(WorkingFile(kLanguageLists[i]), target)) {
      common::FileErrorMessage(" pise soubor: ", target, code);
      KeptLanguageMessage(from);
      return false;
    }
  }
  for (std::size_t i = 0; i < kLists; ++i)
    if (std::int32_t code = saves[i]->Commit()) {
      common::FileErrorMessage(" pise soubor: ", LanguageCopy(from, kLanguageLists[i]), code);
      KeptLanguageMessage(from);
      return false;
    }

  // Puts the working files already replaced back from the copies just saved.
  std::vector<std::size_t> replaced;
  auto putBack = [&] {
    for (std::size_t i : replaced) {
      const std::string working = WorkingFile(kLanguageLists[i]);
      const std::int32_t code = saves[i]->SourceMissing()
                                    ? common::EraseFile(working)
                                    : common::CopyFileKeepDate(LanguageCopy(from, kLanguageLists[i]), working);
      if (code) common::FileErrorMessage(" pise soubor: ", working, code);
    }
    KeptLanguageMessage(from);
  };

  // 2. The chosen language's copies become the working files.
  for (std::size_t i = 0; i < kLists; ++i) {
    const std::string copy = LanguageCopy(to, kLanguageLists[i]);
    if (common::CheckFile(copy) <= 2) continue;
    const std::string working = WorkingFile(kLanguageLists[i]);
    if (std::int32_t code = common::CopyFileKeepDate(copy, working)) {
      common::FileErrorMessage(" pise soubor: ", working, code);
      putBack();
      return false;
    }
    replaced.push_back(i);
  }

  // 3. The code reaches the disk at once: another workstation, or a crash, must not
  //    see the new files under the old code.
  const std::string languageFile = common::DataDir(kLanguageFile);
  const std::string before = common::ReadParam(languageFile, "Rec");
  common::WriteParam(languageFile, "Rec", to);
  // Only the language file decides; window settings that cannot be stored are said once.
  const std::vector<common::IoError> failures = common::StoreParams();
  for (const common::IoError& e : failures) {
    if (e.file != languageFile) continue;
    common::WriteParam(languageFile, "Rec", before);
    common::FileErrorMessage(" pise soubor: ", e.file, e.code);
    putBack();
    return false;
  }
  common::SayParamFailures(failures);
  return true;
}

std::vector<std::string> LanguageChoiceRows(const std::string& current) {
  std::vector<std::string> rows;
  for (const CodeListLanguage& l : kCodeListLanguages)
    rows.push_back((current == l.code ? "* " : "  ") + std::string(l.code) + common::Cz(l.label));
  return rows;
}

void ChooseCodeListLanguage() {
  CloseCodeListForms();
  const std::string current = CurrentCodeListLanguage();
  const int chosen =
      browser::ShowVyber(10, 10, nullptr, " Vyber jazyk pro číselníky"_cz, LanguageChoiceRows(current)).chosen;
  if (chosen < 1 || chosen > static_cast<int>(kCodeListLanguages.size())) return;
  SwitchCodeListLanguage(current, kCodeListLanguages[static_cast<std::size_t>(chosen - 1)].code);
}

}  // namespace app
