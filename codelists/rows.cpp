#include "codelists/rows.h"

#include <algorithm>
#include <limits>

#include "common/encoding.h"
#include "common/numbers.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"

namespace codelists {

namespace {

constexpr std::uint64_t kWholeFile = std::numeric_limits<std::uint64_t>::max();

void OpenFailed(const std::string& name, int code) {
  common::FileErrorMessage(" otvira soubor: ", name, code);
}

std::string InFolder(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  return folder.back() == '/' || folder.back() == '\\' ? folder + std::string(name) : folder + "/" + std::string(name);
}

// Lines of an import file; false (reported) when it cannot be read. A file written in
// UTF-8 is taken in Windows-1250, and the user is told.
bool ImportLines(const std::string& folder, std::string_view name, std::vector<std::string>& lines) {
  const std::string path = InFolder(folder, name);
  bool wasUtf8 = false;
  if (int code = ReadRawLines(path, lines, &wasUtf8)) {
    OpenFailed(std::string(name), code);
    return false;
  }
  if (wasUtf8) common::MessageOk(common::Cz("Soubor ") + std::string(name) + common::Cz(" je v kódování UTF-8, texty jsou převedeny do Windows-1250"));
  return true;
}

// Raises or lowers every reference above `above` by `by`; true when one changed.
bool Renumber(CodeListWindow& w, const RowLayout& l, std::int32_t above, int by) {
  bool changed = false;
  for (int f : l.refFields) {
    const std::int32_t v = common::TextToInt(FieldText(w, f));
    if (v > above) {
      SetFieldText(w, f, common::FormatFloatMask(l.refMask, v + by));
      changed = true;
    }
  }
  return changed;
}

}  // namespace

std::string FieldText(CodeListWindow& w, int f) {
  return common::GetCounted(w.RecordBuffer, static_cast<std::size_t>(w.FieldOffset(f)), w.Field(f).width);
}

void SetFieldText(CodeListWindow& w, int f, std::string_view text) {
  const auto width = static_cast<std::size_t>(w.Field(f).width);
  std::string t(text.substr(0, std::min(text.size(), width)));
  t.resize(width, ' ');
  common::PutCounted(w.RecordBuffer, static_cast<std::size_t>(w.FieldOffset(f)), t, width);
}

bool InsertRow(CodeListWindow& w, const RowLayout& l) {
  w.UsePhysicalOrder();
  if (w.Current < 1 || w.Current > w.Count) return false;
  std::int32_t c = 0;
  // The current row is checked, and the append, the shifts and the renumbering go in
  // whole or not at all, under one turn.
  const bool done = w.RewriteInPlace(0, kWholeFile, [&] {
    if (!w.CurrentStillChosen()) return false;
    c = w.Current;
    if (!w.AppendRecord()) return false;
    const std::int32_t n = w.Count;
    for (std::int32_t j = n - 1; j >= c; --j) {
      w.RecordReadAt(j);
      if (!w.IoOk()) return false;
      SetFieldText(w, l.rowField, common::FormatFloatMask(l.rowMask, j + 1));
      w.RecordWriteAt(j + 1);
      if (!w.IoOk()) return false;
    }
    for (std::int32_t i = 1; i <= n; ++i) {
      w.RecordReadAt(i);
      if (!w.IoOk()) return false;
      if (Renumber(w, l, c, +1)) {
        w.RecordWriteAt(i);
        if (!w.IoOk()) return false;
      }
    }
    return true;
  });
  w.DataFileReopen();
  if (!done) {
    w.RepaintPage();  // what the file holds now
    return false;
  }
  w.GoToRecord(c, 0);
  w.RepaintPage();
  return true;
}

bool DeleteRow(CodeListWindow& w, const RowLayout& l) {
  w.UsePhysicalOrder();
  if (w.Current < 1 || w.Current > w.Count) return false;
  // The count and the current row are the file's under the turn the shifts and the cut
  // are written with: a row another workstation appended meanwhile stays.
  const bool done = w.RewriteInPlace(0, kWholeFile, [&] {
    if (!w.CurrentStillChosen()) return false;
    const std::int32_t c = w.Current, n = w.Count;
    for (std::int32_t j = c; j <= n - 1; ++j) {
      w.RecordReadAt(j + 1);
      if (!w.IoOk()) return false;
      SetFieldText(w, l.rowField, common::FormatFloatMask(l.rowMask, j));
      w.RecordWriteAt(j);
      if (!w.IoOk()) return false;
    }
    for (std::int32_t i = 1; i <= n - 1; ++i) {
      w.RecordReadAt(i);
      if (!w.IoOk()) return false;
      if (Renumber(w, l, c, -1)) {
        w.RecordWriteAt(i);
        if (!w.IoOk()) return false;
      }
    }
    return w.CutToRecords(n - 1);
  });
  w.DataFileReopen();
  if (w.Current > w.Count) w.Current = w.Count;
  w.RepaintPage();
  return done;
}

bool TagText(std::string_view line, std::string& text) {
  const std::size_t open = line.find('<'), close = line.find('>');
  if (open == std::string_view::npos || close == std::string_view::npos) return false;
  text = close > open ? std::string(line.substr(open + 1, close - open - 1)) : std::string();
  return true;
}

int ReadRawLines(const std::string& path, std::vector<std::string>& lines, bool* wasUtf8) {
  std::string bytes;
  if (int code = common::ReadTextFile(path, bytes)) return code;
  const bool utf8 = common::ConvertIfUtf8(bytes);
  if (wasUtf8) *wasUtf8 = utf8;
  lines.clear();
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(at, end - at));
    at = end + 1;
  }
  return 0;
}

void ImportXmlTexts(CodeListWindow& w, const RowLayout& l, const std::string& folder) {
  if (w.Count <= 1) return;
  w.UsePhysicalOrder();
  std::vector<std::string> lines;
  if (!ImportLines(folder, "roz.xml", lines)) return;
  std::string text;
  // The last record and records past the last line are left alone.
  w.RewriteEachRecord([&](std::int32_t i) {
    if (i >= w.Count || static_cast<std::size_t>(i) > lines.size()) return true;
    if (!TagText(lines[static_cast<std::size_t>(i - 1)], text)) return true;
    w.RecordReadAt(i);
    if (!w.IoOk()) return false;
    SetFieldText(w, l.textField, text);
    w.RecordWriteAt(i);
    return w.IoOk();
  });
  w.RepaintPage();
}

void CodeIntoText(CodeListWindow& w, const RowLayout& l) {
  w.UsePhysicalOrder();
  w.RewriteEachRecord([&](std::int32_t i) {
    w.RecordReadAt(i);
    if (!w.IoOk()) return false;
    SetFieldText(w, l.textField, FieldText(w, l.codeField));
    w.RecordWriteAt(i);
    return w.IoOk();
  });
  w.RepaintPage();
}

void RowsFromGordic(CodeListWindow& w, const RowLayout& l, const std::string& folder) {
  w.UsePhysicalOrder();
  std::vector<std::string> lines;
  if (!ImportLines(folder, "A4.prl", lines)) return;
  std::string text;
  std::size_t notTaken = 0;  // lines past the last row number the mask can write
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (!TagText(lines[k], text)) continue;
    if (k + 1 > kLastGordicRow) {
      ++notTaken;
      continue;
    }
    // Each row starts from the template, not from whatever the buffer last held.
    w.RecordBuffer = w.RecordTemplate;
    SetFieldText(w, l.rowField, common::FormatFloatMask(l.rowMask, static_cast<double>(k + 1)));
    SetFieldText(w, l.textField, text);
    SetFieldText(w, l.nameField, common::Copy(text, 5, 30));
    if (!w.AppendRecord()) break;
  }
  w.RepaintPage();
  if (notTaken > 0)
    common::MessageOk(common::Cz("Řádky za 999 nelze očíslovat, nepřevzato řádků: ") + std::to_string(notTaken));
}

void TextsFromGordic(CodeListWindow& w, const RowLayout& l, const std::string& folder) {
  w.UsePhysicalOrder();
  std::vector<std::string> lines;
  if (!ImportLines(folder, "rozvaha.txt", lines)) return;
  std::string text;
  // Lines beyond the count have no record to go to.
  w.RewriteEachRecord([&](std::int32_t n) {
    if (static_cast<std::size_t>(n) > lines.size() || !TagText(lines[static_cast<std::size_t>(n - 1)], text)) return true;
    w.RecordRead(n);
    if (!w.IoOk()) return false;
    SetFieldText(w, l.textField, text);
    w.RecordWrite(n);
    return w.IoOk();
  });
  w.RepaintPage();
}

}  // namespace codelists
