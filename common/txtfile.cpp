#include "common/txtfile.h"

#include "common/encoding.h"
#include "common/indexsort.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/scramble.h"
#include "common/session.h"

namespace common {
namespace {

void ShowError(const tTxt& t, int code) { MessageOk("Err " + FormatNumberMask("##### ", code) + t.name); }

std::uint64_t LineOffset(const tTxt& t, std::int32_t n) {
  return static_cast<std::uint64_t>(n - 1) * static_cast<std::uint64_t>(t.lineLength + 2);
}

Session& SessionOf(tTxt& t) { return t.session ? *t.session : CurrentSession(); }

}  // namespace

void TxtOpen(Session& s, tTxt& t, std::string_view name) {
  t.file.Close();
  t.session = &s;
  t.name = std::string(name);
  std::int32_t count = 0;
  std::int32_t len = TextLineInfo(name, count);
  std::uint64_t size = 0;
  const bool hasContent = FileSize(name, size) == 0 && size > 0;
  if (hasContent && (len < 1 || len > kTxtMaxLineLength || count < 1)) {
    // Lines of unequal length or a single line: the first line end decides.
    len = TextLineInfo1(name, count);
  }
  if (len < 1 || len > kTxtMaxLineLength) len = kTxtDefaultLineLength;
  t.lineLength = len;
  t.lineCount = hasContent ? count : 0;

  int code = hasContent ? t.file.Open(name, DefaultOpenMode()) : t.file.Create(name, DefaultOpenMode());
  if (code == io::kAccessDenied && hasContent) code = t.file.Open(name, kModeReadOnly);  // read it at least
  if (code == io::kFileNotFound) code = t.file.Create(name, DefaultOpenMode());
  if (code == io::kPathNotFound) {
    MessageOk(Cz("Neexistuje složka ") + t.name);
  } else if (code != 0) {
    ShowError(t, code);
  }
}

void TxtOpen(tTxt& t, std::string_view name) { TxtOpen(CurrentSession(), t, name); }

void TxtClose(tTxt& t) {
  if (!t.file.IsOpen()) return;
  if (int code = t.file.Close()) ShowError(t, code);
}

void TxtReadLine(tTxt& t, std::int32_t n, std::string& s) {
  if (n < 1 || n > t.lineCount || !t.file.IsOpen()) return;
  std::string line(t.lineLength, ' ');
  if (int code = t.file.ReadAt(LineOffset(t, n), line.data(), line.size())) {
    ShowError(t, code);
    return;
  }
  Session& ses = SessionOf(t);
  s = ses.ScrambleOn ? UnscrambleText(line, ses.ScrambleKey) : line;
}

void TxtWriteLine(tTxt& t, std::int32_t n, std::string_view s) {
  if (n < 1 || n > t.lineCount + 1 || !t.file.IsOpen()) return;
  std::string line(s);
  line.resize(t.lineLength, ' ');
  Session& ses = SessionOf(t);
  if (ses.ScrambleOn) line = ScrambleText(line, ses.ScrambleKey);
  line += "\r\n";
  if (int code = t.file.WriteAt(LineOffset(t, n), line.data(), line.size())) {
    ShowError(t, code);
    return;
  }
  if (n > t.lineCount) t.lineCount = n;
}

}  // namespace common
