#include "common/dirs.h"

#include <algorithm>

#include "common/clock.h"
#include "common/fileops.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/winpath.h"

namespace common {

namespace {

bool EndsWithSeparator(std::string_view s) { return !s.empty() && (s.back() == '\\' || s.back() == '/'); }

// The kept folder of a pointer file: read once per session, "\" appended.
const std::string& KeptFolder(std::string& kept, const char* pointerFile) {
  if (kept == "*") {
    std::string line = ReadFirstLine(pointerFile);
    if (!line.empty() && !EndsWithSeparator(line)) line += '\\';
    kept = line;
  }
  return kept;
}

std::string_view DropLeadingBackslash(std::string_view name) {
  if (!name.empty() && name.front() == '\\') name.remove_prefix(1);
  return name;
}

constexpr std::size_t kKeyCut = 80;
constexpr std::size_t kNameCut = 100;
constexpr int kListFilesBytes = 200000;
constexpr int kListDirsBytes = 100000;

// Slot order of the listings: bytewise over the shorter length; equal prefixes keep
// their order.
bool SlotGreater(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x > y;
  }
  return false;
}

void InsertionSort(std::vector<std::string>& v) {
  for (std::size_t i = 1; i < v.size(); ++i)
    for (std::size_t j = i; j > 0 && SlotGreater(v[j - 1], v[j]); --j) std::swap(v[j - 1], v[j]);
}

// The "#" number field of a listing mask: where it starts in the name part (0-based)
// and how many places it has.
struct NumberField {
  std::size_t pos = 0;
  std::size_t places = 0;
};

NumberField FindNumberField(std::string_view mask) {
  NumberField f;
  const std::string_view name = NamePart(mask).substr(0, 11);
  const std::size_t p = name.find('#');
  if (p == std::string_view::npos) return f;
  f.pos = p;
  while (p + f.places < name.size() && name[p + f.places] == '#') ++f.places;
  return f;
}

bool NumberFieldHolds(const NumberField& f, std::string_view name) {
  if (f.places == 0) return true;
  const std::string field = Copy(name, static_cast<int>(f.pos) + 1, static_cast<int>(f.places));
  return FormatFloatMask(std::string(f.places, '@'), TextToInt(field)) == field;
}

std::int32_t List(std::string_view mask, std::vector<std::string>& names, int mode, int width,
                  std::int32_t maxCount, bool dirs) {
  names.clear();
  if (width < 1 || maxCount < 1) return 0;
  const std::int32_t slots = std::min<std::int32_t>(maxCount, (dirs ? kListDirsBytes : kListFilesBytes) / width);
  const NumberField field = FindNumberField(mask);
  std::string search(mask);
  std::replace(search.begin(), search.end(), '#', '?');

  std::vector<DirItem> items;
  (void)ListDirectory(search, items, dirs ? kListDirs : kListFiles);
  for (const DirItem& item : items) {
    if (static_cast<std::int32_t>(names.size()) >= slots) break;
    if (!dirs && item.size == 0) continue;
    if (!NumberFieldHolds(field, item.name)) continue;
    std::string text = item.name.substr(0, kNameCut);
    if (mode == 1) {
      const std::uint32_t stamp = ToDosDateTime(LocalFromUnixNs(item.mtimeNs));
      text += '|';
      text += FormatFloatMask("@@@@@@@@@@@@", static_cast<double>(stamp));
    }
    if (static_cast<int>(text.size()) > width - 1) text.resize(width - 1);
    names.push_back(std::move(text));
  }
  InsertionSort(names);
  return static_cast<std::int32_t>(names.size());
}

}  // namespace

std::string DataDir(Session& s, std::string_view name) {
  name = DropLeadingBackslash(name);
  if (!name.empty() && name.front() == '=') return std::string(name.substr(1));
  if (!name.empty()) {
    const std::string redirect = ReadFirstLine("^" + std::string(name));
    if (!redirect.empty()) return redirect + std::string(name);
  }
  return KeptFolder(s.DataDirPath, "data.adr") + std::string(name);
}

std::string DataDir(std::string_view name) { return DataDir(CurrentSession(), name); }

std::string ProgDir(Session& s, std::string_view name) {
  name = DropLeadingBackslash(name);
  return KeptFolder(s.ProgDirPath, "prog.adr") + std::string(name);
}

std::string ProgDir(std::string_view name) { return ProgDir(CurrentSession(), name); }

std::string DataDirName() {
  std::string line = ReadFirstLine("data.adr");
  if (EndsWithSeparator(line)) line.pop_back();
  const std::size_t p = line.find_last_of("\\/");
  return p == std::string::npos ? line : line.substr(p + 1);
}

std::string DataFolderNamed() {
  const std::string data = DataDir("");
  return data.empty() ? CurrentFolder() : data;
}

std::int32_t BinarySearchRec(std::string_view key, std::int32_t first, std::int32_t last,
                             const std::function<std::string(std::int32_t)>& keyOf, std::int32_t tail) {
  auto keyAt = [&](std::int32_t rec) {
    std::string k = keyOf(rec);
    if (k.size() > kKeyCut) k.resize(kKeyCut);
    return k;
  };
  std::int32_t result = -1;
  if (last != 0) {
    bool bisect = true;
    std::string k = keyAt(first);
    if (key < k) {
      bisect = false;
    } else if (key == k) {
      return first;
    } else {
      k = keyAt(last);
      if (key > k) bisect = false;
      else if (key == k) return last;
    }
    if (bisect) {
      std::uint32_t lo = static_cast<std::uint32_t>(first), hi = static_cast<std::uint32_t>(last), mid = lo;
      do {
        mid = static_cast<std::uint32_t>((static_cast<std::uint64_t>(lo) + hi) / 2);
        k = keyAt(static_cast<std::int32_t>(mid));
        if (key < k) hi = mid;
        else lo = mid;
      } while (key != k && hi - lo > 1);
      if (key == k) return static_cast<std::int32_t>(mid);
      result = -static_cast<std::int32_t>(mid);
    }
  }
  if (tail <= 0) return result;
  std::int32_t from = last + 1, to = last + tail;
  if (last == 0 && first > 0) {
    from = first;
    to = tail;
  }
  for (std::int32_t rec = from; rec <= to; ++rec)
    if (keyAt(rec) == key) return rec;
  return result;
}

std::int32_t ListFiles(std::string_view mask, std::vector<std::string>& names, std::int32_t widthCode,
                       std::int32_t maxCount) {
  const std::int32_t code = widthCode < 0 ? -widthCode : widthCode;
  return List(mask, names, (code / 10000) % 10, code % 10000, maxCount, false);
}

std::int32_t ListDirs(std::string_view mask, std::vector<std::string>& names, std::int32_t width,
                      std::int32_t maxCount) {
  return List(mask, names, 0, width, maxCount, true);
}

void ForceDirs(std::string_view path) {
  const std::string_view folder = EndsWithSeparator(path) ? path : FolderPart(path);
  if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) return;
  (void)MakeDirs(folder);
}

}  // namespace common
