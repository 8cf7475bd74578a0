#include "common/convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>

#include "common/dates.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/inplace.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/text.h"
#include "common/winpath.h"

namespace common {
namespace {

constexpr std::size_t kNameMax = 50;
constexpr std::size_t kPictureMax = 30;
constexpr std::int32_t kTextMax = 255;
constexpr std::size_t kConvertBlock = 1 << 20;  // bytes of records per read and write

// An open failure that means the file is not there.
bool IsMissing(int code) { return code == io::kFileNotFound || code == io::kPathNotFound; }

bool TextLike(std::uint8_t t) {
  return t <= 4 || t == 9 || t == 10 || t == 13 || (t >= 15 && t <= 17) || (t >= 20 && t <= 24);
}

// The quoted texts of a line from position p on.
std::vector<std::string> QuotedTexts(std::string_view line, std::size_t p) {
  std::vector<std::string> out;
  while (p < line.size()) {
    std::size_t open = line.find('"', p);
    if (open == std::string_view::npos) break;
    std::size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) break;
    out.emplace_back(line.substr(open + 1, close - open - 1));
    p = close + 1;
  }
  return out;
}

// Type and stored size of a text item by its picture's first character.
void TextType(PolItem& it) {
  const char c = it.picture.empty() ? ' ' : it.picture[0];
  it.stored = it.size + 1;
  switch (c) {
    case 'X': it.type = kPolText; break;
    case 'Y': it.type = kPolTextRight; break;
    case 'L': it.type = kPolZeroLeft; break;
    case 'P': it.type = kPolZeroRight; break;
    case 'D': it.type = kPolDate6; it.stored = 7; break;
    case 'd': it.type = kPolDate6Iso; it.stored = 7; break;
    case 'T':
    case 't': it.type = kPolTime6; it.stored = 7; break;
    case 'Q': it.type = kPolDate8; it.stored = 9; break;
    case 'q': it.type = kPolDate8Iso; it.stored = 9; break;
    case 'x': it.type = kPolText2; break;
    case 'y': it.type = kPolText2Right; break;
    case 'l': it.type = kPolZeroLeft2; break;
    case 'p': it.type = kPolZeroRight2; break;
    case 'm': it.type = kPolTextOther2; break;
    default: it.type = kPolTextOther; break;
  }
}

// Parses one description line; 0 not an item, 1 an item, -1 a broken text item.
int ParseItem(std::string_view line, PolItem& it) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return 0;
  it = PolItem{};
  it.name = UpperCz(RemoveSpaces(line.substr(0, colon)));
  if (it.name.size() > kNameMax) it.name.resize(kNameMax);
  // The character after ":" is skipped; the next one is the kind.
  if (colon + 2 >= line.size()) return 0;
  const char kind = UpperCz(line.substr(colon + 2, 1))[0];
  it.kind = kind;
  std::size_t rest = colon + 3;
  switch (kind) {
    case 'S': {
      const std::size_t semi = line.find(';', rest);
      if (semi == std::string_view::npos) return -1;
      std::string digits;
      for (std::size_t i = rest; i < semi; ++i)
        if (line[i] >= '0' && line[i] <= '9') digits += line[i];
      if (digits.empty() || digits.size() > 6) return -1;
      it.size = std::stoi(digits);
      rest = semi + 1;
      break;
    }
    case 'B': it.type = kPolByte; it.stored = 1; break;
    case 'W': it.type = kPolWord; it.stored = 2; break;
    case 'I':
    case 'L': it.type = kPolInt32; it.stored = 4; break;
    case 'R': it.type = kPolReal48; it.stored = 6; break;
    case 'D': it.type = kPolDouble; it.stored = 8; break;
    case 'C': it.type = kPolCurrency; it.stored = 8; break;
    default: return 0;  // not an item line
  }
  std::vector<std::string> quoted = QuotedTexts(line, rest);
  if (quoted.size() >= 2) it.picture = quoted[1].substr(0, kPictureMax);
  if (kind == 'S') TextType(it);
  if (kind != 'S') it.size = it.stored;
  return 1;
}

// The counted text of an item; a length byte beyond the item is clamped.
std::string_view CountedIn(std::string_view rec, const PolItem& it) {
  const std::size_t len = std::min<std::size_t>(static_cast<unsigned char>(rec[it.offset]), it.stored - 1);
  return rec.substr(it.offset + 1, len);
}

// Stores a counted text (cut to the item) as PutCounted does; the layout keeps every
// item inside the record.
void PutText(std::string& rec, const PolItem& it, std::string_view text) {
  const std::size_t len = std::min<std::size_t>(text.size(), it.stored - 1);
  rec[it.offset] = static_cast<char>(len);
  std::memcpy(rec.data() + it.offset + 1, text.data(), len);
}

// True when the length bytes of the first two text items, in record `recordNo`
// of the file, equal their declared sizes. A failed read raises IoError.
bool TextItemsFit(File& f, const toPol& pol, std::int64_t recordNo) {
  if (pol.firstText == 0) return false;
  for (int n : {pol.firstText, pol.secondText}) {
    if (n == 0) continue;
    const PolItem& it = pol.items[n - 1];
    unsigned char len = 0;
    const std::uint64_t at = static_cast<std::uint64_t>(recordNo - 1) * pol.recordLength + it.offset;
    ThrowIfError(f.ReadAt(at, &len, 1), f.Name());
    if (len != it.size) return false;
  }
  return true;
}

// How a text is fitted into an item of its type and another size: `pad` fill characters
// on its side (after it or in front), then cut to the size from the other side.
struct Fit {
  bool after = true;
  std::size_t pad = 0;
  char fill = ' ';
};

// The fit of an item's type; false for dates and times, which are stored as they are.
bool FitOf(const PolItem& o, Fit& f) {
  switch (o.type) {
    case kPolText:
    case kPolTextOther:
    case 17:
    case kPolText2:
    case kPolTextOther2: f = {true, static_cast<std::size_t>(o.size), ' '}; return true;
    case kPolTextRight:
    case kPolText2Right: f = {false, 80, ' '}; return true;
    case kPolZeroLeft:
    case kPolZeroLeft2: f = {true, 20, '0'}; return true;
    case kPolZeroRight:
    case kPolZeroRight2: f = {false, 20, '0'}; return true;
    default: return false;
  }
}

// Stores text as a counted text of at most n characters at p, fitted by f.
void PutFittedAt(char* p, std::size_t n, std::string_view text, const Fit& f) {
  const std::size_t len = text.size();
  // `before` fill characters, the text, `after` fill characters.
  auto put = [&](std::size_t before, std::string_view t, std::size_t after) {
    p[0] = static_cast<char>(before + t.size() + after);
    std::memset(p + 1, f.fill, before);
    std::memcpy(p + 1 + before, t.data(), t.size());
    std::memset(p + 1 + before + t.size(), f.fill, after);
  };
  if (f.after) {  // the text, then the fill; the first n characters
    const std::size_t keep = std::min(len, n);
    put(0, text.substr(0, keep), std::min(len + f.pad, n) - keep);
  } else if (len >= n) {  // the fill, then the text; the last n characters
    put(0, text.substr(len - n), 0);
  } else {
    put(std::min(f.pad + len, n) - len, text, 0);
  }
}

// Stores a text into an output item of the same type and another size, fitted by
// the item's type: texts padded with blanks or "0" on their side and cut to the size.
void PutFitted(std::string& rec, const PolItem& o, std::string_view text) {
  Fit f;
  if (FitOf(o, f))
    PutFittedAt(rec.data() + o.offset, static_cast<std::size_t>(o.size), text, f);
  else
    PutText(rec, o, text);  // dates and times of another declared size
}

// "O" read as "0" and "l" as "1" at 1-based position p.
std::string RepairDigit(std::string s, int p) {
  if (static_cast<int>(s.size()) >= p) {
    if (s[p - 1] == 'O') s[p - 1] = '0';
    if (s[p - 1] == 'l') s[p - 1] = '1';
  }
  return s;
}

// Copy() without a copy: the characters index..index+count-1 (1-based) that exist.
std::string_view Part(std::string_view s, std::size_t index, std::size_t count) {
  return index > s.size() ? std::string_view() : s.substr(index - 1, count);
}

// Stores the parts one after another as one counted text (at most 16 characters).
void PutJoined(std::string& rec, const PolItem& it, std::initializer_list<std::string_view> parts) {
  char buf[16];
  std::size_t n = 0;
  for (std::string_view part : parts) {
    const std::size_t take = std::min(part.size(), sizeof buf - n);
    std::memcpy(buf + n, part.data(), take);
    n += take;
  }
  PutText(rec, it, {buf, n});
}

std::string Year4(std::string_view s, std::size_t p) {
  const std::string_view yy = Part(s, p, 2);
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  // Two digits, the usual case, need no general reading of a number.
  const std::int32_t year =
      2000 + (yy.size() == 2 && digit(yy[0]) && digit(yy[1]) ? (yy[0] - '0') * 10 + (yy[1] - '0') : TextToInt(yy));
  if (year < 1000 || year > 9999) return FormatNumberMask("@@@@", year);
  // Four digits as the mask writes them, without formatting a number.
  std::string out(4, '0');
  for (int i = 3, v = year; i >= 0; --i, v /= 10) out[static_cast<std::size_t>(i)] = static_cast<char>('0' + v % 10);
  return out;
}

// A number item at p as a value; NaN when the type is not numeric. The layout keeps
// every item inside its record.
double NumberAt(const char* p, std::uint8_t type) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  switch (type) {
    case kPolByte: return u[0];
    case kPolWord: return LoadLE<std::uint16_t>(u);
    case kPolInt32: return LoadLE<std::int32_t>(u);
    case kPolReal48: return DecodeReal48(u);
    case kPolDouble: return LoadLE<double>(u);
    default: return std::numeric_limits<double>::quiet_NaN();
  }
}

bool NumberPairConverts(std::uint8_t from, std::uint8_t to) {
  switch (from) {
    case kPolByte: return to == kPolWord || to == kPolInt32;
    case kPolWord: return to == kPolInt32 || to == kPolReal48;
    case kPolInt32: return to == kPolReal48;
    case kPolReal48: return to == kPolDouble || to == kPolCurrency;
    case kPolDouble: return to == kPolReal48 || to == kPolCurrency;
    default: return false;
  }
}

void PutNumberAt(char* p, std::uint8_t type, double v) {
  auto* u = reinterpret_cast<unsigned char*>(p);
  switch (type) {
    case kPolWord: StoreLE<std::uint16_t>(u, static_cast<std::uint16_t>(v)); break;
    case kPolInt32: StoreLE<std::int32_t>(u, static_cast<std::int32_t>(v)); break;
    case kPolDouble: StoreLE<double>(u, v); break;
    case kPolReal48:
      try {
        const Real48Bytes b = EncodeReal48(v);
        std::memcpy(u, b.data(), b.size());
      } catch (const RangeError&) {  // beyond the 6-byte real: the item stays empty
      }
      break;
    case kPolCurrency: {
      // The amount in ten-thousandths, halves away from zero.
      const double scaled = std::round(v * kCurrencyScale);
      if (std::isfinite(scaled) && std::fabs(scaled) < 9.2e18) StoreLE<std::int64_t>(u, static_cast<std::int64_t>(scaled));
      break;
    }
    default: break;
  }
}

void ConvertItem(std::string_view inRec, const PolItem& i, std::string& outRec, const PolItem& o) {
  if (i.type == o.type) {
    if (TextLike(o.type)) {
      if (i.size == o.size)
        PutText(outRec, o, CountedIn(inRec, i));
      else
        PutFitted(outRec, o, CountedIn(inRec, i));
    } else {
      std::memcpy(outRec.data() + o.offset, inRec.data() + i.offset, std::min(i.stored, o.stored));
    }
    return;
  }
  const std::string s(TextLike(i.type) ? CountedIn(inRec, i) : std::string_view());
  switch (i.type * 100 + o.type) {
    case kPolDate6 * 100 + kPolDate6Iso:
    case kPolDate6Iso * 100 + kPolDate6: PutText(outRec, o, SwapDate(s)); return;
    case kPolDate8 * 100 + kPolDate8Iso: PutText(outRec, o, Date8ToIso(s)); return;
    case kPolDate8Iso * 100 + kPolDate8: PutText(outRec, o, IsoToDate8(s)); return;
    case kPolDate6 * 100 + kPolDate8:
    case kPolDate6 * 100 + kPolDate8Iso: {
      const std::string r = RepairDigit(s, 5);
      const std::string year = Year4(r, 5);
      if (o.type == kPolDate8)
        PutJoined(outRec, o, {Part(r, 1, 4), year});
      else
        PutJoined(outRec, o, {year, Part(r, 3, 2), Part(r, 1, 2)});
      return;
    }
    case kPolDate6Iso * 100 + kPolDate8:
    case kPolDate6Iso * 100 + kPolDate8Iso: {
      const std::string r = RepairDigit(s, 1);
      const std::string year = Year4(r, 1);
      if (o.type == kPolDate8)
        PutJoined(outRec, o, {Part(r, 5, 2), Part(r, 3, 2), year});
      else
        PutJoined(outRec, o, {year, Part(r, 3, 4)});
      return;
    }
    default: break;
  }
  if (NumberPairConverts(i.type, o.type))
    PutNumberAt(outRec.data() + o.offset, o.type, NumberAt(inRec.data() + i.offset, i.type));
  // Any other pair leaves the output item as it was.
}

// The conversion of one record, worked out once for a file: items that keep their
// type and bytes are copied, neighbours together in one copy; counted texts of the same
// type and size keep their text; only the other items go through ConvertItem.
class FieldPlan {
 public:
  FieldPlan(const toPol& in, const toPol& out) {
    for (const PolItem& o : out.items) {
      if (o.match <= 0) continue;
      const PolItem& i = in.items[static_cast<std::size_t>(o.match - 1)];
      Step s{Step::kItem, static_cast<std::size_t>(i.offset), static_cast<std::size_t>(o.offset), 0, {}, &i, &o};
      if (i.type == o.type && !TextLike(o.type)) {
        s.kind = Step::kCopy;
        s.size = static_cast<std::size_t>(std::min(i.stored, o.stored));
      } else if (i.type == o.type && i.size == o.size) {
        s.kind = Step::kCounted;
        s.size = static_cast<std::size_t>(o.stored - 1);
      } else if (i.type == o.type && FitOf(o, s.fit)) {
        s.kind = Step::kFitted;
        s.size = static_cast<std::size_t>(i.stored - 1);
      } else if (NumberPairConverts(i.type, o.type)) {
        s.kind = Step::kNumber;
      }
      Step* last = steps_.empty() ? nullptr : &steps_.back();
      if (s.kind == Step::kCopy && last && last->kind == Step::kCopy && last->in + last->size == s.in &&
          last->out + last->size == s.out)
        last->size += s.size;
      else
        steps_.push_back(s);
    }
  }

  void Apply(std::string_view inRec, std::string& outRec) const {
    const char* in = inRec.data();
    char* out = outRec.data();
    for (const Step& s : steps_) {
      switch (s.kind) {
        case Step::kCopy: std::memcpy(out + s.out, in + s.in, s.size); break;
        case Step::kCounted: {
          const std::size_t len = std::min<std::size_t>(static_cast<unsigned char>(in[s.in]), s.size);
          out[s.out] = static_cast<char>(len);
          std::memcpy(out + s.out + 1, in + s.in + 1, len);
          break;
        }
        case Step::kFitted: {
          const std::size_t len = std::min<std::size_t>(static_cast<unsigned char>(in[s.in]), s.size);
          PutFittedAt(out + s.out, static_cast<std::size_t>(s.to->size), {in + s.in + 1, len}, s.fit);
          break;
        }
        case Step::kNumber: PutNumberAt(out + s.out, s.to->type, NumberAt(in + s.in, s.from->type)); break;
        case Step::kItem: ConvertItem(inRec, *s.from, outRec, *s.to); break;
      }
    }
  }

 private:
  struct Step {
    enum Kind : std::uint8_t { kCopy, kCounted, kFitted, kNumber, kItem } kind;
    std::size_t in, out, size;  // offsets; bytes copied, or the longest text in
    Fit fit;
    const PolItem* from;
    const PolItem* to;
  };
  std::vector<Step> steps_;
};

void Refuse(std::string_view descName, const std::string& reason) {
  MessageOk(Cz("Chybný popis položek ") + std::string(descName) + " - " + reason);
}

enum class Verdict { Keep, Convert, FitsNeither };

// What the size of an open input says, with the text items where a size could be
// either layout's.
Verdict Judge(File& src, std::int64_t size, const toPol& inPol, const toPol& outPol) {
  const std::int64_t inCount = size / inPol.recordLength;
  auto probeRecord = [](std::int64_t count) { return count >= 2 ? 2 : 1; };
  bool convert = false;
  if (inPol.recordLength == outPol.recordLength) {
    // Converted and unconverted files have the same size: the text items decide.
    convert = size % inPol.recordLength == 0 && !TextItemsFit(src, outPol, probeRecord(inCount)) &&
              TextItemsFit(src, inPol, probeRecord(inCount));
  } else if (size == inPol.recordLength) {
    convert = true;
  } else if (size == outPol.recordLength) {
    convert = false;
  } else if (size % inPol.recordLength == 0 && TextItemsFit(src, inPol, 2)) {
    // A size that fits both layouts is left alone when the new layout fits as well.
    convert = !(size % outPol.recordLength == 0 && TextItemsFit(src, outPol, 2));
  }
  if (convert) return Verdict::Convert;
  return size % outPol.recordLength == 0 ? Verdict::Keep : Verdict::FitsNeither;
}

// Judges the input file; `src` is left open on it when it has something to read.
Verdict JudgeFile(const std::string& in, bool mayBeAbsent, const toPol& inPol, const toPol& outPol, File& src,
                  std::int64_t& size) {
  const std::int32_t got = CheckFile(in);
  if (got < 0 && !(mayBeAbsent && IsMissing(-got))) throw IoError(-got, in);
  size = got;
  if (got < 2) return Verdict::Keep;
  ThrowIfError(src.Open(in, kModeReadOnly), in);
  return Judge(src, size, inPol, outPol);
}

}  // namespace

bool PolItem::IsText() const { return TextLike(type); }

bool LoadLayout(std::string_view descName, std::string_view title, toPol& pol, std::string& reason) {
  pol = toPol{};
  pol.title = std::string(title.substr(0, kNameMax));
  std::string text;
  if (int code = ReadTextFile(descName, text)) {
    reason = "Err " + FormatNumberMask("#####", code);
    return false;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    PolItem it;
    const int got = ParseItem(line, it);
    if (got == 0) continue;
    if (got < 0) {
      reason = Cz("chybí délka položky ") + it.name;
      return false;
    }
    if (it.IsText() && it.size > kTextMax) {
      reason = Cz("položka ") + it.name + Cz(" delší než 255");
      return false;
    }
    if (static_cast<int>(pol.items.size()) == kPolMaxItems) {
      reason = Cz("více než 264 položek");
      return false;
    }
    it.offset = pol.recordLength;
    pol.recordLength += it.stored;
    if (pol.recordLength > kPolMaxRecord) {
      reason = Cz("délka věty nad 10001");
      return false;
    }
    pol.items.push_back(std::move(it));
    const int number = static_cast<int>(pol.items.size());
    if (pol.items.back().kind == 'S') {
      if (pol.firstText == 0)
        pol.firstText = number;
      else if (pol.secondText == 0)
        pol.secondText = number;
    }
  }
  if (pol.items.empty()) {
    reason = Cz("žádná položka");
    return false;
  }
  return true;
}

std::string EmptyRecord(const toPol& pol) {
  std::string rec(pol.recordLength, '\0');
  for (const PolItem& it : pol.items) {
    switch (it.type) {
      case kPolZeroLeft:
      case kPolZeroRight: PutText(rec, it, std::string(it.size, '0')); break;
      case kPolDate6:
      case kPolDate6Iso:
      case kPolTime6: PutText(rec, it, std::string(6, ' ')); break;
      case kPolDate8:
      case kPolDate8Iso: PutText(rec, it, std::string(8, ' ')); break;
      default:
        if (it.IsText()) PutText(rec, it, std::string(it.size, ' '));
        break;
    }
  }
  return rec;
}

void ConvertRecord(const toPol& in, std::string_view inRecord, const toPol& out, std::string& outRecord) {
  for (const PolItem& o : out.items)
    if (o.match > 0) ConvertItem(inRecord, in.items[o.match - 1], outRecord, o);
}

LayoutCheck ConvertLayout(std::string_view inName, std::string_view outName, std::string_view inDesc,
                          std::string_view outDesc, const ConversionFinish& finish) {
  std::string in(inName);
  // The rule is the file name's: a folder such as "Firma, s.r.o." keeps its comma.
  const std::size_t nameAt = in.find_last_of("\\/:");
  const std::size_t comma = in.find(',', nameAt == std::string::npos ? 0 : nameAt + 1);
  const bool mayBeAbsent = comma != std::string::npos;
  if (mayBeAbsent) in[comma] = '.';
  if (CheckFile(inDesc) < 2) {
    MessageOk(Cz("Chybí popis vstupní položky ") + ShownPath(inDesc));
    return {};
  }
  if (CheckFile(outDesc) < 2) {
    MessageOk(Cz("Chybí popis výstupní položky ") + ShownPath(outDesc));
    return {};
  }
  if (!mayBeAbsent) {
    const std::int32_t size = CheckFile(in);
    if (size < 0 && !IsMissing(-size)) throw IoError(-size, in);
    if (size < 2) {
      MessageOk(Cz("Chybí vstupní soubor ") + ShownPath(in));
      return {};
    }
  }
  const std::string out = outName.empty() ? in : std::string(outName);

  toPol inPol, outPol;
  std::string reason;
  if (!LoadLayout(inDesc, in, inPol, reason)) {
    Refuse(inDesc, reason);
    return {};
  }
  if (!LoadLayout(outDesc, "prac.wrk", outPol, reason)) {
    Refuse(outDesc, reason);
    return {};
  }
  for (PolItem& o : outPol.items) {
    o.match = 0;
    for (std::size_t k = 0; k < inPol.items.size(); ++k)
      if (inPol.items[k].name == o.name) o.match = static_cast<int>(k) + 1;  // the last one wins
  }

  LayoutCheck check;
  check.oldLength = inPol.recordLength;
  check.newLength = outPol.recordLength;
  // A copy a step left beside either file goes back first (the lock taken once, never
  // waited for, unless `locked`): the file is judged and read as an opening gives it, and
  // no copy is put back later over the converted one. A copy whose writer is at work is
  // no left copy: left to its writer unless `wait`, when its turn is waited for first.
  bool inUse = false;
  const auto copiesBack = [&](bool locked, bool wait) {
    inUse = false;
    for (const std::string* name : std::initializer_list<const std::string*>{&in, &out}) {
      bool busy = false;
      if ((name == &in || out != in) && !PutBackBeforeOpening(*name, Cz(", převod neproběhl"), locked, wait, &busy)) {
        check.outcome = LayoutCheck::CopyLeft;
        return false;
      }
      inUse = inUse || busy;
    }
    return true;
  };
  if (!copiesBack(false, false)) return check;
  File src;
  // Judged by its size first, without a lock: a list with nothing to convert opens
  // at once, whoever else has it open or rewrites it.
  Verdict verdict = JudgeFile(in, mayBeAbsent, inPol, outPol, src, check.size);
  if (verdict == Verdict::FitsNeither && inUse) {
    // Judged in the middle of another's step: judged again once that step is done.
    src.Close();
    if (!copiesBack(false, true)) return check;
    verdict = JudgeFile(in, mayBeAbsent, inPol, outPol, src, check.size);
  }
  std::optional<ScopedFileLock> outLock, inLock;
  if (verdict == Verdict::Convert) {
    // No other workstation judges or converts the same file meanwhile; judged again
    // under the lock, as another may have converted it during the wait.
    src.Close();
    outLock.emplace(out, "W");
    if (out != in && !GivenUpOrStopped(outLock->result())) inLock.emplace(in, "");
    if (GivenUpOrStopped(outLock->result()) || (inLock && GivenUpOrStopped(inLock->result()))) {
      check.outcome = LayoutCheck::GivenUp;
      return check;
    }
    if (!copiesBack(true, true)) return check;
    verdict = JudgeFile(in, mayBeAbsent, inPol, outPol, src, check.size);
  }
  if (verdict != Verdict::Convert) {
    if (verdict == Verdict::FitsNeither) check.outcome = LayoutCheck::FitsNeither;
    return check;
  }

  const std::int64_t inCount = check.size / inPol.recordLength;
  FileReplacement result;
  ThrowIfError(result.Begin(out), out);
  // Whole blocks of records are read, converted and written at a time.
  const std::size_t inLength = inPol.recordLength, outLength = outPol.recordLength;
  const std::int64_t perBlock = std::max<std::int64_t>(1, kConvertBlock / std::max(inLength, outLength));
  std::string inBlock(static_cast<std::size_t>(std::min(perBlock, inCount)) * inLength, '\0');
  std::string outBlock(static_cast<std::size_t>(std::min(perBlock, inCount)) * outLength, '\0');
  std::string outRec = EmptyRecord(outPol);
  const FieldPlan plan(inPol, outPol);
  for (std::int64_t r = 0; r < inCount; r += perBlock) {
    const std::size_t n = static_cast<std::size_t>(std::min(perBlock, inCount - r));
    ThrowIfError(src.ReadAt(static_cast<std::uint64_t>(r) * inLength, inBlock.data(), n * inLength), in);
    for (std::size_t k = 0; k < n; ++k) {
      plan.Apply(std::string_view(inBlock).substr(k * inLength, inLength), outRec);
      std::memcpy(outBlock.data() + k * outLength, outRec.data(), outLength);
    }
    const std::uint64_t at = static_cast<std::uint64_t>(r) * outLength;
    ThrowIfError(result.file().WriteAt(at, outBlock.data(), n * outLength), out);
    result.file().StartWriteback(at, n * outLength);  // the disk works while the next block is converted
  }
  src.Close();
  if (finish) ThrowIfError(finish(result.file()), out);
  ThrowIfError(result.Commit(), out);
  check.outcome = LayoutCheck::Converted;
  return check;
}

std::int32_t ConvertFile(std::string_view in, std::string_view out, std::string_view inDesc,
                         std::string_view outDesc, const ConversionFinish& finish) {
  return ConvertLayout(in, out, inDesc, outDesc, finish).outcome == LayoutCheck::Converted ? 1 : 0;
}

}  // namespace common
