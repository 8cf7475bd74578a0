#include "common/codepages.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "common/encoding.h"

namespace common {
namespace {

using ByteMap = std::array<unsigned char, 256>;
using Pair = std::pair<unsigned char, unsigned char>;

constexpr ByteMap Identity() {
  ByteMap m{};
  for (int i = 0; i < 256; ++i) m[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
  return m;
}

constexpr ByteMap FromPairs(std::initializer_list<Pair> pairs) {
  ByteMap m = Identity();
  for (const auto& [from, to] : pairs) m[from] = to;
  return m;
}

constexpr ByteMap FromHighHalf(const std::array<unsigned char, 128>& high) {
  ByteMap m = Identity();
  for (std::size_t i = 0; i < 128; ++i) m[128 + i] = high[i];
  return m;
}

std::string Apply(const ByteMap& m, std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(m[static_cast<unsigned char>(c)]);
  return out;
}

constexpr ByteMap kStrip = FromPairs({
    {138, 'S'}, {141, 'T'}, {142, 'Z'}, {154, 's'}, {157, 't'}, {158, 'z'}, {190, 'l'}, {229, 'l'},
    {193, 'A'}, {197, 'L'}, {200, 'C'}, {201, 'E'}, {204, 'E'}, {205, 'I'}, {207, 'D'}, {210, 'N'},
    {211, 'O'}, {214, 'O'}, {216, 'R'}, {217, 'U'}, {218, 'U'}, {220, 'U'}, {221, 'Y'},
    {225, 'a'}, {232, 'c'}, {233, 'e'}, {236, 'e'}, {237, 'i'}, {239, 'd'}, {242, 'n'},
    {243, 'o'}, {246, 'o'}, {248, 'r'}, {249, 'u'}, {250, 'u'}, {252, 'u'}, {253, 'y'},
});

constexpr ByteMap kKamenickyTo1250 = FromPairs({
    // letters
    {128, 200}, {130, 233}, {131, 239}, {133, 207}, {134, 141}, {135, 232}, {136, 236}, {137, 204},
    {139, 205}, {143, 193}, {144, 201}, {145, 158}, {146, 142}, {148, 246}, {149, 211}, {150, 249},
    {151, 218}, {152, 253}, {153, 214}, {154, 220}, {155, 138}, {157, 221}, {158, 216}, {159, 157},
    {160, 225}, {161, 237}, {162, 243}, {163, 250}, {164, 242}, {165, 210}, {166, 217}, {168, 154},
    {169, 248},
    // vertical box lines
    {179, '|'}, {182, '|'}, {185, '|'}, {186, '|'}, {195, '|'}, {197, '|'}, {199, '|'}, {206, '|'},
    // horizontal box lines and corners
    {187, '-'}, {188, '-'}, {192, '-'}, {193, '-'}, {194, '-'}, {196, '-'}, {200, '-'}, {201, '-'},
    {202, '-'}, {205, '-'}, {207, '-'}, {209, '-'}, {216, '-'},
    {191, ' '}, {218, ' '},
});

constexpr ByteMap k1250ToKamenicky = FromPairs({
    {138, 155}, {141, 134}, {142, 146}, {154, 168}, {157, 159}, {158, 145},
    {193, 143}, {200, 128}, {201, 144}, {204, 137}, {205, 139}, {207, 133}, {210, 165}, {211, 149},
    {216, 158}, {217, 166}, {218, 151}, {221, 157},
    {225, 160}, {232, 135}, {233, 130}, {236, 136}, {237, 'i'}, {239, 131}, {242, 164}, {243, 147},
    {248, 169}, {249, 150}, {250, 163}, {253, 152},
});

// Code page 852 bytes 128..255 to Windows-1250: the standard correspondence (as
// glibc iconv CP852 -> CP1250 gives it), 32 where Windows-1250 lacks the character.
constexpr ByteMap k852To1250 = FromHighHalf({
    199, 252, 233, 226, 228, 249, 230, 231, 179, 235, 213, 245, 238, 143, 196, 198,
    201, 197, 229, 244, 246, 188, 190, 140, 156, 214, 220, 141, 157, 163, 215, 232,
    225, 237, 243, 250, 165, 185, 142, 158, 202, 234, 172, 159, 200, 186, 171, 187,
    32,  32,  32,  32,  32,  193, 194, 204, 170, 32,  32,  32,  32,  175, 191, 32,
    32,  32,  32,  32,  32,  32,  195, 227, 32,  32,  32,  32,  32,  32,  32,  164,
    240, 208, 207, 203, 239, 210, 205, 206, 236, 32,  32,  32,  32,  222, 217, 32,
    211, 223, 212, 209, 241, 242, 138, 154, 192, 218, 224, 219, 253, 221, 254, 180,
    173, 189, 178, 161, 162, 167, 247, 184, 176, 168, 255, 251, 216, 248, 32,  160,
});

// Windows-1250 bytes 128..255 to code page 852: the standard correspondence (glibc
// iconv CP1250 -> CP852), 32 where code page 852 lacks the character, and the
// program's own choices 160 -> 170, 164 -> 32, 172 -> 32, 183 -> 250, 255 -> 32.
constexpr ByteMap k1250To852 = FromHighHalf({
    32,  32,  32,  32,  32,  32,  32,  32,  32,  32,  230, 32,  151, 155, 166, 141,
    32,  32,  32,  32,  32,  32,  32,  32,  32,  32,  231, 32,  152, 156, 167, 171,
    170, 243, 244, 157, 32,  164, 32,  245, 249, 32,  184, 174, 32,  240, 32,  189,
    248, 32,  242, 136, 239, 32,  32,  250, 247, 165, 173, 175, 149, 241, 150, 190,
    232, 181, 182, 198, 142, 145, 143, 128, 172, 144, 168, 211, 183, 214, 215, 210,
    209, 227, 213, 224, 226, 138, 153, 158, 252, 222, 233, 235, 154, 237, 221, 225,
    234, 160, 131, 199, 132, 146, 134, 135, 159, 130, 169, 137, 216, 161, 140, 212,
    208, 228, 229, 162, 147, 139, 148, 246, 253, 133, 163, 251, 129, 236, 238, 32,
});

// The "CH" marks of CzSortKey take these bytes before weighting.
constexpr unsigned char kMarkCH = 160, kMarkCh = 161, kMarkch = 162;

const ByteMap& SortWeights() {
  static const ByteMap weights = [] {
    // The letters in Czech order; weights 65.. in this order.
    std::string letters = Cz("AaÁáÂĂÄäBbCcČčDdĎďEeÉéĚěęëFfGgHh");
    letters += static_cast<char>(kMarkCH);
    letters += static_cast<char>(kMarkCh);
    letters += static_cast<char>(kMarkch);
    letters += Cz("IiÍíîJjKkLlĹľMmNnŇňOoÓóőÔôŐÖöPpQqRrŘřSsŠšTtŤťUuÚúŮůŰűÜüVvWwXxYyÝýZzŽž");
    ByteMap w{};
    std::array<bool, 256> listed{};
    for (int b = 0; b <= 64; ++b) {
      w[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b);
      listed[static_cast<std::size_t>(b)] = true;
    }
    unsigned next = 65;
    for (char c : letters) {
      const auto b = static_cast<unsigned char>(c);
      w[b] = static_cast<unsigned char>(next++);
      listed[b] = true;
    }
    for (int b = 65; b < 256; ++b)
      if (!listed[static_cast<std::size_t>(b)]) w[static_cast<std::size_t>(b)] = static_cast<unsigned char>(next++);
    return w;
  }();
  return weights;
}

void MarkFirst(std::string& s, std::string_view pair, unsigned char mark) {
  const auto at = s.find(pair);
  if (at != std::string::npos) s[at] = static_cast<char>(mark);
}

}  // namespace

std::string StripDiacritics(std::string_view s) { return Apply(kStrip, s); }
std::string KamenickyToCp1250(std::string_view s) { return Apply(kKamenickyTo1250, s); }
std::string Cp1250ToKamenicky(std::string_view s) { return Apply(k1250ToKamenicky, s); }
std::string Cp852ToCp1250(std::string_view s) { return Apply(k852To1250, s); }
std::string Cp1250ToCp852(std::string_view s) { return Apply(k1250To852, s); }

std::string Utf8ToCp1250(std::string_view s) { return Utf8ToWin1250(s, ' '); }
std::string Cp1250ToUtf8(std::string_view s) { return Win1250ToUtf8(s, '?'); }

std::string CzSortKey(std::string_view s) {
  std::string key(s);
  MarkFirst(key, "CH", kMarkCH);
  MarkFirst(key, "Ch", kMarkCh);
  MarkFirst(key, "ch", kMarkch);
  return Apply(SortWeights(), key);
}

}  // namespace common
