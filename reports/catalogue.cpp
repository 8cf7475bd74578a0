#include "reports/catalogue.h"

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fileops.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/text.h"
#include "common/winpath.h"

namespace reports {

bool CatalogueCodeMatches(std::string_view code, std::string_view nameStart) {
  if (code.size() != nameStart.size()) return false;
  const std::string a = common::UpperCz(code), b = common::UpperCz(nameStart);
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != '*' && b[i] != '*' && a[i] != b[i]) return false;
  return true;
}

std::string CatalogueTitle(std::string_view line) {
  const std::size_t from = line.size() >= 18 && line[17] == '|' ? 18 : 9;
  std::string title = from < line.size() ? std::string(line.substr(from, kCatalogueTitleLength)) : std::string();
  title.resize(kCatalogueTitleLength, ' ');
  return title;
}

std::string CatalogueFile() { return common::ProgDir(kCatalogueName); }

bool ReadCatalogue(std::vector<std::string>& lines) {
  lines.clear();
  std::string text;
  if (const std::string why = common::DamagedTextReason(CatalogueFile(), text); !why.empty()) {
    common::MessageOk(common::DamagedFileText(CatalogueFile(), why, common::Cz("názvy sestav z něj nepoužívám")));
    return false;
  }
  lines = common::SplitTextLines(text);
  return true;
}

int WriteCatalogue(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  // What a rewrite killed half way left beside it goes first.
  const std::string file = CatalogueFile();
  (void)common::RemoveDeadTemps(std::string(common::FolderPart(file)), {std::string(common::NamePart(file))});
  return common::ReplaceFileContents(file, text);
}

std::vector<std::string> CatalogueTitles(const std::vector<std::string>& names, int width) {
  std::vector<std::string> titles(names.size(), std::string(static_cast<std::size_t>(width), ' '));
  if (names.empty()) return titles;
  std::vector<std::string> lines;
  if (!ReadCatalogue(lines)) return titles;
  for (const std::string& line : lines) {
    if (line.size() < kCatalogueCodeLength) continue;
    const std::string_view code = std::string_view(line).substr(0, kCatalogueCodeLength);
    std::string title;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i].size() < kCatalogueCodeLength ||
          !CatalogueCodeMatches(code, std::string_view(names[i]).substr(0, kCatalogueCodeLength)))
        continue;
      if (title.empty()) title = CatalogueTitle(line).substr(0, static_cast<std::size_t>(width));
      titles[i] = title;
    }
  }
  return titles;
}

}  // namespace reports
